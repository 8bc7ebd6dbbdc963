// Linear resize in two passes: each source row is interpolated horizontally
// once into a row buffer, and two buffers blend into each destination row.
// 8-bit and 16-bit samples use 14-bit weights in integer arithmetic: 8-bit
// rows keep six fraction bits (sample x 64) for the vertical pass, which
// rounds the rest away; 16-bit rows round in each pass. No sum leaves 32
// bits and no result leaves the sample range.

#include "media/primitives/ResizeLinear.h"

#include <algorithm>
#include <vector>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ResizeKernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OCULON_HAVE_AVX2_ROWS 1
#endif

namespace oculon::primitives::resize {

namespace {

// Fraction bits dropped by the horizontal and the vertical pass.
template <typename T>
struct Fixed;
template <>
struct Fixed<Ipp8u> {
    static constexpr unsigned kH = 8;
    static constexpr unsigned kV = 20;
};
template <>
struct Fixed<Ipp16u> {
    static constexpr unsigned kH = 14;
    static constexpr unsigned kV = 14;
};

template <typename T, int Values>
void coefFixed(const T* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out) {
    constexpr unsigned kShift = Fixed<T>::kH;
    constexpr Ipp32u kHalf = 1u << (kShift - 1);
    for (int k = 0; k < w; ++k) {
        const T* a = s + cols[k];
        const Ipp32u w0 = cw[2 * k], w1 = cw[2 * k + 1];
        for (int c = 0; c < Values; ++c)
            out[k * Values + c] = static_cast<Ipp16u>((w0 * a[c] + w1 * a[spacing + c] + kHalf) >> kShift);
    }
}

template <typename T>
inline void summFixedLoop(T* d, ptrdiff_t n, Ipp32u wy, const Ipp16u* u, const Ipp16u* l) {
    constexpr unsigned kShift = Fixed<T>::kV;
    constexpr Ipp32u kHalf = 1u << (kShift - 1);
    const Ipp32u wu = 16384 - wy;
    for (ptrdiff_t i = 0; i < n; ++i) d[i] = static_cast<T>((u[i] * wu + l[i] * wy + kHalf) >> kShift);
}

OCULON_HOT_LOOP void summFixed8(Ipp8u* d, ptrdiff_t n, Ipp32u wy, const Ipp16u* u, const Ipp16u* l) {
    summFixedLoop(d, n, wy, u, l);
}
OCULON_HOT_LOOP void summFixed16(Ipp16u* d, ptrdiff_t n, Ipp32u wy, const Ipp16u* u, const Ipp16u* l) {
    summFixedLoop(d, n, wy, u, l);
}

// Three values per pixel into pixels `stride` samples apart.
template <typename T>
void summFixedPx(T* d, int w, int stride, Ipp32u wy, const Ipp16u* u, const Ipp16u* l) {
    for (int k = 0; k < w; ++k) summFixedLoop(d + k * stride, 3, wy, u + 3 * k, l + 3 * k);
}

template <typename T, int Values>
void coefFloat(const T* s, int w, int spacing, const int* cols, const float* cw, float* out) {
    for (int k = 0; k < w; ++k) {
        const T* a = s + cols[k];
        const double t = cw[k];
        for (int c = 0; c < Values; ++c) {
            const double av = a[c];
            out[k * Values + c] = static_cast<float>(av + (static_cast<double>(a[spacing + c]) - av) * t);
        }
    }
}

OCULON_HOT_LOOP void summFloat(float* d, ptrdiff_t n, double wy, const float* u, const float* l) {
    for (ptrdiff_t i = 0; i < n; ++i) d[i] = static_cast<float>(l[i] * wy + u[i] * (1.0 - wy));
}

// ---- The 8-bit rows: plain loops, and AVX2 where the processor has it.

void coef8pl(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out, int) {
    coefFixed<Ipp8u, 1>(s, w, spacing, cols, cw, out);
}
void coef8px(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out, int) {
    coefFixed<Ipp8u, 3>(s, w, spacing, cols, cw, out);
}
void coef8px4(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out, int) {
    coefFixed<Ipp8u, 4>(s, w, spacing, cols, cw, out);
}

constexpr LinearRows8 kPlainRows{coef8pl, coef8px, coef8px4, summFixed8, nullptr};

#ifdef OCULON_HAVE_AVX2_ROWS
namespace avx2 {

#define OCULON_AVX2 __attribute__((target("avx2")))

// The columns, from the first, whose vector loads of `reach` bytes from
// their offset stay inside the row; offsets never decrease.
inline int readable(const int* cols, int w, int rowSamples, int reach) {
    while (w > 0 && cols[w - 1] + reach > rowSamples) --w;
    return w;
}

// Lane p of the result holds columns k + 2p and k + 2p + 1, 8 bytes from
// each column's offset.
OCULON_AVX2 inline __m128i twoColumns(const Ipp8u* a, const Ipp8u* b) {
    const __m128 lo = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)));
    return _mm_castps_si128(_mm_loadh_pi(lo, reinterpret_cast<const __m64*>(b)));
}
OCULON_AVX2 inline __m256i fourColumns(const Ipp8u* s, const int* cols) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(twoColumns(s + cols[0], s + cols[1])),
                                   twoColumns(s + cols[2], s + cols[3]), 1);
}

