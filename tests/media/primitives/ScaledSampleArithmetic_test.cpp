// Scaled Add, Sub and Mul on 8u and 16s samples against the plain rule
// (exact result times 2^-sf, ties to even, saturated), in every form, across
// every scale factor from beyond the saturating end to beyond the cut-off;
// and the order of the argument tests, including the step test that only the
// fills of the cut-offs and shortcuts make.

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <type_traits>
#include <vector>

#include "SampleReference.h"
#include "media/primitives/ScaledSampleArithmetic.h"

namespace oculon::primitives {
namespace {

enum Op { kAdd, kSub, kMul };

template <typename T>
constexpr bool kIs8u = std::is_same_v<T, Ipp8u>;

// a op b, b the source image or the constant.
template <typename T>
int expected(Op op, int a, int b, int sf) {
    std::int64_t v = op == kAdd ? a + b : op == kMul ? a * b : a - b;
    if (kIs8u<T> && v < 0) v = 0;
    return static_cast<int>(reference::scaled(v, 1, sf, kIs8u<T> ? 0 : -32768, kIs8u<T> ? 255 : 32767));
}

template <typename T>
struct Forms {
    IppStatus (*image)(const T*, int, T*, int, IppiSize, int);
    IppStatus (*vectorI)(T, T*, int, int);
    IppStatus (*vector)(const T*, T, T*, int, int);
    IppStatus (*imageCI)(T, T*, int, IppiSize, int);
    IppStatus (*imageC)(const T*, int, T, T*, int, IppiSize, int);
};

#define OCULON_FORMS(op, t)                                                                                 \
    {                                                                                                       \
        ippi##op##_##t##_C1IRSfs, ipps##op##C_##t##_ISfs, ipps##op##C_##t##_Sfs, ippi##op##C_##t##_C1IRSfs, \
            ippi##op##C_##t##_C1RSfs                                                                        \
    }
const Forms<Ipp8u> kForms8u[] = {OCULON_FORMS(Add, 8u), OCULON_FORMS(Sub, 8u), OCULON_FORMS(Mul, 8u)};
const Forms<Ipp16s> kForms16s[] = {OCULON_FORMS(Add, 16s), OCULON_FORMS(Sub, 16s), OCULON_FORMS(Mul, 16s)};

// Every pair (a, b) of `values`: row y holds a = values[y] in padded rows,
// column x is b = values[x] as the source image. The constant forms take
// each row with b = values[y] as the constant.
template <typename T>
void checkEveryForm(const Forms<T> (&forms)[3], const std::vector<int>& values, const std::vector<int>& scaleFactors) {
    const int n = static_cast<int>(values.size()), stride = n + 3, step = stride * static_cast<int>(sizeof(T));
    std::vector<T> src(static_cast<size_t>(stride) * n, 77), start(src.size(), 55);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            src[y * stride + x] = static_cast<T>(values[x]);
            start[y * stride + x] = static_cast<T>(values[y]);
        }
    for (Op op : {kAdd, kSub, kMul})
        for (int sf : scaleFactors) {
            SCOPED_TRACE(testing::Message() << "op " << op << " sf " << sf);
            const Forms<T>& f = forms[op];
            std::vector<T> dst = start, vecI = src, vec(src.size(), 1), imgCI = src, imgC(src.size(), 55);
            ASSERT_EQ(f.image(src.data(), step, dst.data(), step, {n, n}, sf), ippStsNoErr);
            for (int y = 0; y < n; ++y) {
                const T c = static_cast<T>(values[y]);
                const size_t row = static_cast<size_t>(y) * stride;
                ASSERT_EQ(f.vectorI(c, &vecI[row], n, sf), ippStsNoErr);
                ASSERT_EQ(f.vector(&src[row], c, &vec[row], n, sf), ippStsNoErr);
                ASSERT_EQ(f.imageCI(c, &imgCI[row], step, {n, 1}, sf), ippStsNoErr);
                ASSERT_EQ(f.imageC(&src[row], step, c, &imgC[row], step, {n, 1}, sf), ippStsNoErr);
            }
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < stride; ++x) {
                    const size_t at = static_cast<size_t>(y) * stride + x;
                    ASSERT_EQ(dst[at], x < n ? expected<T>(op, values[y], values[x], sf) : 55) << y << "," << x;
                    const int byConstant = x < n ? expected<T>(op, values[x], values[y], sf) : -1;
                    if (x < n) {
                        ASSERT_EQ(vec[at], byConstant) << y << "," << x;
                    }
                    ASSERT_EQ(vecI[at], x < n ? byConstant : 77);
                    ASSERT_EQ(imgC[at], x < n ? byConstant : 55);
                    ASSERT_EQ(imgCI[at], x < n ? byConstant : 77);
                }
        }
}

