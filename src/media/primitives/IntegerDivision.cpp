#include "media/primitives/IntegerDivision.h"

#include <limits>

namespace oculon::primitives {

namespace {

void divideEach(const Ipp32s* src, Ipp32s val, Ipp32s* dst, int len) {
    // Both would trap the processor: a zero divisor, and the one quotient
    // (-2^31 / -1) that does not fit.
    if (!src || !dst || val == 0) return;
    constexpr Ipp32s kMin = std::numeric_limits<Ipp32s>::min();
    constexpr Ipp32s kMax = std::numeric_limits<Ipp32s>::max();
    for (int i = 0; i < len; ++i) dst[i] = (val == -1 && src[i] == kMin) ? kMax : src[i] / val;
}

}  // namespace

void ippsDivC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int /*scaleFactor*/) {
    divideEach(pSrcDst, val, pSrcDst, len);
}

void ippsDivC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int /*scaleFactor*/) {
    divideEach(pSrc, val, pDst, len);
}

}  // namespace oculon::primitives