// Byte masks that spread, per lane, the left pixels' samples (from 0), the
// right pixels' (from `right`) or the right shares w1 of the lane's two
// columns (out of all four columns' pairs) into 16-bit values, `values`
// per column; the rest of the lane becomes 0.
OCULON_AVX2 inline __m256i spreadMask(int values, int right, bool shares) {
    alignas(32) Ipp8u m[32];
    for (int e = 0; e < 16; ++e) {
        const int lane = e / 8, i = e % 8, column = i / values, c = i % values;
        Ipp8u* q = m + 16 * lane + 2 * i;
        const int share = 4 * (2 * lane + column) + 2;
        if (i >= 2 * values) q[0] = q[1] = 0x80;
        else if (shares) q[0] = static_cast<Ipp8u>(share), q[1] = static_cast<Ipp8u>(share + 1);
        else q[0] = static_cast<Ipp8u>(8 * column + right + c), q[1] = 0x80;
    }
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(m));
}

// (w0 a + w1 b + 128) >> 8 with w0 + w1 = 16384 equals
// 64 a + ((w1 (b - a) 128 + 2^14) >> 15): one rounding multiply on 16-bit
// lanes (w1 <= 16384, |b - a| 128 <= 32640).
OCULON_AVX2 inline __m256i blend16(__m256i a, __m256i b, __m256i w1) {
    return _mm256_add_epi16(_mm256_slli_epi16(a, 6),
                            _mm256_mulhrs_epi16(w1, _mm256_slli_epi16(_mm256_sub_epi16(b, a), 7)));
}

// Three or four values per column, four columns per step. A lane holds two
// columns' 2 x values results and, for three values, two spare ones, which
// the next store overwrites (the buffer has room after the last column).
template <int Values>
OCULON_AVX2 inline void coefPairs(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out,
                                  int rowSamples) {
    const int n = readable(cols, w, rowSamples, 8);
    const __m256i left = spreadMask(Values, 0, false), right = spreadMask(Values, spacing, false);
    const __m256i shares = spreadMask(Values, 0, true);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m256i px = fourColumns(s, cols + k);
        const __m256i v = blend16(
            _mm256_shuffle_epi8(px, left), _mm256_shuffle_epi8(px, right),
            _mm256_shuffle_epi8(
                _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cw + 2 * k))), shares));
        if constexpr (Values == 4) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k), v);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * k), _mm256_castsi256_si128(v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * k + 6), _mm256_extracti128_si256(v, 1));
        }
    }
    coefFixed<Ipp8u, Values>(s, w - k, spacing, cols + k, cw + 2 * k, out + Values * k);
}

OCULON_AVX2 void coef8px4(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out,
                          int rowSamples) {
    coefPairs<4>(s, w, spacing, cols, cw, out, rowSamples);
}

OCULON_AVX2 void coef8px(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out,
                         int rowSamples) {
    if (spacing > 5) return coefFixed<Ipp8u, 3>(s, w, spacing, cols, cw, out);  // beyond 8 bytes
    coefPairs<3>(s, w, spacing, cols, cw, out, rowSamples);
}

// (w0 a + w1 b + 128) >> 8 on (a, b) pairs of 16-bit lanes.
OCULON_AVX2 inline __m256i blend(__m256i pairs, __m256i w) {
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairs, w), _mm256_set1_epi32(128)), 8);
}

