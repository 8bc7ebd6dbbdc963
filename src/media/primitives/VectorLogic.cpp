#include "media/primitives/VectorLogic.h"

#include <algorithm>

#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

namespace {

IppStatus checkVectors(const void* a, const void* b, int len) {
    if (!a || !b) return ippStsNullPtrErr;
    return len < 1 ? ippStsSizeErr : ippStsNoErr;
}

// The word routines take the 32-bit vectors as raw memory, so the signed and
// unsigned views of one vector can share them.
IppStatus zeroWords(void* pDst, int len) { return _px_ippsZero_32s(static_cast<Ipp32s*>(pDst), len); }

IppStatus copyWords(const void* pSrc, void* pDst, int len) {
    return _px_ippsCopy_32s(static_cast<const Ipp32s*>(pSrc), static_cast<Ipp32s*>(pDst), len);
}

template <typename Op>
IppStatus combineInPlace(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len, Op op) {
    if (IppStatus st = checkVectors(pSrc, pSrcDst, len)) return st;
    for (int i = 0; i < len; ++i) pSrcDst[i] = op(pSrcDst[i], pSrc[i]);
    return ippStsNoErr;
}

template <typename Op>
IppStatus combineConst(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len, Op op) {
    if (IppStatus st = checkVectors(pSrc, pDst, len)) return st;
    for (int i = 0; i < len; ++i) pDst[i] = op(pSrc[i], val);
    return ippStsNoErr;
}

constexpr auto kAnd = [](Ipp32u a, Ipp32u b) { return a & b; };
constexpr auto kOr = [](Ipp32u a, Ipp32u b) { return a | b; };
constexpr auto kXor = [](Ipp32u a, Ipp32u b) { return a ^ b; };

// val is 1..31. Shifting the unsigned pattern keeps negative values defined.
void shiftLeft(const Ipp32s* pSrc, Ipp32s* pDst, int len, int val) {
    for (int i = 0; i < len; ++i) pDst[i] = static_cast<Ipp32s>(static_cast<Ipp32u>(pSrc[i]) << val);
}

// val is 1 or more; from 31 on every element is left with its sign.
void shiftRight(const Ipp32s* pSrc, Ipp32s* pDst, int len, int val) {
    const int n = std::min(val, 31);
    for (int i = 0; i < len; ++i) pDst[i] = pSrc[i] >> n;
}

// The common tail of the shifts once the counts with a meaning of their own
// (0, and 32 or more for a left shift) are handled: a negative count, then
// the pointers and the length.
IppStatus shiftChecked(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len,
                       void (*shift)(const Ipp32s*, Ipp32s*, int, int)) {
    if (val < 0) return ippStsShiftErr;
    if (IppStatus st = checkVectors(pSrc, pDst, len)) return st;
    shift(pSrc, pDst, len, val);
    return ippStsNoErr;
}

template <typename T, typename Swap>
IppStatus swapEach(const T* pSrc, T* pDst, int len, Swap swap) {
    if (IppStatus st = checkVectors(pSrc, pDst, len)) return st;
    for (int i = 0; i < len; ++i) pDst[i] = swap(pSrc[i]);
    return ippStsNoErr;
}

constexpr auto kSwap16 = [](Ipp16u v) { return static_cast<Ipp16u>((v << 8) | (v >> 8)); };
constexpr auto kSwap32 = [](Ipp32u v) {
    return (v << 24) | ((v << 8) & 0x00FF0000u) | ((v >> 8) & 0x0000FF00u) | (v >> 24);
};

}  // namespace

IppStatus _px_ippsAnd_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len) {
    return combineInPlace(pSrc, pSrcDst, len, kAnd);
}
IppStatus _px_ippsOr_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len) {
    return combineInPlace(pSrc, pSrcDst, len, kOr);
}
IppStatus _px_ippsXor_32u_I(const Ipp32u* pSrc, Ipp32u* pSrcDst, int len) {
    return combineInPlace(pSrc, pSrcDst, len, kXor);
}

IppStatus _px_ippsAndC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len) {
    if (val == 0) return zeroWords(pSrcDst, len);
    return combineConst(pSrcDst, val, pSrcDst, len, kAnd);
}

IppStatus _px_ippsOrC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len) {
    if (val == 0) return ippStsNoErr;
    return combineConst(pSrcDst, val, pSrcDst, len, kOr);
}

IppStatus _px_ippsXorC_32u_I(Ipp32u val, Ipp32u* pSrcDst, int len) {
    if (val == 0) return ippStsNoErr;
    return combineConst(pSrcDst, val, pSrcDst, len, kXor);
}

