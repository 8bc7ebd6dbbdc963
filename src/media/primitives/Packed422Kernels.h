#pragma once
// The block kernels of the packed 4:2:2 conversions (pairs Y0 U Y1 V to and
// from 3-byte pixels, in either channel order): the portable pair-plane
// loops and AVX2 ones, all giving the same bytes. The entry points run the
// fastest set this processor has, chosen at the first call; tests run each.

#include <cstddef>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::packed422 {

enum class Isa { Portable, Avx2 };

// n pixels, a multiple of 32.
using Blocks = void (*)(const Ipp8u* s, Ipp8u* d, std::ptrdiff_t n);

struct Kernels {
    Blocks toRgb;    // pairs to R, G, B bytes
    Blocks toBgr;    // pairs to B, G, R bytes
    Blocks fromRgb;  // R, G, B bytes to pairs
    Blocks fromBgr;  // B, G, R bytes to pairs
};

// The set of one instruction set, or null when this processor lacks it.
const Kernels* kernelsFor(Isa isa);

// The fastest set this processor runs.
const Kernels& kernels();

// ippiYUV422ToRGB_8u_C2C3R and ippiRGBToYUV422_8u_C3C2R for pixels whose
// bytes are B, G, R: the same values, without a pass that swaps channels.
IppStatus yuv422ToBgr(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);
IppStatus bgrToYuv422(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);

}  // namespace oculon::primitives::packed422
