// The Sobel filters run as a separable two-pass pipeline in the caller's
// buffer: a row kernel turns source rows into 16-bit intermediate rows kept
// in a ring of k + 15 rows, and a column kernel combines k of them into each
// destination row, 16 destination rows per step, trailing the row pass by
// h rows. The working set is a band of about 16 + 2h rows whatever the
// image's height. The border rows above and below the image are made once
// (or, for ippBorderRepl, are the first and last image rows themselves).
//
// A pointer array names the rows by position: slots k - h .. k - 1 the
// border rows above, slot k + j ring row j mod (k + 15), the ring twice over,
// so that the k rows of any destination row are consecutive slots and no
// index wraps inside a pass.

#include "media/primitives/SobelFilters.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/ProcessorCacheSize.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

constexpr int kBlockRows = 16;

// One set of integer taps, offsets -h..+h. The sums are formed with the
// coefficients as constants, so zero taps drop out and the loops vectorise.
template <int... C>
struct Taps {
    static constexpr int kSize = sizeof...(C);
    static constexpr int kHalf = kSize / 2;

    template <typename At>
    [[gnu::always_inline]] static int apply(At at) {
        return applyEach(at, std::make_index_sequence<kSize>{});
    }

private:
    template <typename At, std::size_t... J>
    [[gnu::always_inline]] static int applyEach(At at, std::index_sequence<J...>) {
        constexpr int c[] = {C...};
        return ((c[J] * at(J)) + ...);
    }
};

// --- Virtual border ------------------------------------------------------------------

// The coordinate inside 0..n-1 that the border reads for c, or -1 where the
// constant border value stands.
int reduce(ptrdiff_t c, ptrdiff_t n, IppiBorderType type) {
    if (c >= 0 && c < n) return static_cast<int>(c);
    const auto wrap = [](ptrdiff_t v, ptrdiff_t period) { return ((v % period) + period) % period; };
    switch (type) {
        case ippBorderConst: return -1;
        case ippBorderRepl: return c < 0 ? 0 : static_cast<int>(n - 1);
        case ippBorderWrap: return static_cast<int>(wrap(c, n));
        case ippBorderMirror: {
            if (n == 1) return 0;
            const ptrdiff_t m = wrap(c, 2 * n - 2);
            return static_cast<int>(m < n ? m : 2 * n - 2 - m);
        }
        default: {  // ippBorderMirrorR
            const ptrdiff_t m = wrap(c, 2 * n);
            return static_cast<int>(m < n ? m : 2 * n - 1 - m);
        }
    }
}

// --- Row kernels ---------------------------------------------------------------------

// The intermediate row length in elements: the width rounded up to 8.
ptrdiff_t rowElements(int width) { return (static_cast<ptrdiff_t>(width) + 7) / 8 * 8; }

template <class Row>
OCULON_HOT_LOOP void rowInside(const Ipp8u* s, Ipp16s* out, ptrdiff_t from, ptrdiff_t to) {
    for (ptrdiff_t x = from; x < to; ++x)
        out[x] = static_cast<Ipp16s>(Row::apply([&](std::size_t j) { return int{s[x - Row::kHalf + ptrdiff_t(j)]}; }));
}

// One source row into one intermediate row. Only the first and last h
// outputs reach past the row's ends; each gathers its window through the
// border into the edge-window scratch.
template <class Row>
void rowOf(const Ipp8u* s, Ipp16s* out, Ipp8u* window, int width, IppiBorderType border, Ipp8u value) {
    constexpr int h = Row::kHalf;
    const auto edge = [&](int x) {
        for (int j = 0; j < Row::kSize; ++j) {
            const int c = reduce(x + j - h, width, border);
            window[j] = c < 0 ? value : s[c];
        }
        out[x] = static_cast<Ipp16s>(Row::apply([&](std::size_t j) { return int{window[j]}; }));
    };
    const int left = std::min(h, width);
    for (int x = 0; x < left; ++x) edge(x);
    rowInside<Row>(s, out, h, width - h);
    for (int x = std::max(width - h, left); x < width; ++x) edge(x);
}

