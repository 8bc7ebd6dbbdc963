#pragma once
// One constant per channel added to, subtracted from or multiplied with every
// pixel of an 8-bit image, and squares, with a scale factor: the exact result
// times 2^-scaleFactor, rounded half to even, saturated to 0..255. C3, C4
// (all four bytes) and AC4 (bytes 0-2; the destination's fourth byte is
// never written). From the cut-off on (AddC 10, SubC 9, MulC and squares 17)
// every result is 0 and the region is filled instead.
//
// Checks: AddC, SubC, MulC test the pointers (-8) and the size (-6), no step
// (a fill tests its own, -14); the squares also test the steps (-14), and the
// AC4 squares report a failed row buffer (-9).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiAddC_8u_C3IRSfs,
                 (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAddC_8u_AC4IRSfs,
                 (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAddC_8u_C4IRSfs,
                 (const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
// The constant is taken from the pixel; below 0 gives 0.
OCULON_IPP_ENTRY(ippiSubC_8u_C3IRSfs,
                 (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSubC_8u_C4IRSfs,
                 (const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMulC_8u_C3IRSfs,
                 (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMulC_8u_AC4IRSfs,
                 (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMulC_8u_C4IRSfs,
                 (const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));

// Division of each channel by its constant (rounded half to even; the
// constant is the divisor). Checks: pointers (-8), size (-6), steps (-14),
// the row buffer (-9). A zero constant gives -10: AC4 then writes nothing,
// while C3 and C4 still divide the whole region, a zero constant making a
// nonzero sample 255 and keeping 0.
OCULON_IPP_ENTRY(ippiDivC_8u_C3IRSfs,
                 (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDivC_8u_C4IRSfs,
                 (const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDivC_8u_AC4IRSfs,
                 (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
IppStatus _px_ippiDivC_8u_C3RSfs(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize, int scaleFactor);
IppStatus _px_ippiDivC_8u_C4RSfs(const Ipp8u* pSrc, int srcStep, const Ipp8u value[4], Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize, int scaleFactor);
IppStatus _px_ippiDivC_8u_AC4RSfs(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                                  IppiSize roiSize, int scaleFactor);

OCULON_IPP_ENTRY(ippiSqr_8u_C3IRSfs, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSqr_8u_AC4IRSfs, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSqr_8u_C3RSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSqr_8u_AC4RSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor));

// Vector squares without an entry point: a null pointer (-8), a length below
// 1 (-6).
IppStatus _px_ippsSqr_8u_Sfs(const Ipp8u* pSrc, Ipp8u* pDst, int len, int scaleFactor);
IppStatus _px_ippsSqr_8u_ISfs(Ipp8u* pSrcDst, int len, int scaleFactor);

}  // namespace oculon::primitives
