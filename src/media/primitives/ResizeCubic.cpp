// Cubic resize: four-point Lagrange interpolation along each axis, evaluated
// in Newton forward-difference form. Source rows are interpolated
// horizontally into single-precision rows, four of which (nodes -1 .. +2)
// blend into each destination row. The driver moves nodes at the image
// borders so that all four taps lie inside the image.
//
// 8-bit images with three or four channels take AVX2 rows where the
// processor has them: the same double-precision operations in the same
// order, four channels to a vector, so they give the same values.

#include <atomic>
#include <vector>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ResizeKernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OCULON_HAVE_AVX2_CUBIC 1
#endif

namespace oculon::primitives::resize {

namespace {

// Newton coefficients of the cubic through four samples at position t from
// node 0.
struct Newton {
    double a, b, c;
    explicit Newton(double t) : a(1.0 + t), b(t * a * 0.5), c((t - 1.0) * b / 3.0) {}

    double operator()(double pm, double p0, double p1, double p2) const {
        const double d1 = p0 - pm;
        const double d2 = (p1 - p0) - d1;
        const double d3 = (p0 - 2.0 * p1 + p2) - d2;
        return pm + c * d3 + b * d2 + a * d1;
    }
};

template <typename T, int Values>
OCULON_HOT_LOOP void coefCubic(const T* s, int w, int spacing, const int* cols, const float* cw, float* out) {
    for (int j = 0; j < w; ++j) {
        const Newton n(cw[j]);
        const T* p = s + cols[j];
        for (int c = 0; c < Values; ++c)
            out[j * Values + c] = static_cast<float>(n(p[c - spacing], p[c], p[c + spacing], p[c + 2 * spacing]));
    }
}

// Values from..from+n-1 of the four node rows into d[0..n-1].
template <typename T>
OCULON_HOT_LOOP void summCubicRun(T* d, ptrdiff_t n, Newton nw, float* const* node, ptrdiff_t from) {
    const float *p0 = node[0] + from, *p1 = node[1] + from, *p2 = node[2] + from, *p3 = node[3] + from;
    for (ptrdiff_t i = 0; i < n; ++i) d[i] = storeSample<T>(nw(p0[i], p1[i], p2[i], p3[i]));
}

// The vertical blend rounds its third coefficient to single precision; the
// float kernel for pixels with an untouched fourth sample rounds all three.
template <typename T>
void summCubic(T* d, int w, int values, int stride, double t, bool singleCoefs, float* const* node) {
    Newton n(t);
    n.c = static_cast<float>(n.c);
    if (singleCoefs) n.a = static_cast<float>(n.a), n.b = static_cast<float>(n.b);
    if (stride == values) return summCubicRun(d, static_cast<ptrdiff_t>(w) * values, n, node, 0);
    for (int k = 0; k < w; ++k) summCubicRun(d + k * stride, values, n, node, k * values);
}

#ifdef OCULON_HAVE_AVX2_CUBIC
namespace avx2 {

#define OCULON_AVX2 __attribute__((target("avx2")))

// Four bytes from `offset` on as 32-bit values.
OCULON_AVX2 inline __m128i taps(__m128i px, int offset) {
    switch (offset) {  // the byte shift takes a constant
        case 3: return _mm_cvtepu8_epi32(_mm_srli_si128(px, 3));
        case 4: return _mm_cvtepu8_epi32(_mm_srli_si128(px, 4));
        case 6: return _mm_cvtepu8_epi32(_mm_srli_si128(px, 6));
        case 8: return _mm_cvtepu8_epi32(_mm_srli_si128(px, 8));
        case 9: return _mm_cvtepu8_epi32(_mm_srli_si128(px, 9));
        case 12: return _mm_cvtepu8_epi32(_mm_srli_si128(px, 12));
        default: return _mm_cvtepu8_epi32(px);
    }
}

// Pixels with Values channels `Values` bytes apart: the four taps of a
// pixel in one 16-byte load (for three channels four bytes past the last
// tap, so pixels near the row's end go the plain way), four float values
// stored (for three channels one spare that the next pixel overwrites).
template <int Values>
OCULON_AVX2 void coefRow(const Ipp8u* s, int w, const int* cols, const float* cw, const Newton* nw, float* out,
                         int rowSamples) {
    // The node's sample and differences, whole numbers for 8-bit taps (so
    // exact in either arithmetic), kept while columns share the node.
    int node = -1;
    __m256d pm = _mm256_setzero_pd(), d1 = pm, d2 = pm, d3 = pm;
    for (int j = 0; j < w; ++j) {
        if (cols[j] - Values + 16 > rowSamples) {
            coefCubic<Ipp8u, Values>(s, 1, Values, cols + j, cw + j, out + j * Values);
            continue;
        }
        if (cols[j] != node) {
            node = cols[j];
            const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + node - Values));
            const __m128i a = taps(px, 0), b = taps(px, Values), c = taps(px, 2 * Values), e = taps(px, 3 * Values);
            const __m128i i1 = _mm_sub_epi32(b, a), i2 = _mm_sub_epi32(_mm_sub_epi32(c, b), i1);
            const __m128i i3 = _mm_sub_epi32(_mm_add_epi32(_mm_sub_epi32(b, _mm_add_epi32(c, c)), e), i2);
            pm = _mm256_cvtepi32_pd(a), d1 = _mm256_cvtepi32_pd(i1), d2 = _mm256_cvtepi32_pd(i2);
            d3 = _mm256_cvtepi32_pd(i3);
        }
        const __m256d r = _mm256_add_pd(_mm256_add_pd(_mm256_add_pd(pm, _mm256_mul_pd(_mm256_set1_pd(nw[j].c), d3)),
                                                      _mm256_mul_pd(_mm256_set1_pd(nw[j].b), d2)),
                                        _mm256_mul_pd(_mm256_set1_pd(nw[j].a), d1));
        _mm_storeu_ps(out + j * Values, _mm256_cvtpd_ps(r));
    }
}

OCULON_AVX2 inline __m256d floats(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }

// One destination vector from the node rows' differences, stored as
// storeSample does.
OCULON_AVX2 inline __m128i blendFour(__m256d pm, __m256d d1, __m256d d2, __m256d d3, const Newton& nw) {
    const __m256d v = _mm256_add_pd(_mm256_add_pd(_mm256_add_pd(pm, _mm256_mul_pd(_mm256_set1_pd(nw.c), d3)),
                                                  _mm256_mul_pd(_mm256_set1_pd(nw.b), d2)),
                                    _mm256_mul_pd(_mm256_set1_pd(nw.a), d1));
    const __m256d clamped = _mm256_min_pd(
        _mm256_max_pd(_mm256_add_pd(v, _mm256_set1_pd(0.5000001)), _mm256_setzero_pd()), _mm256_set1_pd(255.0));
    return _mm256_cvttpd_epi32(clamped);
}

// Packed 8-bit values of one destination row, or of two that share their
// node rows (as an enlargement's do): the differences of the node rows are
// the same for both, so they are worked out once. 16 values a step.
template <bool Two>
OCULON_AVX2 void summRows(Ipp8u* d0, Ipp8u* d1, ptrdiff_t n, Newton n0, Newton n1, float* const* node) {
    ptrdiff_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i q0[4], q1[4];
        for (int k = 0; k < 4; ++k) {
            const ptrdiff_t at = i + 4 * k;
            const __m256d pm = floats(node[0] + at), p0 = floats(node[1] + at), p1 = floats(node[2] + at),
                          p2 = floats(node[3] + at);
            const __m256d e1 = _mm256_sub_pd(p0, pm);
            const __m256d e2 = _mm256_sub_pd(_mm256_sub_pd(p1, p0), e1);
            const __m256d e3 =
                _mm256_sub_pd(_mm256_add_pd(_mm256_sub_pd(p0, _mm256_mul_pd(_mm256_set1_pd(2.0), p1)), p2), e2);
            q0[k] = blendFour(pm, e1, e2, e3, n0);
            if constexpr (Two) q1[k] = blendFour(pm, e1, e2, e3, n1);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d0 + i),
                         _mm_packus_epi16(_mm_packus_epi32(q0[0], q0[1]), _mm_packus_epi32(q0[2], q0[3])));
        if constexpr (Two)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d1 + i),
                             _mm_packus_epi16(_mm_packus_epi32(q1[0], q1[1]), _mm_packus_epi32(q1[2], q1[3])));
    }
    summCubicRun(d0 + i, n - i, n0, node, i);
    if constexpr (Two) summCubicRun(d1 + i, n - i, n1, node, i);
}

