#pragma once
// Add, subtract and multiply two images with a scale factor: the exact
// result times 2^-scaleFactor, rounded half to even, saturated (8-bit C1, C3,
// C4 all bytes alike, AC4 bytes 0-2 with the destination's fourth byte never
// written; 16-bit C1). Sub takes the first source from the second (in place:
// the source from the source-destination), a negative difference being 0.
// From the cut-off on (8-bit Add 10, Sub 9, Mul 17; 16-bit 18, 17, 33) every
// result is 0 and the region is filled instead.
//
// Checks: a null pointer (-8), then the size (-6), no step test; a fill
// tests its own step (-14). C3 and C4 forms test the width before anything
// else; the 16-bit forms at the cut-off test only the sources before the
// fill's own tests.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiAdd_8u_C3IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAdd_8u_AC4IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAdd_8u_C1RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAdd_8u_C3RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAdd_8u_C4RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAdd_8u_AC4RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                      int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAdd_16u_C1RSfs, (const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step,
                                      Ipp16u* pDst, int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSub_8u_C3IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSub_8u_AC4IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSub_8u_C1RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSub_8u_C3RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSub_8u_AC4RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                      int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSub_16u_C1RSfs, (const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step,
                                      Ipp16u* pDst, int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMul_8u_C3IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMul_8u_AC4IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMul_8u_C1RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMul_8u_C3RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMul_8u_AC4RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                      int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMul_16u_C1RSfs, (const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step,
                                      Ipp16u* pDst, int dstStep, IppiSize roiSize, int scaleFactor));

// Division: the second source (in place: the source-destination) divided by
// the first. A zero divisor is no error: the element becomes 255 for a
// nonzero dividend and 0 for 0, the rest is computed, and the call returns
// the warning ippStsDivByZero. Checks: pointers (-8), size (-6), steps (-14),
// and for AC4 the row buffer (-9).
OCULON_IPP_ENTRY(ippiDiv_8u_C3RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDiv_8u_AC4RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                      int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDiv_8u_C3IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDiv_8u_AC4IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));

}  // namespace oculon::primitives
