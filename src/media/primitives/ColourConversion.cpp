#include "media/primitives/ColourConversion.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageRegion.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

// Rows are converted in chunks of this many pixels (even), through small
// arrays of per-pixel terms: every loop then has unit or constant strides and
// the compiler vectorises it.
constexpr ptrdiff_t kChunk = 256;

[[gnu::always_inline]] inline Ipp8u clamp8(int v) { return static_cast<Ipp8u>(std::clamp(v, 0, 255)); }

// --- Packed 4:2:2 --------------------------------------------------------

// The chroma parts of R, G and B for one pair. Since Y << 16 is a multiple of
// 65536, ((Y << 16) + t) >> 16 equals Y + (t >> 16): the luma is added after
// the shift.
struct Chroma422 {
    int r, g, b;
};

[[gnu::always_inline]] inline Chroma422 chroma422(int u, int v) {
    u -= 128;
    v -= 128;
    return {(74711 * v) >> 16, (-25821 * u - 38076 * v) >> 16, (133169 * u) >> 16};
}

[[gnu::always_inline]] inline void putRgb(Ipp8u* d, int y, Chroma422 c) {
    d[0] = clamp8(y + c.r);
    d[1] = clamp8(y + c.g);
    d[2] = clamp8(y + c.b);
}

// n pixels (even) from n / 2 pairs.
OCULON_HOT_LOOP void yuv422PairsToRgb(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    Ipp16s tr[kChunk], tg[kChunk], tb[kChunk];
    for (ptrdiff_t x = 0; x < n; x += kChunk, s += 2 * kChunk, d += 3 * kChunk) {
        const ptrdiff_t m = std::min(kChunk, n - x);
        for (ptrdiff_t k = 0; k < m / 2; ++k) {
            const Chroma422 c = chroma422(s[4 * k + 1], s[4 * k + 3]);
            tr[2 * k] = tr[2 * k + 1] = static_cast<Ipp16s>(c.r);
            tg[2 * k] = tg[2 * k + 1] = static_cast<Ipp16s>(c.g);
            tb[2 * k] = tb[2 * k + 1] = static_cast<Ipp16s>(c.b);
        }
        for (ptrdiff_t j = 0; j < m; ++j) {
            const int y = s[2 * j];
            d[3 * j] = clamp8(y + tr[j]);
            d[3 * j + 1] = clamp8(y + tg[j]);
            d[3 * j + 2] = clamp8(y + tb[j]);
        }
    }
}

void yuv422RowToRgb(const Ipp8u* s, Ipp8u* d, ptrdiff_t w) {
    if (w == 1) {
        putRgb(d, s[0], chroma422(s[1], s[1]));
        return;
    }
    yuv422PairsToRgb(s, d, w & ~ptrdiff_t{1});
    if (w & 1) {
        // The last pixel's own Y and U, and the V of the pair before it.
        const Ipp8u* last = s + 2 * (w - 1);
        putRgb(d + 3 * (w - 1), last[0], chroma422(last[1], last[-1]));
    }
}

[[gnu::always_inline]] inline int luma422(int r, int g, int b) { return 19595 * r + 38470 * g + 7471 * b; }

// n pixels (even) into n / 2 pairs Y0 U Y1 V.
OCULON_HOT_LOOP void rgbPairsToYuv422(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
    Ipp32s f[kChunk];
    Ipp16s rr[kChunk], bb[kChunk];
    for (ptrdiff_t x = 0; x < n; x += kChunk, s += 3 * kChunk, d += 2 * kChunk) {
        const ptrdiff_t m = std::min(kChunk, n - x);
        for (ptrdiff_t j = 0; j < m; ++j) {
            const int r = s[3 * j], g = s[3 * j + 1], b = s[3 * j + 2];
            f[j] = luma422(r, g, b);
            rr[j] = static_cast<Ipp16s>(r);
            bb[j] = static_cast<Ipp16s>(b);
        }
        for (ptrdiff_t k = 0; k < m / 2; ++k) {
            const int f0 = f[2 * k], f1 = f[2 * k + 1];
            const int sum = f0 + f1;
            // Differences rounded up; U stays within 17..239, V may leave the
            // byte range and is clamped.
            const int du = ((((bb[2 * k] + bb[2 * k + 1]) << 16) - sum + 65535) >> 16);
            const int dv = ((((rr[2 * k] + rr[2 * k + 1]) << 16) - sum + 65535) >> 16);
            d[4 * k] = static_cast<Ipp8u>(f0 >> 16);
            d[4 * k + 1] = static_cast<Ipp8u>(128 + ((du * 32244) >> 17));
            d[4 * k + 2] = static_cast<Ipp8u>(f1 >> 16);
            d[4 * k + 3] = clamp8(128 + ((dv * 57475) >> 17));
        }
    }
}

