// Piecewise-linear lookup tables on 4-channel images.

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include "media/primitives/ImageLUT.h"

namespace oculon::primitives {
namespace {

std::array<Ipp8u, 256> table(std::vector<Ipp32s> levels, std::vector<Ipp32s> values) {
    return linearLookupTable(values.data(), levels.data(), static_cast<int>(levels.size()));
}

// The entries of the table that `levels` and `values` make at `at`.
std::vector<int> entries(std::vector<Ipp32s> levels, std::vector<Ipp32s> values, std::vector<int> at) {
    const auto t = table(std::move(levels), std::move(values));
    std::vector<int> out;
    for (int i : at) out.push_back(t[i]);
    return out;
}

TEST(LinearLookupTable, InterpolatesBetweenLevelsInExtendedPrecision) {
    // 255.5 - 255 x 0.99609375 = 1.496..., converted toward zero; 255.5 -
    // 127.5 = 128.0.
    EXPECT_EQ(entries({0, 256}, {255, 0}, {0, 128, 255}), (std::vector<int>{255, 128, 1}));
    // The last level maps itself and everything above it to itself.
    EXPECT_EQ(entries({0, 255}, {255, 0}, {254, 255}), (std::vector<int>{1, 255}));
    // Below the first level: identity; values outside 0..255 are clamped:
    // -49.5, -4.5, 40.5, 355.5, 400.5, then 400 - 90 x 4.444 + 0.5.
    EXPECT_EQ(entries({100, 110, 200}, {-50, 400, 0}, {99, 100, 101, 102, 109, 110, 199, 200}),
              (std::vector<int>{99, 0, 0, 40, 255, 255, 4, 200}));
}

TEST(LinearLookupTable, OneWideIntervalsAndLevelsOutsideTheByteRange) {
    // A one-wide interval takes its value, clamped.
    EXPECT_EQ(entries({10, 11, 20}, {300, 0, 0}, {10, 11}), (std::vector<int>{255, 0}));
    // A first level above 255: every byte maps to itself, save the top one
    // that the one-wide clamped interval [255, 256) sets.
    EXPECT_EQ(entries({300, 400}, {7, 9}, {0, 254, 255}), (std::vector<int>{0, 254, 7}));
    // Levels below 0 start the line below the table (-100 + 100 x 1 + 0.5 at
    // 0); descending pairs are skipped (50..59 from the interval (50, 60));
    // identity from the last level on.
    EXPECT_EQ(entries({-100, 100, 50, 60}, {0, 200, 0, 0}, {0, 49, 50, 60}), (std::vector<int>{100, 149, 0, 60}));
}

TEST(LUTLinear, MapsEachChannelThroughItsOwnTable) {
    const Ipp32s lv0[] = {0, 256}, va0[] = {255, 0};  // inversion
    const Ipp32s lv1[] = {0, 256}, va1[] = {0, 256};  // identity
    const Ipp32s lv2[] = {0, 1}, va2[] = {9, 9};      // only 0 -> 9
    const Ipp32s lv3[] = {0, 256}, va3[] = {0, 0};    // all 0
    const Ipp32s* values[4] = {va0, va1, va2, va3};
    const Ipp32s* levels[4] = {lv0, lv1, lv2, lv3};
    int n[4] = {2, 2, 2, 2};
    const int w = 3, h = 2, step = 4 * w + 2;
    std::vector<Ipp8u> src(step * h), dst(step * h, 0xEE);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<Ipp8u>(i * 37);
    ASSERT_EQ(ippiLUT_Linear_8u_C4R(src.data(), step, dst.data(), step, {w, h}, values, levels, n), ippStsNoErr);
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            const Ipp8u* s = &src[r * step + 4 * x];
            const Ipp8u* d = &dst[r * step + 4 * x];
            EXPECT_EQ(d[0], table({0, 256}, {255, 0})[s[0]]);
            EXPECT_EQ(d[1], s[1]);
            EXPECT_EQ(d[2], s[2] == 0 ? 9 : s[2]);
            EXPECT_EQ(d[3], 0);
        }
        EXPECT_EQ(dst[r * step + 12], 0xEE);  // padding
    }
}

TEST(LUTLinear, ChecksPointersAndLevelsChannelByChannelThenSizeThenSteps) {
    const Ipp32s lv[] = {0, 255}, va[] = {0, 255};
    const Ipp32s* values[4] = {va, va, va, va};
    const Ipp32s* levels[4] = {lv, lv, lv, lv};
    int n[4] = {2, 2, 2, 2};
    Ipp8u img[4] = {1, 2, 3, 4};
    const IppiSize one{1, 1}, none{0, 1};
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(nullptr, 4, img, 4, none, values, levels, n), ippStsNullPtrErr);
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(img, 4, img, 4, one, values, levels, nullptr), ippStsNullPtrErr);

    // Channel 1 lacks levels, channel 2 has one level: channel 1 answers.
    const Ipp32s* holey[4] = {lv, nullptr, lv, lv};
    int n2[4] = {2, 2, 1, 2};
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(img, 4, img, 4, none, values, holey, n2), ippStsNullPtrErr);
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(img, 0, img, 4, none, values, levels, n2), ippStsLUTNofLevelsErr);

    EXPECT_EQ(ippiLUT_Linear_8u_C4R(img, 0, img, 4, none, values, levels, n), ippStsSizeErr);
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(img, 0, img, 4, one, values, levels, n), ippStsStepErr);
    EXPECT_EQ(ippiLUT_Linear_8u_C4R(img, 4, img, -4, one, values, levels, n), ippStsStepErr);
    EXPECT_EQ(img[0], 1);
}

}  // namespace
}  // namespace oculon::primitives
