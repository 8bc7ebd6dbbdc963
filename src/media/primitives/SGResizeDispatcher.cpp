#include "media/primitives/Binding.h"

namespace oculon::primitives {

// Binds, in this order, once their bodies exist: ippiResize_8u_C3R, ippiResize_8u_C4R, ippiResize_8u_C1R,
// ippiResize_16u_C1R, ippiResizeCenter_8u_C4R.
// They join as a table like the other dispatchers' (OCULON_BIND lines).
std::span<const EntryPoint> sgResizeEntries() { return {}; }

}  // namespace oculon::primitives
