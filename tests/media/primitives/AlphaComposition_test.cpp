// Alpha composition over all pairs of colour and alpha bytes, against the
// composition rules written with exact division by 255.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "media/primitives/AlphaComposition.h"

namespace oculon::primitives {
namespace {

// The scaling the bodies use, d(p) = (p + (p >> 8) + 1) >> 8, is floor(p / 255)
// for every product of two bytes; the rules below are written with the latter.
TEST(AlphaComposition, ByteProductScalingIsFloorOfDivisionBy255) {
    for (unsigned x = 0; x < 256; ++x)
        for (unsigned y = 0; y < 256; ++y) {
            const unsigned p = x * y;
            ASSERT_EQ((p + (p >> 8) + 1) >> 8, p / 255) << x << " " << y;
        }
}

unsigned m(unsigned x, unsigned y) { return x * y / 255; }
unsigned sat(unsigned v) { return std::min(v, 255u); }

// Colour and alpha of one channel by type, from straight colours A, B.
struct Expected {
    unsigned colour;
    unsigned alpha;
};

Expected rule(int type, unsigned A, unsigned aA, unsigned B, unsigned aB) {
    const bool premul = type >= 6;
    const unsigned a = premul ? A : m(A, aA), b = premul ? B : m(B, aB);
    switch (type % 6) {
        case 0: return {sat(a + m(b, 255 - aA)), aA + m(aB, 255 - aA)};
        case 1: return {m(a, aB), m(aB, aA)};
        case 2: return {m(a, 255 - aB), m(aA, 255 - aB)};
        case 3: return {sat(m(aB, a) + m(b, 255 - aA)), aB};
        case 4: return {sat(m(a, 255 - aB) + m(b, 255 - aA)), m(255 - aB, aA) + m(255 - aA, aB)};
        default: return {sat(a + b), sat(aA + aB)};
    }
}

// A 256 x 256 image whose pixel (x, y) holds colour x and alpha y in the first
// source; the second source sweeps the same pairs transposed and shifted, so
// every (A, aA) and every (B, aB) pair occurs.
TEST(AlphaComposition, EveryTypeOverAllColourAlphaPairs) {
    constexpr int kSide = 256;
    constexpr int kStep = kSide * 4 + 12;  // rows with padding, walked row by row
    std::vector<Ipp8u> s1(kStep * kSide), s2(kStep * kSide), dst(kStep * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            Ipp8u* p = &s1[y * kStep + 4 * x];
            Ipp8u* q = &s2[y * kStep + 4 * x];
            p[0] = static_cast<Ipp8u>(x), p[1] = static_cast<Ipp8u>(255 - x), p[2] = static_cast<Ipp8u>(x * 7);
            p[3] = static_cast<Ipp8u>(y);
            q[0] = static_cast<Ipp8u>(y), q[1] = static_cast<Ipp8u>(x + y), q[2] = static_cast<Ipp8u>(255 - y);
            q[3] = static_cast<Ipp8u>(x * 13 + 5);
        }
    for (int type = 0; type < 12; ++type) {
        SCOPED_TRACE(type);
        ASSERT_EQ(ippiAlphaComp_8u_AC4R(s1.data(), kStep, s2.data(), kStep, dst.data(), kStep, {kSide, kSide},
                                        static_cast<IppiAlphaType>(type)),
                  ippStsNoErr);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const Ipp8u* p = &s1[y * kStep + 4 * x];
                const Ipp8u* q = &s2[y * kStep + 4 * x];
                const Ipp8u* d = &dst[y * kStep + 4 * x];
                for (int c = 0; c < 4; ++c) {
                    const Expected e = rule(type, p[c], p[3], q[c], q[3]);
                    ASSERT_EQ(d[c], c == 3 ? e.alpha : e.colour) << "x " << x << " y " << y << " channel " << c;
                }
            }
    }
}

TEST(AlphaComposition, ChecksInTheirOrderWriteNothing) {
    Ipp8u a[4] = {10, 20, 30, 255}, b[4] = {200, 100, 50, 255}, d[4] = {};
    const Ipp8u before[4] = {1, 2, 3, 4};
    std::copy(before, before + 4, d);
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(nullptr, 4, b, 4, d, 4, {0, 0}, static_cast<IppiAlphaType>(12)), ippStsNullPtrErr);
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a, 4, b, 4, d, 4, {0, 1}, static_cast<IppiAlphaType>(12)), ippStsSizeErr);
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a, 4, b, 4, d, 4, {1, 1}, static_cast<IppiAlphaType>(12)), ippStsAlphaTypeErr);
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a, 4, b, 4, d, 4, {1, 1}, static_cast<IppiAlphaType>(-1)), ippStsAlphaTypeErr);
    EXPECT_EQ(std::vector<Ipp8u>(d, d + 4), std::vector<Ipp8u>(before, before + 4));
}

}  // namespace
}  // namespace oculon::primitives
