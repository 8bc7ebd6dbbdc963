#pragma once
// The preview of a probed device for the settings dialog's lists: the
// picture stretched to the target width (keeping its aspect ratio, cut at the
// bottom of the square), optionally cropped at the sides first, with a check
// mark for a configured device and a plus for one behind a gateway.

#include "video/Jpeg.h"

namespace oculon::devices {

// `picture` in any layout; the result is Bgrx32, targetWidth wide and as
// high as the stretched picture, at most targetWidth (so a black picture
// keeps its shape; no band stands for where the picture does not reach).
// Without a picture it is the black square. `cropPercent` >= 1 first takes
// that share of the width off each side.
video::Image makeThumbnail(const video::Image& picture, int targetWidth, int cropPercent);

// The check mark at (1, 1) and, with `plus`, the plus at (19, 1), clipped to
// the thumbnail.
void drawMarks(video::Image& thumbnail, bool plus);

}  // namespace oculon::devices
