#pragma once
// The 16-bit and 32-bit fills and copies of the sample arithmetic, and the
// sign-extending widening of signed bytes. Vector forms test a null pointer
// (-8) before a length below 1 (-6); image fills also reject a step below 1
// (-14), image copies test no step.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippsSet_16s, (Ipp16s val, Ipp16s* pDst, int len));
OCULON_IPP_ENTRY(ippsConvert_8s16s, (const Ipp8s* pSrc, Ipp16s* pDst, int len));
OCULON_IPP_ENTRY(ippiSet_32s_C1R, (Ipp32s value, Ipp32s* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiCopy_16s_C1R, (const Ipp16s* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roiSize));

// Built-in body that no dispatcher binds; the scaled arithmetic calls it.
IppStatus _px_ippsCopy_16s(const Ipp16s* pSrc, Ipp16s* pDst, int len);

}  // namespace oculon::primitives
