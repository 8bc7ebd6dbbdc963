// Floating-point and complex vector arithmetic: the special constants, zero
// divisors, the precision of the complex formulas and the order of the
// argument checks.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "media/primitives/ComplexVector.h"
#include "media/primitives/SignalArithmetic.h"

namespace oculon::primitives {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaNPayload = std::bit_cast<double>(std::uint64_t{0x7FF8000000000123});

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// Real and imaginary parts as pairs, so that whole vectors compare in one line.
using Parts = std::vector<std::pair<double, double>>;
Parts parts(const Ipp64fc* v, std::size_t n) {
    Parts out;
    for (std::size_t i = 0; i < n; ++i) out.emplace_back(v[i].re, v[i].im);
    return out;
}
Parts parts(const std::vector<Ipp64fc>& v) { return parts(v.data(), v.size()); }

TEST(SignalArithmetic, NullPointerBeforeLengthExceptForComplexSums) {
    Ipp64f d[4] = {1, 2, 3, 4};
    Ipp64fc c[2] = {{1, 2}, {3, 4}};
    Ipp32f f[2] = {1, 2};
    const std::vector<std::function<IppStatus(bool, int)>> entries = {
        [&](bool n, int len) { return ippsAdd_64f(d, n ? nullptr : d, d, len); },
        [&](bool n, int len) { return ippsMulC_64f_I(1.0, n ? nullptr : d, len); },
        [&](bool n, int len) { return ippsDivC_64f(d, 0.0, n ? nullptr : d, len); },
        [&](bool n, int len) { return ippsDiv_64f_I(n ? nullptr : d, d, len); },
        [&](bool n, int len) { return ippsMulC_32f_I(0.0f, n ? nullptr : f, len); },
        [&](bool n, int len) {
            return ippsDivC_64fc_I({0, 0}, n ? nullptr : c, len);
        },
        [&](bool n, int len) { return ippsMul_64fc_I(c, n ? nullptr : c, len); },
        [&](bool n, int len) { return ippsSqrt_64fc(c, n ? nullptr : c, len); },
        [&](bool n, int len) { return ippsConjCcs_64fc_I(n ? nullptr : c, len); },
        [&](bool n, int len) { return _px_ippsCopy_64fc(n ? nullptr : c, c, len); },
        [&](bool n, int len) { return ippsSubCRev_32f_I(1.0f, n ? nullptr : f, len); },
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i](true, 0), ippStsNullPtrErr);
        EXPECT_EQ(entries[i](false, 0), ippStsSizeErr);
    }
    // The complex sums run the real loop over both parts, which checks the
    // pointers after their own length check.
    EXPECT_EQ(ippsAdd_64fc_I(nullptr, c, 0), ippStsSizeErr);
    EXPECT_EQ(ippsSub_64fc_I(nullptr, c, 1), ippStsNullPtrErr);
    EXPECT_EQ(ippsAdd_64fc(c, c, nullptr, -1), ippStsSizeErr);
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(c[0].re, 1);
}

// Sums, differences and products of two doubles are the IEEE operation,
// rounded once, for every alignment and loop tail.
TEST(SignalArithmetic, ElementOperationsRoundOnce) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> u(-1e3, 1e3);
    for (int len = 1; len <= 37; ++len) {
        std::vector<double> a(len), b(len), out(len);
        for (int i = 0; i < len; ++i) a[i] = u(rng), b[i] = u(rng) * 1e-7;
        ASSERT_EQ(ippsAdd_64f(a.data(), b.data(), out.data(), len), 0);
        for (int i = 0; i < len; ++i) ASSERT_EQ(out[i], a[i] + b[i]);
        ASSERT_EQ(ippsMul_64f(a.data(), b.data(), out.data(), len), 0);
        for (int i = 0; i < len; ++i) ASSERT_EQ(out[i], a[i] * b[i]);
        out = a;
        ASSERT_EQ(ippsSub_64f_I(b.data(), out.data(), len), 0);
        for (int i = 0; i < len; ++i) ASSERT_EQ(out[i], a[i] - b[i]);
        ASSERT_EQ(ippsSubCRev_64f(a.data(), 0.25, out.data(), len), 0);
        for (int i = 0; i < len; ++i) ASSERT_EQ(out[i], 0.25 - a[i]);
        std::vector<Ipp64fc> ca(len), cb(len);
        for (int i = 0; i < len; ++i) ca[i] = {a[i], b[i]}, cb[i] = {b[i], a[i]};
        ASSERT_EQ(ippsAdd_64fc_I(cb.data(), ca.data(), len), 0);
        for (int i = 0; i < len; ++i) ASSERT_EQ(ca[i].im, b[i] + a[i]);
    }
}

