#pragma once
// The scope dispatcher's own entry points: names that the basic dispatcher
// binds too, held in variables of their own whose bodies differ.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives::scope {

// Double to float: values inside the float range are rounded, values at or
// above FLT_MAX give FLT_MAX, and every other value, NaN included, gives
// -FLT_MAX (where the basic conversion keeps NaN).
OCULON_IPP_ENTRY(ippsConvert_64f32f, (const Ipp64f* pSrc, Ipp32f* pDst, int len));

}  // namespace oculon::primitives::scope
