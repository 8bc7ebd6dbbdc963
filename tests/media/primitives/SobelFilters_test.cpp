// Sobel filters against the two-dimensional sum written out with its border
// folded plainly, over random regions inside larger images, every border
// type and the heights that reach each part of the tiled pipeline; the work
// buffer exactly as large as its size entry says, starting off alignment;
// the buffer-size rule and the check order.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// A k x k mask, mask[i][j] weighing S(x + j - h, y + i - h).
using Mask = std::vector<std::vector<int>>;

Mask outer(const std::vector<int>& down, const std::vector<int>& across) {
    Mask m(down.size(), std::vector<int>(across.size()));
    for (size_t i = 0; i < down.size(); ++i)
        for (size_t j = 0; j < across.size(); ++j) m[i][j] = down[i] * across[j];
    return m;
}

// Filters the source region at `region` (srcStep bytes a row) into the
// destination (dstStep bytes a row) with the given border value.
using Run = std::function<void(const Ipp8u* region, int srcStep, Ipp16s* dst, int dstStep, Ipp8u value)>;

// Runs a filter on a width x height region one row and one column into a
// larger image of `fill` (random when negative), with the border value
// `value` (random when negative), and compares every destination sample with
// the mask's sum in 16 bits (added to what the destination held, when
// `accumulates`); returns the destination, rows width + 2 samples apart.
std::vector<Ipp16s> checkAgainstMask(const Mask& mask, bool accumulates, IppiBorderType border, int width, int height,
                                     int fill, int value, unsigned seed, const Run& run) {
    std::mt19937 rng(seed);
    const int srcStep = width + 3, dstStep = 2 * width + 4, dstCols = dstStep / 2;
    std::vector<Ipp8u> src(static_cast<size_t>(srcStep) * (height + 2));
    for (Ipp8u& s : src) s = static_cast<Ipp8u>(fill < 0 ? rng() : fill);
    const Ipp8u* region = src.data() + srcStep + 1;
    if (value < 0) value = static_cast<Ipp8u>(rng());
    std::vector<Ipp16s> dst(static_cast<size_t>(dstCols) * height);
    for (Ipp16s& d : dst) d = static_cast<Ipp16s>(rng());
    std::vector<Ipp16s> want = dst;
    const int h = static_cast<int>(mask.size()) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int i = -h; i <= h; ++i)
                for (int j = -h; j <= h; ++j) {
                    const int sx = fold(x + j, width, border), sy = fold(y + i, height, border);
                    const int s = sx < 0 || sy < 0 ? value : region[sy * srcStep + sx];
                    sum += mask[i + h][j + h] * s;
                }
            Ipp16s& w = want[static_cast<size_t>(y) * dstCols + x];
            w = static_cast<Ipp16s>(accumulates ? w + sum : sum);
        }
    run(region, srcStep, dst.data(), dstStep, static_cast<Ipp8u>(value));
    EXPECT_EQ(dst, want);
    return dst;
}