void rgbRowToYuv422(const Ipp8u* s, Ipp8u* d, ptrdiff_t w) {
    rgbPairsToYuv422(s, d, w & ~ptrdiff_t{1});
    if (w & 1) {
        // A pixel without partner: its own difference, rounded to nearest,
        // and Y, U only.
        const Ipp8u* p = s + 3 * (w - 1);
        const int f = luma422(p[0], p[1], p[2]);
        const int du = ((p[2] << 16) - f + 32767) >> 16;
        Ipp8u* out = d + 2 * (w - 1);
        out[0] = static_cast<Ipp8u>(f >> 16);
        out[1] = static_cast<Ipp8u>(128 + ((du * 32244) >> 16));
    }
}

// --- Planar 4:2:0 readers ------------------------------------------------

// A reader model turns one chroma pair into three per-pixel terms (Term) and
// a luma byte plus its terms into an output pixel (Out, `kOut` elements).

// Full-range YUV with the 4:2:2 formulas.
struct Yuv420Model {
    using Term = Ipp16s;
    using Out = Ipp8u;
    static constexpr int kOut = 3;
    static void terms(int u, int v, Term& r, Term& g, Term& b) {
        const Chroma422 c = chroma422(u, v);
        r = static_cast<Term>(c.r);
        g = static_cast<Term>(c.g);
        b = static_cast<Term>(c.b);
    }
    [[gnu::always_inline]] static void pixel(int y, int r, int g, int b, Out* d) {
        d[0] = clamp8(y + r);
        d[1] = clamp8(y + g);
        d[2] = clamp8(y + b);
    }
};

// Studio-range YCbCr: L = 76284 (Y - 16), no rounding term.
struct YCbCr420Model {
    using Term = Ipp32s;
    using Out = Ipp8u;
    static constexpr int kOut = 3;
    static void terms(int cb, int cr, Term& r, Term& g, Term& b) {
        cb -= 128;
        cr -= 128;
        r = 104595 * cr;
        g = -25690 * cb - 53281 * cr;
        b = 132186 * cb;
    }
    [[gnu::always_inline]] static void pixel(int y, int r, int g, int b, Out* d) {
        const int l = 76284 * y - 1220544;
        d[0] = clamp8((l + r) >> 16);
        d[1] = clamp8((l + g) >> 16);
        d[2] = clamp8((l + b) >> 16);
    }
};

// Studio-range YCbCr to 16-bit colour with the coarser constants of the
// 16-bit path; G6 selects 5-6-5, else 5-5-5.
template <bool G6>
struct YCbCr420To16Model {
    using Term = Ipp16s;
    using Out = Ipp16u;
    static constexpr int kOut = 1;
    static void terms(int cb, int cr, Term& r, Term& g, Term& b) {
        const int c = (cb - 128) * 128, d = (cr - 128) * 128;
        r = static_cast<Term>((d * 13074) >> 16);
        g = static_cast<Term>(-((d * 6660) >> 16) - ((c * 3211) >> 16));
        b = static_cast<Term>((c * 16523) >> 16);
    }
    [[gnu::always_inline]] static void pixel(int y, int r, int g, int b, Out* d) {
        const int l = ((y - 16) * 128 * 9535) >> 16;
        const int rr = clamp8((l + r) >> 4), gg = clamp8((l + g) >> 4), bb = clamp8((l + b) >> 4);
        if constexpr (G6) *d = static_cast<Out>((rr >> 3) + ((gg >> 2) << 5) + ((bb >> 3) << 11));
        else *d = static_cast<Out>((rr >> 3) + ((gg >> 3) << 5) + ((bb >> 3) << 10));
    }
};

