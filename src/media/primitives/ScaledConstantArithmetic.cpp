#include "media/primitives/ScaledConstantArithmetic.h"

#include <cstddef>
#include <algorithm>
#include <cstring>

#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageElementwise.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/SampleDivision.h"
#include "media/primitives/ScaledBytes.h"
#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

namespace {

using scaled::ChannelPattern;
using scaled::Op8;
using scaled::Scale;
using scaled::Scaling;
using std::ptrdiff_t;

// n pixels of a row with the pattern's constants as second operand. Whole
// pixels (C3, C4) run as bytes; AC4 keeps byte 3.
template <Op8 op, int Pixel, bool Colour>
OCULON_HOT_LOOP void patternRow(Ipp8u* row, ptrdiff_t n, const ChannelPattern<Pixel>* pattern, Scale sc) {
    constexpr ptrdiff_t kChunk = ChannelPattern<Pixel>::kPixels;
    for (ptrdiff_t x = 0; x < n; x += kChunk) {
        const ptrdiff_t m = n - x < kChunk ? n - x : kChunk;
        Ipp8u* p = row + Pixel * x;
        if constexpr (Colour) scaled::scaleColour<op>(p, pattern->bytes, p, m, sc);
        else scaled::scaleBytes<op>(p, pattern->bytes, p, Pixel * m, sc);
    }
}

IppStatus fillZero(int pixel, int values, Ipp8u* d, int step, IppiSize roi) {
    const Ipp8u zeros[4] = {};
    if (pixel == 3) return _px_ippiSet_8u_C3R(zeros, d, step, roi);
    return values == 3 ? _px_ippiSet_8u_AC4R(zeros, d, step, roi) : _px_ippiSet_8u_C4R(zeros, d, step, roi);
}

// In place with `Values` constants on pixels of `Pixel` bytes (AC4: 4, 3).
template <Op8 op, int Pixel, int Values>
IppStatus withConstants(const Ipp8u* value, Ipp8u* pSrcDst, int step, IppiSize roi, int sf) {
    if (!value || !pSrcDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    const Scale sc = scaled::scale8(op, sf);
    if (sc.kind == Scaling::Zero) return fillZero(Pixel, Values, pSrcDst, step, roi);
    const ChannelPattern<Pixel> pattern(value, Values);
    for (ptrdiff_t r = 0; r < roi.height; ++r)
        patternRow<op, Pixel, (Values < Pixel)>(region::row(pSrcDst, step, r), roi.width, &pattern, sc);
    return ippStsNoErr;
}

OCULON_HOT_LOOP void squareBytes(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, Scale sc) {
    scaled::scaleBytes<Op8::Mul>(s, s, d, n, sc);
}

// From the cut-off on the square writes its zeros itself.
void ownippsSqr_8u(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, int sf) {
    const Scale sc = scaled::scale8(Op8::Mul, sf);
    if (sc.kind == Scaling::Zero) std::memset(d, 0, static_cast<std::size_t>(n));
    else squareBytes(s, d, n, sc);
}

IppStatus checkSquare(const void* s, int sStep, const void* d, int dStep, IppiSize roi) {
    if (!s || !d) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    return sStep < 1 || dStep < 1 ? ippStsStepErr : ippStsNoErr;
}

IppStatus squareC3(const Ipp8u* s, int sStep, Ipp8u* d, int dStep, IppiSize roi, int sf) {
    if (IppStatus st = checkSquare(s, sStep, d, dStep, roi)) return st;
    if (!elementwise::widen(roi, 3)) return ippStsSizeErr;
    for (ptrdiff_t r = 0; r < roi.height; ++r)
        ownippsSqr_8u(region::row(s, sStep, r), region::row(d, dStep, r), roi.width, sf);
    return ippStsNoErr;
}

// AC4 through a row buffer: fn(source row, buffer, bytes) writes whole
// pixels into the buffer, of which bytes 0-2 are copied out; the
// destination's alpha is never written.
template <typename Fn>
IppStatus throughRowBuffer(const Ipp8u* s, int sStep, Ipp8u* d, int dStep, IppiSize roi, Fn fn) {
    IppiSize wide = roi;
    if (!elementwise::widen(wide, 4)) return ippStsSizeErr;
    Ipp8u* buffer = ippsMalloc_8u(wide.width);
    if (!buffer) return ippStsMemAllocErr;
    for (ptrdiff_t r = 0; r < roi.height; ++r) {
        fn(region::row(s, sStep, r), buffer, wide.width);
        _px_ippiCopy_8u_AC4R(buffer, wide.width, region::row(d, dStep, r), wide.width, {roi.width, 1});
    }
    ippsFree(buffer);
    return ippStsNoErr;
}

IppStatus squareAC4(const Ipp8u* s, int sStep, Ipp8u* d, int dStep, IppiSize roi, int sf) {
    if (IppStatus st = checkSquare(s, sStep, d, dStep, roi)) return st;
    return throughRowBuffer(s, sStep, d, dStep, roi,
                            [sf](const Ipp8u* row, Ipp8u* buffer, int n) { ownippsSqr_8u(row, buffer, n, sf); });
}

// Division by one constant per channel. A zero constant gives
// ippStsDivByZeroErr; C3 and C4 still divide the whole region (a zero
// constant turns a nonzero sample into 255 and keeps 0), AC4 writes nothing.
template <int Pixel, int Values>
IppStatus divideByConstants(const Ipp8u* s, int sStep, const Ipp8u* value, Ipp8u* d, int dStep, IppiSize roi, int sf) {
    if (!s || !d || !value) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (sStep < 1 || dStep < 1) return ippStsStepErr;
    const bool zero = std::find(value, value + Values, Ipp8u{0}) != value + Values;
    if (zero && Values != Pixel) return ippStsDivByZeroErr;
    IppiSize wide = roi;
    if (!elementwise::widen(wide, Pixel)) return ippStsSizeErr;
    Ipp8u* divisors = ippsMalloc_8u(wide.width);
    if (!divisors) return ippStsMemAllocErr;
    // The alpha slots of AC4 divide by 1; their quotients are not kept.
    const Ipp8u pixel[4] = {value[0], value[1], value[2], Values == 4 ? value[3] : Ipp8u{1}};
    if constexpr (Pixel == 3) _px_ippiSet_8u_C3R(pixel, divisors, wide.width, {roi.width, 1});
    else _px_ippiSet_8u_C4R(pixel, divisors, wide.width, {roi.width, 1});
    IppStatus st = ippStsNoErr;
    if constexpr (Values == Pixel) {
        for (ptrdiff_t r = 0; r < roi.height; ++r)
            _px_ippsDiv_8u_Sfs(divisors, region::row(s, sStep, r), region::row(d, dStep, r), wide.width, sf);
    } else {
        st = throughRowBuffer(s, sStep, d, dStep, roi, [divisors, sf](const Ipp8u* row, Ipp8u* quotients, int n) {
            _px_ippsDiv_8u_Sfs(divisors, row, quotients, n, sf);
        });
    }
    ippsFree(divisors);
    return zero ? ippStsDivByZeroErr : st;
}

}  // namespace

#define OCULON_CONSTANT_FORM(Name, Op, Pixel, Values)                                                       \
    IppStatus _px_##Name(const Ipp8u value[Values], Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) { \
        return withConstants<Op, Pixel, Values>(value, pSrcDst, srcDstStep, roi, sf);                       \
    }                                                                                                       \
    OCULON_IPP_DEFINE(Name)

