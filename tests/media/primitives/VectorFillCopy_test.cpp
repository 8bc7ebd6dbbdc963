// Vector fills, copies, conversions, logic, shifts and byte swaps.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "media/primitives/SGScopeDispatcher.h"
#include "media/primitives/VectorFillCopy.h"
#include "media/primitives/VectorLogic.h"

namespace oculon::primitives {
namespace {

// An entry under test, called with one vector pointer (every pointer it takes
// gets the same one, or null) and a length.
struct Case {
    const char* name;
    std::function<IppStatus(void*, int)> call;
};

std::vector<Case> checkedEntries() {
    // Non-zero constants and counts, so the special paths of val 0 stay out.
    auto u = [](void* p) { return static_cast<Ipp32u*>(p); };
    auto s = [](void* p) { return static_cast<Ipp32s*>(p); };
    return {
        {"Zero_8u", [](void* p, int n) { return ippsZero_8u(static_cast<Ipp8u*>(p), n); }},
        {"Zero_16s", [](void* p, int n) { return ippsZero_16s(static_cast<Ipp16s*>(p), n); }},
        {"Zero_16sc", [](void* p, int n) { return _px_ippsZero_16sc(static_cast<Ipp16sc*>(p), n); }},
        {"Zero_64fc", [](void* p, int n) { return ippsZero_64fc(static_cast<Ipp64fc*>(p), n); }},
        {"Set_8u", [](void* p, int n) { return ippsSet_8u(7, static_cast<Ipp8u*>(p), n); }},
        {"Set_64fc",
         [](void* p, int n) {
             return ippsSet_64fc({1, 2}, static_cast<Ipp64fc*>(p), n);
         }},
        {"Copy_8u", [](void* p, int n) { return ippsCopy_8u(static_cast<Ipp8u*>(p), static_cast<Ipp8u*>(p), n); }},
        {"Copy_32s", [s](void* p, int n) { return _px_ippsCopy_32s(s(p), s(p), n); }},
        {"Move_64f", [](void* p, int n) { return ippsMove_64f(static_cast<Ipp64f*>(p), static_cast<Ipp64f*>(p), n); }},
        {"Convert_64f32f",
         [](void* p, int n) { return ippsConvert_64f32f(static_cast<Ipp64f*>(p), static_cast<Ipp32f*>(p), n); }},
        {"And_32u_I", [u](void* p, int n) { return ippsAnd_32u_I(u(p), u(p), n); }},
        {"XorC_32u", [u](void* p, int n) { return ippsXorC_32u(u(p), 5, u(p), n); }},
        {"OrC_32u_I", [u](void* p, int n) { return ippsOrC_32u_I(5, u(p), n); }},
        {"LShiftC_32s_I", [s](void* p, int n) { return ippsLShiftC_32s_I(3, s(p), n); }},
        {"RShiftC_32s", [s](void* p, int n) { return ippsRShiftC_32s(s(p), 3, s(p), n); }},
        {"SwapBytes_24u",
         [](void* p, int n) { return ippsSwapBytes_24u(static_cast<Ipp8u*>(p), static_cast<Ipp8u*>(p), n); }},
        {"SwapBytes_16u_I", [](void* p, int n) { return ippsSwapBytes_16u_I(static_cast<Ipp16u*>(p), n); }},
    };
}

TEST(VectorChecks, NullPointerComesBeforeLengthAndNothingIsWritten) {
    alignas(16) unsigned char buf[64];
    for (const Case& c : checkedEntries()) {
        SCOPED_TRACE(c.name);
        std::memset(buf, 0xAB, sizeof buf);
        EXPECT_EQ(c.call(nullptr, 0), ippStsNullPtrErr);
        EXPECT_EQ(c.call(nullptr, 4), ippStsNullPtrErr);
        EXPECT_EQ(c.call(buf, 0), ippStsSizeErr);
        EXPECT_EQ(c.call(buf, -3), ippStsSizeErr);
        for (unsigned char b : buf) ASSERT_EQ(b, 0xAB);
        EXPECT_EQ(c.call(buf, 2), ippStsNoErr);
    }
}

TEST(VectorChecks, EitherOfTwoPointersMissingIsNull) {
    Ipp32u v[2] = {1, 2};
    EXPECT_EQ(ippsAnd_32u_I(nullptr, v, 2), ippStsNullPtrErr);
    EXPECT_EQ(ippsAnd_32u_I(v, nullptr, 2), ippStsNullPtrErr);
    EXPECT_EQ(ippsCopy_8u(nullptr, reinterpret_cast<Ipp8u*>(v), 2), ippStsNullPtrErr);
    EXPECT_EQ(ippsConvert_32s64f(reinterpret_cast<Ipp32s*>(v), nullptr, 2), ippStsNullPtrErr);
}

TEST(VectorFill, FillsExactlyLenElements) {
    std::vector<Ipp64fc> c(5, Ipp64fc{9, 9});
    ASSERT_EQ(ippsSet_64fc({1.5, -2.5}, c.data(), 4), ippStsNoErr);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(std::make_pair(c[i].re, c[i].im), i < 4 ? std::make_pair(1.5, -2.5) : std::make_pair(9.0, 9.0));

    // Odd start addresses and lengths around the word-sized bulk.
    std::vector<Ipp8u> b(80, 0xEE);
    for (int off = 0; off < 4; ++off)
        for (int len : {1, 3, 31, 32, 33, 70}) {
            std::fill(b.begin(), b.end(), 0xEE);
            ASSERT_EQ(ippsSet_8u(0x5A, b.data() + off, len), ippStsNoErr);
            for (int i = 0; i < 80; ++i)
                ASSERT_EQ(b[i], (i >= off && i < off + len) ? 0x5A : 0xEE) << off << " " << len << " " << i;
            ASSERT_EQ(ippsZero_8u(b.data() + off, len), ippStsNoErr);
            ASSERT_EQ(b[off], 0);
            ASSERT_EQ(b[off + len], 0xEE);
        }

    std::vector<Ipp64f> d(3, 1.0);
    ASSERT_EQ(ippsSet_64f(-0.0, d.data(), 2), ippStsNoErr);
    EXPECT_TRUE(std::signbit(d[0]));
    EXPECT_EQ(d[2], 1.0);
    std::vector<Ipp32f> f(3, 1.0f);
    std::vector<Ipp32s> w(3, 1);
    ASSERT_EQ(ippsSet_32f(2.25f, f.data(), 3), ippStsNoErr);
    ASSERT_EQ(ippsSet_32s(-7, w.data(), 2), ippStsNoErr);
    EXPECT_EQ(f, (std::vector<Ipp32f>{2.25f, 2.25f, 2.25f}));
    EXPECT_EQ(w, (std::vector<Ipp32s>{-7, -7, 1}));
}

TEST(VectorCopy, MoveHandlesOverlapInBothDirections) {
    std::vector<Ipp64f> v = {1, 2, 3, 4, 5};
    ASSERT_EQ(ippsMove_64f(v.data(), v.data() + 1, 4), ippStsNoErr);
    EXPECT_EQ(v, (std::vector<Ipp64f>{1, 1, 2, 3, 4}));
    v = {1, 2, 3, 4, 5};
    ASSERT_EQ(ippsMove_64f(v.data() + 1, v.data(), 4), ippStsNoErr);
    EXPECT_EQ(v, (std::vector<Ipp64f>{2, 3, 4, 5, 5}));
    ASSERT_EQ(ippsMove_64f(v.data(), v.data(), 5), ippStsNoErr);
    EXPECT_EQ(v, (std::vector<Ipp64f>{2, 3, 4, 5, 5}));
    std::vector<Ipp8u> b = {1, 2, 3, 4, 9};
    ASSERT_EQ(ippsMove_8u(b.data(), b.data() + 1, 4), ippStsNoErr);
    EXPECT_EQ(b, (std::vector<Ipp8u>{1, 1, 2, 3, 4}));
    EXPECT_EQ(ippsMove_8u(nullptr, b.data(), 0), ippStsNullPtrErr);

    std::vector<Ipp64f> src = {1, 2, 3}, dst(4, 0);
    ASSERT_EQ(ippsCopy_64f(src.data(), dst.data(), 3), ippStsNoErr);
    EXPECT_EQ(dst, (std::vector<Ipp64f>{1, 2, 3, 0}));
}

TEST(VectorConvert, DoubleToFloatSaturatesAtTheFloatRange) {
    const double inf = std::numeric_limits<double>::infinity(), fmax = FLT_MAX;
    const double in[] = {1e39, -1e39, 1.0, fmax, -fmax, 3.5e38, 1e-50, -2.5, inf, -inf};
    const float want[] = {FLT_MAX, -FLT_MAX, 1.0f, FLT_MAX, -FLT_MAX, FLT_MAX, 0.0f, -2.5f, FLT_MAX, -FLT_MAX};
    float out[10];
    ASSERT_EQ(ippsConvert_64f32f(in, out, 10), ippStsNoErr);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], want[i]) << i;
    // Not a number stays one rather than turning into a huge negative value.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(ippsConvert_64f32f(&nan, out, 1), ippStsNoErr);
    EXPECT_TRUE(std::isnan(out[0]));
}

