#include "media/primitives/SampleFillCopy.h"

#include <cstring>

#include "media/primitives/BlockRoutines.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

IppStatus _px_ippsSet_16s(Ipp16s val, Ipp16s* pDst, int len) {
    if (IppStatus st = checkVector(len, pDst)) return st;
    ownsSet_16u(static_cast<Ipp16u>(val), reinterpret_cast<Ipp16u*>(pDst), len);
    return ippStsNoErr;
}

IppStatus _px_ippsCopy_16s(const Ipp16s* pSrc, Ipp16s* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    ownsCopy_8u(pSrc, pDst, static_cast<std::ptrdiff_t>(len) * 2);
    return ippStsNoErr;
}

IppStatus _px_ippsConvert_8s16s(const Ipp8s* pSrc, Ipp16s* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    for (int i = 0; i < len; ++i) pDst[i] = pSrc[i];
    return ippStsNoErr;
}

IppStatus _px_ippiSet_32s_C1R(Ipp32s value, Ipp32s* pDst, int dstStep, IppiSize roi) {
    if (!pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (dstStep < 1) return ippStsStepErr;
    // Rows may start off a 4-byte boundary (the 24-bit fill writes through
    // here at 12-byte steps from any byte), so words are stored bytewise.
    region::eachRow(pDst, dstStep, 4, roi, [value](Ipp8u* d, std::ptrdiff_t n) {
        for (std::ptrdiff_t i = 0; i < n; ++i) std::memcpy(d + 4 * i, &value, 4);
    });
    return ippStsNoErr;
}

IppStatus _px_ippiCopy_16s_C1R(const Ipp16s* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    region::eachRow(pSrc, srcStep, 2, pDst, dstStep, 2, roi,
                    [](const Ipp8u* s, Ipp8u* d, std::ptrdiff_t n) { ownsCopy_8u(s, d, 2 * n); });
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsSet_16s);
OCULON_IPP_DEFINE(ippsConvert_8s16s);
OCULON_IPP_DEFINE(ippiSet_32s_C1R);
OCULON_IPP_DEFINE(ippiCopy_16s_C1R);

}  // namespace oculon::primitives
