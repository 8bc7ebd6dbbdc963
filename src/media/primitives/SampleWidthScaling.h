#pragma once
// Scalings of the audio buffers' samples between the widths 8 (zero level
// 127), 16, 24 and 32 bits: full scale maps to full scale (127 above the
// 8-bit zero level, 32767, 8388607, 2147483647) and zero to zero; values in
// between truncate toward zero. The few inputs beyond the symmetric range of
// a widening (8-bit 255, 16-bit -32768, 24-bit -8388608) saturate at the
// destination's limits instead of changing sign. Samples are walked one step
// apart (see SampleWalk.h); nothing is tested, and the hint is ignored.

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

void ippiScale_8u24s_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);
void ippiScale_16s24s_C1R(const Ipp16s* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);
void ippiScale_16s32s_C1R(const Ipp16s* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roi);
void ippiScale_24s32s_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep, IppiSize roi);
void ippiScale_24s8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, IppHintAlgorithm hint);
void ippiScale_24s16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi,
                          IppHintAlgorithm hint);
void ippiScale_32s16s_C1R(const Ipp32s* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi,
                          IppHintAlgorithm hint);
void ippiScale_32s24s_C1R(const Ipp32s* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                          IppHintAlgorithm hint);

}  // namespace oculon::primitives