// The scope dispatcher's own conversion sends NaN, like everything at or
// below -FLT_MAX, to -FLT_MAX.
TEST(VectorConvert, ScopeConversionTurnsNaNIntoMinusFltMax) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const double in[] = {nan, -nan, -inf, -double{FLT_MAX}, std::nextafter(-double{FLT_MAX}, 0.0), 1.0, double{FLT_MAX},
                         inf, 1e39, -1e39};
    const float want[] = {-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX, 1.0f, FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX};
    float out[10];
    ASSERT_EQ(scope::ippsConvert_64f32f(in, out, 10), ippStsNoErr);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], want[i]) << i;
    EXPECT_EQ(scope::ippsConvert_64f32f(in, nullptr, 1), ippStsNullPtrErr);
    EXPECT_EQ(scope::ippsConvert_64f32f(in, out, 0), ippStsSizeErr);
}

TEST(VectorConvert, WideningIsExactAndIntToFloatRoundsToNearest) {
    const Ipp32s ints[] = {16777217, -2147483647 - 1, 2147483647, -3};
    float f[4];
    double d[4];
    ASSERT_EQ(ippsConvert_32s32f(ints, f, 4), ippStsNoErr);
    EXPECT_EQ(std::vector<float>(f, f + 4), (std::vector<float>{16777216.0f, -2147483648.0f, 2147483648.0f, -3.0f}));
    ASSERT_EQ(ippsConvert_32s64f(ints, d, 4), ippStsNoErr);
    EXPECT_EQ(std::vector<double>(d, d + 4), (std::vector<double>{16777217.0, -2147483648.0, 2147483647.0, -3.0}));
    const float fl[] = {0.1f, -1e30f};
    ASSERT_EQ(ippsConvert_32f64f(fl, d, 2), ippStsNoErr);
    EXPECT_EQ(std::vector<double>(d, d + 2), (std::vector<double>{0.1f, -1e30f}));
}