template <class Row>
void rowKernel(const Ipp8u* src, Ipp16s* const* dst, Ipp8u* scratch, int srcStep, int /*anchor*/, int width, int rows,
               IppiBorderType border, Ipp8u value) {
    for (int n = 0; n < rows; ++n) rowOf<Row>(region::row(src, srcStep, n), dst[n], scratch, width, border, value);
}

// Two half-rows per row: First at the row's start, Second a row length
// further on.
template <class First, class Second>
void rowPairKernel(const Ipp8u* src, Ipp16s* const* dst, Ipp8u* scratch, int srcStep, int /*anchor*/, int width,
                   int rows, IppiBorderType border, Ipp8u value) {
    for (int n = 0; n < rows; ++n) {
        const Ipp8u* s = region::row(src, srcStep, n);
        rowOf<First>(s, dst[n], scratch, width, border, value);
        rowOf<Second>(s, dst[n] + rowElements(width), scratch, width, border, value);
    }
}

// --- Column kernels ------------------------------------------------------------------

// k intermediate rows into a destination row, in 16-bit arithmetic that
// wraps; Accumulate adds the result to what the destination holds.
template <class Column, bool Accumulate>
OCULON_HOT_LOOP void columnRow(Ipp16s* const* rows, Ipp16s* out, ptrdiff_t width) {
    const Ipp16s* t[Column::kSize];
    for (int i = 0; i < Column::kSize; ++i) t[i] = rows[i];
    for (ptrdiff_t x = 0; x < width; ++x) {
        const int v = Column::apply([&](std::size_t i) { return int{t[i][x]}; });
        out[x] = static_cast<Ipp16s>(Accumulate ? out[x] + v : v);
    }
}

template <class Column, bool Accumulate = false>
void columnKernel(Ipp16s* const* window, Ipp16s* dst, int dstStep, int width, int rows, Ipp8u* /*area*/,
                  int /*cacheFlag*/) {
    for (int n = 0; n < rows; ++n) columnRow<Column, Accumulate>(window + n, dst + ptrdiff_t{n} * dstStep, width);
}

// 2 (A of t0 + A of t2) - B of t1, A and B the half-rows of row kernel 10:
// the mask 2 0 2 / 0 -8 0 / 2 0 2.
OCULON_HOT_LOOP void laplacianRow(Ipp16s* const* rows, Ipp16s* out, ptrdiff_t width) {
    const Ipp16s *a0 = rows[0], *b1 = rows[1] + rowElements(static_cast<int>(width)), *a2 = rows[2];
    for (ptrdiff_t x = 0; x < width; ++x) out[x] = static_cast<Ipp16s>(2 * (a0[x] + a2[x]) - b1[x]);
}

void laplacianColumnKernel(Ipp16s* const* window, Ipp16s* dst, int dstStep, int width, int rows, Ipp8u* /*area*/,
                           int /*cacheFlag*/) {
    for (int n = 0; n < rows; ++n) laplacianRow(window + n, dst + ptrdiff_t{n} * dstStep, width);
}

using Row3Dx = Taps<-1, 0, 1>;
using Row3Scharr = Taps<3, 10, 3>;
using Row3DxNeg = Taps<1, 0, -1>;
using Row5DxNeg = Taps<1, 2, 0, -2, -1>;
using Row3Dx2 = Taps<1, -2, 1>;
using Row5Dx2 = Taps<1, 0, -2, 0, 1>;
using Row3Sobel = Taps<1, 2, 1>;
using Row5Sobel = Taps<1, 4, 6, 4, 1>;
using Row3Avr = Taps<1, 1, 1>;
using Row5Avr = Taps<1, 1, 1, 1, 1>;
using Row3LaplacianA = Taps<1, 0, 1>;
using Row3LaplacianB = Taps<0, 8, 0>;

using Column5Dx = Taps<-1, -2, 0, 2, 1>;
using Column3SobelNeg = Taps<-1, -2, -1>;
using Column5SobelNeg = Taps<-1, -4, -6, -4, -1>;

}  // namespace

