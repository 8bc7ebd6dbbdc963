#pragma once
// Multiplication of the audio buffers' samples by a real factor: each sample
// (8-bit as the raw byte 0..255, without its zero level) times the factor,
// rounded to nearest with ties to even, stored as its low 8, 16, 24 or 32
// bits; nothing saturates (8-bit 200 x 2.0 gives 144). A factor of 1.0 or NaN
// leaves everything unread and unwritten; an infinite product stores 0.
// Samples are walked one step apart (see SampleWalk.h); nothing is tested.

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

void MultiplyByReal8uI(double factor, Ipp8u* pSrcDst, int step, IppiSize roi);
void MultiplyByReal16sI(double factor, Ipp16s* pSrcDst, int step, IppiSize roi);
void MultiplyByReal24sI(double factor, Ipp8u* pSrcDst, int step, IppiSize roi);
void MultiplyByReal32sI(double factor, Ipp32s* pSrcDst, int step, IppiSize roi);
void MultiplyByReal8u(double factor, const Ipp8u* pSrc, Ipp8u* pDst, int step, IppiSize roi);
void MultiplyByReal16s(double factor, const Ipp16s* pSrc, Ipp16s* pDst, int step, IppiSize roi);
void MultiplyByReal24s(double factor, const Ipp8u* pSrc, Ipp8u* pDst, int step, IppiSize roi);
void MultiplyByReal32s(double factor, const Ipp32s* pSrc, Ipp32s* pDst, int step, IppiSize roi);

}  // namespace oculon::primitives
