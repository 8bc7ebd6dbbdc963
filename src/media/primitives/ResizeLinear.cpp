// Linear resize in two passes: each source row is interpolated horizontally
// once into a row buffer, and two buffers blend into each destination row.
// 8-bit and 16-bit samples use 14-bit weights in integer arithmetic: 8-bit
// rows keep six fraction bits (sample x 64) for the vertical pass, which
// rounds the rest away; 16-bit rows round in each pass. No sum leaves 32
// bits and no result leaves the sample range.

#include "media/primitives/ResizeLinear.h"

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

constexpr LinearRows8 kPlainRows{coef8pl, coef8px, coef8px4, summFixed8};

#ifdef OCULON_HAVE_AVX2_ROWS
namespace avx2 {

#define OCULON_AVX2 __attribute__((target("avx2")))

// The columns, from the first, whose vector loads of `reach` bytes from
// their offset stay inside the row; offsets never decrease.
inline int readable(const int* cols, int w, int rowSamples, int reach) {
    while (w > 0 && cols[w - 1] + reach > rowSamples) --w;
    return w;
}

// Two pixels' 8 bytes, one per 128-bit lane.
OCULON_AVX2 inline __m256i load2(const Ipp8u* a, const Ipp8u* b) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),
                                   _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)), 1);
}

// The weight pairs of two columns, each repeated over its lane.
OCULON_AVX2 inline __m256i weights2(const Ipp16u* cw) {
    const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    return _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cw))),
                                       spread);
}

// (w0 a + w1 b + 128) >> 8 on (a, b) pairs of 16-bit lanes.
OCULON_AVX2 inline __m256i blend(__m256i pairs, __m256i w) {
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairs, w), _mm256_set1_epi32(128)), 8);
}

// Lane masks that spread a pixel and its right neighbour (`spacing` bytes
// on) into (a, b) pairs of 16-bit values, channel by channel; -1 gives 0.
OCULON_AVX2 inline __m256i pairMask(int spacing, int values) {
    alignas(32) Ipp8u m[32];
    for (int half = 0; half < 2; ++half)
        for (int c = 0; c < 4; ++c) {
            Ipp8u* q = m + 16 * half + 4 * c;
            q[0] = c < values ? static_cast<Ipp8u>(c) : 0x80;
            q[2] = c < values ? static_cast<Ipp8u>(spacing + c) : 0x80;
            q[1] = q[3] = 0x80;
        }
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(m));
}

// Four values per column: four columns per step, stored in order.
OCULON_AVX2 void coef8px4(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out,
                          int rowSamples) {
    const int n = readable(cols, w, rowSamples, 8);
    const __m256i mask = pairMask(4, 4);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m256i v01 = blend(_mm256_shuffle_epi8(load2(s + cols[k], s + cols[k + 1]), mask), weights2(cw + 2 * k));
        const __m256i v23 =
            blend(_mm256_shuffle_epi8(load2(s + cols[k + 2], s + cols[k + 3]), mask), weights2(cw + 2 * k + 4));
        // Lanes hold columns (k, k+2 | k+1, k+3) after the pack.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(v01, v23), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * k), packed);
    }
    coefFixed<Ipp8u, 4>(s, w - k, spacing, cols + k, cw + 2 * k, out + 4 * k);
}

// Three values per column: each column is stored as four values, the fourth
// (0) overwritten by the next column's first; the buffer has room for the
// last one's.
OCULON_AVX2 void coef8px(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out,
                         int rowSamples) {
    if (spacing > 5) return coefFixed<Ipp8u, 3>(s, w, spacing, cols, cw, out);
    const int n = readable(cols, w, rowSamples, 8);
    const __m256i mask = pairMask(spacing, 3);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m256i v01 = blend(_mm256_shuffle_epi8(load2(s + cols[k], s + cols[k + 1]), mask), weights2(cw + 2 * k));
        const __m256i v23 =
            blend(_mm256_shuffle_epi8(load2(s + cols[k + 2], s + cols[k + 3]), mask), weights2(cw + 2 * k + 4));
        const __m256i packed = _mm256_packus_epi32(v01, v23);  // (k, k+2 | k+1, k+3)
        const __m128i lo = _mm256_castsi256_si128(packed), hi = _mm256_extracti128_si256(packed, 1);
        Ipp16u* o = out + 3 * k;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), lo);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o + 3), hi);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o + 6), _mm_unpackhi_epi64(lo, lo));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o + 9), _mm_unpackhi_epi64(hi, hi));
    }
    coefFixed<Ipp8u, 3>(s, w - k, spacing, cols + k, cw + 2 * k, out + 3 * k);
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

// (u (16384 - wy) + l wy + 2^19) >> 20 on (u, l) pairs of 16-bit lanes.
OCULON_AVX2 inline __m256i summPairs(__m256i pairs, __m256i w) {
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairs, w), _mm256_set1_epi32(1 << 19)), 20);
}

OCULON_AVX2 void summ8(Ipp8u* d, ptrdiff_t n, Ipp32u wy, const Ipp16u* u, const Ipp16u* l) {
    const __m256i w = _mm256_set1_epi32(static_cast<int>((wy << 16) | (16384 - wy)));
    ptrdiff_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i u0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + i));
        const __m256i u1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + i + 16));
        const __m256i l0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(l + i));
        const __m256i l1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(l + i + 16));
        const __m256i p0 = _mm256_packus_epi32(summPairs(_mm256_unpacklo_epi16(u0, l0), w),
                                               summPairs(_mm256_unpackhi_epi16(u0, l0), w));
        const __m256i p1 = _mm256_packus_epi32(summPairs(_mm256_unpacklo_epi16(u1, l1), w),
                                               summPairs(_mm256_unpackhi_epi16(u1, l1), w));
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(p0, p1), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), bytes);
    }
    summFixedLoop(d + i, n - i, wy, u + i, l + i);
}

#undef OCULON_AVX2

constexpr LinearRows8 kRows{coef8pl, coef8px, coef8px4, summ8};

}  // namespace avx2
#endif

const LinearRows8& bestRows8() {
    static const LinearRows8* const best = [] {
        const LinearRows8* rows = linearRows8For(LinearIsa::Avx2);
        return rows ? rows : &kPlainRows;
    }();
    return *best;
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
            for (int k = 0; k < job.width; ++k) summFloat(d + k * job.channels, 3, wy, node[0] + 3 * k, node[1] + 3 * k);
        });
}

}  // namespace

const LinearRows8* linearRows8For(LinearIsa isa) {
    switch (isa) {
        case LinearIsa::Plain: return &kPlainRows;
        case LinearIsa::Avx2:
#ifdef OCULON_HAVE_AVX2_ROWS
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx2") ? &avx2::kRows : nullptr;
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
