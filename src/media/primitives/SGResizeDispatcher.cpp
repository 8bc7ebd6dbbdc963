#include "media/primitives/Binding.h"
#include "media/primitives/ImageResize.h"

namespace oculon::primitives {

namespace {

constexpr EntryPoint kEntries[] = {
    OCULON_BIND(ippiResize_8u_C3R),  OCULON_BIND(ippiResize_8u_C4R),       OCULON_BIND(ippiResize_8u_C1R),
    OCULON_BIND(ippiResize_16u_C1R), OCULON_BIND(ippiResizeCenter_8u_C4R),
};

}  // namespace

std::span<const EntryPoint> sgResizeEntries() { return kEntries; }

}  // namespace oculon::primitives
