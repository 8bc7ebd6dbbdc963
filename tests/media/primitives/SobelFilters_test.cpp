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

using SobelFn = decltype(ippiFilterSobelHorizBorder_8u16s_C1R);
using SizeFn = decltype(ippiFilterSobelHorizGetBufferSize_8u16s_C1R);

struct Form {
    const char* name;
    SobelFn* filter;
    SizeFn* size;
    IppiMaskSize mask;
    std::vector<int> across, down;
};

const Form kForms[] = {
    {"horizontal 3x3",
     &ippiFilterSobelHorizBorder_8u16s_C1R,
     &ippiFilterSobelHorizGetBufferSize_8u16s_C1R,
     ippMskSize3x3,
     {1, 2, 1},
     {-1, 0, 1}},
    {"horizontal 5x5",
     &ippiFilterSobelHorizBorder_8u16s_C1R,
     &ippiFilterSobelHorizGetBufferSize_8u16s_C1R,
     ippMskSize5x5,
     {1, 4, 6, 4, 1},
     {-1, -2, 0, 2, 1}},
    {"vertical 3x3",
     &ippiFilterSobelVertBorder_8u16s_C1R,
     &ippiFilterSobelVertGetBufferSize_8u16s_C1R,
     ippMskSize3x3,
     {1, 0, -1},
     {1, 2, 1}},
    {"vertical 5x5",
     &ippiFilterSobelVertBorder_8u16s_C1R,
     &ippiFilterSobelVertGetBufferSize_8u16s_C1R,
     ippMskSize5x5,
     {1, 2, 0, -2, -1},
     {1, 4, 6, 4, 1}},
};

const IppiBorderType kBorders[] = {ippBorderConst, ippBorderRepl, ippBorderWrap, ippBorderMirror, ippBorderMirrorR};

// Runs the filter on a width x height region one row and one column into a
// larger image of `fill` (random when negative), and compares every
// destination byte with the formula; returns the destination region.
std::vector<Ipp16s> checkAgainstFormula(const Form& f, IppiBorderType border, int width, int height, int fill,
                                        unsigned seed) {
    std::mt19937 rng(seed);
    const int srcStep = width + 3, dstStep = 2 * width + 4, dstCols = dstStep / 2;
    std::vector<Ipp8u> src(static_cast<size_t>(srcStep) * (height + 2));
    for (Ipp8u& s : src) s = static_cast<Ipp8u>(fill < 0 ? rng() : fill);
    const Ipp8u* region = src.data() + srcStep + 1;
    const auto value = static_cast<Ipp8u>(rng());
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
    EXPECT_EQ((*f.size)({width, height}, f.mask, &size), ippStsNoErr);
    std::vector<Ipp8u> buffer(static_cast<size_t>(size) + 1);
    EXPECT_EQ(
        (*f.filter)(region, srcStep, dst.data(), dstStep, {width, height}, f.mask, border, value, buffer.data() + 1),
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
                    checkAgainstFormula(f, border, width, height, -1, ++seed);
                }
}

TEST(SobelFilters, AFullImageUnderAZeroBorderReachesTheExtremes) {
    std::vector<Ipp8u> flat(6 * 9, 255);
    std::vector<Ipp16s> dst(6 * 9);
    int size = 0;
    ippiFilterSobelHorizGetBufferSize_8u16s_C1R({9, 6}, ippMskSize5x5, &size);
    std::vector<Ipp8u> buffer(static_cast<size_t>(size));
    ASSERT_EQ(ippiFilterSobelHorizBorder_8u16s_C1R(flat.data(), 9, dst.data(), 18, {9, 6}, ippMskSize5x5,
                                                   ippBorderConst, 0, buffer.data()),
              ippStsNoErr);
    for (int x = 2; x < 7; ++x) {
        EXPECT_EQ(dst[x], 12240);
        EXPECT_EQ(dst[5 * 9 + x], -12240);
    }
}

TEST(SobelFilters, BufferSizeCountsRealPointersAndIgnoresTheHeight) {
    const long long pointer = sizeof(void*);
    for (const Form& f : kForms) {
        const int k = f.mask == ippMskSize3x3 ? 3 : 5;
        for (int width : {1, 16, 17, 1280}) {
            const long long w16 = (width + 15) / 16 * 16;
            const long long want = 2 * w16 * (2 * k + 15) + (3 * k + 30) * pointer + 64 + 2 * (4 * k + 64);
            int a = 0, b = 0;
            ASSERT_EQ((*f.size)({width, 1}, f.mask, &a), ippStsNoErr);
            ASSERT_EQ((*f.size)({width, 5000}, f.mask, &b), ippStsNoErr);
            EXPECT_EQ(a, want) << f.name << " " << width;
            EXPECT_EQ(b, a);
        }
    }
    int size = 7;
    EXPECT_EQ(ippiFilterSobelVertGetBufferSize_8u16s_C1R({1, 1}, IppiMaskSize(35), &size), ippStsMaskSizeErr);
    EXPECT_EQ(ippiFilterSobelVertGetBufferSize_8u16s_C1R({0, 1}, IppiMaskSize(35), &size), ippStsSizeErr);
    EXPECT_EQ(ippiFilterSobelVertGetBufferSize_8u16s_C1R({0, 1}, ippMskSize3x3, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippiFilterSobelHorizGetBufferSize_8u16s_C1R({1 << 30, 1}, ippMskSize5x5, &size), ippStsSizeErr);
    EXPECT_EQ(size, 7);
}

TEST(SobelFilters, ChecksInOrder) {
    Ipp8u src[16] = {};
    Ipp16s dst[16] = {};
    Ipp8u buffer[2048];
    const auto run = [&](const Ipp8u* s, int ss, Ipp16s* d, int ds, IppiSize roi, int mask, int border) {
        return ippiFilterSobelVertBorder_8u16s_C1R(s, ss, d, ds, roi, IppiMaskSize(mask), IppiBorderType(border), 0,
                                                   buffer);
    };
    EXPECT_EQ(run(nullptr, 0, dst, 0, {0, 0}, 0, 9), ippStsNullPtrErr);
    EXPECT_EQ(ippiFilterSobelHorizBorder_8u16s_C1R(src, 4, dst, 8, {4, 1}, ippMskSize3x3, ippBorderRepl, 0, nullptr),
              ippStsNullPtrErr);
    EXPECT_EQ(run(src, 0, dst, 0, {4, 0}, 0, 9), ippStsSizeErr);
    EXPECT_EQ(run(src, 3, dst, 9, {4, 1}, 0, 9), ippStsStepErr);
    EXPECT_EQ(run(src, 4, dst, 7, {4, 1}, 0, 9), ippStsStepErr);
    EXPECT_EQ(run(src, 4, dst, 9, {4, 1}, 0, 9), ippStsNotEvenStepErr);
    EXPECT_EQ(run(src, 4, dst, 8, {4, 1}, 35, ippBorderMirror2), ippStsBadArgErr);
    EXPECT_EQ(run(src, 4, dst, 8, {4, 1}, 35, ippBorderInMem), ippStsBadArgErr);
    EXPECT_EQ(run(src, 4, dst, 8, {4, 1}, 35, -1), ippStsBadArgErr);
    EXPECT_EQ(run(src, 4, dst, 8, {4, 1}, 35, ippBorderWrap), ippStsMaskSizeErr);
    EXPECT_EQ(run(src, 4, dst, 8, {4, 1}, ippMskSize5x5, ippBorderWrap), ippStsNoErr);
}

}  // namespace
}  // namespace oculon::primitives
