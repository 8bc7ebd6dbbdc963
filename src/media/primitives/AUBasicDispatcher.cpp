#include "media/primitives/Binding.h"
#include "media/primitives/ImageCopy.h"

namespace oculon::primitives {

namespace {

// Declaration order (numbered as in the unit's list).
constexpr EntryPoint kEntries[] = {
    // 1-14: image-operand arithmetic, vector division, ippsSet_16s,
    // ippsConvert_8s16s, scalings
    OCULON_BIND(ippiSet_8u_C1R),   // 15
    OCULON_BIND(ippiSet_16s_C1R),  // 16
    // 17-47: ippiSet_32s_C1R, constant arithmetic
    OCULON_BIND(ippiCopy_8u_C1R),  // 48
    // 49-55: ippiCopy_16s_C1R, conversions, scalings
};

}  // namespace

std::span<const EntryPoint> auBasicEntries() { return kEntries; }

}  // namespace oculon::primitives
