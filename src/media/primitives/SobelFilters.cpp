// The Sobel filters run as a separable two-pass pipeline in the caller's
// buffer: a row pass turns source rows into 16-bit intermediate rows kept in
// a ring of k + 15 rows, and a column pass combines k of them into each
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
    static constexpr int kSum = (C + ...);

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

struct Border {
    IppiBorderType type;
    Ipp8u value;
};

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

// --- Kernels -------------------------------------------------------------------------

template <class Row>
OCULON_HOT_LOOP void rowInside(const Ipp8u* s, Ipp16s* out, ptrdiff_t from, ptrdiff_t to) {
    for (ptrdiff_t x = from; x < to; ++x)
        out[x] = static_cast<Ipp16s>(Row::apply([&](std::size_t j) { return int{s[x - Row::kHalf + ptrdiff_t(j)]}; }));
}

// A source row into an intermediate row. Only the first and last h outputs
// reach past the row's ends; they gather their window through the border.
template <class Row>
void rowKernel(const Ipp8u* s, Ipp16s* out, int width, Border border) {
    constexpr int h = Row::kHalf;
    const auto edge = [&](int x) {
        Ipp8u window[Row::kSize];
        for (int j = 0; j < Row::kSize; ++j) {
            const int c = reduce(x + j - h, width, border.type);
            window[j] = c < 0 ? border.value : s[c];
        }
        out[x] = static_cast<Ipp16s>(Row::apply([&](std::size_t j) { return int{window[j]}; }));
    };
    const int left = std::min(h, width);
    for (int x = 0; x < left; ++x) edge(x);
    rowInside<Row>(s, out, h, width - h);
    for (int x = std::max(width - h, left); x < width; ++x) edge(x);
}

// k intermediate rows into a destination row, in 16-bit arithmetic that
// wraps (no coefficient set here comes near it).
template <class Column>
OCULON_HOT_LOOP void columnKernel(Ipp16s* const* rows, Ipp16s* out, ptrdiff_t width) {
    const Ipp16s* t[Column::kSize];
    for (int i = 0; i < Column::kSize; ++i) t[i] = rows[i];
    for (ptrdiff_t x = 0; x < width; ++x)
        out[x] = static_cast<Ipp16s>(Column::apply([&](std::size_t i) { return int{t[i][x]}; }));
}

struct Filter {
    int k;
    int rowSum;  // the border rows of a constant border
    void (*row)(const Ipp8u*, Ipp16s*, int, Border);
    void (*column)(Ipp16s* const*, Ipp16s*, ptrdiff_t);
};

template <class Row, class Column>
constexpr Filter filter() {
    static_assert(Row::kSize == Column::kSize);
    return {Row::kSize, Row::kSum, &rowKernel<Row>, &columnKernel<Column>};
}

constexpr Filter kHoriz3 = filter<Taps<1, 2, 1>, Taps<-1, 0, 1>>();
constexpr Filter kHoriz5 = filter<Taps<1, 4, 6, 4, 1>, Taps<-1, -2, 0, 2, 1>>();
constexpr Filter kVert3 = filter<Taps<1, 0, -1>, Taps<1, 2, 1>>();
constexpr Filter kVert5 = filter<Taps<1, 2, 0, -2, -1>, Taps<1, 4, 6, 4, 1>>();

// --- Work buffer ---------------------------------------------------------------------
//
// The size callers allocate: the 2k + 15 intermediate rows on the width
// rounded up to 16, the pointer array at the real size of a pointer, two
// alignment allowances of 32 bytes, and the two kernel work areas of 4k + 64
// bytes that the interface's size rule counts. These kernels keep their
// edge windows on the stack and leave those areas unused; the rule stays,
// since callers size their buffers by it.

constexpr long long kAlign = 32;

long long slotCount(int k) { return 3LL * k + 30; }
long long pipelineArea(int k) { return 4LL * k + 64; }

long long bufferSize(int width, int k) {
    const long long w16 = (static_cast<long long>(width) + 15) / 16 * 16;
    return 2 * w16 * (2 * k + 15) + slotCount(k) * static_cast<long long>(sizeof(Ipp16s*)) + 2 * kAlign +
           2 * pipelineArea(k);
}

Ipp8u* alignUp(Ipp8u* p) {
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    return p + ((kAlign - static_cast<long long>(a % kAlign)) % kAlign);
}

class Pipeline {
public:
    Pipeline(const Filter& f, int width, Ipp8u* buffer)
        : k_(f.k), h_(f.k / 2), ring_(f.k + 15), rowLength_((static_cast<ptrdiff_t>(width) + 7) / 8 * 8) {
        slots_ = reinterpret_cast<Ipp16s**>(alignUp(buffer));
        rows_ = reinterpret_cast<Ipp16s*>(alignUp(reinterpret_cast<Ipp8u*>(slots_ + slotCount(k_))));
        for (int s = k_; s < slotCount(k_); ++s) slots_[s] = ringRow(s - k_);
    }

