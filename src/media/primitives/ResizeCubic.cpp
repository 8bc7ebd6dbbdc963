// Cubic resize: four-point Lagrange interpolation along each axis, evaluated
// in Newton forward-difference form. Source rows are interpolated
// horizontally into single-precision rows, four of which (nodes -1 .. +2)
// blend into each destination row. The driver moves nodes at the image
// borders so that all four taps lie inside the image.
//
// 8-bit images with three or four channels take AVX2 or AVX-512 rows where
// the processor has them (ResizeCubicKernels.inc): the same double-precision
// operations in the same order, a value to a lane, so they give the same
// bytes. Three-channel rows gather eight pixels' taps with byte permutes
// where the processor has AVX-512 VBMI, leaving no lane spare.

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ResizeKernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OCULON_HAVE_CUBIC_VECTORS 1
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

// Out is float, or double for the vector rows' buffers (holding the same
// single-precision values).
template <typename T, int Values, typename Out = float>
OCULON_HOT_LOOP void coefCubic(const T* s, int w, int spacing, const int* cols, const float* cw, Out* out) {
    for (int j = 0; j < w; ++j) {
        const Newton n(cw[j]);
        const T* p = s + cols[j];
        for (int c = 0; c < Values; ++c)
            out[j * Values + c] = static_cast<float>(n(p[c - spacing], p[c], p[c + spacing], p[c + 2 * spacing]));
    }
}

