#pragma once
// Porter-Duff composition of two RGBA images into a third (alpha in the
// fourth byte), on straight or premultiplied colours. The results are
// premultiplied colours; byte products are scaled back with
// d(p) = (p + (p >> 8) + 1) >> 8.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// Checks null pointers (-8), then the size (-6), then alphaType 0..11 (-50);
// the steps are taken as given.
OCULON_IPP_ENTRY(ippiAlphaComp_8u_AC4R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                                         Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAlphaType alphaType));

}  // namespace oculon::primitives
