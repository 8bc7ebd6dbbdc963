// Scaled Add, Sub and Mul on 8u and 16s samples against the plain rule
// (exact result times 2^-sf, ties to even, saturated), in every form, across
// every scale factor from beyond the saturating end to beyond the cut-off;
// and the order of the argument tests, including the step test that only the
// fills of the cut-offs and shortcuts make.

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>
#include <vector>

#include "SampleReference.h"
#include "media/primitives/ScaledSampleArithmetic.h"

namespace oculon::primitives {
namespace {

enum Op { kAdd, kSub, kMul };
const char* const kOpNames[] = {"Add", "Sub", "Mul"};

template <typename T>
constexpr bool kIs8u = std::is_same_v<T, Ipp8u>;
template <typename T>
constexpr int kLo = kIs8u<T> ? 0 : -32768;
template <typename T>
constexpr int kHi = kIs8u<T> ? 255 : 32767;

// a op b, b the source image or the constant.
template <typename T>
int expected(Op op, int a, int b, int sf) {
    std::int64_t v = op == kAdd ? a + b : op == kMul ? a * b : a - b;
    if (kIs8u<T> && v < 0) v = 0;
    return static_cast<int>(reference::scaled(v, 1, sf, kLo<T>, kHi<T>));
}

template <typename T>
using ImageFn = IppStatus (*)(const T*, int, T*, int, IppiSize, int);
template <typename T>
using VectorIFn = IppStatus (*)(T, T*, int, int);
template <typename T>
using VectorFn = IppStatus (*)(const T*, T, T*, int, int);
template <typename T>
using ImageCIFn = IppStatus (*)(T, T*, int, IppiSize, int);
template <typename T>
using ImageCFn = IppStatus (*)(const T*, int, T, T*, int, IppiSize, int);

template <typename T>
struct Forms {
    ImageFn<T> image;
    VectorIFn<T> vectorI;
    VectorFn<T> vector;
    ImageCIFn<T> imageCI;
    ImageCFn<T> imageC;
};

Forms<Ipp8u> forms8u(Op op) {
    switch (op) {
        case kAdd:
            return {ippiAdd_8u_C1IRSfs, ippsAddC_8u_ISfs, ippsAddC_8u_Sfs, ippiAddC_8u_C1IRSfs, ippiAddC_8u_C1RSfs};
        case kSub:
            return {ippiSub_8u_C1IRSfs, ippsSubC_8u_ISfs, ippsSubC_8u_Sfs, ippiSubC_8u_C1IRSfs, ippiSubC_8u_C1RSfs};
        default:
            return {ippiMul_8u_C1IRSfs, ippsMulC_8u_ISfs, ippsMulC_8u_Sfs, ippiMulC_8u_C1IRSfs, ippiMulC_8u_C1RSfs};
    }
}

Forms<Ipp16s> forms16s(Op op) {
    switch (op) {
        case kAdd:
            return {ippiAdd_16s_C1IRSfs, ippsAddC_16s_ISfs, ippsAddC_16s_Sfs, ippiAddC_16s_C1IRSfs,
                    ippiAddC_16s_C1RSfs};
        case kSub:
            return {ippiSub_16s_C1IRSfs, ippsSubC_16s_ISfs, ippsSubC_16s_Sfs, ippiSubC_16s_C1IRSfs,
                    ippiSubC_16s_C1RSfs};
        default:
            return {ippiMul_16s_C1IRSfs, ippsMulC_16s_ISfs, ippsMulC_16s_Sfs, ippiMulC_16s_C1IRSfs,
                    ippiMulC_16s_C1RSfs};
    }
}

template <typename T>
Forms<T> forms(Op op) {
    if constexpr (kIs8u<T>) return forms8u(op);
    else return forms16s(op);
}

// Every pair (a, b) of `values` as the destination and source images, rows
// padded by 3 elements that must stay as they were.
template <typename T>
void checkImageOperand(const std::vector<int>& values, int sfFrom, int sfTo) {
    const int n = static_cast<int>(values.size()), stride = n + 3;
    std::vector<T> src(static_cast<size_t>(stride) * n, 0), start(src.size(), 0);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < stride; ++x) {
            src[y * stride + x] = static_cast<T>(x < n ? values[x] : 77);
            start[y * stride + x] = static_cast<T>(x < n ? values[y] : 55);
        }
    const int step = stride * static_cast<int>(sizeof(T));
    for (Op op : {kAdd, kSub, kMul})
        for (int sf = sfFrom; sf <= sfTo; ++sf) {
            SCOPED_TRACE(testing::Message() << kOpNames[op] << " sf " << sf);
            std::vector<T> dst = start;
            ASSERT_EQ(forms<T>(op).image(src.data(), step, dst.data(), step, {n, n}, sf), ippStsNoErr);
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < stride; ++x) {
                    const int want = x < n ? expected<T>(op, values[y], values[x], sf) : 55;
                    ASSERT_EQ(dst[y * stride + x], want) << values[y] << " op " << values[x];
                }
        }
}

