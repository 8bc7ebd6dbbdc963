// Hostile names (gui/HostileText.h) of folders, files, stations and cameras
// reach the recordings player's tree, its empty note, previews, tool tips,
// station box and exported caption in their shownText form.
#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "../TestRecordings.h"
#include "config/sprachen.h"
#include "gui/HostileText.h"
#include "gui/QtTestKit.h"
#include "player/ui/ChoiceDialogs.h"
#include "player/ui/ExportCaption.h"
#include "player/ui/videoPlayerForm.h"
#include "support/ChildProcess.h"

using namespace oculon;
using namespace oculon::testsupport;

TEST(DeviceText, NamesShowLiterallyInThePlayerAndItsExports) {
    config::sprache = config::lang_en;
    TempDir tmp;
    const std::vector<std::uint8_t> jpeg = player::test::testJpeg(64, 48, 1);
    for (const std::string& name : kHostileNames) {
        if (name.find('/') != std::string::npos) continue;  // no file name
        SCOPED_TRACE(name);
        const std::string root = tmp.path() + "/" + name + "/", file = "2024-05-01_12-30-05_" + name + ".jpg";
        player::ui::TplayerForm empty(root);
        ASSERT_TRUE(pumpUntil([&] { return !empty.reading(); }));
        const std::string note = labelShows(child<QLabel>(empty, "treeNote"));
        EXPECT_EQ(note.substr(note.rfind('\n') + 1), shownForm(root));
        tmp.write(name + "/" + name + "/2024/05 - May/01 - Wednesday/" + file, std::string(jpeg.begin(), jpeg.end()));
        player::ui::TplayerForm form(root);
        ASSERT_TRUE(pumpUntil([&] { return !form.reading(); }));
        auto& tree = child<QTreeWidget>(form, "DirTree");
        auto& list = child<QListWidget>(form, "FileList");
        ASSERT_EQ(tree.topLevelItemCount(), 1);
        QTreeWidgetItem* folder = tree.topLevelItem(0);
        EXPECT_EQ(folder->text(0).toStdString(), shownForm(name));
        EXPECT_EQ(toolTipShows(folder->toolTip(0)), shownForm(name));
        while (folder->childCount() > 0) folder = folder->child(0);
        tree.setCurrentItem(folder);
        ASSERT_TRUE(pumpUntil([&] { return !form.reading(); }));
        ASSERT_EQ(list.count(), 1);
        EXPECT_EQ(toolTipShows(list.item(0)->toolTip()), shownForm(file));
        // A line too long for the preview ends in an ellipsis.
        const QString caption = list.item(0)->text().remove(QChar(0x2026));
        EXPECT_TRUE(QString::fromStdString("2024-05-01\n12-30-05\n" + shownForm(name + ".jpg")).startsWith(caption));
    }

    onModal([](QWidget& dialog) {
        auto& box = child<QComboBox>(dialog, "serverBox");
        EXPECT_EQ(box.count(), static_cast<int>(kHostileNames.size()));
        for (int i = 0; i < box.count(); ++i) EXPECT_EQ(box.itemText(i).toStdString(), shownForm(kHostileNames.at(i)));
        clickAsUser(child<QWidget>(dialog, "CancelBtn"));
    });
    EXPECT_EQ(player::ui::TvideoWaehl::choose(kHostileNames), std::nullopt);
    const auto painted = [](const std::string& caption) {
        video::Image picture{320, 24, 320 * 4, video::PixelFormat::Bgrx32,
                             std::vector<std::uint8_t>(320 * 24 * 4, 0x80)};
        player::ui::captionPainter(caption)(picture, {});
        return picture.pixels;
    };
    for (const std::string& name : kHostileNames) EXPECT_TRUE(painted(name) == painted(shownForm(name))) << name;
}
