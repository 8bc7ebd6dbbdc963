// Sobel filters against the two-dimensional sum written out with its border
// folded plainly, over random regions inside larger images, every border
// type and the heights that reach each part of the tiled pipeline; the work
// buffer exactly as large as its size entry says, starting off alignment;
// the buffer-size rule and the check order.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "media/primitives/SobelFilters.h"

namespace oculon::primitives {
namespace {

// The source coordinate the border gives for c, or -1 for the border value.
int fold(int c, int n, IppiBorderType type) {
    if (c >= 0 && c < n) return c;
    switch (type) {
        case ippBorderConst: return -1;
        case ippBorderRepl: return std::clamp(c, 0, n - 1);
        case ippBorderWrap:
            while (c < 0) c += n;
            while (c >= n) c -= n;
            return c;
        case ippBorderMirror:
            if (n == 1) return 0;
            while (c < 0 || c >= n) c = c < 0 ? -c : 2 * (n - 1) - c;
            return c;
        default:
            while (c < 0 || c >= n) c = c < 0 ? -c - 1 : 2 * n - 1 - c;
            return c;
    }
}

struct Form {
    const char* name;
    decltype(ippiFilterSobelHorizBorder_8u16s_C1R) filter;
    decltype(ippiFilterSobelHorizGetBufferSize_8u16s_C1R) size;
    IppiMaskSize mask;
    std::vector<int> across, down;
};

const Form kForms[] = {
    {"horizontal 3x3",
     ippiFilterSobelHorizBorder_8u16s_C1R,
     ippiFilterSobelHorizGetBufferSize_8u16s_C1R,
     ippMskSize3x3,
     {1, 2, 1},
     {-1, 0, 1}},
    {"horizontal 5x5",
     ippiFilterSobelHorizBorder_8u16s_C1R,
     ippiFilterSobelHorizGetBufferSize_8u16s_C1R,
     ippMskSize5x5,
     {1, 4, 6, 4, 1},
     {-1, -2, 0, 2, 1}},
    {"vertical 3x3",
     ippiFilterSobelVertBorder_8u16s_C1R,
     ippiFilterSobelVertGetBufferSize_8u16s_C1R,
     ippMskSize3x3,
     {1, 0, -1},
     {1, 2, 1}},
    {"vertical 5x5",
     ippiFilterSobelVertBorder_8u16s_C1R,
     ippiFilterSobelVertGetBufferSize_8u16s_C1R,
     ippMskSize5x5,
     {1, 2, 0, -2, -1},
     {1, 4, 6, 4, 1}},
};

const IppiBorderType kBorders[] = {ippBorderConst, ippBorderRepl, ippBorderWrap, ippBorderMirror, ippBorderMirrorR};

// Runs the filter on a width x height region one row and one column into a
// larger image of `fill` (random when negative), with the border value
// `value` (random when negative), and compares every destination sample with
// the formula; returns the destination, rows width + 2 samples apart.
std::vector<Ipp16s> checkAgainstFormula(const Form& f, IppiBorderType border, int width, int height, int fill,
                                        int value, unsigned seed) {
    std::mt19937 rng(seed);
    const int srcStep = width + 3, dstStep = 2 * width + 4, dstCols = dstStep / 2;
    std::vector<Ipp8u> src(static_cast<size_t>(srcStep) * (height + 2));
    for (Ipp8u& s : src) s = static_cast<Ipp8u>(fill < 0 ? rng() : fill);
    const Ipp8u* region = src.data() + srcStep + 1;
    if (value < 0) value = static_cast<Ipp8u>(rng());
    std::vector<Ipp16s> dst(static_cast<size_t>(dstCols) * height, 0x5A5A), want = dst;
    const int h = static_cast<int>(f.across.size()) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int i = -h; i <= h; ++i)
                for (int j = -h; j <= h; ++j) {
                    const int sx = fold(x + j, width, border), sy = fold(y + i, height, border);
                    const int s = sx < 0 || sy < 0 ? value : region[sy * srcStep + sx];
                    sum += f.down[i + h] * f.across[j + h] * s;
                }
            want[static_cast<size_t>(y) * dstCols + x] = static_cast<Ipp16s>(sum);
        }
    int size = 0;
    EXPECT_EQ(f.size({width, height}, f.mask, &size), ippStsNoErr);
    std::vector<Ipp8u> buffer(static_cast<size_t>(size) + 1);
    EXPECT_EQ(f.filter(region, srcStep, dst.data(), dstStep, {width, height}, f.mask, border, static_cast<Ipp8u>(value),
                       buffer.data() + 1),
              ippStsNoErr);
    EXPECT_EQ(dst, want);
    return dst;
}

