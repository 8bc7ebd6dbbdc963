#pragma once
// The black-picture test shared by the stream decoder and the device probe: a
// picture is black when fewer than 16 points of an 11-pixel grid are bright.
// The two callers stop the grid at different distances from the right and
// bottom edges.

#include "video/Jpeg.h"

namespace oculon::video {

// Grid margins: the grid runs while x < width - margin (and the same for y).
inline constexpr int kStreamGridMargin = 1;
inline constexpr int kPreviewGridMargin = 12;
inline constexpr int kGridStep = 11;
inline constexpr int kMinBrightSamples = 16;

// Dark when all three channels are below `threshold`, or their sum is below
// twice it. The rule treats the channels alike, so their order does not matter.
inline bool isDark(int c0, int c1, int c2, int threshold) {
    return (c0 < threshold && c1 < threshold && c2 < threshold) || c0 + c1 + c2 < 2 * threshold;
}

// Number of grid samples that are not dark.
int brightSamples(const ImageView& picture, int threshold, int margin);

inline bool isBlackPicture(const ImageView& picture, int threshold, int margin) {
    return brightSamples(picture, threshold, margin) < kMinBrightSamples;
}

}  // namespace oculon::video