TEST(VectorLogic, CombinesWordByWord) {
    std::mt19937 rng(7);
    std::vector<Ipp32u> a(37), b(37);
    for (auto& x : a) x = rng();
    for (auto& x : b) x = rng();
    const Ipp32u k = 0xF0F00FF1u;
    struct Op {
        IppStatus (*inPlace)(const Ipp32u*, Ipp32u*, int);
        IppStatus (*constInPlace)(Ipp32u, Ipp32u*, int);
        IppStatus (*constant)(const Ipp32u*, Ipp32u, Ipp32u*, int);
        Ipp32u (*ref)(Ipp32u, Ipp32u);
    };
    const Op ops[] = {
        {ippsAnd_32u_I, ippsAndC_32u_I, ippsAndC_32u, [](Ipp32u x, Ipp32u y) { return x & y; }},
        {ippsOr_32u_I, ippsOrC_32u_I, ippsOrC_32u, [](Ipp32u x, Ipp32u y) { return x | y; }},
        {ippsXor_32u_I, ippsXorC_32u_I, ippsXorC_32u, [](Ipp32u x, Ipp32u y) { return x ^ y; }},
    };
    for (const Op& op : ops) {
        auto v = b;
        ASSERT_EQ(op.inPlace(a.data(), v.data(), 37), ippStsNoErr);
        for (int i = 0; i < 37; ++i) ASSERT_EQ(v[i], op.ref(b[i], a[i]));
        v = b;
        ASSERT_EQ(op.constInPlace(k, v.data(), 37), ippStsNoErr);
        for (int i = 0; i < 37; ++i) ASSERT_EQ(v[i], op.ref(b[i], k));
        std::vector<Ipp32u> out(37);
        ASSERT_EQ(op.constant(a.data(), k, out.data(), 37), ippStsNoErr);
        for (int i = 0; i < 37; ++i) ASSERT_EQ(out[i], op.ref(a[i], k));
    }
}

