#pragma once
// Straight-line transforms of 1, 2, 4 and 8 points (orders 0 to 3), which the
// FFT entries run instead of their table-driven engine. Each kernel reads all
// of its input before it writes, so src and dst may be the same array; sums
// run in extended precision.

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

inline constexpr int kSmallDFTMaxOrder = 3;

// The kernels of one order, direction and scaling, picked from tables indexed
// by order. A null scale selects the plain kernel, any other the scaled one,
// whose results are multiplied by *scale.
void smallComplexDFT(int order, bool inverse, const Ipp64fc* src, Ipp64fc* dst, const double* scale);
// Real input to the Perm layout, and back; the inverse is unnormalized, so a
// forward then inverse pair gives 2^order times the input.
void smallRealForward(int order, const Ipp64f* src, Ipp64f* perm, const double* scale);
void smallRealInverse(int order, const Ipp64f* perm, Ipp64f* dst, const double* scale);

}  // namespace oculon::primitives
