#pragma once
// The adaptive noise-reduction filter. Each destination sample is pulled
// from the source sample x toward the mean M of its maskW x maskH window:
//   value = M + (V - nu) / V x (x - M),
// with V the window's variance times N = maskW x maskH (raised to nu where
// it is lower) and nu the noise level in the same units: noise x 65025 x N
// for 8-bit data, noise x R^2 x N for float data, R being the range of the
// source over the whole area the windows cover. A noise value (any of the
// three of C3 and AC4) below 2^-23 in magnitude has every channel's level
// estimated as the mean V over all windows, and the estimates are written
// back as noise values. A window without spread under a zero noise level
// (V = nu = 0, where the gain is 0 / 0) gives its mean, which is its every
// sample. 8-bit values are truncated; AC4 leaves the fourth sample of the
// destination as it was. Window sums are single precision, updated by the
// rows and columns that enter and leave the window.
//
// The window of destination pixel (i, j) covers source columns
// i - (maskW - 1 - anchor.x) .. i + anchor.x and rows
// j - (maskH - 1 - anchor.y) .. j + anchor.y, the source pointer addressing
// the pixel at the destination's (0, 0). The filter reads all of them: the
// caller provides the columns and rows around the region.
//
// Checks, in order: a null pointer (-8), the size (-6), a mask side below 2
// (-33), an anchor outside the mask (-34), a step below 1 (-14), a noise
// value outside [0, 1) (-125). The filter works in the caller's buffer of
// ippiFilterWienerGetBufferSize bytes, which checks its result pointer, the
// size, the channel count (1, 3 or 4; -53), then the mask; a buffer too large
// for an int is a size error.

#include "media/primitives/EntryPoint.h"
#include "media/primitives/FilterDefs.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiFilterWiener_8u_C1R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, IppiSize maskSize,
                  IppiPoint anchor, Ipp32f noise[1], Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippiFilterWiener_8u_C3R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, IppiSize maskSize,
                  IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippiFilterWiener_8u_AC4R,
                 (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, IppiSize maskSize,
                  IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippiFilterWiener_32f_C1R,
                 (const Ipp32f* pSrc, int srcStep, Ipp32f* pDst, int dstStep, IppiSize dstRoiSize, IppiSize maskSize,
                  IppiPoint anchor, Ipp32f noise[1], Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippiFilterWienerGetBufferSize,
                 (IppiSize dstRoiSize, IppiSize maskSize, int channels, int* pBufferSize));

}  // namespace oculon::primitives
