// Division of 8u and 16s samples by an image and by a constant against the
// plain rule: the exact quotient times 2^-sf, ties to even, saturated; a zero
// divisor element saturates by the dividend's sign and warns; the 8-bit
// constant division multiplies by the published six-digit reciprocals.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "SampleReference.h"
#include "media/primitives/SampleDivision.h"

namespace oculon::primitives {
namespace {

int zeroDivisor(int n, int lo, int hi) { return n > 0 ? hi : n < 0 ? lo : 0; }

// Every pair of `values` (rows the dividends, columns the divisors), through
// the in-place and the out-of-place image forms.
template <typename T>
void checkImageDivision(const std::vector<int>& values, int sfFrom, int sfTo, int lo, int hi) {
    const int n = static_cast<int>(values.size()), step = n * static_cast<int>(sizeof(T));
    std::vector<T> divisors(static_cast<size_t>(n) * n), dividends(divisors.size());
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            divisors[y * n + x] = static_cast<T>(values[x]);
            dividends[y * n + x] = static_cast<T>(values[y]);
        }
    for (int sf = sfFrom; sf <= sfTo; ++sf) {
        SCOPED_TRACE(testing::Message() << "sf " << sf);
        std::vector<T> inPlace = dividends, out(divisors.size());
        IppStatus st1, st2;
        if constexpr (sizeof(T) == 1) {
            st1 = ippiDiv_8u_C1IRSfs(divisors.data(), step, inPlace.data(), step, {n, n}, sf);
            st2 = ippiDiv_8u_C1RSfs(divisors.data(), step, dividends.data(), step, out.data(), step, {n, n}, sf);
        } else {
            st1 = ippiDiv_16s_C1IRSfs(divisors.data(), step, inPlace.data(), step, {n, n}, sf);
            st2 = ippiDiv_16s_C1RSfs(divisors.data(), step, dividends.data(), step, out.data(), step, {n, n}, sf);
        }
        EXPECT_EQ(st1, ippStsDivByZero);
        EXPECT_EQ(st2, ippStsDivByZero);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const int d = values[x], q = values[y];
                const int want =
                    d == 0 ? zeroDivisor(q, lo, hi) : static_cast<int>(reference::scaled(q, d, sf, lo, hi));
                ASSERT_EQ(inPlace[y * n + x], want) << q << " / " << d;
                ASSERT_EQ(out[y * n + x], want) << q << " / " << d;
            }
    }
}

TEST(SampleDivision, EveryPairOf8uSamplesByImage) {
    std::vector<int> all(256);
    for (int i = 0; i < 256; ++i) all[i] = i;
    checkImageDivision<Ipp8u>(all, -17, 10, 0, 255);
}

TEST(SampleDivision, SampledPairsOf16sByImageUpToTheFloatRange) {
    checkImageDivision<Ipp16s>(reference::interesting16s(38, 3), -33, 19, -32768, 32767);
    // Beyond the range of a double's power of two, quotients still saturate
    // or vanish, and 0 / x stays 0.
    Ipp16s d[3] = {3, -3, 7}, n[3] = {5, 5, 0};
    ASSERT_EQ(ippiDiv_16s_C1IRSfs(d, 6, n, 6, {3, 1}, -5000), ippStsNoErr);
    EXPECT_EQ(std::vector<int>(n, n + 3), (std::vector<int>{32767, -32768, 0}));
    ASSERT_EQ(ippiDiv_16s_C1IRSfs(d, 6, n, 6, {3, 1}, 5000), ippStsNoErr);
    EXPECT_EQ(n[0], 0);
}

TEST(SampleDivision, OnlyTheRowsWithAZeroDivisorWarnButAllAreComputed) {
    Ipp8u divisors[6] = {2, 4, 8, 1, 0, 3}, dividends[6] = {9, 9, 9, 9, 9, 9}, out[6] = {};
    EXPECT_EQ(ippiDiv_8u_C1RSfs(divisors, 3, dividends, 3, out, 3, {3, 1}, 0), ippStsNoErr);
    EXPECT_EQ(ippiDiv_8u_C1RSfs(divisors, 3, dividends, 3, out, 3, {3, 2}, 0), ippStsDivByZero);
    EXPECT_EQ(out[4], 255);
    EXPECT_EQ(out[5], 3);
}

