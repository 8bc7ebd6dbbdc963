#pragma once
// Add, subtract, multiply and divide on the audio buffers' own sample kinds,
// which wrap instead of saturating:
// - 8s: raw bytes around a zero level of 127 (the value is byte - 127);
//   results modulo 256; dividing by a sample at the zero level gives 127.
// - 24s: packed 24-bit samples (see PackedSamples.h); the result's low three
//   bytes are stored, with the sign bit set for a negative result.
// - 32s: results modulo 2^32.
// Divisions truncate toward zero. A zero divisor gives the saturated value of
// the dividend's sign (0 for 0) and the status ippStsDivByZero; -2^31 / -1
// gives 2^31 - 1. The scale factor is accepted and ignored. Region forms walk
// width x height samples one step apart (see SampleWalk.h); nothing is
// tested, and a count below 1 does nothing.

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

// pSrcDst := pSrcDst op pSrc, with an image operand.
void ippiAdd_8s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor);
void ippiSub_8s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor);
void ippiMul_8s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor);
void ippiDiv_8s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor);
void ippiAdd_24s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor);
void ippiSub_24s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor);
void ippiMul_24s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int scaleFactor);
IppStatus ippiDiv_24s_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi,
                              int scaleFactor);
void ippiAdd_32s_C1IRSfs(const Ipp32s* pSrc, int srcStep, Ipp32s* pSrcDst, int srcDstStep, IppiSize roi,
                         int scaleFactor);
void ippiSub_32s_C1IRSfs(const Ipp32s* pSrc, int srcStep, Ipp32s* pSrcDst, int srcDstStep, IppiSize roi,
                         int scaleFactor);
void ippiMul_32s_C1IRSfs(const Ipp32s* pSrc, int srcStep, Ipp32s* pSrcDst, int srcDstStep, IppiSize roi,
                         int scaleFactor);
IppStatus ippiDiv_32s_C1IRSfs(const Ipp32s* pSrc, int srcStep, Ipp32s* pSrcDst, int srcDstStep, IppiSize roi,
                              int scaleFactor);

// With a constant: contiguous 24-bit vectors, then regions (the out-of-place
// region forms advance source and destination by the one step).
void ippsAddC_24s_ISfs(Ipp32s value, Ipp8u* pSrcDst, int len, int scaleFactor);
void ippsAddC_24s_Sfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int len, int scaleFactor);
void ippsSubC_24s_ISfs(Ipp32s value, Ipp8u* pSrcDst, int len, int scaleFactor);
void ippsSubC_24s_Sfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int len, int scaleFactor);
void ippsMulC_24s_ISfs(Ipp32s value, Ipp8u* pSrcDst, int len, int scaleFactor);
void ippsMulC_24s_Sfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int len, int scaleFactor);
IppStatus ippsDivC_24s_ISfs(Ipp32s value, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsDivC_24s_Sfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int len, int scaleFactor);
void ippiAddC_24s_C1IRSfs(Ipp32s value, Ipp8u* pSrcDst, int step, IppiSize roi, int scaleFactor);
void ippiAddC_24s_C1RSfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, IppiSize roi, int scaleFactor);
void ippiSubC_24s_C1IRSfs(Ipp32s value, Ipp8u* pSrcDst, int step, IppiSize roi, int scaleFactor);
void ippiSubC_24s_C1RSfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, IppiSize roi, int scaleFactor);
void ippiMulC_24s_C1IRSfs(Ipp32s value, Ipp8u* pSrcDst, int step, IppiSize roi, int scaleFactor);
void ippiMulC_24s_C1RSfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, IppiSize roi, int scaleFactor);
IppStatus ippiDivC_24s_C1IRSfs(Ipp32s value, Ipp8u* pSrcDst, int step, IppiSize roi, int scaleFactor);
IppStatus ippiDivC_24s_C1RSfs(const Ipp8u* pSrc, Ipp32s value, Ipp8u* pDst, int step, IppiSize roi, int scaleFactor);
void ippiAddC_32s_C1IRSfs(Ipp32s value, Ipp32s* pSrcDst, int step, IppiSize roi, int scaleFactor);
void ippiAddC_32s_C1RSfs(const Ipp32s* pSrc, Ipp32s value, Ipp32s* pDst, int step, IppiSize roi, int scaleFactor);
void ippiSubC_32s_C1IRSfs(Ipp32s value, Ipp32s* pSrcDst, int step, IppiSize roi, int scaleFactor);
void ippiSubC_32s_C1RSfs(const Ipp32s* pSrc, Ipp32s value, Ipp32s* pDst, int step, IppiSize roi, int scaleFactor);
void ippiMulC_32s_C1IRSfs(Ipp32s value, Ipp32s* pSrcDst, int step, IppiSize roi, int scaleFactor);
void ippiMulC_32s_C1RSfs(const Ipp32s* pSrc, Ipp32s value, Ipp32s* pDst, int step, IppiSize roi, int scaleFactor);
IppStatus ippiDivC_32s_C1IRSfs(Ipp32s value, Ipp32s* pSrcDst, int step, IppiSize roi, int scaleFactor);
IppStatus ippiDivC_32s_C1RSfs(const Ipp32s* pSrc, Ipp32s value, Ipp32s* pDst, int step, IppiSize roi, int scaleFactor);

}  // namespace oculon::primitives
