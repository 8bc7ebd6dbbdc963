#include "media/primitives/ScaledArithmetic.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "media/primitives/ExtendedRounding.h"
#include "media/primitives/HotLoop.h"
#include "media/primitives/SaturatedBytes.h"
#include "media/primitives/ScaledBytes.h"
#include "media/primitives/VectorChecks.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

namespace {

using scaled::Op8;
using scaled::Scale;
using scaled::Scaling;
using i64 = std::int64_t;
constexpr i64 kMin32 = std::numeric_limits<Ipp32s>::min();
constexpr i64 kMax32 = std::numeric_limits<Ipp32s>::max();

inline Ipp32s saturate32(i64 v) { return static_cast<Ipp32s>(std::clamp(v, kMin32, kMax32)); }

// The additive 32-bit results fit 33 bits, so a left shift beyond 30 could
// overflow 64 bits and a right shift beyond 32 always rounds to 0.
Scale additiveScale(int sf) {
    if (sf == 0) return {Scaling::Saturate, 0};
    if (sf > 32) return {Scaling::Zero, 0};
    if (sf > 0) return {Scaling::Round, sf};
    if (sf >= -30) return {Scaling::ShiftLeft, -sf};
    return {Scaling::Sign, 0};
}

// Products fit 63 bits, hence the wider limits.
Scale productScale(int sf) {
    if (sf == 0) return {Scaling::Saturate, 0};
    if (sf > 62) return {Scaling::Zero, 0};
    if (sf > 0) return {Scaling::Round, sf};
    if (sf >= -31) return {Scaling::ShiftLeft, -sf};
    return {Scaling::Sign, 0};
}

// Writes scale(exact(i)) for every element. A Zero scale is handled by the
// caller with a fill.
template <typename Exact>
void scaleInto32(Ipp32s* dst, int len, Scale sc, Exact exact) {
    const int k = sc.shift;
    switch (sc.kind) {
        case Scaling::Saturate:
            for (int i = 0; i < len; ++i) dst[i] = saturate32(exact(i));
            break;
        case Scaling::Round: {
            // Adding 2^(k-1) - 1 plus the lowest kept bit rounds halves to
            // the even neighbour under the arithmetic shift.
            const i64 bias = (i64{1} << (k - 1)) - 1;
            for (int i = 0; i < len; ++i) {
                const i64 s = exact(i);
                dst[i] = saturate32((s + bias + ((s >> k) & 1)) >> k);
            }
            break;
        }
        case Scaling::ShiftLeft:
            // Saturating first keeps a product's shift inside 64 bits and
            // gives the same result as saturating the exact shifted value.
            for (int i = 0; i < len; ++i) dst[i] = saturate32(i64{saturate32(exact(i))} << k);
            break;
        case Scaling::Sign:
            for (int i = 0; i < len; ++i) {
                const i64 s = exact(i);
                dst[i] = s > 0 ? static_cast<Ipp32s>(kMax32) : s < 0 ? static_cast<Ipp32s>(kMin32) : 0;
            }
            break;
        case Scaling::Zero: break;
    }
}

template <typename Exact>
IppStatus scaled32(Ipp32s* dst, int len, Scale sc, Exact exact) {
    if (sc.kind == Scaling::Zero) return _px_ippsZero_32s(dst, len);
    scaleInto32(dst, len, sc, exact);
    return ippStsNoErr;
}

IppStatus addConst(const Ipp32s* src, i64 val, Ipp32s* dst, int len, int sf) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    if (val == 0 && sf == 0) return src == dst ? ippStsNoErr : _px_ippsCopy_32s(src, dst, len);
    return scaled32(dst, len, additiveScale(sf), [=](int i) { return i64{src[i]} + val; });
}

IppStatus subConstReversed(const Ipp32s* src, Ipp32s val, Ipp32s* dst, int len, int sf) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    return scaled32(dst, len, additiveScale(sf), [=](int i) { return i64{val} - src[i]; });
}

IppStatus mulConst(const Ipp32s* src, Ipp32s val, Ipp32s* dst, int len, int sf) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    if (val == 0) return _px_ippsZero_32s(dst, len);
    if (val == 1 && sf == 0) return src == dst ? ippStsNoErr : _px_ippsCopy_32s(src, dst, len);
    return scaled32(dst, len, productScale(sf), [=](int i) { return i64{src[i]} * val; });
}

// --- 8-bit members ---------------------------------------------------------