TEST(SignalArithmetic, SpecialConstantsTakeTheirShortcutsAndNaNMultiplies) {
    const double src[] = {kNaNPayload, kInf, -3.0, 5.0};
    std::vector<double> v(src, src + 4);
    ASSERT_EQ(ippsMulC_64f_I(1.0, v.data(), 4), 0);
    EXPECT_EQ(bits(v[0]), bits(kNaNPayload));  // untouched, payload and all
    ASSERT_EQ(ippsMulC_64f_I(-0.0, v.data(), 4), 0);
    for (double x : v) EXPECT_EQ(bits(x), 0u);  // +0.0 over NaN and infinity
    v.assign(src, src + 4);
    ASSERT_EQ(ippsAddC_64f_I(0.0, v.data(), 4), 0);
    EXPECT_EQ(bits(v[0]), bits(kNaNPayload));
    ASSERT_EQ(ippsDivC_64f_I(0.0, v.data(), 4), ippStsDivByZeroErr);
    EXPECT_EQ(v[3], 5.0);
    ASSERT_EQ(ippsDivC_64f_I(4.0, v.data(), 4), 0);
    EXPECT_EQ(v[3], 1.25);

    // A NaN constant is neither 1 nor 0: it multiplies like any other.
    std::vector<float> f = {2.0f, -1.0f, 0.0f};
    ASSERT_EQ(ippsMulC_32f_I(std::numeric_limits<float>::quiet_NaN(), f.data(), 3), 0);
    for (float x : f) EXPECT_TRUE(std::isnan(x));
    f = {2.0f, std::numeric_limits<float>::quiet_NaN(), -1.0f};
    ASSERT_EQ(ippsMulC_32f_I(1.0f, f.data(), 3), 0);
    EXPECT_TRUE(std::isnan(f[1]));
    ASSERT_EQ(ippsMulC_32f_I(0.0f, f.data(), 3), 0);
    for (float x : f) EXPECT_EQ(std::bit_cast<std::uint32_t>(x), 0u);
    std::vector<double> n = {1.0, 2.0};
    ASSERT_EQ(ippsMulC_64f_I(std::nan(""), n.data(), 2), 0);
    EXPECT_TRUE(std::isnan(n[0]));
}

TEST(SignalArithmetic, ZeroDivisorsGiveInfinityOrNaNAndAWarning) {
    std::vector<double> den = {0.0, -0.0, 0.0, 2.0}, num = {1.0, -1.0, 0.0, 3.0};
    ASSERT_EQ(ippsDiv_64f_I(den.data(), num.data(), 4), ippStsDivByZero);
    std::vector<Ipp64fc> cden = {{0, 0}, {0, 2}}, cnum = {{1, 1}, {4, 2}};
    ASSERT_EQ(ippsDiv_64fc_I(cden.data(), cnum.data(), 2), ippStsDivByZero);
    // (4 + 2i) / 2i = 1 - 2i
    const double got[] = {num[0], num[1], num[2], num[3], cnum[0].re, cnum[0].im, cnum[1].re, cnum[1].im};
    const double want[] = {kInf, -kInf, kIppNaN, 1.5, kIppNaN, kIppNaN, 1.0, -2.0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bits(got[i]), bits(want[i])) << i;
    ASSERT_EQ(ippsDivC_64fc_I({0, 2}, cnum.data(), 2), 0);
    EXPECT_EQ(cnum[1].re, -1.0);
    EXPECT_EQ(ippsDivC_64fc(cnum.data(), {0.0, -0.0}, cnum.data(), 2), ippStsDivByZeroErr);
}

