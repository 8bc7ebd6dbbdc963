#pragma once
// The two 32-bit integer divisions by a constant that the sample buffers call
// directly (not through an entry point). The quotient is truncated toward
// zero; scaleFactor is accepted and not applied. They return nothing.

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

// A divisor of 0, a null pointer or a length below 1 leaves everything as it
// is; the one quotient that does not fit, INT32_MIN / -1, saturates to
// INT32_MAX.
void ippsDivC_32s_ISfs(Ipp32s val, Ipp32s* pSrcDst, int len, int scaleFactor);
void ippsDivC_32s_Sfs(const Ipp32s* pSrc, Ipp32s val, Ipp32s* pDst, int len, int scaleFactor);

}  // namespace oculon::primitives
