// Where popups go: a further popup takes a free place among those open,
// where it hides no title bar, header row and door buttons, and moves to
// one once the others have settled; a frame that sticks out, moved in as
// little as possible; and a crowd of popups on small, scaled, portrait and
// large screens.

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

// Whether a frame `outer` hides a title bar, the header row with the
// station's name or the door buttons of one of the `open` popups (each its
// frame's corner and its client size).
bool hidesAny(const PixelRect& outer, const std::vector<PixelRect>& open, PixelSize frame) {
    const int title = frame.height - frame.width / 2;
    return std::ranges::any_of(open, [&](const PixelRect& p) {
        const PixelRect door{p.left + frame.width / 2 + p.width - kPopupDoorCorner.width,
                             p.top + title + p.height - kPopupDoorCorner.height, kPopupDoorCorner.width,
                             kPopupDoorCorner.height};
        return meet(outer, {p.left, p.top, p.width + frame.width, title + kPopupHeaderHeight}) || meet(outer, door);
    });
}

TEST(PopupPlacement, AFurtherPopupTakesAFreePlace) {
    // A 1280 x 1000 screen whose panel takes the top 24 pixels; the frame
    // adds 2 x 26 pixels to each popup.
    const ScreenRoom screen{{0, 24, 1280, 976}, {2, 26}};
    const ScreenRoom wide{{0, 0, 1920, 1040}, {8, 32}};
    struct Case {
        PixelRect stored;
        OpenPopups open;
        std::optional<ScreenRoom> room;
        std::string place;
    };
    static const std::vector<Case> cases = {
        // An unknown screen: the cascade's first step no popup stands on.
        {{82, 80, 676, 552}, {{}, {{420, 356, 676, 552}}}, std::nullopt, "758,632 676x552"},
        {{82, 80, 676, 552}, {{}, {{758, 632, 676, 552}}}, std::nullopt, "420,356 676x552"},
        // The half-popup step; two, clear of its door buttons, while it shows.
        {{0, 24, 400, 300}, {{}, {}}, screen, "201,187 400x300"},
        {{0, 24, 400, 300}, {{{0, 24, 400, 300}}, {}}, screen, "402,350 400x300"},
        // Beside the main popup, then, a little smaller, beside that one.
        {{80, 40, 640, 525}, {{{80, 40, 640, 525}}, {}}, wide, "728,40 640x525"},
        {{80, 40, 640, 525}, {{{80, 40, 640, 525}}, {{728, 40, 640, 525}}}, wide, "1380,40 512x429"},
        // The place a closed popup left is taken again.
        {{80, 40, 320, 285}, {{{80, 40, 320, 285}}, {{736, 676, 320, 285}}}, wide, "408,358 320x285"},
        // Small screens: down to half the picture beside it, else over its
        // picture, below its header.
        {{80, 40, 604, 498}, {{{80, 40, 604, 498}}, {}}, ScreenRoom{{0, 0, 1024, 600}, {8, 32}}, "700,40 302x271"},
        {{122, 20, 600, 450}, {{{122, 20, 600, 450}}, {}}, ScreenRoom{{0, 0, 910, 512}, {8, 32}}, "0,93 480x369"},
        // A main popup stored outside the area: into it.
        {{-500, 900, 400, 300}, {{}, {}}, screen, "0,185 400x300"},
        // A popup larger than the area is made to fit it.
        {{0, 0, 1600, 1200}, {{}, {}}, screen, "0,24 1278x950"},
    };
    for (const auto& c : cases) {
        const PixelRect place = furtherPopupPlace(c.stored, c.open, c.room);
        EXPECT_EQ(text(place), c.place) << text(c.stored);
        if (!c.room) continue;
        const PixelRect frame{place.left, place.top, place.width + c.room->frame.width,
                              place.height + c.room->frame.height};
        EXPECT_EQ(keepInside(frame, c.room->area), frame) << text(place) << " sticks out";
    }
    EXPECT_EQ(text(keepInside({100, 100, 300, 200}, screen.area)), "100,100 300x200");
    EXPECT_EQ(text(keepInside({1100, 900, 300, 200}, screen.area)), "980,800 300x200");
    EXPECT_EQ(text(keepInside({-40, 0, 300, 200}, screen.area)), "0,24 300x200");
    EXPECT_EQ(text(keepInside({500, 500, 1400, 1100}, screen.area)), "0,24 1400x1100");
}

