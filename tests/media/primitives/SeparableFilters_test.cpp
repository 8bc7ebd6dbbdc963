// Row and column filters against the convolution written out sample by
// sample in extended precision, on regions inside larger random images
// (every sample the window reaches lies in the image, and the bytes after
// each destination row must stay); the rounding and saturation rule; the
// check order; the running average against its formula.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "media/primitives/SeparableFilters.h"

namespace oculon::primitives {
namespace {

// The store rule as stated: halves away from zero, then saturation.
template <typename S>
S rounded(long double v) {
    v += v > 0 ? 0.5L : v < 0 && sizeof(S) == 2 ? -0.5L : 0.0L;
    const long double lo = sizeof(S) == 1 ? 0 : -32768, hi = sizeof(S) == 1 ? 255 : 32767;
    return static_cast<S>(v > hi ? hi : v >= lo ? static_cast<int>(v) : lo);
}

template <typename S>
struct Form {
    const char* name;
    IppStatus (*filter)(const S*, int, S*, int, IppiSize, const Ipp32f*, int, int);
    int channels;
    bool alongRows;
};

const Form<Ipp8u> kByteForms[] = {
    {"column C1", ippiFilterColumn32f_8u_C1R, 1, false}, {"column C3", ippiFilterColumn32f_8u_C3R, 3, false},
    {"column C4", ippiFilterColumn32f_8u_C4R, 4, false}, {"row C1", ippiFilterRow32f_8u_C1R, 1, true},
    {"row C3", ippiFilterRow32f_8u_C3R, 3, true},        {"row C4", ippiFilterRow32f_8u_C4R, 4, true}};
const Form<Ipp16s> kShortForms[] = {{"column 16s", ippiFilterColumn32f_16s_C1R, 1, false},
                                    {"row 16s", ippiFilterRow32f_16s_C1R, 1, true}};

struct Kernel {
    std::vector<Ipp32f> taps;
    int anchor;
};

// Sums whole in 16 bits once scaled (in one pass and in two), exact in
// floats, exact in doubles, and products too far apart for either; anchors
// inside, before and after the kernel.
std::vector<Kernel> kernels() {
    std::vector<Kernel> all = {{{1}, 0},
                               {{0.0625f, 0.25f, 0.375f, 0.25f, 0.0625f}, 2},
                               {{0.5f, 0.5f}, 0},
                               {{1 / 64.f, 6 / 64.f, 15 / 64.f, 20 / 64.f, 15 / 64.f, 6 / 64.f, 1 / 64.f}, 3},
                               {{96.5f, -40.25f, 3.0f}, 1},
                               {{1e-12f, 0.5f, -0.5f}, 1},
                               {{0.1f, -0.7f, 1.3f}, -2},
                               {{2.0f, -1.0f}, 4}};
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> tap(-1.5f, 1.5f);
    for (int n = 3; n <= 7; n += 2) {
        Kernel k{{}, static_cast<int>(rng() % n)};
        for (int j = 0; j < n; ++j) k.taps.push_back(tap(rng));
        all.push_back(k);
    }
    return all;
}

template <typename S>
void checkForm(const Form<S>& form, const Kernel& k, int width, int height, unsigned seed) {
    const int n = static_cast<int>(k.taps.size());
    // Pixels (row filters) or rows (column filters) the window reaches
    // before and after the region.
    const int before = std::max(0, n - 1 - k.anchor), after = std::max(0, k.anchor);
    const int c = form.channels;
    const int srcCols = c * (width + (form.alongRows ? before + after : 0)) + 3;
    const int srcRows = height + (form.alongRows ? 0 : before + after);
    const int dstCols = c * width + 5;
    std::mt19937 rng(seed);
    std::vector<S> src(static_cast<size_t>(srcCols) * srcRows), dst(static_cast<size_t>(dstCols) * height);
    for (S& s : src) s = static_cast<S>(rng());
    for (S& d : dst) d = static_cast<S>(rng());
    std::vector<S> want = dst;
    const int x0 = form.alongRows ? before : 0, y0 = form.alongRows ? 0 : before;
    const auto sample = [&](int y, int i) { return src[static_cast<size_t>(y0 + y) * srcCols + c * x0 + i]; };
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < c * width; ++i) {
            long double sum = 0;
            for (int j = n - 1; j >= 0; --j) {
                const int d = k.anchor - j;
                sum += static_cast<long double>(k.taps[j]) * (form.alongRows ? sample(y, i + c * d) : sample(y + d, i));
            }
            want[static_cast<size_t>(y) * dstCols + i] = rounded<S>(sum);
        }
    const int bytes = sizeof(S);
    ASSERT_EQ(form.filter(&src[static_cast<size_t>(y0) * srcCols + c * x0], srcCols * bytes, dst.data(),
                          dstCols * bytes, {width, height}, k.taps.data(), n, k.anchor),
              ippStsNoErr);
    ASSERT_EQ(dst, want) << form.name;
}

TEST(SeparableFilters, EqualTheConvolutionWrittenOut) {
    const std::vector<Kernel> all = kernels();
    unsigned seed = 1;
    for (const auto& size : {IppiSize{1, 1}, IppiSize{37, 5}, IppiSize{700, 3}})
        for (const Kernel& k : all) {
            SCOPED_TRACE(testing::Message()
                         << size.width << "x" << size.height << ", " << k.taps.size() << " taps, anchor " << k.anchor);
            for (const auto& form : kByteForms) checkForm(form, k, size.width, size.height, ++seed);
            for (const auto& form : kShortForms) checkForm(form, k, size.width, size.height, ++seed);
        }
}

// One tap on a sample of 1: the sum is the tap itself.
TEST(SeparableFilters, RoundHalvesAwayFromZeroAndSaturate) {
    const Ipp8u byteOne = 1;
    const Ipp16s shortOne = 1;
    for (auto [tap, want] : {std::pair{254.5f, 255},
                             {255.4f, 255},
                             {300.0f, 255},
                             {-0.4f, 0},
                             {-7.0f, 0},
                             {0.49f, 0},
                             {0.5f, 1},
                             {2.5f, 3}}) {
        Ipp8u out = 99;
        ippiFilterRow32f_8u_C1R(&byteOne, 1, &out, 1, {1, 1}, &tap, 1, 0);
        EXPECT_EQ(out, want) << tap;
    }
    for (auto [tap, want] : {std::pair{2.5f, 3},
                             {-2.5f, -3},
                             {-0.4f, 0},
                             {40000.0f, 32767},
                             {-40000.0f, -32768},
                             {-32768.4f, -32768},
                             {32766.5f, 32767}}) {
        Ipp16s out = 99;
        ippiFilterColumn32f_16s_C1R(&shortOne, 2, &out, 2, {1, 1}, &tap, 1, 0);
        EXPECT_EQ(out, want) << tap;
    }
}

TEST(SeparableFilters, ChecksInOrder) {
    Ipp8u img[64] = {};
    Ipp16s img16[32] = {};
    const float k[5] = {1, 1, 1, 1, 1};
    // The three- and four-channel column forms test the width first.
    EXPECT_EQ(ippiFilterColumn32f_8u_C3R(nullptr, 8, img, 8, {0, 1}, k, 1, 0), ippStsSizeErr);
    EXPECT_EQ(ippiFilterColumn32f_8u_C1R(nullptr, 8, img, 8, {0, 1}, k, 1, 0), ippStsNullPtrErr);
    EXPECT_EQ(ippiFilterRow32f_8u_C1R(img, 8, img, 8, {1, 1}, k, 0, 0), ippStsSizeErr);
    // A row filter reads width + kernel size - 1 pixels a row.
    EXPECT_EQ(ippiFilterRow32f_8u_C1R(img, 13, img + 32, 10, {10, 1}, k, 5, 2), ippStsStepErr);
    EXPECT_EQ(ippiFilterRow32f_8u_C1R(img + 2, 14, img + 32, 10, {10, 1}, k, 5, 2), ippStsNoErr);
    EXPECT_EQ(ippiFilterRow32f_8u_C3R(img, 3 * 6 - 1, img + 32, 6, {2, 1}, k, 5, 2), ippStsStepErr);
    EXPECT_EQ(ippiFilterRow32f_16s_C1R(img16, 2 * 14 - 1, img16, 20, {10, 1}, k, 5, 2), ippStsStepErr);
    EXPECT_EQ(ippiFilterColumn32f_8u_C4R(img, 8, img, 7, {2, 1}, k, 1, 0), ippStsStepErr);
    // A C4 width whose samples overflow the int range is a size error.
    EXPECT_EQ(ippiFilterColumn32f_8u_C4R(img, 8, img, 8, {1 << 30, 1}, k, 1, 0), ippStsSizeErr);
    // Width 2, 16-bit steps of 5 bytes: rows 2 samples apart.
    Ipp16s src[6] = {10, 20, 30, 40, 50, 60}, dst[6] = {0, 0, 0, 0, -1, -1};
    ASSERT_EQ(ippiFilterColumn32f_16s_C1R(src + 2, 5, dst, 5, {2, 2}, k, 2, 0), ippStsNoErr);
    EXPECT_EQ(std::vector<Ipp16s>(dst, dst + 6), (std::vector<Ipp16s>{40, 60, 80, 100, -1, -1}));
}

TEST(AddWeighted, BlendsInExtendedPrecisionAndChecksInOrder) {
    std::mt19937 rng(3);
    std::vector<Ipp16u> src(3 * 8);
    std::vector<Ipp32f> acc(3 * 6), want;
    for (auto& s : src) s = static_cast<Ipp16u>(rng());
    for (auto& a : acc) a = std::ldexp(static_cast<float>(rng() % 100000), static_cast<int>(rng() % 20) - 10);
    want = acc;
    const float alpha = 0.3f;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const long double d = want[y * 6 + x];
            want[y * 6 + x] = static_cast<float>(d + (src[y * 8 + x] - d) * static_cast<long double>(alpha));
        }
    ASSERT_EQ(ippiAddWeighted_16u32f_C1IR(src.data(), 16, acc.data(), 24, {5, 3}, alpha), ippStsNoErr);
    EXPECT_EQ(acc, want);