// One value per column: eight columns per gather of 4 bytes each.
OCULON_AVX2 void coef8pl(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out,
                         int rowSamples) {
    const int n = readable(cols, w, rowSamples, 4);
    const __m256i mask = _mm256_setr_epi8(0, -128, 1, -128, 4, -128, 5, -128, 8, -128, 9, -128, 12, -128, 13, -128, 0,
                                          -128, 1, -128, 4, -128, 5, -128, 8, -128, 9, -128, 12, -128, 13, -128);
    const auto* base = reinterpret_cast<const int*>(s);
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m256i i0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cols + k));
        const __m256i i1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cols + k + 8));
        const __m256i w0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cw + 2 * k));
        const __m256i w1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cw + 2 * k + 16));
        const __m256i v0 = blend(_mm256_shuffle_epi8(_mm256_i32gather_epi32(base, i0, 1), mask), w0);
        const __m256i v1 = blend(_mm256_shuffle_epi8(_mm256_i32gather_epi32(base, i1, 1), mask), w1);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(v0, v1), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), packed);
    }
    coefFixed<Ipp8u, 1>(s, w - k, spacing, cols + k, cw + 2 * k, out + k);
}

// (u (16384 - wy) + l wy + 2^19) >> 20 equals
// (u + floor((l - u) wy / 2^14) + 32) >> 6: the dropped bits of the product
// never carry into the result. With wy below 16384 the product is one
// signed high multiply of 2 (l - u) and 2 wy.
OCULON_AVX2 void summ8(Ipp8u* d, ptrdiff_t n, Ipp32u wy, const Ipp16u* u, const Ipp16u* l) {
    if (wy == 16384) u = l, wy = 0;  // the lower row alone, the same sum
    const __m256i w = _mm256_set1_epi16(static_cast<short>(2 * wy));
    const __m256i half = _mm256_set1_epi16(32);
    ptrdiff_t i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i r[2];
        for (int h = 0; h < 2; ++h) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + i + 16 * h));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(l + i + 16 * h));
            const __m256i q = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(b, a), 1), w);
            r[h] = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(a, q), half), 6);
        }
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(r[0], r[1]), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), bytes);
    }
    summFixedLoop(d + i, n - i, wy, u + i, l + i);
}

#undef OCULON_AVX2

constexpr LinearRows8 kRows{coef8pl, coef8px, coef8px4, summ8, nullptr};

}  // namespace avx2

