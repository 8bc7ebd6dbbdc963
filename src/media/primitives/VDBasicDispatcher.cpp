#include "media/primitives/Binding.h"
#include "media/primitives/ColorTwist.h"
#include "media/primitives/ColourConversion.h"
#include "media/primitives/ConstantAlphaComposition.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageLogic.h"
#include "media/primitives/ImageStatistics.h"
#include "media/primitives/SampleDivision.h"
#include "media/primitives/ScaledConstantArithmetic.h"
#include "media/primitives/ScaledImageArithmetic.h"
#include "media/primitives/SeparableFilters.h"
#include "media/primitives/SobelFilters.h"
#include "media/primitives/WienerFilter.h"
#include "media/primitives/ImageMirror.h"
#include "media/primitives/VectorLogic.h"

namespace oculon::primitives {

namespace {

// Declaration order, family by family. ippsSwapBytes_16u_I is the one name
// looked up in the signal library.
constexpr EntryPoint kEntries[] = {
    // Copy, channel copy, set, mirror, channel swap
    OCULON_BIND(ippiCopy_8u_C1C3R), OCULON_BIND(ippiCopy_8u_C1C4R), OCULON_BIND(ippiCopy_8u_C3C1R),
    OCULON_BIND(ippiCopy_8u_C4C1R), OCULON_BIND(ippiCopy_8u_C3AC4R), OCULON_BIND(ippiCopy_8u_AC4C3R),
    OCULON_BIND(ippiCopy_8u_P3C3R), OCULON_BIND(ippiSet_8u_C3R), OCULON_BIND(ippiSet_8u_C3CR),
    OCULON_BIND(ippiSet_8u_AC4R), OCULON_BIND(ippiSet_8u_C4CR), OCULON_BIND(ippiMirror_8u_C1R),
    OCULON_BIND(ippiMirror_16u_C1R), OCULON_BIND(ippiSwapChannels_8u_C3IR), OCULON_BIND(ippiSwapChannels_8u_C3R),
    OCULON_BIND(ippsSwapBytes_16u_I), OCULON_BIND(ippiCopy_8u_C3R), OCULON_BIND(ippiCopy_8u_AC4R),
    OCULON_BIND(ippiCopy_8u_C4CR), OCULON_BIND(ippiSet_8u_C1R), OCULON_BIND(ippiMirror_8u_C3IR),
    OCULON_BIND(ippiMirror_8u_C4IR), OCULON_BIND(ippiMirror_8u_AC4R), OCULON_BIND(ippiMirror_8u_AC4IR),
    OCULON_BIND(ippiMirror_8u_C1IR), OCULON_BIND(ippiSwapChannels_8u_AC4R),
    // Colour conversions
    OCULON_BIND(ippiYUV422ToRGB_8u_C2C3R), OCULON_BIND(ippiRGBToYUV422_8u_C3C2R),
    OCULON_BIND(ippiYCbCr420ToRGB_8u_P3C3R), OCULON_BIND(ippiRGBToYCbCr420_8u_C3P3R),
    OCULON_BIND(ippiYCbCr420ToRGB555_8u16u_P3C3R), OCULON_BIND(ippiYCbCr420ToRGB565_8u16u_P3C3R),
    OCULON_BIND(ippiColorToGray_8u_C3C1R), OCULON_BIND(ippiColorToGray_8u_AC4C1R),
    OCULON_BIND(ippiYUV420ToRGB_8u_P3C3R), OCULON_BIND(ippiColorTwist32f_8u_C3R),
    // Statistics
    OCULON_BIND(ippiMax_8u_C1R),
    // Scaled arithmetic of two images
    OCULON_BIND(ippiAdd_8u_C3IRSfs), OCULON_BIND(ippiAdd_8u_AC4IRSfs), OCULON_BIND(ippiSub_8u_C3IRSfs),
    OCULON_BIND(ippiSub_8u_AC4IRSfs), OCULON_BIND(ippiMul_8u_C3IRSfs), OCULON_BIND(ippiMul_8u_AC4IRSfs),
    OCULON_BIND(ippiDiv_8u_C3IRSfs), OCULON_BIND(ippiDiv_8u_AC4IRSfs), OCULON_BIND(ippiAdd_8u_C3RSfs),
    OCULON_BIND(ippiAdd_8u_C4RSfs), OCULON_BIND(ippiAdd_8u_AC4RSfs), OCULON_BIND(ippiAdd_8u_C1RSfs),
    OCULON_BIND(ippiAdd_16u_C1RSfs), OCULON_BIND(ippiSub_8u_C3RSfs), OCULON_BIND(ippiSub_8u_AC4RSfs),
    OCULON_BIND(ippiSub_8u_C1RSfs), OCULON_BIND(ippiSub_16u_C1RSfs), OCULON_BIND(ippiMul_8u_C3RSfs),
    OCULON_BIND(ippiMul_8u_AC4RSfs), OCULON_BIND(ippiMul_8u_C1RSfs), OCULON_BIND(ippiMul_16u_C1RSfs),
    OCULON_BIND(ippiDiv_8u_C3RSfs), OCULON_BIND(ippiDiv_8u_AC4RSfs), OCULON_BIND(ippiDiv_8u_C1RSfs),
    OCULON_BIND(ippiDiv_16s_C1RSfs),
    // Scaled constant arithmetic and squaring
    OCULON_BIND(ippiAddC_8u_C3IRSfs), OCULON_BIND(ippiAddC_8u_AC4IRSfs), OCULON_BIND(ippiAddC_8u_C4IRSfs),
    OCULON_BIND(ippiSubC_8u_C3IRSfs), OCULON_BIND(ippiSubC_8u_C4IRSfs), OCULON_BIND(ippiMulC_8u_C3IRSfs),
    OCULON_BIND(ippiMulC_8u_AC4IRSfs), OCULON_BIND(ippiMulC_8u_C4IRSfs), OCULON_BIND(ippiDivC_8u_C3IRSfs),
    OCULON_BIND(ippiDivC_8u_C4IRSfs), OCULON_BIND(ippiDivC_8u_AC4IRSfs), OCULON_BIND(ippiSqr_8u_C3IRSfs),
    OCULON_BIND(ippiSqr_8u_AC4IRSfs), OCULON_BIND(ippiSqr_8u_C3RSfs), OCULON_BIND(ippiSqr_8u_AC4RSfs),
    // Logic, shifts, absolute difference and scaled products
    OCULON_BIND(ippiAnd_8u_C3IR), OCULON_BIND(ippiAnd_8u_C1IR), OCULON_BIND(ippiAnd_16u_C1IR),
    OCULON_BIND(ippiAnd_8u_AC4IR), OCULON_BIND(ippiOr_8u_C3IR), OCULON_BIND(ippiOr_8u_C1IR),
    OCULON_BIND(ippiOr_16u_C1IR), OCULON_BIND(ippiOr_8u_AC4IR), OCULON_BIND(ippiXor_8u_C3IR),
    OCULON_BIND(ippiXor_8u_C1IR), OCULON_BIND(ippiXor_16u_C1IR), OCULON_BIND(ippiXor_8u_AC4IR),
    OCULON_BIND(ippiNot_8u_C3IR), OCULON_BIND(ippiNot_8u_AC4IR), OCULON_BIND(ippiNot_8u_C3R),
    OCULON_BIND(ippiNot_8u_AC4R), OCULON_BIND(ippiAndC_8u_C3IR), OCULON_BIND(ippiAndC_8u_C4IR),
    OCULON_BIND(ippiAndC_8u_AC4IR), OCULON_BIND(ippiOrC_8u_C3IR), OCULON_BIND(ippiOrC_8u_AC4IR),
    OCULON_BIND(ippiOrC_8u_C4IR), OCULON_BIND(ippiXorC_8u_C3IR), OCULON_BIND(ippiXorC_8u_AC4IR),
    OCULON_BIND(ippiXorC_8u_C4IR), OCULON_BIND(ippiLShiftC_8u_C3IR), OCULON_BIND(ippiLShiftC_8u_AC4IR),
    OCULON_BIND(ippiLShiftC_8u_C4IR), OCULON_BIND(ippiRShiftC_8u_C3IR), OCULON_BIND(ippiRShiftC_8u_C4IR),
    OCULON_BIND(ippiRShiftC_8u_AC4IR), OCULON_BIND(ippiAbsDiff_8u_C1R), OCULON_BIND(ippiAbsDiff_16u_C1R),
    OCULON_BIND(ippiMulCScale_8u_C3IR), OCULON_BIND(ippiMulCScale_8u_AC4IR), OCULON_BIND(ippiMulCScale_8u_C4IR),
    OCULON_BIND(ippiMulScale_8u_C1IR), OCULON_BIND(ippiMulScale_16u_C1IR), OCULON_BIND(ippiMulScale_8u_C3IR),
    OCULON_BIND(ippiMulScale_8u_AC4IR), OCULON_BIND(ippiAnd_8u_C4IR), OCULON_BIND(ippiOr_8u_C4IR),
    OCULON_BIND(ippiXor_8u_C4IR), OCULON_BIND(ippiNot_8u_C4IR), OCULON_BIND(ippiAnd_8u_C3R),
    OCULON_BIND(ippiAnd_8u_AC4R), OCULON_BIND(ippiAnd_8u_C1R), OCULON_BIND(ippiAnd_16u_C1R), OCULON_BIND(ippiOr_8u_C3R),
    OCULON_BIND(ippiOr_8u_AC4R), OCULON_BIND(ippiOr_8u_C1R), OCULON_BIND(ippiOr_16u_C1R), OCULON_BIND(ippiXor_8u_C3R),
    OCULON_BIND(ippiXor_8u_AC4R), OCULON_BIND(ippiXor_8u_C1R), OCULON_BIND(ippiXor_16u_C1R),
    OCULON_BIND(ippiAndC_8u_C3R), OCULON_BIND(ippiOrC_8u_C3R), OCULON_BIND(ippiXorC_8u_C3R),
    OCULON_BIND(ippiLShiftC_8u_C3R), OCULON_BIND(ippiRShiftC_8u_C3R), OCULON_BIND(ippiAbsDiffC_8u_C1R),
    OCULON_BIND(ippiMulCScale_8u_C1IR), OCULON_BIND(ippiMulCScale_16u_C1IR), OCULON_BIND(ippiMulCScale_8u_C1R),
    OCULON_BIND(ippiMulCScale_16u_C1R), OCULON_BIND(ippiMulCScale_8u_C3R), OCULON_BIND(ippiMulCScale_8u_C4R),
    OCULON_BIND(ippiMulScale_8u_C4IR),
    // Alpha composition with a constant alpha
    OCULON_BIND(ippiAlphaCompC_8u_C3R), OCULON_BIND(ippiAlphaCompC_8u_C1R), OCULON_BIND(ippiAlphaCompC_16u_C1R),
    OCULON_BIND(ippiAlphaCompC_8u_C4R),
    // Separable filters and weighted accumulation
    OCULON_BIND(ippiFilterColumn32f_8u_C3R), OCULON_BIND(ippiFilterColumn32f_8u_C4R),
    OCULON_BIND(ippiFilterColumn32f_8u_C1R), OCULON_BIND(ippiFilterColumn32f_16s_C1R),
    OCULON_BIND(ippiFilterRow32f_8u_C3R), OCULON_BIND(ippiFilterRow32f_8u_C4R), OCULON_BIND(ippiFilterRow32f_8u_C1R),
    OCULON_BIND(ippiFilterRow32f_16s_C1R), OCULON_BIND(ippiAddWeighted_8u32f_C1IR),
    OCULON_BIND(ippiAddWeighted_16u32f_C1IR),
    // Wiener filter
    OCULON_BIND(ippiFilterWiener_8u_C3R), OCULON_BIND(ippiFilterWiener_8u_AC4R), OCULON_BIND(ippiFilterWiener_8u_C1R),
    OCULON_BIND(ippiFilterWiener_32f_C1R), OCULON_BIND(ippiFilterWienerGetBufferSize),
    // Sobel filters with border
    OCULON_BIND(ippiFilterSobelHorizBorder_8u16s_C1R), OCULON_BIND(ippiFilterSobelVertBorder_8u16s_C1R),
    OCULON_BIND(ippiFilterSobelHorizGetBufferSize_8u16s_C1R), OCULON_BIND(ippiFilterSobelVertGetBufferSize_8u16s_C1R)};

}  // namespace

std::span<const EntryPoint> vdBasicEntries() { return kEntries; }

}  // namespace oculon::primitives
