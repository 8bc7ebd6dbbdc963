// The file dialog of the program, driven by keys and clicks: a filter whose
// description names its pattern shows it once; the dialog opens in the
// nearest folder that exists, shows its columns whole in every language,
// goes into a folder typed, gives a name its type and asks before it
// replaces a file.
#include <QDialog>
#include <QHeaderView>
#include <QTreeView>
#include <gtest/gtest.h>

#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "support/ChildProcess.h"
#include "video/ui/FileChooser.h"

using namespace oculon;
using oculon::testsupport::child;
using oculon::testsupport::pumpUntil;
using video::ui::dialogFilters;
using video::ui::FileChooser;
using video::ui::FileQuestion;

namespace {

// Types `text` into the chooser's name field and presses Return, as a user does.
void typeAndReturn(FileChooser& chooser, const QString& text) {
    auto& name = child<QLineEdit>(chooser, "fileNameEdit");
    chooser.activateWindow();
    ASSERT_TRUE(pumpUntil([&] { return chooser.isActiveWindow(); }));
    name.setFocus();
    name.selectAll();
    QTest::keyClicks(&name, text);
    QTest::keyClick(&name, Qt::Key_Return);
}

bool listedIn(FileChooser& chooser, const std::string& folder) {
    return chooser.folder() == folder && !child<QLabel>(chooser, "statusLine").isVisible();
}

}  // namespace

TEST(FileDialogFilters, EachPatternIsShownOnce) {
    EXPECT_EQ(dialogFilters("Image files (*.JPG)|*.jpg"), QStringList{"Image files (*.jpg)"});
    EXPECT_EQ(dialogFilters("Videos|*.avi;*.AVI|All|*.*"), (QStringList{"Videos (*.avi *.AVI)", "All (*.*)"}));
    for (int language = 0; language < 4; ++language) {
        const QStringList filters =
            dialogFilters(config::text(config::txtImageFilesFilter, static_cast<config::TSprachenTyp>(language)));
        ASSERT_EQ(filters.size(), 1);
        EXPECT_EQ(filters[0].count(QLatin1Char('(')), 1) << filters[0].toStdString();
    }
}

// The save dialog of snapshots and exports opens showing its file list's
// columns whole, in every language (see QtTestKit.h for its pictures).
TEST(SaveDialog, OpensWideEnoughForItsColumns) {
    testsupport::TempDir folder;
    for (const char* name : {"2024-05-01_14-00-00_Front door of the north wing.jpg", "2024-05-01_14-01-00_Door.jpg"})
        folder.write(name, std::string(20000, 'x'));
    folder.write("left out.avi", "x");
    QWidget owner;
    owner.show();
    for (int language = 0; language < 4; ++language) {
        const auto lang = static_cast<config::TSprachenTyp>(language);
        FileQuestion question{FileQuestion::Kind::save,
                              {},
                              folder.path() + "/not/made/yet",
                              "Door",
                              dialogFilters(config::text(config::txtImageFilesFilter, lang)),
                              {"jpg"}};
        const QPointer<FileChooser> chooser = FileChooser::holding(owner, question, {});
        ASSERT_TRUE(pumpUntil([&] { return listedIn(*chooser, folder.path()); }));
        auto& list = child<QTreeWidget>(*chooser, "fileList");
        EXPECT_EQ(list.topLevelItemCount(), 2) << "the filter shows the pictures alone";
        const auto columnsWhole = [&list] {
            for (int r = 0; r < list.topLevelItemCount(); ++r)
                for (int c = 0; c < list.columnCount(); ++c)
                    if (list.columnWidth(c) < list.sizeHintForIndex(list.model()->index(r, c)).width()) return false;
            return list.header()->length() <= list.viewport()->width();
        };
        EXPECT_TRUE(pumpUntil(columnsWhole)) << "language " << language;
        testsupport::screenshot(*chooser, QStringLiteral("save-dialog-%1").arg(language));
        QTest::keyClick(chooser, Qt::Key_Escape);
        EXPECT_TRUE(pumpUntil([&] { return chooser.isNull(); }));
    }
}

TEST(SaveDialog, GoesIntoAFolderTypedGivesANameItsTypeAndAsksBeforeReplacing) {
    testsupport::TempDir folder;
    const std::string below = folder.path() + "/below";
    ASSERT_EQ(video::makeFolder(below), 0);
    folder.write("below/kept.jpg", "old");
    QWidget owner;
    owner.show();
    std::vector<std::string> chosen;
    FileQuestion question{FileQuestion::Kind::save, {}, folder.path(), "Gate 1.5", {}, {"jpg", "jpeg"}};
    const QPointer<FileChooser> chooser =
        FileChooser::holding(owner, question, [&](const std::string& path) { chosen.push_back(path); });
    EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
    {
        // Over a window that holds up all others, in its place: calls answer above it.
        QDialog settings;
        settings.setWindowModality(Qt::ApplicationModal);
        EXPECT_EQ(FileChooser::holding(settings, question, {})->windowModality(), Qt::ApplicationModal);
    }
    ASSERT_TRUE(pumpUntil([&] { return listedIn(*chooser, folder.path()); }));
    typeAndReturn(*chooser, "below");
    ASSERT_TRUE(pumpUntil([&] { return listedIn(*chooser, below); }));
    EXPECT_TRUE(child<QLineEdit>(*chooser, "fileNameEdit").text().isEmpty());

    // An existing file: "No" keeps the dialog open, "Yes" chooses it.
    for (const bool replace : {false, true}) {
        typeAndReturn(*chooser, "kept");
        QMessageBox* box = nullptr;
        ASSERT_TRUE(pumpUntil([&] { return (box = chooser->findChild<QMessageBox*>()) && box->isActiveWindow(); }));
        EXPECT_TRUE(box->text().startsWith("kept.jpg already exists.")) << box->text().toStdString();
        EXPECT_TRUE(chosen.empty());
        if (replace) QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        else QTest::keyClick(box, Qt::Key_Escape);
        ASSERT_TRUE(pumpUntil([&] { return chooser.isNull() || chooser->findChild<QMessageBox*>() == nullptr; }));
    }
    ASSERT_TRUE(pumpUntil([&] { return chooser.isNull(); }));
    EXPECT_EQ(chosen, std::vector<std::string>{below + "/kept.jpg"});
}