// Values from..from+n-1 of the four node rows into d[0..n-1].
template <typename T, typename Row = float>
OCULON_HOT_LOOP void summCubicRun(T* d, ptrdiff_t n, Newton nw, Row* const* node, ptrdiff_t from) {
    const Row *p0 = node[0] + from, *p1 = node[1] + from, *p2 = node[2] + from, *p3 = node[3] + from;
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

std::atomic<SuperVectors> widestRows{SuperVectors::Avx512};

#ifdef OCULON_HAVE_CUBIC_VECTORS
#define OCULON_KERNELS "media/primitives/ResizeCubicKernels.inc"
#define OCULON_KERNELS_AVX2
#define OCULON_KERNELS_AVX512
#include "media/primitives/KernelLevels.inc"

struct VectorRows {
    void (*row3)(const Ipp8u*, int, const int*, const double*, double*);
    void (*row4)(const Ipp8u*, int, const int*, const double*, double*);
    ptrdiff_t (*column)(Ipp8u*, Ipp8u*, ptrdiff_t, const double*, const double*, double* const*);
    ptrdiff_t (*columns)(Ipp8u*, Ipp8u*, ptrdiff_t, const double*, const double*, double* const*);
};
constexpr VectorRows kAvx2Rows{avx2::cubicRowBytes<3>, avx2::cubicRowBytes<4>, avx2::cubicColumnBytes<false>,
                               avx2::cubicColumnBytes<true>};
constexpr VectorRows kAvx512Rows{avx512::cubicRowBytes<3>, avx512::cubicRowBytes<4>, avx512::cubicColumnBytes<false>,
                                 avx512::cubicColumnBytes<true>};

// The tables of cubicGroupsC3 where the processor has AVX-512 VBMI: groups
// of eight three-channel pixels from the row's start, as long as a group's
// taps lie within 128 bytes that the row holds, with their gather indices
// and the Newton coefficients of each value.
struct ThreeChannelGroups {
    int count = 0;
    std::vector<int> starts;
    std::vector<Ipp8u> index;
    std::vector<double> weights;

    ThreeChannelGroups(const Job& job, int pixels) {
        static const bool vbmi = __builtin_cpu_supports("avx512vbmi");
        if (!vbmi) return;
        const int rowSamples = job.right * job.channels;
        for (int g = 0; 8 * g + 8 <= pixels; ++g) {
            const int* node = job.cols + 8 * g;
            const int start = node[0] - 3;
            if (node[7] + 9 - start > 128 || start + 128 > rowSamples) break;
            starts.push_back(start);
            // Value v's tap k lies at its pixel's node - 3 + 3 k + its channel.
            const auto at = [&](int v, int k) { return static_cast<Ipp8u>(node[v / 3] - 3 + 3 * k + v % 3 - start); };
            Ipp8u* idx = &*index.insert(index.end(), 384, 0);
            for (int lane = 0; lane < 16; ++lane) {
                for (int k = 0; k < 4; ++k) idx[64 * k + 4 * lane] = at(lane, k);
                idx[256 + 4 * lane] = at(16 + lane % 8, lane / 8);
                idx[320 + 4 * lane] = at(16 + lane % 8, 2 + lane / 8);
            }
            double* w = &*weights.insert(weights.end(), 72, 0.0);
            for (int v = 0; v < 24; ++v) {
                const Newton n(job.colWeights[8 * g + v / 3]);
                w[v] = n.a, w[24 + v] = n.b, w[48 + v] = n.c;
            }
            ++count;
        }
    }
};
#endif

// 8-bit pixels of three or four channels back to back on the widest vector
// rows allowed, when there are any. Newton's coefficients of each column are
// worked out once; pixels whose 16 bytes from the first tap on would pass
// the row's end go the plain way, as do the values after the last whole step
// of the vertical pass. The filtered rows are kept in double precision (the
// float values they hold widened once, not at every read), in buffers of
// their own.
bool cubicVectors(const Job& job) {
#ifdef OCULON_HAVE_CUBIC_VECTORS
    const SuperVectors level = std::min(processorVectors(), widestRows.load(std::memory_order_relaxed));
    const int values = job.values(), w = job.width;
    if (level == SuperVectors::None || values == 1 || !job.packed()) return false;
    const VectorRows& rows = level == SuperVectors::Avx512 ? kAvx512Rows : kAvx2Rows;
    const int rowSamples = job.right * job.channels;
    std::vector<double> coefs(24 * (static_cast<std::size_t>(w) / 2 + 1));
    int vectorPixels = w;
    for (int j = 0; j < w; ++j) {
        const Newton n(job.colWeights[j]);
        double* c = coefs.data() + 24 * (j / 2) + 4 * (j % 2);
        std::fill_n(c, 4, n.a), std::fill_n(c + 8, 4, n.b), std::fill_n(c + 16, 4, n.c);
        if (job.cols[j] - values + 16 > rowSamples) vectorPixels = std::min(vectorPixels, j);
    }
    const ptrdiff_t count = static_cast<ptrdiff_t>(w) * values, perRow = count + 8;
    const std::unique_ptr<double[]> buffer(new (std::nothrow) double[4 * perRow]);
    if (!buffer) return false;
    void* buffers[4] = {buffer.get(), buffer.get() + perRow, buffer.get() + 2 * perRow, buffer.get() + 3 * perRow};
    const auto row = values == 3 ? rows.row3 : rows.row4;
    const auto plainRow = values == 3 ? coefCubic<Ipp8u, 3, double> : coefCubic<Ipp8u, 4, double>;
    const ThreeChannelGroups groups(job, level == SuperVectors::Avx512 && values == 3 ? vectorPixels : 0);
    const int grouped = 8 * groups.count;
    auto filter = [&](double* out, int r) {
        const Ipp8u* s = job.srcRow<Ipp8u>(r);
        if (grouped > 0)
            avx512::cubicGroupsC3(s, groups.count, groups.starts.data(), groups.index.data(), groups.weights.data(),
                                  out);
        row(s, vectorPixels - grouped, job.cols + grouped, coefs.data() + 12 * grouped, out + grouped * values);
        plainRow(s, w - vectorPixels, values, job.cols + vectorPixels, job.colWeights + vectorPixels,
                 out + vectorPixels * values);
    };
    auto coefsOf = [&](int j) {
        Newton n(job.rowWeights[j]);
        n.c = static_cast<float>(n.c);
        return n;
    };
    RowRing<double, 4> ring(buffers);
    for (int j = 0; j < job.height;) {
        const int want[4] = {job.rows[j] - 1, job.rows[j], job.rows[j] + 1, job.rows[j] + 2};
        double* node[4];
        ring.window(want, node, filter);
        const bool two = j + 1 < job.height && job.rows[j + 1] == job.rows[j];
        const Newton n0 = coefsOf(j), n1 = two ? coefsOf(j + 1) : n0;
        const double w0[3] = {n0.a, n0.b, n0.c}, w1[3] = {n1.a, n1.b, n1.c};
        Ipp8u* d0 = job.dstRow<Ipp8u>(j);
        Ipp8u* d1 = two ? job.dstRow<Ipp8u>(j + 1) : nullptr;
        const ptrdiff_t done = (two ? rows.columns : rows.column)(d0, d1, count, w0, w1, node);
        summCubicRun(d0 + done, count - done, n0, node, done);
        if (two) summCubicRun(d1 + done, count - done, n1, node, done);
        j += two ? 2 : 1;
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
        if (cubicVectors(job)) return;
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

void limitCubicVectorRows(SuperVectors widest) { widestRows.store(widest, std::memory_order_relaxed); }

void allowCubicVectorRows(bool allow) { limitCubicVectorRows(allow ? SuperVectors::Avx512 : SuperVectors::None); }

// ownResize8pxC, ownResize16pxC, ownResize32pxC, ownResize8plC, ownResize16plC, ownResize32plC
const Kernel kCubicKernels[6] = {cubic<Ipp8u>, cubic<Ipp16u>, cubic<Ipp32f>,
                                 cubic<Ipp8u>, cubic<Ipp16u>, cubic<Ipp32f>};

}  // namespace oculon::primitives::resize