#undef OCULON_AVX2

}  // namespace avx2
#endif

std::atomic<bool> vectorRows{true};

bool useAvx2Rows() { return processorVectors() != SuperVectors::None && vectorRows.load(std::memory_order_relaxed); }

// 8-bit pixels of three or four channels back to back, when the AVX2 rows
// can run: Newton's coefficients per column computed once.
bool cubicAvx2(const Job& job) {
#ifdef OCULON_HAVE_AVX2_CUBIC
    const int values = job.values();
    if (!job.packed() || values == 1 || !useAvx2Rows()) return false;
    std::vector<Newton> columns;
    columns.reserve(static_cast<std::size_t>(job.width));
    for (int j = 0; j < job.width; ++j) columns.emplace_back(job.colWeights[j]);
    const int rowSamples = job.right * job.channels;
    const ptrdiff_t count = static_cast<ptrdiff_t>(job.width) * values;
    auto filter = [&](float* out, int row) {
        const Ipp8u* s = job.srcRow<Ipp8u>(row);
        if (values == 3) avx2::coefRow<3>(s, job.width, job.cols, job.colWeights, columns.data(), out, rowSamples);
        else avx2::coefRow<4>(s, job.width, job.cols, job.colWeights, columns.data(), out, rowSamples);
    };
    auto coefs = [&](int j) {
        Newton n(job.rowWeights[j]);
        n.c = static_cast<float>(n.c);
        return n;
    };
    RowRing<float, 4> ring(job.buffers);
    for (int j = 0; j < job.height;) {
        const int want[4] = {job.rows[j] - 1, job.rows[j], job.rows[j] + 1, job.rows[j] + 2};
        float* node[4];
        ring.window(want, node, filter);
        if (j + 1 < job.height && job.rows[j + 1] == job.rows[j]) {
            avx2::summRows<true>(job.dstRow<Ipp8u>(j), job.dstRow<Ipp8u>(j + 1), count, coefs(j), coefs(j + 1), node);
            j += 2;
        } else {
            avx2::summRows<false>(job.dstRow<Ipp8u>(j), nullptr, count, coefs(j), coefs(j), node);
            ++j;
        }
    }
    return true;
#else
    (void)job;
    return false;
#endif
}

