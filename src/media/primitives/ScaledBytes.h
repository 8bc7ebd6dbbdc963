#pragma once
// The scale-factor rule of the 8-bit arithmetic, shared by the vector and the
// image bodies: the exact result of a + b, max(a - b, 0) or a x b, times
// 2^-scaleFactor, rounded half to even and saturated to 0..255. The rule is
// chosen once per call (Scale) and each choice is a plain element loop that
// the compiler vectorises; the loops are inline, so that each body's
// hot-loop clone compiles them for its own target.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::scaled {

// How an exact result becomes the stored one, decided once per call from the
// scale factor. Every kind is the exact value times 2^-scaleFactor, rounded
// half to even and saturated; the kinds only take the cheap road to it.
enum class Scaling { Saturate, Round, ShiftLeft, Sign, Zero };

struct Scale {
    Scaling kind;
    int shift;
};

enum class Op8 { Add, Sub, Mul };

// The largest scale factor at which a result can still be 1; above it every
// result rounds to 0 (the cut-off is one more: Add 10, Sub 9, Mul 17).
constexpr int limit8(Op8 op) { return op == Op8::Add ? 9 : op == Op8::Sub ? 8 : 16; }

inline Scale scale8(Op8 op, int sf) {
    if (sf == 0) return {Scaling::Saturate, 0};
    if (sf > limit8(op)) return {Scaling::Zero, 0};
    if (sf > 0) return {Scaling::Round, sf};
    if (sf >= -7) return {Scaling::ShiftLeft, -sf};
    return {Scaling::Sign, 0};
}

using u16 = std::uint16_t;

// The exact result fits 16 bits (a product is at most 65025), so the loops
// run on 16-bit lanes, twice as many per vector as 32-bit ones. Sub takes b
// from a.
template <Op8 op>
[[gnu::always_inline]] inline u16 exact8(u16 a, u16 b) {
    if constexpr (op == Op8::Add) return static_cast<u16>(a + b);
    else if constexpr (op == Op8::Sub) return a > b ? static_cast<u16>(a - b) : u16{0};
    else return static_cast<u16>(a * b);
}

[[gnu::always_inline]] inline Ipp8u saturate8(u16 v) { return static_cast<Ipp8u>(v < 255 ? v : 255); }

// Written as a minimum and a wrapping add or subtract, which the compiler
// keeps in byte lanes with one instruction each; a compare of the wrapped
// sum costs it three more.
template <Op8 op>
[[gnu::always_inline]] inline Ipp8u saturatedSum8(Ipp8u a, Ipp8u b) {
    if constexpr (op == Op8::Add) {
        const auto room = static_cast<Ipp8u>(255 - a);
        return static_cast<Ipp8u>(a + (b < room ? b : room));
    } else {
        return static_cast<Ipp8u>(a - (b < a ? b : a));
    }
}

// d[i] = the saturated a[i] x b[i], two bytes to a 16-bit word: the even
// bytes' products and the odd bytes' each fill a word lane, so the loop needs
// no widening and no packing back (the words are little-endian pairs).
static_assert(std::endian::native == std::endian::little, "byte pairs are read as little-endian words");

[[gnu::always_inline]] inline void saturatedProducts8(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, std::ptrdiff_t n) {
    for (std::ptrdiff_t i = 0; i + 1 < n; i += 2) {
        u16 x, y;
        std::memcpy(&x, a + i, 2);
        std::memcpy(&y, b + i, 2);
        const auto even = static_cast<u16>((x & 0xFF) * (y & 0xFF));
        const auto odd = static_cast<u16>((x >> 8) * (y >> 8));
        const auto w = static_cast<u16>((even < 255 ? even : 255) | (odd < 255 ? odd : 255) << 8);
        std::memcpy(d + i, &w, 2);
    }
    if (n % 2) d[n - 1] = saturate8(exact8<Op8::Mul>(a[n - 1], b[n - 1]));
}

