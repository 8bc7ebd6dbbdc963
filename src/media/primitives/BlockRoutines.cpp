#include "media/primitives/BlockRoutines.h"

#include <algorithm>
#include <cstring>

namespace oculon::primitives {

void* ownsCopy_8u(const void* src, void* dst, std::ptrdiff_t bytes) {
    // memmove rather than memcpy: a caller's overlapping vectors give a
    // defined result instead of undefined behaviour.
    if (bytes > 0) std::memmove(dst, src, static_cast<std::size_t>(bytes));
    return dst;
}

void ownsZero_8u(void* dst, std::ptrdiff_t bytes) {
    if (bytes > 0) std::memset(dst, 0, static_cast<std::size_t>(bytes));
}

void ownsSet_8u(Ipp8u val, Ipp8u* dst, std::ptrdiff_t count) {
    if (count > 0) std::memset(dst, val, static_cast<std::size_t>(count));
}

void ownsSet_16u(Ipp16u val, Ipp16u* dst, std::ptrdiff_t count) {
    if (count > 0) std::fill_n(dst, count, val);
}

void ownsSet_32s(Ipp32s val, Ipp32s* dst, std::ptrdiff_t count) {
    if (count > 0) std::fill_n(dst, count, val);
}

void ownsSet_64s(std::uint64_t bits, void* dst, std::ptrdiff_t count) {
    auto* out = static_cast<unsigned char*>(dst);
    for (std::ptrdiff_t i = 0; i < count; ++i) std::memcpy(out + i * 8, &bits, 8);
}

void ownsSet_64sc(Ipp64fc val, Ipp64fc* dst, std::ptrdiff_t count) {
    if (count > 0) std::fill_n(dst, count, val);
}

}  // namespace oculon::primitives
