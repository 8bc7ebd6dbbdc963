#include "media/primitives/Binding.h"

namespace oculon::primitives {

// Binds, in this order, once their bodies exist: ippiColorTwist32f_8u_C3IR, then ippiColorTwist32f_8u_AC4IR.
// They join as a table like the other dispatchers' (OCULON_BIND lines).
std::span<const EntryPoint> vdColorTwistEntries() { return {}; }

}  // namespace oculon::primitives