OCULON_HOT_LOOP void add8(const Ipp8u* src, Ipp8u* srcDst, int len, Scale sc) {
    scaled::scaleBytes<Op8::Add>(srcDst, src, srcDst, len, sc);
}
OCULON_HOT_LOOP void sub8(const Ipp8u* src, Ipp8u* srcDst, int len, Scale sc) {
    scaled::scaleBytes<Op8::Sub>(srcDst, src, srcDst, len, sc);
}
OCULON_HOT_LOOP void mul8(const Ipp8u* src, Ipp8u* srcDst, int len, Scale sc) {
    scaled::scaleBytes<Op8::Mul>(srcDst, src, srcDst, len, sc);
}

// `saturated` is the unscaled form's kernel: the saturated result itself.
template <Op8 op>
IppStatus inPlace8(const Ipp8u* src, Ipp8u* srcDst, int len, int sf, void (*kernel)(const Ipp8u*, Ipp8u*, int, Scale),
                   void (*saturated)(const Ipp8u*, Ipp8u*, std::ptrdiff_t)) {
    if (IppStatus st = checkVector(len, src, srcDst)) return st;
    const Scale sc = scaled::scale8(op, sf);
    if (sc.kind == Scaling::Zero) return _px_ippsZero_8u(srcDst, len);
    if (sc.kind == Scaling::Saturate) saturated(src, srcDst, len);
    else kernel(src, srcDst, len, sc);
    return ippStsNoErr;
}

// --- Division, dot product and conversions (extended precision) ------------

// 2^-sf as an extended value, the factor the bodies form by halving or
// doubling 1.0 sf times. Past the extended range those loops end at 0 or
// infinity, where the clamp leaves ldexpl too.
long double powerOfTwo(int sf) { return std::ldexp(1.0L, -std::clamp(sf, -20000, 20000)); }

Ipp32s divideOne(Ipp32s n, Ipp32s d, int sf, bool& divByZero) {
    if (d == 0) {
        divByZero = true;
        return n == 0 ? 0 : n < 0 ? static_cast<Ipp32s>(kMin32) : static_cast<Ipp32s>(kMax32);
    }
    if (sf < -62) return n == 0 ? 0 : ((n < 0) == (d < 0) ? static_cast<Ipp32s>(kMax32) : static_cast<Ipp32s>(kMin32));
    if (sf > 32) return 0;
    // Exact dividend (|n| x 2^62 fits the 64-bit mantissa), one rounding in
    // the division; out-of-range quotients (INT32_MIN / -1 among them)
    // saturate.
    const long double q = (static_cast<long double>(n) * powerOfTwo(sf)) / d;
    return roundSaturated32(q);
}

template <typename T>
IppStatus convertToInt(const T* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, int sf) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    const long double factor = powerOfTwo(sf);
    for (int i = 0; i < len; ++i) {
        long double x = pSrc[i];
        if (sf != 0) x *= factor;
        pDst[i] = rndMode == ippRndNear ? roundSaturated32(x) : truncateSaturated32(x);
    }
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippsAddC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
    return addConst(pSrcDst, val, pSrcDst, len, scaleFactor);
}
IppStatus _px_ippsAddC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
    return addConst(pSrc, val, pDst, len, scaleFactor);
}
IppStatus _px_ippsSubC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
    return addConst(pSrcDst, -i64{val}, pSrcDst, len, scaleFactor);
}
IppStatus _px_ippsSubC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
    return addConst(pSrc, -i64{val}, pDst, len, scaleFactor);
}
IppStatus _px_ippsSubCRev_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
    return subConstReversed(pSrc, val, pDst, len, scaleFactor);
}
IppStatus _px_ippsSubCRev_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
    return subConstReversed(pSrcDst, val, pSrcDst, len, scaleFactor);
}

IppStatus _px_ippsAdd_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
    if (IppStatus st = checkVector(len, pSrc, pSrcDst)) return st;
    return scaled32(pSrcDst, len, additiveScale(scaleFactor), [=](int i) { return i64{pSrcDst[i]} + pSrc[i]; });
}
IppStatus _px_ippsSub_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
    if (IppStatus st = checkVector(len, pSrc, pSrcDst)) return st;
    return scaled32(pSrcDst, len, additiveScale(scaleFactor), [=](int i) { return i64{pSrcDst[i]} - pSrc[i]; });
}
IppStatus _px_ippsMul_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
    if (IppStatus st = checkVector(len, pSrc, pSrcDst)) return st;
    return scaled32(pSrcDst, len, productScale(scaleFactor), [=](int i) { return i64{pSrcDst[i]} * pSrc[i]; });
}
IppStatus _px_ippsMulC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor) {
    return mulConst(pSrcDst, val, pSrcDst, len, scaleFactor);
}
IppStatus _px_ippsMulC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor) {
    return mulConst(pSrc, val, pDst, len, scaleFactor);
}

