#pragma once
// Heap blocks aligned to 32 bytes for data vectors and scratch buffers. The
// raw heap address is kept in the pointer-sized word just below the aligned
// address, where the matching free finds it.

#include <cstddef>
#include <memory>
#include <optional>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

inline constexpr std::size_t kBlockAlignment = 32;

// Bytes to take from the heap for `count` elements of `elementSize` bytes:
// room for the data, the hidden address and the worst alignment gap. Empty
// when count is below 1 or the sum does not fit a size_t.
std::optional<std::size_t> alignedRawSize(long long count, std::size_t elementSize);

// A 32-byte-aligned block for `count` elements; null for a count below 1 or
// when the heap refuses.
void* alignedAlloc(long long count, std::size_t elementSize);
// Releases a block of alignedAlloc; null is ignored.
void alignedFree(void* p);

// Owns a block of alignedAlloc; an empty pointer means the heap refused.
struct AlignedFree {
    void operator()(void* p) const { alignedFree(p); }
};
template <typename T>
using AlignedPtr = std::unique_ptr<T[], AlignedFree>;

template <typename T>
AlignedPtr<T> alignedArray(long long count) {
    return AlignedPtr<T>(static_cast<T*>(alignedAlloc(count, sizeof(T))));
}

Ipp8u* ippsMalloc_8u(int len);
Ipp16u* ippsMalloc_16u(int len);
Ipp32s* ippsMalloc_32s(int len);
Ipp32f* ippsMalloc_32f(int len);
Ipp64f* ippsMalloc_64f(int len);
Ipp64fc* ippsMalloc_64fc(int len);
void ippsFree(void* p);

// The same blocks for the pooled data vectors, sized in bytes.
void* _ippMalloc(int size);
void _ippFree(void* p);

}  // namespace oculon::primitives
