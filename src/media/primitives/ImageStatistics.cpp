#include "media/primitives/ImageStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "media/primitives/ImageElementwise.h"
#include "media/primitives/ImageRegion.h"

namespace oculon::primitives {

namespace {

using elementwise::load;
using std::ptrdiff_t;

IppStatus checkImage(const void* src, const void* result, int step, IppiSize roi) {
    if (!src || !result) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    return step < 1 ? ippStsStepErr : ippStsNoErr;
}

template <int Pixel>
IppStatus sum(const Ipp32f* pSrc, int srcStep, IppiSize roi, Ipp64f out[3]) {
    if (IppStatus st = checkImage(pSrc, out, srcStep, roi)) return st;
    long double s[3] = {};
    for (ptrdiff_t r = 0; r < roi.height; ++r) {
        const Ipp8u* row = region::row(pSrc, srcStep, r);
        for (ptrdiff_t x = 0; x < roi.width; ++x)
            for (int k = 0; k < 3; ++k) s[k] += load<Ipp32f>(row, Pixel * x + k);
    }
    for (int k = 0; k < 3; ++k) out[k] = static_cast<double>(s[k]);
    return ippStsNoErr;
}

template <int Pixel>
IppStatus mean(const Ipp32f* pSrc, int srcStep, IppiSize roi, Ipp64f out[3]) {
    if (!out) return ippStsNullPtrErr;
    Ipp64f sums[3];
    if (IppStatus st = sum<Pixel>(pSrc, srcStep, roi, sums)) return st;
    const double factor = 1.0 / static_cast<double>(static_cast<long long>(roi.width) * roi.height);
    for (int k = 0; k < 3; ++k) out[k] = sums[k] * factor;
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiMax_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roi, Ipp8u* pMax) {
    if (IppStatus st = checkImage(pSrc, pMax, srcStep, roi)) return st;
    Ipp8u best = pSrc[0];
    for (ptrdiff_t r = 0; r < roi.height && best != 255; ++r) {
        const Ipp8u* row = region::row(pSrc, srcStep, r);
        best = std::max(best, *std::max_element(row, row + roi.width));
    }
    *pMax = best;
    return ippStsNoErr;
}

IppStatus _px_ippiSum_32f_C3R(const Ipp32f* pSrc, int srcStep, IppiSize roi, Ipp64f out[3], IppHintAlgorithm) {
    return sum<3>(pSrc, srcStep, roi, out);
}

IppStatus _px_ippiSum_32f_AC4R(const Ipp32f* pSrc, int srcStep, IppiSize roi, Ipp64f out[3], IppHintAlgorithm) {
    return sum<4>(pSrc, srcStep, roi, out);
}

IppStatus _px_ippiMean_32f_C3R(const Ipp32f* pSrc, int srcStep, IppiSize roi, Ipp64f out[3], IppHintAlgorithm) {
    return mean<3>(pSrc, srcStep, roi, out);
}

IppStatus _px_ippiMean_32f_AC4R(const Ipp32f* pSrc, int srcStep, IppiSize roi, Ipp64f out[3], IppHintAlgorithm) {
    return mean<4>(pSrc, srcStep, roi, out);
}

IppStatus _px_ippiMinMax_32f_C1R(const Ipp32f* pSrc, int srcStep, IppiSize roi, Ipp32f* pMin, Ipp32f* pMax) {
    if (!pSrc || !pMin || !pMax) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < 1) return ippStsStepErr;
    Ipp32f lo = load<Ipp32f>(reinterpret_cast<const Ipp8u*>(pSrc), 0), hi = lo;
    for (ptrdiff_t r = 0; r < roi.height; ++r) {
        const Ipp8u* row = region::row(pSrc, srcStep, r);
        for (ptrdiff_t x = 0; x < roi.width; ++x) {
            const Ipp32f v = load<Ipp32f>(row, x);
            if (v < lo || std::isnan(v)) lo = v;
            else if (v > hi) hi = v;
        }
    }
    *pMin = lo;
    *pMax = hi;
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippiMax_8u_C1R);

}  // namespace oculon::primitives