IppStatus _px_ippsDiv_32s_Sfs(const Ipp32s* pSrc1, const Ipp32s* pSrc2, Ipp32s* pDst, int len, int scaleFactor) {
    if (IppStatus st = checkVector(len, pSrc1, pSrc2, pDst)) return st;
    bool divByZero = false;
    for (int i = 0; i < len; ++i) pDst[i] = divideOne(pSrc2[i], pSrc1[i], scaleFactor, divByZero);
    return divByZero ? ippStsDivByZero : ippStsNoErr;
}
IppStatus _px_ippsDiv_32s_ISfs(const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor) {
    return _px_ippsDiv_32s_Sfs(pSrc, pSrcDst, pSrcDst, len, scaleFactor);
}

IppStatus _px_ippsAdd_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
    return inPlace8<Op8::Add>(pSrc, pSrcDst, len, scaleFactor, add8, saturated::kernels().add);
}
IppStatus _px_ippsSub_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
    return inPlace8<Op8::Sub>(pSrc, pSrcDst, len, scaleFactor, sub8, saturated::kernels().sub);
}
IppStatus _px_ippsMul_8u_ISfs(const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor) {
    return inPlace8<Op8::Mul>(pSrc, pSrcDst, len, scaleFactor, mul8, saturated::kernels().mul);
}

IppStatus _px_ippsDotProd_32s_Sfs(const Ipp32s* pSrc1, const Ipp32s* pSrc2, int len, Ipp32s* pDp, int scaleFactor) {
    if (IppStatus st = checkVector(len, pSrc1, pSrc2, pDp)) return st;
    long double sum = 0.0L;
    for (int i = 0; i < len; ++i) sum += static_cast<long double>(i64{pSrc1[i]} * pSrc2[i]);
    // The factor is an exact power of two within the clamp.
    const int sf = std::clamp(scaleFactor, -31, 93);
    if (sf != 0) sum *= std::ldexp(1.0, -sf);
    *pDp = roundSaturated32(sum);
    return ippStsNoErr;
}

IppStatus _px_ippsConvert_64f32s_Sfs(const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, int scaleFactor) {
    return convertToInt(pSrc, pDst, len, rndMode, scaleFactor);
}
IppStatus _px_ippsConvert_32f32s_Sfs(const Ipp32f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, int scaleFactor) {
    return convertToInt(pSrc, pDst, len, rndMode, scaleFactor);
}

IppStatus _px_ippsConvert_16s64f_Sfs(const Ipp16s* pSrc, Ipp64f* pDst, int len, int scaleFactor) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    if (scaleFactor == 0) {
        for (int i = 0; i < len; ++i) pDst[i] = pSrc[i];
        return ippStsNoErr;
    }
    // The double with exponent field 1023 - sf: 2^-sf, a normal number over
    // the whole clamp, so each product is exact.
    const int sf = std::clamp(scaleFactor, -1008, 1022);
    const double factor = std::bit_cast<double>(static_cast<std::uint64_t>(1023 - sf) << 52);
    for (int i = 0; i < len; ++i) pDst[i] = pSrc[i] * factor;
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsAdd_32s_ISfs);
OCULON_IPP_DEFINE(ippsAddC_32s_ISfs);
OCULON_IPP_DEFINE(ippsAddC_32s_Sfs);
OCULON_IPP_DEFINE(ippsSub_32s_ISfs);
OCULON_IPP_DEFINE(ippsSubC_32s_ISfs);
OCULON_IPP_DEFINE(ippsSubC_32s_Sfs);
OCULON_IPP_DEFINE(ippsSubCRev_32s_Sfs);
OCULON_IPP_DEFINE(ippsSubCRev_32s_ISfs);
OCULON_IPP_DEFINE(ippsMul_32s_ISfs);
OCULON_IPP_DEFINE(ippsMulC_32s_ISfs);
OCULON_IPP_DEFINE(ippsMulC_32s_Sfs);
OCULON_IPP_DEFINE(ippsDiv_32s_ISfs);
OCULON_IPP_DEFINE(ippsAdd_8u_ISfs);
OCULON_IPP_DEFINE(ippsSub_8u_ISfs);
OCULON_IPP_DEFINE(ippsMul_8u_ISfs);
OCULON_IPP_DEFINE(ippsDotProd_32s_Sfs);
OCULON_IPP_DEFINE(ippsConvert_64f32s_Sfs);
OCULON_IPP_DEFINE(ippsConvert_32f32s_Sfs);
OCULON_IPP_DEFINE(ippsConvert_16s64f_Sfs);

}  // namespace oculon::primitives
