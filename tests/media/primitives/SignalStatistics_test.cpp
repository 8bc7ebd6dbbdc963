// Reductions, normalization and thresholds.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

#include "media/primitives/SignalStatistics.h"

namespace oculon::primitives {
namespace {

TEST(SignalStatistics, NullPointerBeforeLength) {
    double v[4] = {1, 2, 3, 4};
    double r = 0;
    int idx = 0;
    Ipp64fc c[1] = {{1, 1}};
    Ipp32s w[1] = {1};
    const std::vector<std::function<IppStatus(bool, int)>> entries = {
        [&](bool n, int len) { return ippsMean_64f(v, len, n ? nullptr : &r); },
        [&](bool n, int len) { return ippsSum_64f(n ? nullptr : v, len, &r); },
        [&](bool n, int len) { return ippsMaxIndx_64f(n ? nullptr : v, len, &r, &idx); },
        [&](bool n, int len) { return ippsNormDiff_L2_64f(v, n ? nullptr : v, len, &r); },
        [&](bool n, int len) { return ippsDotProd_64f(v, v, len, n ? nullptr : &r); },
        [&](bool n, int len) { return ippsNormalize_64f(v, n ? nullptr : v, len, 0, 0); },
        [&](bool n, int len) { return ippsThreshold_64fc_I(n ? nullptr : c, len, -1, ippCmpLess); },
        [&](bool n, int len) { return ippsThreshold_LT_32s_I(n ? nullptr : w, len, 5); },
        [&](bool n, int len) { return ippsStdDev_64f(n ? nullptr : v, len + 1, &r); },
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i](true, 0), ippStsNullPtrErr);
        EXPECT_EQ(entries[i](false, 0), ippStsSizeErr);
    }
    EXPECT_EQ(ippsStdDev_64f(v, 2, &r), ippStsNoErr);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(w[0], 1);
}

// The sums run in extended precision: 1e16 + 1 - 1e16 is 1, not 0.
TEST(SignalStatistics, SumsKeepExtendedPrecision) {
    const std::vector<double> v = {1e16, 1.0, -1e16};
    double r = 0;
    ASSERT_EQ(ippsSum_64f(v.data(), 3, &r), 0);
    EXPECT_EQ(r, 1.0);
    ASSERT_EQ(ippsMean_64f(v.data(), 3, &r), 0);
    EXPECT_EQ(r, 1.0 / 3);
    const std::vector<double> ones(3, 1.0);
    ASSERT_EQ(ippsDotProd_64f(v.data(), ones.data(), 3, &r), 0);
    EXPECT_EQ(r, 1.0);
    const std::vector<Ipp64fc> c = {{1e16, 0}, {1, 1}, {-1e16, 0}}, u(3, Ipp64fc{1, 0});
    Ipp64fc cr{};
    ASSERT_EQ(ippsDotProd_64fc(c.data(), u.data(), 3, &cr), 0);
    EXPECT_EQ(std::make_pair(cr.re, cr.im), std::make_pair(1.0, 1.0));
    const std::vector<float> f = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    float fm = 0;
    ASSERT_EQ(ippsMean_32f(f.data(), 9, &fm, ippAlgHintFast), 0);
    EXPECT_EQ(fm, 5.0f);
}

TEST(SignalStatistics, StandardDeviationIsNeverNegativeOrNaNForConstantInput) {
    double r = -1;
    const std::vector<double> v = {1, 2, 3, 4};
    ASSERT_EQ(ippsStdDev_64f(v.data(), 4, &r), 0);
    EXPECT_DOUBLE_EQ(r, std::sqrt(5.0 / 3));
    for (double x : {0.0, 0.1, -7.3, 1e-300, 3.3e307, -1e200, 0.7})
        for (int len : {2, 3, 4, 5, 9, 100, 1001}) {
            const std::vector<double> c(len, x);
            r = -1;
            ASSERT_EQ(ippsStdDev_64f(c.data(), len, &r), 0);
            EXPECT_GE(r, 0.0) << x << " " << len;
            EXPECT_LE(r, std::fabs(x) * 1e-8) << x << " " << len;
        }
    const std::vector<double> bad = {1, INFINITY, 3};
    ASSERT_EQ(ippsStdDev_64f(bad.data(), 3, &r), 0);
    EXPECT_TRUE(std::isnan(r));
}

TEST(SignalStatistics, ExtremesAndNorms) {
    const std::vector<double> v = {3, 1, 1, 2, 3}, w = {0, 5, 1, 2, -1};
    double lo = 0, hi = 0, one = 0, l1 = 0, l2 = 0, inf = 0;
    int loAt = -1, hiAt = -1;
    ASSERT_EQ(ippsMinIndx_64f(v.data(), 5, &lo, &loAt), 0);
    ASSERT_EQ(ippsMaxIndx_64f(v.data(), 5, &hi, &hiAt), 0);
    ASSERT_EQ(ippsMaxIndx_64f(v.data(), 5, &hi, nullptr), 0);
    ASSERT_EQ(ippsMin_64f(v.data() + 3, 1, &one), 0);
    ASSERT_EQ(ippsNormDiff_L1_64f(v.data(), w.data(), 5, &l1), 0);
    ASSERT_EQ(ippsNormDiff_L2_64f(v.data(), w.data(), 5, &l2), 0);
    ASSERT_EQ(ippsNormDiff_Inf_64f(v.data(), w.data(), 5, &inf), 0);
    // The first of equal extremes gives its index.
    EXPECT_EQ(std::make_tuple(lo, loAt, hi, hiAt, one, l1, inf), std::make_tuple(1.0, 1, 3.0, 0, 2.0, 11.0, 4.0));
    EXPECT_DOUBLE_EQ(l2, std::sqrt(9.0 + 16 + 16));
}

