// Piecewise-linear lookup tables on 4-channel images.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "media/primitives/ImageLUT.h"

namespace oculon::primitives {
namespace {

std::array<Ipp8u, 256> table(std::vector<Ipp32s> levels, std::vector<Ipp32s> values) {
    return linearLookupTable(values.data(), levels.data(), static_cast<int>(levels.size()));
}

TEST(LinearLookupTable, InterpolatesBetweenLevelsInExtendedPrecision) {
    // 255.5 - 255 x 0.99609375 = 1.496..., converted toward zero.
    auto t = table({0, 256}, {255, 0});
    EXPECT_EQ(t[0], 255);
    EXPECT_EQ(t[128], 128);  // 255.5 - 127.5 = 128.0
    EXPECT_EQ(t[255], 1);

    // The last level maps itself and everything above it to itself.
    t = table({0, 255}, {255, 0});
    EXPECT_EQ(t[254], 1);
    EXPECT_EQ(t[255], 255);

    // Below the first level: identity; values outside 0..255 are clamped.
    t = table({100, 110, 200}, {-50, 400, 0});
    EXPECT_EQ(t[99], 99);
    EXPECT_EQ(t[100], 0);    // -49.5 clamped
    EXPECT_EQ(t[101], 0);    // -4.5
    EXPECT_EQ(t[102], 40);   // 40.5
    EXPECT_EQ(t[109], 255);  // 355.5
    EXPECT_EQ(t[110], 255);  // 400.5
    EXPECT_EQ(t[199], 4);    // 400 - 90 x 4.444 + 0.5
    EXPECT_EQ(t[200], 200);
}

TEST(LinearLookupTable, OneWideIntervalsAndLevelsOutsideTheByteRange) {
    auto t = table({10, 11, 20}, {300, 0, 0});
    EXPECT_EQ(t[10], 255);  // a one-wide interval takes its value, clamped
    EXPECT_EQ(t[11], 0);

    // A first level above 255: every byte maps to itself, save the top one
    // that the one-wide clamped interval [255, 256) sets.
    t = table({300, 400}, {7, 9});
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[254], 254);
    EXPECT_EQ(t[255], 7);

    // Levels below 0 start the line below the table; descending pairs are skipped.
    t = table({-100, 100, 50, 60}, {0, 200, 0, 0});
    EXPECT_EQ(t[0], 100);  // -100 + 100 x 1 + 0.5
    EXPECT_EQ(t[49], 149);
    EXPECT_EQ(t[50], 0);   // 50..59 from the interval (50, 60)
    EXPECT_EQ(t[60], 60);  // identity from the last level on
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
