#pragma once
// Plain reference arithmetic for the sample tests: exact integer quotients,
// rounded to nearest with ties to even, then held to a range.

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace oculon::primitives::reference {

// num / den rounded to nearest, a tie to the even neighbour.
inline std::int64_t roundDiv(std::int64_t num, std::int64_t den) {
    if (den < 0) num = -num, den = -den;
    std::int64_t q = num / den, r = num % den;
    if (r < 0) q -= 1, r += den;  // floor
    if (2 * r > den || (2 * r == den && (q & 1))) ++q;
    return q;
}

// num x 2^-sf / den, rounded and saturated. Shifts are capped where every
// result already saturates or rounds to 0 (|num| < 2^31, |den| <= 2^15).
inline std::int64_t scaled(std::int64_t num, std::int64_t den, int sf, std::int64_t lo, std::int64_t hi) {
    if (sf < 0) num *= std::int64_t{1} << std::min<std::int64_t>(-std::int64_t{sf}, 32);
    if (sf > 0) den *= std::int64_t{1} << std::min(sf, 40);
    return std::clamp(roundDiv(num, den), lo, hi);
}

// The values around every edge of a signed 16-bit range, then random ones.
inline std::vector<int> interesting16s(int randomCount, unsigned seed) {
    std::vector<int> v = {-32768, -32767, -32766, -16385, -16384, -256, -255, -129, -128,  -127,  -3,    -2,    -1,
                          0,      1,      2,      3,      127,    128,  255,  256,  16383, 16384, 32765, 32766, 32767};
    std::mt19937 rng(seed);
    for (int i = 0; i < randomCount; ++i) v.push_back(static_cast<int>(rng() % 65536) - 32768);
    return v;
}

// n values drawn evenly from [-1, 1).
inline std::vector<double> randomDoubles(std::size_t n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<double> v(n);
    for (double& d : v) d = u(rng);
    return v;
}

}  // namespace oculon::primitives::reference