// AVX-512: one byte permute gathers a group's left and right pixels of a
// source row as (left, right) byte pairs, 32 values' worth, from the 64
// bytes at its first pixel or, for stronger shrinks, the 128; two
// multiply-adds of the byte pairs give 64 a and 64 (b - a) in 16-bit lanes,
// and both blends then take the AVX2 rows' steps, 32 values at once.
namespace wide {

#define OCULON_WIDE __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// The unmasked forms of some 512-bit instructions trip a false warning of an
// uninitialised value in the compiler's headers; the masked forms with every
// lane set are the same instructions.
constexpr __mmask32 kAll = 0xFFFFFFFF;
constexpr __mmask64 kAllBytes = ~__mmask64{0};

// The 128 bytes at s, or those of the first `bytes` of them, the rest 0: a
// masked load reads nothing past the row.
struct Window {
    __m512i lo, hi;
};
OCULON_WIDE inline Window window(const Ipp8u* s) { return {_mm512_loadu_si512(s), _mm512_loadu_si512(s + 64)}; }
OCULON_WIDE inline Window window(const Ipp8u* s, int bytes) {
    const auto mask = [](int n) { return n >= 64 ? ~__mmask64{0} : n <= 0 ? 0 : (__mmask64{1} << n) - 1; };
    return {_mm512_maskz_loadu_epi8(mask(bytes), s), _mm512_maskz_loadu_epi8(mask(bytes - 64), s + 64)};
}

// coefPx's or coefPx4's values of a group in one source row, by blend16's
// steps: the byte pairs (a, b) times (64, 0) and (-64, 64), and the second
// times 2 w1 in a rounding multiply (w1 below 16384, see ColumnGroups).
template <bool Narrow>
OCULON_WIDE inline __m512i rowValues(Window s, const ColumnGroups::Tables& t) {
    const __m512i at = _mm512_load_si512(t.bytes);
    const __m512i pairs =
        Narrow ? _mm512_maskz_permutexvar_epi8(kAllBytes, at, s.lo) : _mm512_permutex2var_epi8(s.lo, at, s.hi);
    const __m512i left = _mm512_maddubs_epi16(pairs, _mm512_set1_epi16(64));
    const __m512i step = _mm512_maddubs_epi16(pairs, _mm512_set1_epi16(0x40C0));
    return _mm512_add_epi16(left, _mm512_mulhrs_epi16(_mm512_load_si512(t.weights), step));
}

// Group k of a destination row from its two source rows u and l at 2 wy
// (summ8's steps), one byte per 16-bit lane; rows ahead[0..1] are those of
// the next destination row.
template <bool Masked, bool Narrow>
OCULON_WIDE inline __m512i blendedGroup(const Ipp8u* u, const Ipp8u* l, __m512i w, const Ipp8u* const* ahead,
                                        const ColumnGroups& g, int k) {
    const int at = g.first[k];
    // The bytes the same group of the next row will read, one row ahead of
    // the processor's own fetching.
    for (int r = 0; r < 2; ++r) {
        _mm_prefetch(reinterpret_cast<const char*>(ahead[r] + at), _MM_HINT_T0);
        if (!Masked && !Narrow) _mm_prefetch(reinterpret_cast<const char*>(ahead[r] + at + 64), _MM_HINT_T0);
    }
    Window wu, wl;
    if constexpr (Masked) wu = window(u + at, g.rowSamples - at), wl = window(l + at, g.rowSamples - at);
    else if constexpr (Narrow) wu.lo = _mm512_loadu_si512(u + at), wl.lo = _mm512_loadu_si512(l + at);
    else wu = window(u + at), wl = window(l + at);
    const ColumnGroups::Tables& t = g.tables[static_cast<std::size_t>(k)];
    const __m512i a = rowValues<Narrow>(wu, t), b = rowValues<Narrow>(wl, t);
    const __m512i q = _mm512_mulhi_epi16(_mm512_slli_epi16(_mm512_sub_epi16(b, a), 1), w);
    return _mm512_srli_epi16(_mm512_add_epi16(_mm512_add_epi16(a, q), _mm512_set1_epi16(32)), 6);
}

// The low bytes of the 16-bit lanes, in order, in the low half.
OCULON_WIDE inline __m512i lowBytes(__m512i v) {
    return _mm512_maskz_permutexvar_epi8(
        kAllBytes,
        _mm512_set_epi64(0, 0, 0, 0, 0x3E3C3A3836343230, 0x2E2C2A2826242220, 0x1E1C1A1816141210, 0x0E0C0A0806040200),
        v);
}

// A destination row of groups of 32 bytes (four channels) or 30 (three):
// first those whose 128 bytes lie inside the row, Narrow when all of them
// read no more than the first 64, then those at the row's end, the last
// perhaps of fewer columns.
template <int Channels, bool Narrow>
OCULON_WIDE void blendedRow(Ipp8u* d, const Ipp8u* u, const Ipp8u* l, __m512i w, const Ipp8u* const* ahead,
                            const ColumnGroups& g) {
    constexpr int kColumns = 32 / Channels, kBytes = Channels * kColumns;
    for (int k = 0; k < g.inside; ++k) {
        const __m512i v = lowBytes(blendedGroup<false, Narrow>(u, l, w, ahead, g, k));
        Ipp8u* at = d + kBytes * k;
        if constexpr (kBytes == 32)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), _mm512_maskz_extracti64x4_epi64(0xF, v, 0));
        else _mm512_mask_storeu_epi8(at, (__mmask64{1} << kBytes) - 1, v);
    }
    const int groups = static_cast<int>(g.first.size());
    for (int k = g.inside; k < groups; ++k) {
        const int bytes = Channels * std::min(kColumns, g.columns - kColumns * k);
        const __mmask32 stored = bytes == 32 ? kAll : (__mmask32{1} << bytes) - 1;
        _mm512_mask_cvtepi16_storeu_epi8(d + kBytes * k, stored, blendedGroup<true, false>(u, l, w, ahead, g, k));
    }
}

OCULON_WIDE void blendPx(Ipp8u* d, const Ipp8u* const* rows, Ipp32u wy, const ColumnGroups& g) {
    const Ipp8u *u = rows[0], *l = rows[1];
    // One row alone, as summ8 gives it, and the other left unread.
    if (wy == 16384) u = l, wy = 0;
    if (wy == 0) l = u;
    const __m512i w = _mm512_set1_epi16(static_cast<short>(2 * wy));
    const auto row = g.channels == 4 ? (g.narrow ? blendedRow<4, true> : blendedRow<4, false>)
                                     : (g.narrow ? blendedRow<3, true> : blendedRow<3, false>);
    row(d, u, l, w, rows + 2, g);
}

