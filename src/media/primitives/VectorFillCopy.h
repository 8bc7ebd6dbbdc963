#pragma once
// Vector fills, zero fills, copies, moves and type conversions without
// scaling. Each checks a null pointer (-8) before a length below 1 (-6).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippsZero_8u, (Ipp8u * pDst, int len));
OCULON_IPP_ENTRY(ippsZero_16s, (Ipp16s * pDst, int len));
OCULON_IPP_ENTRY(ippsZero_32s, (Ipp32s * pDst, int len));
OCULON_IPP_ENTRY(ippsZero_32f, (Ipp32f * pDst, int len));
OCULON_IPP_ENTRY(ippsZero_64f, (Ipp64f * pDst, int len));
OCULON_IPP_ENTRY(ippsZero_64fc, (Ipp64fc * pDst, int len));

OCULON_IPP_ENTRY(ippsSet_8u, (Ipp8u val, Ipp8u* pDst, int len));
OCULON_IPP_ENTRY(ippsSet_32s, (Ipp32s val, Ipp32s* pDst, int len));
OCULON_IPP_ENTRY(ippsSet_32f, (Ipp32f val, Ipp32f* pDst, int len));
OCULON_IPP_ENTRY(ippsSet_64f, (Ipp64f val, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsSet_64fc, (Ipp64fc val, Ipp64fc* pDst, int len));

// Overlap is not looked for; use ippsMove_64f for overlapping vectors.
OCULON_IPP_ENTRY(ippsCopy_8u, (const Ipp8u* pSrc, Ipp8u* pDst, int len));
OCULON_IPP_ENTRY(ippsCopy_32f, (const Ipp32f* pSrc, Ipp32f* pDst, int len));
OCULON_IPP_ENTRY(ippsCopy_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsMove_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsMove_8u, (const Ipp8u* pSrc, Ipp8u* pDst, int len));

OCULON_IPP_ENTRY(ippsConvert_32f64f, (const Ipp32f* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsConvert_32s64f, (const Ipp32s* pSrc, Ipp64f* pDst, int len));
// Rounds to the nearest float.
OCULON_IPP_ENTRY(ippsConvert_32s32f, (const Ipp32s* pSrc, Ipp32f* pDst, int len));
// Values beyond the float range saturate to -FLT_MAX / FLT_MAX; NaN stays NaN.
OCULON_IPP_ENTRY(ippsConvert_64f32f, (const Ipp64f* pSrc, Ipp32f* pDst, int len));

// Built-in bodies that no dispatcher binds; other bodies call them directly.
IppStatus _px_ippsZero_16sc(Ipp16sc* pDst, int len);
IppStatus _px_ippsCopy_16sc(const Ipp16sc* pSrc, Ipp16sc* pDst, int len);
IppStatus _px_ippsCopy_32s(const Ipp32s* pSrc, Ipp32s* pDst, int len);

}  // namespace oculon::primitives
