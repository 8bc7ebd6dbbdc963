// Where popups go: a further popup takes a free place among the popups open
// now, where it hides no title bar and no door buttons, the half-popup step
// first, rather smaller beside the others than over them; a frame that
// sticks out, moved in as little as possible; and a crowd of popups on
// small, scaled, portrait and large screens.

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

bool meet(const PixelRect& a, const PixelRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// What of `open` (its frame's corner, its client size) a frame `outer` hides:
// "title", "door", both or nothing.
std::string hides(const PixelRect& outer, const PixelRect& open, PixelSize frame) {
    const int title = frame.height - frame.width / 2;
    const PixelRect bar{open.left, open.top, open.width + frame.width, title};
    const PixelRect door{open.left + frame.width / 2 + open.width - kPopupDoorCorner.width,
                         open.top + title + open.height - kPopupDoorCorner.height, kPopupDoorCorner.width,
                         kPopupDoorCorner.height};
    return std::string(meet(outer, bar) ? "title" : "") + (meet(outer, door) ? "door" : "");
}

PixelRect outerOf(const PixelRect& p, PixelSize frame) {
    return {p.left, p.top, p.width + frame.width, p.height + frame.height};
}

TEST(PopupPlacement, AFurtherPopupTakesAFreePlace) {
    // A 1280 x 1000 screen whose panel takes the top 24 pixels; the frame
    // adds 2 x 26 pixels to each popup.
    const ScreenRoom screen{{0, 24, 1280, 976}, {2, 26}};
    const ScreenRoom wide{{0, 0, 1920, 1040}, {8, 32}};
    const ScreenRoom portrait{{0, 0, 768, 1366}, {8, 32}};
    struct Case {
        PixelRect stored;
        OpenPopups open;
        std::optional<ScreenRoom> room;
        std::string place;
        std::string hidden;  // what it hides of the open popups
    };
    static const std::vector<Case> cases = {
        // An unknown screen: the cascade's first step no popup stands on,
        // also the one a closed popup left.
        {{82, 80, 676, 552}, {{{82, 80, 676, 552}}, {}}, std::nullopt, "420,356 676x552", ""},
        {{82, 80, 676, 552}, {{}, {{420, 356, 676, 552}}}, std::nullopt, "758,632 676x552", ""},
        {{82, 80, 676, 552}, {{}, {{758, 632, 676, 552}}}, std::nullopt, "420,356 676x552", ""},
        // Small popups: the half-popup step where it is free, the main popup
        // hidden; while it shows, two steps, which clear its door buttons.
        {{0, 24, 400, 300}, {{}, {}}, screen, "201,187 400x300", ""},
        {{0, 24, 400, 300}, {{{0, 24, 400, 300}}, {}}, screen, "402,350 400x300", ""},
        // A wide screen: beside the main popup, then, a little smaller,
        // beside that one.
        {{80, 40, 640, 525}, {{{80, 40, 640, 525}}, {}}, wide, "728,40 640x525", ""},
        {{80, 40, 640, 525}, {{{80, 40, 640, 525}}, {{728, 40, 640, 525}}}, wide, "1380,40 512x429", "-"},
        // The place a closed popup left is taken again, not one on another.
        {{80, 40, 320, 285}, {{{80, 40, 320, 285}}, {{736, 676, 320, 285}}}, wide, "408,358 320x285", "-"},
        // A portrait screen: below the main popup.
        {{81, 60, 640, 525}, {{{81, 60, 640, 525}}, {}}, portrait, "81,618 640x525", ""},
        // Small screens: a popup down to half the picture beside the main
        // one, else over its picture, below its title bar, beside its door
        // buttons.
        {{80, 40, 604, 498}, {{{80, 40, 604, 498}}, {}}, ScreenRoom{{0, 0, 1024, 600}, {8, 32}}, "700,40 302x271", ""},
        {{122, 20, 600, 450}, {{{122, 20, 600, 450}}, {}}, ScreenRoom{{0, 0, 910, 512}, {8, 32}}, "0,48 570x429", ""},
        // A popup larger than the area is made to fit it.
        {{0, 0, 1600, 1200}, {{}, {}}, screen, "0,24 1278x950", ""},
    };
    for (const auto& c : cases) {
        const PixelRect place = furtherPopupPlace(c.stored, c.open, c.room);
        EXPECT_EQ(text(place), c.place) << text(c.stored);
        if (!c.room) continue;
        const PixelRect frame = outerOf(place, c.room->frame);
        EXPECT_EQ(keepInside(frame, c.room->area), frame) << text(place) << " sticks out";
        std::string hidden = c.open.main ? hides(frame, *c.open.main, c.room->frame) : "";
        for (const PixelRect& p : c.open.further) hidden += "-" + hides(frame, p, c.room->frame);
        EXPECT_EQ(hidden, c.hidden) << text(place);
    }
    EXPECT_EQ(text(keepInside({100, 100, 300, 200}, screen.area)), "100,100 300x200");
    EXPECT_EQ(text(keepInside({1100, 900, 300, 200}, screen.area)), "980,800 300x200");
    EXPECT_EQ(text(keepInside({-40, 0, 300, 200}, screen.area)), "0,24 300x200");
    EXPECT_EQ(text(keepInside({500, 500, 1400, 1100}, screen.area)), "0,24 1400x1100");
}

// Whether a frame of `size` has a place in `area` where it hides nothing of
// `open`, tried pixel by pixel.
bool freePlaceIn(const PixelRect& area, PixelSize size, const std::vector<PixelRect>& open, PixelSize frame) {
    for (int top = area.top; top + size.height <= area.top + area.height; ++top)
        for (int left = area.left; left + size.width <= area.left + area.width; ++left)
            if (std::ranges::all_of(open, [&](const PixelRect& p) {
                    return hides({left, top, size.width, size.height}, p, frame).empty();
                }))
                return true;
    return false;
}

// Each popup of a crowd (its first 1, 3, 20) is placed, fitted to the free
// area, and takes the picture's aspect once its first picture came; of the
// first three callers' popups none hides another's title bar or door
// buttons where the screen has a place that hides nothing.
TEST(PopupPlacement, ACrowdOfPopupsFitsSmallScaledPortraitAndLargeScreens) {
    const PopupFrameExtra header{0, kPopupHeaderHeight};
    const PixelSize frame{2, 26};
    // Small, 1366 x 768 at scale 1.5, 1920 x 1080 at scale 2, portrait, large.
    for (const PixelSize screen : {PixelSize{800, 600}, PixelSize{1024, 600}, PixelSize{910, 512}, PixelSize{960, 540},
                                   PixelSize{768, 1366}, PixelSize{1600, 1000}}) {
        const ScreenRoom room{{0, 0, screen.width, screen.height}, frame};
        const PixelSize most = largestPopupClient(room);
        for (const PixelRect stored : {PixelRect{100, 100, screen.width + 400, screen.height + 300},
                                       PixelRect{80, 40, 648, 552}, PixelRect{300, 200, 400, 300}}) {
            const Size ruled = popupSizeRule({stored.width, stored.height}, 4 / 3.0, header);
            const PixelRect first = popupOnScreen(stored, room);
            const Size shown = popupFitSize({first.width, first.height}, 4 / 3.0, header, most);
            // Places a title bar apart in the free area.
            const int places =
                ((screen.width - shown.width - 2) / 24 + 1) * ((screen.height - shown.height - 26) / 24 + 1);
            OpenPopups open{PixelRect{first.left, first.top, shown.width, shown.height}, {}};
            std::set<std::pair<int, int>> taken;
            for (int n = 0; n < 20; ++n) {
                const PixelRect at = n == 0 ? first : furtherPopupPlace(stored, open, room);
                const Size size = popupFitSize({at.width, at.height}, 4 / 3.0, header, most);
                const PixelRect outer = keepInside({at.left, at.top, size.width + 2, size.height + 26}, room.area);
                SCOPED_TRACE(text(stored) + " on " + std::to_string(screen.width) + ", popup " + std::to_string(n));
                EXPECT_TRUE(outer.left + outer.width <= screen.width && outer.top + outer.height <= screen.height);
                EXPECT_NEAR(size.width, (size.height - kPopupHeaderHeight) * 4 / 3.0, 1.5);
                EXPECT_TRUE(n > 0 || size == ruled || ruled.width > most.width || ruled.height > most.height);
                EXPECT_TRUE(taken.insert({outer.left, outer.top}).second || n >= places);
                if (n == 0) continue;
                std::vector<PixelRect> shownNow = open.further;
                shownNow.push_back(*open.main);
                const bool hidesSome = std::ranges::any_of(
                    shownNow, [&](const PixelRect& p) { return !hides(outerOf(at, frame), p, frame).empty(); });
                if (n <= 3 && hidesSome) {
                    EXPECT_FALSE(freePlaceIn(room.area, {at.width + 2, at.height + 26}, shownNow, frame));
                }
                open.further.push_back({outer.left, outer.top, size.width, size.height});
            }
        }
    }
}

}  // namespace
