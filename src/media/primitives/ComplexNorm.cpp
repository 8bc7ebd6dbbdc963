#include "media/primitives/ComplexNorm.h"

#include <cmath>

namespace oculon::primitives {

IppStatus _px_ippsNorm_L2_64fc64f(const Ipp64fc* pSrc, int len, Ipp64f* pNorm) {
    if (!pSrc || !pNorm) return ippStsNullPtrErr;
    if (len < 1) return ippStsSizeErr;
    // Two sums, even and odd elements, added at the end: the summation order
    // is part of the result's last bits.
    double even = 0.0, odd = 0.0;
    int i = 0;
    for (; i + 1 < len; i += 2) {
        even += pSrc[i].re * pSrc[i].re + pSrc[i].im * pSrc[i].im;
        odd += pSrc[i + 1].re * pSrc[i + 1].re + pSrc[i + 1].im * pSrc[i + 1].im;
    }
    if (i < len) even += pSrc[i].re * pSrc[i].re + pSrc[i].im * pSrc[i].im;
    *pNorm = std::sqrt(even + odd);
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsNorm_L2_64fc64f);

}  // namespace oculon::primitives
