#pragma once
// Packed pixels to and from pair planes: each channel as its even pixels
// followed by its odd pixels (per half of 16 pixels), so that the arithmetic of
// the 4:2:2 and 4:2:0 conversions (one chroma sample per pixel pair) runs on
// unit-stride arrays, which the compiler vectorises well; it does poorly on
// the strided loads and stores of 3-byte pixels. The moves are byte
// shuffles with constant indices (__builtin_shufflevector, which GCC and
// clang both know): one pshufb each where the target has it.

#include <cstring>

#include "media/primitives/IppDefs.h"

// The helpers pass 32-byte vectors by value and are always inlined, so no
// call crosses the ABI that GCC warns about (-Wpsabi) for targets without
// AVX; a source that includes this header silences that warning.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

// Clones for AVX2, for SSSE3 (the byte shuffle) and for the x86-64 baseline,
// picked when the program starts; all compute the same bits. The thread
// sanitizer's build gets the baseline alone, as with OCULON_HOT_LOOP.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(OCULON_HOT_LOOP_BASELINE) && \
    !defined(__SANITIZE_THREAD__)
#define OCULON_SHUFFLE_LOOP __attribute__((target_clones("avx2", "ssse3", "default")))
#else
#define OCULON_SHUFFLE_LOOP
#endif

