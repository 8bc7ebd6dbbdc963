#pragma once
// The argument checks that every vector entry point makes before it touches
// memory, in their fixed order: a null pointer (-8) before a length below 1
// (-6). Entries with checks of their own (a zero divisor, a shift count) make
// them after these.

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

template <typename... Ptr>
constexpr IppStatus checkVector(int len, const Ptr*... ptrs) {
    if ((!ptrs || ...)) return ippStsNullPtrErr;
    return len < 1 ? ippStsSizeErr : ippStsNoErr;
}

}  // namespace oculon::primitives
