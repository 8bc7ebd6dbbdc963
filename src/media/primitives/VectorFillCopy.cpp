#include "media/primitives/VectorFillCopy.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cstring>

#include "media/primitives/BlockRoutines.h"

namespace oculon::primitives {

namespace {

IppStatus checkVector(const void* p, int len) {
    if (!p) return ippStsNullPtrErr;
    if (len < 1) return ippStsSizeErr;
    return ippStsNoErr;
}

IppStatus checkVectors(const void* a, const void* b, int len) {
    if (!a || !b) return ippStsNullPtrErr;
    return checkVector(a, len);
}

template <typename T>
IppStatus zero(T* pDst, int len) {
    if (IppStatus st = checkVector(pDst, len)) return st;
    ownsZero_8u(pDst, static_cast<std::ptrdiff_t>(len) * static_cast<std::ptrdiff_t>(sizeof(T)));
    return ippStsNoErr;
}

// The fill routine of each element width.
void fillBlock(Ipp8u val, Ipp8u* dst, int n) { ownsSet_8u(val, dst, n); }
void fillBlock(Ipp32s val, Ipp32s* dst, int n) { ownsSet_32s(val, dst, n); }
void fillBlock(Ipp32f val, Ipp32f* dst, int n) { std::fill_n(dst, n, val); }
void fillBlock(Ipp64f val, Ipp64f* dst, int n) { ownsSet_64s(std::bit_cast<std::uint64_t>(val), dst, n); }
void fillBlock(Ipp64fc val, Ipp64fc* dst, int n) { ownsSet_64sc(val, dst, n); }

template <typename T>
IppStatus set(T val, T* pDst, int len) {
    if (IppStatus st = checkVector(pDst, len)) return st;
    fillBlock(val, pDst, len);
    return ippStsNoErr;
}

template <typename T>
IppStatus copy(const T* pSrc, T* pDst, int len) {
    if (IppStatus st = checkVectors(pSrc, pDst, len)) return st;
    ownsCopy_8u(pSrc, pDst, static_cast<std::ptrdiff_t>(len) * static_cast<std::ptrdiff_t>(sizeof(T)));
    return ippStsNoErr;
}

template <typename T>
IppStatus move(const T* pSrc, T* pDst, int len) {
    if (IppStatus st = checkVectors(pSrc, pDst, len)) return st;
    if (pSrc != pDst) std::memmove(pDst, pSrc, static_cast<std::size_t>(len) * sizeof(T));
    return ippStsNoErr;
}

template <typename From, typename To>
IppStatus widen(const From* pSrc, To* pDst, int len) {
    if (IppStatus st = checkVectors(pSrc, pDst, len)) return st;
    for (int i = 0; i < len; ++i) pDst[i] = static_cast<To>(pSrc[i]);
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippsZero_8u(Ipp8u* pDst, int len) { return zero(pDst, len); }
IppStatus _px_ippsZero_16s(Ipp16s* pDst, int len) { return zero(pDst, len); }
IppStatus _px_ippsZero_16sc(Ipp16sc* pDst, int len) { return zero(pDst, len); }
IppStatus _px_ippsZero_32s(Ipp32s* pDst, int len) { return zero(pDst, len); }
IppStatus _px_ippsZero_32f(Ipp32f* pDst, int len) { return zero(pDst, len); }
IppStatus _px_ippsZero_64f(Ipp64f* pDst, int len) { return zero(pDst, len); }
IppStatus _px_ippsZero_64fc(Ipp64fc* pDst, int len) { return zero(pDst, len); }

IppStatus _px_ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len) { return set(val, pDst, len); }
IppStatus _px_ippsSet_32s(Ipp32s val, Ipp32s* pDst, int len) { return set(val, pDst, len); }
IppStatus _px_ippsSet_32f(Ipp32f val, Ipp32f* pDst, int len) { return set(val, pDst, len); }
IppStatus _px_ippsSet_64f(Ipp64f val, Ipp64f* pDst, int len) { return set(val, pDst, len); }
IppStatus _px_ippsSet_64fc(Ipp64fc val, Ipp64fc* pDst, int len) { return set(val, pDst, len); }

IppStatus _px_ippsCopy_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) { return copy(pSrc, pDst, len); }
IppStatus _px_ippsCopy_16sc(const Ipp16sc* pSrc, Ipp16sc* pDst, int len) { return copy(pSrc, pDst, len); }
IppStatus _px_ippsCopy_32s(const Ipp32s* pSrc, Ipp32s* pDst, int len) { return copy(pSrc, pDst, len); }
IppStatus _px_ippsCopy_32f(const Ipp32f* pSrc, Ipp32f* pDst, int len) { return copy(pSrc, pDst, len); }
IppStatus _px_ippsCopy_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return copy(pSrc, pDst, len); }

IppStatus _px_ippsMove_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return move(pSrc, pDst, len); }
IppStatus _px_ippsMove_8u(const Ipp8u* pSrc, Ipp8u* pDst, int len) { return move(pSrc, pDst, len); }

IppStatus _px_ippsConvert_32f64f(const Ipp32f* pSrc, Ipp64f* pDst, int len) { return widen(pSrc, pDst, len); }
IppStatus _px_ippsConvert_32s64f(const Ipp32s* pSrc, Ipp64f* pDst, int len) { return widen(pSrc, pDst, len); }
IppStatus _px_ippsConvert_32s32f(const Ipp32s* pSrc, Ipp32f* pDst, int len) { return widen(pSrc, pDst, len); }

IppStatus _px_ippsConvert_64f32f(const Ipp64f* pSrc, Ipp32f* pDst, int len) {
    if (IppStatus st = checkVectors(pSrc, pDst, len)) return st;
    constexpr double kMax = FLT_MAX;  // 3.4028234663852886e38
    for (int i = 0; i < len; ++i) {
        const double v = pSrc[i];
        if (v <= -kMax) pDst[i] = -FLT_MAX;
        else if (v >= kMax) pDst[i] = FLT_MAX;
        else pDst[i] = static_cast<float>(v);
    }
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsZero_8u);
OCULON_IPP_DEFINE(ippsZero_16s);
OCULON_IPP_DEFINE(ippsZero_32s);
OCULON_IPP_DEFINE(ippsZero_32f);
OCULON_IPP_DEFINE(ippsZero_64f);
OCULON_IPP_DEFINE(ippsZero_64fc);
OCULON_IPP_DEFINE(ippsSet_8u);
OCULON_IPP_DEFINE(ippsSet_32s);
OCULON_IPP_DEFINE(ippsSet_32f);
OCULON_IPP_DEFINE(ippsSet_64f);
OCULON_IPP_DEFINE(ippsSet_64fc);
OCULON_IPP_DEFINE(ippsCopy_8u);
OCULON_IPP_DEFINE(ippsCopy_32f);
OCULON_IPP_DEFINE(ippsCopy_64f);
OCULON_IPP_DEFINE(ippsMove_64f);
OCULON_IPP_DEFINE(ippsMove_8u);
OCULON_IPP_DEFINE(ippsConvert_32f64f);
OCULON_IPP_DEFINE(ippsConvert_32s64f);
OCULON_IPP_DEFINE(ippsConvert_32s32f);
OCULON_IPP_DEFINE(ippsConvert_64f32f);

}  // namespace oculon::primitives
