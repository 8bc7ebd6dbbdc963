#pragma once
// Extended-precision values to 32-bit integers, as the scaled integer bodies
// store them: beyond the 32-bit range they saturate, NaN gives 0.

#include <cmath>
#include <cstdint>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

// Rounds half to even: add or subtract 0.5, truncate, and step an odd result
// that came from an exact half back toward zero.
inline Ipp32s roundSaturated32(long double q) {
    if (std::isnan(q)) return 0;
    if (q > 2147483647.0L) return INT32_MAX;
    if (q < -2147483648.0L) return INT32_MIN;
    const long double t = q >= 0 ? q + 0.5L : q - 0.5L;
    auto i = static_cast<std::int64_t>(t);
    if ((i & 1) != 0 && (static_cast<long double>(i) == q + 0.5L || static_cast<long double>(i) == q - 0.5L))
        i += q >= 0 ? -1 : 1;
    return static_cast<Ipp32s>(i);
}

inline Ipp32s truncateSaturated32(long double q) {
    if (std::isnan(q)) return 0;
    if (q >= 2147483647.0L) return INT32_MAX;
    if (q <= -2147483648.0L) return INT32_MIN;
    return static_cast<Ipp32s>(q);
}

}  // namespace oculon::primitives
