#pragma once
// Porter-Duff composition of two images under one constant opacity per
// image (alpha1 for the first, alpha2 for the second), sample by sample:
// every channel, a fourth one included, is composited alike. Rules 0..5 take
// straight samples, 6..11 premultiplied ones (IppiAlphaType).
// Checks: a null pointer (-8, the second image even where its rule does not
// read it), the size (-6), the rule (-50); steps are used as given.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiAlphaCompC_8u_C1R,
                 (const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,
                  Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType));
OCULON_IPP_ENTRY(ippiAlphaCompC_8u_C3R,
                 (const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,
                  Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType));
OCULON_IPP_ENTRY(ippiAlphaCompC_8u_C4R,
                 (const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2, int src2Step, Ipp8u alpha2,
                  Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType));
OCULON_IPP_ENTRY(ippiAlphaCompC_16u_C1R,
                 (const Ipp16u* pSrc1, int src1Step, Ipp16u alpha1, const Ipp16u* pSrc2, int src2Step, Ipp16u alpha2,
                  Ipp16u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType));

}  // namespace oculon::primitives
