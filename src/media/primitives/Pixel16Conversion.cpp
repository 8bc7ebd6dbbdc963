#include "media/primitives/Pixel16Conversion.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "media/primitives/ImageRegion.h"
#include "media/primitives/HotLoop.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

static_assert(std::endian::native == std::endian::little, "pixels are assembled as little-endian words");

struct Bgr {
    unsigned b, g, r;
};

// The two 16-bit layouts: green's width and red's position.
struct Rgb565 {
    static Bgr expand(unsigned p) { return {(p & 0x1F) << 3, ((p >> 5) & 0x3F) << 2, (p >> 11) << 3}; }
    static Ipp16u pack(unsigned b, unsigned g, unsigned r) {
        return static_cast<Ipp16u>((b >> 3) | (g >> 2) << 5 | (r >> 3) << 11);
    }
};

struct Rgb555 {
    static Bgr expand(unsigned p) { return {(p & 0x1F) << 3, ((p >> 5) & 0x1F) << 3, ((p >> 10) & 0x1F) << 3}; }
    static Ipp16u pack(unsigned b, unsigned g, unsigned r) {
        return static_cast<Ipp16u>((b >> 3) | (g >> 3) << 5 | (r >> 3) << 10);
    }
};

Ipp16u load16(const Ipp8u* p) {
    Ipp16u v;
    std::memcpy(&v, p, 2);
    return v;
}

void store16(Ipp8u* p, Ipp16u v) { std::memcpy(p, &v, 2); }

// 16-bit pixels to Pixel-byte pixels; a fourth byte gets alpha.
template <typename Layout, int Pixel>
OCULON_HOT_LOOP void expandRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, Ipp8u alpha) {
    for (ptrdiff_t i = 0; i < n; ++i) {
        const Bgr c = Layout::expand(load16(s + 2 * i));
        if constexpr (Pixel == 4) {
            // One word per pixel, which the compiler vectorises where four
            // byte stores it does not.
            const std::uint32_t px = c.b | c.g << 8 | c.r << 16 | std::uint32_t{alpha} << 24;
            std::memcpy(d + 4 * i, &px, 4);
        } else {
            d[3 * i] = static_cast<Ipp8u>(c.b);
            d[3 * i + 1] = static_cast<Ipp8u>(c.g);
            d[3 * i + 2] = static_cast<Ipp8u>(c.r);
        }
    }
}

template <typename Layout, int Pixel>
OCULON_HOT_LOOP void packRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    for (ptrdiff_t i = 0; i < n; ++i) {
        const Ipp8u* px = s + Pixel * i;
        store16(d + 2 * i, Layout::pack(px[0], px[1], px[2]));
    }
}

template <typename Fn>
OCULON_HOT_LOOP void repackRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, Fn fn) {
    for (ptrdiff_t i = 0; i < n; ++i) store16(d + 2 * i, fn(load16(s + 2 * i)));
}

