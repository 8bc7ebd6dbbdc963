#include "media/primitives/Binding.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageLUT.h"
#include "media/primitives/ImageMirror.h"
#include "media/primitives/VectorFillCopy.h"
#include "media/primitives/VectorLogic.h"

namespace oculon::primitives {

IppStatus (*ippsSVD_64f_D2L)() = nullptr;

namespace {

// Declaration order, family by family; the families whose bodies are not
// built yet hold no lines.
constexpr EntryPoint kEntries[] = {
    // FFT
    // Windows
    // Correlation and convolution
    // Statistics, norms and dot products
    // Normalization and threshold
    // Mathematical functions
    // Complex element functions
    // Arithmetic
    // Logic and shifts
    OCULON_BIND(ippsAnd_32u_I),
    OCULON_BIND(ippsAndC_32u),
    OCULON_BIND(ippsAndC_32u_I),
    OCULON_BIND(ippsOr_32u_I),
    OCULON_BIND(ippsOrC_32u),
    OCULON_BIND(ippsOrC_32u_I),
    OCULON_BIND(ippsXor_32u_I),
    OCULON_BIND(ippsXorC_32u),
    OCULON_BIND(ippsXorC_32u_I),
    OCULON_BIND(ippsLShiftC_32s),
    OCULON_BIND(ippsLShiftC_32s_I),
    OCULON_BIND(ippsRShiftC_32s),
    OCULON_BIND(ippsRShiftC_32s_I),
    // Fill, zero, copy and move
    OCULON_BIND(ippsSet_8u),
    OCULON_BIND(ippsSet_32s),
    OCULON_BIND(ippsSet_32f),
    OCULON_BIND(ippsSet_64f),
    OCULON_BIND(ippsSet_64fc),
    OCULON_BIND(ippsZero_8u),
    OCULON_BIND(ippsZero_16s),
    OCULON_BIND(ippsZero_32s),
    OCULON_BIND(ippsZero_32f),
    OCULON_BIND(ippsZero_64f),
    OCULON_BIND(ippsZero_64fc),
    OCULON_BIND(ippsCopy_8u),
    OCULON_BIND(ippsCopy_32f),
    OCULON_BIND(ippsCopy_64f),
    OCULON_BIND(ippsMove_64f),
    // Conversion and byte order (ippsConvert_16s64f_Sfs first)
    OCULON_BIND(ippsConvert_32f64f),
    OCULON_BIND(ippsConvert_64f32f),
    // (ippsConvert_64f32s_Sfs)
    OCULON_BIND(ippsConvert_32s64f),
    // (ippsConvert_32f32s_Sfs)
    OCULON_BIND(ippsConvert_32s32f),
    OCULON_BIND(ippsSwapBytes_16u),
    OCULON_BIND(ippsSwapBytes_24u),
    OCULON_BIND(ippsSwapBytes_32u),
    OCULON_BIND(ippsSwapBytes_32u_I),
    // Signal generation
    // FIR filter
    // Image helpers
    OCULON_BIND(ippiMirror_8u_C3IR),
    OCULON_BIND(ippiMirror_8u_C3R),
    OCULON_BIND(ippiMirror_8u_C4R),
    OCULON_BIND(ippiCopy_32s_C1R),
    OCULON_BIND(ippiCopy_8u_C4R),
    OCULON_BIND(ippiSet_8u_C4R),
    // (ippiAlphaComp_8u_AC4R)
    OCULON_BIND(ippiLUT_Linear_8u_C4R),
    // Without body: looked up in the image libraries, null when absent.
    bindEntry<ippsSVD_64f_D2L, nullptr>("ippsSVD_64f_D2L", Loader::Image),
};

}  // namespace

std::span<const EntryPoint> sgBasicEntries() { return kEntries; }

}  // namespace oculon::primitives
