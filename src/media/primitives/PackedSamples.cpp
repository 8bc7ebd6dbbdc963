#include "media/primitives/PackedSamples.h"

#include <algorithm>
#include <climits>

#include "media/primitives/SampleFillCopy.h"
#include "media/primitives/SampleWalk.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

void ippsZero_24s(Ipp8u* pDst, int len) {
    // 3 x len can exceed the int length of the byte fill.
    std::ptrdiff_t left = len < 1 ? 0 : std::ptrdiff_t{3} * len;
    for (; left > 0; left -= INT_MAX, pDst += INT_MAX)
        ippsZero_8u(pDst, static_cast<int>(std::min<std::ptrdiff_t>(left, INT_MAX)));
}

void ippsSet_24s(Ipp32s value, Ipp8u* pDst, int len) {
    if (len < 1) return;
    // Four samples are twelve bytes: the three bytes repeated four times.
    Ipp8u group[12];
    for (int k = 0; k < 4; ++k) Convert32BitTo24Bit(value, group + 3 * k);
    const std::ptrdiff_t groups = len / 4;
    for (std::ptrdiff_t g = 0; g < groups; ++g) std::memcpy(pDst + 12 * g, group, 12);
    std::memcpy(pDst + 12 * groups, group, static_cast<std::size_t>(3 * (len % 4)));
}

void ippiSet_24s_C1R(Ipp32s value, Ipp8u* pDst, int step, IppiSize roi) {
    const std::ptrdiff_t n = samples::count(roi);
    for (std::ptrdiff_t i = 0; i < n; ++i) Convert32BitTo24Bit(value, pDst + i * step);
}

void ippiCopy_24s_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    const std::ptrdiff_t n = samples::count(roi);
    if (srcStep == 3 && dstStep == 3) {
        if (n > 0) std::memmove(pDst, pSrc, static_cast<std::size_t>(3 * n));
        return;
    }
    samples::walk<3, 3>(pSrc, srcStep, pDst, dstStep, n, [](const Ipp8u* s, Ipp8u* d) { std::memmove(d, s, 3); });
}

void ippiSet_32u_C1R(Ipp32u value, Ipp32u* pDst, int step, IppiSize roi) {
    ippiSet_32s_C1R(static_cast<Ipp32s>(value), reinterpret_cast<Ipp32s*>(pDst), step, roi);
}

}  // namespace oculon::primitives
