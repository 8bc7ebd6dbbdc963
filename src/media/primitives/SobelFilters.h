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
// Results lie within -12240..12240 and are exact. Every call asks for the
// processor's cache size (a two-load query after the first).
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

// The separable pipeline behind the filters. A row kernel turns 8-bit source
// rows into 16-bit intermediate rows, a column kernel combines k of them
// (k = columnSetLength, 3 or 5) into each destination row, both chosen by
// number from the tables below. The row set serves only the constant
// border, whose intermediate rows are the set's sum times the border value;
// the arithmetic is fixed inside each kernel, row values exact, column sums
// wrapping in 16 bits. The buffer is laid out as the filters' (the Sobel
// buffer size for the width); row kernel 10, whose rows are two half-rows,
// needs the size for twice the width. Checks nothing; returns 0.
IppStatus ownFilterSobelBorderPipeline(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep, int width, int height,
                                       const Ipp16s* rowSet, int rowSetLength, const Ipp16s* columnSet,
                                       int columnSetLength, IppiBorderType border, Ipp8u borderValue, Ipp8u* pBuffer,
                                       int rowKernel, int columnKernel);

// The bytes of each of the pipeline's two kernel work areas, 4 x kernelSize
// + 64. Checks: a null result pointer (-8); a width, height or kernel size
// below 1 (-6).
IppStatus ippiFilterRowBorderPipelineGetBufferSize_8u16s_C1R(IppiSize roiSize, int kernelSize, int* pBufferSize);
IppStatus ippiFilterColumnPipelineGetBufferSize_16s_C1R(IppiSize roiSize, int kernelSize, int* pBufferSize);

// Rows n = 0 .. rows-1 of src (n x srcStep bytes apart) into the rows dst[n]
// of the width rounded up to 8 (kernel 10: two such half-rows), with the
// virtual border; scratch holds the edge windows. S(x + d) is the bordered
// sample at offset d:
//    0 3x3 Dx         S(x+1) - S(x-1)
//    1 3x3 Scharr     3 S(x-1) + 10 S(x) + 3 S(x+1)
//    2 3x3 DxNeg      S(x-1) - S(x+1)
//    3 5x5 DxNeg      S(x-2) + 2 S(x-1) - 2 S(x+1) - S(x+2)
//    4 3x3 Dx2        S(x-1) - 2 S(x) + S(x+1)
//    5 5x5 Dx2        S(x-2) - 2 S(x) + S(x+2)
//    6 3x3 Sobel      S(x-1) + 2 S(x) + S(x+1)
//    7 5x5 Sobel      S(x-2) + 4 S(x-1) + 6 S(x) + 4 S(x+1) + S(x+2)
//    8 3x3 Avr        S(x-1) + S(x) + S(x+1)
//    9 5x5 Avr        S(x-2) + S(x-1) + S(x) + S(x+1) + S(x+2)
//   10 3x3 Laplacian  A(x) = S(x-1) + S(x+1), then B(x) = 8 S(x)
using FilterRowKernel = void (*)(const Ipp8u* src, Ipp16s* const* dst, Ipp8u* scratch, int srcStep, int anchor,
                                 int width, int rows, IppiBorderType border, Ipp8u borderValue);
inline constexpr int kFilterRowKernelCount = 11;
inline constexpr int kFilterRowLaplacian = 10;
extern const FilterRowKernel kFilterRowKernels[kFilterRowKernelCount];

// Destination rows n = 0 .. rows-1 (dstStep elements apart) from the
// intermediate rows window[n] .. window[n + k - 1], t0 .. t(k-1):
//    0 3x3 Scharr     3 t0 + 10 t1 + 3 t2
//    1 3x3 Dx         t2 - t0
//    2 3x3 Sobel      t0 + 2 t1 + t2
//    3 5x5 Sobel      t0 + 4 t1 + 6 t2 + 4 t3 + t4
//    4 5x5 Dx         (t4 - t0) + 2 (t3 - t1)
//    5 3x3 Dx2        t0 - 2 t1 + t2
//    6 5x5 Dx2        t0 - 2 t2 + t4
//    7 3x3 Laplacian  2 (A of t0 + A of t2) - B of t1
//    8 5x5 Laplacian  the destination's value + t0 + 4 t1 + 6 t2 + 4 t3 + t4
//    9, 11 3x3 SobelNeg  -(t0 + 2 t1 + t2)
//   10, 12 5x5 SobelNeg  -(t0 + 4 t1 + 6 t2 + 4 t3 + t4)
// The work area and the cache flag are carried for the interface; no
// kernel's result depends on them.
using FilterColumnKernel = void (*)(Ipp16s* const* window, Ipp16s* dst, int dstStep, int width, int rows, Ipp8u* area,
                                    int cacheFlag);
inline constexpr int kFilterColumnKernelCount = 13;
extern const FilterColumnKernel kFilterColumnKernels[kFilterColumnKernelCount];

}  // namespace oculon::primitives
