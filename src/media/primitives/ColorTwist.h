#pragma once
// A general 3 x 4 colour matrix on 8-bit pixels: destination channel k =
// t[k][0] s0 + t[k][1] s1 + t[k][2] s2 + t[k][3], summed in extended
// precision, rounded half to even and saturated to 0..255 (NaN gives 0).
// Checks: a null pointer (-8), the size (-6), a step below 1 (-14).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiColorTwist32f_8u_C3R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                            const Ipp32f twist[3][4]));
// In place; a pixel is read whole before it is written.
OCULON_IPP_ENTRY(ippiColorTwist32f_8u_C3IR,
                 (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, const Ipp32f twist[3][4]));
// Bytes 0-2 of 4-byte pixels; the fourth byte stays as it was.
OCULON_IPP_ENTRY(ippiColorTwist32f_8u_AC4IR,
                 (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, const Ipp32f twist[3][4]));

}  // namespace oculon::primitives
