#pragma once
// Auto-correlation, cross-correlation and linear convolution of real and
// complex doubles. Each sums directly (in extended precision) while the work
// is small and goes through the FFT above fixed sizes; both give the same
// values up to rounding. Checks: a null pointer (-8), then a length below 1
// (-6); the FFT path gives -9 when its work memory cannot be had.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// pDst[k] = sum over n of conj(pSrc[n]) pSrc[n + k], k = 0 .. dstLen-1; lags
// from srcLen on are 0.
OCULON_IPP_ENTRY(ippsAutoCorr_64f, (const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen));
OCULON_IPP_ENTRY(ippsAutoCorr_64fc, (const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen));
// The same divided by srcLen (NormA) or by the number of terms srcLen - k
// (NormB).
OCULON_IPP_ENTRY(ippsAutoCorr_NormA_64f, (const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen));
OCULON_IPP_ENTRY(ippsAutoCorr_NormB_64f, (const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen));
OCULON_IPP_ENTRY(ippsAutoCorr_NormA_64fc, (const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen));
OCULON_IPP_ENTRY(ippsAutoCorr_NormB_64fc, (const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen));
// pDst[k] = sum over i of conj(pSrc1[i]) pSrc2[lowLag + k + i], elements
// outside either vector counting as 0.
OCULON_IPP_ENTRY(ippsCrossCorr_64f, (const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len, Ipp64f* pDst,
                                     int dstLen, int lowLag));
OCULON_IPP_ENTRY(ippsCrossCorr_64fc, (const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2, int src2Len,
                                      Ipp64fc* pDst, int dstLen, int lowLag));
// The full linear convolution: src1Len + src2Len - 1 values.
OCULON_IPP_ENTRY(ippsConv_64f, (const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len, Ipp64f* pDst));

}  // namespace oculon::primitives
