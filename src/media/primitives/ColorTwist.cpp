#include "media/primitives/ColorTwist.h"

#include <cmath>
#include <cstddef>

#include "media/primitives/ImageRegion.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;
using Extended = long double;

Ipp8u roundToByte(Extended r) {
    if (r >= 255) return 255;
    if (!(r > 0)) return 0;  // also NaN
    const Extended half = r + 0.5L;
    auto n = static_cast<int>(half);
    if ((n & 1) != 0 && static_cast<Extended>(n) == half) --n;
    return static_cast<Ipp8u>(n);
}

template <int Pixel>
IppStatus applyTwist(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, const Ipp32f t[3][4]) {
    if (!pSrc || !pDst || !t) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
    Extended m[3][4];
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 4; ++c) m[k][c] = t[k][c];
    region::eachRow(pSrc, srcStep, Pixel, pDst, dstStep, Pixel, roi, [&m](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
        for (ptrdiff_t j = 0; j < n; ++j) {
            const Extended s0 = s[Pixel * j], s1 = s[Pixel * j + 1], s2 = s[Pixel * j + 2];
            for (int k = 0; k < 3; ++k)
                d[Pixel * j + k] = roundToByte((m[k][0] * s0 + m[k][3]) + m[k][1] * s1 + m[k][2] * s2);
        }
    });
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiColorTwist32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                       const Ipp32f twist[3][4]) {
    return applyTwist<3>(pSrc, srcStep, pDst, dstStep, roi, twist);
}

IppStatus _px_ippiColorTwist32f_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, const Ipp32f twist[3][4]) {
    return applyTwist<3>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, twist);
}

IppStatus _px_ippiColorTwist32f_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, const Ipp32f twist[3][4]) {
    return applyTwist<4>(pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, twist);
}

OCULON_IPP_DEFINE(ippiColorTwist32f_8u_C3R);
OCULON_IPP_DEFINE(ippiColorTwist32f_8u_C3IR);
OCULON_IPP_DEFINE(ippiColorTwist32f_8u_AC4IR);

}  // namespace oculon::primitives
