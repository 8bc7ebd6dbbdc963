#pragma once
// Conversions between sample widths on images: widening spreads 0..255 over
// the whole wider range (x 257, x 16843009), narrowing maps it back, either
// rounded to nearest (ippAlgHintAccurate) or by a shift approximation that is
// off by one for a few inputs (any other hint). Tests: null pointer (-8),
// size (-6), a step below 1 (-14).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiScale_8u16u_C1R, (const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiScale_8u16s_C1R, (const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiScale_8u32s_C1R, (const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiScale_16u8u_C1R,
                 (const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppHintAlgorithm hint));
OCULON_IPP_ENTRY(ippiScale_16s8u_C1R,
                 (const Ipp16s* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppHintAlgorithm hint));
OCULON_IPP_ENTRY(ippiScale_32s8u_C1R,
                 (const Ipp32s* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppHintAlgorithm hint));

OCULON_IPP_ENTRY(ippiConvert_8u32f_C1R, (const Ipp8u* pSrc, int srcStep, Ipp32f* pDst, int dstStep, IppiSize roiSize));
// 255.0 and above give 255; 0.0 and below, and NaN, give 0; in between the
// value is rounded to nearest (ties to even) with ippRndNear, else truncated.
OCULON_IPP_ENTRY(ippiConvert_32f8u_C1R,
                 (const Ipp32f* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, IppRoundMode roundMode));

}  // namespace oculon::primitives
