#include "media/primitives/Binding.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

namespace {

// Declaration order. Still to come: ippsConvert_64f32s_Sfs, ippsMove_8u,
// ippsSubCRev_32s_ISfs, ippsSubCRev_64f_I, ippsSubCRev_32f_I,
// ippsThreshold_LT_32s_I, ippsThreshold_GT_32s_I.
constexpr EntryPoint kEntries[] = {
    OCULON_BIND(ippiSet_8u_C4R),
    OCULON_BIND(ippsConvert_64f32f),
};

}  // namespace

std::span<const EntryPoint> sgScopeEntries() { return kEntries; }

}  // namespace oculon::primitives
