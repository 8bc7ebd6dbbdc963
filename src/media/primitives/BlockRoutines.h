#pragma once
// The block routines under every fill, zero and copy of the vector bodies.
// They test nothing: a count below 1 does nothing, and the caller has checked
// its pointers.

#include <cstddef>
#include <cstdint>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

// Copies `bytes` bytes front to back; overlapping blocks come out as if the
// source had been read first. Returns the destination.
void* ownsCopy_8u(const void* src, void* dst, std::ptrdiff_t bytes);
void ownsZero_8u(void* dst, std::ptrdiff_t bytes);
void ownsSet_8u(Ipp8u val, Ipp8u* dst, std::ptrdiff_t count);
void ownsSet_16u(Ipp16u val, Ipp16u* dst, std::ptrdiff_t count);
void ownsSet_32s(Ipp32s val, Ipp32s* dst, std::ptrdiff_t count);
// Fills 64-bit elements with one bit pattern (a double's or an integer's).
void ownsSet_64s(std::uint64_t bits, void* dst, std::ptrdiff_t count);
void ownsSet_64sc(Ipp64fc val, Ipp64fc* dst, std::ptrdiff_t count);

}  // namespace oculon::primitives