const FilterRowKernel kFilterRowKernels[kFilterRowKernelCount] = {
    rowKernel<Row3Dx>,
    rowKernel<Row3Scharr>,
    rowKernel<Row3DxNeg>,
    rowKernel<Row5DxNeg>,
    rowKernel<Row3Dx2>,
    rowKernel<Row5Dx2>,
    rowKernel<Row3Sobel>,
    rowKernel<Row5Sobel>,
    rowKernel<Row3Avr>,
    rowKernel<Row5Avr>,
    rowPairKernel<Row3LaplacianA, Row3LaplacianB>,
};

const FilterColumnKernel kFilterColumnKernels[kFilterColumnKernelCount] = {
    columnKernel<Row3Scharr>,      columnKernel<Row3Dx>,          columnKernel<Row3Sobel>,
    columnKernel<Row5Sobel>,       columnKernel<Column5Dx>,       columnKernel<Row3Dx2>,
    columnKernel<Row5Dx2>,         laplacianColumnKernel,         columnKernel<Row5Sobel, true>,
    columnKernel<Column3SobelNeg>, columnKernel<Column5SobelNeg>, columnKernel<Column3SobelNeg>,
    columnKernel<Column5SobelNeg>,
};

namespace {

// --- Work buffer ---------------------------------------------------------------------
//
// In order: the row-pipeline area (its first 3(k - 1) bytes the row
// kernels' edge window), the column-pipeline area, the pointer array and the
// intermediate rows, the last two on 32-byte boundaries. The size callers
// allocate counts the 2k + 15 intermediate rows on the width rounded up to
// 16, the pointer array at the real size of a pointer, two alignment
// allowances of 32 bytes and the two areas as the pipeline's size
// operations give them.

constexpr long long kAlign = 32;

long long slotCount(int k) { return 3LL * k + 30; }
long long pipelineArea(long long kernelSize) { return 4 * kernelSize + 64; }

Ipp8u* alignUp(Ipp8u* p) {
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    return p + ((kAlign - static_cast<long long>(a % kAlign)) % kAlign);
}

IppStatus pipelineBufferSize(IppiSize roi, int kernelSize, int* pSize) {
    if (!pSize) return ippStsNullPtrErr;
    if (region::badSize(roi) || kernelSize < 1) return ippStsSizeErr;
    const long long size = pipelineArea(kernelSize);
    if (size > INT_MAX) return ippStsSizeErr;
    *pSize = static_cast<int>(size);
    return ippStsNoErr;
}

class Pipeline {
public:
    Pipeline(int k, ptrdiff_t rowLength, Ipp8u* buffer)
        : k_(k), h_(k / 2), ring_(k + 15), rowLength_(rowLength), rowArea_(buffer) {
        columnArea_ = buffer + pipelineArea(k);
        slots_ = reinterpret_cast<Ipp16s**>(alignUp(columnArea_ + pipelineArea(k)));
        rows_ = reinterpret_cast<Ipp16s*>(alignUp(reinterpret_cast<Ipp8u*>(slots_ + slotCount(k_))));
        for (int s = k_; s < slotCount(k_); ++s) slots_[s] = ringRow(s - k_);
    }

    Ipp16s* borderRow(int i) const { return rows_ + i * rowLength_; }
    Ipp16s* ringRow(ptrdiff_t j) const { return rows_ + (k_ + j % ring_) * rowLength_; }
    Ipp16s** slots() const { return slots_; }
    Ipp8u* rowArea() const { return rowArea_; }
    Ipp8u* columnArea() const { return columnArea_; }
    int k() const { return k_; }
    int h() const { return h_; }
    int ring() const { return ring_; }

private:
    int k_, h_, ring_;
    ptrdiff_t rowLength_;
    Ipp8u* rowArea_;
    Ipp8u* columnArea_;
    Ipp16s** slots_;
    Ipp16s* rows_;
};

struct Image {
    const Ipp8u* src;
    int srcStep;
    Ipp16s* dst;
    int dstStep;  // elements
    int width;
    int height;
};

struct Kernels {
    FilterRowKernel row;
    FilterColumnKernel column;
};

// Fills the slots above the image (k - h .. k - 1) and returns the h rows
// below it.
void makeBorderRows(const Pipeline& p, const Kernels& kernels, const Image& img, int rowSum, IppiBorderType border,
                    Ipp8u value, Ipp16s** below) {
    const int h = p.h();
    Ipp16s** slots = p.slots();
    if (border == ippBorderConst) {
        const int v = std::clamp(rowSum * value, -32768, 32767);
        std::fill_n(p.borderRow(0), img.width, static_cast<Ipp16s>(v));
        for (int i = 1; i <= h; ++i) slots[p.k() - i] = below[i - 1] = p.borderRow(0);
        return;
    }
    if (border == ippBorderRepl) {
        for (int i = 1; i <= h; ++i) {
            slots[p.k() - i] = p.ringRow(0);
            below[i - 1] = p.ringRow(img.height - 1);
        }
        return;
    }
    const auto make = [&](int imageRow, int borderRow) {
        slots[0] = p.borderRow(borderRow);
        kernels.row(region::row(img.src, img.srcStep, reduce(imageRow, img.height, border)), slots, p.rowArea(),
                    img.srcStep, h, img.width, 1, border, value);
        return p.borderRow(borderRow);
    };
    for (int i = 1; i <= h; ++i) {
        slots[p.k() - i] = make(-i, h - i);
        below[i - 1] = make(img.height - 1 + i, h + i);
    }
}

}  // namespace

