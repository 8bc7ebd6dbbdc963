#pragma once
// The correlation and convolution primitives arrive with the FFT primitives.
// Until this build has them, stand-ins of the same names write nothing and
// answer kSGNotAvailable, which the buffers pass on.

#include "media/primitives/IppDefs.h"

#if __has_include("media/primitives/Correlation.h")
#include "media/primitives/Correlation.h"
#define OCULON_SG_HAS_CORRELATION 1
#else
#define OCULON_SG_HAS_CORRELATION 0
namespace oculon::primitives::seam {
inline constexpr IppStatus kSGNotAvailable = -9999;
template <class... Args>
IppStatus notAvailable(Args...) {
    return kSGNotAvailable;
}
}  // namespace oculon::primitives::seam
namespace oculon::primitives {
inline constexpr auto ippsAutoCorr_64f = seam::notAvailable<const Ipp64f*, int, Ipp64f*, int>;
inline constexpr auto ippsAutoCorr_NormA_64f = seam::notAvailable<const Ipp64f*, int, Ipp64f*, int>;
inline constexpr auto ippsAutoCorr_NormB_64f = seam::notAvailable<const Ipp64f*, int, Ipp64f*, int>;
inline constexpr auto ippsAutoCorr_64fc = seam::notAvailable<const Ipp64fc*, int, Ipp64fc*, int>;
inline constexpr auto ippsAutoCorr_NormA_64fc = seam::notAvailable<const Ipp64fc*, int, Ipp64fc*, int>;
inline constexpr auto ippsAutoCorr_NormB_64fc = seam::notAvailable<const Ipp64fc*, int, Ipp64fc*, int>;
inline constexpr auto ippsCrossCorr_64f = seam::notAvailable<const Ipp64f*, int, const Ipp64f*, int, Ipp64f*, int, int>;
inline constexpr auto ippsCrossCorr_64fc =
    seam::notAvailable<const Ipp64fc*, int, const Ipp64fc*, int, Ipp64fc*, int, int>;
inline constexpr auto ippsConv_64f = seam::notAvailable<const Ipp64f*, int, const Ipp64f*, int, Ipp64f*>;
}  // namespace oculon::primitives
#endif
