// The one-pass conversion of blue-green-red pictures to the full-range 4:2:0
// planes of a JPEG picture and back, against the conversions' formulas in
// double precision, for both pixel sizes, bottom-up rows and a part of a
// picture starting at odd coordinates.

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
        std::vector<std::uint8_t> picture(16);
        for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = pixel[i % 4];
        Planes out(2, 2);
        bgrToFullRangeYuv420(picture.data(), 8, 4, 2, 2, out.view());
        EXPECT_EQ(out.y, std::vector<std::uint8_t>(4, c.y));
        EXPECT_EQ(out.cb[0], c.cb);
        EXPECT_EQ(out.cr[0], c.cr);
    }
}

// Every fifth level of Y, Cb and Cr, one sample triple per 2 x 2 block, read
// back from (1, 1) on: each pixel takes its own block's chroma, the samples
// are within 1 of the formulas, both pixel sizes give the same colours and
// the fourth byte is opaque.
TEST(FullRangeYuv, PlanesBackToPixelsFollowTheFormulasFromAnyFirstPixel) {
    std::vector<int> levels;
    for (int v = 0; v < 256; v += 5) levels.push_back(v);
    levels.push_back(255);
    const int blocks = static_cast<int>(levels.size() * levels.size());
    const int width = 2 * blocks, height = 2 * static_cast<int>(levels.size());
    Planes in(width, height);
    for (int by = 0; by < height / 2; ++by)
        for (int bx = 0; bx < blocks; ++bx) {
            const std::size_t at = std::size_t(by) * (width / 2) + bx;
            in.cb[at] = static_cast<std::uint8_t>(levels[std::size_t(bx) % levels.size()]);
            in.cr[at] = static_cast<std::uint8_t>(levels[std::size_t(bx) / levels.size()]);
            for (int k = 0; k < 4; ++k)
                in.y[std::size_t(2 * by + k / 2) * width + 2 * bx + k % 2] = static_cast<std::uint8_t>(levels[by]);
        }
    const int w = width - 1, h = height - 1;
    std::vector<std::uint8_t> bgr(std::size_t(w) * h * 3), bgrx(std::size_t(w) * h * 4);
    fullRangeYuv420ToBgr(in.view(), 1, 1, w, h, bgr.data(), w * 3, 3);
    fullRangeYuv420ToBgr(in.view(), 1, 1, w, h, bgrx.data(), w * 4, 4);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int x = i + 1, y = j + 1;
            const double l = in.y[std::size_t(y) * width + x];
            const double u = in.cb[std::size_t(y / 2) * (width / 2) + x / 2] - 128.0;
            const double v = in.cr[std::size_t(y / 2) * (width / 2) + x / 2] - 128.0;
            const std::uint8_t* three = &bgr[(std::size_t(j) * w + i) * 3];
            const std::uint8_t* four = &bgrx[(std::size_t(j) * w + i) * 4];
            ASSERT_NEAR(three[0], rounded(l + 1.772 * u), 1) << x << "," << y;
            ASSERT_NEAR(three[1], rounded(l - 0.34414 * u - 0.71414 * v), 1) << x << "," << y;
            ASSERT_NEAR(three[2], rounded(l + 1.402 * v), 1) << x << "," << y;
            ASSERT_TRUE(std::equal(three, three + 3, four)) << x << "," << y;
            ASSERT_EQ(four[3], 255);
        }
}
