#include "media/primitives/Binding.h"
#include "media/primitives/ColorTwist.h"

namespace oculon::primitives {

namespace {

constexpr EntryPoint kEntries[] = {
    OCULON_BIND(ippiColorTwist32f_8u_C3IR),
    OCULON_BIND(ippiColorTwist32f_8u_AC4IR),
};

}  // namespace

std::span<const EntryPoint> vdColorTwistEntries() { return kEntries; }

}  // namespace oculon::primitives
