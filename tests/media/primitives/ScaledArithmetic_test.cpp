// Integer arithmetic with a scale factor, checked against one exact rule:
// the exact result times 2^-scaleFactor, rounded half to even, saturated.
// The bodies reach it by shortcuts per scale-factor range; every range and
// cut-off is crossed here.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "media/primitives/SaturatedBytes.h"
#include "media/primitives/ScaledArithmetic.h"

namespace oculon::primitives {
namespace {

using i64 = std::int64_t;
__extension__ typedef __int128 i128;

// round-half-even(s x 2^-sf), clamped to lo..hi, in exact integer arithmetic.
i64 exactScaled(i128 s, int sf, i64 lo, i64 hi) {
    i128 v;
    if (sf <= 0) {
        if (s != 0 && -sf >= 60) return s > 0 ? hi : lo;
        v = s * (i128{1} << -sf);
    } else if (sf >= 100) {
        v = 0;
    } else {
        const i128 q = s >> sf;  // floor
        const i128 r = s - (q * (i128{1} << sf));
        const i128 half = i128{1} << (sf - 1);
        v = (r > half || (r == half && (q & 1) != 0)) ? q + 1 : q;
    }
    return static_cast<i64>(v < lo ? lo : v > hi ? hi : v);
}

i64 exact32(i128 s, int sf) { return exactScaled(s, sf, INT32_MIN, INT32_MAX); }

TEST(ScaledArithmetic, NullPointerBeforeLength) {
    Ipp32s v[2] = {1, 2};
    Ipp8u b[2] = {1, 2};
    Ipp64f f[2] = {1, 2};
    Ipp16s h[2] = {1, 2};
    const std::vector<std::function<IppStatus(bool, int)>> entries = {
        [&](bool n, int len) { return ippsAdd_32s_ISfs(n ? nullptr : v, v, len, 0); },
        [&](bool n, int len) { return ippsAddC_32s_ISfs(0, n ? nullptr : v, len, 0); },
        [&](bool n, int len) { return ippsSubC_32s_Sfs(v, 0, n ? nullptr : v, len, 0); },
        [&](bool n, int len) { return ippsSubCRev_32s_ISfs(0, n ? nullptr : v, len, 40); },
        [&](bool n, int len) { return ippsMulC_32s_Sfs(n ? nullptr : v, 0, v, len, 0); },
        [&](bool n, int len) { return ippsDiv_32s_ISfs(v, n ? nullptr : v, len, 0); },
        [&](bool n, int len) { return ippsMul_8u_ISfs(n ? nullptr : b, b, len, 99); },
        [&](bool n, int len) { return ippsDotProd_32s_Sfs(v, v, len, n ? nullptr : v, 0); },
        [&](bool n, int len) { return ippsConvert_64f32s_Sfs(f, n ? nullptr : v, len, ippRndNear, 0); },
        [&](bool n, int len) { return ippsConvert_16s64f_Sfs(n ? nullptr : h, f, len, 0); },
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i](true, 0), ippStsNullPtrErr);
        EXPECT_EQ(entries[i](false, 0), ippStsSizeErr);
        EXPECT_EQ(entries[i](false, -1), ippStsSizeErr);
    }
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(b[0], 1);
}

struct Member8u {
    const char* name;
    IppStatus (*fn)(const Ipp8u*, Ipp8u*, int, int);
    i64 (*exact)(i64 d, i64 s);
};
const Member8u kMembers8u[] = {
    {"Add", ippsAdd_8u_ISfs, [](i64 d, i64 s) { return d + s; }},
    {"Sub", ippsSub_8u_ISfs, [](i64 d, i64 s) { return d > s ? d - s : 0; }},
    {"Mul", ippsMul_8u_ISfs, [](i64 d, i64 s) { return d * s; }},
};

// The 8-bit members over every pair of bytes and every scale-factor range,
// including each member's own zero-fill limit.
TEST(ScaledArithmetic, EightBitMembersOverAllPairs) {
    std::vector<Ipp8u> src(65536), dst(65536);
    for (const Member8u& m : kMembers8u)
        for (int sf = -10; sf <= 18; ++sf) {
            SCOPED_TRACE(std::string(m.name) + " sf " + std::to_string(sf));
            for (int i = 0; i < 65536; ++i) {
                dst[i] = static_cast<Ipp8u>(i >> 8);
                src[i] = static_cast<Ipp8u>(i);
            }
            ASSERT_EQ(m.fn(src.data(), dst.data(), 65536, sf), ippStsNoErr);
            for (int i = 0; i < 65536; ++i)
                ASSERT_EQ(dst[i], exactScaled(m.exact(i >> 8, i & 255), sf, 0, 255)) << (i >> 8) << " " << (i & 255);
        }
}

