// The one-pass conversion of blue-green-red pictures to the full-range 4:2:0
// planes of a JPEG picture, against the conversion's formulas in double
// precision, for both pixel sizes and for bottom-up rows.

#include "platform/FullRangeYuv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

using namespace oculon::platform;

namespace {

struct Planes {
    Planes(int width, int height)
        : width(width), y(std::size_t(width) * height), cb(std::size_t(width / 2) * (height / 2)), cr(cb.size()) {}
    Yuv420Planes view() { return {y.data(), width, cb.data(), width / 2, cr.data(), width / 2}; }
    int width;
    std::vector<std::uint8_t> y, cb, cr;
};

int rounded(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); }

// Converts a picture of `bpp` bytes a pixel, stored top-down or bottom-up,
// and checks every sample against the formulas: within 1 (fixed point).
void checkAgainstFormulas(int bpp, bool bottomUp) {
    constexpr int kWidth = 38, kHeight = 10;
    const int step = kWidth * bpp + 6;  // rows with padding
    std::vector<std::uint8_t> stored(std::size_t(step) * kHeight);
    std::mt19937 random(7 + bpp);
    for (auto& byte : stored) byte = static_cast<std::uint8_t>(random());
    const auto pixel = [&](int x, int y) {
        return &stored[std::size_t((bottomUp ? kHeight - 1 - y : y)) * step + std::size_t(x) * bpp];
    };
    Planes out(kWidth, kHeight);
    bgrToFullRangeYuv420(pixel(0, 0), bottomUp ? -step : step, bpp, kWidth, kHeight, out.view());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* p = pixel(x, y);
            EXPECT_NEAR(out.y[std::size_t(y) * kWidth + x], rounded(0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0]), 1)
                << x << "," << y;
        }
    for (int y = 0; y < kHeight / 2; ++y)
        for (int x = 0; x < kWidth / 2; ++x) {
            double r = 0, g = 0, b = 0;
            for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
                const std::uint8_t* p = pixel(2 * x + dx, 2 * y + dy);
                b += p[0] / 4.0, g += p[1] / 4.0, r += p[2] / 4.0;
            }
            const std::size_t at = std::size_t(y) * (kWidth / 2) + x;
            EXPECT_NEAR(out.cb[at], rounded(-0.168736 * r - 0.331264 * g + 0.5 * b + 128), 1) << x << "," << y;
            EXPECT_NEAR(out.cr[at], rounded(0.5 * r - 0.418688 * g - 0.081312 * b + 128), 1) << x << "," << y;
        }
}

}  // namespace

TEST(FullRangeYuv, EverySampleFollowsTheFormulasForBothPixelSizesAndBottomUpRows) {
    for (const int bpp : {3, 4})
        for (const bool bottomUp : {false, true}) {
            SCOPED_TRACE(testing::Message() << bpp << " bytes, bottom-up " << bottomUp);
            checkAgainstFormulas(bpp, bottomUp);
        }
}

TEST(FullRangeYuv, TheExtremesReachTheEndsOfTheRangeWithoutWrapping) {
    struct Case {
        std::uint8_t b, g, r;
        std::uint8_t y, cb, cr;
    };
    // Full blue and full red are where a chroma half would round to 256.
    const Case cases[] = {{0, 0, 0, 0, 128, 128},
                          {255, 255, 255, 255, 128, 128},
                          {255, 0, 0, 29, 255, 107},
                          {0, 0, 255, 76, 85, 255},
                          {0, 255, 0, 150, 44, 21}};
    for (const Case& c : cases) {
        const std::uint8_t pixel[4] = {c.b, c.g, c.r, 0};
        std::vector<std::uint8_t> picture;
        for (int i = 0; i < 4; ++i) picture.insert(picture.end(), pixel, pixel + 4);
        Planes out(2, 2);
        bgrToFullRangeYuv420(picture.data(), 8, 4, 2, 2, out.view());
        EXPECT_EQ(out.y, std::vector<std::uint8_t>(4, c.y));
        EXPECT_EQ(out.cb[0], c.cb);
        EXPECT_EQ(out.cr[0], c.cr);
    }
}
