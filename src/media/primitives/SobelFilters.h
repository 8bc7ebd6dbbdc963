#pragma once
// Sobel derivatives of an 8-bit image into 16-bit signed samples, with a 3x3
// or 5x5 mask and a virtual border around the region:
//   dst(x, y) = sum over i, j of c[i] r[j] S(x + j - h, y + i - h), h = 1 or 2,
// where S is the source inside the region and, outside it, the border value
// (ippBorderConst), the nearest edge pixel (ippBorderRepl), the region
// repeated (ippBorderWrap), or the region reflected about its edge pixel
// (ippBorderMirror) or with the edge pixel repeated (ippBorderMirrorR), as
// often as a small region needs; each axis on its own. Nothing outside the
// region is read.
//   horizontal edges: r = 1 2 1 or 1 4 6 4 1 across, c = -1 0 1 or -1 -2 0 2 1 down;
//   vertical edges: r = 1 0 -1 or 1 2 0 -2 -1 across, c = 1 2 1 or 1 4 6 4 1 down.
// Results lie within -12240..12240 and are exact.
//
// The filter works in the caller's buffer, of at least the size that its
// GetBufferSize entry gives for the width and mask (the height does not
// count; the start needs no alignment); its contents are undefined
// afterwards. Checks, in order: a null pointer (-8), the size (-6), a source
// step below the width or a destination step below 2 x width (-14), an odd
// destination step (-108), a border type other than 0..4 (-5), a mask other
// than 3x3 or 5x5 (-33). The buffer-size entries check the result pointer,
// the size, then the mask; a size whose buffer would not fit an int is a
// size error.

#include "media/primitives/EntryPoint.h"
#include "media/primitives/FilterDefs.h"

namespace oculon::primitives {

OCULON_IPP_ENTRY(ippiFilterSobelHorizBorder_8u16s_C1R,
                 (const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roiSize, IppiMaskSize mask,
                  IppiBorderType borderType, Ipp8u borderValue, Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippiFilterSobelVertBorder_8u16s_C1R,
                 (const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roiSize, IppiMaskSize mask,
                  IppiBorderType borderType, Ipp8u borderValue, Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippiFilterSobelHorizGetBufferSize_8u16s_C1R, (IppiSize roiSize, IppiMaskSize mask, int* pBufferSize));
OCULON_IPP_ENTRY(ippiFilterSobelVertGetBufferSize_8u16s_C1R, (IppiSize roiSize, IppiMaskSize mask, int* pBufferSize));

}  // namespace oculon::primitives