    Ipp16s* borderRow(int i) const { return rows_ + i * rowLength_; }
    Ipp16s* ringRow(ptrdiff_t j) const { return rows_ + (k_ + j % ring_) * rowLength_; }
    Ipp16s** slots() const { return slots_; }
    int k() const { return k_; }
    int h() const { return h_; }
    int ring() const { return ring_; }

private:
    int k_, h_, ring_;
    ptrdiff_t rowLength_;
    Ipp16s** slots_;
    Ipp16s* rows_;
};

struct Image {
    const Ipp8u* src;
    int srcStep;
    Ipp16s* dst;
    int dstStep;
    int width;
    int height;
};

// Fills the slots above the image (k - h .. k - 1) and returns the h rows
// below it.
void makeBorderRows(const Pipeline& p, const Filter& f, const Image& img, Border border, Ipp16s** below) {
    const int h = p.h();
    Ipp16s** slots = p.slots();
    if (border.type == ippBorderConst) {
        const int v = std::clamp(f.rowSum * border.value, -32768, 32767);
        std::fill_n(p.borderRow(0), img.width, static_cast<Ipp16s>(v));
        for (int i = 1; i <= h; ++i) slots[p.k() - i] = below[i - 1] = p.borderRow(0);
        return;
    }
    if (border.type == ippBorderRepl) {
        for (int i = 1; i <= h; ++i) {
            slots[p.k() - i] = p.ringRow(0);
            below[i - 1] = p.ringRow(img.height - 1);
        }
        return;
    }
    for (int i = 1; i <= h; ++i) {
        const int above = reduce(-i, img.height, border.type);
        f.row(region::row(img.src, img.srcStep, above), p.borderRow(h - i), img.width, border);
        slots[p.k() - i] = p.borderRow(h - i);
        const int under = reduce(img.height - 1 + i, img.height, border.type);
        f.row(region::row(img.src, img.srcStep, under), p.borderRow(h + i), img.width, border);
        below[i - 1] = p.borderRow(h + i);
    }
}

IppStatus runPipeline(const Filter& f, const Image& img, Border border, Ipp8u* buffer) {
    const Pipeline p(f, img.width, buffer);
    const int h = p.h();
    Ipp16s* below[2];
    makeBorderRows(p, f, img, border, below);

    Ipp16s** slots = p.slots();
    const int wrapAt = p.k() + p.ring();
    int rowCursor = p.k(), columnCursor = p.k() - h;
    int filtered = 0, produced = 0;
    const auto columnPass = [&](int rows) {
        for (int n = 0; n < rows; ++n)
            f.column(slots + columnCursor + n,
                     reinterpret_cast<Ipp16s*>(region::row(img.dst, img.dstStep, produced + n)), img.width);
        columnCursor += rows;
        produced += rows;
    };
    while (filtered < img.height) {
        const int block = filtered == 0 ? kBlockRows + h : kBlockRows;
        const int take = std::min(block, img.height - filtered);
        for (int n = 0; n < take; ++n)
            f.row(region::row(img.src, img.srcStep, filtered + n), slots[rowCursor + n], img.width, border);
        rowCursor += take;
        filtered += take;
        columnPass(std::max(0, kBlockRows - (block - take)));
        if (rowCursor >= wrapAt) rowCursor -= p.ring();
        if (columnCursor >= wrapAt) columnCursor -= p.ring();
    }
    // The rows still missing read the rows below the image.
    const int missing = img.height - produced;
    for (int i = 0; i < h; ++i) slots[columnCursor + missing + h + i] = below[i];
    columnPass(missing);
    return ippStsNoErr;
}

IppStatus sobel(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi, IppiMaskSize mask,
                IppiBorderType border, Ipp8u value, Ipp8u* pBuffer, const Filter& f3, const Filter& f5) {
    if (!pSrc || !pDst || !pBuffer) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < roi.width || dstStep < 2LL * roi.width) return ippStsStepErr;
    if (dstStep % 2 != 0) return ippStsNotEvenStepErr;
    if (border < ippBorderConst || border > ippBorderMirrorR) return ippStsBadArgErr;
    if (mask != ippMskSize3x3 && mask != ippMskSize5x5) return ippStsMaskSizeErr;
    return runPipeline(mask == ippMskSize3x3 ? f3 : f5, {pSrc, srcStep, pDst, dstStep, roi.width, roi.height},
                       {border, value}, pBuffer);
}

IppStatus sobelBufferSize(IppiSize roi, IppiMaskSize mask, int* pSize) {
    if (!pSize) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (mask != ippMskSize3x3 && mask != ippMskSize5x5) return ippStsMaskSizeErr;
    const long long size = bufferSize(roi.width, mask == ippMskSize3x3 ? 3 : 5);
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
