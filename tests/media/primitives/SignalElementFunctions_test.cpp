// Element functions against the C library, their warnings, and the two
// signal generators.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "media/primitives/SignalElementFunctions.h"
#include "media/primitives/SignalGenerators.h"

namespace oculon::primitives {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }
std::vector<std::uint64_t> bits(const std::vector<double>& v) {
    std::vector<std::uint64_t> out;
    for (double x : v) out.push_back(bits(x));
    return out;
}

// Distance in units in the last place between two finite doubles of one sign.
std::int64_t ulps(double a, double b) {
    return std::llabs(static_cast<std::int64_t>(bits(a)) - static_cast<std::int64_t>(bits(b)));
}

TEST(SignalElementFunctions, NullPointerBeforeLength) {
    double v[1] = {1};
    using Fn = IppStatus (*)(const Ipp64f*, Ipp64f*, int);
    for (Fn f : {ippsAbs_64f, ippsSqr_64f, ippsSqrt_64f, ippsExp_64f, ippsLn_64f}) {
        EXPECT_EQ(f(nullptr, v, 0), ippStsNullPtrErr);
        EXPECT_EQ(f(v, v, 0), ippStsSizeErr);
    }
    using FnI = IppStatus (*)(Ipp64f*, int);
    for (FnI f : {ippsAbs_64f_I, ippsSqr_64f_I, ippsSqrt_64f_I, ippsExp_64f_I, ippsLn_64f_I}) {
        EXPECT_EQ(f(nullptr, 0), ippStsNullPtrErr);
        EXPECT_EQ(f(v, -1), ippStsSizeErr);
    }
    EXPECT_EQ(ippsVectorJaehne_64f(nullptr, 0, -1), ippStsNullPtrErr);
    EXPECT_EQ(ippsVectorJaehne_64f(v, 0, -1), ippStsSizeErr);
    unsigned seed = 1;
    EXPECT_EQ(ippsRandUniform_Direct_64f(v, 1, 0, 1, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsRandUniform_Direct_64f(v, 0, 0, 1, &seed), ippStsSizeErr);
    EXPECT_EQ(v[0], 1);
}

// Within one unit in the last place of the C library over the reduced range,
// in groups of four and singly, and the C library's own results outside it.
TEST(SignalElementFunctions, ExponentialWithinOneUlpOfTheCLibrary) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> wide(-708.39, 709.78), narrow(-1, 1);
    std::vector<double> x;
    for (int i = 0; i < 20000; ++i) x.push_back(i % 2 ? wide(rng) : narrow(rng) * std::ldexp(1.0, -(i % 60)));
    for (double s : {0.0, -0.0, 1.0, 709.7, -708.39, 709.8, -708.4, 710.0, -745.2, -800.0, kInf, -kInf}) x.push_back(s);
    x.push_back(std::nan(""));
    std::vector<double> out(x.size());
    ASSERT_EQ(ippsExp_64f(x.data(), out.data(), static_cast<int>(x.size())), 0);
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double want = std::exp(x[i]);
        if (std::isnan(want)) EXPECT_TRUE(std::isnan(out[i]));
        else if (want == 0 || std::isinf(want)) EXPECT_EQ(out[i], want) << x[i];
        else ASSERT_LE(ulps(out[i], want), 1) << x[i];
    }
    EXPECT_EQ(out[x.size() - 13], 1.0);  // e^0
}

TEST(SignalElementFunctions, LogarithmSpecialCasesAndFirstWarning) {
    std::vector<double> v = {1, 0, -1};
    ASSERT_EQ(ippsLn_64f_I(v.data(), 3), ippStsLnZeroArg);
    EXPECT_EQ(bits(v), bits({0, -kInf, kIppNaN}));
    v = {-1, 0};
    EXPECT_EQ(ippsLn_64f_I(v.data(), 2), ippStsLnNegArg);
    v = {-0.0, std::nan(""), -std::nan(""), std::numbers::e};
    std::vector<double> out(4);
    EXPECT_EQ(ippsLn_64f(v.data(), out.data(), 4), ippStsLnNegArg);
    EXPECT_TRUE(std::isnan(out[1]) && !std::signbit(out[1]));
    out[1] = 0;
    EXPECT_EQ(bits(out), bits({kIppNaN, 0, kIppNaN, 1.0}));
}

