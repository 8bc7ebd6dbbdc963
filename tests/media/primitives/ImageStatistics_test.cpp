// Image reductions: the early stop of the byte maximum, sums held in extended
// precision, the means' test order and the min-max treatment of NaN.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "media/primitives/ImageStatistics.h"

namespace oculon::primitives {
namespace {

TEST(ImageStatistics, MaxStopsAfterTheRowThatHolds255) {
    // Rows past the first lie far outside the block: reading them would be
    // caught by the address sanitizer.
    Ipp8u block[4] = {3, 255, 7, 9};
    Ipp8u best = 0;
    ASSERT_EQ(ippiMax_8u_C1R(block, 1 << 20, {4, 3}, &best), ippStsNoErr);
    EXPECT_EQ(best, 255);
    std::vector<Ipp8u> image(20, 0);
    image[6] = 9;
    image[13] = 200;  // in the gap after row 2
    ippiMax_8u_C1R(image.data(), 5, {3, 4}, &best);
    EXPECT_EQ(best, 9);
    ippiMax_8u_C1R(image.data(), 5, {5, 4}, &best);
    EXPECT_EQ(best, 200);
    EXPECT_EQ(ippiMax_8u_C1R(image.data() + 15, -5, {5, 4}, &best), ippStsStepErr);
    EXPECT_EQ(ippiMax_8u_C1R(image.data(), 0, {1, 1}, &best), ippStsStepErr);
    EXPECT_EQ(ippiMax_8u_C1R(image.data(), 5, {1, 1}, nullptr), ippStsNullPtrErr);
}

TEST(ImageStatistics, SumsAndMeansRunInExtendedPrecision) {
    // 2^53 + 1 + 1: a double sum loses both ones, an extended one keeps them.
    const float big = 9007199254740992.0f;
    const std::vector<Ipp32f> c3 = {big, 1, 2, 1, 3, 4, 1, 5, 6, 0, 0, 0};
    Ipp64f s[3] = {};
    ASSERT_EQ(_px_ippiSum_32f_C3R(c3.data(), 12 * 4, {3, 1}, s, ippAlgHintNone), ippStsNoErr);
    EXPECT_EQ(std::make_pair(s[0], s[1]), std::make_pair(9007199254740994.0, 9.0));
    // The same floats as two rows of 4-float pixels; the fourth never counts.
    const std::vector<Ipp32f> ac4 = {1, 2, 3, 1e30f, 5, 6, 7, 1e30f};
    Ipp64f m[3] = {-1, -1, -1};
    ASSERT_EQ(_px_ippiMean_32f_AC4R(ac4.data(), 16, {1, 2}, m, ippAlgHintFast), ippStsNoErr);
    EXPECT_EQ(std::make_pair(m[0], m[2]), std::make_pair(3.0, 5.0));
    // Mean: the result pointer first, then the sum's own order; an error
    // leaves the result as it was.
    EXPECT_EQ(_px_ippiMean_32f_C3R(nullptr, 0, {0, 0}, nullptr, ippAlgHintNone), ippStsNullPtrErr);
    EXPECT_EQ(_px_ippiMean_32f_C3R(c3.data(), 12, {0, 1}, m, ippAlgHintNone), ippStsSizeErr);
    EXPECT_EQ(_px_ippiMean_32f_C3R(c3.data(), 0, {1, 1}, m, ippAlgHintNone), ippStsStepErr);
    EXPECT_EQ(_px_ippiSum_32f_AC4R(nullptr, 16, {1, 1}, s, ippAlgHintNone), ippStsNullPtrErr);
    EXPECT_EQ(m[0], 3.0);
}

TEST(ImageStatistics, MinMaxTakesNaNAsTheMinimum) {
    const std::vector<Ipp32f> v = {3, -1, 7, 2};
    Ipp32f lo = 0, hi = 0;
    ASSERT_EQ(_px_ippiMinMax_32f_C1R(v.data(), 8, {2, 2}, &lo, &hi), ippStsNoErr);
    EXPECT_EQ(lo, -1);
    EXPECT_EQ(hi, 7);
    const std::vector<Ipp32f> n = {3, NAN, 7, 2};
    _px_ippiMinMax_32f_C1R(n.data(), 16, {4, 1}, &lo, &hi);
    EXPECT_TRUE(std::isnan(lo));
    EXPECT_EQ(hi, 7);
    EXPECT_EQ(_px_ippiMinMax_32f_C1R(v.data(), 8, {2, 2}, &lo, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(_px_ippiMinMax_32f_C1R(v.data(), 8, {2, 0}, &lo, &hi), ippStsSizeErr);
}

}  // namespace
}  // namespace oculon::primitives
