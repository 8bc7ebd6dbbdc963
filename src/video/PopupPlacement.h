#pragma once
// Where live-video popups go on the screen. A popup fits the screen's free
// area, frame and buttons included, whatever size was stored. A further
// popup takes a free place among the popups open now: one where it covers
// no other popup's title bar, header row (the station's name) or door
// buttons, nor another popup its own. It looks first on the grid of
// half popups around the main popup (half a popup lower and further right
// is the first step there, where that is free), then on a finer grid, a
// title bar apart, over the whole free area, and of the free places takes
// the one that covers least of the others. Only where no place is free does
// it hide the least it can: never a whole popup, rather a title bar than
// door buttons.

#include <optional>
#include <vector>

#include "video/PictureSink.h"

namespace oculon::video {

struct ScreenRoom {
    PixelRect area;   // the screen without its panels
    PixelSize frame;  // what the window manager's frame adds to a window
};

// What a window manager's frame adds before one was seen: a generous guess,
// so that a first popup rather keeps a few pixels free than loses its
// buttons below the screen's edge.
inline constexpr PixelSize kFrameGuess{8, 32};

// The largest client area a popup can have in `room`.
PixelSize largestPopupClient(const ScreenRoom& room);

// `popup` (its frame's top left corner and its client size) as it shows in
// `room`: a client too large for the free area is made smaller (the picture's
// aspect is the size rule's business), and the frame moved into the area as
// little as possible.
PixelRect popupOnScreen(const PixelRect& popup, const ScreenRoom& room);

// The popups on the screen now, each as its frame's top left corner and its
// client size.
struct OpenPopups {
    std::optional<PixelRect> main;  // none while it is hidden
    std::vector<PixelRect> further;
};

// The place and client size of a new further popup: `stored` is the main
// popup as stored (its frame's place and its client size); a further popup
// has the size of the main popup as it shows, else the stored one. Without `room`
// (the screen is unknown) the first step of the cascade from `stored`, half
// a popup lower and further right per step, that no open popup stands on.
PixelRect furtherPopupPlace(const PixelRect& stored, const OpenPopups& open, const std::optional<ScreenRoom>& room);

// Where the further popup `popup` goes now that the `others` stand where
// they do (the main popup framed, one moved by the window manager or
// brought back onto a screen): none where it hides nothing of them, nor
// where no free place is left; else the place `furtherPopupPlace` finds.
std::optional<PixelRect> furtherPopupMove(const PixelRect& popup, const PixelRect& stored, const OpenPopups& others,
                                          const ScreenRoom& room);

// Where the frame `outer` goes to lie inside `area`, moved as little as
// possible; one larger than the area keeps to its top left corner.
PixelRect keepInside(const PixelRect& outer, const PixelRect& area);

}  // namespace oculon::video
