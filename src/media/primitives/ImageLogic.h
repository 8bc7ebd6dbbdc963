#pragma once
// Element-wise logic, shifts, absolute differences and products scaled to
// the full value, on 8-bit pixels (C1, C3, C4 all bytes alike, AC4 bytes 0-2
// with the destination's fourth byte never written) and 16-bit samples.
// Nothing saturates or rounds by a scale factor here. Routines declared as
// _px_ bodies have no entry point of their own; other routines call them.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// Two images, element by element: pDst = pSrc1 op pSrc2. In place, pSrcDst =
// pSrc op pSrcDst. C1, AC4 and 16-bit forms test pointers (-8), steps (-14),
// then the size (-6); the C3 and C4 forms test the size first.
OCULON_IPP_ENTRY(ippiAnd_8u_C1R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAnd_8u_C3R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAnd_8u_AC4R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                   int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAnd_16u_C1R, (const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step, Ipp16u* pDst,
                                   int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAnd_8u_C1IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAnd_8u_C3IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAnd_8u_C4IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAnd_8u_AC4IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAnd_16u_C1IR,
                 (const Ipp16u* pSrc, int srcStep, Ipp16u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_8u_C1R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                 int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_8u_C3R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                 int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_8u_AC4R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_16u_C1R, (const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step, Ipp16u* pDst,
                                  int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_8u_C1IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_8u_C3IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_8u_C4IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_8u_AC4IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOr_16u_C1IR, (const Ipp16u* pSrc, int srcStep, Ipp16u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_8u_C1R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_8u_C3R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_8u_AC4R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                   int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_16u_C1R, (const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step, Ipp16u* pDst,
                                   int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_8u_C1IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_8u_C3IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_8u_C4IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_8u_AC4IR, (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXor_16u_C1IR,
                 (const Ipp16u* pSrc, int srcStep, Ipp16u* pSrcDst, int srcDstStep, IppiSize roiSize));

// With one constant per channel: pointers (-8), steps (-14), size (-6). Equal
// constants of a C3 or C4 call run the one-channel routine over the widened
// row and return its status.
IppStatus _px_ippiAndC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
OCULON_IPP_ENTRY(ippiAndC_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
IppStatus _px_ippiAndC_8u_C4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[4], Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus _px_ippiAndC_8u_AC4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
OCULON_IPP_ENTRY(ippiAndC_8u_C3IR, (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAndC_8u_C4IR, (const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAndC_8u_AC4IR, (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
IppStatus _px_ippiOrC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
OCULON_IPP_ENTRY(ippiOrC_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
IppStatus _px_ippiOrC_8u_C4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[4], Ipp8u* pDst, int dstStep,
                             IppiSize roiSize);
IppStatus _px_ippiOrC_8u_AC4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
OCULON_IPP_ENTRY(ippiOrC_8u_C3IR, (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOrC_8u_C4IR, (const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiOrC_8u_AC4IR, (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
IppStatus _px_ippiXorC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
OCULON_IPP_ENTRY(ippiXorC_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
IppStatus _px_ippiXorC_8u_C4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[4], Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus _px_ippiXorC_8u_AC4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
OCULON_IPP_ENTRY(ippiXorC_8u_C3IR, (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXorC_8u_C4IR, (const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiXorC_8u_AC4IR, (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
IppStatus _px_ippiXorC_8u_C1IR(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

// NOT, as XOR with 255 (AC4: alpha kept).
OCULON_IPP_ENTRY(ippiNot_8u_C3IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiNot_8u_C4IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiNot_8u_AC4IR, (Ipp8u * pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiNot_8u_C3R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiNot_8u_AC4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));

// Shifts by one count per channel (unsigned): 0 copies, 1..7 shift (the left
// shift keeps the low 8 bits), 8 or more give 0. Checks as the constant forms;
// a fill or copy that a count hands the work to returns its own status.
IppStatus _px_ippiLShiftC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp32u value, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize);
OCULON_IPP_ENTRY(ippiLShiftC_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
IppStatus _px_ippiLShiftC_8u_C4R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[4], Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize);
IppStatus _px_ippiLShiftC_8u_AC4R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep,
                                  IppiSize roiSize);
OCULON_IPP_ENTRY(ippiLShiftC_8u_C3IR, (const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiLShiftC_8u_C4IR, (const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiLShiftC_8u_AC4IR, (const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
IppStatus _px_ippiRShiftC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp32u value, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize);
OCULON_IPP_ENTRY(ippiRShiftC_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
IppStatus _px_ippiRShiftC_8u_C4R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[4], Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize);
IppStatus _px_ippiRShiftC_8u_AC4R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst, int dstStep,
                                  IppiSize roiSize);
OCULON_IPP_ENTRY(ippiRShiftC_8u_C3IR, (const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiRShiftC_8u_C4IR, (const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiRShiftC_8u_AC4IR, (const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));

// |pSrc1 - pSrc2|. Pointers (-8), size (-6), then every step at least a row
// (-14); 16-bit steps must also be even (-108).
OCULON_IPP_ENTRY(ippiAbsDiff_8u_C1R, (const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                      int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiAbsDiff_16u_C1R, (const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step,
                                       Ipp16u* pDst, int dstStep, IppiSize roiSize));

// |pSrc - value| with value clamped to 0..255 first.
OCULON_IPP_ENTRY(ippiAbsDiffC_8u_C1R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, int value));

// Products scaled so that the full value acts as 1: with p = a b,
// (p + (p >> 8) + 1) >> 8, or >> 16 for 16-bit samples.
OCULON_IPP_ENTRY(ippiMulCScale_8u_C1R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulCScale_16u_C1R,
                 (const Ipp16u* pSrc, int srcStep, Ipp16u value, Ipp16u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulCScale_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulCScale_8u_C4R,
                 (const Ipp8u* pSrc, int srcStep, const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize));
IppStatus _px_ippiMulCScale_8u_AC4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize);
OCULON_IPP_ENTRY(ippiMulCScale_8u_C1IR, (Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulCScale_16u_C1IR, (Ipp16u value, Ipp16u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulCScale_8u_C3IR, (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulCScale_8u_C4IR, (const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulCScale_8u_AC4IR, (const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
IppStatus _px_ippiMulScale_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roiSize);
IppStatus _px_ippiMulScale_16u_C1R(const Ipp16u* pSrc1, int src1Step, const Ipp16u* pSrc2, int src2Step, Ipp16u* pDst,
                                   int dstStep, IppiSize roiSize);
IppStatus _px_ippiMulScale_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roiSize);
IppStatus _px_ippiMulScale_8u_C4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                  int dstStep, IppiSize roiSize);
IppStatus _px_ippiMulScale_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                   int dstStep, IppiSize roiSize);
OCULON_IPP_ENTRY(ippiMulScale_8u_C1IR,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulScale_16u_C1IR,
                 (const Ipp16u* pSrc, int srcStep, Ipp16u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulScale_8u_C3IR,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulScale_8u_AC4IR,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiMulScale_8u_C4IR,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize));

}  // namespace oculon::primitives
