#pragma once
// The pixel formats of video frames, and the colour value of per-pixel
// access. The numbering is part of every start-frame operation and pin, so
// it never changes; a value past the last one stands for 24-bit RGB.

#include <cstdint>

namespace oculon::mediavideo {

enum class TVDVideoFormat : std::uint8_t {
    vfRGB24 = 0,      // B, G, R bytes
    vfRGBA32 = 1,     // B, G, R, A bytes
    vfYUY2 = 2,       // packed 4:2:2, Y0 U Y1 V
    vfUYVY = 3,       // packed 4:2:2, U Y0 V Y1
    vfYV12 = 4,       // planar 4:2:0
    vfIYUV = 5,       // planar 4:2:0, chroma planes exchanged
    vfRGB565 = 6,     // 16-bit words, blue in bits 0-4
    vfRGB555 = 7,     // 16-bit words, blue in bits 0-4, bit 15 clear
    vfGrayScale = 8,  // one byte
    vfGray16 = 9,     // one 16-bit sample, 65535 white
};

inline constexpr int kVDFormatCount = 10;

// The format whose store holds a frame of `format`: itself, or vfRGB24 for a
// value past the last format.
constexpr TVDVideoFormat VDStoreFormat(TVDVideoFormat format) {
    return static_cast<int>(format) < kVDFormatCount ? format : TVDVideoFormat::vfRGB24;
}

constexpr TVDVideoFormat VDFormatAt(int index) { return static_cast<TVDVideoFormat>(index); }
constexpr int VDFormatIndex(TVDVideoFormat format) { return static_cast<int>(VDStoreFormat(format)); }

// "RGB24", "YUY2", ... for messages and test names.
const char* VDFormatName(TVDVideoFormat format);

// A colour of per-pixel access: R | G << 8 | B << 16, bits 24-31 zero.
using TColor = std::uint32_t;

constexpr TColor VDColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return TColor{red} | TColor{green} << 8 | TColor{blue} << 16;
}
constexpr std::uint8_t VDColorRed(TColor c) { return static_cast<std::uint8_t>(c); }
constexpr std::uint8_t VDColorGreen(TColor c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t VDColorBlue(TColor c) { return static_cast<std::uint8_t>(c >> 16); }
constexpr TColor VDGreyColor(std::uint8_t value) { return VDColor(value, value, value); }

}  // namespace oculon::mediavideo
