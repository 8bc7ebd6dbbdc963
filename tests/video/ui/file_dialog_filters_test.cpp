// The file dialogs' filters: a description that names its pattern shows it once.
#include <gtest/gtest.h>

#include "config/sprachen.h"
#include "video/ui/FileDialogFilters.h"

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