IppStatus _px_ippsAndC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
    if (val == 0) return pSrc ? zeroWords(pDst, len) : ippStsNullPtrErr;
    return combineConst(pSrc, val, pDst, len, kAnd);
}

IppStatus _px_ippsOrC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
    if (val == 0) return copyWords(pSrc, pDst, len);
    return combineConst(pSrc, val, pDst, len, kOr);
}

IppStatus _px_ippsXorC_32u(const Ipp32u* pSrc, Ipp32u val, Ipp32u* pDst, int len) {
    if (val == 0) return copyWords(pSrc, pDst, len);
    return combineConst(pSrc, val, pDst, len, kXor);
}

IppStatus _px_ippsLShiftC_32s_I(int val, Ipp32s* pSrcDst, int len) {
    if (val > 31) return zeroWords(pSrcDst, len);
    if (val == 0) return ippStsNoErr;
    return shiftChecked(pSrcDst, val, pSrcDst, len, shiftLeft);
}

IppStatus _px_ippsLShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len) {
    if (val == 0) return copyWords(pSrc, pDst, len);
    if (val > 31) return pSrc ? zeroWords(pDst, len) : ippStsNullPtrErr;
    return shiftChecked(pSrc, val, pDst, len, shiftLeft);
}

IppStatus _px_ippsRShiftC_32s_I(int val, Ipp32s* pSrcDst, int len) {
    if (val == 0) return ippStsNoErr;
    return shiftChecked(pSrcDst, val, pSrcDst, len, shiftRight);
}

IppStatus _px_ippsRShiftC_32s(const Ipp32s* pSrc, int val, Ipp32s* pDst, int len) {
    if (val == 0) return copyWords(pSrc, pDst, len);
    return shiftChecked(pSrc, val, pDst, len, shiftRight);
}

IppStatus _px_ippsSwapBytes_16u(const Ipp16u* pSrc, Ipp16u* pDst, int len) {
    return swapEach(pSrc, pDst, len, kSwap16);
}
IppStatus _px_ippsSwapBytes_32u(const Ipp32u* pSrc, Ipp32u* pDst, int len) {
    return swapEach(pSrc, pDst, len, kSwap32);
}

IppStatus _px_ippsSwapBytes_16u_I(Ipp16u* pSrcDst, int len) { return swapEach<Ipp16u>(pSrcDst, pSrcDst, len, kSwap16); }

IppStatus _px_ippsSwapBytes_32u_I(Ipp32u* pSrcDst, int len) { return swapEach<Ipp32u>(pSrcDst, pSrcDst, len, kSwap32); }

IppStatus _px_ippsSwapBytes_24u(const Ipp8u* pSrc, Ipp8u* pDst, int len) {
    if (IppStatus st = checkVectors(pSrc, pDst, len)) return st;
    for (int i = 0; i < len; ++i) {
        const Ipp8u* s = pSrc + 3 * static_cast<std::ptrdiff_t>(i);
        Ipp8u* d = pDst + 3 * static_cast<std::ptrdiff_t>(i);
        const Ipp8u b0 = s[0], b1 = s[1], b2 = s[2];
        d[0] = b2;
        d[1] = b1;
        d[2] = b0;
    }
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsAnd_32u_I);
OCULON_IPP_DEFINE(ippsAndC_32u);
OCULON_IPP_DEFINE(ippsAndC_32u_I);
OCULON_IPP_DEFINE(ippsOr_32u_I);
OCULON_IPP_DEFINE(ippsOrC_32u);
OCULON_IPP_DEFINE(ippsOrC_32u_I);
OCULON_IPP_DEFINE(ippsXor_32u_I);
OCULON_IPP_DEFINE(ippsXorC_32u);
OCULON_IPP_DEFINE(ippsXorC_32u_I);
OCULON_IPP_DEFINE(ippsLShiftC_32s);
OCULON_IPP_DEFINE(ippsLShiftC_32s_I);
OCULON_IPP_DEFINE(ippsRShiftC_32s);
OCULON_IPP_DEFINE(ippsRShiftC_32s_I);
OCULON_IPP_DEFINE(ippsSwapBytes_16u);
OCULON_IPP_DEFINE(ippsSwapBytes_16u_I);
OCULON_IPP_DEFINE(ippsSwapBytes_24u);
OCULON_IPP_DEFINE(ippsSwapBytes_32u);
OCULON_IPP_DEFINE(ippsSwapBytes_32u_I);

}  // namespace oculon::primitives