OCULON_CONSTANT_FORM(ippiAddC_8u_C3IRSfs, Op8::Add, 3, 3);
OCULON_CONSTANT_FORM(ippiAddC_8u_AC4IRSfs, Op8::Add, 4, 3);
OCULON_CONSTANT_FORM(ippiAddC_8u_C4IRSfs, Op8::Add, 4, 4);
OCULON_CONSTANT_FORM(ippiSubC_8u_C3IRSfs, Op8::Sub, 3, 3);
OCULON_CONSTANT_FORM(ippiSubC_8u_C4IRSfs, Op8::Sub, 4, 4);
OCULON_CONSTANT_FORM(ippiMulC_8u_C3IRSfs, Op8::Mul, 3, 3);
OCULON_CONSTANT_FORM(ippiMulC_8u_AC4IRSfs, Op8::Mul, 4, 3);
OCULON_CONSTANT_FORM(ippiMulC_8u_C4IRSfs, Op8::Mul, 4, 4);

#undef OCULON_CONSTANT_FORM

IppStatus _px_ippsSqr_8u_Sfs(const Ipp8u* pSrc, Ipp8u* pDst, int len, int scaleFactor) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    ownippsSqr_8u(pSrc, pDst, len, scaleFactor);
    return ippStsNoErr;
}