    Ipp8u bytes[2] = {200, 17};
    float blend[2] = {100.0f, 1e-3f};
    for (auto [a, want] : {std::pair{0.25f, 125.0f}, {0.0f, 125.0f}, {1.0f, 200.0f}}) {
        ippiAddWeighted_8u32f_C1IR(bytes, 2, blend, 8, {2, 1}, a);
        EXPECT_EQ(blend[0], want) << a;
    }
    EXPECT_EQ(blend[1], 17.0f);
    EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(nullptr, 0, blend, 0, {0, 0}, 1), ippStsNullPtrErr);
    EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(bytes, 0, blend, 0, {0, 1}, 1), ippStsSizeErr);
    EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(bytes, 1, blend, 8, {2, 1}, 1), ippStsStepErr);
    EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(bytes, 2, blend, 7, {2, 1}, 1), ippStsStepErr);
    EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(bytes, 2, blend, 10, {2, 1}, 1), ippStsNotEvenStepErr);
    // The 16-bit source step: its length, then its evenness, then the
    // accumulator's.
    EXPECT_EQ(ippiAddWeighted_16u32f_C1IR(src.data(), 9, acc.data(), 4, {5, 1}, 1), ippStsStepErr);
    EXPECT_EQ(ippiAddWeighted_16u32f_C1IR(src.data(), 11, acc.data(), 4, {5, 1}, 1), ippStsNotEvenStepErr);
    EXPECT_EQ(ippiAddWeighted_16u32f_C1IR(src.data(), 12, acc.data(), 19, {5, 1}, 1), ippStsStepErr);
    EXPECT_EQ(ippiAddWeighted_16u32f_C1IR(src.data(), 12, acc.data(), 22, {5, 1}, 1), ippStsNotEvenStepErr);
}

}  // namespace
}  // namespace oculon::primitives
