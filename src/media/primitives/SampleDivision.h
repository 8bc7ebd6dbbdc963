#pragma once
// Division of 8-bit unsigned and 16-bit signed samples, by a second image or
// by a constant, with a scale factor: the quotient times 2^-sf, rounded to
// nearest with ties to even, saturated.
//
// By an image: the first image is the divisor. A zero divisor is no error:
// the element becomes the saturated value of the dividend's sign (0 for a
// zero dividend), every other element is computed, and the call returns the
// warning ippStsDivByZero. Tests: a null pointer (-8), size (-6), a step
// below 1 (-14).
//
// By a constant: vectors test pointers (-8), length (-6), then a zero value
// (-10); images test pointers, size, steps, then the value. The 8-bit
// quotient is x times a six-digit reciprocal of the value (kept as published:
// 3 / 6 gives 1, since 3 x 0.166667 lies above one half), not an exact
// division.

#include <array>

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiDiv_8u_C1IRSfs,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDiv_16s_C1IRSfs,
                 (const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
// pDst := pSrc2 / pSrc1.
OCULON_IPP_ENTRY(ippiDiv_8u_C1RSfs, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDiv_16s_C1RSfs, (const Ipp16s* pSrc1, int src1Step, const Ipp16s* pSrc2, int src2Step,
                                      Ipp16s* pDst, int dstStep, IppiSize roiSize, int scaleFactor));

OCULON_IPP_ENTRY(ippsDivC_8u_ISfs, (Ipp8u val, Ipp8u* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsDivC_8u_Sfs, (const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsDivC_16s_ISfs, (Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsDivC_16s_Sfs, (const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippiDivC_8u_C1IRSfs, (Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDivC_8u_C1RSfs, (const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDivC_16s_C1IRSfs,
                 (Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor));
OCULON_IPP_ENTRY(ippiDivC_16s_C1RSfs, (const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst, int dstStep,
                                       IppiSize roiSize, int scaleFactor));

// Built-in bodies that no dispatcher binds. The vector divisions (divisors
// first) test pointers and length; the row loops test nothing and return the
// first nonzero status of a row.
IppStatus _px_ippsDiv_8u_Sfs(const Ipp8u* pSrc1, const Ipp8u* pSrc2, Ipp8u* pDst, int len, int scaleFactor);
IppStatus _px_ippsDiv_16s_Sfs(const Ipp16s* pSrc1, const Ipp16s* pSrc2, Ipp16s* pDst, int len, int scaleFactor);
IppStatus ownippiDiv_8u_Sfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ownippiDiv_16s_Sfs(const Ipp16s* pSrc1, int src1Step, const Ipp16s* pSrc2, int src2Step, Ipp16s* pDst,
                             int dstStep, IppiSize roiSize, int scaleFactor);

// The reciprocals of the 8-bit constant division: entry n is 1/n rounded to
// six decimals, halves up (entry 0, never used, 0.000001).
extern const std::array<Ipp32f, 256> kDivC8uReciprocals;

}  // namespace oculon::primitives
