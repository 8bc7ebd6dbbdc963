#pragma once
// Where live-video popups go on the screen. A popup fits the screen's free
// area, frame and buttons included, whatever size was stored. Further popups
// cascade from the main popup, half a popup lower and further right per
// step; where the next step would leave the free area, the cascade starts
// again from its top left corner, each new round a title bar further on, so
// that no popup lies exactly over another while the area has room for one
// more place. Only when every place is taken do they pile up again, each
// still with its title bar on the screen.

#include <optional>

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

// The place and client size of a further popup: `stored` is the main popup
// as stored (its frame's place and its client size), `shown` the main popup
// as it shows now (none while it is hidden), `listed` the number of further
// popups open before this one. Without `room` (the screen is unknown) the
// plain cascade from `stored`.
PixelRect furtherPopupPlace(const PixelRect& stored, const std::optional<PixelRect>& shown, int listed,
                            const std::optional<ScreenRoom>& room);

// Where the frame `outer` goes to lie inside `area`, moved as little as
// possible; one larger than the area keeps to its top left corner.
PixelRect keepInside(const PixelRect& outer, const PixelRect& area);

}  // namespace oculon::video