// A further popup placed while the main popup was not yet framed, where
// the main one did not come to stand: once that has settled, it moves to a
// free place; one that hides nothing, or that would find no free place,
// stays.
TEST(PopupPlacement, AFurtherPopupMovesOnceTheOthersHaveSettled) {
    // 1024 x 600 less the menu window at the bottom, a frame of 2 x 25.
    const ScreenRoom small{{0, 0, 1024, 521}, {2, 25}};
    const PixelRect stored{80, 40, 648, 552};
    struct Case {
        PixelRect popup;
        OpenPopups others;
        ScreenRoom room;
        std::string place;  // "stays" where it does not move
    };
    static const std::vector<Case> cases = {
        // Placed beside a main popup guessed at 80,16 with a frame of 8 x 32;
        // it came to stand at 80,5, under the further one's title bar.
        {{0, 15, 583, 446}, {{{80, 5, 595, 491}}, {}}, small, "677,5 327x290"},
        {{677, 5, 327, 290}, {{{80, 5, 595, 491}}, {}}, small, "stays"},
        // Over the picture only, below the header and clear of the door buttons.
        {{0, 80, 480, 369}, {{{80, 5, 595, 491}}, {}}, small, "stays"},
        // Over another further popup's name: over the main one's picture then.
        {{700, 30, 297, 268}, {{{80, 5, 595, 491}}, {{{677, 5, 327, 290}}}}, small, "0,74 476x401"},
        // A popup as large as the free area: no place is free.
        {{0, 0, 398, 175}, {{{0, 0, 398, 175}}, {}}, ScreenRoom{{0, 0, 400, 200}, {2, 25}}, "stays"},
    };
    for (const auto& c : cases) {
        const std::optional<PixelRect> moved = furtherPopupMove(c.popup, stored, c.others, c.room);
        EXPECT_EQ(moved ? text(*moved) : "stays", c.place) << text(c.popup);
        if (!moved) continue;
        std::vector<PixelRect> open = c.others.further;
        open.push_back(*c.others.main);
        EXPECT_FALSE(hidesAny({moved->left, moved->top, moved->width + 2, moved->height + 25}, open, c.room.frame));
    }
}

// Whether a frame of `size` has a place in `area` where it hides nothing of
// `open`, tried pixel by pixel.
bool freePlaceIn(const PixelRect& area, PixelSize size, const std::vector<PixelRect>& open, PixelSize frame) {
    for (int top = area.top; top + size.height <= area.top + area.height; ++top)
        for (int left = area.left; left + size.width <= area.left + area.width; ++left)
            if (!hidesAny({left, top, size.width, size.height}, open, frame)) return true;
    return false;
}

// Each popup of a crowd (its first 1, 3, 20) is placed, fitted to the free
// area, and takes the picture's aspect once its first picture came.
// The first three hide no title bar or door buttons where a place is free.
TEST(PopupPlacement, ACrowdOfPopupsFitsSmallAndLargeScreens) {
    const PopupFrameExtra header{0, kPopupHeaderHeight};
    // Small, 1366 x 768 at scale 1.5, 1920 x 1080 at scale 2, portrait, large.
    for (const PixelSize screen : {PixelSize{800, 600}, PixelSize{1024, 600}, PixelSize{910, 512}, PixelSize{960, 540},
                                   PixelSize{768, 1366}, PixelSize{1600, 1000}}) {
        const ScreenRoom room{{0, 0, screen.width, screen.height}, {2, 26}};
        const PixelSize most = largestPopupClient(room);
        for (const PixelRect stored : {PixelRect{100, 100, screen.width + 400, screen.height + 300},
                                       PixelRect{80, 40, 648, 552}, PixelRect{300, 200, 400, 300}}) {
            const Size ruled = popupSizeRule({stored.width, stored.height}, 4 / 3.0, header);
            const PixelRect first = popupOnScreen(stored, room);
            const Size shown = popupFitSize({first.width, first.height}, 4 / 3.0, header, most);
            // Places a title bar apart in the free area.
            const int places =
                ((screen.width - shown.width - 2) / 24 + 1) * ((screen.height - shown.height - 26) / 24 + 1);
            std::vector<PixelRect> open{{first.left, first.top, shown.width, shown.height}};
            std::set<std::pair<int, int>> taken;
            for (int n = 0; n < 20; ++n) {
                const PixelRect at =
                    n == 0 ? first : furtherPopupPlace(stored, {open[0], {open.begin() + 1, open.end()}}, room);
                const Size size = popupFitSize({at.width, at.height}, 4 / 3.0, header, most);
                const PixelRect outer = keepInside({at.left, at.top, size.width + 2, size.height + 26}, room.area);
                SCOPED_TRACE(text(stored) + " on " + std::to_string(screen.width) + ", popup " + std::to_string(n));
                EXPECT_TRUE(outer.left + outer.width <= screen.width && outer.top + outer.height <= screen.height);
                EXPECT_NEAR(size.width, (size.height - kPopupHeaderHeight) * 4 / 3.0, 1.5);
                EXPECT_TRUE(n > 0 || size == ruled || ruled.width > most.width || ruled.height > most.height);
                EXPECT_TRUE(taken.insert({outer.left, outer.top}).second || n >= places);
                const PixelSize outerSize{at.width + 2, at.height + 26};
                const bool hides =
                    n > 0 && n <= 3 && hidesAny({at.left, at.top, outerSize.width, outerSize.height}, open, room.frame);
                EXPECT_FALSE(hides && freePlaceIn(room.area, outerSize, open, room.frame));
                if (n > 0) open.push_back({outer.left, outer.top, size.width, size.height});
            }
        }
    }
}

}  // namespace
