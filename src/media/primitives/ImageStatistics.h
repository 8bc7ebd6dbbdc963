#pragma once
// Reductions over an image region: the largest byte, per-channel sums and
// means of float images (summed in extended precision, row by row), and the
// smallest and largest float. Checks: a null pointer (-8), the size (-6), a
// step below 1 (-14); the means test their result pointer before anything
// else. The sum, mean and min-max bodies have no entry point: the filters
// call them directly. The algorithm hints are accepted and not used.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// Stops after the first row that holds 255.
OCULON_IPP_ENTRY(ippiMax_8u_C1R, (const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp8u* pMax));

IppStatus _px_ippiSum_32f_C3R(const Ipp32f* pSrc, int srcStep, IppiSize roiSize, Ipp64f sum[3], IppHintAlgorithm hint);
// Channels 0-2 of 4-float pixels.
IppStatus _px_ippiSum_32f_AC4R(const Ipp32f* pSrc, int srcStep, IppiSize roiSize, Ipp64f sum[3], IppHintAlgorithm hint);
// The sums times 1 / (width x height), that count taken in 64 bits.
IppStatus _px_ippiMean_32f_C3R(const Ipp32f* pSrc, int srcStep, IppiSize roiSize, Ipp64f mean[3],
                               IppHintAlgorithm hint);
IppStatus _px_ippiMean_32f_AC4R(const Ipp32f* pSrc, int srcStep, IppiSize roiSize, Ipp64f mean[3],
                                IppHintAlgorithm hint);
// A NaN, once met, becomes the minimum.
IppStatus _px_ippiMinMax_32f_C1R(const Ipp32f* pSrc, int srcStep, IppiSize roiSize, Ipp32f* pMin, Ipp32f* pMax);

}  // namespace oculon::primitives