namespace oculon::primitives::lanes {

// 32 pixels a step, as two 16-pixel halves side by side: every shuffle stays
// within its 16-byte half (one vpshufb on AVX2, two pshufb on SSSE3).
typedef Ipp8u Bytes16 __attribute__((vector_size(16)));
typedef Ipp8u Bytes32 __attribute__((vector_size(32)));

[[gnu::always_inline]] inline Bytes16 load16(const Ipp8u* p) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void store16(Ipp8u* p, Bytes16 v) { std::memcpy(p, &v, sizeof v); }

[[gnu::always_inline]] inline Bytes32 load32(const Ipp8u* p) {
    Bytes32 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void store32(Ipp8u* p, Bytes32 v) { std::memcpy(p, &v, sizeof v); }

// Bytes at p and p + offset as the two halves.
[[gnu::always_inline]] inline Bytes32 loadHalves(const Ipp8u* p, int offset) {
    return __builtin_shufflevector(load16(p), load16(p + offset), 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                   16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
}

[[gnu::always_inline]] inline void storeHalves(Ipp8u* p, int offset, Bytes32 v) {
    store16(p, __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    store16(p + offset, __builtin_shufflevector(v, v, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31));
}

// A pair plane (each half: 8 even pixels, then 8 odd) to and from the arrays
// of the 16 even and the 16 odd pixels.
[[gnu::always_inline]] inline void storeEvenOdd(Bytes32 v, Ipp8u* e, Ipp8u* o) {
    store16(e, __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23));
    store16(o, __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15, 24, 25, 26, 27, 28, 29, 30, 31));
}

[[gnu::always_inline]] inline Bytes32 loadEvenOdd(const Ipp8u* e, const Ipp8u* o) {
    return __builtin_shufflevector(load16(e), load16(o), 0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23, 8, 9,
                                   10, 11, 12, 13, 14, 15, 24, 25, 26, 27, 28, 29, 30, 31);
}

// 32 single bytes into pair-plane order, and back.
[[gnu::always_inline]] inline Bytes32 splitEvenOdd(Bytes32 v) {
    return __builtin_shufflevector(v, v, 0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15, 16, 18, 20, 22, 24, 26,
                                   28, 30, 17, 19, 21, 23, 25, 27, 29, 31);
}

[[gnu::always_inline]] inline Bytes32 mergeEvenOdd(Bytes32 v) {
    return __builtin_shufflevector(v, v, 0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 16, 24, 17, 25, 18, 26,
                                   19, 27, 20, 28, 21, 29, 22, 30, 23, 31);
}

// 96 bytes of 32 three-byte pixels into the pair planes of channels 0, 1, 2.
[[gnu::always_inline]] inline void splitRgb(const Ipp8u* s, Bytes32& c0, Bytes32& c1, Bytes32& c2) {
    const Bytes32 a = loadHalves(s, 48), b = loadHalves(s + 16, 48), c = loadHalves(s + 32, 48);
    c0 =
        __builtin_shufflevector(__builtin_shufflevector(a, b, 0, 6, 12, 34, 40, 46, 0, 0, 3, 9, 15, 37, 43, 0, 0, 0, 16,
                                                        22, 28, 50, 56, 62, 16, 16, 19, 25, 31, 53, 59, 16, 16, 16),
                                c, 0, 1, 2, 3, 4, 5, 36, 42, 8, 9, 10, 11, 12, 33, 39, 45, 16, 17, 18, 19, 20, 21, 52,
                                58, 24, 25, 26, 27, 28, 49, 55, 61);
    c1 =
        __builtin_shufflevector(__builtin_shufflevector(a, b, 1, 7, 13, 35, 41, 47, 0, 0, 4, 10, 32, 38, 44, 0, 0, 0,
                                                        17, 23, 29, 51, 57, 63, 16, 16, 20, 26, 48, 54, 60, 16, 16, 16),
                                c, 0, 1, 2, 3, 4, 5, 37, 43, 8, 9, 10, 11, 12, 34, 40, 46, 16, 17, 18, 19, 20, 21, 53,
                                59, 24, 25, 26, 27, 28, 50, 56, 62);
    c2 =
        __builtin_shufflevector(__builtin_shufflevector(a, b, 2, 8, 14, 36, 42, 0, 0, 0, 5, 11, 33, 39, 45, 0, 0, 0, 18,
                                                        24, 30, 52, 58, 16, 16, 16, 21, 27, 49, 55, 61, 16, 16, 16),
                                c, 0, 1, 2, 3, 4, 32, 38, 44, 8, 9, 10, 11, 12, 35, 41, 47, 16, 17, 18, 19, 20, 48, 54,
                                60, 24, 25, 26, 27, 28, 51, 57, 63);
}

// The pair planes of channels 0, 1, 2 into 96 bytes of 32 pixels.
[[gnu::always_inline]] inline void mergeRgb(Bytes32 c0, Bytes32 c1, Bytes32 c2, Ipp8u* d) {
    storeHalves(
        d, 48,
        __builtin_shufflevector(__builtin_shufflevector(c0, c1, 0, 32, 0, 8, 40, 0, 1, 33, 0, 9, 41, 0, 2, 34, 0, 10,
                                                        16, 48, 16, 24, 56, 16, 17, 49, 16, 25, 57, 16, 18, 50, 16, 26),
                                c2, 0, 1, 32, 3, 4, 40, 6, 7, 33, 9, 10, 41, 12, 13, 34, 15, 16, 17, 48, 19, 20, 56, 22,
                                23, 49, 25, 26, 57, 28, 29, 50, 31));
    storeHalves(
        d + 16, 48,
        __builtin_shufflevector(__builtin_shufflevector(c0, c1, 42, 0, 3, 35, 0, 11, 43, 0, 4, 36, 0, 12, 44, 0, 5, 37,
                                                        58, 16, 19, 51, 16, 27, 59, 16, 20, 52, 16, 28, 60, 16, 21, 53),
                                c2, 0, 42, 2, 3, 35, 5, 6, 43, 8, 9, 36, 11, 12, 44, 14, 15, 16, 58, 18, 19, 51, 21, 22,
                                59, 24, 25, 52, 27, 28, 60, 30, 31));
    storeHalves(
        d + 32, 48,
        __builtin_shufflevector(__builtin_shufflevector(c0, c1, 0, 13, 45, 0, 6, 38, 0, 14, 46, 0, 7, 39, 0, 15, 47, 0,
                                                        16, 29, 61, 16, 22, 54, 16, 30, 62, 16, 23, 55, 16, 31, 63, 16),
                                c2, 37, 1, 2, 45, 4, 5, 38, 7, 8, 46, 10, 11, 39, 13, 14, 47, 53, 17, 18, 61, 20, 21,
                                54, 23, 24, 62, 26, 27, 55, 29, 30, 63));
}

// 64 bytes Y0 U Y1 V of 16 pairs into lumas (pair-plane order) and chroma
// (each half: 8 U, then 8 V).
[[gnu::always_inline]] inline void splitYuy2(const Ipp8u* s, Bytes32& y, Bytes32& uv) {
    const Bytes32 a = loadHalves(s, 32), b = loadHalves(s + 16, 32);
    y = __builtin_shufflevector(a, b, 0, 4, 8, 12, 32, 36, 40, 44, 2, 6, 10, 14, 34, 38, 42, 46, 16, 20, 24, 28, 48, 52,
                                56, 60, 18, 22, 26, 30, 50, 54, 58, 62);
    uv = __builtin_shufflevector(a, b, 1, 5, 9, 13, 33, 37, 41, 45, 3, 7, 11, 15, 35, 39, 43, 47, 17, 21, 25, 29, 49,
                                 53, 57, 61, 19, 23, 27, 31, 51, 55, 59, 63);
}

[[gnu::always_inline]] inline void mergeYuy2(Bytes32 y, Bytes32 uv, Ipp8u* d) {
    storeHalves(d, 32,
                __builtin_shufflevector(y, uv, 0, 32, 8, 40, 1, 33, 9, 41, 2, 34, 10, 42, 3, 35, 11, 43, 16, 48, 24, 56,
                                        17, 49, 25, 57, 18, 50, 26, 58, 19, 51, 27, 59));
    storeHalves(d + 16, 32,
                __builtin_shufflevector(y, uv, 4, 36, 12, 44, 5, 37, 13, 45, 6, 38, 14, 46, 7, 39, 15, 47, 20, 52, 28,
                                        60, 21, 53, 29, 61, 22, 54, 30, 62, 23, 55, 31, 63));
}

}  // namespace oculon::primitives::lanes
