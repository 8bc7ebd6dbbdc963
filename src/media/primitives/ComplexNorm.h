#pragma once
// The L2 norm of a vector of complex doubles. Tests: a null source or result
// pointer (-8), then a length below 1 (-6).

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippsNorm_L2_64fc64f, (const Ipp64fc* pSrc, int len, Ipp64f* pNorm));

}  // namespace oculon::primitives