// n pixels from column x (even, or the odd last column) of one or two luma
// rows sharing a chroma row; u and v address the chroma of column x. The
// chroma terms are formed once per block and serve both rows.
template <typename Model>
OCULON_HOT_LOOP void readSegment(const Ipp8u* y0, const Ipp8u* y1, const Ipp8u* u, const Ipp8u* v,
                                 typename Model::Out* d0, typename Model::Out* d1, ptrdiff_t n) {
    using Term = typename Model::Term;
    constexpr int kOut = Model::kOut;
    Term tr[kChunk], tg[kChunk], tb[kChunk];
    for (ptrdiff_t x = 0; x < n; x += kChunk) {
        const ptrdiff_t m = std::min(kChunk, n - x);
        for (ptrdiff_t k = 0; k < (m + 1) / 2; ++k) {
            Term r, g, b;
            Model::terms(u[x / 2 + k], v[x / 2 + k], r, g, b);
            tr[2 * k] = tr[2 * k + 1] = r;
            tg[2 * k] = tg[2 * k + 1] = g;
            tb[2 * k] = tb[2 * k + 1] = b;
        }
        for (ptrdiff_t j = 0; j < m; ++j) Model::pixel(y0[x + j], tr[j], tg[j], tb[j], d0 + kOut * (x + j));
        if (y1)
            for (ptrdiff_t j = 0; j < m; ++j) Model::pixel(y1[x + j], tr[j], tg[j], tb[j], d1 + kOut * (x + j));
    }
}

template <typename Model>
IppStatus read420(const Ipp8u* const pSrc[3], const int srcStep[3], typename Model::Out* pDst, ptrdiff_t dstStep,
                  IppiSize roi) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (!pSrc[0] || !pSrc[1] || !pSrc[2]) return ippStsNullPtrErr;
    // Steps are read only when the region needs them: a one-row image of a
    // caller that passes a single step is fine.
    const ptrdiff_t w = roi.width, h = roi.height, even = w & ~ptrdiff_t{1};
    using Out = typename Model::Out;
    constexpr int kOut = Model::kOut;
    auto luma = [&](ptrdiff_t i) { return pSrc[0] + i * srcStep[0]; };
    auto cb = [&](ptrdiff_t i) { return pSrc[1] + (i / 2) * srcStep[1]; };
    auto cr = [&](ptrdiff_t i) { return pSrc[2] + (i / 2) * srcStep[2]; };
    auto out = [&](ptrdiff_t i) { return pDst + i * dstStep; };
    // Row pairs, two columns at a time; then the odd last column of each row
    // pair; then the odd last row. The order only matters to a destination
    // that overlaps the planes, but it is the order the family documents.
    for (ptrdiff_t i = 0; i + 1 < h; i += 2)
        if (even) readSegment<Model>(luma(i), luma(i + 1), cb(i), cr(i), out(i), out(i + 1), even);
    if (w & 1)
        for (ptrdiff_t i = 0; i + 1 < h; i += 2)
            readSegment<Model>(luma(i) + even, luma(i + 1) + even, cb(i) + even / 2, cr(i) + even / 2,
                               out(i) + kOut * even, out(i + 1) + kOut * even, 1);
    if (h & 1)
        readSegment<Model>(luma(h - 1), nullptr, cb(h - 1), cr(h - 1), out(h - 1), static_cast<Out*>(nullptr), w);
    return ippStsNoErr;
}

// --- Colour to planar 4:2:0 ----------------------------------------------

[[gnu::always_inline]] inline int studioLuma(int r, int g, int b) {
    // 1081344 = 16.5 x 65536: the offset 16 and the rounding.
    return (16843 * r + 33030 * g + 6423 * b + 1081344) >> 16;
}

