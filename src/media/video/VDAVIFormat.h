#pragma once
// What the AVI writer derives from a stream start: the stream header's time
// scale and rate, the compressor's key-frame interval and data rate, the
// colour depth and bitmap layout of the stored frames, and the frame's rows
// turned bottom-up as a device-independent bitmap holds them.

#include <cstdint>

#include "media/video/VDSimpleImageBuffer.h"
#include "platform/VideoCompressors.h"

namespace oculon::mediavideo {

enum class TVDColorBits : std::uint8_t { cbAuto = 0, cb8 = 1, cb16_555 = 2, cb16_565 = 3, cb24 = 4, cb32 = 5 };

// The stream header of a video stream: frames per second = Rate / Scale.
struct TVDAVIVideoHeader {
    static constexpr std::uint32_t kScale = 10000;
    // The shortest frame delay whose rate still fits the header's 32 bits
    // (about 212,766 frames per second); shorter ones are taken as this.
    static constexpr std::int64_t kMinFrameDelay = 47;

    std::uint32_t Scale = kScale;
    std::uint32_t Rate = 0;
    // Frames from one key frame to the next: the rate, as the compressor is told.
    std::uint32_t KeyFrameEvery = 0;
    // The uncompressed 24-bit data rate, held to 32 bits.
    std::uint32_t BytesPerSecond = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// For frames of that size `frameDelay` apart (100-ns units; the low 32 bits
// count): Rate = 10000 x 10^7 / frameDelay, rounded.
TVDAVIVideoHeader VDAVIVideoHeader(std::int32_t width, std::int32_t height, std::int64_t frameDelay);

// cbAuto follows the stream's format: grey 8 bits, RGBA32 32 bits, the
// 16-bit formats their layouts, everything else 24 bits.
TVDColorBits VDRunningColorBits(TVDColorBits chosen, TVDVideoFormat streamFormat);
// The frame format whose pixels are stored at that depth.
TVDVideoFormat VDColorBitsFormat(TVDColorBits bits);
platform::BitmapLayout VDColorBitsLayout(TVDColorBits bits);
// Bytes of one stored row: width x bytes per pixel, rounded up to 4.
std::uint32_t VDBitmapRowSize(std::uint32_t width, TVDColorBits bits);
// Bytes of a whole stored frame, counted so that no size wraps.
std::uint64_t VDBitmapFrameSize(std::uint32_t width, std::uint32_t height, TVDColorBits bits);

// Copies `frame` (already of that depth's format and of the bitmap's size)
// into `rows`, bottom row first, `rowSize` bytes from one row to the next.
void VDMirrorToBitmap(const TVDImageBuffer& frame, TVDColorBits bits, std::uint8_t* rows, std::uint32_t rowSize);

}  // namespace oculon::mediavideo
