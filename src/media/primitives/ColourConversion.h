#pragma once
// Conversions between the pixel formats of the video stores: packed 4:2:2
// (Y0 U Y1 V per pixel pair), planar 4:2:0 (full-range YUV and studio-range
// YCbCr), 3-byte colour in the order R, G, B, 16-bit 5-5-5 and 5-6-5 colour,
// and grey by three weights. All fixed point, bit-exact; intermediates are
// 32-bit signed and >> rounds towards minus infinity.
//
// Checks: a null pointer (-8), then the region size (-6); planar forms test
// the plane array and the interleaved image first and the three plane
// pointers after the size. None of these conversions tests a step.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// R = Y + 1.14 V', G = Y - 0.394 U' - 0.581 V', B = Y + 2.032 U' in 16.16
// fixed point. An odd last pixel takes V from the pair before it; a one-pixel
// row uses its U for V too.
OCULON_IPP_ENTRY(ippiYUV422ToRGB_8u_C2C3R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));
// Y per pixel, U and V from the pair's sums; an odd last pixel writes Y and U
// only (two bytes).
OCULON_IPP_ENTRY(ippiRGBToYUV422_8u_C3C2R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize));

// Pixel (i, j) takes chroma (i / 2, j / 2), so the chroma planes hold
// ceil(w / 2) x ceil(h / 2) samples.
OCULON_IPP_ENTRY(ippiYUV420ToRGB_8u_P3C3R,
                 (const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
// Studio range: Y 16..235, Cb and Cr 16..240.
OCULON_IPP_ENTRY(ippiYCbCr420ToRGB_8u_P3C3R,
                 (const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep, IppiSize roiSize));
// One little-endian word per pixel, R in the low bits; the destination step
// is in bytes and is halved (rounding down) to count words.
OCULON_IPP_ENTRY(ippiYCbCr420ToRGB555_8u16u_P3C3R,
                 (const Ipp8u* const pSrc[3], int srcStep[3], Ipp16u* pDst, int dstStep, IppiSize roiSize));
OCULON_IPP_ENTRY(ippiYCbCr420ToRGB565_8u16u_P3C3R,
                 (const Ipp8u* const pSrc[3], int srcStep[3], Ipp16u* pDst, int dstStep, IppiSize roiSize));
// Luma for every pixel, one Cb and Cr per whole 2 x 2 block: an odd last
// column or row gets luma only, so floor(w / 2) x floor(h / 2) chroma samples
// are written and the rest of the chroma planes keeps what it held.
OCULON_IPP_ENTRY(ippiRGBToYCbCr420_8u_C3P3R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[3], int dstStep[3], IppiSize roiSize));

// grey = (W0 c0 + W1 c1 + W2 c2) >> 12 with Wk = coeffs[k] x 4096 + 0.5
// truncated, or 1225, 2404, 467 for null coeffs; saturated to 0..255 (so
// weights summing above 1 cannot wrap).
OCULON_IPP_ENTRY(ippiColorToGray_8u_C3C1R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const Ipp32f coeffs[3]));
// The same on bytes 0-2 of 4-byte pixels.
OCULON_IPP_ENTRY(ippiColorToGray_8u_AC4C1R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, const Ipp32f coeffs[3]));

// The studio-range 4:2:0 conversions of the video stores, one set per
// instruction set, all giving the same bytes; the entry points above run the
// fastest set this processor has, and tests run each set.
namespace planar420 {

enum class Isa { Portable, Avx2, Avx512 };

struct Kernels {
    // ippiYCbCr420ToRGB_8u_P3C3R's conversion.
    IppStatus (*toRgb)(const Ipp8u* const planes[3], const int steps[3], Ipp8u* dst, int dstStep, IppiSize roi);
    // The same into 4-byte pixels whose fourth byte is 255.
    IppStatus (*toRgbx)(const Ipp8u* const planes[3], const int steps[3], Ipp8u* dst, int dstStep, IppiSize roi);
    // ippiRGBToYCbCr420_8u_C3P3R's conversion.
    IppStatus (*fromRgb)(const Ipp8u* src, int srcStep, Ipp8u* const planes[3], const int steps[3], IppiSize roi);
    // The same, but a 2 x 2 block cut by the image's edge gets chroma too,
    // its missing column or row repeating the last one: ceil(w/2) x ceil(h/2)
    // chroma samples, where the entry point writes floor(w/2) x floor(h/2).
    // For stores whose odd edge pixels have chroma samples of their own.
    IppStatus (*fromRgbCoveringEdges)(const Ipp8u* src, int srcStep, Ipp8u* const planes[3], const int steps[3],
                                      IppiSize roi);
};

// The set of one instruction set, or null when this processor lacks it.
const Kernels* kernelsFor(Isa isa);

// The fastest set this processor runs, chosen at the first call.
const Kernels& kernels();

}  // namespace planar420

// The integer grey weights of a call; exposed for tests of the rounding.
struct GreyWeights {
    int w0, w1, w2;
};
GreyWeights greyWeights(const Ipp32f coeffs[3]);

}  // namespace oculon::primitives
