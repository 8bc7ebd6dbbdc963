#pragma once
// Byte moves between pixel layouts: the channel copies, swaps and fills of the
// image primitives. One set of kernels per instruction set, all giving the
// same bytes; the fastest one the CPU runs is picked once.

#include <array>
#include <cstddef>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::pixels {

// Byte k of every destination pixel of dstBytes bytes takes byte map[k] of
// its source pixel of srcBytes bytes, or stays as it is where map[k] is
// negative. With srcBytes 0 every pixel reads the same source bytes: a fill.
// Pointers may address any byte of the first pixel; no byte before them or
// after the last one moved is touched. Kept bytes in between may be read and
// written back as they were, so no other thread may write them meanwhile.
struct Layout {
    int srcBytes;
    int dstBytes;
    std::array<int, 4> map;
};

// Avx512: AVX-512 BW with VBMI's byte permutes.
enum class Isa { Scalar, Ssse3, Avx2, Avx512 };

// How an interleave writes its destination. Streamed stores go past the
// caches straight to memory: no line is read before it is written, and none
// is left in the caches. That is faster when the destination cannot stay in
// the caches anyway, and a loss when the next reader would have found it
// there. The AVX-512 kernels stream; the narrower sets store through the
// caches either way. The bytes are the same.
enum class Stores { Cached, Streamed };

// Streamed for a destination of `bytes` larger than the last-level cache, of
// which a reader right after finds none cached whichever way it was written;
// Cached otherwise, and where the cache's size is unknown.
Stores storesFor(std::size_t bytes);

struct Kernels {
    // Reads a whole source pixel before it writes the destination pixel, so
    // a same-sized layout may work in place (src == dst, equal steps).
    void (*move)(const Layout& layout, const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi);
    // Plane k of the three goes to byte k of each 3-byte pixel.
    void (*interleave)(const Ipp8u* const planes[3], int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, Stores stores);
};

// The kernels of one instruction set, or null when this CPU lacks it.
const Kernels* kernelsFor(Isa isa);

// The fastest kernels this CPU runs, chosen at the first call.
const Kernels& kernels();

}  // namespace oculon::primitives::pixels