IppStatus _px_ippsSqr_8u_ISfs(Ipp8u* pSrcDst, int len, int scaleFactor) {
    return _px_ippsSqr_8u_Sfs(pSrcDst, pSrcDst, len, scaleFactor);
}

IppStatus _px_ippiSqr_8u_C3IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor) {
    return squareC3(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, scaleFactor);
}
IppStatus _px_ippiSqr_8u_C3RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                int scaleFactor) {
    return squareC3(pSrc, srcStep, pDst, dstStep, roi, scaleFactor);
}
IppStatus _px_ippiSqr_8u_AC4IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor) {
    return squareAC4(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, scaleFactor);
}
IppStatus _px_ippiSqr_8u_AC4RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                 int scaleFactor) {
    return squareAC4(pSrc, srcStep, pDst, dstStep, roi, scaleFactor);
}

IppStatus _px_ippiDivC_8u_C3RSfs(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                                 IppiSize roi, int scaleFactor) {
    return divideByConstants<3, 3>(pSrc, srcStep, value, pDst, dstStep, roi, scaleFactor);
}
IppStatus _px_ippiDivC_8u_C4RSfs(const Ipp8u* pSrc, int srcStep, const Ipp8u value[4], Ipp8u* pDst, int dstStep,
                                 IppiSize roi, int scaleFactor) {
    return divideByConstants<4, 4>(pSrc, srcStep, value, pDst, dstStep, roi, scaleFactor);
}
IppStatus _px_ippiDivC_8u_AC4RSfs(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                                  IppiSize roi, int scaleFactor) {
    return divideByConstants<4, 3>(pSrc, srcStep, value, pDst, dstStep, roi, scaleFactor);
}
IppStatus _px_ippiDivC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor) {
    return _px_ippiDivC_8u_C3RSfs(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi, scaleFactor);
}
IppStatus _px_ippiDivC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor) {
    return _px_ippiDivC_8u_C4RSfs(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi, scaleFactor);
}
IppStatus _px_ippiDivC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roi,
                                   int scaleFactor) {
    return _px_ippiDivC_8u_AC4RSfs(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi, scaleFactor);
}

OCULON_IPP_DEFINE(ippiDivC_8u_C3IRSfs);
OCULON_IPP_DEFINE(ippiDivC_8u_C4IRSfs);
OCULON_IPP_DEFINE(ippiDivC_8u_AC4IRSfs);
OCULON_IPP_DEFINE(ippiSqr_8u_C3IRSfs);
OCULON_IPP_DEFINE(ippiSqr_8u_AC4IRSfs);
OCULON_IPP_DEFINE(ippiSqr_8u_C3RSfs);
OCULON_IPP_DEFINE(ippiSqr_8u_AC4RSfs);

}  // namespace oculon::primitives