// One row pair of n pixels (rows = 2), or the odd last row alone (rows = 1,
// which then stands for both rows of its blocks): luma for each row, and one
// Cb and Cr per block, a block cut by the row end taking its missing column
// from the last pixel.
OCULON_HOT_LOOP void rgbRowPairTo420(const Ipp8u* s0, const Ipp8u* s1, Ipp8u* y0, Ipp8u* y1, Ipp8u* cb, Ipp8u* cr,
                                     ptrdiff_t n, int rows) {
    Ipp16s r[2][kChunk + 1], g[2][kChunk + 1], b[2][kChunk + 1];
    const Ipp8u* src[2] = {s0, s1};
    Ipp8u* luma[2] = {y0, y1};
    for (ptrdiff_t x = 0; x < n; x += kChunk) {
        const ptrdiff_t m = std::min(kChunk, n - x);
        for (int row = 0; row < 2; ++row) {
            const Ipp8u* s = src[row] + 3 * x;
            for (ptrdiff_t j = 0; j < m; ++j) {
                r[row][j] = s[3 * j];
                g[row][j] = s[3 * j + 1];
                b[row][j] = s[3 * j + 2];
            }
            r[row][m] = r[row][m - 1];
            g[row][m] = g[row][m - 1];
            b[row][m] = b[row][m - 1];
            if (row < rows)
                for (ptrdiff_t j = 0; j < m; ++j)
                    luma[row][x + j] = static_cast<Ipp8u>(studioLuma(r[row][j], g[row][j], b[row][j]));
        }
        for (ptrdiff_t k = 0; k < (m + 1) / 2; ++k) {
            const int sr = r[0][2 * k] + r[0][2 * k + 1] + r[1][2 * k] + r[1][2 * k + 1];
            const int sg = g[0][2 * k] + g[0][2 * k + 1] + g[1][2 * k] + g[1][2 * k + 1];
            const int sb = b[0][2 * k] + b[0][2 * k + 1] + b[1][2 * k] + b[1][2 * k + 1];
            cb[x / 2 + k] = static_cast<Ipp8u>(128 + ((-9699 * sr - 19071 * sg + 28770 * sb + 32768) >> 18));
            cr[x / 2 + k] = static_cast<Ipp8u>(128 + ((28770 * sr - 24117 * sg - 4653 * sb + 32768) >> 18));
        }
    }
}

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
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    region::eachRow(pSrc, srcStep, 2, pDst, dstStep, 3, roi,
                    [w = ptrdiff_t{roi.width}](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
                        // One long row of whole pairs is one row to the kernel;
                        // an odd width keeps its rows apart (eachRow only
                        // merges when both steps are exact).
                        if (n == w || (w & 1) == 0) yuv422RowToRgb(s, d, n);
                        else
                            for (ptrdiff_t x = 0; x < n; x += w) yuv422RowToRgb(s + 2 * x, d + 3 * x, w);
                    });
    return ippStsNoErr;
}

IppStatus _px_ippiRGBToYUV422_8u_C3C2R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    region::eachRow(pSrc, srcStep, 3, pDst, dstStep, 2, roi,
                    [w = ptrdiff_t{roi.width}](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
                        if (n == w || (w & 1) == 0) rgbRowToYuv422(s, d, n);
                        else
                            for (ptrdiff_t x = 0; x < n; x += w) rgbRowToYuv422(s + 3 * x, d + 2 * x, w);
                    });
    return ippStsNoErr;
}

IppStatus _px_ippiYUV420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep,
                                       IppiSize roi) {
    return read420<Yuv420Model>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiYCbCr420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst, int dstStep,
                                         IppiSize roi) {
    return read420<YCbCr420Model>(pSrc, srcStep, pDst, dstStep, roi);
}

IppStatus _px_ippiYCbCr420ToRGB555_8u16u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp16u* pDst, int dstStep,
                                               IppiSize roi) {
    return read420<YCbCr420To16Model<false>>(pSrc, srcStep, pDst, dstStep >> 1, roi);
}

IppStatus _px_ippiYCbCr420ToRGB565_8u16u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp16u* pDst, int dstStep,
                                               IppiSize roi) {
    return read420<YCbCr420To16Model<true>>(pSrc, srcStep, pDst, dstStep >> 1, roi);
}

IppStatus _px_ippiRGBToYCbCr420_8u_C3P3R(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[3], int dstStep[3],
                                         IppiSize roi) {
    if (!pSrc || !pDst) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (!pDst[0] || !pDst[1] || !pDst[2]) return ippStsNullPtrErr;
    const ptrdiff_t h = roi.height;
    for (ptrdiff_t i = 0; i < h; i += 2) {
        const ptrdiff_t i1 = std::min(i + 1, h - 1);
        rgbRowPairTo420(region::row(pSrc, srcStep, i), region::row(pSrc, srcStep, i1),
                        region::row(pDst[0], dstStep[0], i), region::row(pDst[0], dstStep[0], i1),
                        region::row(pDst[1], dstStep[1], i / 2), region::row(pDst[2], dstStep[2], i / 2), roi.width,
                        i1 > i ? 2 : 1);
    }
    return ippStsNoErr;
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