template <typename T>
void cubic(const Job& job) {
    if constexpr (std::is_same_v<T, Ipp8u>)
        if (cubicAvx2(job)) return;
    const int values = job.values(), spacing = job.spacing();
    const int stride = job.packed() ? values : job.channels;
    const bool singleCoefs = !std::numeric_limits<T>::is_integer && !job.packed();
    eachDestinationRow<4, float>(
        job, -1, false,
        [&](float* out, int row) {
            const T* s = job.srcRow<T>(row);
            if (values == 1) coefCubic<T, 1>(s, job.width, spacing, job.cols, job.colWeights, out);
            else if (values == 3) coefCubic<T, 3>(s, job.width, spacing, job.cols, job.colWeights, out);
            else coefCubic<T, 4>(s, job.width, spacing, job.cols, job.colWeights, out);
        },
        [&](int j, float* const* node) {
            summCubic(job.dstRow<T>(j), job.width, values, stride, job.rowWeights[j], singleCoefs, node);
        });
}

}  // namespace

void allowCubicVectorRows(bool allow) { vectorRows.store(allow, std::memory_order_relaxed); }

// ownResize8pxC, ownResize16pxC, ownResize32pxC, ownResize8plC, ownResize16plC, ownResize32plC
const Kernel kCubicKernels[6] = {cubic<Ipp8u>, cubic<Ipp16u>, cubic<Ipp32f>,
                                 cubic<Ipp8u>, cubic<Ipp16u>, cubic<Ipp32f>};

}  // namespace oculon::primitives::resize
