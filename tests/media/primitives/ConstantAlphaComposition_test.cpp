// Composition under constant opacities: the worked values of every rule,
// every rule against a plain writing of its formula with integer division by
// the full value, the test order, and rules that must not read the second
// image.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "TestImage.h"
#include "media/primitives/ConstantAlphaComposition.h"

namespace oculon::primitives {
namespace {

using test::TestImage;

// The formula of each rule with exact truncating division by m.
std::uint32_t rule(int type, std::uint32_t s1, std::uint32_t a, std::uint32_t s2, std::uint32_t b, std::uint32_t m) {
    auto d = [m](std::uint64_t x) { return static_cast<std::uint32_t>(x / m); };
    auto sat = [m](std::uint32_t x) { return x < m ? x : m; };
    switch (type) {
        case 0: return d(std::uint64_t{s1} * a) + d(std::uint64_t{d(std::uint64_t{s2} * b)} * (m - a));
        case 1: return d(std::uint64_t{d(std::uint64_t{s1} * a)} * b);
        case 2: return d(std::uint64_t{d(std::uint64_t{s1} * a)} * (m - b));
        case 3:
            return d(std::uint64_t{d(std::uint64_t{s1} * a)} * b) +
                   d(std::uint64_t{d(std::uint64_t{s2} * b)} * (m - a));
        case 4:
            return d(std::uint64_t{d(std::uint64_t{s1} * a)} * (m - b)) +
                   d(std::uint64_t{d(std::uint64_t{s2} * b)} * (m - a));
        case 5: return sat(d(std::uint64_t{s1} * a) + d(std::uint64_t{s2} * b));
        case 6: return sat(s1 + d(std::uint64_t{s2} * (m - a)));
        case 7: return d(std::uint64_t{s1} * b);
        case 8: return d(std::uint64_t{s1} * (m - b));
        case 9: return sat(d(std::uint64_t{s1} * b) + d(std::uint64_t{s2} * (m - a)));
        case 10: return sat(d(std::uint64_t{s1} * (m - b)) + d(std::uint64_t{s2} * (m - a)));
        default: return sat(s1 + s2);
    }
}

Ipp8u one(int type, Ipp8u s1, Ipp8u a, Ipp8u s2, Ipp8u b) {
    Ipp8u out = 0;
    EXPECT_EQ(ippiAlphaCompC_8u_C1R(&s1, 1, a, &s2, 1, b, &out, 1, {1, 1}, static_cast<IppiAlphaType>(type)),
              ippStsNoErr);
    return out;
}

TEST(ConstantAlphaComposition, WorkedValues) {
    const int want[12] = {112, 25, 74, 37, 86, 125, 249, 50, 149, 99, 198, 255};
    for (int t = 0; t < 12; ++t) EXPECT_EQ(one(t, 200, 128, 100, 64), want[t]) << t;
    const int opaque[6] = {149, 100, 0, 149, 49, 200};
    for (int t = 0; t < 6; ++t) EXPECT_EQ(one(t, 200, 128, 100, 255), opaque[t]) << t;
    EXPECT_EQ(one(0, 77, 255, 200, 90), 77);
    EXPECT_EQ(one(4, 77, 255, 200, 255), 0);
    Ipp16u s1 = 40000, s2 = 50000, out = 0;
    ippiAlphaCompC_16u_C1R(&s1, 2, 32768, &s2, 2, 65535, &out, 2, {1, 1}, ippAlphaOver);
    EXPECT_EQ(out, 44999);
}

TEST(ConstantAlphaComposition, EveryRuleFollowsItsFormula) {
    for (int type = 0; type < 12; ++type)
        for (int channels : {1, 3, 4, 2})  // 2: the 16-bit form
            for (const test::Layout& l : test::kLayouts) {
                SCOPED_TRACE(testing::Message() << "rule " << type << " channels " << channels);
                const int w = 13, h = 3, bytes = channels == 2 ? 2 : 1, samples = channels == 2 ? 1 : channels;
                const int row = w * samples * bytes, gap = 2 * l.gap;
                const TestImage s1(row, h, gap, l.bottomUp, 1 + type), s2(row, h, gap + 2, !l.bottomUp, 2 + type);
                TestImage dst(row, h, gap, l.bottomUp, 3), want = dst;
                const std::uint32_t m = bytes == 1 ? 255 : 65535, a = m / 3 + type, b = m - 7 * type;
                for (int r = 0; r < h; ++r)
                    for (int i = 0; i < w * samples; ++i) {
                        std::uint32_t x = 0, y = 0;
                        std::memcpy(&x, s1.row(r) + i * bytes, bytes);
                        std::memcpy(&y, s2.row(r) + i * bytes, bytes);
                        const std::uint32_t v = rule(type, x, a, y, b, m);
                        std::memcpy(want.row(r) + i * bytes, &v, bytes);
                    }
                const auto t = static_cast<IppiAlphaType>(type);
                IppStatus st;
                if (channels == 2)
                    st = ippiAlphaCompC_16u_C1R(reinterpret_cast<const Ipp16u*>(s1.row(0)), s1.step(),
                                                static_cast<Ipp16u>(a), reinterpret_cast<const Ipp16u*>(s2.row(0)),
                                                s2.step(), static_cast<Ipp16u>(b),
                                                reinterpret_cast<Ipp16u*>(dst.origin()), dst.step(), {w, h}, t);
                else
                    st = (channels == 1   ? ippiAlphaCompC_8u_C1R
                          : channels == 3 ? ippiAlphaCompC_8u_C3R
                                          : ippiAlphaCompC_8u_C4R)(s1.row(0), s1.step(), static_cast<Ipp8u>(a),
                                                                   s2.row(0), s2.step(), static_cast<Ipp8u>(b),
                                                                   dst.origin(), dst.step(), {w, h}, t);
                ASSERT_EQ(st, ippStsNoErr);
                EXPECT_EQ(dst.bytes, want.bytes);
            }
}

TEST(ConstantAlphaComposition, TestOrderAndUnreadSecondImage) {
    Ipp8u p[16] = {}, q[16] = {};
    EXPECT_EQ(ippiAlphaCompC_8u_C3R(p, 3, 1, nullptr, 3, 1, q, 3, {0, 1}, ippAlphaIn), ippStsNullPtrErr);
    EXPECT_EQ(ippiAlphaCompC_8u_C4R(p, 4, 1, p, 4, 1, q, 4, {0, 1}, static_cast<IppiAlphaType>(12)), ippStsSizeErr);
    EXPECT_EQ(ippiAlphaCompC_8u_C1R(p, 1, 1, p, 1, 1, q, 1, {1, 1}, static_cast<IppiAlphaType>(-1)),
              ippStsAlphaTypeErr);
    EXPECT_EQ(ippiAlphaCompC_8u_C1R(p, 1, 1, p, 1, 1, q, 1, {1, 1}, static_cast<IppiAlphaType>(12)),
              ippStsAlphaTypeErr);
    // In and out read only the first image: a one-byte second image and a
    // huge step would be caught by the address sanitizer if they did.
    Ipp8u lone = 9;
    for (IppiAlphaType t : {ippAlphaIn, ippAlphaOut, ippAlphaInPremul, ippAlphaOutPremul})
        EXPECT_EQ(ippiAlphaCompC_8u_C4R(p, 16, 200, &lone, 1 << 24, 100, q, 16, {4, 1}, t), ippStsNoErr);
    // In place over either source gives the result of separate buffers.
    Ipp8u s1[4] = {200, 10, 0, 255}, s2[4] = {100, 20, 255, 0}, sep[4];
    ippiAlphaCompC_8u_C4R(s1, 4, 128, s2, 4, 64, sep, 4, {1, 1}, ippAlphaXor);
    ippiAlphaCompC_8u_C4R(s1, 4, 128, s2, 4, 64, s2, 4, {1, 1}, ippAlphaXor);
    EXPECT_EQ(std::memcmp(sep, s2, 4), 0);
}

}  // namespace
}  // namespace oculon::primitives