std::vector<int> range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
}

// Every int is a scale factor callers may pass.
std::vector<int> withExtremes(std::vector<int> v) {
    v.insert(v.end(), {INT_MIN, INT_MIN + 1, INT_MAX});
    return v;
}

TEST(ScaledSamples, EveryPairOf8uSamplesInEveryFormAtEveryScaleFactor) {
    checkEveryForm(kForms8u, range(0, 255), withExtremes(range(-10, 18)));
}

TEST(ScaledSamples, EdgesAndSampledPairsOf16sInEveryFormAtEveryScaleFactor) {
    checkEveryForm(kForms16s, reference::interesting16s(38, 5), withExtremes(range(-18, 33)));
}

// Random 16s rows whose lengths leave every remainder of a vector, for the
// scale factors whose loops work in 16-bit lanes (Add at 1, Mul at 0) and
// their neighbours.
TEST(ScaledSamples, RandomRowsOf16sOfOddLengthsFollowTheRule) {
    std::mt19937 rng(11);
    for (int len : {1, 7, 15, 17, 31, 33, 47, 63, 1001})
        for (Op op : {kAdd, kSub, kMul})
            for (int sf : {-1, 0, 1, 2}) {
                SCOPED_TRACE(testing::Message() << "length " << len << " op " << op << " sf " << sf);
                std::vector<Ipp16s> a(static_cast<size_t>(len)), b(a.size());
                for (size_t i = 0; i < a.size(); ++i)
                    a[i] = static_cast<Ipp16s>(rng()), b[i] = static_cast<Ipp16s>(rng());
                std::vector<Ipp16s> d = a;
                const int step = len * 2;
                ASSERT_EQ(kForms16s[op].image(b.data(), step, d.data(), step, {len, 1}, sf), ippStsNoErr);
                for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(d[i], expected<Ipp16s>(op, a[i], b[i], sf)) << i;
            }
}

// Argument tests. A step below 1 is only seen by the fills: the cut-off, a
// product with 0, and 8u AddC of a nonzero constant with sf <= -8.
TEST(ScaledSamples, ArgumentTestsComeInTheirOrder) {
    Ipp8u b[8] = {};
    Ipp16s w[8] = {};
    const IppiSize one{1, 1}, none{0, 1};
    EXPECT_EQ(ippiAdd_8u_C1IRSfs(nullptr, 1, b, 1, none, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiMul_16s_C1IRSfs(w, 2, nullptr, 2, none, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiSub_8u_C1IRSfs(b, 1, b, 1, {1, 0}, 0), ippStsSizeErr);
    EXPECT_EQ(ippiSub_8u_C1IRSfs(b, 0, b, -4, one, 8), ippStsNoErr);
    EXPECT_EQ(ippiSub_8u_C1IRSfs(b, 1, b, 0, one, 9), ippStsStepErr);
    EXPECT_EQ(ippiAdd_16s_C1IRSfs(w, 2, w, 0, one, 17), ippStsStepErr);
    EXPECT_EQ(ippsAddC_8u_Sfs(nullptr, 1, b, 0, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsMulC_16s_ISfs(1, nullptr, 0, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippsSubC_16s_Sfs(w, 1, w, 0, 0), ippStsSizeErr);
    EXPECT_EQ(ippiAddC_8u_C1RSfs(b, 1, 1, nullptr, 1, none, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiMulC_16s_C1IRSfs(2, w, 2, none, 0), ippStsSizeErr);
    EXPECT_EQ(ippiAddC_8u_C1IRSfs(5, b, 0, one, 3), ippStsNoErr);
    EXPECT_EQ(ippiAddC_8u_C1IRSfs(5, b, 0, one, -8), ippStsStepErr);
    EXPECT_EQ(ippiAddC_8u_C1IRSfs(0, b, 0, one, -8), ippStsNoErr);
    EXPECT_EQ(ippiAddC_8u_C1RSfs(b, 1, 0, b + 4, 0, one, 0), ippStsNoErr);  // the copy tests no step
    EXPECT_EQ(ippiMulC_8u_C1RSfs(b, 1, 0, b + 4, 0, one, -3), ippStsStepErr);
    EXPECT_EQ(ippiMulC_16s_C1IRSfs(0, w, 0, one, 0), ippStsStepErr);
    EXPECT_EQ(ippiMulC_16s_C1RSfs(w, 2, 3, w + 4, 0, one, 30), ippStsNoErr);
    EXPECT_EQ(ippiMulC_16s_C1RSfs(w, 2, 3, w + 4, 0, one, 31), ippStsStepErr);
    EXPECT_EQ(ippiSubC_16s_C1RSfs(w, 2, 3, w + 4, -2, one, 17), ippStsStepErr);
}

}  // namespace
}  // namespace oculon::primitives