TEST(SignalStatistics, NormalizeRejectsDivisorsBelowTheSmallestNormal) {
    std::vector<double> v = {5, -1}, out(2, 9);
    EXPECT_EQ(ippsNormalize_64f(v.data(), out.data(), 2, 1, 0.0), ippStsDivByZeroErr);
    EXPECT_EQ(ippsNormalize_64f(v.data(), out.data(), 2, 1, -DBL_MIN / 2), ippStsDivByZeroErr);
    EXPECT_EQ(out[0], 9);
    ASSERT_EQ(ippsNormalize_64f(v.data(), out.data(), 2, 1, 2.0), 0);
    EXPECT_EQ(out, (std::vector<double>{2.0, -1.0}));
    ASSERT_EQ(ippsNormalize_64f(v.data(), out.data(), 2, 0, DBL_MIN), 0);
    std::vector<float> f = {3, 1}, fo(2);
    EXPECT_EQ(ippsNormalize_32f(f.data(), fo.data(), 2, 1, FLT_MIN / 2), ippStsDivByZeroErr);
    ASSERT_EQ(ippsNormalize_32f(f.data(), fo.data(), 2, 1, 4), 0);
    EXPECT_EQ(fo[0], 0.5f);
    std::vector<Ipp64fc> c = {{3, 5}}, co(1);
    EXPECT_EQ(ippsNormalize_64fc(c.data(), co.data(), 1, {1, 1}, 0.0), ippStsDivByZeroErr);
    ASSERT_EQ(ippsNormalize_64fc(c.data(), co.data(), 1, {1, 1}, 2.0), 0);
    EXPECT_EQ(std::make_pair(co[0].re, co[0].im), std::make_pair(1.0, 2.0));
}

TEST(SignalStatistics, ThresholdsReplaceOnlyBeyondTheLevel) {
    const std::vector<double> v = {-1, 0, 1, NAN};
    std::vector<double> out(4);
    // Every relation but "greater" clips from below.
    for (IppCmpOp op : {ippCmpLess, ippCmpLessEq, ippCmpEq, ippCmpGreaterEq}) {
        ASSERT_EQ(ippsThreshold_64f(v.data(), out.data(), 4, 0.0, op), 0);
        EXPECT_EQ(std::make_pair(out[0], out[2]), std::make_pair(0.0, 1.0));
        EXPECT_TRUE(std::isnan(out[3]));
    }
    ASSERT_EQ(ippsThreshold_64f(v.data(), out.data(), 4, 0.0, ippCmpGreater), 0);
    EXPECT_EQ(std::make_pair(out[0], out[2]), std::make_pair(-1.0, 0.0));
    std::vector<float> f = {-2, 2};
    ASSERT_EQ(ippsThreshold_32f_I(f.data(), 2, 1, ippCmpGreater), 0);
    EXPECT_EQ(f[1], 1);

    // Complex: the magnitude is clipped, the direction kept.
    std::vector<Ipp64fc> c = {{3, 4}, {0.3, 0.4}, {0, 0}, {0, 2}};
    EXPECT_EQ(ippsThreshold_64fc_I(c.data(), 4, -1, ippCmpGreater), ippStsThreshNegLevelErr);
    std::vector<Ipp64fc> hi(4), lo(4);
    ASSERT_EQ(ippsThreshold_64fc(c.data(), hi.data(), 4, 2.0, ippCmpGreater), 0);
    ASSERT_EQ(ippsThreshold_64fc(c.data(), lo.data(), 4, 2.0, ippCmpLess), 0);
    for (const Ipp64fc& z : {hi[0], lo[1]}) EXPECT_TRUE(std::abs(z.re - 1.2) < 1e-15 && std::abs(z.im - 1.6) < 1e-15);
    EXPECT_EQ(hi[3].im, 2);                                                   // equal to the level: kept
    EXPECT_EQ(std::make_pair(lo[2].re, lo[2].im), std::make_pair(2.0, 0.0));  // no direction: on the real axis

    std::vector<Ipp32s> w = {1, 5, 9}, g = w;
    ASSERT_EQ(ippsThreshold_LT_32s_I(w.data(), 3, 5), 0);
    EXPECT_EQ(w, (std::vector<Ipp32s>{5, 5, 9}));
    ASSERT_EQ(ippsThreshold_GT_32s_I(g.data(), 3, 5), 0);
    EXPECT_EQ(g, (std::vector<Ipp32s>{1, 5, 5}));
}

}  // namespace
}  // namespace oculon::primitives