// The unscaled kernels of every instruction set this processor runs, over
// every pair of bytes from starts that put the destination at each offset
// of a vector, on the same array (d op d), and on arrays that overlap in
// part, which take the portable loops' bytes.
TEST(ScaledArithmetic, SaturatedKernelsOfEverySetOverAllPairs) {
    using saturated::Isa;
    std::vector<Ipp8u> src(65536 + 64), dst(src.size());
    for (Isa isa : {Isa::Portable, Isa::Ssse3, Isa::Avx2, Isa::Avx512}) {
        const saturated::Kernels* k = saturated::kernelsFor(isa);
        if (!k) continue;
        const saturated::Kernels& portableSet = *saturated::kernelsFor(Isa::Portable);
        for (std::size_t m = 0; m < 3; ++m) {
            const auto run = m == 0 ? k->add : m == 1 ? k->sub : k->mul;
            SCOPED_TRACE(std::string(kMembers8u[m].name) + " set " + std::to_string(static_cast<int>(isa)));
            for (int start : {0, 1, 17, 63}) {
                for (int i = 0; i < 65536; ++i) {
                    dst[start + i] = static_cast<Ipp8u>(i >> 8);
                    src[64 - start + i] = static_cast<Ipp8u>(i);
                }
                run(src.data() + 64 - start, dst.data() + start, 65536);
                for (int i = 0; i < 65536; ++i)
                    ASSERT_EQ(dst[start + i], exactScaled(kMembers8u[m].exact(i >> 8, i & 255), 0, 0, 255))
                        << start << ": " << (i >> 8) << " " << (i & 255);
            }
            for (int shift : {0, 1, -1, 40, -40}) {
                for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<Ipp8u>(i * 7 + i / 256);
                std::vector<Ipp8u> want = src;
                const auto portable = m == 0 ? portableSet.add : m == 1 ? portableSet.sub : portableSet.mul;
                portable(want.data() + 64 + shift, want.data() + 64, 4000);
                for (int i = 64; i < 64 + 4000 && shift == 0; ++i)  // d op d: the exact rule
                    ASSERT_EQ(want[i], exactScaled(kMembers8u[m].exact(src[i], src[i]), 0, 0, 255));
                run(src.data() + 64 + shift, src.data() + 64, 4000);
                ASSERT_EQ(src, want) << "source " << shift << " bytes from the destination";
            }
        }
    }
}

// Random bytes at odd lengths and odd starts, which leave every remainder of
// a vector and of the byte pairs the products are taken in; the byte after
// the last stays.
TEST(ScaledArithmetic, EightBitMembersAtOddLengthsAndStarts) {
    std::mt19937 rng(3);
    for (const Member8u& m : kMembers8u)
        for (int sf : {-1, 0, 1})
            for (int start : {0, 1})
                for (int len : {1, 3, 31, 33, 63, 65, 1001}) {
                    SCOPED_TRACE(std::string(m.name) + " sf " + std::to_string(sf) + " start " + std::to_string(start) +
                                 " length " + std::to_string(len));
                    std::vector<Ipp8u> src(static_cast<std::size_t>(len + 2)), dst(src.size());
                    for (std::size_t i = 0; i < src.size(); ++i)
                        src[i] = static_cast<Ipp8u>(rng()), dst[i] = static_cast<Ipp8u>(rng());
                    const std::vector<Ipp8u> before = dst;
                    ASSERT_EQ(m.fn(src.data() + start, dst.data() + start, len, sf), ippStsNoErr);
                    for (int i = start; i < start + len; ++i)
                        ASSERT_EQ(dst[i], exactScaled(m.exact(before[i], src[i]), sf, 0, 255)) << i;
                    ASSERT_EQ(dst[start + len], before[start + len]);
                }
}

