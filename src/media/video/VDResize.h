#pragma once
// Scaling frames to another width and height with linear interpolation.

#include <cstdint>

#include "media/video/VDSimpleImageBuffer.h"

namespace oculon::mediavideo {

// The source itself when it already has that size (no copy); otherwise a
// new frame of that size with the source's time data, key-frame flag and
// format (RGB24 for the formats the resize cannot take: YUV and 16-bit
// RGB). A source of such a format is itself converted to RGB24 (see
// VDSubResizeBuffer).
IVDImageBuffer VDResizeBuffer(const IVDImageBuffer& source, std::uint32_t width, std::uint32_t height);

// Scales the whole source into the whole destination, which must be of the
// format the source's resize works in (RGBA32, GrayScale, Gray16, or RGB24
// for every other). A source of another format is converted to RGB24 first:
// the caller's frame object gets a new store, while other owners of the old
// store keep it unchanged.
void VDSubResizeBuffer(const IVDImageBuffer& source, TVDImageBuffer& destination);

}  // namespace oculon::mediavideo
