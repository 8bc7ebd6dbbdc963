#pragma once
// Complex vector helpers and element functions: copies and conjugates, the
// extension of a CCS spectrum to a full one, power, magnitude and phase,
// complex square and square root, and the moves between complex and real
// vectors. Every entry checks a null pointer (-8), then a length below 1 (-6).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// Fills elements lenDst/2 + 1 .. lenDst - 1 with the conjugates of the
// mirrored elements lenDst - i, from the first lenDst/2 + 1 present.
OCULON_IPP_ENTRY(ippsConjCcs_64fc_I, (Ipp64fc * pSrcDst, int lenDst));
// re x re + im x im, its square root, and atan2(im, re).
OCULON_IPP_ENTRY(ippsPowerSpectr_64fc, (const Ipp64fc* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsMagnitude_64fc, (const Ipp64fc* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsPhase_64fc, (const Ipp64fc* pSrc, Ipp64f* pDst, int len));
OCULON_IPP_ENTRY(ippsSqr_64fc, (const Ipp64fc* pSrc, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsSqr_64fc_I, (Ipp64fc * pSrcDst, int len));
// The principal square root.
OCULON_IPP_ENTRY(ippsSqrt_64fc, (const Ipp64fc* pSrc, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsSqrt_64fc_I, (Ipp64fc * pSrcDst, int len));
// Either source may be null and then counts as zeros; both null is -8.
OCULON_IPP_ENTRY(ippsRealToCplx_64f, (const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64fc* pDst, int len));
OCULON_IPP_ENTRY(ippsRealToCplx_32f, (const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32fc* pDst, int len));
OCULON_IPP_ENTRY(ippsReal_64fc, (const Ipp64fc* pSrc, Ipp64f* pDstRe, int len));
OCULON_IPP_ENTRY(ippsImag_64fc, (const Ipp64fc* pSrc, Ipp64f* pDstIm, int len));

// Built-in bodies that no dispatcher binds; the spectrum, correlation and
// statistics bodies call them directly. The copy does not look for overlap.
IppStatus _px_ippsCopy_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len);
IppStatus _px_ippsConj_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len);
IppStatus _px_ippsConj_64fc_I(Ipp64fc* pSrcDst, int len);

}  // namespace oculon::primitives
