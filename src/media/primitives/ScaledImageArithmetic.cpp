#include "media/primitives/ScaledImageArithmetic.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageElementwise.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/SampleDivision.h"
#include "media/primitives/ScaledBytes.h"
#include "media/primitives/ScaledSampleArithmetic.h"
#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

namespace {

using scaled::Op8;
using scaled::Scale;
using scaled::Scaling;
using std::ptrdiff_t;
namespace ew = elementwise;

// --- 8-bit ---------------------------------------------------------------------

template <Op8 op>
OCULON_HOT_LOOP void bytesRow(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, ptrdiff_t n, Scale sc) {
    scaled::scaleBytes<op>(a, b, d, n, sc);
}

template <Op8 op>
OCULON_HOT_LOOP void colourRow(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, ptrdiff_t n, Scale sc) {
    scaled::scaleColour<op>(a, b, d, n, sc);
}

// a op b into d (for Sub, a is the minuend), one byte per element.
template <Op8 op>
IppStatus bytesC1(const Ipp8u* a, int aStep, const Ipp8u* b, int bStep, Ipp8u* d, int dStep, IppiSize roi, int sf) {
    if (!a || !b || !d) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    const Scale sc = scaled::scale8(op, sf);
    if (sc.kind == Scaling::Zero) return _px_ippiSet_8u_C1R(0, d, dStep, roi);
    region::eachRow(
        a, aStep, b, bStep, d, dStep, 1, roi,
        [sc](const Ipp8u* ar, const Ipp8u* br, Ipp8u* dr, ptrdiff_t n) { bytesRow<op>(ar, br, dr, n, sc); });
    return ippStsNoErr;
}

// C3 and C4: the width alone first, then the one-channel routine.
template <Op8 op, int Channels>
IppStatus bytesWide(const Ipp8u* a, int aStep, const Ipp8u* b, int bStep, Ipp8u* d, int dStep, IppiSize roi, int sf) {
    if (roi.width < 1 || !ew::widen(roi, Channels)) return ippStsSizeErr;
    return bytesC1<op>(a, aStep, b, bStep, d, dStep, roi, sf);
}

template <Op8 op>
IppStatus bytesAC4(const Ipp8u* a, int aStep, const Ipp8u* b, int bStep, Ipp8u* d, int dStep, IppiSize roi, int sf) {
    if (!a || !b || !d) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    const Scale sc = scaled::scale8(op, sf);
    if (sc.kind == Scaling::Zero) {
        const Ipp8u zeros[3] = {};
        return _px_ippiSet_8u_AC4R(zeros, d, dStep, roi);
    }
    region::eachRow(
        a, aStep, b, bStep, d, dStep, 4, roi,
        [sc](const Ipp8u* ar, const Ipp8u* br, Ipp8u* dr, ptrdiff_t n) { colourRow<op>(ar, br, dr, n, sc); });
    return ippStsNoErr;
}

// --- 16-bit ----------------------------------------------------------------------

// The first scale factor at which every 16-bit result is 0.
constexpr int cutOff16(Op8 op) { return op == Op8::Add ? 18 : op == Op8::Sub ? 17 : 33; }

// One row by the 16-bit rule: products need 64 bits (65535^2 shifted left
// by up to 15), sums and differences 32.
template <Op8 op>
void row16(const Ipp8u* first, const Ipp8u* second, Ipp8u* dst, ptrdiff_t n, int sf) {
    using V = std::conditional_t<op == Op8::Mul, std::uint64_t, std::uint32_t>;
    constexpr V kMax = 65535;
    auto exact = [](V a, V b) -> V {
        if constexpr (op == Op8::Add) return a + b;
        else if constexpr (op == Op8::Sub) return b > a ? b - a : 0;  // second minus first
        else return a * b;
    };
    auto at = [&](ptrdiff_t i) { return exact(ew::load<Ipp16u>(first, i), ew::load<Ipp16u>(second, i)); };
    auto put = [&](ptrdiff_t i, V v) { ew::store<Ipp16u>(dst, i, static_cast<Ipp16u>(v < kMax ? v : kMax)); };
    if (sf == 0) {
        for (ptrdiff_t i = 0; i < n; ++i) put(i, at(i));
    } else if (sf > 0) {
        const V bias = (V{1} << (sf - 1)) - 1;
        for (ptrdiff_t i = 0; i < n; ++i) {
            const V v = at(i);
            put(i, (v + bias + ((v >> sf) & 1)) >> sf);
        }
    } else if (sf >= -15) {
        for (ptrdiff_t i = 0; i < n; ++i) put(i, at(i) << -sf);
    } else {
        for (ptrdiff_t i = 0; i < n; ++i) put(i, at(i) != 0 ? kMax : 0);
    }
}

template <Op8 op>
IppStatus words(const Ipp16u* a, int aStep, const Ipp16u* b, int bStep, Ipp16u* d, int dStep, IppiSize roi, int sf) {
    if (sf >= cutOff16(op)) {
        if (!a || !b) return ippStsNullPtrErr;
        return _px_ippiSet_16s_C1R(0, reinterpret_cast<Ipp16s*>(d), dStep, roi);
    }
    if (!a || !b || !d) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    region::eachRow(a, aStep, b, bStep, d, dStep, 2, roi,
                    [sf](const Ipp8u* ar, const Ipp8u* br, Ipp8u* dr, ptrdiff_t n) { row16<op>(ar, br, dr, n, sf); });
    return ippStsNoErr;
}

}  // namespace

