#pragma once
// Add, subtract and multiply on 8-bit unsigned and 16-bit signed samples with
// a scale factor: each result is the exact integer result times 2^-sf,
// rounded to nearest with ties to even, and saturated. A scale factor at or
// above an operation's cut-off gives 0 everywhere and is written as a fill
// (Add 10/17, Sub 9/17, Mul 17/31 for 8u/16s). Sub takes the second operand
// (the source image, or the constant) from the first; an 8u difference below
// 0 is 0 before scaling.
//
// Tests: null pointer (-8), then size (-6); no step test of their own, but
// where the result is a fill (cut-off, multiplying by 0, 8u AddC of a nonzero
// constant with sf <= -8) the fill's step test follows (-14).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// In place with an image operand: pSrcDst := pSrcDst op pSrc.
OCULON_IPP_ENTRY(ippiAdd_8u_C1IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAdd_16s_C1IRSfs,
                 (const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSub_8u_C1IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSub_16s_C1IRSfs,
                 (const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMul_8u_C1IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMul_16s_C1IRSfs,
                 (const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));

// With a constant: vectors in place and out of place, then images.
OCULON_IPP_ENTRY(ippsAddC_8u_ISfs, (Ipp8u val, Ipp8u* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsAddC_8u_Sfs, (const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsAddC_16s_ISfs, (Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsAddC_16s_Sfs, (const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsSubC_8u_ISfs, (Ipp8u val, Ipp8u* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsSubC_8u_Sfs, (const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsSubC_16s_ISfs, (Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsSubC_16s_Sfs, (const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsMulC_8u_ISfs, (Ipp8u val, Ipp8u* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsMulC_8u_Sfs, (const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsMulC_16s_ISfs, (Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsMulC_16s_Sfs, (const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippiAddC_8u_C1IRSfs, (Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAddC_8u_C1RSfs, (const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAddC_16s_C1IRSfs,
                 (Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiAddC_16s_C1RSfs, (const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst, int dstStep,
                                       IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSubC_8u_C1IRSfs, (Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSubC_8u_C1RSfs, (const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSubC_16s_C1IRSfs,
                 (Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiSubC_16s_C1RSfs, (const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst, int dstStep,
                                       IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMulC_8u_C1IRSfs, (Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMulC_8u_C1RSfs, (const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMulC_16s_C1IRSfs,
                 (Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiMulC_16s_C1RSfs, (const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst, int dstStep,
                                       IppiSize roiSize, int scaleFactor));

}  // namespace oculon::primitives
