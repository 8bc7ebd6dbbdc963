#pragma once
// The heap and maths routines that the built-in bodies rest on, under the
// names of the C run-time routines they stand for.

#include <cstddef>

namespace oculon::primitives {

// A block of `size` bytes from the process heap, contents undefined; null
// when the heap cannot supply it.
void* _malloc(std::size_t size);
// Returns a block of _malloc to the heap; null is ignored.
void _free(void* p);

// The smallest whole number not below x. Within the signed 32-bit range it is
// formed through a 32-bit integer (so -0.5 gives +0.0); outside it, and for
// infinities and NaN, it is the exact ceiling of x.
double _ceil(double x);
double _sin(double x);
double _cos(double x);
double _exp(double x);
double _sqrt(double x);
double _log(double x);
// The angle of the point (x, y) in radians, -pi to pi.
double _atan2(double y, double x);

}  // namespace oculon::primitives