// Out of place: Sub computes the second source minus the first. In place:
// the source-destination is the first operand of the rule (the minuend).
#define OCULON_SCALED_FAMILY(Name, Op)                                                                                 \
    IppStatus _px_ippi##Name##_8u_C1RSfs(const Ipp8u* a, int as, const Ipp8u* b, int bs, Ipp8u* d, int ds, IppiSize r, \
                                         int sf) {                                                                     \
        return bytesC1<Op>(b, bs, a, as, d, ds, r, sf);                                                                \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_C3RSfs(const Ipp8u* a, int as, const Ipp8u* b, int bs, Ipp8u* d, int ds, IppiSize r, \
                                         int sf) {                                                                     \
        return bytesWide<Op, 3>(b, bs, a, as, d, ds, r, sf);                                                           \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_AC4RSfs(const Ipp8u* a, int as, const Ipp8u* b, int bs, Ipp8u* d, int ds,            \
                                          IppiSize r, int sf) {                                                        \
        return bytesAC4<Op>(b, bs, a, as, d, ds, r, sf);                                                               \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_C3IRSfs(const Ipp8u* s, int ss, Ipp8u* sd, int sds, IppiSize r, int sf) {            \
        if (r.width < 1 || !ew::widen(r, 3)) return ippStsSizeErr;                                                     \
        return _px_ippi##Name##_8u_C1IRSfs(s, ss, sd, sds, r, sf);                                                     \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_8u_AC4IRSfs(const Ipp8u* s, int ss, Ipp8u* sd, int sds, IppiSize r, int sf) {           \
        return bytesAC4<Op>(sd, sds, s, ss, sd, sds, r, sf);                                                           \
    }                                                                                                                  \
    IppStatus _px_ippi##Name##_16u_C1RSfs(const Ipp16u* a, int as, const Ipp16u* b, int bs, Ipp16u* d, int ds,         \
                                          IppiSize r, int sf) {                                                        \
        return words<Op>(a, as, b, bs, d, ds, r, sf);                                                                  \
    }                                                                                                                  \
    OCULON_IPP_DEFINE(ippi##Name##_8u_C1RSfs);                                                                         \
    OCULON_IPP_DEFINE(ippi##Name##_8u_C3RSfs);                                                                         \
    OCULON_IPP_DEFINE(ippi##Name##_8u_AC4RSfs);                                                                        \
    OCULON_IPP_DEFINE(ippi##Name##_8u_C3IRSfs);                                                                        \
    OCULON_IPP_DEFINE(ippi##Name##_8u_AC4IRSfs);                                                                       \
    OCULON_IPP_DEFINE(ippi##Name##_16u_C1RSfs)

OCULON_SCALED_FAMILY(Add, Op8::Add);
OCULON_SCALED_FAMILY(Sub, Op8::Sub);
OCULON_SCALED_FAMILY(Mul, Op8::Mul);

#undef OCULON_SCALED_FAMILY

IppStatus _px_ippiAdd_8u_C4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                int dstStep, IppiSize roi, int scaleFactor) {
    return bytesWide<Op8::Add, 4>(pSrc2, src2Step, pSrc1, src1Step, pDst, dstStep, roi, scaleFactor);
}

OCULON_IPP_DEFINE(ippiAdd_8u_C4RSfs);

namespace {

IppStatus checkDivision(const void* a, int aStep, const void* b, int bStep, const void* d, int dStep, IppiSize roi) {
    if (!a || !b || !d) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    return aStep < 1 || bStep < 1 || dStep < 1 ? ippStsStepErr : ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiDiv_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                int dstStep, IppiSize roi, int scaleFactor) {
    if (IppStatus st = checkDivision(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi)) return st;
    if (!ew::widen(roi, 3)) return ippStsSizeErr;
    return ownippiDiv_8u_Sfs(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi, scaleFactor);
}

// Each row through a buffer whose alpha slots hold the divisor 1, so that
// only the colour bytes can meet a zero divisor; the destination's alpha is
// never written.
IppStatus _px_ippiDiv_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                 int dstStep, IppiSize roi, int scaleFactor) {
    if (IppStatus st = checkDivision(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi)) return st;
    IppiSize bytes = roi;
    if (!ew::widen(bytes, 4)) return ippStsSizeErr;
    Ipp8u* row = ippsMalloc_8u(bytes.width);
    if (!row) return ippStsMemAllocErr;
    const IppiSize onePixelRow{roi.width, 1};
    IppStatus kept = ippStsNoErr;
    for (ptrdiff_t r = 0; r < roi.height; ++r) {
        _px_ippsSet_8u(1, row, bytes.width);
        _px_ippiCopy_8u_AC4R(region::row(pSrc1, src1Step, r), bytes.width, row, bytes.width, onePixelRow);
        const IppStatus st = _px_ippsDiv_8u_Sfs(row, region::row(pSrc2, src2Step, r), row, bytes.width, scaleFactor);
        if (kept == ippStsNoErr) kept = st;
        _px_ippiCopy_8u_AC4R(row, bytes.width, region::row(pDst, dstStep, r), bytes.width, onePixelRow);
    }
    ippsFree(row);
    return kept;
}

IppStatus _px_ippiDiv_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi,
                                 int scaleFactor) {
    return _px_ippiDiv_8u_C3RSfs(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, scaleFactor);
}

IppStatus _px_ippiDiv_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi,
                                  int scaleFactor) {
    return _px_ippiDiv_8u_AC4RSfs(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, scaleFactor);
}

OCULON_IPP_DEFINE(ippiDiv_8u_C3RSfs);
OCULON_IPP_DEFINE(ippiDiv_8u_AC4RSfs);
OCULON_IPP_DEFINE(ippiDiv_8u_C3IRSfs);
OCULON_IPP_DEFINE(ippiDiv_8u_AC4IRSfs);

}  // namespace oculon::primitives
