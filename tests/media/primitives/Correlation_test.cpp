// Correlation and convolution on both sides of every threshold between the
// direct sums and the FFT, against the defining sums in extended precision;
// the zero lags; and lengths too large for any work vector.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <vector>

#include "SampleReference.h"
#include "media/primitives/Correlation.h"

namespace oculon::primitives {
namespace {

using Extended = long double;

std::vector<Ipp64fc> randomComplex(int n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<Ipp64fc> v(static_cast<std::size_t>(n));
    for (Ipp64fc& c : v) c = {u(rng), u(rng)};
    return v;
}

using reference::randomDoubles;

// sum over i of conj(a[i]) b[lag + i], outside either vector 0.
Ipp64fc correlation(const std::vector<Ipp64fc>& a, const std::vector<Ipp64fc>& b, long long lag) {
    Extended re = 0, im = 0;
    for (long long i = 0; i < static_cast<long long>(a.size()); ++i) {
        const long long j = lag + i;
        if (j < 0 || j >= static_cast<long long>(b.size())) continue;
        re += Extended{a[i].re} * b[j].re + Extended{a[i].im} * b[j].im;
        im += Extended{a[i].re} * b[j].im - Extended{a[i].im} * b[j].re;
    }
    return {static_cast<double>(re), static_cast<double>(im)};
}

std::vector<Ipp64fc> asComplex(const std::vector<double>& v) {
    std::vector<Ipp64fc> c;
    for (double d : v) c.push_back({d, 0});
    return c;
}

// The FFT paths round at every pass; a few ulp of the largest sum per pass.
double tolerance(double scale, int n) { return 8 * 0x1p-52 * std::log2(4.0 * n) * scale; }

TEST(Correlation, AutoCorrelationOnBothSidesOfTheThresholds) {
    // (source length, lags): direct below 600 lags (real) and 96 (complex).
    const std::pair<int, int> real[] = {{3, 5}, {599, 599}, {600, 600}, {1000, 700}, {700, 2000}};
    const std::pair<int, int> complex[] = {{95, 95}, {96, 96}, {300, 96}, {96, 150}};
    for (const bool isComplex : {false, true}) {
        for (const auto& [len, lags] : isComplex ? std::vector(std::begin(complex), std::end(complex))
                                                 : std::vector(std::begin(real), std::end(real))) {
            SCOPED_TRACE(std::to_string(len) + " " + std::to_string(lags) + (isComplex ? " complex" : " real"));
            const std::vector<Ipp64fc> x = isComplex ? randomComplex(len, len) : asComplex(randomDoubles(len, len));
            const double energy = correlation(x, x, 0).re;
            for (int norm = 0; norm < 3; ++norm) {
                std::vector<Ipp64fc> out(static_cast<std::size_t>(lags), {-7, -7});
                if (isComplex) {
                    auto* fn = norm == 0   ? ippsAutoCorr_64fc
                               : norm == 1 ? ippsAutoCorr_NormA_64fc
                                           : ippsAutoCorr_NormB_64fc;
                    ASSERT_EQ(fn(x.data(), len, out.data(), lags), ippStsNoErr);
                } else {
                    std::vector<double> src, dst(static_cast<std::size_t>(lags), -7);
                    for (const Ipp64fc& c : x) src.push_back(c.re);
                    auto* fn = norm == 0   ? ippsAutoCorr_64f
                               : norm == 1 ? ippsAutoCorr_NormA_64f
                                           : ippsAutoCorr_NormB_64f;
                    ASSERT_EQ(fn(src.data(), len, dst.data(), lags), ippStsNoErr);
                    for (int k = 0; k < lags; ++k) out[k] = {dst[k], 0};
                }
                for (int k = 0; k < lags; ++k) {
                    if (k >= len) {
                        ASSERT_EQ(out[k].re, 0.0);
                        ASSERT_EQ(out[k].im, 0.0);
                        continue;
                    }
                    const double divisor = norm == 0 ? 1.0 : norm == 1 ? len : len - k;
                    const Ipp64fc want = correlation(x, x, k);
                    const double tol = tolerance(energy / divisor, len) + 1e-15 * std::fabs(want.re) / divisor;
                    ASSERT_NEAR(out[k].re, want.re / divisor, tol) << k;
                    ASSERT_NEAR(out[k].im, want.im / divisor, tol) << k;
                }
            }
        }
    }
}

TEST(Correlation, CrossCorrelationOnBothSidesOfTheEstimate) {
    struct Case {
        int len1, len2, lags, lowLag;
    };
    // The estimate min x lags / max is 511 (direct) or 512 (FFT) for the
    // first pairs; then windows that start before the first overlap and
    // reach past the end of the second vector.
    const Case cases[] = {{512, 512, 511, -200},    {512, 512, 512, -200}, {1024, 512, 1022, -1000},
                          {1024, 512, 1024, -1000}, {3, 20, 40, -10},      {600, 1500, 3000, -900},
                          {1500, 600, 2500, -1600}, {40, 30, 5, 100}};
    for (const Case& c : cases) {
        for (const bool isComplex : {false, true}) {
            SCOPED_TRACE(std::to_string(c.len1) + " " + std::to_string(c.len2) + " " + std::to_string(c.lags) + " " +
                         std::to_string(c.lowLag) + (isComplex ? " complex" : " real"));
            std::vector<Ipp64fc> a = randomComplex(c.len1, 1), b = randomComplex(c.len2, 2);
            std::vector<Ipp64fc> out(static_cast<std::size_t>(c.lags), {-7, -7});
            if (isComplex) {
                ASSERT_EQ(ippsCrossCorr_64fc(a.data(), c.len1, b.data(), c.len2, out.data(), c.lags, c.lowLag), 0);
            } else {
                std::vector<double> ra, rb, dst(static_cast<std::size_t>(c.lags), -7);
                for (Ipp64fc& v : a) ra.push_back(v.re), v.im = 0;
                for (Ipp64fc& v : b) rb.push_back(v.re), v.im = 0;
                ASSERT_EQ(ippsCrossCorr_64f(ra.data(), c.len1, rb.data(), c.len2, dst.data(), c.lags, c.lowLag), 0);
                for (int k = 0; k < c.lags; ++k) out[k] = {dst[k], 0};
            }
            const double scale = std::sqrt(correlation(a, a, 0).re * correlation(b, b, 0).re);
            for (int k = 0; k < c.lags; ++k) {
                const long long lag = static_cast<long long>(c.lowLag) + k;
                const Ipp64fc want = correlation(a, b, lag);
                if (lag <= -c.len1 || lag >= c.len2) {
                    ASSERT_EQ(out[k].re, 0.0) << k;
                    ASSERT_EQ(out[k].im, 0.0) << k;
                }
                ASSERT_NEAR(out[k].re, want.re, tolerance(scale, c.len1 + c.len2)) << k;
                ASSERT_NEAR(out[k].im, want.im, tolerance(scale, c.len1 + c.len2)) << k;
            }
        }
    }
}

TEST(Correlation, ConvolutionOnEveryPath) {
    // Direct: fewer than 150 outputs, or a shorter source below 32 (with a
    // longer one of several 4096-blocks); one transform while the longer is
    // below 3 times the shorter; overlap-save beyond.
    const std::pair<int, int> sizes[] = {{1, 2},      {100, 50}, {100, 51},    {10000, 31}, {31, 10000},
                                         {10000, 32}, {95, 60},  {2999, 1000}, {1000, 3001}};
    for (const auto& [len1, len2] : sizes) {
        SCOPED_TRACE(std::to_string(len1) + " " + std::to_string(len2));
        const std::vector<double> a = randomDoubles(len1, 3), b = randomDoubles(len2, 4);
        std::vector<double> out(static_cast<std::size_t>(len1 + len2 - 1), -7), swapped = out;
        ASSERT_EQ(ippsConv_64f(a.data(), len1, b.data(), len2, out.data()), ippStsNoErr);
        ASSERT_EQ(ippsConv_64f(b.data(), len2, a.data(), len1, swapped.data()), ippStsNoErr);
        EXPECT_EQ(out, swapped);
        Extended ea = 0, eb = 0;
        for (double v : a) ea += v * v;
        for (double v : b) eb += v * v;
        const double tol = tolerance(static_cast<double>(std::sqrt(ea * eb)), len1 + len2);
        for (int t = 0; t < len1 + len2 - 1; ++t) {
            Extended want = 0;
            for (int j = std::max(0, t - len1 + 1); j <= std::min(t, len2 - 1); ++j) want += Extended{a[t - j]} * b[j];
            ASSERT_NEAR(out[t], static_cast<double>(want), tol) << t;
        }
    }
    const double x[] = {1, 2}, y[] = {1, 1, 1};
    double z[4];
    ASSERT_EQ(ippsConv_64f(x, 2, y, 3, z), ippStsNoErr);
    EXPECT_EQ(std::vector<double>(z, z + 4), (std::vector<double>{1, 3, 3, 2}));
}

// Lengths whose FFT would be beyond the largest order are refused before
// anything is read.
TEST(Correlation, ChecksAndLengthsBeyondAnyTransform) {
    double v[600] = {};
    Ipp64fc c[600] = {};
    EXPECT_EQ(ippsAutoCorr_64f(nullptr, 0, v, 1), ippStsNullPtrErr);
    EXPECT_EQ(ippsAutoCorr_NormB_64fc(c, 0, c, 1), ippStsSizeErr);
    EXPECT_EQ(ippsCrossCorr_64f(v, 1, v, 1, nullptr, 1, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsCrossCorr_64fc(c, 1, c, 1, c, 0, 0), ippStsSizeErr);
    EXPECT_EQ(ippsConv_64f(v, 1, v, -1, v), ippStsSizeErr);
    EXPECT_EQ(ippsConv_64f(v, 1, nullptr, 1, v), ippStsNullPtrErr);

    EXPECT_EQ(ippsAutoCorr_64f(v, INT_MAX, v, 600), ippStsMemAllocErr);
    EXPECT_EQ(ippsAutoCorr_64fc(c, INT_MAX, c, 96), ippStsMemAllocErr);
    EXPECT_EQ(ippsCrossCorr_64f(v, INT_MAX, v, INT_MAX, v, 600, 0), ippStsMemAllocErr);
    EXPECT_EQ(ippsConv_64f(v, INT_MAX, v, INT_MAX, v), ippStsMemAllocErr);
}

}  // namespace
}  // namespace oculon::primitives