IppStatus ownFilterSobelBorderPipeline(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, int width, int height,
                                       const Ipp16s* rowSet, int rowSetLength, const Ipp16s* columnSet,
                                       int columnSetLength, IppiBorderType border, Ipp8u borderValue, Ipp8u* pBuffer,
                                       int rowKernel, int columnKernel) {
    (void)columnSet;
    const int k = columnSetLength;
    const Kernels kernels{kFilterRowKernels[rowKernel], kFilterColumnKernels[columnKernel]};
    const ptrdiff_t rowLength = (rowKernel == kFilterRowLaplacian ? 2 : 1) * rowElements(width);
    const Pipeline p(k, rowLength, pBuffer);
    const Image img{pSrc, srcStep, pDst, dstStep / 2, width, height};
    const int h = p.h();
    // Whether the image fits in half the cache: handed to the column
    // kernels, whose results do not depend on it.
    const Ipp32s cache = owncvGetCacheSize();
    const int cacheFlag = static_cast<long long>(width) * height < cache / 2 ? 1 : 0;

    int rowSum = 0;
    for (int j = 0; j < rowSetLength; ++j) rowSum += rowSet[j];
    Ipp16s* below[2];
    makeBorderRows(p, kernels, img, rowSum, border, borderValue, below);

    Ipp16s** slots = p.slots();
    const int wrapAt = p.k() + p.ring();
    int rowCursor = p.k(), columnCursor = p.k() - h;
    int filtered = 0, produced = 0;
    const auto columnPass = [&](int rows) {
        if (rows > 0)
            kernels.column(slots + columnCursor, img.dst + ptrdiff_t{produced} * img.dstStep, img.dstStep, width, rows,
                           p.columnArea(), cacheFlag);
        columnCursor += rows;
        produced += rows;
    };
    while (filtered < height) {
        const int block = filtered == 0 ? kBlockRows + h : kBlockRows;
        const int take = std::min(block, height - filtered);
        kernels.row(region::row(pSrc, srcStep, filtered), slots + rowCursor, p.rowArea(), srcStep, h, width, take,
                    border, borderValue);
        rowCursor += take;
        filtered += take;
        columnPass(std::max(0, kBlockRows - (block - take)));
        if (rowCursor >= wrapAt) rowCursor -= p.ring();
        if (columnCursor >= wrapAt) columnCursor -= p.ring();
    }
    // The rows still missing read the rows below the image.
    const int missing = height - produced;
    for (int i = 0; i < h; ++i) slots[columnCursor + missing + h + i] = below[i];
    columnPass(missing);
    return ippStsNoErr;
}

IppStatus ippiFilterRowBorderPipelineGetBufferSize_8u16s_C1R(IppiSize roiSize, int kernelSize, int* pBufferSize) {
    return pipelineBufferSize(roiSize, kernelSize, pBufferSize);
}

IppStatus ippiFilterColumnPipelineGetBufferSize_16s_C1R(IppiSize roiSize, int kernelSize, int* pBufferSize) {
    return pipelineBufferSize(roiSize, kernelSize, pBufferSize);
}

