#include "media/primitives/AlphaComposition.h"
#include "media/primitives/Binding.h"
#include "media/primitives/ComplexVector.h"
#include "media/primitives/Correlation.h"
#include "media/primitives/FFT.h"
#include "media/primitives/FIRFilter.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageLUT.h"
#include "media/primitives/ImageMirror.h"
#include "media/primitives/ScaledArithmetic.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/SignalElementFunctions.h"
#include "media/primitives/SignalGenerators.h"
#include "media/primitives/SignalStatistics.h"
#include "media/primitives/SignalWindows.h"
#include "media/primitives/VectorFillCopy.h"
#include "media/primitives/VectorLogic.h"

namespace oculon::primitives {

IppStatus (*ippsSVD_64f_D2L)() = nullptr;

namespace {

// Declaration order, family by family.
constexpr EntryPoint kEntries[] = {
    // FFT
    OCULON_BIND(ippsFFTInitAlloc_C_64fc),
    OCULON_BIND(ippsFFTInitAlloc_R_64f),
    OCULON_BIND(ippsFFTFree_C_64fc),
    OCULON_BIND(ippsFFTFree_R_64f),
    OCULON_BIND(ippsFFTFwd_CToC_64fc),
    OCULON_BIND(ippsFFTInv_CToC_64fc),
    OCULON_BIND(ippsFFTFwd_RToCCS_64f),
    OCULON_BIND(ippsFFTInv_CCSToR_64f),
    // Windows
    OCULON_BIND(ippsWinBartlett_64f),
    OCULON_BIND(ippsWinBartlett_64f_I),
    OCULON_BIND(ippsWinBartlett_64fc_I),
    OCULON_BIND(ippsWinBlackman_64f),
    OCULON_BIND(ippsWinBlackman_64f_I),
    OCULON_BIND(ippsWinBlackman_64fc_I),
    OCULON_BIND(ippsWinHamming_64f),
    OCULON_BIND(ippsWinHamming_64f_I),
    OCULON_BIND(ippsWinHamming_64fc_I),
    OCULON_BIND(ippsWinHann_64f),
    OCULON_BIND(ippsWinHann_64f_I),
    OCULON_BIND(ippsWinHann_64fc_I),
    OCULON_BIND(ippsWinKaiser_64f),
    OCULON_BIND(ippsWinKaiser_64f_I),
    OCULON_BIND(ippsWinKaiser_64fc_I),
    // Correlation and convolution
    OCULON_BIND(ippsConv_64f),
    OCULON_BIND(ippsAutoCorr_64f),
    OCULON_BIND(ippsAutoCorr_NormA_64f),
    OCULON_BIND(ippsAutoCorr_NormB_64f),
    OCULON_BIND(ippsCrossCorr_64f),
    OCULON_BIND(ippsAutoCorr_64fc),
    OCULON_BIND(ippsAutoCorr_NormA_64fc),
    OCULON_BIND(ippsAutoCorr_NormB_64fc),
    OCULON_BIND(ippsCrossCorr_64fc),
    // Statistics, norms and dot products
    OCULON_BIND(ippsMean_64f),
    OCULON_BIND(ippsMean_32f),
    OCULON_BIND(ippsStdDev_64f),
    OCULON_BIND(ippsSum_64f),
    OCULON_BIND(ippsMin_64f),
    OCULON_BIND(ippsMax_64f),
    OCULON_BIND(ippsMinIndx_64f),
    OCULON_BIND(ippsMaxIndx_64f),
    OCULON_BIND(ippsNormDiff_L1_64f),
    OCULON_BIND(ippsNormDiff_L2_64f),
    OCULON_BIND(ippsNormDiff_Inf_64f),
    OCULON_BIND(ippsDotProd_64f),
    OCULON_BIND(ippsDotProd_64fc),
    OCULON_BIND(ippsDotProd_32s_Sfs),
    // Normalization and threshold
    OCULON_BIND(ippsNormalize_32f),
    OCULON_BIND(ippsNormalize_64f),
    OCULON_BIND(ippsNormalize_64fc),
    OCULON_BIND(ippsThreshold_32f_I),
    OCULON_BIND(ippsThreshold_64f),
    OCULON_BIND(ippsThreshold_64f_I),
    OCULON_BIND(ippsThreshold_64fc),
    OCULON_BIND(ippsThreshold_64fc_I),
    // Mathematical functions
    OCULON_BIND(ippsAbs_64f),
    OCULON_BIND(ippsAbs_64f_I),
    OCULON_BIND(ippsSqr_64f),
    OCULON_BIND(ippsSqr_64f_I),
    OCULON_BIND(ippsSqrt_64f),
    OCULON_BIND(ippsSqrt_64f_I),
    OCULON_BIND(ippsExp_64f),
    OCULON_BIND(ippsExp_64f_I),
    OCULON_BIND(ippsLn_64f),
    OCULON_BIND(ippsLn_64f_I),
    OCULON_BIND(ippsSqr_64fc),
    OCULON_BIND(ippsSqr_64fc_I),
    OCULON_BIND(ippsSqrt_64fc),
    OCULON_BIND(ippsSqrt_64fc_I),
    // Complex element functions
    OCULON_BIND(ippsConjCcs_64fc_I),
    OCULON_BIND(ippsPowerSpectr_64fc),
    OCULON_BIND(ippsPhase_64fc),
    OCULON_BIND(ippsMagnitude_64fc),
    OCULON_BIND(ippsRealToCplx_64f),
    OCULON_BIND(ippsRealToCplx_32f),
    OCULON_BIND(ippsReal_64fc),
    OCULON_BIND(ippsImag_64fc),
    // Arithmetic
    OCULON_BIND(ippsSub_32f_I),
    OCULON_BIND(ippsMulC_32f_I),
    OCULON_BIND(ippsMul_32f_I),
    OCULON_BIND(ippsMul_32f),
    OCULON_BIND(ippsAdd_64f),
    OCULON_BIND(ippsAdd_64f_I),
    OCULON_BIND(ippsAddC_64f),
    OCULON_BIND(ippsAddC_64f_I),
    OCULON_BIND(ippsSub_64f_I),
    OCULON_BIND(ippsSubC_64f),
    OCULON_BIND(ippsSubC_64f_I),
    OCULON_BIND(ippsSubCRev_64f),
    OCULON_BIND(ippsMul_64f),
    OCULON_BIND(ippsMul_64f_I),
    OCULON_BIND(ippsMulC_64f),
    OCULON_BIND(ippsMulC_64f_I),
    OCULON_BIND(ippsDiv_64f_I),
    OCULON_BIND(ippsDivC_64f),
    OCULON_BIND(ippsDivC_64f_I),
    OCULON_BIND(ippsAdd_64fc),
    OCULON_BIND(ippsAdd_64fc_I),
    OCULON_BIND(ippsAddC_64fc),
    OCULON_BIND(ippsAddC_64fc_I),
    OCULON_BIND(ippsSub_64fc_I),
    OCULON_BIND(ippsSubC_64fc),
    OCULON_BIND(ippsSubC_64fc_I),
    OCULON_BIND(ippsSubCRev_64fc),
    OCULON_BIND(ippsMul_64fc_I),
    OCULON_BIND(ippsMulC_64fc),
    OCULON_BIND(ippsMulC_64fc_I),
    OCULON_BIND(ippsDiv_64fc_I),
    OCULON_BIND(ippsDivC_64fc),
    OCULON_BIND(ippsDivC_64fc_I),
    OCULON_BIND(ippsAdd_32s_ISfs),
    OCULON_BIND(ippsAddC_32s_ISfs),
    OCULON_BIND(ippsAddC_32s_Sfs),
    OCULON_BIND(ippsSub_32s_ISfs),
    OCULON_BIND(ippsSubC_32s_ISfs),
    OCULON_BIND(ippsSubC_32s_Sfs),
    OCULON_BIND(ippsSubCRev_32s_Sfs),
    OCULON_BIND(ippsMul_32s_ISfs),
    OCULON_BIND(ippsMulC_32s_ISfs),
    OCULON_BIND(ippsMulC_32s_Sfs),
    OCULON_BIND(ippsDiv_32s_ISfs),
    OCULON_BIND(ippsAdd_8u_ISfs),
    OCULON_BIND(ippsSub_8u_ISfs),
    OCULON_BIND(ippsMul_8u_ISfs),
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
    // Conversion and byte order
    OCULON_BIND(ippsConvert_16s64f_Sfs),
    OCULON_BIND(ippsConvert_32f64f),
    OCULON_BIND(ippsConvert_64f32f),
    OCULON_BIND(ippsConvert_64f32s_Sfs),
    OCULON_BIND(ippsConvert_32s64f),
    OCULON_BIND(ippsConvert_32f32s_Sfs),
    OCULON_BIND(ippsConvert_32s32f),
    OCULON_BIND(ippsSwapBytes_16u),
    OCULON_BIND(ippsSwapBytes_24u),
    OCULON_BIND(ippsSwapBytes_32u),
    OCULON_BIND(ippsSwapBytes_32u_I),
    // Signal generation
    OCULON_BIND(ippsVectorJaehne_64f),
    OCULON_BIND(ippsRandUniform_Direct_64f),
    // FIR filter
    OCULON_BIND(ippsFIRInitAlloc_64f),
    OCULON_BIND(ippsFIR_64f),
    OCULON_BIND(ippsFIRFree_64f),
    // Image helpers
    OCULON_BIND(ippiMirror_8u_C3IR),
    OCULON_BIND(ippiMirror_8u_C3R),
    OCULON_BIND(ippiMirror_8u_C4R),
    OCULON_BIND(ippiCopy_32s_C1R),
    OCULON_BIND(ippiCopy_8u_C4R),
    OCULON_BIND(ippiSet_8u_C4R),
    OCULON_BIND(ippiAlphaComp_8u_AC4R),
    OCULON_BIND(ippiLUT_Linear_8u_C4R),
    // Without body: looked up in the image libraries, null when absent.
    bindEntry<ippsSVD_64f_D2L, nullptr>("ippsSVD_64f_D2L", Loader::Image),
};

}  // namespace

std::span<const EntryPoint> sgBasicEntries() { return kEntries; }

}  // namespace oculon::primitives