// (s + 2^(k-1) - 1 + (q & 1)) >> k with q = s >> k, without the sum that
// would overflow 16 bits: q rounds up exactly when the remainder plus the
// parity of q passes half. The shift is a constant per instance, which keeps
// the vector lanes at 16 bits.
template <Op8 op, int K>
[[gnu::always_inline]] inline void roundBy(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, std::ptrdiff_t n) {
    constexpr u16 kMask = (1u << K) - 1;
    constexpr u16 kHalf = 1u << (K - 1);
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const u16 v = exact8<op>(a[i], b[i]);
        const u16 q = static_cast<u16>(v >> K);
        const u16 r = static_cast<u16>((v & kMask) + (q & 1));
        d[i] = saturate8(static_cast<u16>(q + (r > kHalf ? 1 : 0)));
    }
}

template <Op8 op, int... K>
[[gnu::always_inline]] inline void roundEach(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, std::ptrdiff_t n, int k,
                                             std::integer_sequence<int, K...>) {
    ((k == K + 1 ? roundBy<op, K + 1>(a, b, d, n) : void()), ...);
}

// d[i] = the scaled a[i] op b[i] for n elements; d may be a or b. One loop
// per scaling kind. Results are saturated on every road: a product at a small
// positive scale factor (255 x 255 / 2 = 32512) does not fit a byte. A Zero
// scale writes nothing; callers fill instead.
template <Op8 op>
[[gnu::always_inline]] inline void scaleBytes(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, std::ptrdiff_t n, Scale sc) {
    const int k = sc.shift;
    switch (sc.kind) {
        case Scaling::Saturate:
            if constexpr (op == Op8::Mul) {
                saturatedProducts8(a, b, d, n);
            } else {
                // Byte lanes.
                for (std::ptrdiff_t i = 0; i < n; ++i) d[i] = saturatedSum8<op>(a[i], b[i]);
            }
            break;
        case Scaling::Round: roundEach<op>(a, b, d, n, k, std::make_integer_sequence<int, limit8(op)>{}); break;
        case Scaling::ShiftLeft: {
            const u16 limit = static_cast<u16>(255u >> k);
            for (std::ptrdiff_t i = 0; i < n; ++i) {
                const u16 v = exact8<op>(a[i], b[i]);
                d[i] = v > limit ? Ipp8u{255} : static_cast<Ipp8u>(v << k);
            }
            break;
        }
        case Scaling::Sign:
            for (std::ptrdiff_t i = 0; i < n; ++i) d[i] = exact8<op>(a[i], b[i]) != 0 ? 255 : 0;
            break;
        case Scaling::Zero: break;
    }
}

// Bytes 0-2 of n 4-byte pixels by scaleBytes; byte 3 of d is not written.
// Whole pixels are computed into a block on the stack, so the arithmetic
// keeps its plain loops, and only the colour bytes are copied out.
template <Op8 op>
[[gnu::always_inline]] inline void scaleColour(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, std::ptrdiff_t n, Scale sc) {
    constexpr std::ptrdiff_t kBlock = 64;
    Ipp8u t[4 * kBlock];
    for (std::ptrdiff_t x = 0; x < n; x += kBlock) {
        const std::ptrdiff_t m = n - x < kBlock ? n - x : kBlock;
        scaleBytes<op>(a + 4 * x, b + 4 * x, t, 4 * m, sc);
        for (std::ptrdiff_t i = 0; i < m; ++i)
            for (int k = 0; k < 3; ++k) d[4 * (x + i) + k] = t[4 * i + k];
    }
}

// A row of one constant per channel, repeated: the second operand of the
// constant forms, `Pixel` bytes per pixel for kPixels pixels. Channels past
// the `values` given (the alpha of AC4) hold 0.
template <int Pixel>
struct ChannelPattern {
    static constexpr std::ptrdiff_t kPixels = 64;
    Ipp8u bytes[Pixel * kPixels];
    ChannelPattern(const Ipp8u* value, int values) {
        for (std::ptrdiff_t i = 0; i < kPixels; ++i)
            for (int k = 0; k < Pixel; ++k) bytes[Pixel * i + k] = k < values ? value[k] : 0;
    }
};

}  // namespace oculon::primitives::scaled