namespace {

// A filter's coefficient sets and kernel numbers.
struct SobelFilter {
    Ipp16s row[5], column[5];
    int k, rowKernel, columnKernel;
};

constexpr SobelFilter kHoriz3{{1, 2, 1}, {-1, 0, 1}, 3, 6, 1};
constexpr SobelFilter kHoriz5{{1, 4, 6, 4, 1}, {-1, -2, 0, 2, 1}, 5, 7, 4};
constexpr SobelFilter kVert3{{1, 0, -1}, {1, 2, 1}, 3, 2, 2};
constexpr SobelFilter kVert5{{1, 2, 0, -2, -1}, {1, 4, 6, 4, 1}, 5, 3, 3};

IppStatus sobel(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi, IppiMaskSize mask,
                IppiBorderType border, Ipp8u value, Ipp8u* pBuffer, const SobelFilter& f3, const SobelFilter& f5) {
    if (!pSrc || !pDst || !pBuffer) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < roi.width || dstStep < 2LL * roi.width) return ippStsStepErr;
    if (dstStep % 2 != 0) return ippStsNotEvenStepErr;
    if (border < ippBorderConst || border > ippBorderMirrorR) return ippStsBadArgErr;
    if (mask != ippMskSize3x3 && mask != ippMskSize5x5) return ippStsMaskSizeErr;
    const SobelFilter& f = mask == ippMskSize3x3 ? f3 : f5;
    return ownFilterSobelBorderPipeline(pSrc, srcStep, pDst, dstStep, roi.width, roi.height, f.row, f.k, f.column, f.k,
                                        border, value, pBuffer, f.rowKernel, f.columnKernel);
}

IppStatus sobelBufferSize(IppiSize roi, IppiMaskSize mask, int* pSize) {
    if (!pSize) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (mask != ippMskSize3x3 && mask != ippMskSize5x5) return ippStsMaskSizeErr;
    const int k = mask == ippMskSize3x3 ? 3 : 5;
    int rowArea = 0, columnArea = 0;
    if (IppStatus st = ippiFilterRowBorderPipelineGetBufferSize_8u16s_C1R(roi, k, &rowArea)) return st;
    if (IppStatus st = ippiFilterColumnPipelineGetBufferSize_16s_C1R(roi, k, &columnArea)) return st;
    const long long w16 = (static_cast<long long>(roi.width) + 15) / 16 * 16;
    const long long size = 2 * w16 * (2 * k + 15) + slotCount(k) * static_cast<long long>(sizeof(Ipp16s*)) +
                           2 * kAlign + rowArea + columnArea;
    if (size > INT_MAX) return ippStsSizeErr;
    *pSize = static_cast<int>(size);
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiFilterSobelHorizBorder_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                                   IppiSize roi, IppiMaskSize mask, IppiBorderType border, Ipp8u value,
                                                   Ipp8u* pBuffer) {
    return sobel(pSrc, srcStep, pDst, dstStep, roi, mask, border, value, pBuffer, kHoriz3, kHoriz5);
}

IppStatus _px_ippiFilterSobelVertBorder_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                                  IppiSize roi, IppiMaskSize mask, IppiBorderType border, Ipp8u value,
                                                  Ipp8u* pBuffer) {
    return sobel(pSrc, srcStep, pDst, dstStep, roi, mask, border, value, pBuffer, kVert3, kVert5);
}

IppStatus _px_ippiFilterSobelHorizGetBufferSize_8u16s_C1R(IppiSize roi, IppiMaskSize mask, int* pSize) {
    return sobelBufferSize(roi, mask, pSize);
}

IppStatus _px_ippiFilterSobelVertGetBufferSize_8u16s_C1R(IppiSize roi, IppiMaskSize mask, int* pSize) {
    return sobelBufferSize(roi, mask, pSize);
}

OCULON_IPP_DEFINE(ippiFilterSobelHorizBorder_8u16s_C1R);
OCULON_IPP_DEFINE(ippiFilterSobelVertBorder_8u16s_C1R);
OCULON_IPP_DEFINE(ippiFilterSobelHorizGetBufferSize_8u16s_C1R);
OCULON_IPP_DEFINE(ippiFilterSobelVertGetBufferSize_8u16s_C1R);

}  // namespace oculon::primitives
