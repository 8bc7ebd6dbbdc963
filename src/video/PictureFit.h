#pragma once
// Where a decoded picture goes in the control that shows it, and the
// decoder thread's share of getting it there. A stream decoder decodes at
// the smallest of the library's scales that still covers the region shown
// (decodeScaleFor), then paints the control's bitmap from it (fitPicture),
// which the main thread takes over without scaling or copying; a picture
// that only needs a few pixels cut is handed over itself (fitPictureInPlace).

#include "video/Jpeg.h"
#include "video/PictureSink.h"

namespace oculon::video {

// The picture's place in a control of `control` size. Outside wall mode the
// picture fills the control; in wall mode (`letterbox`) it keeps its aspect,
// centred on white. `cropPercent` (type 8) cuts that share of the width from
// the left and from the right.
PictureFrame layoutPicture(const Image& picture, PixelSize control, bool letterbox, int cropPercent);
// Width over height of what layoutPicture shows.
double pictureAspect(int width, int height, int cropPercent);

// The largest of 1, 2, 4 and 8 by which a picture of width x height can be
// decoded smaller while the region layoutPicture shows of it still has at
// least the pixels of its place in `control`. 1 for an empty control.
int decodeScaleFor(int width, int height, PixelSize control, bool letterbox, int cropPercent);

// Paints the frame as the control would, into `bitmap` of the control's
// size (its buffer reused): the source region scaled to the target with the
// primitives' linear resize, white around it when the frame asks for that.
// A region that exceeds the target by at most 1/64 of it per side (as a
// scaled decode rounds up) is not resampled but centred on the target and
// cut to it. The frame then shows all of `bitmap` and
// hands it over. False, the frame unchanged, for a picture that is not
// Bgrx32, an empty region, or a target that is empty, leaves the control or
// leaves part of it to the control's old contents.
bool fitPicture(PictureFrame& frame, PixelSize control, Image& bitmap);
// As fitPicture for a region that is only cut, without copying it: when the
// control's window around the region's place lies inside `picture` (the
// frame's picture), its bars are painted white in `picture` itself, and the
// frame shows that window and hands `picture` over. Pixels of `picture`
// outside the region shown may be whitened. False, the frame unchanged, when
// the region is resampled or the window leaves the picture.
bool fitPictureInPlace(PictureFrame& frame, PixelSize control, Image& picture);

}  // namespace oculon::video