TEST(SobelFilters, EqualTheFormulaForEveryBorderAndEveryStepOfThePipeline) {
    unsigned seed = 0;
    for (const Form& f : kForms)
        for (IppiBorderType border : kBorders)
            for (int width : {1, 2, 3, 5, 37})
                for (int height : {1, 2, 3, 16, 17, 18, 19, 34, 35, 50}) {
                    SCOPED_TRACE(testing::Message()
                                 << f.name << ", border " << border << ", " << width << "x" << height);
                    checkAgainstFormula(f, border, width, height, -1, -1, ++seed);
                }
}

TEST(SobelFilters, AFullImageUnderAZeroBorderReachesTheExtremes) {
    const std::vector<Ipp16s> d = checkAgainstFormula(kForms[1], ippBorderConst, 9, 6, 255, 0, 1);
    for (int x = 2; x < 7; ++x) EXPECT_EQ(d[x] * 1000 + d[5 * 11 + x], 12240 * 1000 - 12240);
}

TEST(SobelFilters, BufferSizeCountsRealPointersAndIgnoresTheHeight) {
    for (const Form& f : kForms)
        for (int width : {1, 17, 1280}) {
            const long long k = f.across.size(), w16 = (width + 15) / 16 * 16;
            int a = 0, b = 0;
            ASSERT_EQ(f.size({width, 1}, f.mask, &a) + f.size({width, 5000}, f.mask, &b), ippStsNoErr);
            EXPECT_EQ(a, 2 * w16 * (2 * k + 15) + (3 * k + 30) * sizeof(void*) + 64 + 2 * (4 * k + 64)) << f.name;
            EXPECT_EQ(b, a);
        }
    int size = 7;
    EXPECT_EQ(ippiFilterSobelVertGetBufferSize_8u16s_C1R({0, 1}, ippMskSize3x3, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippiFilterSobelVertGetBufferSize_8u16s_C1R({0, 1}, IppiMaskSize(35), &size), ippStsSizeErr);
    EXPECT_EQ(ippiFilterSobelVertGetBufferSize_8u16s_C1R({1, 1}, IppiMaskSize(35), &size), ippStsMaskSizeErr);
    EXPECT_EQ(ippiFilterSobelHorizGetBufferSize_8u16s_C1R({1 << 30, 1}, ippMskSize5x5, &size), ippStsSizeErr);
    EXPECT_EQ(size, 7);
}

TEST(SobelFilters, ChecksInOrder) {
    Ipp8u src[16] = {}, buffer[2048];
    Ipp16s dst[16] = {};
    const auto run = [&](const Ipp8u* s, int ss, int ds, IppiSize roi, int mask, int border, Ipp8u* b) {
        return ippiFilterSobelVertBorder_8u16s_C1R(s, ss, dst, ds, roi, IppiMaskSize(mask), IppiBorderType(border), 0,
                                                   b);
    };
    EXPECT_EQ(run(nullptr, 0, 0, {0, 0}, 0, 9, buffer), ippStsNullPtrErr);
    EXPECT_EQ(run(src, 4, 8, {4, 1}, ippMskSize3x3, ippBorderRepl, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(run(src, 0, 0, {4, 0}, 0, 9, buffer), ippStsSizeErr);
    EXPECT_EQ(run(src, 3, 9, {4, 1}, 0, 9, buffer), ippStsStepErr);
    EXPECT_EQ(run(src, 4, 7, {4, 1}, 0, 9, buffer), ippStsStepErr);
    EXPECT_EQ(run(src, 4, 9, {4, 1}, 0, 9, buffer), ippStsNotEvenStepErr);
    for (int border : {5, 6, 16, -1}) EXPECT_EQ(run(src, 4, 8, {4, 1}, 35, border, buffer), ippStsBadArgErr);
    EXPECT_EQ(run(src, 4, 8, {4, 1}, 35, ippBorderWrap, buffer), ippStsMaskSizeErr);
}

}  // namespace
}  // namespace oculon::primitives