template <typename Layout, int Pixel>
IppStatus expand(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, Ipp8u alpha = 0) {
    if (region::badSize(roi)) return ippStsNoErr;
    region::eachRow(pSrc, srcStep, 2, pDst, dstStep, Pixel, roi,
                    [alpha](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { expandRow<Layout, Pixel>(s, d, n, alpha); });
    return ippStsNoErr;
}

void portableRgb565ToRgb(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { expandRow<Rgb565, 3>(s, d, n, 0); }

// ---- RGB565 to 3-byte pixels with AVX-512 VBMI: a step widens 64 pixels,
// two vectors of words, into three vectors of bytes. Per half of 32
// pixels, one vector holds each pixel's blue and green bytes in place of
// its word and another its red byte as the word's high byte; two-table byte
// permutes then lay the bytes out as pixels, the middle output vector
// taking its pixels from both halves.
namespace vbmi {

#define OCULON_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

constexpr int kStep = 64, kHalf = 32;

// Output byte j of vector o: pixel p, channel c; its byte within the
// tables of p's half (blue and green first, red second).
constexpr int pixelOf(int o, int j) { return (64 * o + j) / 3; }
constexpr Ipp8u tableByte(int o, int j) {
    const int q = pixelOf(o, j) % kHalf, c = (64 * o + j) % 3;
    return static_cast<Ipp8u>(c == 2 ? 64 + 2 * q + 1 : 2 * q + c);
}
constexpr std::array<std::array<Ipp8u, 64>, 3> kTableBytes = [] {
    std::array<std::array<Ipp8u, 64>, 3> t{};
    for (int o = 0; o < 3; ++o)
        for (int j = 0; j < 64; ++j) t[static_cast<std::size_t>(o)][static_cast<std::size_t>(j)] = tableByte(o, j);
    return t;
}();
// The bytes of the middle vector that come from the second half.
constexpr __mmask64 kSecondHalf = [] {
    __mmask64 m = 0;
    for (int j = 0; j < 64; ++j)
        if (pixelOf(1, j) >= kHalf) m |= __mmask64{1} << j;
    return m;
}();

// The lowest `count` lanes of a mask of `lanes` (64 or 32).
OCULON_VBMI inline __mmask64 lowest(ptrdiff_t count, int lanes) {
    if (count >= lanes) return lanes == 64 ? ~__mmask64{0} : (__mmask64{1} << lanes) - 1;
    return count <= 0 ? 0 : (__mmask64{1} << count) - 1;
}

// Blue (5 bits) and green (6 bits) widened into bytes f x 8 and f x 4 of a
// word, and red as f x 8 in its high byte.
struct Widened {
    __m512i blueGreen, red;
};

OCULON_VBMI inline Widened widen(__m512i words) {
    const __m512i green = _mm512_and_si512(_mm512_slli_epi16(words, 5), _mm512_set1_epi16(static_cast<short>(0xFC00)));
    // (words << 3 & 0x00F8) | green: blue in the low byte, green in the high one
    const __m512i blueGreen =
        _mm512_ternarylogic_epi64(_mm512_slli_epi16(words, 3), green, _mm512_set1_epi16(0x00F8), 0xEC);
    return {blueGreen, _mm512_and_si512(words, _mm512_set1_epi16(static_cast<short>(0xF800)))};
}

struct Tables {
    __m512i index[3];
};

// The words of a half's first `count` pixels (all 32 when count is larger).
OCULON_VBMI inline __m512i loadHalf(const Ipp8u* s, ptrdiff_t count) {
    if (count >= kHalf) return _mm512_loadu_si512(s);
    return _mm512_maskz_loadu_epi16(static_cast<__mmask32>(lowest(count, kHalf)), s);
}

// `count` pixels (at most kStep) from s and d on.
OCULON_VBMI inline void step(const Tables& t, const Ipp8u* s, Ipp8u* d, ptrdiff_t count) {
    const bool whole = count == kStep;
    const Widened a = widen(loadHalf(s, count)), b = widen(loadHalf(s + 2 * kHalf, count - kHalf));
    const __m512i out[3] = {
        _mm512_permutex2var_epi8(a.blueGreen, t.index[0], a.red),
        _mm512_mask_blend_epi8(kSecondHalf, _mm512_permutex2var_epi8(a.blueGreen, t.index[1], a.red),
                               _mm512_permutex2var_epi8(b.blueGreen, t.index[1], b.red)),
        _mm512_permutex2var_epi8(b.blueGreen, t.index[2], b.red)};
    for (int o = 0; o < 3; ++o) {
        if (whole) _mm512_storeu_si512(d + 64 * o, out[o]);
        else _mm512_mask_storeu_epi8(d + 64 * o, lowest(3 * count - 64 * o, 64), out[o]);
    }
}

// A first step up to the pixel whose bytes start a cache line, so that the
// whole steps store whole lines.
OCULON_VBMI void rgb565ToRgb(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    Tables t;
    for (int o = 0; o < 3; ++o) t.index[o] = _mm512_loadu_si512(kTableBytes[static_cast<std::size_t>(o)].data());
    ptrdiff_t at = 0;
    while (at < kStep && reinterpret_cast<std::uintptr_t>(d + 3 * at) % 64 != 0) ++at;
    at = std::min(at, n);
    if (at > 0) step(t, s, d, at);
    for (; at + kStep <= n; at += kStep) step(t, s + 2 * at, d + 3 * at, kStep);
    if (at < n) step(t, s + 2 * at, d + 3 * at, n - at);
}

#undef OCULON_VBMI

}  // namespace vbmi

constexpr pixel16::Kernels kPortable{portableRgb565ToRgb};
constexpr pixel16::Kernels kVbmi{vbmi::rgb565ToRgb};

template <typename Layout, int Pixel>
IppStatus pack(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    if (region::badSize(roi)) return ippStsNoErr;
    region::eachRow(pSrc, srcStep, Pixel, pDst, dstStep, 2, roi,
                    [](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { packRow<Layout, Pixel>(s, d, n); });
    return ippStsNoErr;
}

template <typename Fn>
IppStatus repack(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi, Fn fn) {
    if (region::badSize(roi)) return ippStsNoErr;
    region::eachRow(pSrc, srcStep, 2, pDst, dstStep, 2, roi,
                    [fn](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { repackRow(s, d, n, fn); });
    return ippStsNoErr;
}

}  // namespace

namespace pixel16 {

const Kernels* kernelsFor(Isa isa) {
    __builtin_cpu_init();
    switch (isa) {
        case Isa::Portable: return &kPortable;
        case Isa::Avx512:
            return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") ? &kVbmi : nullptr;
    }
    return nullptr;
}

const Kernels& kernels() {
    static const Kernels* const best = [] {
        const Kernels* wide = kernelsFor(Isa::Avx512);
        return wide ? wide : &kPortable;
    }();
    return *best;
}

}  // namespace pixel16

IppStatus ippiRGB565ToRGB_8u_C3R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    if (region::badSize(roi)) return ippStsNoErr;
    const auto row = pixel16::kernels().rgb565ToRgb;
    region::eachRow(pSrc, srcStep, 2, pDst, dstStep, 3, roi, row);
    return ippStsNoErr;
}

IppStatus ippiRGB555ToRGB_8u_C3R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return expand<Rgb555, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGB565ToRGBA_8u_AC4R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return expand<Rgb565, 4>(pSrc, srcStep, pDst, dstStep, roi, 255);
}

IppStatus ippiRGB555ToRGBA_8u_AC4R(const Ipp16u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return expand<Rgb555, 4>(pSrc, srcStep, pDst, dstStep, roi, 127);
}

IppStatus ippiRGB_8u_C3RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return pack<Rgb565, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGB_8u_C3RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return pack<Rgb555, 3>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGBA_8u_AC4RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return pack<Rgb565, 4>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGBA_8u_AC4RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return pack<Rgb555, 4>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus ippiRGB565ToRGB555(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return repack(pSrc, srcStep, pDst, dstStep, roi,
                  [](Ipp16u p) { return static_cast<Ipp16u>((p & 0x1F) | ((p >> 1) & 0x7FE0)); });
}

IppStatus ippiRGB555ToRGB565(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep, IppiSize roi) {
    return repack(pSrc, srcStep, pDst, dstStep, roi,
                  [](Ipp16u p) { return static_cast<Ipp16u>((p & 0x1F) | ((p & 0x7FE0) << 1)); });
}

}  // namespace oculon::primitives
