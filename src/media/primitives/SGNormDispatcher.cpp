#include "media/primitives/Binding.h"
#include "media/primitives/ComplexNorm.h"

namespace oculon::primitives {

namespace {

constexpr EntryPoint kEntries[] = {
    OCULON_BIND(ippsNorm_L2_64fc64f),
};

}  // namespace

std::span<const EntryPoint> sgNormEntries() { return kEntries; }

}  // namespace oculon::primitives
