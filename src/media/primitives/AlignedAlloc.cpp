#include "media/primitives/AlignedAlloc.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "media/primitives/RuntimeShims.h"

namespace oculon::primitives {

namespace {
// The hidden word holds a full pointer; 4 bytes would cut a 64-bit address.
constexpr std::size_t kHeader = sizeof(void*);
constexpr std::size_t kOverhead = kHeader + kBlockAlignment - 1;
}  // namespace

std::optional<std::size_t> alignedRawSize(long long count, std::size_t elementSize) {
    if (count < 1 || elementSize == 0) return std::nullopt;
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    const auto n = static_cast<unsigned long long>(count);
    if (n > (kMax - kOverhead) / elementSize) return std::nullopt;
    return static_cast<std::size_t>(n) * elementSize + kOverhead;
}

void* alignedAlloc(long long count, std::size_t elementSize) {
    const auto rawSize = alignedRawSize(count, elementSize);
    if (!rawSize) return nullptr;
    void* raw = _malloc(*rawSize);
    if (!raw) return nullptr;
    const auto base = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (base + kOverhead) & ~std::uintptr_t{kBlockAlignment - 1};
    auto* block = reinterpret_cast<unsigned char*>(aligned);
    std::memcpy(block - kHeader, &raw, kHeader);
    return block;
}

void alignedFree(void* p) {
    if (!p) return;
    void* raw = nullptr;
    std::memcpy(&raw, static_cast<unsigned char*>(p) - kHeader, kHeader);
    _free(raw);
}

Ipp8u* ippsMalloc_8u(int len) { return static_cast<Ipp8u*>(alignedAlloc(len, sizeof(Ipp8u))); }

Ipp16u* ippsMalloc_16u(int len) { return static_cast<Ipp16u*>(alignedAlloc(len, sizeof(Ipp16u))); }

Ipp32s* ippsMalloc_32s(int len) { return static_cast<Ipp32s*>(alignedAlloc(len, sizeof(Ipp32s))); }

Ipp32f* ippsMalloc_32f(int len) { return static_cast<Ipp32f*>(alignedAlloc(len, sizeof(Ipp32f))); }

Ipp64f* ippsMalloc_64f(int len) { return static_cast<Ipp64f*>(alignedAlloc(len, sizeof(Ipp64f))); }

Ipp64fc* ippsMalloc_64fc(int len) { return static_cast<Ipp64fc*>(alignedAlloc(len, sizeof(Ipp64fc))); }

void ippsFree(void* p) { alignedFree(p); }

void* _ippMalloc(int size) { return alignedAlloc(size, 1); }

void _ippFree(void* p) { alignedFree(p); }

}  // namespace oculon::primitives
