#include "media/primitives/Binding.h"
#include "media/primitives/ColorTwist.h"
#include "media/primitives/ColourConversion.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageMirror.h"
#include "media/primitives/VectorLogic.h"

namespace oculon::primitives {

namespace {

// Declaration order, family by family. ippsSwapBytes_16u_I is the one name
// looked up in the signal library.
constexpr EntryPoint kEntries[] = {
    // Copy, channel copy, set, mirror, channel swap
    OCULON_BIND(ippiCopy_8u_C1C3R),   OCULON_BIND(ippiCopy_8u_C1C4R),        OCULON_BIND(ippiCopy_8u_C3C1R),
    OCULON_BIND(ippiCopy_8u_C4C1R),   OCULON_BIND(ippiCopy_8u_C3AC4R),       OCULON_BIND(ippiCopy_8u_AC4C3R),
    OCULON_BIND(ippiCopy_8u_P3C3R),   OCULON_BIND(ippiSet_8u_C3R),           OCULON_BIND(ippiSet_8u_C3CR),
    OCULON_BIND(ippiSet_8u_AC4R),     OCULON_BIND(ippiSet_8u_C4CR),          OCULON_BIND(ippiMirror_8u_C1R),
    OCULON_BIND(ippiMirror_16u_C1R),  OCULON_BIND(ippiSwapChannels_8u_C3IR), OCULON_BIND(ippiSwapChannels_8u_C3R),
    OCULON_BIND(ippsSwapBytes_16u_I), OCULON_BIND(ippiCopy_8u_C3R),          OCULON_BIND(ippiCopy_8u_AC4R),
    OCULON_BIND(ippiCopy_8u_C4CR),    OCULON_BIND(ippiSet_8u_C1R),           OCULON_BIND(ippiMirror_8u_C3IR),
    OCULON_BIND(ippiMirror_8u_C4IR),  OCULON_BIND(ippiMirror_8u_AC4R),       OCULON_BIND(ippiMirror_8u_AC4IR),
    OCULON_BIND(ippiMirror_8u_C1IR),  OCULON_BIND(ippiSwapChannels_8u_AC4R),
    // Colour conversions
    OCULON_BIND(ippiYUV422ToRGB_8u_C2C3R), OCULON_BIND(ippiRGBToYUV422_8u_C3C2R),
    OCULON_BIND(ippiYCbCr420ToRGB_8u_P3C3R), OCULON_BIND(ippiRGBToYCbCr420_8u_C3P3R),
    OCULON_BIND(ippiYCbCr420ToRGB555_8u16u_P3C3R), OCULON_BIND(ippiYCbCr420ToRGB565_8u16u_P3C3R),
    OCULON_BIND(ippiColorToGray_8u_C3C1R), OCULON_BIND(ippiColorToGray_8u_AC4C1R),
    OCULON_BIND(ippiYUV420ToRGB_8u_P3C3R), OCULON_BIND(ippiColorTwist32f_8u_C3R),
    // Statistics
    // Scaled arithmetic of two images
    // Scaled constant arithmetic and squaring
    // Logic, shifts, absolute difference and scaled products
    // Alpha composition with a constant alpha
    // Separable filters and weighted accumulation
    // Wiener filter
    // Sobel filters with border
};

}  // namespace

std::span<const EntryPoint> vdBasicEntries() { return kEntries; }

}  // namespace oculon::primitives
