#pragma once
// Where live-video popups go on the screen. Further popups cascade from the
// main popup, half a popup lower and further right per step; a step that
// would leave the screen's free area starts the cascade again from its top
// left corner, so that every popup's buttons stay within reach.

#include <optional>

#include "video/PictureSink.h"

namespace oculon::video {

struct ScreenRoom {
    PixelRect area;   // the screen without its panels
    PixelSize frame;  // what the window manager's frame adds to a window
};

// The place and client size of a further popup: `main` is the stored main
// popup (its client size), `listed` the number of further popups open before
// this one. A popup larger than the area is made to fit it. Without `room`
// (the screen is unknown) the plain cascade.
PixelRect furtherPopupPlace(const PixelRect& main, int listed, const std::optional<ScreenRoom>& room);

// Where the frame `outer` goes to lie inside `area`, moved as little as
// possible; one larger than the area keeps to its top left corner.
PixelRect keepInside(const PixelRect& outer, const PixelRect& area);

}  // namespace oculon::video