// (1 + 2^-30)^2 - 1 needs 61 significant bits on the way; a double product
// would lose the 2^-60 term.
TEST(SignalArithmetic, ComplexFormulasKeepExtendedPrecision) {
    const double a = 1.0 + std::ldexp(1.0, -30);
    const double want = std::ldexp(1.0, -29) + std::ldexp(1.0, -60);
    std::vector<Ipp64fc> v = {{a, 1.0}};
    ASSERT_EQ(ippsMulC_64fc_I({a, 1.0}, v.data(), 1), 0);
    EXPECT_EQ(v[0].re, want);
    v = {{a, 1.0}};
    const Ipp64fc conj = {a, -1.0};
    ASSERT_EQ(ippsMul_64fc_I(&conj, v.data(), 1), 0);  // |x|^2 = a^2 + 1
    EXPECT_EQ(v[0].re, 2.0 + want);
    v = {{a, 1.0}};
    ASSERT_EQ(ippsSqr_64fc_I(v.data(), 1), 0);
    EXPECT_EQ(v[0].re, want);
    std::vector<double> p(1);
    const Ipp64fc c = {a, -1.0};
    ASSERT_EQ(ippsPowerSpectr_64fc(&c, p.data(), 1), 0);
    EXPECT_EQ(p[0], 2.0 + want);
}

TEST(SignalArithmetic, ComplexSquareRootIsThePrincipalRoot) {
    const std::vector<Ipp64fc> in = {{-4, 0}, {0, -2}, {3, 4}, {0, 0}, {-1, -1e-300}, {1e300, -1e300}};
    std::vector<Ipp64fc> out(in.size());
    ASSERT_EQ(ippsSqrt_64fc(in.data(), out.data(), static_cast<int>(in.size())), 0);
    EXPECT_EQ(parts(out.data(), 4), (Parts{{0, 2}, {1, -1}, {2, 1}, {0, 0}}));
    EXPECT_LT(out[4].im, 0.0);  // just below the cut: the lower half
    EXPECT_NEAR(out[4].im, -1.0, 1e-15);
    // Large parts stay finite: the root works on half the value.
    EXPECT_TRUE(std::isfinite(out[5].re));
    EXPECT_NEAR(out[5].re * out[5].re - out[5].im * out[5].im, 1e300, 1e285);
}

TEST(SignalArithmetic, ComplexHelpers) {
    std::vector<Ipp64fc> v = {{1, 0}, {2, 3}, {4, 5}, {9, 9}, {9, 9}};
    ASSERT_EQ(ippsConjCcs_64fc_I(v.data(), 4), 0);
    EXPECT_EQ(parts(v), (Parts{{1, 0}, {2, 3}, {4, 5}, {2, -3}, {9, 9}}));
    ASSERT_EQ(ippsConjCcs_64fc_I(v.data(), 5), 0);
    EXPECT_EQ(parts(v), (Parts{{1, 0}, {2, 3}, {4, 5}, {4, -5}, {2, -3}}));
    std::vector<Ipp64fc> one = {{7, 8}, {6, 6}};
    ASSERT_EQ(ippsConjCcs_64fc_I(one.data(), 2), 0);
    EXPECT_EQ(parts(one), (Parts{{7, 8}, {6, 6}}));

    const double re[] = {1, 2}, im[] = {3, 4};
    std::vector<Ipp64fc> c(2);
    ASSERT_EQ(ippsRealToCplx_64f(re, nullptr, c.data(), 2), 0);
    EXPECT_EQ(parts(c), (Parts{{1, 0}, {2, 0}}));
    ASSERT_EQ(ippsRealToCplx_64f(nullptr, im, c.data(), 2), 0);
    EXPECT_EQ(parts(c), (Parts{{0, 3}, {0, 4}}));
    EXPECT_EQ(ippsRealToCplx_64f(nullptr, nullptr, c.data(), 2), ippStsNullPtrErr);
    const float fr[] = {1.5f};
    Ipp32fc fc{};
    ASSERT_EQ(ippsRealToCplx_32f(fr, nullptr, &fc, 1), 0);
    EXPECT_EQ(fc.re, 1.5f);

    ASSERT_EQ(_px_ippsConj_64fc_I(v.data(), 2), 0);
    EXPECT_EQ(parts(v.data(), 2), (Parts{{1, 0}, {2, -3}}));
    double phase = 0;
    const Ipp64fc q = {-1, -1};
    ASSERT_EQ(ippsPhase_64fc(&q, &phase, 1), 0);
    EXPECT_DOUBLE_EQ(phase, -0.75 * std::numbers::pi);
}

}  // namespace
}  // namespace oculon::primitives