// Values at and around every 32-bit edge, in all pairs, through every entry
// of the additive and multiplicative families.
TEST(ScaledArithmetic, ThirtyTwoBitMembersAtEveryCutOff) {
    const std::vector<Ipp32s> edges = {
        INT32_MIN, INT32_MIN + 1, -65537,        -5,       -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 7,
        46341,     1 << 30,       INT32_MAX - 1, INT32_MAX};
    using Entry = std::function<IppStatus(Ipp32s a, Ipp32s b, std::vector<Ipp32s> & io, int sf)>;
    struct Member {
        const char* name;
        Entry run;  // io holds the vector operand on entry, the result after
        i128 (*exact)(i128 x, i128 val);
    };
    auto vec = [](IppStatus (*f)(const Ipp32s*, Ipp32s*, int, int)) {
        return [f](Ipp32s, Ipp32s b, std::vector<Ipp32s>& io, int sf) {
            const std::vector<Ipp32s> other(io.size(), b);
            return f(other.data(), io.data(), static_cast<int>(io.size()), sf);
        };
    };
    auto inPlaceConst = [](IppStatus (*f)(Ipp32s, Ipp32s*, int, int)) {
        return [f](Ipp32s, Ipp32s b, std::vector<Ipp32s>& io, int sf) {
            return f(b, io.data(), static_cast<int>(io.size()), sf);
        };
    };
    auto outConst = [](IppStatus (*f)(const Ipp32s*, Ipp32s, Ipp32s*, int, int)) {
        return [f](Ipp32s, Ipp32s b, std::vector<Ipp32s>& io, int sf) {
            const std::vector<Ipp32s> in = io;
            return f(in.data(), b, io.data(), static_cast<int>(io.size()), sf);
        };
    };
    const Member members[] = {
        {"Add_I", vec(ippsAdd_32s_ISfs), [](i128 x, i128 v) { return x + v; }},
        {"Sub_I", vec(ippsSub_32s_ISfs), [](i128 x, i128 v) { return x - v; }},
        {"Mul_I", vec(ippsMul_32s_ISfs), [](i128 x, i128 v) { return x * v; }},
        {"AddC_I", inPlaceConst(ippsAddC_32s_ISfs), [](i128 x, i128 v) { return x + v; }},
        {"SubC_I", inPlaceConst(ippsSubC_32s_ISfs), [](i128 x, i128 v) { return x - v; }},
        {"SubCRev_I", inPlaceConst(ippsSubCRev_32s_ISfs), [](i128 x, i128 v) { return v - x; }},
        {"MulC_I", inPlaceConst(ippsMulC_32s_ISfs), [](i128 x, i128 v) { return x * v; }},
        {"AddC", outConst(ippsAddC_32s_Sfs), [](i128 x, i128 v) { return x + v; }},
        {"SubC", outConst(ippsSubC_32s_Sfs), [](i128 x, i128 v) { return x - v; }},
        {"SubCRev", outConst(ippsSubCRev_32s_Sfs), [](i128 x, i128 v) { return v - x; }},
        {"MulC", outConst(ippsMulC_32s_Sfs), [](i128 x, i128 v) { return x * v; }},
    };
    const int scales[] = {-70, -63, -62, -32, -31, -30, -29, -1, 0, 1, 2, 3, 31, 32, 33, 34, 40, 61, 62, 63, 64};
    for (const Member& m : members)
        for (int sf : scales)
            for (Ipp32s b : edges) {
                SCOPED_TRACE(std::string(m.name) + " sf " + std::to_string(sf) + " val " + std::to_string(b));
                std::vector<Ipp32s> io = edges;
                ASSERT_EQ(m.run(0, b, io, sf), ippStsNoErr);
                for (std::size_t i = 0; i < edges.size(); ++i)
                    ASSERT_EQ(io[i], exact32(m.exact(edges[i], b), sf)) << "element " << edges[i];
            }
}

// pSrcDst / pSrc against the exact quotient; a zero divisor in the middle of
// the vector saturates by the dividend's sign and turns the status into the
// warning without stopping the loop.
TEST(ScaledArithmetic, DivisionRoundsSaturatesAndWarns) {
    const std::vector<Ipp32s> values = {INT32_MIN, -7, -5, -3, -1, 0, 1, 2, 3, 5, 7, 1000001, INT32_MAX};
    for (int sf : {-70, -63, -62, -40, -31, -1, 0, 1, 2, 5, 31, 32, 33}) {
        for (Ipp32s d : values) {
            SCOPED_TRACE("sf " + std::to_string(sf) + " divisor " + std::to_string(d));
            std::vector<Ipp32s> io = values;
            std::vector<Ipp32s> div(values.size(), d);
            div[3] = 0;
            ASSERT_EQ(ippsDiv_32s_ISfs(div.data(), io.data(), static_cast<int>(io.size()), sf), ippStsDivByZero);
            EXPECT_EQ(io[3], INT32_MIN);  // -3 / 0
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (i == 3) continue;
                const i128 n = values[i];
                i64 want;
                if (d == 0) want = n == 0 ? 0 : n < 0 ? INT32_MIN : INT32_MAX;
                else if (sf < -62) want = n == 0 ? 0 : ((n < 0) == (d < 0) ? INT32_MAX : INT32_MIN);
                else if (sf > 32) want = 0;
                else {
                    // n / (d 2^sf) = (n 2^-sf) / d, rounded half to even.
                    i128 num = sf <= 0 ? n * (i128{1} << -sf) : n;
                    i128 den = sf <= 0 ? i128{d} : i128{d} * (i128{1} << sf);
                    if (den < 0) num = -num, den = -den;
                    i128 q = num / den, r = num % den;
                    if (r < 0) q -= 1, r += den;
                    if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
                    want = q < INT32_MIN ? INT32_MIN : q > INT32_MAX ? INT32_MAX : static_cast<i64>(q);
                }
                ASSERT_EQ(io[i], want) << values[i];
            }
        }
    }
    Ipp32s one = 5, zero = 0;
    EXPECT_EQ(ippsDiv_32s_ISfs(&one, &zero, 1, 0), ippStsNoErr);
}