// The reciprocal table read back from its six-digit decimals.
TEST(SampleDivision, OddStepsOf16sImagesDivideLikeTheirRows) {
    // A 16-bit row may start at any byte an odd step gives: each row divides
    // like the same samples in a vector of their own.
    constexpr int kStep = 7, kWidth = 3, kHeight = 4;
    std::vector<Ipp8u> a(kStep * kHeight + 1), b(a.size()), d(a.size());
    for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<Ipp8u>(i * 37 + 1), b[i] = static_cast<Ipp8u>(i * 91);
    const auto at = [](std::vector<Ipp8u>& v) { return reinterpret_cast<Ipp16s*>(v.data() + 1); };
    ASSERT_EQ(ippiDiv_16s_C1RSfs(at(a), kStep, at(b), kStep, at(d), kStep, {kWidth, kHeight}, -1), ippStsNoErr);
    for (int y = 0; y < kHeight; ++y) {
        Ipp16s divisors[kWidth], dividends[kWidth], want[kWidth], got[kWidth];
        std::memcpy(divisors, a.data() + 1 + y * kStep, sizeof divisors);
        std::memcpy(dividends, b.data() + 1 + y * kStep, sizeof dividends);
        std::memcpy(got, d.data() + 1 + y * kStep, sizeof got);
        ASSERT_EQ(_px_ippsDiv_16s_Sfs(divisors, dividends, want, kWidth, -1), ippStsNoErr);
        for (int x = 0; x < kWidth; ++x) EXPECT_EQ(got[x], want[x]) << x << ", " << y;
    }
    // Division by a constant, out of place and in place, the same way.
    std::vector<Ipp8u> c = b;
    ASSERT_EQ(ippiDivC_16s_C1RSfs(at(b), kStep, -7, at(d), kStep, {kWidth, kHeight}, -1), ippStsNoErr);
    ASSERT_EQ(ippiDivC_16s_C1IRSfs(-7, at(c), kStep, {kWidth, kHeight}, -1), ippStsNoErr);
    for (int y = 0; y < kHeight; ++y) {
        Ipp16s dividends[kWidth], want[kWidth], got[kWidth], gotInPlace[kWidth];
        std::memcpy(dividends, b.data() + 1 + y * kStep, sizeof dividends);
        std::memcpy(got, d.data() + 1 + y * kStep, sizeof got);
        std::memcpy(gotInPlace, c.data() + 1 + y * kStep, sizeof gotInPlace);
        ASSERT_EQ(_px_ippsDivC_16s_Sfs(dividends, -7, want, kWidth, -1), ippStsNoErr);
        for (int x = 0; x < kWidth; ++x) EXPECT_TRUE(got[x] == want[x] && gotInPlace[x] == want[x]) << x << ", " << y;
    }
}

TEST(SampleDivision, ReciprocalTableHoldsSixDigitValuesRoundedHalfUp) {
    EXPECT_EQ(kDivC8uReciprocals[0], std::strtof("0.000001", nullptr));
    for (int n = 1; n < 256; ++n) {
        long digits = 1000000 / n;
        if (2 * (1000000 % n) >= n) ++digits;
        char text[16];
        std::snprintf(text, sizeof text, "%ld.%06ld", digits / 1000000, digits % 1000000);
        ASSERT_EQ(kDivC8uReciprocals[n], std::strtof(text, nullptr)) << n << " " << text;
    }
}

// x times the table entry times 2^-sf, worked exactly in integers: the entry
// is mantissa / 2^shift.
int expectedDivC8u(int x, int value, int sf) {
    int exponent = 0;
    const double m = std::frexp(static_cast<double>(kDivC8uReciprocals[value]), &exponent);
    const std::int64_t mantissa = static_cast<std::int64_t>(std::ldexp(m, 24));
    return static_cast<int>(reference::scaled(x * mantissa, std::int64_t{1} << (24 - exponent), sf, 0, 255));
}

