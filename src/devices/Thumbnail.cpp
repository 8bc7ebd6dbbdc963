#include "devices/Thumbnail.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace oculon::devices {

namespace {

// A source rectangle of the picture, after the crop.
struct Region {
    int x = 0;
    int width = 0;
    int height = 0;
};

// Average of the picture's pixels in [x0, x1) x [y0, y1), as B, G, R.
std::array<int, 3> average(const video::Image& p, int x0, int x1, int y0, int y1) {
    const int bpp = video::bytesPerPixel(p.format);
    const bool rgb = p.format == video::PixelFormat::Rgb24;
    long sum[3] = {0, 0, 0};
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = p.row(y);
        for (int x = x0; x < x1; ++x) {
            const std::uint8_t* px = row + static_cast<std::size_t>(x) * bpp;
            sum[0] += rgb ? px[2] : px[0];
            sum[1] += px[1];
            sum[2] += rgb ? px[0] : px[2];
        }
    }
    const long n = static_cast<long>(x1 - x0) * (y1 - y0);
    return {static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n)};
}

void setPixel(video::Image& image, int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    std::uint8_t* px = image.row(y) + static_cast<std::size_t>(x) * 4;
    px[0] = b;
    px[1] = g;
    px[2] = r;
    px[3] = 0xFF;
}

// 16 x 16 marks: 'x' is the mark's colour, 'o' its dark outline, '.' lets the
// picture show through.
constexpr std::array<const char*, 16> kHaken = {
    "................", "..............oo", ".............oxo", "............oxxo",
    "...........oxxo.", "..........oxxo..", ".oo......oxxo...", "oxxo....oxxo....",
    "oxxxo..oxxo.....", ".oxxxooxxo......", "..oxxxxxo.......", "...oxxxo........",
    "....oxo.........", ".....o..........", "................", "................",
};
constexpr std::array<const char*, 16> kPlus = {
    "................", "......oooo......", "......oxxo......", "......oxxo......",
    "......oxxo......", "......oxxo......", ".oooooxxxxooooo.", ".oxxxxxxxxxxxxo.",
    ".oxxxxxxxxxxxxo.", ".oooooxxxxooooo.", "......oxxo......", "......oxxo......",
    "......oxxo......", "......oxxo......", "......oooo......", "................",
};

void drawMark(video::Image& image, const std::array<const char*, 16>& mark, int left, int top,
              std::array<std::uint8_t, 3> bgr) {
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const int tx = left + x, ty = top + y;
            if (tx >= image.width || ty >= image.height) continue;
            const char c = mark[static_cast<std::size_t>(y)][x];
            if (c == 'x') setPixel(image, tx, ty, bgr[0], bgr[1], bgr[2]);
            else if (c == 'o') setPixel(image, tx, ty, 0, 0, 0);
        }
    }
}

}  // namespace

video::Image makeThumbnail(const video::Image& picture, int targetWidth, int cropPercent) {
    video::Image out;
    if (picture.width <= 0 || picture.height <= 0 || targetWidth <= 0) {
        out.reshape(targetWidth, targetWidth, video::PixelFormat::Bgrx32);
        for (int y = 0; y < targetWidth; ++y)
            for (int x = 0; x < targetWidth; ++x) setPixel(out, x, y, 0, 0, 0);
        return out;
    }

    Region src{0, picture.width, picture.height};
    if (cropPercent >= 1) {
        const int r = static_cast<int>(static_cast<long long>(picture.width) * cropPercent / 100);
        // A reduction that would leave nothing is not applied.
        if (picture.width - 2 * r >= 1) src = {r, picture.width - 2 * r, picture.height};
    }
    // The height the stretched picture takes, rounded half to even; a row at
    // least.
    const double scale = static_cast<double>(src.width) / targetWidth;
    const int stretchedHeight = std::max(1, static_cast<int>(std::nearbyint(src.height / scale)));
    const int rows = std::min(stretchedHeight, targetWidth);
    out.reshape(targetWidth, rows, video::PixelFormat::Bgrx32);
    for (int dy = 0; dy < rows; ++dy) {
        const int y0 = static_cast<int>(static_cast<long long>(dy) * src.height / stretchedHeight);
        const int y1 =
            std::max(y0 + 1, static_cast<int>(static_cast<long long>(dy + 1) * src.height / stretchedHeight));
        for (int dx = 0; dx < targetWidth; ++dx) {
            const int x0 = static_cast<int>(static_cast<long long>(dx) * src.width / targetWidth);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(dx + 1) * src.width / targetWidth));
            const auto bgr =
                average(picture, src.x + x0, src.x + std::min(x1, src.width), y0, std::min(y1, src.height));
            setPixel(out, dx, dy, static_cast<std::uint8_t>(bgr[0]), static_cast<std::uint8_t>(bgr[1]),
                     static_cast<std::uint8_t>(bgr[2]));
        }
    }
    return out;
}

void drawMarks(video::Image& thumbnail, bool plus) {
    drawMark(thumbnail, kHaken, 1, 1, {0x20, 0xB0, 0x20});
    if (plus) drawMark(thumbnail, kPlus, 19, 1, {0xD0, 0x70, 0x20});
}

}  // namespace oculon::devices