#undef OCULON_WIDE

constexpr LinearRows8 kRows{avx2::coef8pl, avx2::coef8px, avx2::coef8px4, avx2::summ8, blendPx};

}  // namespace wide
#endif

const LinearRows8& bestRows8() {
    static const LinearRows8* const best = [] {
        const LinearRows8* rows = linearRows8For(LinearIsa::Avx512);
        if (!rows) rows = linearRows8For(LinearIsa::Avx2);
        return rows ? rows : &kPlainRows;
    }();
    return *best;
}

// Whether no two destination rows share a source row: then the row buffers
// would filter every row once anyway, and a row may as well be made
// straight from its two source rows.
bool ownSourceRows(const Job& job) {
    for (int j = 1; j < job.height; ++j)
        if (job.rows[j] < job.rows[j - 1] + 2) return false;
    return true;
}

// Three- or four-channel rows of a strong vertical shrink: the wide groups,
// then the columns past them through the row routines.
void blendedRows(const Job& job, const LinearRows8& rows) {
    const int channels = job.channels, rowSamples = job.right * channels;
    const ColumnGroups groups(job.cols, job.colWeights16, job.width, rowSamples, channels);
    const int from = groups.columns, rest = job.width - from;
    const LinearRows8::Coef coef = channels == 3 ? rows.coefPx : rows.coefPx4;
    // Room for the two values the row routines may write past the last column.
    std::vector<Ipp16u> upper(static_cast<std::size_t>(channels) * rest + 8), lower(upper.size());
    for (int j = 0; j < job.height; ++j) {
        const int next = j + 1 < job.height ? j + 1 : j;
        const Ipp8u* const src[4] = {job.srcRow<Ipp8u>(job.rows[j]), job.srcRow<Ipp8u>(job.rows[j] + 1),
                                     job.srcRow<Ipp8u>(job.rows[next]), job.srcRow<Ipp8u>(job.rows[next] + 1)};
        const Ipp8u *u = src[0], *l = src[1];
        Ipp8u* d = job.dstRow<Ipp8u>(j);
        const Ipp32u wy = job.rowWeights16[j];
        rows.blendPx(d, src, wy, groups);
        if (rest == 0) continue;
        const int* cols = job.cols + from;
        const Ipp16u* cw = job.colWeights16 + 2 * from;
        coef(u, rest, channels, cols, cw, upper.data(), rowSamples);
        coef(l, rest, channels, cols, cw, lower.data(), rowSamples);
        rows.summ(d + channels * from, static_cast<ptrdiff_t>(channels) * rest, wy, upper.data(), lower.data());
    }
}

// Both rows of destination row j in the ring, then one blend. The 8-bit and
// 16-bit kernels differ only in the rows they call.
template <typename T, typename Coef, typename Summ>
void fixedKernel(const Job& job, Coef coef, Summ summ) {
    const int values = job.values(), spacing = job.spacing();
    const ptrdiff_t count = static_cast<ptrdiff_t>(job.width) * values;
    const int rowSamples = job.right * job.channels;
    eachDestinationRow<2, Ipp16u>(
        job, 0, false,
        [&](Ipp16u* out, int row) {
            coef(values, job.srcRow<T>(row), job.width, spacing, job.cols, job.colWeights16, out, rowSamples);
        },
        [&](int j, Ipp16u* const* node) {
            T* d = job.dstRow<T>(j);
            if (job.packed()) summ(d, count, job.rowWeights16[j], node[0], node[1]);
            else summFixedPx(d, job.width, job.channels, job.rowWeights16[j], node[0], node[1]);
        });
}

void linear8(const Job& job) {
    const LinearRows8& rows = bestRows8();
    if (rows.blendPx && job.packed() && job.values() != 1 && ownSourceRows(job)) return blendedRows(job, rows);
    fixedKernel<Ipp8u>(
        job,
        [&](int values, const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out,
            int rowSamples) {
            const auto coef = values == 1 ? rows.coefPl : values == 3 ? rows.coefPx : rows.coefPx4;
            coef(s, w, spacing, cols, cw, out, rowSamples);
        },
        rows.summ);
}

void linear16(const Job& job) {
    fixedKernel<Ipp16u>(
        job,
        [](int values, const Ipp16u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out, int) {
            if (values == 1) coefFixed<Ipp16u, 1>(s, w, spacing, cols, cw, out);
            else if (values == 3) coefFixed<Ipp16u, 3>(s, w, spacing, cols, cw, out);
            else coefFixed<Ipp16u, 4>(s, w, spacing, cols, cw, out);
        },
        summFixed16);
}

