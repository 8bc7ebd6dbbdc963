#include "media/primitives/ImageLUT.h"

#include <algorithm>
#include <cstddef>

#include "media/primitives/ImageRegion.h"

namespace oculon::primitives {

namespace {

Ipp8u clampToByte(long long v) { return static_cast<Ipp8u>(std::clamp<long long>(v, 0, 255)); }

// Truncation toward zero and clamping to a byte, done in that order without
// ever converting a value outside the byte range.
Ipp8u truncateToByte(long double v) {
    if (!(v > 0.0L)) return 0;
    if (v >= 255.0L) return 255;
    return static_cast<Ipp8u>(static_cast<int>(v));
}

}  // namespace

std::array<Ipp8u, 256> linearLookupTable(const Ipp32s* values, const Ipp32s* levels, int nLevels) {
    std::array<Ipp8u, 256> t{};
    const long long first = levels[0];
    for (long long v = 0; v < std::min<long long>(first, 256); ++v)
        t[static_cast<std::size_t>(v)] = static_cast<Ipp8u>(v);

    for (int k = 0; k + 1 < nLevels; ++k) {
        const long long l0 = levels[k], l1 = levels[k + 1];
        if (l1 <= l0) continue;
        const long long lo = std::clamp<long long>(l0, 0, 255);
        const long long hi = std::clamp<long long>(l1, 0, 256);
        if (hi - lo == 1) {
            t[static_cast<std::size_t>(lo)] = clampToByte(values[k]);
            continue;
        }
        // In extended precision, like the reference tables were computed.
        const long double slope = (static_cast<long double>(values[k + 1]) - values[k]) /
                                  (static_cast<long double>(l1) - static_cast<long double>(l0));
        const long double offset = static_cast<long double>(values[k]) + 0.5L - static_cast<long double>(l0) * slope;
        for (long long v = lo; v < hi; ++v)
            t[static_cast<std::size_t>(v)] = truncateToByte(static_cast<long double>(v) * slope + offset);
    }

    const long long last = levels[nLevels - 1];
    for (long long v = std::max<long long>(last, 0); v < 256; ++v)
        t[static_cast<std::size_t>(v)] = static_cast<Ipp8u>(v);
    return t;
}

IppStatus _px_ippiLUT_Linear_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                    const Ipp32s* pValues[4], const Ipp32s* pLevels[4], int nLevels[4]) {
    if (!pSrc || !pDst || !pValues || !pLevels || !nLevels) return ippStsNullPtrErr;
    for (int c = 0; c < 4; ++c) {
        if (!pValues[c] || !pLevels[c]) return ippStsNullPtrErr;
        if (nLevels[c] < 2) return ippStsLUTNofLevelsErr;
    }
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < 1 || dstStep < 1) return ippStsStepErr;

    std::array<std::array<Ipp8u, 256>, 4> tables;
    for (int c = 0; c < 4; ++c) tables[c] = linearLookupTable(pValues[c], pLevels[c], nLevels[c]);

    region::eachRow(pSrc, srcStep, 4, pDst, dstStep, 4, roi, [&tables](const Ipp8u* s, Ipp8u* d, std::ptrdiff_t n) {
        for (std::ptrdiff_t i = 0; i < 4 * n; i += 4) {
            d[i] = tables[0][s[i]];
            d[i + 1] = tables[1][s[i + 1]];
            d[i + 2] = tables[2][s[i + 2]];
            d[i + 3] = tables[3][s[i + 3]];
        }
    });
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippiLUT_Linear_8u_C4R);

}  // namespace oculon::primitives
