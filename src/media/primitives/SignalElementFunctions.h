#pragma once
// Functions applied to each element of a double vector: absolute value,
// square, square root, exponential and natural logarithm. Undefined results
// are the NaN kIppNaN with a warning that never stops the loop. Every entry
// checks a null pointer (-8), then a length below 1 (-6).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippsAbs_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsAbs_64f_I, (Ipp64f * pSrcDst, int len));
OCULON_IPP_ENTRY(ippsSqr_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsSqr_64f_I, (Ipp64f * pSrcDst, int len));
// A negative element gives NaN and the call ippStsSqrtNegArg.
OCULON_IPP_ENTRY(ippsSqrt_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsSqrt_64f_I, (Ipp64f * pSrcDst, int len));
OCULON_IPP_ENTRY(ippsExp_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsExp_64f_I, (Ipp64f * pSrcDst, int len));
// Any element with the sign bit set (-0.0 too) gives NaN and warning
// ippStsLnNegArg, +0.0 gives -infinity and ippStsLnZeroArg; the call returns
// the first warning met.
OCULON_IPP_ENTRY(ippsLn_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsLn_64f_I, (Ipp64f * pSrcDst, int len));

}  // namespace oculon::primitives