// The filter with a buffer exactly as large as its size entry says, starting
// off alignment.
std::vector<Ipp16s> checkAgainstFormula(const Form& f, IppiBorderType border, int width, int height, int fill,
                                        int value, unsigned seed) {
    return checkAgainstMask(
        outer(f.down, f.across), false, border, width, height, fill, value, seed,
        [&](const Ipp8u* region, int srcStep, Ipp16s* dst, int dstStep, Ipp8u v) {
            int size = 0;
            EXPECT_EQ(f.size({width, height}, f.mask, &size), ippStsNoErr);
            std::vector<Ipp8u> buffer(static_cast<size_t>(size) + 1);
            EXPECT_EQ(f.filter(region, srcStep, dst, dstStep, {width, height}, f.mask, border, v, buffer.data() + 1),
                      ippStsNoErr);
        });
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

// The pipeline's kernels, by number, with the coefficients each applies.
const std::vector<int> kRowKernelSets[] = {
    {-1, 0, 1},       {3, 10, 3}, {1, 0, -1},      {1, 2, 0, -2, -1}, {1, -2, 1},
    {1, 0, -2, 0, 1}, {1, 2, 1},  {1, 4, 6, 4, 1}, {1, 1, 1},         {1, 1, 1, 1, 1},
};
const std::vector<int> kColumnKernelSets[] = {
    {3, 10, 3},           {-1, 0, 1}, {1, 2, 1},       {1, 4, 6, 4, 1}, {-1, -2, 0, 2, 1},    {1, -2, 1},
    {1, 0, -2, 0, 1},     {},         {1, 4, 6, 4, 1}, {-1, -2, -1},    {-1, -4, -6, -4, -1}, {-1, -2, -1},
    {-1, -4, -6, -4, -1},
};
constexpr int kAccumulatingColumn = 8;

// Runs the pipeline with one row and one column kernel, the coefficient sets
// handed over as the filters hand theirs, in a buffer sized for `bufferWidth`.
Run pipeline(int rowKernel, int columnKernel, const std::vector<int>& rowSet, int k, IppiBorderType border, int width,
             int height, int bufferWidth) {
    return [=](const Ipp8u* region, int srcStep, Ipp16s* dst, int dstStep, Ipp8u value) {
        int size = 0;
        ASSERT_EQ(ippiFilterSobelHorizGetBufferSize_8u16s_C1R({bufferWidth, 1}, k == 3 ? ippMskSize3x3 : ippMskSize5x5,
                                                              &size),
                  ippStsNoErr);
        std::vector<Ipp8u> buffer(static_cast<size_t>(size) + 3);
        const std::vector<Ipp16s> rows(rowSet.begin(), rowSet.end()), columns(k, 0);
        EXPECT_EQ(ownFilterSobelBorderPipeline(region, srcStep, dst, dstStep, width, height, rows.data(),
                                               static_cast<int>(rows.size()), columns.data(), k, border, value,
                                               buffer.data() + 3, rowKernel, columnKernel),
                  ippStsNoErr);
    };
}

// Every row kernel with every column kernel of its size, each pair against
// the product of their coefficient sets (the accumulating column kernel
// added to the destination), on every border and heights through the
// pipeline's steps; the 3x3 Laplacian pair against its mask.
TEST(SobelPipeline, EveryKernelPairEqualsItsMask) {
    unsigned seed = 100;
    for (int r = 0; r < kFilterRowKernelCount - 1; ++r)
        for (int c = 0; c < kFilterColumnKernelCount; ++c) {
            const std::vector<int>& across = kRowKernelSets[r];
            const std::vector<int>& down = kColumnKernelSets[c];
            if (down.size() != across.size()) continue;
            const int k = static_cast<int>(across.size());
            for (IppiBorderType border : kBorders)
                for (const auto& [width, height] : {std::pair{1, 2}, {3, 1}, {5, 19}, {23, 35}}) {
                    SCOPED_TRACE(testing::Message() << "row kernel " << r << ", column kernel " << c << ", border "
                                                    << border << ", " << width << "x" << height);
                    checkAgainstMask(outer(down, across), c == kAccumulatingColumn, border, width, height, -1, -1,
                                     ++seed, pipeline(r, c, across, k, border, width, height, width));
                }
        }
    const Mask laplacian = {{2, 0, 2}, {0, -8, 0}, {2, 0, 2}};
    for (IppiBorderType border : kBorders)
        for (const auto& [width, height] : {std::pair{1, 1}, {2, 3}, {9, 18}, {40, 37}}) {
            SCOPED_TRACE(testing::Message() << "Laplacian, border " << border << ", " << width << "x" << height);
            // The row set sums to A's coefficients: the constant border's rows
            // are read only for their A half.
            checkAgainstMask(laplacian, false, border, width, height, -1, -1, ++seed,
                             pipeline(kFilterRowLaplacian, 7, {1, 0, 1}, 3, border, width, height, 2 * width));
        }
}

// The kernels' work-area size: 4 x kernel size + 64 for any region.
TEST(SobelPipeline, BufferSizesOfTheTwoPasses) {
    for (auto size :
         {ippiFilterRowBorderPipelineGetBufferSize_8u16s_C1R, ippiFilterColumnPipelineGetBufferSize_16s_C1R}) {
        int bytes = -1;
        for (int k : {1, 3, 5, 100}) {
            ASSERT_EQ(size({7, 1}, k, &bytes), ippStsNoErr);
            EXPECT_EQ(bytes, 4 * k + 64);
        }
        bytes = -1;
        EXPECT_EQ(size({7, 1}, 3, nullptr), ippStsNullPtrErr);
        EXPECT_EQ(size({0, 1}, 3, &bytes), ippStsSizeErr);
        EXPECT_EQ(size({1, 0}, 3, &bytes), ippStsSizeErr);
        EXPECT_EQ(size({1, 1}, 0, &bytes), ippStsSizeErr);
        EXPECT_EQ(bytes, -1);
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