void linear32(const Job& job) {
    const int values = job.values(), spacing = job.spacing();
    const ptrdiff_t count = static_cast<ptrdiff_t>(job.width) * values;
    eachDestinationRow<2, float>(
        job, 0, false,
        [&](float* out, int row) {
            const float* s = job.srcRow<float>(row);
            if (values == 1) coefFloat<float, 1>(s, job.width, spacing, job.cols, job.colWeights, out);
            else if (values == 3) coefFloat<float, 3>(s, job.width, spacing, job.cols, job.colWeights, out);
            else coefFloat<float, 4>(s, job.width, spacing, job.cols, job.colWeights, out);
        },
        [&](int j, float* const* node) {
            float* d = job.dstRow<float>(j);
            const double wy = job.rowWeights[j];
            if (job.packed()) return summFloat(d, count, wy, node[0], node[1]);
            for (int k = 0; k < job.width; ++k)
                summFloat(d + k * job.channels, 3, wy, node[0] + 3 * k, node[1] + 3 * k);
        });
}

}  // namespace

ColumnGroups::ColumnGroups(const int* cols, const Ipp16u* cw, int w, int rowSamples, int channels)
    : rowSamples(rowSamples), channels(channels), perGroup(32 / channels) {
    constexpr int kWindow = 128;  // bytes
    const int values = perGroup * channels;
    const std::size_t groups = (static_cast<std::size_t>(w) + perGroup - 1) / perGroup;
    first.reserve(groups);
    tables.reserve(groups);
    int insideReach = 0;  // bytes, the largest of the inside groups
    for (int k = 0; k < w; k += perGroup) {
        const int n = std::min(perGroup, w - k), at = cols[k];
        // Offsets never decrease: the last right neighbour ends the group.
        const int reach = cols[k + n - 1] - at + 2 * channels;
        if (reach > kWindow) break;
        if (n == perGroup && at + kWindow <= rowSamples) {
            inside = static_cast<int>(first.size()) + 1;
            insideReach = std::max(insideReach, reach);
        }
        first.push_back(at);
        // A short last group repeats its last column. A column of w1 16384
        // takes its right pixel as its left one at w1 0: the same value, and
        // 2 w1 stays a 16-bit value.
        Tables& t = tables.emplace_back();
        for (int i = 0; i < perGroup; ++i) {
            const int col = k + std::min(i, n - 1), w1 = cw[2 * col + 1];
            const int left = cols[col] - at + (w1 == 16384 ? channels : 0);
            for (int c = 0, e = channels * i; c < channels; ++c, ++e) {
                t.bytes[2 * e] = static_cast<Ipp8u>(left + c);
                t.bytes[2 * e + 1] = static_cast<Ipp8u>(w1 == 16384 ? left + c : left + channels + c);
                t.weights[e] = static_cast<Ipp16s>(w1 == 16384 ? 0 : 2 * w1);
            }
        }
        for (int e = values; e < 32; ++e) {
            t.bytes[2 * e] = t.bytes[2 * values - 2], t.bytes[2 * e + 1] = t.bytes[2 * values - 1];
            t.weights[e] = t.weights[values - 1];
        }
        columns = k + n;
    }
    narrow = insideReach <= 64;
}

const LinearRows8* linearRows8For(LinearIsa isa) {
#ifdef OCULON_HAVE_AVX2_ROWS
    __builtin_cpu_init();
    const bool avx2 = __builtin_cpu_supports("avx2");
#endif
    switch (isa) {
        case LinearIsa::Plain: return &kPlainRows;
        case LinearIsa::Avx2:
#ifdef OCULON_HAVE_AVX2_ROWS
            return avx2 ? &avx2::kRows : nullptr;
#else
            return nullptr;
#endif
        case LinearIsa::Avx512:
#ifdef OCULON_HAVE_AVX2_ROWS
            return avx2 && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") ? &wide::kRows
                                                                                                      : nullptr;
#else
            return nullptr;
#endif
    }
    return nullptr;
}

// ownResize8pxL, ownResize16pxL, ownResize32pxL, ownResize8plL, ownResize16plL, ownResize32plL: the
// kernels look at the layout themselves, so px and pl share a body.
const Kernel kLinearKernels[6] = {linear8, linear16, linear32, linear8, linear16, linear32};

}  // namespace oculon::primitives::resize
