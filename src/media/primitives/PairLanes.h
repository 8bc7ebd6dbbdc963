#pragma once
// Packed pixels to and from pair planes, 16 pixels at a time: each channel as
// its 8 even pixels followed by its 8 odd pixels, so that the arithmetic of
// the 4:2:2 and 4:2:0 conversions (one chroma sample per pixel pair) runs on
// unit-stride arrays, which the compiler vectorises well; it does poorly on
// the strided loads and stores of 3-byte pixels. The moves are byte
// shuffles with constant masks: one pshufb each where the target has it.

#include <cstring>

#include "media/primitives/IppDefs.h"

// Clones for AVX2, for SSSE3 (the byte shuffle) and for the x86-64 baseline,
// picked when the program starts; all compute the same bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(OCULON_HOT_LOOP_BASELINE)
#define OCULON_SHUFFLE_LOOP __attribute__((target_clones("avx2", "ssse3", "default")))
#else
#define OCULON_SHUFFLE_LOOP
#endif

namespace oculon::primitives::lanes {

typedef Ipp8u Bytes16 __attribute__((vector_size(16)));
typedef Ipp8u Bytes8 __attribute__((vector_size(8)));

[[gnu::always_inline]] inline Bytes16 load(const Ipp8u* p) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void store(Ipp8u* p, Bytes16 v) { std::memcpy(p, &v, sizeof v); }

// The halves of a pair plane: even pixels to e, odd pixels to o. The halves
// move as 8-byte vectors, never through memory in other sizes (which would
// stall the store forwarding).
[[gnu::always_inline]] inline void storeHalves(Bytes16 v, Ipp8u* e, Ipp8u* o) {
    const Bytes8 lo = __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7);
    const Bytes8 hi = __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15);
    std::memcpy(e, &lo, sizeof lo);
    std::memcpy(o, &hi, sizeof hi);
}

[[gnu::always_inline]] inline Bytes16 loadHalves(const Ipp8u* e, const Ipp8u* o) {
    Bytes8 lo, hi;
    std::memcpy(&lo, e, sizeof lo);
    std::memcpy(&hi, o, sizeof hi);
    return __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}

// 16 single bytes into even | odd order.
[[gnu::always_inline]] inline Bytes16 splitEvenOdd(Bytes16 v) {
    return __builtin_shuffle(v, Bytes16{0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15});
}

// Even | odd back into pixel order, for 16-byte halves of 8 pixels.
[[gnu::always_inline]] inline Bytes16 mergeEvenOddLow(Bytes16 v) {
    return __builtin_shuffle(v, Bytes16{0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15});
}

// 48 bytes of 16 three-byte pixels into the pair planes of channels 0, 1, 2.
[[gnu::always_inline]] inline void splitRgb(const Ipp8u* s, Bytes16& c0, Bytes16& c1, Bytes16& c2) {
    const Bytes16 a = load(s), b = load(s + 16), c = load(s + 32);
    c0 = __builtin_shuffle(__builtin_shuffle(a, b, Bytes16{0, 6, 12, 18, 24, 30, 0, 0, 3, 9, 15, 21, 27, 0, 0, 0}), c,
                           Bytes16{0, 1, 2, 3, 4, 5, 20, 26, 8, 9, 10, 11, 12, 17, 23, 29});
    c1 = __builtin_shuffle(__builtin_shuffle(a, b, Bytes16{1, 7, 13, 19, 25, 31, 0, 0, 4, 10, 16, 22, 28, 0, 0, 0}), c,
                           Bytes16{0, 1, 2, 3, 4, 5, 21, 27, 8, 9, 10, 11, 12, 18, 24, 30});
    c2 = __builtin_shuffle(__builtin_shuffle(a, b, Bytes16{2, 8, 14, 20, 26, 0, 0, 0, 5, 11, 17, 23, 29, 0, 0, 0}), c,
                           Bytes16{0, 1, 2, 3, 4, 16, 22, 28, 8, 9, 10, 11, 12, 19, 25, 31});
}

// The pair planes of channels 0, 1, 2 into 48 bytes of 16 pixels.
[[gnu::always_inline]] inline void mergeRgb(Bytes16 c0, Bytes16 c1, Bytes16 c2, Ipp8u* d) {
    store(d, __builtin_shuffle(__builtin_shuffle(c0, c1, Bytes16{0, 16, 0, 8, 24, 0, 1, 17, 0, 9, 25, 0, 2, 18, 0, 10}),
                               c2, Bytes16{0, 1, 16, 3, 4, 24, 6, 7, 17, 9, 10, 25, 12, 13, 18, 15}));
    store(d + 16,
          __builtin_shuffle(__builtin_shuffle(c0, c1, Bytes16{26, 0, 3, 19, 0, 11, 27, 0, 4, 20, 0, 12, 28, 0, 5, 21}),
                            c2, Bytes16{0, 26, 2, 3, 19, 5, 6, 27, 8, 9, 20, 11, 12, 28, 14, 15}));
    store(d + 32,
          __builtin_shuffle(__builtin_shuffle(c0, c1, Bytes16{0, 13, 29, 0, 6, 22, 0, 14, 30, 0, 7, 23, 0, 15, 31, 0}),
                            c2, Bytes16{21, 1, 2, 29, 4, 5, 22, 7, 8, 30, 10, 11, 23, 13, 14, 31}));
}

// 32 bytes Y0 U Y1 V of 8 pairs into lumas (even | odd) and chroma (U | V).
[[gnu::always_inline]] inline void splitYuy2(const Ipp8u* s, Bytes16& y, Bytes16& uv) {
    const Bytes16 a = load(s), b = load(s + 16);
    y = __builtin_shuffle(a, b, Bytes16{0, 4, 8, 12, 16, 20, 24, 28, 2, 6, 10, 14, 18, 22, 26, 30});
    uv = __builtin_shuffle(a, b, Bytes16{1, 5, 9, 13, 17, 21, 25, 29, 3, 7, 11, 15, 19, 23, 27, 31});
}

[[gnu::always_inline]] inline void mergeYuy2(Bytes16 y, Bytes16 uv, Ipp8u* d) {
    store(d, __builtin_shuffle(y, uv, Bytes16{0, 16, 8, 24, 1, 17, 9, 25, 2, 18, 10, 26, 3, 19, 11, 27}));
    store(d + 16, __builtin_shuffle(y, uv, Bytes16{4, 20, 12, 28, 5, 21, 13, 29, 6, 22, 14, 30, 7, 23, 15, 31}));
}

}  // namespace oculon::primitives::lanes
