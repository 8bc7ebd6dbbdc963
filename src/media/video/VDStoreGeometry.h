#pragma once
// How a frame of each pixel format lies in its pixel block: rows from the
// top down, each padded to the format's extended width; packed 4:2:2 rows of
// exactly two bytes per pixel; planar 4:2:0 as a luma plane followed by two
// chroma planes of half the extended width, one sample per 2 x 2 block.

#include <cstdint>

#include "media/video/VDVideoFormat.h"

namespace oculon::mediavideo {

struct TVDStoreGeometry {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    // The row length in pixels that the rows are laid out by: the width,
    // or the width rounded up to a multiple of 4 (RGB24, 4:2:2, 4:2:0).
    std::uint32_t ExtWidth = 0;
    // As the format reports it: 2 for the planar formats too, whose planes
    // hold one luma byte per pixel.
    std::uint32_t BytesPerPixel = 0;
    // Bytes from one row to the next (the luma rows of a planar format).
    std::uint32_t Step = 0;
    // Bytes of the pixel block.
    std::uint32_t Size = 0;
    // Planar formats only (0 for the others): where the second and third
    // planes start, their row step (ExtWidth / 2) and their rows: one per
    // two luma rows, an odd last luma row having a chroma row of its own.
    std::uint32_t ChromaOffset[2] = {0, 0};
    std::uint32_t ChromaStep = 0;
    std::uint32_t ChromaRows = 0;
    // 3 for the planar formats, 1 for the others.
    std::uint32_t PlaneCount = 1;

    bool Planar() const { return PlaneCount == 3; }
};

// The geometry of a width x height frame of `format` (a value past the last
// format as vfRGB24). Planar blocks are 2 x width x height bytes, or what
// their three planes need where that is more (narrow or odd-sized frames).
// Throws pins::EBufferTooLarge when the block or a row would exceed the
// largest pool block.
TVDStoreGeometry VDStoreGeometry(TVDVideoFormat format, std::uint32_t width, std::uint32_t height);

}  // namespace oculon::mediavideo
