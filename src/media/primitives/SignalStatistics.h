#pragma once
// Reductions of double vectors (mean, standard deviation, sum, extremes,
// norms of a difference, dot products), normalization and thresholds. Sums
// run in extended precision. Every entry checks a null pointer (-8), then the
// length (-6).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippsMean_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMean));
// The hint is accepted and not used.
OCULON_IPP_ENTRY(ippsMean_32f, (const Ipp32f* pSrc, int len, Ipp32f* pMean, IppHintAlgorithm hint));
// The sample standard deviation (divisor len - 1); len must be 2 or more.
OCULON_IPP_ENTRY(ippsStdDev_64f, (const Ipp64f* pSrc, int len, Ipp64f* pStdDev));
OCULON_IPP_ENTRY(ippsSum_64f, (const Ipp64f* pSrc, int len, Ipp64f* pSum));
OCULON_IPP_ENTRY(ippsMin_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMin));
OCULON_IPP_ENTRY(ippsMax_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMax));
// The index of the first occurrence; a null pIndx gives the value alone.
OCULON_IPP_ENTRY(ippsMinIndx_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMin, int* pIndx));
OCULON_IPP_ENTRY(ippsMaxIndx_64f, (const Ipp64f* pSrc, int len, Ipp64f* pMax, int* pIndx));
OCULON_IPP_ENTRY(ippsNormDiff_L1_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm));
OCULON_IPP_ENTRY(ippsNormDiff_L2_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm));
OCULON_IPP_ENTRY(ippsNormDiff_Inf_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm));
OCULON_IPP_ENTRY(ippsDotProd_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp));
// Without conjugation.
OCULON_IPP_ENTRY(ippsDotProd_64fc, (const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp));

// (x - vSub) / vDiv; a vDiv whose magnitude is below the smallest normal
// number of the element type gives ippStsDivByZeroErr and writes nothing.
OCULON_IPP_ENTRY(ippsNormalize_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f vSub, Ipp64f vDiv));
OCULON_IPP_ENTRY(ippsNormalize_32f, (const Ipp32f* pSrc, Ipp32f* pDst, int len, Ipp32f vSub, Ipp32f vDiv));
OCULON_IPP_ENTRY(ippsNormalize_64fc, (const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64fc vSub, Ipp64f vDiv));

// relOp ippCmpGreater clips elements above level, every other value clips
// elements below it; an element equal to level stays.
OCULON_IPP_ENTRY(ippsThreshold_32f_I, (Ipp32f * pSrcDst, int len, Ipp32f level, IppCmpOp relOp));
OCULON_IPP_ENTRY(ippsThreshold_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f level, IppCmpOp relOp));
OCULON_IPP_ENTRY(ippsThreshold_64f_I, (Ipp64f * pSrcDst, int len, Ipp64f level, IppCmpOp relOp));
// By magnitude, keeping the direction; a negative level gives
// ippStsThreshNegLevelErr. A zero element raised to the level becomes
// (level, 0).
OCULON_IPP_ENTRY(ippsThreshold_64fc, (const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level, IppCmpOp relOp));
OCULON_IPP_ENTRY(ippsThreshold_64fc_I, (Ipp64fc * pSrcDst, int len, Ipp64f level, IppCmpOp relOp));
OCULON_IPP_ENTRY(ippsThreshold_LT_32s_I, (Ipp32s * pSrcDst, int len, Ipp32s level));
OCULON_IPP_ENTRY(ippsThreshold_GT_32s_I, (Ipp32s * pSrcDst, int len, Ipp32s level));

// The dot-product kernel that other bodies call directly: no checks, no
// status; a len below 1 gives 0.0.
void _px_DotProd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp);

}  // namespace oculon::primitives
