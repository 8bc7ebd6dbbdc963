#include "media/primitives/SGScopeDispatcher.h"

#include <cfloat>

#include "media/primitives/Binding.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/SignalStatistics.h"
#include "media/primitives/VectorChecks.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

namespace scope {

IppStatus _px_ippsConvert_64f32f(const Ipp64f* pSrc, Ipp32f* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    constexpr double kMax = FLT_MAX;
    for (int i = 0; i < len; ++i) {
        const double v = pSrc[i];
        if (v > -kMax && v < kMax) pDst[i] = static_cast<float>(v);
        else pDst[i] = v >= kMax ? FLT_MAX : -FLT_MAX;
    }
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsConvert_64f32f);

}  // namespace scope

namespace {

// Declaration order.
constexpr EntryPoint kEntries[] = {
    OCULON_BIND(ippiSet_8u_C4R),
    bindEntry<scope::ippsConvert_64f32f, &scope::_px_ippsConvert_64f32f>("ippsConvert_64f32f", Loader::Signal),
    OCULON_BIND(ippsConvert_64f32s_Sfs),
    OCULON_BIND(ippsMove_8u),
    OCULON_BIND(ippsSubCRev_32s_ISfs),
    OCULON_BIND(ippsSubCRev_64f_I),
    OCULON_BIND(ippsSubCRev_32f_I),
    OCULON_BIND(ippsThreshold_LT_32s_I),
    OCULON_BIND(ippsThreshold_GT_32s_I),
};

}  // namespace

std::span<const EntryPoint> sgScopeEntries() { return kEntries; }

}  // namespace oculon::primitives
