// The file dialogs: a filter whose description names its pattern shows it
// once, and the save dialog shows its columns whole.
#include <QDialog>
#include <QHeaderView>
#include <QTreeView>
#include <gtest/gtest.h>

#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "support/ChildProcess.h"
#include "video/ui/FileDialogFilters.h"

using oculon::video::ui::askSaveFile;
using oculon::video::ui::dialogFilters;

TEST(FileDialogFilters, EachPatternIsShownOnce) {
    EXPECT_EQ(dialogFilters("Image files (*.JPG)|*.jpg"), QStringList{"Image files (*.jpg)"});
    EXPECT_EQ(dialogFilters("Videos|*.avi;*.AVI|All|*.*"), (QStringList{"Videos (*.avi *.AVI)", "All (*.*)"}));
    for (int language = 0; language < 4; ++language) {
        const QStringList filters = dialogFilters(oculon::config::text(
            oculon::config::txtImageFilesFilter, static_cast<oculon::config::TSprachenTyp>(language)));
        ASSERT_EQ(filters.size(), 1);
        EXPECT_EQ(filters[0].count(QLatin1Char('(')), 1) << filters[0].toStdString();
    }
}

// The save dialog of snapshots and exports opens showing its file list's
// columns whole, in every language (see QtTestKit.h for its pictures).
TEST(SaveDialog, OpensWideEnoughForItsColumns) {
    oculon::testsupport::TempDir folder;
    for (const char* name : {"2024-05-01_14-00-00_Front door of the north wing.jpg", "2024-05-01_14-01-00_Door.jpg"})
        folder.write(name, std::string(20000, 'x'));
    for (int language = 0; language < 4; ++language) {
        const auto lang = static_cast<oculon::config::TSprachenTyp>(language);
        bool seen = false;
        oculon::testsupport::onModal([&](QWidget& dialog) {
            auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
            ASSERT_NE(list, nullptr);
            const auto columnsWhole = [list] {
                const QAbstractItemModel& files = *list->model();
                if (files.rowCount(list->rootIndex()) != 2) return false;
                for (int r = 0; r < 2; ++r) {
                    for (int c = 0; c < list->header()->count(); ++c) {
                        const QModelIndex cell = files.index(r, c, list->rootIndex());
                        if (list->columnWidth(c) < list->sizeHintForIndex(cell).width()) return false;
                    }
                }
                return list->header()->length() <= list->viewport()->width();
            };
            EXPECT_TRUE(oculon::testsupport::pumpUntil(columnsWhole)) << "language " << language;
            oculon::testsupport::screenshot(dialog, QStringLiteral("save-dialog-%1").arg(language));
            seen = true;
            static_cast<QDialog&>(dialog).reject();
        });
        const QString chosen = askSaveFile(
            nullptr, QString::fromStdString(folder.path()), QStringLiteral("2024-05-01_14-02-00_Door.jpg"),
            dialogFilters(oculon::config::text(oculon::config::txtImageFilesFilter, lang)), QStringLiteral("jpg"));
        EXPECT_TRUE(seen);
        EXPECT_TRUE(chosen.isEmpty());
    }
}
