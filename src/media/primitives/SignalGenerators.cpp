#include "media/primitives/SignalGenerators.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

namespace {

using Extended = long double;

// The generator is a subtract-with-borrow sequence combined with a linear
// congruential one; all word arithmetic is modulo 2^32.
constexpr std::uint32_t kLcgMultiplier = 69069;
constexpr std::uint32_t kLcgIncrement = 1013904243;
constexpr std::uint32_t kLcgStart = 1131199209;
// 2^-32 plus 7 units in the last place, so that the largest word stays inside
// the interval after the centre is added.
constexpr double kWordScale = std::bit_cast<double>(std::uint64_t{0x3DF0000000000007});

constexpr std::uint32_t lcgStep(std::uint32_t x) { return x * kLcgMultiplier + kLcgIncrement; }

}  // namespace

IppStatus _px_ippsVectorJaehne_64f(Ipp64f* pDst, int len, Ipp64f magn) {
    if (IppStatus st = checkVector(len, pDst)) return st;
    if (magn < 0) return ippStsJaehneErr;
    if (len == 1) {
        pDst[0] = 0.0;
        return ippStsNoErr;
    }
    const double step = static_cast<double>(std::numbers::pi_v<Extended> / 2 / len);
    for (int i = 0; i < len; ++i) {
        const Extended n = i;
        pDst[i] = static_cast<double>(magn * std::sin(n * (step * n)));
    }
    return ippStsNoErr;
}

IppStatus _px_ippsRandUniform_Direct_64f(Ipp64f* pDst, int len, Ipp64f low, Ipp64f high, unsigned int* pSeed) {
    if (IppStatus st = checkVector(len, pDst, pSeed)) return st;
    std::uint32_t a = *pSeed;
    std::uint32_t b = lcgStep(a);
    std::uint32_t c = lcgStep(b);
    std::uint32_t borrow = 0xFFFFFFFFu;
    std::uint32_t lcg = kLcgStart;
    const Extended scale = (Extended{high} - low) * kWordScale;
    const Extended centre = (Extended{low} + high) * 0.5L;
    for (int i = 0; i < len; ++i) {
        lcg = lcgStep(lcg);
        const auto d = static_cast<std::int32_t>(b - c + borrow);
        borrow = d < 0 ? 0xFFFFFFFFu : 0;
        const std::uint32_t t = d < 0 ? static_cast<std::uint32_t>(d) - 18 : static_cast<std::uint32_t>(d);
        c = b;
        b = a;
        a = t;
        pDst[i] = static_cast<double>(static_cast<std::int32_t>(t + lcg) * scale + centre);
    }
    *pSeed = a;
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsVectorJaehne_64f);
OCULON_IPP_DEFINE(ippsRandUniform_Direct_64f);

}  // namespace oculon::primitives
