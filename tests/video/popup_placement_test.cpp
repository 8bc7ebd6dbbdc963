// Where popups go: the cascade from the main popup, and its new start in the
// top left corner of the screen's free area where the next step would leave
// it; a frame that sticks out, moved in as little as possible; and a crowd of
// popups on small and large screens.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "video/HauptProgrammModel.h"
#include "video/PopupPlacement.h"

using namespace oculon::video;

namespace {

std::string text(const PixelRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

TEST(PopupPlacement, FurtherPopupsStayInsideTheFreeArea) {
    // A 1280 x 1000 screen whose panel takes the top 24 pixels; the frame
    // adds 2 x 26 pixels to each popup.
    const ScreenRoom screen{{0, 24, 1280, 976}, {2, 26}};
    const struct {
        PixelRect main;
        std::optional<ScreenRoom> room;
        std::string places;  // of the popups with 0, 1, ... listed before them
    } cases[] = {
        // An unknown screen: the plain cascade.
        {{82, 80, 676, 552}, std::nullopt, "420,356 676x552; 758,632 676x552; 1096,908 676x552"},
        // One step fits, then each round from the corner, a title bar further on, holds two.
        {{82, 80, 676, 552}, screen, "420,356 676x552; 0,24 676x552; 338,300 676x552; 26,50 676x552"},
        // Small popups run further before they start again, not on the main one.
        {{0, 24, 400, 300},
         screen,
         "200,174 400x300; 400,324 400x300; 600,474 400x300; 800,624 400x300; 26,50 400x300"},
        // A main popup outside the area starts in the corner.
        {{-500, 900, 400, 300}, screen, "0,24 400x300; 200,174 400x300"},
        // A popup larger than the area is made to fit it.
        {{0, 0, 1600, 1200}, screen, "0,24 1278x950; 0,24 1278x950"},
    };
    for (const auto& c : cases) {
        std::string places;
        for (int listed = 0; listed <= std::ranges::count(c.places, ';'); ++listed) {
            const PixelRect place = furtherPopupPlace(c.main, std::nullopt, listed, c.room);
            places += (listed > 0 ? "; " : "") + text(place);
            const PixelRect frame{place.left, place.top, place.width + 2, place.height + 26};
            EXPECT_TRUE(!c.room || keepInside(frame, screen.area) == frame) << text(place) << " sticks out";
        }
        EXPECT_EQ(places, c.places);
    }
    EXPECT_EQ(text(keepInside({100, 100, 300, 200}, screen.area)), "100,100 300x200");
    EXPECT_EQ(text(keepInside({1100, 900, 300, 200}, screen.area)), "980,800 300x200");
    EXPECT_EQ(text(keepInside({-40, 0, 300, 200}, screen.area)), "0,24 300x200");
    EXPECT_EQ(text(keepInside({500, 500, 1400, 1100}, screen.area)), "0,24 1400x1100");
}

// Each popup of a crowd (its first 1, 3, 20) is placed, fitted to the free
// area, and takes the picture's aspect once its first picture came.
TEST(PopupPlacement, ACrowdOfPopupsFitsSmallAndLargeScreens) {
    const PopupFrameExtra header{0, kPopupHeaderHeight};
    for (const PixelSize screen : {PixelSize{800, 600}, PixelSize{1024, 600}, PixelSize{1600, 1000}}) {
        const ScreenRoom room{{0, 0, screen.width, screen.height}, {2, 26}};
        const PixelSize most = largestPopupClient(room);
        for (const PixelRect stored : {PixelRect{100, 100, screen.width + 400, screen.height + 300},
                                       PixelRect{80, 40, 648, 552}, PixelRect{300, 200, 400, 300}}) {
            const Size ruled = popupSizeRule({stored.width, stored.height}, 4 / 3.0, header);
            const PixelRect first = popupOnScreen(stored, room);
            const Size shown = popupFitSize({first.width, first.height}, 4 / 3.0, header, most);
            // Places a title bar apart in the free area.
            const int places =
                ((screen.width - shown.width - 2) / 26 + 1) * ((screen.height - shown.height - 26) / 26 + 1);
            const PixelRect main{first.left, first.top, shown.width, shown.height};
            std::set<std::pair<int, int>> taken;
            for (int n = 0; n < 20; ++n) {
                const PixelRect at = n == 0 ? first : furtherPopupPlace(stored, main, n - 1, room);
                const Size size = popupFitSize({at.width, at.height}, 4 / 3.0, header, most);
                const PixelRect outer = keepInside({at.left, at.top, size.width + 2, size.height + 26}, room.area);
                SCOPED_TRACE(text(stored) + " on " + std::to_string(screen.width) + ", popup " + std::to_string(n));
                EXPECT_TRUE(outer.left + outer.width <= screen.width && outer.top + outer.height <= screen.height);
                EXPECT_NEAR(size.width, (size.height - kPopupHeaderHeight) * 4 / 3.0, 1.5);
                EXPECT_TRUE(n > 0 || size == ruled || ruled.width > most.width || ruled.height > most.height);
                EXPECT_TRUE(taken.insert({outer.left, outer.top}).second || n >= places);
            }
        }
    }
}

}  // namespace