TEST(ScaledArithmetic, ConversionsRoundTruncateAndSaturate) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> wide(-6e9, 6e9);
    std::vector<double> xs = {2.5,           -3.5,         2.7,          -2.7,         0.5,           -0.5,
                              1.5,           2147483647.0, 2147483647.4, 2147483647.6, -2147483648.0, -2147483648.4,
                              -2147483648.6, 3e9,          -3e9,         1e300,        -1e300,        NAN};
    for (int i = 0; i < 2000; ++i) xs.push_back(wide(rng) / (1 << (i % 30)));
    std::vector<Ipp32s> out(xs.size());
    for (int sf : {INT_MIN, -40, -3, -1, 0, 1, 2, 31, 40, 2000, INT_MAX})
        for (IppRoundMode mode : {ippRndNear, ippRndZero}) {
            SCOPED_TRACE("sf " + std::to_string(sf) + " mode " + std::to_string(mode));
            ASSERT_EQ(ippsConvert_64f32s_Sfs(xs.data(), out.data(), static_cast<int>(xs.size()), mode, sf), 0);
            for (std::size_t i = 0; i < xs.size(); ++i) {
                const long double x = std::ldexp(static_cast<long double>(xs[i]), -std::clamp(sf, -20000, 20000));
                const long double r = std::isnan(x) ? 0 : mode == ippRndNear ? std::nearbyint(x) : std::trunc(x);
                const i64 want = r >= INT32_MAX ? INT32_MAX : r <= INT32_MIN ? INT32_MIN : static_cast<i64>(r);
                ASSERT_EQ(out[i], want) << xs[i];
            }
        }
    const float fs[] = {2.5f, -3.5f, 1e10f, -1e10f};
    Ipp32s fo[4];
    ASSERT_EQ(ippsConvert_32f32s_Sfs(fs, fo, 4, ippRndNear, 0), 0);
    EXPECT_EQ(std::vector<Ipp32s>(fo, fo + 4), (std::vector<Ipp32s>{2, -4, INT32_MAX, INT32_MIN}));

    // Every 16-bit value at the clamped ends of the scale factor and inside.
    std::vector<Ipp16s> h(65536);
    std::vector<Ipp64f> d(65536);
    for (int i = 0; i < 65536; ++i) h[i] = static_cast<Ipp16s>(i - 32768);
    for (int sf : {-2000, -1008, -3, 0, 5, 1022, 2000}) {
        ASSERT_EQ(ippsConvert_16s64f_Sfs(h.data(), d.data(), 65536, sf), 0);
        const int k = std::clamp(sf, -1008, 1022);
        for (int i = 0; i < 65536; i += 97) ASSERT_EQ(d[i], std::ldexp(static_cast<double>(h[i]), -k)) << sf;
    }
}

TEST(ScaledArithmetic, DotProductScalesClampsAndRoundsOnce) {
    const std::vector<Ipp32s> big(4, INT32_MAX), ones = {1, 1, 1, 1, 1, 1, 1};
    const std::vector<Ipp32s> neg(4, INT32_MIN);
    Ipp32s r = 0;
    ASSERT_EQ(ippsDotProd_32s_Sfs(big.data(), big.data(), 4, &r, 0), 0);
    EXPECT_EQ(r, INT32_MAX);
    ASSERT_EQ(ippsDotProd_32s_Sfs(big.data(), neg.data(), 4, &r, 0), 0);
    EXPECT_EQ(r, INT32_MIN);
    // 4 x (2^31 - 1)^2 x 2^-64 = 0.99999... -> 1; beyond the clamp (93) -> 0.
    ASSERT_EQ(ippsDotProd_32s_Sfs(big.data(), big.data(), 4, &r, 64), 0);
    EXPECT_EQ(r, 1);
    ASSERT_EQ(ippsDotProd_32s_Sfs(big.data(), big.data(), 4, &r, 500), 0);
    EXPECT_EQ(r, 0);
    for (int len : {5, 7})
        for (int sf : {1, 2, -1, -40}) {
            ASSERT_EQ(ippsDotProd_32s_Sfs(ones.data(), ones.data(), len, &r, sf), 0);
            EXPECT_EQ(r, exact32(len, std::max(sf, -31))) << len << " " << sf;
        }
}

}  // namespace
}  // namespace oculon::primitives
