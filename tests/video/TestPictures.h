#pragma once
// Pictures for the video tests, made at test time with our encoder: one
// colour all over, or colour bars over a grey ramp (plainly not black, and
// moved by `shift` so that successive pictures differ).

#include <cstdlib>
#include <string>

#include "video/Jpeg.h"

namespace oculon::video::test {

struct Rgb {
    int r, g, b;
};
inline constexpr Rgb kRed{220, 30, 30}, kGreen{30, 220, 30}, kBlue{30, 30, 220}, kWhite{230, 230, 230},
    kGrey{120, 120, 120}, kBlack{0, 0, 0};

inline bool near(Rgb a, Rgb b, int tolerance = 12) {
    return std::abs(a.r - b.r) < tolerance && std::abs(a.g - b.g) < tolerance && std::abs(a.b - b.b) < tolerance;
}

template <typename PixelOf>
std::string jpegWith(int width, int height, PixelOf pixelOf) {
    Image image;
    image.reshape(width, height, PixelFormat::Bgrx32);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = image.row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            const Rgb c = pixelOf(x, y);
            p[0] = static_cast<std::uint8_t>(c.b);
            p[1] = static_cast<std::uint8_t>(c.g);
            p[2] = static_cast<std::uint8_t>(c.r);
            p[3] = 0xFF;
        }
    }
    const auto bytes = encodeJpeg(viewOf(image), 90);
    return {bytes.begin(), bytes.end()};
}

inline std::string jpegOf(Rgb colour, int width = 64, int height = 48) {
    return jpegWith(width, height, [colour](int, int) { return colour; });
}

inline std::string barsJpeg(int width, int height, int shift = 0) {
    static const Rgb bars[8] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                                {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};
    return jpegWith(width, height, [&](int x, int y) {
        const int v = x * 255 / std::max(1, width - 1);
        return y > height * 3 / 4 ? Rgb{v, v, v} : bars[((x + shift) * 8 / width) % 8];
    });
}

}  // namespace oculon::video::test
