#pragma once
// Per-channel piecewise-linear lookup tables on 4-channel 8-bit images.

#include <array>

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// Channel c of every pixel goes through the table that the nLevels[c] levels
// pLevels[c] and values pValues[c] describe; bytes below the first level and
// from the last level on map to themselves.
// Checks in order: a null pointer (-8) or a channel with fewer than 2 levels
// (-106), channel by channel; then the size (-6) and the steps (-14).
OCULON_IPP_ENTRY(ippiLUT_Linear_8u_C4R, (const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                         const Ipp32s* pValues[4], const Ipp32s* pLevels[4], int nLevels[4]));

// The 256-entry table of one channel (nLevels at least 2).
std::array<Ipp8u, 256> linearLookupTable(const Ipp32s* values, const Ipp32s* levels, int nLevels);

}  // namespace oculon::primitives
