// Where popups go: the cascade from the main popup, and its new start in the
// top left corner of the screen's free area where the next step would leave
// it; a frame that sticks out, moved in as little as possible; and on small
// and large screens, whatever size is stored, every popup of a crowd fits the
// free area at its picture's aspect without piling up on another.

#include <gtest/gtest.h>

#include <algorithm>

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
        // One step fits, then each round from the corner holds two popups.
        // The next round starts a title bar further on.
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

// What the popups do on the screen: each shows where it is placed, fitted to
// the free area, and takes the picture's aspect once its first picture came;
// further popups cascade from the main popup as it shows by then.
TEST(PopupPlacement, ACrowdOfPopupsFitsSmallAndLargeScreens) {
    const PixelSize frame{2, 26};
    const double aspect = 4.0 / 3.0;  // a 640 x 480 camera
    const PopupFrameExtra header{0, kPopupHeaderHeight};
    for (const PixelSize screenSize : {PixelSize{800, 600}, PixelSize{1024, 600}, PixelSize{1600, 1000}}) {
        const ScreenRoom room{{0, 0, screenSize.width, screenSize.height}, frame};
        const PixelSize most = largestPopupClient(room);
        // Stored sizes above and below the screen's, and the default one.
        for (const PixelRect stored : {PixelRect{100, 100, screenSize.width + 400, screenSize.height + 300},
                                       PixelRect{80, 40, 648, 552}, PixelRect{300, 200, 400, 300}}) {
            const Size ruled = popupSizeRule({stored.width, stored.height}, aspect, header);
            const bool storedFits = ruled.width <= most.width && ruled.height <= most.height;
            const PixelRect first = popupOnScreen(stored, room);
            const Size shown = popupFitSize({first.width, first.height}, aspect, header, most);
            const PixelRect main{first.left, first.top, shown.width, shown.height};  // once its picture came
            // How many places a title bar apart the free area holds.
            const int places = ((screenSize.width - shown.width - frame.width) / frame.height + 1) *
                               ((screenSize.height - shown.height - frame.height) / frame.height + 1);
            for (const int count : {1, 3, 20}) {
                const std::string what = std::to_string(screenSize.width) + "x" + std::to_string(screenSize.height) +
                                         ", stored " + text(stored) + ", popup ";
                std::vector<std::pair<int, int>> taken;
                for (int n = 0; n < count; ++n) {
                    const PixelRect placed = n == 0 ? first : furtherPopupPlace(stored, main, n - 1, room);
                    const Size size = popupFitSize({placed.width, placed.height}, aspect, header, most);
                    const PixelRect outer = keepInside(
                        {placed.left, placed.top, size.width + frame.width, size.height + frame.height}, room.area);
                    SCOPED_TRACE(what + std::to_string(n) + " at " + text(outer));
                    // Title bar and buttons on the screen.
                    EXPECT_EQ(outer, keepInside(outer, room.area));
                    EXPECT_LE(outer.width, room.area.width);
                    EXPECT_LE(outer.height, room.area.height);
                    EXPECT_NEAR(size.width, (size.height - kPopupHeaderHeight) * aspect, 1.5);
                    if (storedFits && n == 0) {
                        EXPECT_EQ(size, ruled);
                    }
                    const bool onAnother = std::ranges::count(taken, std::pair{outer.left, outer.top}) > 0;
                    EXPECT_FALSE(onAnother && n < places);
                    taken.emplace_back(outer.left, outer.top);
                }
            }
        }
    }
    // 800 x 600 with 1200 x 900 stored: the main popup fills the height, the
    // free area has room for three more places beside it, then the cascade
    // goes round again.
    const ScreenRoom small{{0, 0, 800, 600}, frame};
    const PixelRect first = popupOnScreen({80, 40, 1200, 900}, small);
    const Size shown = popupFitSize({first.width, first.height}, aspect, header, largestPopupClient(small));
    std::vector<std::string> five{text(first)};
    for (int n = 0; n < 4; ++n)
        five.push_back(text(
            furtherPopupPlace({80, 40, 1200, 900}, {{first.left, first.top, shown.width, shown.height}}, n, small)));
    EXPECT_EQ(five, (std::vector<std::string>{"0,0 798x574", "26,0 705x574", "52,0 705x574", "78,0 705x574",
                                              "26,0 705x574"}));
}

}  // namespace
