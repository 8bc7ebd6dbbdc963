#include "media/primitives/ColourConversion.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/Packed422Kernels.h"
#include "media/primitives/PairLanes.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

// Rows are converted in chunks of up to kPairs pixel pairs through pair
// planes (PairLanes.h): every arithmetic loop then runs over unit-stride
// arrays, and only whole blocks of kBlock pixels are moved; a row's last partial
// block goes through a zero-padded copy of itself.
constexpr ptrdiff_t kPairs = 64;
constexpr ptrdiff_t kBlock = 32;  // pixels moved per shuffle step

template <typename T>
[[gnu::always_inline]] inline Ipp8u clamp8(T v) {
    return static_cast<Ipp8u>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// n pixels (any count) by a kernel that takes whole blocks: the blocks in
// place, the rest through padded copies of `inBytes` and `outBytes` per
// pixel. prepare(in, pixels) may complete the padded input.
template <int InBytes, int OutBytes, typename Kernel, typename Prepare>
void byBlocks(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, Kernel kernel, Prepare prepare) {
    const ptrdiff_t whole = n & ~(kBlock - 1), rest = n - whole;
    if (whole) kernel(s, d, whole);
    if (rest) {
        Ipp8u in[InBytes * kBlock] = {}, out[OutBytes * kBlock];
        std::memcpy(in, s + InBytes * whole, static_cast<std::size_t>(InBytes * rest));
        prepare(in, rest);
        kernel(in, out, kBlock);
        std::memcpy(d + OutBytes * whole, out, static_cast<std::size_t>(OutBytes * rest));
    }
}

// --- Packed 4:2:2 --------------------------------------------------------

// The chroma parts of R, G and B for one pair. Since Y << 16 is a multiple of
// 65536, ((Y << 16) + t) >> 16 equals Y + (t >> 16): the luma is added after
// the shift. 74711 = 65536 + 9175 and 133169 = 2 x 65536 + 2097 let R and B
// stay within 16 bits: (74711 v) >> 16 = v + ((9175 v) >> 16).
[[gnu::always_inline]] inline Ipp16s chromaR(Ipp16s v) { return static_cast<Ipp16s>(v + ((v * 9175) >> 16)); }
[[gnu::always_inline]] inline Ipp16s chromaG(Ipp16s u, Ipp16s v) {
    return static_cast<Ipp16s>((-25821 * u - 38076 * v) >> 16);
}
[[gnu::always_inline]] inline Ipp16s chromaB(Ipp16s u) { return static_cast<Ipp16s>(2 * u + ((u * 2097) >> 16)); }

// n pixels, a multiple of kBlock: pairs Y0 U Y1 V to R G B.
OCULON_SHUFFLE_LOOP void yuv422BlocksToRgb(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    Ipp8u ye[kPairs], yo[kPairs], u[kPairs], v[kPairs], re[kPairs], ro[kPairs], ge[kPairs], go[kPairs], be[kPairs],
        bo[kPairs];
    for (ptrdiff_t x = 0; x < n; x += 2 * kPairs) {
        const ptrdiff_t m = std::min(kPairs, (n - x) / 2);
        for (ptrdiff_t k = 0; k < m; k += kBlock / 2) {
            lanes::Bytes32 y, uv;
            lanes::splitYuy2(s + 2 * x + 4 * k, y, uv);
            lanes::storeEvenOdd(y, ye + k, yo + k);
            lanes::storeEvenOdd(uv, u + k, v + k);
        }
        for (ptrdiff_t k = 0; k < m; ++k) {
            const auto cu = static_cast<Ipp16s>(u[k] - 128), cv = static_cast<Ipp16s>(v[k] - 128);
            const Ipp16s tr = chromaR(cv), tg = chromaG(cu, cv), tb = chromaB(cu);
            const Ipp16s y0 = ye[k], y1 = yo[k];
            re[k] = clamp8<Ipp16s>(static_cast<Ipp16s>(y0 + tr));
            ro[k] = clamp8<Ipp16s>(static_cast<Ipp16s>(y1 + tr));
            ge[k] = clamp8<Ipp16s>(static_cast<Ipp16s>(y0 + tg));
            go[k] = clamp8<Ipp16s>(static_cast<Ipp16s>(y1 + tg));
            be[k] = clamp8<Ipp16s>(static_cast<Ipp16s>(y0 + tb));
            bo[k] = clamp8<Ipp16s>(static_cast<Ipp16s>(y1 + tb));
        }
        for (ptrdiff_t k = 0; k < m; k += kBlock / 2)
            lanes::mergeRgb(lanes::loadEvenOdd(re + k, ro + k), lanes::loadEvenOdd(ge + k, go + k),
                            lanes::loadEvenOdd(be + k, bo + k), d + 3 * x + 6 * k);
    }
}

// The first of the two pixels that the pair (y, u, y, v) gives.
void yuvPixel(Ipp8u y, Ipp8u u, Ipp8u v, Ipp8u* d) {
    const Ipp8u pair[4] = {y, u, y, v};
    Ipp8u rgb[6];
    byBlocks<2, 3>(pair, rgb, 2, yuv422BlocksToRgb, [](Ipp8u*, ptrdiff_t) {});
    std::memcpy(d, rgb, 3);
}

// Pixels of B, G, R bytes through the kernel of R, G, B ones.
void yuv422BlocksToBgr(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    yuv422BlocksToRgb(s, d, n);
    for (ptrdiff_t i = 0; i < n; ++i) std::swap(d[3 * i], d[3 * i + 2]);
}

template <bool Bgr>
void yuv422RowToRgb(const Ipp8u* s, Ipp8u* d, ptrdiff_t w) {
    if (w == 1) {
        yuvPixel(s[0], s[1], s[1], d);
        if (Bgr) std::swap(d[0], d[2]);
        return;
    }
    byBlocks<2, 3>(s, d, w & ~ptrdiff_t{1}, Bgr ? packed422::kernels().toBgr : packed422::kernels().toRgb,
                   [](Ipp8u*, ptrdiff_t) {});
    if (w & 1) {
        // The last pixel's own Y and U, and the V of the pair before it.
        const Ipp8u* last = s + 2 * (w - 1);
        Ipp8u* out = d + 3 * (w - 1);
        yuvPixel(last[0], last[1], last[-1], out);
        if (Bgr) std::swap(out[0], out[2]);
    }
}

[[gnu::always_inline]] inline int luma422(int r, int g, int b) { return 19595 * r + 38470 * g + 7471 * b; }

// F = luma422(r, g, b) in 16-bit lanes: each constant split into its high
// and low byte gives F = 256 P + Q with P and Q below 65536, so that
// F >> 16 = (P + (Q >> 8)) >> 8 (Q / 256 only adds a fraction to P) and
// F mod 65536 = (P << 8) + Q in wrapping 16-bit arithmetic.
struct Luma422 {
    Ipp8u high;
    Ipp16u low;
};

[[gnu::always_inline]] inline Luma422 luma422Parts(Ipp16u r, Ipp16u g, Ipp16u b) {
    const auto p = static_cast<Ipp16u>(76 * r + 150 * g + 29 * b);
    const auto q = static_cast<Ipp16u>(139 * r + 70 * g + 47 * b);
    return {static_cast<Ipp8u>(static_cast<Ipp16u>(p + (q >> 8)) >> 8), static_cast<Ipp16u>((p << 8) + q)};
}

// (x * c) >> 16 for 16-bit x and c, which the compiler turns into one
// multiply-high instruction.
[[gnu::always_inline]] inline Ipp16s mulHigh(Ipp16s x, Ipp16s c) { return static_cast<Ipp16s>((x * c) >> 16); }

// n pixels, a multiple of kBlock, into pairs Y0 U Y1 V.
OCULON_SHUFFLE_LOOP void rgbBlocksToYuv422(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    Ipp8u re[kPairs], ro[kPairs], ge[kPairs], go[kPairs], be[kPairs], bo[kPairs], ye[kPairs], yo[kPairs], u[kPairs],
        v[kPairs];
    for (ptrdiff_t x = 0; x < n; x += 2 * kPairs) {
        const ptrdiff_t m = std::min(kPairs, (n - x) / 2);
        for (ptrdiff_t k = 0; k < m; k += kBlock / 2) {
            lanes::Bytes32 r, g, b;
            lanes::splitRgb(s + 3 * x + 6 * k, r, g, b);
            lanes::storeEvenOdd(r, re + k, ro + k);
            lanes::storeEvenOdd(g, ge + k, go + k);
            lanes::storeEvenOdd(b, be + k, bo + k);
        }
        for (ptrdiff_t k = 0; k < m; ++k) {
            const Luma422 f0 = luma422Parts(re[k], ge[k], be[k]), f1 = luma422Parts(ro[k], go[k], bo[k]);
            // With S = F0 + F1, the pair's differences are
            // ((sum << 16) - S + 65535) >> 16 = sum - (S >> 16), and
            // S >> 16 is the two lumas plus the carry of the low halves.
            const auto carry = static_cast<Ipp16s>(static_cast<Ipp16u>(f0.low + f1.low) < f0.low);
            const auto s16 = static_cast<Ipp16s>(f0.high + f1.high + carry);
            const auto du = static_cast<Ipp16s>(be[k] + bo[k] - s16), dv = static_cast<Ipp16s>(re[k] + ro[k] - s16);
            ye[k] = f0.high;
            yo[k] = f1.high;
            // (du x 32244) >> 17, and (dv x 57475) >> 17 with
            // 57475 = 65536 - 8061: U stays within 17..239, V is clamped.
            u[k] = static_cast<Ipp8u>(128 + (mulHigh(du, 32244) >> 1));
            v[k] = clamp8<Ipp16s>(static_cast<Ipp16s>(128 + (static_cast<Ipp16s>(dv + mulHigh(dv, -8061)) >> 1)));
        }
        for (ptrdiff_t k = 0; k < m; k += kBlock / 2)
            lanes::mergeYuy2(lanes::loadEvenOdd(ye + k, yo + k), lanes::loadEvenOdd(u + k, v + k), d + 2 * x + 4 * k);
    }
}

// Pixels of B, G, R bytes through the kernel of R, G, B ones, a block at a
// time.
void bgrBlocksToYuv422(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    Ipp8u rgb[3 * kBlock];
    for (ptrdiff_t x = 0; x < n; x += kBlock) {
        for (ptrdiff_t i = 0; i < kBlock; ++i)
            for (int c = 0; c < 3; ++c) rgb[3 * i + c] = s[3 * (x + i) + 2 - c];
        rgbBlocksToYuv422(rgb, d + 2 * x, kBlock);
    }
}

template <bool Bgr>
void rgbRowToYuv422(const Ipp8u* s, Ipp8u* d, ptrdiff_t w) {
    byBlocks<3, 2>(s, d, w & ~ptrdiff_t{1}, Bgr ? packed422::kernels().fromBgr : packed422::kernels().fromRgb,
                   [](Ipp8u*, ptrdiff_t) {});
    if (w & 1) {
        // A pixel without partner: its own difference, rounded to nearest,
        // and Y, U only.
        const Ipp8u* p = s + 3 * (w - 1);
        const int red = p[Bgr ? 2 : 0], blue = p[Bgr ? 0 : 2];
        const int f = luma422(red, p[1], blue);
        const int du = ((blue << 16) - f + 32767) >> 16;
        Ipp8u* out = d + 2 * (w - 1);
        out[0] = static_cast<Ipp8u>(f >> 16);
        out[1] = static_cast<Ipp8u>(128 + ((du * 32244) >> 16));
    }
}

namespace packed422avx2 {
#include "media/primitives/Packed422Kernels.inc"
}  // namespace packed422avx2

// --- Planar 4:2:0 readers ------------------------------------------------

// A reader model turns each chroma pair k into kTerms 16-bit terms (t[i][k])
// and a luma byte plus the terms of its pair into an output pixel: three
// bytes (kOut 3) or one 16-bit word (kOut 1). The terms live in one table
// per chunk, a plane per term, so that every loop has unit stride.
using Terms = Ipp16s[][kPairs];

// Full-range YUV with the 4:2:2 formulas.
struct Yuv420Model {
    using Out = Ipp8u;
    static constexpr int kOut = 3, kTerms = 3;
    [[gnu::always_inline]] static void terms(int u, int v, Terms t, ptrdiff_t k) {
        const auto cu = static_cast<Ipp16s>(u - 128), cv = static_cast<Ipp16s>(v - 128);
        t[0][k] = chromaR(cv);
        t[1][k] = chromaG(cu, cv);
        t[2][k] = chromaB(cu);
    }
    [[gnu::always_inline]] static void pixel(Ipp16s y, const Terms t, ptrdiff_t k, Ipp8u& c0, Ipp8u& c1, Ipp8u& c2) {
        c0 = clamp8<Ipp16s>(static_cast<Ipp16s>(y + t[0][k]));
        c1 = clamp8<Ipp16s>(static_cast<Ipp16s>(y + t[1][k]));
        c2 = clamp8<Ipp16s>(static_cast<Ipp16s>(y + t[2][k]));
    }
};

// Studio-range YCbCr: clamp((L + C) >> 16) with L = 76284 (Y - 16) and the
// chroma part C, no rounding term. In 16-bit lanes: with L = 65536 Lh + Ll
// and C = 65536 Ch + Cl (Ll, Cl the low halves), (L + C) >> 16 is
// Lh + Ch plus the carry of Ll + Cl. L's halves come from 10748 Y, since
// 76284 = 65536 + 10748 and -1220544 = -19 x 65536 + 24640. Terms: the high
// halves of R, G, B, then the low halves.
struct YCbCr420Model {
    using Out = Ipp8u;
    static constexpr int kOut = 3, kTerms = 6;
    [[gnu::always_inline]] static void split(int c, Terms t, int i, ptrdiff_t k) {
        t[i][k] = static_cast<Ipp16s>(c >> 16);
        t[i + 3][k] = static_cast<Ipp16s>(c & 0xFFFF);
    }
    [[gnu::always_inline]] static void terms(int cb, int cr, Terms t, ptrdiff_t k) {
        cb -= 128;
        cr -= 128;
        split(104595 * cr, t, 0, k);
        split(-25690 * cb - 53281 * cr, t, 1, k);
        split(132186 * cb, t, 2, k);
    }
    [[gnu::always_inline]] static Ipp8u channel(Ipp16s lh, Ipp16u ll, Ipp16s high, Ipp16s low) {
        const auto carry = static_cast<Ipp16s>(static_cast<Ipp16u>(ll + static_cast<Ipp16u>(low)) < ll);
        return clamp8<Ipp16s>(static_cast<Ipp16s>(lh + high + carry));
    }
    [[gnu::always_inline]] static void pixel(Ipp16s y, const Terms t, ptrdiff_t k, Ipp8u& c0, Ipp8u& c1, Ipp8u& c2) {
        const auto lo = static_cast<Ipp16u>(y * 10748), ll = static_cast<Ipp16u>(lo + 24640);
        const auto lh = static_cast<Ipp16s>(y + mulHigh(y, 10748) - 19 + (ll < lo));
        c0 = channel(lh, ll, t[0][k], t[3][k]);
        c1 = channel(lh, ll, t[1][k], t[4][k]);
        c2 = channel(lh, ll, t[2][k], t[5][k]);
    }
};

// Studio-range YCbCr to 16-bit colour with the coarser constants of the
// 16-bit path; G6 selects 5-6-5, else 5-5-5.
template <bool G6>
struct YCbCr420To16Model {
    using Out = Ipp16u;
    static constexpr int kOut = 1, kTerms = 3;
    [[gnu::always_inline]] static void terms(int cb, int cr, Terms t, ptrdiff_t k) {
        const int c = (cb - 128) * 128, d = (cr - 128) * 128;
        t[0][k] = static_cast<Ipp16s>((d * 13074) >> 16);
        t[1][k] = static_cast<Ipp16s>(-((d * 6660) >> 16) - ((c * 3211) >> 16));
        t[2][k] = static_cast<Ipp16s>((c * 16523) >> 16);
    }
    [[gnu::always_inline]] static Ipp16u word(int y, const Terms t, ptrdiff_t k) {
        const int l = ((y - 16) * 128 * 9535) >> 16;
        const int rr = clamp8((l + t[0][k]) >> 4), gg = clamp8((l + t[1][k]) >> 4), bb = clamp8((l + t[2][k]) >> 4);
        if constexpr (G6) return static_cast<Ipp16u>((rr >> 3) + ((gg >> 2) << 5) + ((bb >> 3) << 11));
        else return static_cast<Ipp16u>((rr >> 3) + ((gg >> 3) << 5) + ((bb >> 3) << 10));
    }
};

// One luma row of m pairs (a multiple of kBlock / 2) with the terms of its
// chroma row.
template <typename Model>
[[gnu::always_inline]] inline void readRow(const Ipp8u* y, const Terms t, Ipp8u* d, ptrdiff_t m) {
    Ipp8u ye[kPairs], yo[kPairs];
    for (ptrdiff_t k = 0; k < m; k += kBlock / 2)
        lanes::storeEvenOdd(lanes::splitEvenOdd(lanes::load32(y + 2 * k)), ye + k, yo + k);
    if constexpr (Model::kOut == 3) {
        Ipp8u c[6][kPairs];  // r, g, b of the even pixels, then of the odd
        for (ptrdiff_t k = 0; k < m; ++k) {
            Model::pixel(ye[k], t, k, c[0][k], c[1][k], c[2][k]);
            Model::pixel(yo[k], t, k, c[3][k], c[4][k], c[5][k]);
        }
        for (ptrdiff_t k = 0; k < m; k += kBlock / 2)
            lanes::mergeRgb(lanes::loadEvenOdd(c[0] + k, c[3] + k), lanes::loadEvenOdd(c[1] + k, c[4] + k),
                            lanes::loadEvenOdd(c[2] + k, c[5] + k), d + 6 * k);
    } else {
        Ipp16u w[2 * kPairs];
        for (ptrdiff_t k = 0; k < m; ++k) {
            w[2 * k] = Model::word(ye[k], t, k);
            w[2 * k + 1] = Model::word(yo[k], t, k);
        }
        std::memcpy(d, w, static_cast<std::size_t>(4 * m));
    }
}

// The 4:2:0 drivers give their block kernels whole segments of kSegment
// pixels (a step of every kernel set); a row's rest goes through padded
// copies.
constexpr ptrdiff_t kSegment = 64;

// A block kernel of the 4:2:0 readers: n pixels (a multiple of kSegment) of
// one or two luma rows (y1 may be null) sharing a chroma row; the chroma terms
// are formed once per pair and serve both rows. Outputs are addressed in
// bytes.
using ReadBlocks = void (*)(const Ipp8u* y0, const Ipp8u* y1, const Ipp8u* u, const Ipp8u* v, Ipp8u* d0, Ipp8u* d1,
                            ptrdiff_t n);

template <typename Model>
OCULON_SHUFFLE_LOOP void readBlocks(const Ipp8u* y0, const Ipp8u* y1, const Ipp8u* u, const Ipp8u* v, Ipp8u* d0,
                                    Ipp8u* d1, ptrdiff_t n) {
    constexpr ptrdiff_t kBytes = Model::kOut * static_cast<ptrdiff_t>(sizeof(typename Model::Out));
    Ipp16s t[Model::kTerms][kPairs];
    for (ptrdiff_t x = 0; x < n; x += 2 * kPairs) {
        const ptrdiff_t m = std::min(kPairs, (n - x) / 2);
        for (ptrdiff_t k = 0; k < m; ++k) Model::terms(u[x / 2 + k], v[x / 2 + k], t, k);
        readRow<Model>(y0 + x, t, d0 + kBytes * x, m);
        if (y1) readRow<Model>(y1 + x, t, d1 + kBytes * x, m);
    }
}

// n pixels from column x of one or two rows (y1 may be null); u and v address
// the chroma of column x (even). kBytes: output bytes per pixel.
template <ReadBlocks Blocks, ptrdiff_t kBytes>
void readSegment(const Ipp8u* y0, const Ipp8u* y1, const Ipp8u* u, const Ipp8u* v, Ipp8u* d0, Ipp8u* d1, ptrdiff_t n) {
    const ptrdiff_t whole = n & ~(kSegment - 1), rest = n - whole;
    if (whole) Blocks(y0, y1, u, v, d0, d1, whole);
    if (!rest) return;
    Ipp8u ya[kSegment] = {}, yb[kSegment] = {}, ua[kSegment / 2] = {}, va[kSegment / 2] = {};
    Ipp8u oa[kBytes * kSegment], ob[kBytes * kSegment];
    std::memcpy(ya, y0 + whole, static_cast<std::size_t>(rest));
    if (y1) std::memcpy(yb, y1 + whole, static_cast<std::size_t>(rest));
    std::memcpy(ua, u + whole / 2, static_cast<std::size_t>((rest + 1) / 2));
    std::memcpy(va, v + whole / 2, static_cast<std::size_t>((rest + 1) / 2));
    Blocks(ya, y1 ? yb : nullptr, ua, va, oa, ob, kSegment);
    std::memcpy(d0 + kBytes * whole, oa, static_cast<std::size_t>(kBytes * rest));
    if (y1) std::memcpy(d1 + kBytes * whole, ob, static_cast<std::size_t>(kBytes * rest));
}

template <ReadBlocks Blocks, ptrdiff_t kBytes>
IppStatus read420(const Ipp8u* const pSrc[3], const int srcStep[3], void* pDst, int dstStep, IppiSize roi) {
    if (!pSrc || !srcStep || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (!pSrc[0] || !pSrc[1] || !pSrc[2]) return ippStsNullPtrErr;
    const ptrdiff_t w = roi.width, h = roi.height, even = w & ~ptrdiff_t{1};
    auto luma = [&](ptrdiff_t i) { return region::row(pSrc[0], srcStep[0], i); };
    auto cb = [&](ptrdiff_t i) { return region::row(pSrc[1], srcStep[1], i / 2); };
    auto cr = [&](ptrdiff_t i) { return region::row(pSrc[2], srcStep[2], i / 2); };
    auto out = [&](ptrdiff_t i) { return region::row(pDst, dstStep, i); };
    // Row pairs, two columns at a time; then the odd last column of each row
    // pair; then the odd last row. The order only matters to a destination
    // that overlaps the planes, but it is the order the family documents.
    for (ptrdiff_t i = 0; i + 1 < h; i += 2)
        if (even) readSegment<Blocks, kBytes>(luma(i), luma(i + 1), cb(i), cr(i), out(i), out(i + 1), even);
    if (w & 1)
        for (ptrdiff_t i = 0; i + 1 < h; i += 2)
            readSegment<Blocks, kBytes>(luma(i) + even, luma(i + 1) + even, cb(i) + even / 2, cr(i) + even / 2,
                                        out(i) + kBytes * even, out(i + 1) + kBytes * even, 1);
    if (h & 1) readSegment<Blocks, kBytes>(luma(h - 1), nullptr, cb(h - 1), cr(h - 1), out(h - 1), nullptr, w);
    return ippStsNoErr;
}

template <typename Model>
IppStatus readModel(const Ipp8u* const pSrc[3], const int srcStep[3], void* pDst, int dstStep, IppiSize roi) {
    constexpr ptrdiff_t kBytes = Model::kOut * static_cast<ptrdiff_t>(sizeof(typename Model::Out));
    return read420<readBlocks<Model>, kBytes>(pSrc, srcStep, pDst, dstStep, roi);
}

// The studio-range reader's blocks into 4-byte pixels whose fourth byte is
// 255, through the 3-byte kernel a block at a time.
void ycbcrBlocksToRgbx(const Ipp8u* y0, const Ipp8u* y1, const Ipp8u* u, const Ipp8u* v, Ipp8u* d0, Ipp8u* d1,
                       ptrdiff_t n) {
    Ipp8u rgb[2][3 * kBlock];
    Ipp8u* out[2] = {d0, d1};
    for (ptrdiff_t x = 0; x < n; x += kBlock) {
        readBlocks<YCbCr420Model>(y0 + x, y1 ? y1 + x : nullptr, u + x / 2, v + x / 2, rgb[0], rgb[1], kBlock);
        for (int row = 0; row < (y1 ? 2 : 1); ++row)
            for (ptrdiff_t k = 0; k < kBlock; ++k) {
                std::memcpy(out[row] + 4 * (x + k), rgb[row] + 3 * k, 3);
                out[row][4 * (x + k) + 3] = 255;
            }
    }
}

// --- Colour to planar 4:2:0 ----------------------------------------------

// (16843 R + 33030 G + 6423 B + 1081344) >> 16, 1081344 = 16.5 x 65536
// being the offset 16 and the rounding; in 16-bit lanes as luma422Byte.
[[gnu::always_inline]] inline Ipp8u studioLuma(Ipp16u r, Ipp16u g, Ipp16u b) {
    const auto p = static_cast<Ipp16u>(65 * r + 129 * g + 25 * b + 4224);
    const auto q = static_cast<Ipp16u>(203 * r + 6 * g + 23 * b);
    return static_cast<Ipp8u>(static_cast<Ipp16u>(p + (q >> 8)) >> 8);
}

// (c0 sr + c1 sg + c2 sb + 32768) >> 18 for the sums of a block's four
// pixels, in 16-bit lanes: each product as its high half (multiply-high) and
// low half (wrapping multiply), the low halves added with their carries.
template <int C0, int C1, int C2>
[[gnu::always_inline]] inline Ipp16s blockChroma(Ipp16s sr, Ipp16s sg, Ipp16s sb) {
    // The low halves from unsigned factors: the same 16 bits, and a product
    // the compiler keeps apart from the signed one of mulHigh, so that both
    // stay 16-bit multiplies.
    constexpr auto u0 = static_cast<Ipp16u>(C0), u1 = static_cast<Ipp16u>(C1), u2 = static_cast<Ipp16u>(C2);
    const auto l0 = static_cast<Ipp16u>(static_cast<Ipp16u>(sr) * u0),
               l1 = static_cast<Ipp16u>(static_cast<Ipp16u>(sg) * u1),
               l2 = static_cast<Ipp16u>(static_cast<Ipp16u>(sb) * u2);
    const auto a = static_cast<Ipp16u>(l0 + l1), b = static_cast<Ipp16u>(a + l2), c = static_cast<Ipp16u>(b + 32768);
    const int carries = (a < l0) + (b < a) + (c < b);
    return static_cast<Ipp16s>(static_cast<Ipp16s>(mulHigh(sr, C0) + mulHigh(sg, C1) + mulHigh(sb, C2) + carries) >> 2);
}

// n pixels (a multiple of kBlock) of a row pair (rows 2; s1 may equal s0) or of
// the odd last row (rows 1, standing for both rows of its blocks): luma for
// each row, one Cb and Cr per block of four.
OCULON_SHUFFLE_LOOP void rgbBlocksTo420(const Ipp8u* s0, const Ipp8u* s1, Ipp8u* y0, Ipp8u* y1, Ipp8u* cb, Ipp8u* cr,
                                        ptrdiff_t n, int rows) {
    Ipp8u c[2][6][kPairs];  // per row: r even, r odd, g even, g odd, b even, b odd
    Ipp16s sums[3][kPairs];
    Ipp8u ye[kPairs], yo[kPairs];
    const Ipp8u* src[2] = {s0, rows == 2 ? s1 : s0};
    Ipp8u* luma[2] = {y0, y1};
    for (ptrdiff_t x = 0; x < n; x += 2 * kPairs) {
        const ptrdiff_t m = std::min(kPairs, (n - x) / 2);
        for (int row = 0; row < 2; ++row) {
            for (ptrdiff_t k = 0; k < m; k += kBlock / 2) {
                lanes::Bytes32 r, g, b;
                lanes::splitRgb(src[row] + 3 * x + 6 * k, r, g, b);
                lanes::storeEvenOdd(r, c[row][0] + k, c[row][1] + k);
                lanes::storeEvenOdd(g, c[row][2] + k, c[row][3] + k);
                lanes::storeEvenOdd(b, c[row][4] + k, c[row][5] + k);
            }
            if (row >= rows) continue;
            const auto& p = c[row];
            for (ptrdiff_t k = 0; k < m; ++k) {
                ye[k] = studioLuma(p[0][k], p[2][k], p[4][k]);
                yo[k] = studioLuma(p[1][k], p[3][k], p[5][k]);
            }
            for (ptrdiff_t k = 0; k < m; k += kBlock / 2)
                lanes::store32(luma[row] + x + 2 * k, lanes::mergeEvenOdd(lanes::loadEvenOdd(ye + k, yo + k)));
        }
        // The block sums pass through memory: read back, they are plain
        // 16-bit numbers to the compiler, whose products then stay 16-bit
        // multiplies instead of widening to 32 bits.
        for (ptrdiff_t k = 0; k < m; ++k) {
            sums[0][k] = static_cast<Ipp16s>(c[0][0][k] + c[0][1][k] + c[1][0][k] + c[1][1][k]);
            sums[1][k] = static_cast<Ipp16s>(c[0][2][k] + c[0][3][k] + c[1][2][k] + c[1][3][k]);
            sums[2][k] = static_cast<Ipp16s>(c[0][4][k] + c[0][5][k] + c[1][4][k] + c[1][5][k]);
        }
        for (ptrdiff_t k = 0; k < m; ++k) {
            const Ipp16s sr = sums[0][k], sg = sums[1][k], sb = sums[2][k];
            cb[x / 2 + k] = static_cast<Ipp8u>(128 + blockChroma<-9699, -19071, 28770>(sr, sg, sb));
            cr[x / 2 + k] = static_cast<Ipp8u>(128 + blockChroma<28770, -24117, -4653>(sr, sg, sb));
        }
    }
}

// A block kernel of the 4:2:0 writer, as rgbBlocksTo420, given a multiple
// of kSegment pixels.
using WriteBlocks = void (*)(const Ipp8u* s0, const Ipp8u* s1, Ipp8u* y0, Ipp8u* y1, Ipp8u* cb, Ipp8u* cr, ptrdiff_t n,
                             int rows);

// One row pair, any width, or (rows 1) the odd last row. Without
// EdgeBlocks chroma goes only to complete 2 x 2 blocks: an odd last column
// and an odd last row get luma alone, so the chroma planes receive
// floor(w/2) x floor(h/2) samples. With EdgeBlocks a block cut by the image's
// edge takes its missing column from the last pixel and its missing row from
// the last row, giving the ceil(w/2) x ceil(h/2) samples a reader uses.
template <WriteBlocks Blocks, bool EdgeBlocks>
void rgbRowPairTo420(const Ipp8u* s0, const Ipp8u* s1, Ipp8u* y0, Ipp8u* y1, Ipp8u* cb, Ipp8u* cr, ptrdiff_t n,
                     int rows) {
    const bool chroma = EdgeBlocks || rows == 2;
    const ptrdiff_t whole = chroma ? n & ~(kSegment - 1) : 0;
    if (whole) Blocks(s0, s1, y0, y1, cb, cr, whole, rows);
    for (ptrdiff_t x = whole; x < n; x += kSegment) {
        const ptrdiff_t rest = std::min(kSegment, n - x);
        Ipp8u in[2][3 * kSegment] = {}, ya[kSegment], yb[kSegment], ca[kSegment / 2], cc[kSegment / 2];
        const Ipp8u* src[2] = {s0, rows == 2 ? s1 : s0};
        for (int row = 0; row < 2; ++row) {
            std::memcpy(in[row], src[row] + 3 * x, static_cast<std::size_t>(3 * rest));
            if (EdgeBlocks && (rest & 1)) std::memcpy(in[row] + 3 * rest, in[row] + 3 * (rest - 1), 3);
        }
        Blocks(in[0], in[1], ya, yb, ca, cc, kSegment, rows);
        std::memcpy(y0 + x, ya, static_cast<std::size_t>(rest));
        if (rows == 2) std::memcpy(y1 + x, yb, static_cast<std::size_t>(rest));
        if (!chroma) continue;
        const auto samples = static_cast<std::size_t>(EdgeBlocks ? (rest + 1) / 2 : rest / 2);
        std::memcpy(cb + x / 2, ca, samples);
        std::memcpy(cr + x / 2, cc, samples);
    }
}

template <WriteBlocks Blocks, bool EdgeBlocks = false>
IppStatus write420(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[3], const int dstStep[3], IppiSize roi) {
    if (!pSrc || !pDst || !dstStep) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (!pDst[0] || !pDst[1] || !pDst[2]) return ippStsNullPtrErr;
    const ptrdiff_t h = roi.height;
    for (ptrdiff_t i = 0; i < h; i += 2) {
        const ptrdiff_t i1 = std::min(i + 1, h - 1);
        rgbRowPairTo420<Blocks, EdgeBlocks>(region::row(pSrc, srcStep, i), region::row(pSrc, srcStep, i1),
                                            region::row(pDst[0], dstStep[0], i), region::row(pDst[0], dstStep[0], i1),
                                            region::row(pDst[1], dstStep[1], i / 2),
                                            region::row(pDst[2], dstStep[2], i / 2), roi.width, i1 > i ? 2 : 1);
    }
    return ippStsNoErr;
}

// The 4:2:2 conversions row by row. Rows that follow each other without a
// gap are one long row to the kernel when the width is even; an odd width
// ends every row with a pixel of its own.
template <int InBytes, int OutBytes>
IppStatus packedRows(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                     void (*rowFn)(const Ipp8u*, Ipp8u*, ptrdiff_t)) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    const ptrdiff_t w = roi.width;
    region::eachRow(pSrc, srcStep, InBytes, pDst, dstStep, OutBytes, roi,
                    [w, rowFn](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
                        if (n == w || (w & 1) == 0) rowFn(s, d, n);
                        else
                            for (ptrdiff_t x = 0; x < n; x += w) rowFn(s + InBytes * x, d + OutBytes * x, w);
                    });
    return ippStsNoErr;
}

// --- Kernel sets -----------------------------------------------------------

// The byte orders of the vector kernels (Planar420Kernels.inc), per 16-byte
// lane of 16 pixels.
using Lane = std::array<Ipp8u, 16>;

// Where the channel bytes of a lane's pixels lie once packed: its even
// pixels, then its odd ones.
constexpr int channelByte(int pixel) { return pixel % 2 ? 8 + pixel / 2 : pixel / 2; }

// Byte j of output chunk k (of three) of a lane's 48 bytes R, G, B: channel
// c's byte of its pixel, or zero (0x80) for the other channels.
constexpr Lane rgbMask(int k, int c) {
    Lane m{};
    for (int j = 0; j < 16; ++j) {
        const int p = 16 * k + j;
        m[static_cast<std::size_t>(j)] = static_cast<Ipp8u>(p % 3 == c ? channelByte(p / 3) : 0x80);
    }
    return m;
}

constexpr Lane kRgbMasks[3][3] = {{rgbMask(0, 0), rgbMask(0, 1), rgbMask(0, 2)},
                                  {rgbMask(1, 0), rgbMask(1, 1), rgbMask(1, 2)},
                                  {rgbMask(2, 0), rgbMask(2, 1), rgbMask(2, 2)}};

// Four 3-byte pixels from byte `shift` on as the words (first channel,
// next channel) per dword.
constexpr Lane groupMask(int first, int shift) {
    Lane m{};
    for (int j = 0; j < 16; ++j)
        m[static_cast<std::size_t>(j)] = static_cast<Ipp8u>(j % 2 ? 0x80 : 3 * (j / 4) + first + (j / 2) % 2 + shift);
    return m;
}

constexpr Lane kRedGreen = groupMask(0, 0), kGreenBlue = groupMask(1, 0), kRedGreenLast = groupMask(0, 4),
               kGreenBlueLast = groupMask(1, 4);

#define OCULON_KERNELS "media/primitives/Planar420Kernels.inc"
#define OCULON_KERNELS_AVX2
#define OCULON_KERNELS_AVX512
#include "media/primitives/KernelLevels.inc"

template <ReadBlocks Blocks, ptrdiff_t kBytes>
IppStatus readPixels(const Ipp8u* const planes[3], const int steps[3], Ipp8u* dst, int dstStep, IppiSize roi) {
    return read420<Blocks, kBytes>(planes, steps, dst, dstStep, roi);
}

constexpr packed422::Kernels kPortable422{yuv422BlocksToRgb, yuv422BlocksToBgr, rgbBlocksToYuv422, bgrBlocksToYuv422};
constexpr packed422::Kernels kAvx2422{packed422avx2::yuy2ToRgb<false>, packed422avx2::yuy2ToRgb<true>,
                                      packed422avx2::rgbToYuy2<false>, packed422avx2::rgbToYuy2<true>};

constexpr planar420::Kernels kPortable{readPixels<readBlocks<YCbCr420Model>, 3>, readPixels<ycbcrBlocksToRgbx, 4>,
                                       write420<rgbBlocksTo420>, write420<rgbBlocksTo420, true>};
constexpr planar420::Kernels kAvx2{readPixels<avx2::ycbcrBlocks<3>, 3>, readPixels<avx2::ycbcrBlocks<4>, 4>,
                                   write420<avx2::rgbBlocks>, write420<avx2::rgbBlocks, true>};
constexpr planar420::Kernels kAvx512{readPixels<avx512::ycbcrBlocks<3>, 3>, readPixels<avx512::ycbcrBlocks<4>, 4>,
                                     write420<avx512::rgbBlocks>, write420<avx512::rgbBlocks, true>};

// --- Grey ----------------------------------------------------------------

template <int Pixel>
OCULON_HOT_LOOP void greyRow(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, int w0, int w1, int w2) {
    for (ptrdiff_t j = 0; j < n; ++j)
        d[j] = clamp8((w0 * s[Pixel * j] + w1 * s[Pixel * j + 1] + w2 * s[Pixel * j + 2]) >> 12);
}

template <int Pixel>
IppStatus toGrey(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, const Ipp32f coeffs[3]) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    const GreyWeights wt = greyWeights(coeffs);
    region::eachRow(pSrc, srcStep, Pixel, pDst, dstStep, 1, roi,
                    [&wt](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { greyRow<Pixel>(s, d, n, wt.w0, wt.w1, wt.w2); });
    return ippStsNoErr;
}

}  // namespace

