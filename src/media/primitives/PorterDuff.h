#pragma once
// The Porter-Duff rules on samples with full value M = 2^Bits - 1 (255 for
// bytes, 65535 for 16-bit samples). Products with an opacity are scaled back
// by M with truncation, through shift and add instead of a division:
// (x + (x >> Bits) + 1) >> Bits equals x / M for every x up to M x M, and the
// sum stays within 32 bits.

#include <cstdint>

namespace oculon::primitives::porter_duff {

template <int Bits>
inline constexpr std::uint32_t kFull = (std::uint32_t{1} << Bits) - 1;

template <int Bits>
constexpr std::uint32_t div(std::uint32_t x) {
    return (x + (x >> Bits) + 1) >> Bits;
}

template <int Bits>
constexpr std::uint32_t mul(std::uint32_t x, std::uint32_t y) {
    return div<Bits>(x * y);
}

template <int Bits>
constexpr std::uint32_t sat(std::uint32_t v) {
    return v < kFull<Bits> ? v : kFull<Bits>;
}

enum class Rule { Over, In, Out, ATop, Xor, Plus };

// Only these rules look at the second image's colour.
constexpr bool readsSecond(Rule r) { return r != Rule::In && r != Rule::Out; }

// One colour sample from the premultiplied colours a and b with opacities aA
// and aB. The rules on straight colours never exceed M, so saturating every
// result changes only the premultiplied ones, which need it.
template <int Bits, Rule R>
constexpr std::uint32_t colour(std::uint32_t a, std::uint32_t aA, std::uint32_t b, std::uint32_t aB) {
    constexpr std::uint32_t m = kFull<Bits>;
    switch (R) {
        case Rule::Over: return sat<Bits>(a + mul<Bits>(b, m - aA));
        case Rule::In: return mul<Bits>(a, aB);
        case Rule::Out: return mul<Bits>(a, m - aB);
        case Rule::ATop: return sat<Bits>(mul<Bits>(aB, a) + mul<Bits>(b, m - aA));
        case Rule::Xor: return sat<Bits>(mul<Bits>(a, m - aB) + mul<Bits>(b, m - aA));
        case Rule::Plus: return sat<Bits>(a + b);
    }
    return 0;
}

// The opacity of the result.
template <int Bits, Rule R>
constexpr std::uint32_t opacity(std::uint32_t aA, std::uint32_t aB) {
    constexpr std::uint32_t m = kFull<Bits>;
    switch (R) {
        case Rule::Over: return aA + mul<Bits>(aB, m - aA);
        case Rule::In: return mul<Bits>(aB, aA);
        case Rule::Out: return mul<Bits>(aA, m - aB);
        case Rule::ATop: return aB;
        case Rule::Xor: return mul<Bits>(m - aB, aA) + mul<Bits>(m - aA, aB);
        case Rule::Plus: return sat<Bits>(aA + aB);
    }
    return 0;
}

}  // namespace oculon::primitives::porter_duff
