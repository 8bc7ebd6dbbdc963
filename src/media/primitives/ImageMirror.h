#pragma once
// Mirrors about the horizontal axis (0: rows reversed), the vertical axis
// (1: columns reversed) or both (2: a half turn), into a second image or in
// place. Checks: pointers (-8), region size (-6), axis (-21); steps are not
// tested. AC4 forms move bytes 0-2 of each pixel and never write byte 3.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// Source and destination must not overlap; the very same image at the same
// step is mirrored in place.
OCULON_IPP_ENTRY(ippiMirror_8u_C1R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip));
OCULON_IPP_ENTRY(ippiMirror_16u_C1R,
                 (const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip));
OCULON_IPP_ENTRY(ippiMirror_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip));
OCULON_IPP_ENTRY(ippiMirror_8u_C4R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip));
OCULON_IPP_ENTRY(ippiMirror_8u_AC4R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppiAxis flip));

OCULON_IPP_ENTRY(ippiMirror_8u_C1IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip));
OCULON_IPP_ENTRY(ippiMirror_8u_C3IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip));
OCULON_IPP_ENTRY(ippiMirror_8u_C4IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip));
OCULON_IPP_ENTRY(ippiMirror_8u_AC4IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip));

}  // namespace oculon::primitives
