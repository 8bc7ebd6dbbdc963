#pragma once
// The halves of a separable filter, with float kernels, and the running
// average of an image into a float accumulator.
//
// Row and column filters are convolutions: kernel[j] weighs the source sample
// anchor - j positions away (pixels for a row filter, rows for a column
// filter), so kernel[anchor] falls on the destination's own position. The
// source pointer addresses the sample at the first destination position, and
// the filters read around it without clipping or edge replication: the caller
// provides every row (column filters) or pixel (row filters) that the window
// reaches, that is kernelSize - 1 - anchor before the region and anchor after
// it. The anchor is not checked against the kernel size; any value only moves
// that window. Channels are filtered separately; the result is the exact sum
// (or, for kernels whose products span more bits than a long double holds,
// the sum accumulated from kernel[kernelSize - 1] down in extended precision),
// rounded to nearest with halves away from zero and saturated.
//
// Checks, in order: a null pointer (-8), width, height or kernel size below 1
// (-6; the C3 and C4 column forms test the width before the pointers), then
// a step shorter than what the row reads or writes (-14). The 16-bit forms
// take their steps in whole samples: an odd step acts as the even one below.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

#define OCULON_FILTER_1D(name, T)                                                                  \
    OCULON_IPP_ENTRY(name, (const T* pSrc, int srcStep, T* pDst, int dstStep, IppiSize dstRoiSize, \
                            const Ipp32f* pKernel, int kernelSize, int anchor))

OCULON_FILTER_1D(ippiFilterColumn32f_8u_C1R, Ipp8u);
OCULON_FILTER_1D(ippiFilterColumn32f_8u_C3R, Ipp8u);
OCULON_FILTER_1D(ippiFilterColumn32f_8u_C4R, Ipp8u);
OCULON_FILTER_1D(ippiFilterColumn32f_16s_C1R, Ipp16s);
OCULON_FILTER_1D(ippiFilterRow32f_8u_C1R, Ipp8u);
OCULON_FILTER_1D(ippiFilterRow32f_8u_C3R, Ipp8u);
OCULON_FILTER_1D(ippiFilterRow32f_8u_C4R, Ipp8u);
OCULON_FILTER_1D(ippiFilterRow32f_16s_C1R, Ipp16s);

#undef OCULON_FILTER_1D

// acc <- acc + (src - acc) x alpha, in extended precision, rounded once to
// float. After the pointer and size checks: a source step shorter than its
// row or an accumulator step shorter than its row (-14), an accumulator step
// that is no multiple of 4 (-108); the 16-bit form tests its source step for
// length, then evenness, before the accumulator's.
OCULON_IPP_ENTRY(ippiAddWeighted_8u32f_C1IR,
                 (const Ipp8u* pSrc, int srcStep, Ipp32f* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp32f alpha));
OCULON_IPP_ENTRY(ippiAddWeighted_16u32f_C1IR,
                 (const Ipp16u* pSrc, int srcStep, Ipp32f* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp32f alpha));

}  // namespace oculon::primitives