TEST(ScaledSamples, EveryPairOf8uSamplesAtEveryScaleFactor) {
    std::vector<int> all(256);
    for (int i = 0; i < 256; ++i) all[i] = i;
    checkImageOperand<Ipp8u>(all, -10, 18);
}

TEST(ScaledSamples, EdgesAndSampledPairsOf16sAtEveryScaleFactor) {
    checkImageOperand<Ipp16s>(reference::interesting16s(38, 5), -18, 33);
}

// The four constant forms on the same inputs; the image forms run on a
// region of `width` columns in padded rows, the in-place ones on a copy.
template <typename T>
void checkConstantForms(const std::vector<int>& inputs, const std::vector<int>& constants,
                        const std::vector<int>& scaleFactors) {
    const int len = static_cast<int>(inputs.size()), width = 16, height = len / width, stride = width + 2;
    ASSERT_EQ(width * height, len);
    const int step = stride * static_cast<int>(sizeof(T));
    std::vector<T> vec(len), image(static_cast<size_t>(stride) * height, 99);
    for (int i = 0; i < len; ++i) {
        vec[i] = static_cast<T>(inputs[i]);
        image[(i / width) * stride + i % width] = vec[i];
    }
    for (Op op : {kAdd, kSub, kMul})
        for (int c : constants)
            for (int sf : scaleFactors) {
                SCOPED_TRACE(testing::Message() << kOpNames[op] << " constant " << c << " sf " << sf);
                const Forms<T> f = forms<T>(op);
                const T value = static_cast<T>(c);
                std::vector<T> v1 = vec, v2(len, 1), i1 = image, i2(image.size(), 99);
                ASSERT_EQ(f.vectorI(value, v1.data(), len, sf), ippStsNoErr);
                ASSERT_EQ(f.vector(vec.data(), value, v2.data(), len, sf), ippStsNoErr);
                ASSERT_EQ(f.imageCI(value, i1.data(), step, {width, height}, sf), ippStsNoErr);
                ASSERT_EQ(f.imageC(image.data(), step, value, i2.data(), step, {width, height}, sf), ippStsNoErr);
                for (int i = 0; i < len; ++i) {
                    const int want = expected<T>(op, inputs[i], c, sf);
                    const size_t at = static_cast<size_t>((i / width) * stride + i % width);
                    ASSERT_EQ(v1[i], want) << inputs[i];
                    ASSERT_EQ(v2[i], want) << inputs[i];
                    ASSERT_EQ(i1[at], want) << inputs[i];
                    ASSERT_EQ(i2[at], want) << inputs[i];
                }
                for (int y = 0; y < height; ++y) {
                    ASSERT_EQ(i1[y * stride + width], 99);
                    ASSERT_EQ(i2[y * stride + width + 1], 99);
                }
            }
}

TEST(ScaledSamples, ConstantForms8uForEveryConstant) {
    std::vector<int> all(256), sfs;
    for (int i = 0; i < 256; ++i) all[i] = i;
    for (int sf = -9; sf <= 18; ++sf) sfs.push_back(sf);
    checkConstantForms<Ipp8u>(all, all, sfs);
}

TEST(ScaledSamples, ConstantForms16sAroundEveryCutOff) {
    std::vector<int> inputs = reference::interesting16s(4096 - 26, 9);
    std::vector<int> constants = reference::interesting16s(4, 11);
    checkConstantForms<Ipp16s>(inputs, constants, {-17, -16, -15, -1, 0, 1, 2, 15, 16, 17, 29, 30, 31, 40});
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

// A fill covers exactly the region of the destination, the source untouched.
TEST(ScaledSamples, FillsAndCopiesKeepToTheRegion) {
    struct Case {
        Ipp8u value;
        int sf;
        int want;  // -1: the source
    };
    for (const Case& c : {Case{9, 10, 0}, Case{0, 0, -1}, Case{9, -8, 255}}) {
        std::vector<Ipp8u> src(40), dst(40, 0xEE);
        for (int i = 0; i < 40; ++i) src[i] = static_cast<Ipp8u>(i * 7);
        ASSERT_EQ(ippiAddC_8u_C1RSfs(src.data(), 8, c.value, dst.data(), 10, {5, 4}, c.sf), ippStsNoErr);
        for (int i = 0; i < 40; ++i) {
            const bool inside = i / 10 < 4 && i % 10 < 5;
            const int want = !inside ? 0xEE : c.want < 0 ? src[(i / 10) * 8 + i % 10] : c.want;
            ASSERT_EQ(dst[i], want) << "value " << int(c.value) << " sf " << c.sf << " at " << i;
        }
    }
    std::vector<Ipp16s> v(6, 7);
    ASSERT_EQ(ippsMulC_16s_ISfs(0, v.data(), 5, -40), ippStsNoErr);
    EXPECT_EQ(v, (std::vector<Ipp16s>{0, 0, 0, 0, 0, 7}));
}

}  // namespace
}  // namespace oculon::primitives
