#pragma once
// Conversions between 16-bit pixels (RGB565: blue bits 0-4, green 5-10, red
// 11-15; RGB555: blue 0-4, green 5-9, red 10-14, bit 15 clear and ignored on
// input) and 3-byte (blue, green, red) or 4-byte (blue, green, red, alpha)
// pixels. A 5-bit field widens to f x 8 and a 6-bit one to f x 4, so the low
// bits of each byte are 0; a byte narrows to its top bits without rounding.
// Rows lie one step apart; no byte outside the region is touched. Nothing is
// tested, a size below 1 does nothing, and the result is always ippStsNoErr.

#include <cstddef>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

IppStatus ippiRGB565ToRGB_8u_C3R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);
IppStatus ippiRGB555ToRGB_8u_C3R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);
// Alpha 255.
IppStatus ippiRGB565ToRGBA_8u_AC4R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);
// Alpha 127, as the pixel stores that read it expect.
IppStatus ippiRGB555ToRGBA_8u_AC4R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi);
IppStatus ippiRGB_8u_C3RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi);
IppStatus ippiRGB_8u_C3RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi);
// The alpha byte is ignored.
IppStatus ippiRGBA_8u_AC4RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi);
IppStatus ippiRGBA_8u_AC4RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi);
// The lowest green bit is dropped, or added as 0.
IppStatus ippiRGB565ToRGB555(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi);
IppStatus ippiRGB555ToRGB565(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi);

namespace pixel16 {

// Avx512: AVX-512 BW with VBMI's byte permutes.
enum class Isa { Portable, Avx512 };

struct Kernels {
    // n RGB565 pixels from s on to 3-byte pixels from d on.
    void (*rgb565ToRgb)(const Ipp8u* s, Ipp8u* d, std::ptrdiff_t n);
};

// The kernels of one instruction set, or null when this processor lacks it.
const Kernels* kernelsFor(Isa isa);

// The fastest kernels this processor runs, chosen at the first call.
const Kernels& kernels();

}  // namespace pixel16

}  // namespace oculon::primitives
