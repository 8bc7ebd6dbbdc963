#pragma once
// Element-wise arithmetic on vectors of doubles, floats and complex doubles,
// with a second vector or a constant. A sum, difference or product of two
// elements is rounded once, straight from the exact result; longer formulas
// (complex products and quotients, reciprocals) run in extended precision.
// Every entry checks a null pointer (-8), then a length below 1 (-6).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippsSub_32f_I, (const Ipp32f* pSrc, Ipp32f* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsMul_32f_I, (const Ipp32f* pSrc, Ipp32f* pSrcDst, int len));
// val 1.0 leaves the vector as it is, val 0.0 zero-fills it; NaN multiplies.
OCULON_IPP_ENTRY(ippsMulC_32f_I, (Ipp32f val, Ipp32f* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsMul_32f, (const Ipp32f* pSrc1, const Ipp32f* pSrc2, Ipp32f* pDst, int len));
OCULON_IPP_ENTRY(ippsSubCRev_32f_I, (Ipp32f val, Ipp32f* pSrcDst, int len));

OCULON_IPP_ENTRY(ippsAdd_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsAdd_64f_I, (const Ipp64f* pSrc, Ipp64f* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsAddC_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsAddC_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsSub_64f_I, (const Ipp64f* pSrc, Ipp64f* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsSubC_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsSubC_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len));
// val - element.
OCULON_IPP_ENTRY(ippsSubCRev_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsSubCRev_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsMul_64f, (const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsMul_64f_I, (const Ipp64f* pSrc, Ipp64f* pSrcDst, int len));
// val 1.0 copies, val 0.0 writes +0.0 everywhere.
OCULON_IPP_ENTRY(ippsMulC_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsMulC_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len));
// pSrcDst / pSrc. A zero divisor gives +-infinity by the dividend's sign, or
// NaN for a zero dividend, and the call returns ippStsDivByZero.
OCULON_IPP_ENTRY(ippsDiv_64f_I, (const Ipp64f* pSrc, Ipp64f* pSrcDst, int len));
// Multiplies by the reciprocal of val; val 0.0 gives ippStsDivByZeroErr.
OCULON_IPP_ENTRY(ippsDivC_64f, (const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsDivC_64f_I, (Ipp64f val, Ipp64f* pSrcDst, int len));

// The complex sums check the length before the pointers.
OCULON_IPP_ENTRY(ippsAdd_64fc, (const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsAdd_64fc_I, (const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsSub_64fc_I, (const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsAddC_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsAddC_64fc_I, (Ipp64fc val, Ipp64fc* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsSubC_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsSubC_64fc_I, (Ipp64fc val, Ipp64fc* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsSubCRev_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsMul_64fc_I, (const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len));
OCULON_IPP_ENTRY(ippsMulC_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsMulC_64fc_I, (Ipp64fc val, Ipp64fc* pSrcDst, int len));
// pSrcDst / pSrc; a zero divisor gives NaN in both parts and ippStsDivByZero.
OCULON_IPP_ENTRY(ippsDiv_64fc_I, (const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len));
// A zero val gives ippStsDivByZeroErr and writes nothing.
OCULON_IPP_ENTRY(ippsDivC_64fc, (const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsDivC_64fc_I, (Ipp64fc val, Ipp64fc* pSrcDst, int len));

// Built-in bodies that no dispatcher binds: pSrc2 / pSrc1, run by the
// in-place forms.
IppStatus _px_ippsDiv_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len);
IppStatus _px_ippsDiv_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len);

}  // namespace oculon::primitives
