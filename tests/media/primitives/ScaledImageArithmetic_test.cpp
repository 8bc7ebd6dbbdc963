// Scaled arithmetic of images, with two images or one constant per channel,
// and squares, against one exact rule: the exact result times 2^-sf, rounded
// half to even, saturated. Every pair of bytes runs through every scale
// factor range and cut-off; the region forms run over random images with row
// gaps and bottom-up steps, and must leave alpha and gaps as they were.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "TestImage.h"
#include "media/primitives/ScaledConstantArithmetic.h"
#include "media/primitives/ScaledImageArithmetic.h"

namespace oculon::primitives {
namespace {

using test::TestImage;
using u64 = std::uint64_t;

u64 exactScaled(u64 v, int sf, u64 max) {
    if (sf <= -40) return v != 0 ? max : 0;
    if (sf <= 0) {
        return std::min(v << -sf, max);
    }
    if (sf >= 60) return 0;
    const u64 q = v >> sf, r = v - (q << sf), half = u64{1} << (sf - 1);
    return std::min(r > half || (r == half && (q & 1)) ? q + 1 : q, max);
}

enum class Op { Add, Sub, Mul };
u64 exact(Op op, u64 a, u64 b) { return op == Op::Add ? a + b : op == Op::Sub ? (a > b ? a - b : 0) : a * b; }

const int kScaleFactors[] = {INT_MIN, -40, -17, -16, -15, -9, -8, -7, -3, -1, 0,  1,  2,  3,  5,      7,
                             8,       9,   10,  11,  15,  16, 17, 18, 19, 31, 32, 33, 40, 64, INT_MAX};

// Every pair of bytes through the one-channel forms: first source in the
// low byte of the index, second in the high byte.
TEST(ScaledImageArithmetic, EightBitPairsFollowTheRule) {
    std::vector<Ipp8u> a(65536), b(65536), d(65536);
    for (int i = 0; i < 65536; ++i) a[i] = static_cast<Ipp8u>(i), b[i] = static_cast<Ipp8u>(i >> 8);
    using Fn = IppStatus (*)(const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int);
    const std::pair<Op, Fn> members[] = {
        {Op::Add, ippiAdd_8u_C1RSfs}, {Op::Sub, ippiSub_8u_C1RSfs}, {Op::Mul, ippiMul_8u_C1RSfs}};
    for (auto [op, fn] : members)
        for (int sf : kScaleFactors) {
            SCOPED_TRACE(testing::Message() << int(op) << " sf " << sf);
            ASSERT_EQ(fn(a.data(), 256, b.data(), 256, d.data(), 256, {256, 256}, sf), ippStsNoErr);
            for (int i = 0; i < 65536; ++i)  // Sub: second minus first
                ASSERT_EQ(d[i], exactScaled(exact(op, b[i], a[i]), sf, 255)) << a[i] << ", " << b[i];
        }
}

// Every pixel value against every constant (four constants a call on C4
// images), and every square.
TEST(ScaledImageArithmetic, ConstantsAndSquaresFollowTheRule) {
    using Fn = IppStatus (*)(const Ipp8u*, Ipp8u*, int, IppiSize, int);
    const std::pair<Op, Fn> members[] = {
        {Op::Add, ippiAddC_8u_C4IRSfs}, {Op::Sub, ippiSubC_8u_C4IRSfs}, {Op::Mul, ippiMulC_8u_C4IRSfs}};
    std::vector<Ipp8u> img(1024);
    for (auto [op, fn] : members)
        for (int sf : kScaleFactors)
            for (int c0 = 0; c0 < 256; c0 += 4) {
                const Ipp8u c[4] = {Ipp8u(c0), Ipp8u(c0 + 1), Ipp8u(c0 + 2), Ipp8u(c0 + 3)};
                for (int i = 0; i < 1024; ++i) img[i] = static_cast<Ipp8u>(i / 4);
                ASSERT_EQ(fn(c, img.data(), 1024, {256, 1}, sf), ippStsNoErr);
                for (int i = 0; i < 1024; ++i)
                    ASSERT_EQ(img[i], exactScaled(exact(op, i / 4, c[i % 4]), sf, 255))
                        << int(op) << " sf " << sf << " " << i / 4 << " " << int(c[i % 4]);
            }
    std::vector<Ipp8u> bytes(256), sq(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<Ipp8u>(i);
    for (int sf : kScaleFactors) {
        ASSERT_EQ(_px_ippsSqr_8u_Sfs(bytes.data(), sq.data(), 256, sf), ippStsNoErr);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(sq[i], exactScaled(u64(i) * i, sf, 255)) << i << " sf " << sf;
    }
}

TEST(ScaledImageArithmetic, SixteenBitFollowsTheRule) {
    std::vector<Ipp16u> a(4096), b(4096), d(4096);
    std::mt19937 rng(5);
    for (int i = 0; i < 4096; ++i) a[i] = static_cast<Ipp16u>(rng()), b[i] = static_cast<Ipp16u>(rng());
    a[0] = b[0] = 65535, a[1] = 0, b[1] = 1, a[2] = b[2] = 32768;
    using Fn = IppStatus (*)(const Ipp16u*, int, const Ipp16u*, int, Ipp16u*, int, IppiSize, int);
    const std::pair<Op, Fn> members[] = {
        {Op::Add, ippiAdd_16u_C1RSfs}, {Op::Sub, ippiSub_16u_C1RSfs}, {Op::Mul, ippiMul_16u_C1RSfs}};
    for (auto [op, fn] : members)
        for (int sf : kScaleFactors) {
            // Odd steps: 16-bit rows at any byte.
            ASSERT_EQ(fn(a.data(), 128, b.data(), 128, d.data(), 128, {64, 64}, sf), ippStsNoErr);
            for (int i = 0; i < 4096; ++i)
                ASSERT_EQ(d[i], exactScaled(exact(op, b[i], a[i]), sf, 65535)) << int(op) << " sf " << sf << " " << i;
        }
    Ipp16u one = 0;
    const Ipp16u big = 65535, zero = 0, unit = 1;
    ippiMul_16u_C1RSfs(&big, 2, &big, 2, &one, 2, {1, 1}, 16);
    EXPECT_EQ(one, 65534);
    ippiAdd_16u_C1RSfs(&zero, 2, &unit, 2, &one, 2, {1, 1}, -16);
    EXPECT_EQ(one, 65535);
}

// The region forms: right operands, only their bytes, any step.
TEST(ScaledImageArithmetic, RegionFormsWriteOnlyTheirBytes) {
    using Two = std::function<IppStatus(const Ipp8u*, int, Ipp8u*, int, const Ipp8u*, int, IppiSize, int)>;
    struct Member {
        const char* name;
        Op op;
        int channels, written;
        Two run;  // (first, its step, destination, its step, second or null for in place, ...)
    };
    auto out = [](auto fn) {
        return [fn](const Ipp8u* a, int as, Ipp8u* d, int ds, const Ipp8u* b, int bs, IppiSize r, int sf) {
            return fn(a, as, b, bs, d, ds, r, sf);
        };
    };
    auto in = [](auto fn) {
        return [fn](const Ipp8u* a, int as, Ipp8u* d, int ds, const Ipp8u*, int, IppiSize r, int sf) {
            return fn(a, as, d, ds, r, sf);
        };
    };
    const Member members[] = {
        {"Add C3R", Op::Add, 3, 3, out(ippiAdd_8u_C3RSfs)},    {"Add C4R", Op::Add, 4, 4, out(ippiAdd_8u_C4RSfs)},
        {"Sub AC4R", Op::Sub, 4, 3, out(ippiSub_8u_AC4RSfs)},  {"Mul C3R", Op::Mul, 3, 3, out(ippiMul_8u_C3RSfs)},
        {"Add C3IR", Op::Add, 3, 3, in(ippiAdd_8u_C3IRSfs)},   {"Sub C3IR", Op::Sub, 3, 3, in(ippiSub_8u_C3IRSfs)},
        {"Mul AC4IR", Op::Mul, 4, 3, in(ippiMul_8u_AC4IRSfs)}, {"Add AC4IR", Op::Add, 4, 3, in(ippiAdd_8u_AC4IRSfs)},
    };
    unsigned seed = 1;
    for (const Member& m : members)
        for (int sf : {-3, 0, 1, 4, 9, 10, 17})
            for (const test::Layout& l : test::kLayouts)
                for (int w : {1, 6, 67}) {
                    SCOPED_TRACE(testing::Message() << m.name << " sf " << sf << " width " << w);
                    const int h = 3, row = w * m.channels;
                    const TestImage first(row, h, l.gap, l.bottomUp, ++seed),
                        second(row, h, l.gap + 1, !l.bottomUp, ++seed);
                    const bool inPlace = m.name[std::char_traits<char>::length(m.name) - 2] == 'I';
                    TestImage dst = inPlace ? second : TestImage(row, h, l.gap, l.bottomUp, ++seed);
                    TestImage want = dst;
                    for (int r = 0; r < h; ++r)
                        for (int i = 0; i < row; ++i)
                            if (i % m.channels < m.written)  // the second (or the destination) is the minuend
                                want.at(r, i) = static_cast<Ipp8u>(
                                    exactScaled(exact(m.op, second.at(r, i), first.at(r, i)), sf, 255));
                    const IppStatus st = m.run(first.row(0), first.step(), dst.origin(), dst.step(), second.row(0),
                                               second.step(), {w, h}, sf);
                    if (sf >= (m.op == Op::Add ? 10 : m.op == Op::Sub ? 9 : 17) && dst.step() < 1) {
                        EXPECT_EQ(st, ippStsStepErr);  // only the cut-off's fill tests the step
                        continue;
                    }
                    ASSERT_EQ(st, ippStsNoErr);
                    EXPECT_EQ(dst.bytes, want.bytes);
                }
}

TEST(ScaledImageArithmetic, ConstantRegionFormsKeepAlpha) {
    using Fn = IppStatus (*)(const Ipp8u*, Ipp8u*, int, IppiSize, int);
    struct Member {
        Fn fn;
        Op op;
        int channels, written;
    };
    const Member members[] = {{ippiAddC_8u_C3IRSfs, Op::Add, 3, 3},
                              {ippiAddC_8u_AC4IRSfs, Op::Add, 4, 3},
                              {ippiSubC_8u_C3IRSfs, Op::Sub, 3, 3},
                              {ippiMulC_8u_AC4IRSfs, Op::Mul, 4, 3},
                              {ippiMulC_8u_C3IRSfs, Op::Mul, 3, 3}};
    const Ipp8u c[4] = {3, 200, 77, 1};
    for (const Member& m : members)
        for (int sf : {-9, -2, 0, 1, 6, 9, 10, 17})
            for (const test::Layout& l : test::kLayouts) {
                SCOPED_TRACE(testing::Message() << int(m.op) << " " << m.channels << " sf " << sf);
                const int w = 131, h = 3;
                TestImage img(w * m.channels, h, l.gap, l.bottomUp, 9), want = img;
                for (int r = 0; r < h; ++r)
                    for (int i = 0; i < w * m.channels; ++i)
                        if (i % m.channels < m.written)
                            want.at(r, i) =
                                static_cast<Ipp8u>(exactScaled(exact(m.op, img.at(r, i), c[i % m.channels]), sf, 255));
                const IppStatus st = m.fn(c, img.origin(), img.step(), {w, h}, sf);
                // The cut-off fill rejects a negative step; nothing else tests it.
                const bool fill =
                    (m.op == Op::Add && sf >= 10) || (m.op == Op::Sub && sf >= 9) || (m.op == Op::Mul && sf >= 17);
                if (fill && l.bottomUp) {
                    EXPECT_EQ(st, ippStsStepErr);
                    continue;
                }
                ASSERT_EQ(st, ippStsNoErr);
                EXPECT_EQ(img.bytes, want.bytes);
            }
    // Squares, with a row buffer for AC4.
    TestImage src(4 * 37, 2, 3, false, 4), dst(4 * 37, 2, 1, false, 5), want = dst;
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 4 * 37; ++i)
            if (i % 4 < 3) want.at(r, i) = static_cast<Ipp8u>(exactScaled(u64(src.at(r, i)) * src.at(r, i), 3, 255));
    ASSERT_EQ(ippiSqr_8u_AC4RSfs(src.row(0), src.step(), dst.origin(), dst.step(), {37, 2}, 3), ippStsNoErr);
    EXPECT_EQ(dst.bytes, want.bytes);
    TestImage wantInPlace = src;
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 4 * 37; ++i)
            if (i % 4 < 3) wantInPlace.at(r, i) = want.at(r, i);
    ASSERT_EQ(ippiSqr_8u_AC4IRSfs(src.origin(), src.step(), {37, 2}, 3), ippStsNoErr);
    EXPECT_EQ(src.bytes, wantInPlace.bytes);
}

// n / d times 2^-sf, rounded half to even, 255 at most; a zero divisor
// gives 255 for a nonzero dividend.
int exactQuotient(int n, int d, int sf) {
    if (d == 0 || sf <= -16) return n != 0 ? 255 : 0;
    if (sf >= 9) return 0;
    const u64 num = u64(n) << std::max(-sf, 0), den = u64(d) << std::max(sf, 0);
    const u64 q = num / den, r = num - q * den;
    const u64 rounded = 2 * r > den || (2 * r == den && (q & 1)) ? q + 1 : q;
    return static_cast<int>(std::min<u64>(rounded, 255));
}

// Division by an image and by constants: the quotient rule, the warning for
// a zero divisor in the colour bytes only, alpha kept, and the constant
// forms refusing a zero constant before writing anything.
TEST(ScaledImageArithmetic, DivisionFollowsTheRule) {
    for (int sf : {-17, -16, -3, 0, 1, 5, 8, 9})
        for (int channels : {3, 4})
            for (const test::Layout& l : test::kLayouts) {
                SCOPED_TRACE(testing::Message() << "sf " << sf << " channels " << channels);
                const int w = 41, h = 3, row = channels * w;
                TestImage divisor(row, h, l.gap, false, 1), dividend(row, h, l.gap, false, 2);
                divisor.at(1, 0) = 0;                     // a colour byte: the warning
                if (channels == 4) divisor.at(0, 3) = 0;  // an alpha byte: no warning
                TestImage dst(row, h, l.gap, l.bottomUp, 3), want = dst;
                for (int r = 0; r < h; ++r)
                    for (int i = 0; i < row; ++i)
                        if (channels == 3 || i % 4 < 3)
                            want.at(r, i) = static_cast<Ipp8u>(exactQuotient(dividend.at(r, i), divisor.at(r, i), sf));
                const auto fn = channels == 3 ? ippiDiv_8u_C3RSfs : ippiDiv_8u_AC4RSfs;
                const IppStatus st = fn(divisor.row(0), divisor.step(), dividend.row(0), dividend.step(), dst.origin(),
                                        dst.step(), {w, h}, sf);
                if (l.bottomUp) {  // division tests its steps
                    EXPECT_EQ(st, ippStsStepErr);
                    continue;
                }
                EXPECT_EQ(st, ippStsDivByZero);
                EXPECT_EQ(dst.bytes, want.bytes);
                // In place: the source-destination is the dividend.
                TestImage inPlace = dividend;
                const auto ip = channels == 3 ? ippiDiv_8u_C3IRSfs : ippiDiv_8u_AC4IRSfs;
                EXPECT_EQ(ip(divisor.row(0), divisor.step(), inPlace.origin(), inPlace.step(), {w, h}, sf),
                          ippStsDivByZero);
                for (int r = 0; r < h; ++r)
                    for (int i = 0; i < row; ++i)
                        EXPECT_EQ(inPlace.at(r, i), channels == 4 && i % 4 == 3 ? dividend.at(r, i) : want.at(r, i));
            }
    Ipp8u px[4] = {7, 5, 0, 99};
    const Ipp8u twos[4] = {2, 2, 2, 2}, zero[4] = {2, 0, 2, 2};
    EXPECT_EQ(ippiDivC_8u_AC4IRSfs(twos, px, 4, {1, 1}, 0), ippStsNoErr);
    EXPECT_EQ(std::vector<int>(px, px + 4), (std::vector<int>{4, 2, 0, 99}));
    // A zero constant: C3 and C4 divide the region all the same (a nonzero
    // sample over 0 gives 255, 0 stays 0) and report the error; AC4 writes
    // nothing.
    Ipp8u c3[6] = {5, 7, 0, 5, 7, 0};
    EXPECT_EQ(ippiDivC_8u_C3IRSfs(zero, c3, 6, {2, 1}, 0), ippStsDivByZeroErr);
    EXPECT_EQ(std::vector<int>(c3, c3 + 6), (std::vector<int>{2, 255, 0, 2, 255, 0}));
    Ipp8u c4[8] = {5, 7, 0, 9, 5, 0, 0, 9};
    EXPECT_EQ(ippiDivC_8u_C4IRSfs(zero, c4, 8, {2, 1}, 0), ippStsDivByZeroErr);
    EXPECT_EQ(std::vector<int>(c4, c4 + 8), (std::vector<int>{2, 255, 0, 4, 2, 0, 0, 4}));
    Ipp8u ac4[8] = {5, 7, 0, 9, 5, 7, 0, 9};
    EXPECT_EQ(ippiDivC_8u_AC4IRSfs(zero, ac4, 8, {2, 1}, 0), ippStsDivByZeroErr);
    EXPECT_EQ(std::vector<int>(ac4, ac4 + 8), (std::vector<int>{5, 7, 0, 9, 5, 7, 0, 9}));
    // Every byte over every constant and scale factor range, on C4.
    std::vector<Ipp8u> img(1024);
    for (int sf : {-16, -2, 0, 1, 3, 8, 9})
        for (int c0 = 1; c0 < 256; c0 += 4) {
            const Ipp8u c[4] = {Ipp8u(c0), Ipp8u(c0 + 1), Ipp8u(c0 + 2), Ipp8u(std::min(c0 + 3, 255))};
            for (int i = 0; i < 1024; ++i) img[i] = static_cast<Ipp8u>(i / 4);
            ASSERT_EQ(ippiDivC_8u_C4IRSfs(c, img.data(), 1024, {256, 1}, sf), ippStsNoErr);
            for (int i = 0; i < 1024; ++i) ASSERT_EQ(img[i], exactQuotient(i / 4, c[i % 4], sf)) << i << " sf " << sf;
        }
}

// C3 and C4 forms test the width before anything; the others test pointers,
// then the size, and meet a step test only in the fill of the cut-off.
TEST(ScaledImageArithmetic, StatusOrder) {
    Ipp8u p[64] = {};
    Ipp16u q[8] = {};
    const Ipp8u c[4] = {1, 1, 1, 1};
    EXPECT_EQ(ippiAdd_8u_C3RSfs(nullptr, 3, p, 3, p, 3, {0, 1}, 0), ippStsSizeErr);
    EXPECT_EQ(ippiAdd_8u_C4RSfs(nullptr, 3, p, 3, p, 3, {1, 0}, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiMul_8u_C3IRSfs(p, 3, p, 3, {INT_MAX / 2, 1}, 0), ippStsSizeErr);
    EXPECT_EQ(ippiSub_8u_AC4RSfs(p, 4, p, 4, nullptr, 4, {0, 1}, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiAdd_8u_C1RSfs(p, 0, p, 0, p, 0, {2, 2}, 9), ippStsNoErr);
    EXPECT_EQ(ippiAdd_8u_C1RSfs(p, 0, p, 0, p, 0, {2, 2}, 10), ippStsStepErr);
    EXPECT_EQ(ippiAdd_8u_AC4IRSfs(p, 0, p, 0, {2, 2}, 10), ippStsStepErr);
    EXPECT_EQ(ippiAdd_16u_C1RSfs(q, 4, nullptr, 4, q, 4, {1, 1}, 18), ippStsNullPtrErr);
    EXPECT_EQ(ippiAdd_16u_C1RSfs(q, 4, q, 4, q, 0, {1, 1}, 18), ippStsStepErr);
    EXPECT_EQ(ippiAdd_16u_C1RSfs(q, 4, q, 4, q, 0, {1, 1}, 17), ippStsNoErr);
    EXPECT_EQ(ippiMul_16u_C1RSfs(q, 4, q, 4, nullptr, 4, {0, 1}, 33), ippStsNullPtrErr);
    EXPECT_EQ(ippiSub_16u_C1RSfs(q, 4, q, 4, q, 4, {0, 1}, 0), ippStsSizeErr);
    EXPECT_EQ(ippiAddC_8u_C3IRSfs(nullptr, p, 3, {0, 0}, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiMulC_8u_C4IRSfs(c, p, 0, {1, 0}, 0), ippStsSizeErr);
    EXPECT_EQ(ippiSubC_8u_C4IRSfs(c, p, 0, {1, 1}, 9), ippStsStepErr);
    EXPECT_EQ(ippiSqr_8u_C3RSfs(p, 3, nullptr, 3, {0, 1}, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiSqr_8u_C3IRSfs(p, 0, {0, 1}, 0), ippStsSizeErr);
    EXPECT_EQ(ippiSqr_8u_AC4IRSfs(p, 0, {1, 1}, 0), ippStsStepErr);
    EXPECT_EQ(_px_ippsSqr_8u_ISfs(p, 0, 0), ippStsSizeErr);
    EXPECT_EQ(_px_ippsSqr_8u_Sfs(nullptr, p, 0, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiDiv_8u_C3RSfs(p, 3, p, 3, nullptr, 3, {0, 1}, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiDiv_8u_AC4IRSfs(p, 4, p, 4, {1, 0}, 0), ippStsSizeErr);
    EXPECT_EQ(ippiDiv_8u_C3IRSfs(p, 0, p, 3, {1, 1}, 0), ippStsStepErr);
    EXPECT_EQ(ippiDivC_8u_C3IRSfs(c, p, 0, {1, 1}, 0), ippStsStepErr);
    EXPECT_EQ(ippiDivC_8u_C4IRSfs(c, nullptr, 4, {0, 1}, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiDivC_8u_AC4IRSfs(c, p, 4, {0, 1}, 0), ippStsSizeErr);
}

}  // namespace
}  // namespace oculon::primitives
