#pragma once
// Camera-like JPEG pictures for the decoding benchmarks, painted pixel by
// pixel, so that their entropy data costs what a camera's does.

#include <cstdint>
#include <vector>

#include "video/Jpeg.h"

namespace oculon::bench {

// A 32-bit BGRX picture whose pixels `paint(x, y, pixel)` sets, row after
// row from the top, encoded at `quality`.
template <typename Paint>
std::vector<std::uint8_t> paintedJpeg(int width, int height, int quality, Paint paint) {
    video::Image image;
    image.reshape(width, height, video::PixelFormat::Bgrx32);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* pixel = image.row(y);
        for (int x = 0; x < width; ++x, pixel += 4) paint(x, y, pixel);
    }
    return video::encodeJpeg(video::viewOf(image), quality);
}

}  // namespace oculon::bench
