#include "media/primitives/RuntimeShims.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace oculon::primitives {

void* _malloc(std::size_t size) { return std::malloc(size); }

void _free(void* p) { std::free(p); }

double _ceil(double x) {
    // Converting a double outside the int32 range is undefined, so such
    // arguments take the exact ceiling, which is what the caller means.
    constexpr double kLow = -2147483648.0;
    constexpr double kHigh = 2147483647.0;
    if (!(x > kLow - 1.0 && x <= kHigh)) return std::ceil(x);
    auto whole = static_cast<std::int32_t>(x);  // toward zero
    if (static_cast<double>(whole) < x) ++whole;
    return static_cast<double>(whole);
}

double _sin(double x) { return std::sin(x); }
double _cos(double x) { return std::cos(x); }
double _exp(double x) { return std::exp(x); }
double _sqrt(double x) { return std::sqrt(x); }
double _log(double x) { return std::log(x); }
double _atan2(double y, double x) { return std::atan2(y, x); }

}  // namespace oculon::primitives
