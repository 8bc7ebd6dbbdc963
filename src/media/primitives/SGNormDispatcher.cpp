#include "media/primitives/Binding.h"

namespace oculon::primitives {

// Binds, in this order, once their bodies exist: ippsNorm_L2_64fc64f.
// They join as a table like the other dispatchers' (OCULON_BIND lines).
std::span<const EntryPoint> sgNormEntries() { return {}; }

}  // namespace oculon::primitives
