#pragma once
// Byte moves between pixel layouts: the channel copies, swaps and fills of the
// image primitives. One set of kernels per instruction set, all giving the
// same bytes; the fastest one the CPU runs is picked once.

#include <array>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::pixels {

// Byte k of every destination pixel of dstBytes bytes takes byte map[k] of
// its source pixel of srcBytes bytes, or stays as it is where map[k] is
// negative. With srcBytes 0 every pixel reads the same source bytes: a fill.
// Pointers may address any byte of the first pixel; no byte before them or
// after the last one moved is touched.
struct Layout {
    int srcBytes;
    int dstBytes;
    std::array<int, 4> map;
};

// Avx512: AVX-512 BW with VBMI's byte permutes.
enum class Isa { Scalar, Ssse3, Avx2, Avx512 };

struct Kernels {
    // Reads a whole source pixel before it writes the destination pixel, so
    // a same-sized layout may work in place (src == dst, equal steps).
    void (*move)(const Layout& layout, const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
    // Plane k of the three goes to byte k of each 3-byte pixel.
    void (*interleave)(const Ipp8u* const planes[3], int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
};

// The kernels of one instruction set, or null when this CPU lacks it.
const Kernels* kernelsFor(Isa isa);

// The fastest kernels this CPU runs, chosen at the first call.
const Kernels& kernels();

}  // namespace oculon::primitives::pixels
