// Width scalings and float conversions of samples over every 8-bit and 16-bit
// input (32-bit sampled) against plainly written rules; the 16-bit and 32-bit
// fills and copies; the complex L2 norm and its summation order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "SampleReference.h"
#include "media/primitives/ComplexNorm.h"
#include "media/primitives/SampleFillCopy.h"
#include "media/primitives/SampleScaling.h"

namespace oculon::primitives {
namespace {

template <typename T>
std::vector<T> everyValue() {
    std::vector<T> v(std::size_t{1} << (8 * sizeof(T)));
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<T>(i);
    return v;
}

// Runs an image routine over a whole vector as a region of 256-element rows
// with padded destination rows (the padding must survive), and once more
// densely packed, which takes the one-row path.
template <typename S, typename D, typename Fn>
std::vector<D> overRegion(const std::vector<S>& src, Fn fn) {
    const int w = 256, h = static_cast<int>(src.size()) / w, pad = 3;
    const int dstStep = (w + pad) * static_cast<int>(sizeof(D));
    std::vector<D> padded(static_cast<std::size_t>(w + pad) * h, D{7}), dense(src.size());
    EXPECT_EQ(fn(src.data(), w * static_cast<int>(sizeof(S)), padded.data(), dstStep, IppiSize{w, h}), ippStsNoErr);
    EXPECT_EQ(
        fn(src.data(), w * static_cast<int>(sizeof(S)), dense.data(), w * static_cast<int>(sizeof(D)), IppiSize{w, h}),
        ippStsNoErr);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w + pad; ++x) {
            const D got = padded[static_cast<std::size_t>(y) * (w + pad) + x];
            if (x < w) EXPECT_EQ(got, dense[static_cast<std::size_t>(y) * w + x]);
            else EXPECT_EQ(got, D{7});
        }
    return dense;
}

TEST(SampleScaling, WideningSpreadsEvery8BitValueOverTheRange) {
    const auto src = everyValue<Ipp8u>();
    const auto u16 = overRegion<Ipp8u, Ipp16u>(src, ippiScale_8u16u_C1R);
    const auto s16 = overRegion<Ipp8u, Ipp16s>(src, ippiScale_8u16s_C1R);
    const auto s32 = overRegion<Ipp8u, Ipp32s>(src, ippiScale_8u32s_C1R);
    const auto f32 = overRegion<Ipp8u, Ipp32f>(src, ippiConvert_8u32f_C1R);
    for (int s = 0; s < 256; ++s) {
        EXPECT_EQ(u16[s], s * 256 + s);
        EXPECT_EQ(s16[s], s * 256 + s - 32768);
        EXPECT_EQ(s32[s], std::int64_t{s} * 0x01010101 - 2147483648LL);
        EXPECT_EQ(f32[s], static_cast<float>(s));
    }
}

// 16-bit inputs all, 32-bit ones at every step between 8-bit levels (and
// half a step on) with their neighbours: u is the input moved to unsigned.
TEST(SampleScaling, NarrowingRoundsAccuratelyOrByTheShiftApproximation) {
    std::vector<Ipp32s> wide;
    for (std::int64_t k = 0; k < 256; ++k)
        for (std::int64_t d : {-1, 0, 1, 8421504, 8421505})
            wide.push_back(static_cast<Ipp32s>(std::clamp<std::int64_t>(k * 16843009 + d, 0, 0xFFFFFFFF) ^ 0x80000000));
    wide.resize(1536, INT32_MIN);
    for (IppHintAlgorithm hint : {ippAlgHintFast, ippAlgHintAccurate}) {
        const bool accurate = hint == ippAlgHintAccurate;
        auto with = [hint](auto fn) { return [fn, hint](auto... a) { return fn(a..., hint); }; };
        const auto fromU = overRegion<Ipp16u, Ipp8u>(everyValue<Ipp16u>(), with(ippiScale_16u8u_C1R));
        const auto fromS = overRegion<Ipp16s, Ipp8u>(everyValue<Ipp16s>(), with(ippiScale_16s8u_C1R));
        const auto from32 = overRegion<Ipp32s, Ipp8u>(wide, with(ippiScale_32s8u_C1R));
        auto narrow = [accurate](std::int64_t u, std::int64_t levelStep, int shift) {
            return accurate ? reference::roundDiv(u, levelStep)
                            : (u - (u >> 8) + (std::int64_t{1} << (shift - 1))) >> shift;
        };
        int differ = 0;
        for (int i = 0; i < 65536; ++i) {
            ASSERT_EQ(fromU[i], narrow(i, 257, 8)) << i;
            ASSERT_EQ(fromS[i], narrow(static_cast<Ipp16s>(i) + 32768, 257, 8)) << i;
            differ += fromU[i] != reference::roundDiv(i, 257);
        }
        EXPECT_EQ(differ, accurate ? 0 : 128);
        for (size_t i = 0; i < wide.size(); ++i)
            ASSERT_EQ(from32[i], narrow(std::int64_t{wide[i]} + 2147483648LL, 16843009, 24)) << wide[i];
    }
}

// Every float whose integer part is below 300 at quarter steps, plus the
// values around the ends and the non-numbers.
TEST(SampleScaling, FloatToByteRoundsOrTruncatesAndClamps) {
    std::vector<Ipp32f> v;
    for (int q = -40; q < 1200; ++q) v.push_back(q / 4.0f);
    for (float f : {std::nextafter(0.5f, 0.0f), std::nextafter(254.5f, 255.0f), std::nextafter(255.0f, 0.0f), 1e30f,
                    -1e30f, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN(), -0.0f, std::numeric_limits<float>::denorm_min()})
        v.push_back(f);
    while (v.size() % 256) v.push_back(0.75f);
    for (IppRoundMode mode : {ippRndNear, ippRndZero}) {
        const auto out = overRegion<Ipp32f, Ipp8u>(v, [mode](auto... a) { return ippiConvert_32f8u_C1R(a..., mode); });
        for (std::size_t i = 0; i < v.size(); ++i) {
            const double x = v[i];
            int want = 0;
            if (x >= 255.0) want = 255;
            else if (x > 0.0) want = static_cast<int>(mode == ippRndNear ? std::nearbyint(x) : std::trunc(x));
            ASSERT_EQ(out[i], want) << x << " mode " << mode;
        }
    }
}

TEST(SampleScaling, ArgumentTestsComeInTheirOrder) {
    Ipp8u b[4] = {};
    Ipp16u w[4] = {};
    Ipp32f f[4] = {};
    EXPECT_EQ(ippiScale_8u16u_C1R(b, 1, nullptr, 2, {0, 0}), ippStsNullPtrErr);
    EXPECT_EQ(ippiScale_16u8u_C1R(w, 0, b, 0, {1, 0}, ippAlgHintFast), ippStsSizeErr);
    EXPECT_EQ(ippiScale_16u8u_C1R(w, 2, b, 0, {1, 1}, ippAlgHintFast), ippStsStepErr);
    EXPECT_EQ(ippiConvert_32f8u_C1R(f, 0, b, 1, {1, 1}, ippRndNear), ippStsStepErr);
    EXPECT_EQ(ippiConvert_8u32f_C1R(nullptr, 1, f, 4, {1, 1}), ippStsNullPtrErr);

    EXPECT_EQ(ippsSet_16s(1, nullptr, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsConvert_8s16s(nullptr, reinterpret_cast<Ipp16s*>(w), 1), ippStsNullPtrErr);
    EXPECT_EQ(_px_ippsCopy_16s(reinterpret_cast<Ipp16s*>(w), reinterpret_cast<Ipp16s*>(w), 0), ippStsSizeErr);
    EXPECT_EQ(ippiSet_32s_C1R(1, nullptr, 0, {0, 0}), ippStsNullPtrErr);
    EXPECT_EQ(ippiSet_32s_C1R(1, reinterpret_cast<Ipp32s*>(f), 0, {0, 1}), ippStsSizeErr);
    EXPECT_EQ(ippiSet_32s_C1R(1, reinterpret_cast<Ipp32s*>(f), 0, {1, 1}), ippStsStepErr);
    EXPECT_EQ(ippiCopy_16s_C1R(nullptr, 2, reinterpret_cast<Ipp16s*>(w), 2, {1, 1}), ippStsNullPtrErr);
    EXPECT_EQ(ippiCopy_16s_C1R(reinterpret_cast<Ipp16s*>(w), 0, reinterpret_cast<Ipp16s*>(w + 2), 0, {2, 1}),
              ippStsNoErr);  // no step test
}

TEST(SampleFillCopy, FillsAndCopiesKeepToTheirElements) {
    // 32-bit words at an odd byte offset, rows 13 bytes apart.
    std::vector<Ipp8u> bytes(64, 0xEE);
    ASSERT_EQ(ippiSet_32s_C1R(-2, reinterpret_cast<Ipp32s*>(bytes.data() + 1), 13, {2, 3}), ippStsNoErr);
    for (int i = 0; i < 64; ++i) {
        const int col = (i - 1) % 13, row = (i - 1) / 13;
        const bool inside = i >= 1 && row < 3 && col < 8;
        ASSERT_EQ(bytes[i], inside ? 0xFF - (col % 4 == 0) : 0xEE) << i;
    }

    std::vector<Ipp16s> v(10, 5), c(10, 5);
    ASSERT_EQ(ippsSet_16s(-300, v.data() + 1, 8), ippStsNoErr);
    EXPECT_EQ(v, (std::vector<Ipp16s>{5, -300, -300, -300, -300, -300, -300, -300, -300, 5}));
    ASSERT_EQ(ippiCopy_16s_C1R(v.data(), 4, c.data() + 1, 6, {2, 3}), ippStsNoErr);
    EXPECT_EQ(c, (std::vector<Ipp16s>{5, 5, -300, 5, -300, -300, 5, -300, -300, 5}));
    ASSERT_EQ(_px_ippsCopy_16s(c.data(), v.data(), 3), ippStsNoErr);
    EXPECT_EQ(v[2], -300);

    std::vector<Ipp8s> all(256);
    std::vector<Ipp16s> wide(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<Ipp8s>(i);
    ASSERT_EQ(ippsConvert_8s16s(all.data(), wide.data(), 256), ippStsNoErr);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(wide[i], i < 128 ? i : i - 256);
}

TEST(ComplexNorm, SumsEvenAndOddElementsApart) {
    Ipp64f norm = 0;
    const Ipp64fc one[] = {{3, 4}};
    ASSERT_EQ(ippsNorm_L2_64fc64f(one, 1, &norm), ippStsNoErr);
    EXPECT_EQ(norm, 5.0);
    // 2^54 at element 0 and 1 at every odd one: added one by one, each 1
    // would vanish below 2^54's spacing of 4; summed apart they count.
    std::vector<Ipp64fc> v(17, Ipp64fc{0, 0});
    v[0] = {0x1p27, 0};
    for (int i = 1; i < 16; i += 2) v[i] = {0, 1};
    ASSERT_EQ(ippsNorm_L2_64fc64f(v.data(), 17, &norm), ippStsNoErr);
    EXPECT_EQ(norm, std::sqrt(0x1p54 + 8));
    EXPECT_EQ(ippsNorm_L2_64fc64f(nullptr, 0, &norm), ippStsNullPtrErr);
    EXPECT_EQ(ippsNorm_L2_64fc64f(one, 1, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsNorm_L2_64fc64f(one, 0, &norm), ippStsSizeErr);
}

}  // namespace
}  // namespace oculon::primitives
