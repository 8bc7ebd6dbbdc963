#pragma once
// Image copies between layouts, constant fills and channel reordering. Copies
// test their pointers (-8) and the region size (-6) but not the steps; fills
// and channel swaps also reject a step below 1 (-14). C3CR/C4CR pointers and
// the one-channel side of C1C3R, C3C1R ... address one channel byte of the
// first pixel; only every third or fourth byte from there is touched.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiCopy_8u_C1R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_C3R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_C4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_32s_C1R, (const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roiSize));
// Bytes 0-2 of every 4-byte pixel; the destination's fourth byte is kept.
OCULON_IPP_ENTRY(ippiCopy_8u_AC4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_C4CR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_C1C3R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_C1C4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_C3C1R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_C4C1R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_C3AC4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_8u_AC4C3R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
// Plane k goes to byte k of each pixel; the three planes share one step.
// The plane pointers are tested before the size.
OCULON_IPP_ENTRY(ippiCopy_8u_P3C3R,
                 (const Ipp8u* const pSrc[3], int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));

// The C3R, AC4R and C4R fills test the destination before the value pointer.
OCULON_IPP_ENTRY(ippiSet_8u_C1R, (Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiSet_8u_C3R, (const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiSet_8u_AC4R, (const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiSet_8u_C4R, (const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiSet_8u_C3CR, (Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiSet_8u_C4CR, (Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiSet_16s_C1R, (Ipp16s value, Ipp16s* pDst, int dstStep, IppiSize roiSize));

// Destination channel k receives source channel dstOrder[k] (each 0..2, else
// -60, tested after the steps); in place, a pixel is read whole before it is
// written, so repeated and cyclic orders are safe.
OCULON_IPP_ENTRY(ippiSwapChannels_8u_C3IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, const int dstOrder[3]));
OCULON_IPP_ENTRY(ippiSwapChannels_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const int dstOrder[3]));
OCULON_IPP_ENTRY(ippiSwapChannels_8u_AC4R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const int dstOrder[3]));

}  // namespace oculon::primitives