TEST(SignalElementFunctions, SquareRootOfNegativesAndZeros) {
    std::vector<double> v = {4, -4, -0.0, 0.0, kInf}, out(5);
    EXPECT_EQ(ippsSqrt_64f(v.data(), out.data(), 5), ippStsSqrtNegArg);
    EXPECT_EQ(bits(out), bits({2, kIppNaN, -0.0, 0.0, kInf}));
    EXPECT_EQ(ippsSqrt_64f_I(v.data() + 2, 3), 0);
    EXPECT_TRUE(std::signbit(v[2]));
    v = {-0.0, -3};
    ASSERT_EQ(ippsAbs_64f_I(v.data(), 2), 0);
    EXPECT_EQ(bits(v[0]), 0u);  // the sign bit cleared
}

TEST(SignalElementFunctions, JaehneFollowsItsFormula) {
    std::vector<double> v(257, 7.0);
    EXPECT_EQ(ippsVectorJaehne_64f(v.data(), 257, -1.0), ippStsJaehneErr);
    EXPECT_EQ(v[0], 7.0);
    ASSERT_EQ(ippsVectorJaehne_64f(v.data(), 1, 3.0), 0);
    EXPECT_EQ(v[0], 0.0);
    ASSERT_EQ(ippsVectorJaehne_64f(v.data(), 257, 0.0), 0);
    for (double x : v) EXPECT_EQ(x, 0.0);
    ASSERT_EQ(ippsVectorJaehne_64f(v.data(), 257, 2.5), 0);
    for (int i = 0; i < 257; ++i) ASSERT_NEAR(v[i], 2.5 * std::sin(std::numbers::pi / 2 / 257 * i * i), 1e-12) << i;
}

// The generator written out again from its definition, for the first values.
TEST(SignalElementFunctions, UniformRandomSequence) {
    const unsigned seed0 = 12345;
    const double low = -2, high = 6;
    std::vector<double> v(6);
    unsigned seed = seed0;
    ASSERT_EQ(ippsRandUniform_Direct_64f(v.data(), 6, low, high, &seed), 0);
    std::uint32_t a = seed0, b = a * 69069u + 1013904243u, c = b * 69069u + 1013904243u, lcg = 1131199209u;
    std::int64_t borrow = -1;
    for (int i = 0; i < 6; ++i) {
        lcg = lcg * 69069u + 1013904243u;
        const auto d = static_cast<std::int32_t>(static_cast<std::uint32_t>(std::int64_t{b} - c + borrow));
        borrow = d < 0 ? -1 : 0;
        const std::uint32_t t = static_cast<std::uint32_t>(d < 0 ? std::int64_t{d} - 18 : d);
        c = b, b = a, a = t;
        const double scale = (high - low) * std::bit_cast<double>(std::uint64_t{0x3DF0000000000007});
        EXPECT_NEAR(v[i], static_cast<std::int32_t>(t + lcg) * scale + (low + high) / 2, 1e-15) << i;
    }
    EXPECT_EQ(seed, a);

    // The same seed repeats the sequence; the updated seed starts a new one.
    std::vector<double> whole(1000), again(1000), next(1000);
    seed = 99;
    ASSERT_EQ(ippsRandUniform_Direct_64f(whole.data(), 1000, low, high, &seed), 0);
    const unsigned updated = seed;
    EXPECT_NE(updated, 99u);
    ASSERT_EQ(ippsRandUniform_Direct_64f(next.data(), 1000, low, high, &seed), 0);
    seed = 99;
    ASSERT_EQ(ippsRandUniform_Direct_64f(again.data(), 1000, low, high, &seed), 0);
    EXPECT_EQ(whole, again);
    EXPECT_EQ(seed, updated);
    EXPECT_NE(whole, next);
    double sum = 0;
    for (double x : whole) {
        ASSERT_GE(x, low);
        ASSERT_LE(x, high);
        sum += x;
    }
    EXPECT_NEAR(sum / 1000, 2.0, 0.25);
}

}  // namespace
}  // namespace oculon::primitives