namespace planar420 {

const Kernels* kernelsFor(Isa isa) {
    switch (isa) {
        case Isa::Portable: return &kPortable;
        case Isa::Avx2: __builtin_cpu_init(); return __builtin_cpu_supports("avx2") ? &kAvx2 : nullptr;
        case Isa::Avx512: __builtin_cpu_init(); return __builtin_cpu_supports("avx512bw") ? &kAvx512 : nullptr;
    }
    return nullptr;
}

const Kernels& kernels() {
    static const Kernels* const best = [] {
        for (Isa isa : {Isa::Avx512, Isa::Avx2})
            if (const Kernels* k = kernelsFor(isa)) return k;
        return kernelsFor(Isa::Portable);
    }();
    return *best;
}

}  // namespace planar420

namespace packed422 {

const Kernels* kernelsFor(Isa isa) {
    switch (isa) {
        case Isa::Portable: return &kPortable422;
        case Isa::Avx2: __builtin_cpu_init(); return __builtin_cpu_supports("avx2") ? &kAvx2422 : nullptr;
    }
    return nullptr;
}

const Kernels& kernels() {
    static const Kernels* const best = [] {
        const Kernels* k = kernelsFor(Isa::Avx2);
        return k ? k : kernelsFor(Isa::Portable);
    }();
    return *best;
}

IppStatus yuv422ToBgr(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return packedRows<2, 3>(pSrc, srcStep, pDst, dstStep, roi, yuv422RowToRgb<true>);
}

IppStatus bgrToYuv422(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return packedRows<3, 2>(pSrc, srcStep, pDst, dstStep, roi, rgbRowToYuv422<true>);
}

}  // namespace packed422

