#pragma once
// Window functions applied to a vector of doubles or complex doubles: each
// element is multiplied by the symmetric weight w(n), n = 0 .. len-1 (both
// parts of a complex element). Weights are formed in extended precision.
// Checks: a null pointer (-8), then a len below 3 (-6; Kaiser below 1).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// 2n/(len-1) up to the middle, mirrored after it; the ends are 0.0.
OCULON_IPP_ENTRY(ippsWinBartlett_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsWinBartlett_64f_I, (Ipp64f * pSrcDst, int len));
OCULON_IPP_ENTRY(ippsWinBartlett_64fc_I, (Ipp64fc * pSrcDst, int len));
// (alpha + 1)/2 - 0.5 cos(2 pi n/(len-1)) - (alpha/2) cos(4 pi n/(len-1)).
OCULON_IPP_ENTRY(ippsWinBlackman_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f alpha));
OCULON_IPP_ENTRY(ippsWinBlackman_64f_I, (Ipp64f * pSrcDst, int len, Ipp64f alpha));
OCULON_IPP_ENTRY(ippsWinBlackman_64fc_I, (Ipp64fc * pSrcDst, int len, Ipp64f alpha));
// 0.54 - 0.46 cos(2 pi n/(len-1)).
OCULON_IPP_ENTRY(ippsWinHamming_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsWinHamming_64f_I, (Ipp64f * pSrcDst, int len));
OCULON_IPP_ENTRY(ippsWinHamming_64fc_I, (Ipp64fc * pSrcDst, int len));
// 0.5 - 0.5 cos(2 pi n/(len-1)).
OCULON_IPP_ENTRY(ippsWinHann_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsWinHann_64f_I, (Ipp64f * pSrcDst, int len));
OCULON_IPP_ENTRY(ippsWinHann_64fc_I, (Ipp64fc * pSrcDst, int len));
// I0(alpha sqrt(n (len-1-n))) / I0(alpha (len-1)/2); ippStsHugeWinErr when
// |alpha| (len-1)/2 exceeds 308, before anything is written.
OCULON_IPP_ENTRY(ippsWinKaiser_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp32f alpha));
OCULON_IPP_ENTRY(ippsWinKaiser_64f_I, (Ipp64f * pSrcDst, int len, Ipp32f alpha));
OCULON_IPP_ENTRY(ippsWinKaiser_64fc_I, (Ipp64fc * pSrcDst, int len, Ipp32f alpha));

}  // namespace oculon::primitives
