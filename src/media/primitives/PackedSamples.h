#pragma once
// Packed 24-bit samples (three bytes, least significant first, two's
// complement) and the fills and copies of the audio buffers' 24-bit and
// 32-bit channels. The region routines visit width x height samples, each one
// step (in bytes) after the previous one, so that a region one sample wide
// walks one channel of interleaved frames. They test nothing; a count below 1
// does nothing, and nothing after the last sample is written.

#include <cstdint>
#include <cstring>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

inline constexpr Ipp32s kMin24 = -8388608;
inline constexpr Ipp32s kMax24 = 8388607;

// The three bytes at p, sign-extended from bit 23.
inline Ipp32s Convert24BitTo32Bit(const void* p) {
    const auto* b = static_cast<const Ipp8u*>(p);
    const std::uint32_t u = b[0] | (b[1] << 8) | (std::uint32_t{b[2]} << 16);
    return static_cast<Ipp32s>((u ^ 0x800000u) - 0x800000u);
}

// Writes the low three bytes of value; a negative value also sets bit 7 of
// the third byte. An in-range value reads back unchanged; one outside keeps
// its low bytes (and its sign when negative): nothing saturates.
inline void Convert32BitTo24Bit(Ipp32s value, void* p) {
    auto* b = static_cast<Ipp8u*>(p);
    b[0] = static_cast<Ipp8u>(value);
    b[1] = static_cast<Ipp8u>(value >> 8);
    b[2] = static_cast<Ipp8u>((value >> 16) | (value < 0 ? 0x80 : 0));
}

void ippsZero_24s(Ipp8u* pDst, int len);
void ippsSet_24s(Ipp32s value, Ipp8u* pDst, int len);
void ippiSet_24s_C1R(Ipp32s value, Ipp8u* pDst, int step, IppiSize roi);
void ippiCopy_24s_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);
// A plain image fill of 32-bit words (rows one step apart, words contiguous),
// through the bound ippiSet_32s_C1R.
void ippiSet_32u_C1R(Ipp32u value, Ipp32u* pDst, int step, IppiSize roi);

}  // namespace oculon::primitives