GreyWeights greyWeights(const Ipp32f coeffs[3]) {
    if (!coeffs) return {1225, 2404, 467};
    // Bounded so that three weighted bytes stay within 32 bits; a NaN weight
    // counts as 0.
    auto weight = [](Ipp32f c) {
        const double x = static_cast<double>(c) * 4096.0 + 0.5;
        return std::isnan(x) ? 0 : static_cast<int>(std::clamp(x, -1048576.0, 1048576.0));
    };
    return {weight(coeffs[0]), weight(coeffs[1]), weight(coeffs[2])};
}

IppStatus _px_ippiYUV422ToRGB_8u_C2C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return packedRows<2, 3>(pSrc, srcStep, pDst, dstStep, roi, yuv422RowToRgb<false>);
}

IppStatus _px_ippiRGBToYUV422_8u_C3C2R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    return packedRows<3, 2>(pSrc, srcStep, pDst, dstStep, roi, rgbRowToYuv422<false>);
}

IppStatus _px_ippiYUV420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep,
                                       IppiSize roi) {
    return readModel<Yuv420Model>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiYCbCr420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep,
                                         IppiSize roi) {
    return planar420::kernels().toRgb(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiYCbCr420ToRGB555_8u16u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp16u* pDst, int dstStep,
                                               IppiSize roi) {
    // The step counts whole words.
    return readModel<YCbCr420To16Model<false>>(pSrc, srcStep, pDst, (dstStep >> 1) * 2, roi);
}

IppStatus _px_ippiYCbCr420ToRGB565_8u16u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp16u* pDst, int dstStep,
                                               IppiSize roi) {
    return readModel<YCbCr420To16Model<true>>(pSrc, srcStep, pDst, (dstStep >> 1) * 2, roi);
}