TEST(VectorLogic, ZeroConstantTakesTheShortWaysBeforeThePointerCheck) {
    Ipp32u v[3] = {5, 6, 7};
    Ipp32u out[3] = {1, 1, 1};
    // AndC with 0 is a zero fill, whose own checks answer.
    EXPECT_EQ(ippsAndC_32u_I(0, nullptr, 3), ippStsNullPtrErr);
    EXPECT_EQ(ippsAndC_32u_I(0, v, 0), ippStsSizeErr);
    ASSERT_EQ(ippsAndC_32u_I(0, v, 2), ippStsNoErr);
    EXPECT_EQ(std::vector<Ipp32u>(v, v + 3), (std::vector<Ipp32u>{0, 0, 7}));
    // OrC and XorC with 0 change nothing and look at nothing.
    EXPECT_EQ(ippsOrC_32u_I(0, nullptr, 3), ippStsNoErr);
    EXPECT_EQ(ippsXorC_32u_I(0, nullptr, -1), ippStsNoErr);
    // The copying forms: AndC zero-fills when there is a source, OrC/XorC copy.
    EXPECT_EQ(ippsAndC_32u(nullptr, 0, out, 3), ippStsNullPtrErr);
    ASSERT_EQ(ippsAndC_32u(v, 0, out, 3), ippStsNoErr);
    EXPECT_EQ(out[2], 0u);
    v[2] = 9;
    ASSERT_EQ(ippsOrC_32u(v, 0, out, 3), ippStsNoErr);
    EXPECT_EQ(out[2], 9u);
    EXPECT_EQ(ippsXorC_32u(nullptr, 0, out, 3), ippStsNullPtrErr);
}

TEST(VectorShift, EveryCountAgainstTheRule) {
    const std::vector<Ipp32s> src = {0, 1, -1, 5, -5, 0x40000000, -2147483647 - 1, 2147483647, 123456789};
    const int n = static_cast<int>(src.size());
    for (int val = 1; val <= 40; ++val) {
        SCOPED_TRACE(val);
        std::vector<Ipp32s> left = src, right = src, outL(n), outR(n);
        ASSERT_EQ(ippsLShiftC_32s_I(val, left.data(), n), ippStsNoErr);
        ASSERT_EQ(ippsRShiftC_32s_I(val, right.data(), n), ippStsNoErr);
        ASSERT_EQ(ippsLShiftC_32s(src.data(), val, outL.data(), n), ippStsNoErr);
        ASSERT_EQ(ippsRShiftC_32s(src.data(), val, outR.data(), n), ippStsNoErr);
        for (int i = 0; i < n; ++i) {
            const Ipp32s l = val > 31 ? 0 : static_cast<Ipp32s>(static_cast<Ipp32u>(src[i]) << val);
            const Ipp32s r = val > 31 ? (src[i] < 0 ? -1 : 0) : src[i] >> val;
            ASSERT_EQ(left[i], l);
            ASSERT_EQ(outL[i], l);
            ASSERT_EQ(right[i], r);
            ASSERT_EQ(outR[i], r);
        }
    }
}

