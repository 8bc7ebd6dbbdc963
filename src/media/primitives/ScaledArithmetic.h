#pragma once
// Integer vector arithmetic with a scale factor: each exact result is
// multiplied by 2^-scaleFactor, rounded half to even and saturated to the
// element type. Also the 32-bit dot product and the conversions between
// integers and floating point that take a scale factor. Every entry checks a
// null pointer (-8), then a length below 1 (-6); overflow saturates.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippsAdd_32s_ISfs, (const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor));
// A val of 0 at scale factor 0 leaves the vector as it is.
OCULON_IPP_ENTRY(ippsAddC_32s_ISfs, (Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsAddC_32s_Sfs, (const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsSub_32s_ISfs, (const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsSubC_32s_ISfs, (Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsSubC_32s_Sfs, (const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor));
// val - element.
OCULON_IPP_ENTRY(ippsSubCRev_32s_Sfs, (const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsSubCRev_32s_ISfs, (Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsMul_32s_ISfs, (const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsMulC_32s_ISfs, (Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsMulC_32s_Sfs, (const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor));
// pSrcDst / pSrc. A zero divisor gives 0, INT32_MIN or INT32_MAX by the sign
// of the dividend, and the whole call returns the warning ippStsDivByZero.
OCULON_IPP_ENTRY(ippsDiv_32s_ISfs, (const Ipp32s* pSrc, Ipp32s* pSrcDst, int len, int scaleFactor));

OCULON_IPP_ENTRY(ippsAdd_8u_ISfs, (const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor));
// A negative difference counts as 0.
OCULON_IPP_ENTRY(ippsSub_8u_ISfs, (const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor));
OCULON_IPP_ENTRY(ippsMul_8u_ISfs, (const Ipp8u* pSrc, Ipp8u* pSrcDst, int len, int scaleFactor));

// The sum of the products, scaled, rounded half to even and saturated.
OCULON_IPP_ENTRY(ippsDotProd_32s_Sfs,
                 (const Ipp32s* pSrc1, const Ipp32s* pSrc2, int len, Ipp32s* pDp, int scaleFactor));

// rndMode ippRndNear rounds half to even, any other value truncates. Values
// beyond the 32-bit range saturate; NaN gives 0.
OCULON_IPP_ENTRY(ippsConvert_64f32s_Sfs,
                 (const Ipp64f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, int scaleFactor));
OCULON_IPP_ENTRY(ippsConvert_32f32s_Sfs,
                 (const Ipp32f* pSrc, Ipp32s* pDst, int len, IppRoundMode rndMode, int scaleFactor));
OCULON_IPP_ENTRY(ippsConvert_16s64f_Sfs, (const Ipp16s* pSrc, Ipp64f* pDst, int len, int scaleFactor));

// A built-in body that no dispatcher binds: pSrc2 / pSrc1 as
// ippsDiv_32s_ISfs, which runs it in place.
IppStatus _px_ippsDiv_32s_Sfs(const Ipp32s* pSrc1, const Ipp32s* pSrc2, Ipp32s* pDst, int len, int scaleFactor);

}  // namespace oculon::primitives
