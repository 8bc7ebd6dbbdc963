#pragma once
// The unscaled 8-bit add, subtract and multiply in place: d[i] becomes the
// saturated d[i] + s[i], max(d[i] - s[i], 0) or d[i] x s[i]. At scale factor
// 0 the scale rule gives exactly these (ScaledBytes.h), which the vector sets
// compute in one or a few instructions a vector. One set of kernels per
// instruction set, all giving the same bytes; the fastest one the CPU runs is
// picked once.

#include <cstddef>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::saturated {

// Avx512: AVX-512 BW.
enum class Isa { Portable, Ssse3, Avx2, Avx512 };

// Each takes n > 0 elements; s may be d itself. Arrays that overlap in part
// get the bytes of the portable loops, which every set hands them to.
struct Kernels {
    void (*add)(const Ipp8u* s, Ipp8u* d, std::ptrdiff_t n);
    void (*sub)(const Ipp8u* s, Ipp8u* d, std::ptrdiff_t n);
    void (*mul)(const Ipp8u* s, Ipp8u* d, std::ptrdiff_t n);
};

// The kernels of one instruction set, or null when this CPU lacks it.
const Kernels* kernelsFor(Isa isa);

// The fastest kernels this CPU runs, chosen at the first call.
const Kernels& kernels();

}  // namespace oculon::primitives::saturated