IppStatus _px_ippiRGBToYCbCr420_8u_C3P3R(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[3], int dstStep[3],
                                         IppiSize roi) {
    return planar420::kernels().fromRgb(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiColorToGray_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                       const Ipp32f coeffs[3]) {
    return toGrey<3>(pSrc, srcStep, pDst, dstStep, roi, coeffs);
}

IppStatus _px_ippiColorToGray_8u_AC4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                        const Ipp32f coeffs[3]) {
    return toGrey<4>(pSrc, srcStep, pDst, dstStep, roi, coeffs);
}

OCULON_IPP_DEFINE(ippiYUV422ToRGB_8u_C2C3R);
OCULON_IPP_DEFINE(ippiRGBToYUV422_8u_C3C2R);
OCULON_IPP_DEFINE(ippiYUV420ToRGB_8u_P3C3R);
OCULON_IPP_DEFINE(ippiYCbCr420ToRGB_8u_P3C3R);
OCULON_IPP_DEFINE(ippiYCbCr420ToRGB555_8u16u_P3C3R);
OCULON_IPP_DEFINE(ippiYCbCr420ToRGB565_8u16u_P3C3R);
OCULON_IPP_DEFINE(ippiRGBToYCbCr420_8u_C3P3R);
OCULON_IPP_DEFINE(ippiColorToGray_8u_C3C1R);
OCULON_IPP_DEFINE(ippiColorToGray_8u_AC4C1R);

}  // namespace oculon::primitives
