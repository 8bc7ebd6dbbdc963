#include "media/primitives/SaturatedBytes.h"

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ScaledBytes.h"

namespace oculon::primitives::saturated {

namespace {

using scaled::Op8;
using std::ptrdiff_t;

// The element loops: the reference the vector kernels match, their head and
// tail, and the whole work where the arrays overlap in part (the compiler
// checks their distance before it takes vectors).
template <Op8 op>
OCULON_HOT_LOOP void elements(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    scaled::scaleBytes<op>(d, s, d, n, {scaled::Scaling::Saturate, 0});
}

constexpr Kernels kPortable{elements<Op8::Add>, elements<Op8::Sub>, elements<Op8::Mul>};

// One instruction set's whole-vector kernels (SaturatedBytesKernels.inc).
struct VectorKernels {
    ptrdiff_t bytes;  // of a vector
    ptrdiff_t (*add)(const Ipp8u* s, Ipp8u* d, ptrdiff_t n);
    ptrdiff_t (*sub)(const Ipp8u* s, Ipp8u* d, ptrdiff_t n);
    ptrdiff_t (*mul)(const Ipp8u* s, Ipp8u* d, ptrdiff_t n);
};

#define OCULON_KERNELS "media/primitives/SaturatedBytesKernels.inc"
#define OCULON_KERNELS_SSSE3
#define OCULON_KERNELS_AVX2
#define OCULON_KERNELS_AVX512
#include "media/primitives/KernelLevels.inc"

// Whether the vectors may run: s is d itself or lies wholly apart from it.
bool apart(const Ipp8u* s, const Ipp8u* d, ptrdiff_t n) {
    const auto a = reinterpret_cast<std::uintptr_t>(s), b = reinterpret_cast<std::uintptr_t>(d);
    const auto length = static_cast<std::uintptr_t>(n);
    return a == b || a + length <= b || b + length <= a;
}

// The element loop up to the first vector-aligned destination byte, the
// vectors, and the element loop over what is left.
template <const VectorKernels& set, Op8 op>
void withVectors(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    const auto kernel = op == Op8::Add ? set.add : op == Op8::Sub ? set.sub : set.mul;
    if (!apart(s, d, n) || n < 2 * set.bytes) return elements<op>(s, d, n);
    const auto head =
        static_cast<ptrdiff_t>(-reinterpret_cast<std::uintptr_t>(d) % static_cast<std::uintptr_t>(set.bytes));
    if (head > 0) elements<op>(s, d, head);
    const ptrdiff_t done = head + kernel(s + head, d + head, n - head);
    if (done < n) elements<op>(s + done, d + done, n - done);
}

template <const VectorKernels& set>
constexpr Kernels kWith{withVectors<set, Op8::Add>, withVectors<set, Op8::Sub>, withVectors<set, Op8::Mul>};

}  // namespace

const Kernels* kernelsFor(Isa isa) {
    __builtin_cpu_init();
    switch (isa) {
        case Isa::Portable: return &kPortable;
        case Isa::Ssse3: return __builtin_cpu_supports("ssse3") ? &kWith<ssse3::kVectors> : nullptr;
        case Isa::Avx2: return __builtin_cpu_supports("avx2") ? &kWith<avx2::kVectors> : nullptr;
        case Isa::Avx512: return __builtin_cpu_supports("avx512bw") ? &kWith<avx512::kVectors> : nullptr;
    }
    return nullptr;
}

const Kernels& kernels() {
    static const Kernels* const best = [] {
        for (Isa isa : {Isa::Avx512, Isa::Avx2, Isa::Ssse3})
            if (const Kernels* k = kernelsFor(isa)) return k;
        return &kPortable;
    }();
    return *best;
}

}  // namespace oculon::primitives::saturated
