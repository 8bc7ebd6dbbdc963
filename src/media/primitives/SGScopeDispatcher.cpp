#include "media/primitives/Binding.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/SignalStatistics.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

namespace {

// Declaration order.
constexpr EntryPoint kEntries[] = {
    OCULON_BIND(ippiSet_8u_C4R),    OCULON_BIND(ippsConvert_64f32f),     OCULON_BIND(ippsConvert_64f32s_Sfs),
    OCULON_BIND(ippsMove_8u),       OCULON_BIND(ippsSubCRev_32s_ISfs),   OCULON_BIND(ippsSubCRev_64f_I),
    OCULON_BIND(ippsSubCRev_32f_I), OCULON_BIND(ippsThreshold_LT_32s_I), OCULON_BIND(ippsThreshold_GT_32s_I),
};

}  // namespace

std::span<const EntryPoint> sgScopeEntries() { return kEntries; }

}  // namespace oculon::primitives