TEST(VectorShift, CountTestsComeBeforeThePointerChecks) {
    Ipp32s v[2] = {3, -3};
    Ipp32s out[2] = {9, 9};
    EXPECT_EQ(ippsLShiftC_32s_I(-1, nullptr, 2), ippStsShiftErr);
    EXPECT_EQ(ippsRShiftC_32s_I(-1, nullptr, 2), ippStsShiftErr);
    EXPECT_EQ(ippsLShiftC_32s_I(0, nullptr, 2), ippStsNoErr);
    EXPECT_EQ(ippsRShiftC_32s_I(0, nullptr, 0), ippStsNoErr);
    EXPECT_EQ(ippsLShiftC_32s_I(40, nullptr, 2), ippStsNullPtrErr);  // the zero fill's check
    EXPECT_EQ(ippsLShiftC_32s_I(40, v, 0), ippStsSizeErr);
    EXPECT_EQ(ippsRShiftC_32s_I(40, v, 0), ippStsSizeErr);
    // Out of place: 0 is a copy with the copy's checks; 32 and more a zero fill.
    EXPECT_EQ(ippsLShiftC_32s(v, 0, nullptr, 2), ippStsNullPtrErr);
    ASSERT_EQ(ippsRShiftC_32s(v, 0, out, 2), ippStsNoErr);
    EXPECT_EQ(out[1], -3);
    EXPECT_EQ(ippsLShiftC_32s(nullptr, 32, out, 2), ippStsNullPtrErr);
    EXPECT_EQ(ippsLShiftC_32s(nullptr, -2, out, 2), ippStsShiftErr);
    EXPECT_EQ(ippsRShiftC_32s(nullptr, -2, out, 2), ippStsShiftErr);
    EXPECT_EQ(v[0], 3);
}

TEST(VectorSwap, ReversesTheBytesOfEachElement) {
    const Ipp16u s16[] = {0xA1B2, 0x00FF};
    Ipp16u d16[2], i16[] = {0xA1B2, 0x00FF};
    ASSERT_EQ(ippsSwapBytes_16u(s16, d16, 2), ippStsNoErr);
    ASSERT_EQ(ippsSwapBytes_16u_I(i16, 2), ippStsNoErr);
    for (const Ipp16u* d : {d16, i16}) EXPECT_EQ(std::vector<Ipp16u>(d, d + 2), (std::vector<Ipp16u>{0xB2A1, 0xFF00}));

    Ipp8u s24[] = {1, 2, 3, 4, 5, 6}, d24[6];
    ASSERT_EQ(ippsSwapBytes_24u(s24, d24, 2), ippStsNoErr);
    ASSERT_EQ(ippsSwapBytes_24u(s24, s24, 2), ippStsNoErr);  // in place as well
    for (const Ipp8u* d : {d24, s24}) EXPECT_EQ(std::vector<Ipp8u>(d, d + 6), (std::vector<Ipp8u>{3, 2, 1, 6, 5, 4}));

    const Ipp32u s32[] = {0x01020304u};
    Ipp32u d32[1];
    ASSERT_EQ(ippsSwapBytes_32u(s32, d32, 1), ippStsNoErr);
    EXPECT_EQ(d32[0], 0x04030201u);
    ASSERT_EQ(ippsSwapBytes_32u_I(d32, 1), ippStsNoErr);
    EXPECT_EQ(d32[0], 0x01020304u);
}

}  // namespace
}  // namespace oculon::primitives
