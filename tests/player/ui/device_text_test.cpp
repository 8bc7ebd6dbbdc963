// What folders, files and the settings call themselves reaches the
// recordings player as literal text: each hostile name (gui/HostileText.h)
// as a camera folder, a picture's file name, the recordings folder, a
// station to choose and an exported picture's camera shows in its
// shownText form in the tree, the preview list, their tool tips, the empty
// tree's note, the station box and the painted caption.
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>

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

namespace {

// The names a file system takes.
std::vector<std::string> fileNames() {
    std::vector<std::string> names;
    for (const std::string& name : kHostileNames)
        if (name.find('/') == std::string::npos) names.push_back(name);
    return names;
}

TEST(DeviceText, FolderAndFileNamesShowLiterallyInTheTreeTheListAndTheirToolTips) {
    config::sprache = config::lang_en;
    TempDir tmp;
    for (const std::string& name : fileNames()) {
        SCOPED_TRACE(name);
        const std::string root = tmp.path() + "/" + name + "/";
        const std::string file = "2024-05-01_12-30-05_" + name + ".jpg";
        {
            // Without recordings the tree names the folder they are kept in.
            player::ui::TplayerForm empty(root);
            const std::string note = labelShows(child<QLabel>(empty, "treeNote"));
            EXPECT_EQ(note.substr(note.rfind('\n') + 1), shownForm(root));
        }
        const std::string day = root + name + "/2024/05 - May/01 - Wednesday/";
        std::filesystem::create_directories(day);
        player::test::writeFile(day + file, player::test::testJpeg(64, 48, 1));
        player::ui::TplayerForm form(root);
        auto& tree = child<QTreeWidget>(form, "DirTree");
        auto& list = child<QListWidget>(form, "FileList");
        ASSERT_EQ(tree.topLevelItemCount(), 1);
        QTreeWidgetItem* folder = tree.topLevelItem(0);
        EXPECT_EQ(folder->text(0).toStdString(), shownForm(name));
        EXPECT_EQ(toolTipShows(folder->toolTip(0)), shownForm(name));
        while (folder->childCount() > 0) folder = folder->child(0);
        tree.setCurrentItem(folder);
        ASSERT_EQ(list.count(), 1);
        EXPECT_EQ(toolTipShows(list.item(0)->toolTip()), shownForm(file));
        // A line too long for the preview ends in an ellipsis.
        QString caption = list.item(0)->text();
        if (caption.endsWith(QChar(0x2026))) caption.chop(1);
        EXPECT_TRUE(QString::fromStdString("2024-05-01\n12-30-05\n" + shownForm(name + ".jpg")).startsWith(caption))
            << caption.toStdString();
    }
}

TEST(DeviceText, StationsToChooseAndTheExportedCaptionShowNamesLiterally) {
    config::sprache = config::lang_en;
    onModal([](QWidget& dialog) {
        auto& box = child<QComboBox>(dialog, "serverBox");
        ASSERT_EQ(box.count(), static_cast<int>(kHostileNames.size()));
        for (int i = 0; i < box.count(); ++i)
            EXPECT_EQ(box.itemText(i).toStdString(), shownForm(kHostileNames.at(static_cast<std::size_t>(i))));
        child<QPushButton>(dialog, "CancelBtn").click();
    });
    EXPECT_EQ(player::ui::TvideoWaehl::choose(kHostileNames), std::nullopt);

    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        video::Image painted, expected;
        for (video::Image* picture : {&painted, &expected}) {
            picture->reshape(320, 24, video::PixelFormat::Bgrx32);
            std::fill(picture->pixels.begin(), picture->pixels.end(), std::uint8_t{0x80});
        }
        player::ui::captionPainter(name)(painted, {});
        player::ui::captionPainter(shownForm(name))(expected, {});
        EXPECT_EQ(painted.pixels, expected.pixels);
    }
}

}  // namespace