TEST(SampleDivision, ConstantDivision8uFollowsTheTableForEveryValue) {
    std::vector<Ipp8u> all(256), out(256), image(512, 0xEE);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<Ipp8u>(i);
    for (int value = 1; value < 256; ++value)
        for (int sf = -17; sf <= 10; ++sf) {
            SCOPED_TRACE(testing::Message() << "value " << value << " sf " << sf);
            std::vector<Ipp8u> inPlace = all;
            ASSERT_EQ(ippsDivC_8u_Sfs(all.data(), static_cast<Ipp8u>(value), out.data(), 256, sf), ippStsNoErr);
            ASSERT_EQ(ippsDivC_8u_ISfs(static_cast<Ipp8u>(value), inPlace.data(), 256, sf), ippStsNoErr);
            ASSERT_EQ(ippiDivC_8u_C1RSfs(all.data(), 16, static_cast<Ipp8u>(value), image.data(), 32, {16, 16}, sf),
                      ippStsNoErr);
            for (int x = 0; x < 256; ++x) {
                const int want = expectedDivC8u(x, value, sf);
                ASSERT_EQ(out[x], want) << x;
                ASSERT_EQ(inPlace[x], want) << x;
                ASSERT_EQ(image[(x / 16) * 32 + x % 16], want) << x;
                ASSERT_EQ(image[(x / 16) * 32 + 16 + x % 16], 0xEE);
            }
        }
}

TEST(SampleDivision, ConstantDivision16sForEveryDividend) {
    std::vector<Ipp16s> all(65536), out(65536);
    for (int i = 0; i < 65536; ++i) all[i] = static_cast<Ipp16s>(i - 32768);
    for (int value : {-32768, -32767, -2, -1, 1, 2, 3, 6, 255, 32767, 10007, -1234}) {
        for (int sf : {-5000, -32, -31, -16, -15, -1, 0, 1, 2, 14, 15, 16, 17, 18, 5000}) {
            SCOPED_TRACE(testing::Message() << "value " << value << " sf " << sf);
            std::vector<Ipp16s> image = all;
            ASSERT_EQ(ippsDivC_16s_Sfs(all.data(), static_cast<Ipp16s>(value), out.data(), 65536, sf), ippStsNoErr);
            ASSERT_EQ(ippiDivC_16s_C1IRSfs(static_cast<Ipp16s>(value), image.data(), 512, {256, 256}, sf), ippStsNoErr);
            for (int i = 0; i < 65536; ++i) {
                const int want = static_cast<int>(reference::scaled(i - 32768, value, sf, -32768, 32767));
                ASSERT_EQ(out[i], want) << i - 32768;
                ASSERT_EQ(image[i], want) << i - 32768;
            }
        }
    }
}

TEST(SampleDivision, ArgumentTestsComeInTheirOrder) {
    Ipp8u b[4] = {1, 1, 1, 1};
    Ipp16s w[4] = {1, 1, 1, 1};
    const IppiSize one{1, 1}, none{0, 0};
    EXPECT_EQ(ippiDiv_8u_C1RSfs(b, 1, b, 1, nullptr, 0, none, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiDiv_16s_C1IRSfs(nullptr, 0, w, 0, none, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiDiv_8u_C1IRSfs(b, 0, b, 0, {1, 0}, 0), ippStsSizeErr);
    EXPECT_EQ(ippiDiv_16s_C1RSfs(w, 2, w, 0, w, 2, one, 0), ippStsStepErr);
    EXPECT_EQ(_px_ippsDiv_8u_Sfs(b, b, nullptr, 0, 0), ippStsNullPtrErr);
    EXPECT_EQ(_px_ippsDiv_16s_Sfs(w, w, w, 0, 0), ippStsSizeErr);

    EXPECT_EQ(ippsDivC_8u_Sfs(b, 0, nullptr, 0, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsDivC_8u_ISfs(0, b, 0, 0), ippStsSizeErr);
    EXPECT_EQ(ippsDivC_16s_ISfs(0, w, 1, 0), ippStsDivByZeroErr);
    EXPECT_EQ(ippsDivC_16s_Sfs(w, 0, w, 4, 0), ippStsDivByZeroErr);
    EXPECT_EQ(ippiDivC_8u_C1RSfs(nullptr, 1, 0, b, 0, none, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiDivC_8u_C1IRSfs(0, b, 0, none, 0), ippStsSizeErr);
    EXPECT_EQ(ippiDivC_16s_C1RSfs(w, 2, 0, w, 0, one, 0), ippStsStepErr);
    EXPECT_EQ(ippiDivC_16s_C1IRSfs(0, w, 2, one, 0), ippStsDivByZeroErr);
    for (Ipp8u x : b) EXPECT_EQ(x, 1);
    for (Ipp16s x : w) EXPECT_EQ(x, 1);
}

}  // namespace
}  // namespace oculon::primitives
