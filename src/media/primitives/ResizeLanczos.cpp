// Lanczos resize: six taps per axis (nodes -2 .. +3) weighted by the
// three-lobe window sinc(x) sinc(x/3), looked up at steps of 0.01 and
// normalised per position. Source rows are filtered horizontally into
// single-precision rows, six of which blend into each destination row. The
// bordered kernels repeat the image's edge samples where a tap falls
// outside it; the others need two rows and columns before and three after
// every node.
//
// 8-bit images with three or four channels take AVX2 or AVX-512 rows where
// the processor has them (ResizeLanczosKernels.inc): the same sums in the
// same order, a value to a lane.

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ResizeKernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OCULON_HAVE_LANCZOS_VECTORS 1
#endif

namespace oculon::primitives::resize {

namespace {

constexpr int kTableSteps = 100;  // entries per unit of distance
constexpr int kTableSize = 3 * kTableSteps + 1;

// L(k/100) for k = 0 .. 300, single precision; zero at the whole distances.
const std::array<float, kTableSize>& lanczosTable() {
    static const std::array<float, kTableSize> table = [] {
        std::array<float, kTableSize> t{};
        for (int k = 0; k < kTableSize; ++k) {
            if (k % kTableSteps == 0) {
                t[k] = k == 0 ? 1.0f : 0.0f;
                continue;
            }
            const double px = std::numbers::pi * k / kTableSteps;
            t[k] = static_cast<float>(std::sin(px) / px * (std::sin(px / 3) / (px / 3)));
        }
        return t;
    }();
    return table;
}

template <typename T, int Values, bool Border>
OCULON_HOT_LOOP void rowLanczos(const T* s, int w, int spacing, const int* cols, const float* cc, float* out, int left,
                                int right) {
    const ptrdiff_t first = -static_cast<ptrdiff_t>(left) * spacing, last = (right - 1LL) * spacing;
    for (int j = 0; j < w; ++j) {
        const float* c = cc + 6 * j;
        ptrdiff_t tap[6];
        for (int k = 0; k < 6; ++k) {
            tap[k] = cols[j] + (k - 2LL) * spacing;
            if (Border) tap[k] = tap[k] < first ? first : tap[k] > last ? last : tap[k];
        }
        for (int ch = 0; ch < Values; ++ch) {
            double sum = 0;
            if (Border) {
                for (int k = 0; k < 6; ++k) sum += static_cast<double>(c[k]) * s[tap[k] + ch];
            } else {
                for (int k = 5; k >= 0; --k) sum += static_cast<double>(c[k]) * s[tap[k] + ch];
            }
            out[j * Values + ch] = static_cast<float>(sum);
        }
    }
}

// Values from..from+n-1 of the six node rows, weighted by c, into d[0..n-1].
template <typename T>
OCULON_HOT_LOOP void colLanczosRun(T* d, ptrdiff_t n, const float* c, float* const* node, ptrdiff_t from) {
    for (ptrdiff_t i = 0; i < n; ++i) {
        double sum = 0;
        for (int k = 0; k < 6; ++k) sum += static_cast<double>(c[k]) * node[k][from + i];
        d[i] = storeSample<T>(sum);
    }
}

template <typename T>
void colLanczos(T* d, int w, int values, int stride, const float* c, float* const* node) {
    if (stride == values) return colLanczosRun(d, static_cast<ptrdiff_t>(w) * values, c, node, 0);
    for (int k = 0; k < w; ++k) colLanczosRun(d + k * stride, values, c, node, k * values);
}

std::atomic<SuperVectors> widestRows{SuperVectors::Avx512};

#ifdef OCULON_HAVE_LANCZOS_VECTORS
// Four bytes from p on, as one word.
inline int loadWord(const Ipp8u* p) {
    int v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// GCC 12 takes the undefined vectors that its AVX-512 intrinsics start
// from for uninitialised reads of ours.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#define OCULON_KERNELS "media/primitives/ResizeLanczosKernels.inc"
#define OCULON_KERNELS_AVX2
#define OCULON_KERNELS_AVX512
#include "media/primitives/KernelLevels.inc"
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

struct VectorRows {
    void (*row3)(const Ipp8u*, int, const int*, const double*, float*);
    void (*row4)(const Ipp8u*, int, const int*, const double*, float*);
    ptrdiff_t (*column)(Ipp8u*, ptrdiff_t, const float*, float* const*, ptrdiff_t);
};
constexpr VectorRows kAvx2Rows{avx2::lanczosRowBytes<3>, avx2::lanczosRowBytes<4>, avx2::lanczosColumnBytes};
constexpr VectorRows kAvx512Rows{avx512::lanczosRowBytes<3>, avx512::lanczosRowBytes<4>, avx512::lanczosColumnBytes};
#endif

// 8-bit pixels of three or four channels back to back on the widest vector
// rows allowed, when there are any. Each column's clamped taps and its
// weights in double precision are settled once; pixels whose last tap's four
// bytes would pass the row's end go the plain way.
bool lanczosVectors(const Job& job) {
#ifdef OCULON_HAVE_LANCZOS_VECTORS
    const SuperVectors level = std::min(processorVectors(), widestRows.load(std::memory_order_relaxed));
    const int values = job.values(), spacing = job.spacing(), w = job.width;
    if (level == SuperVectors::None || values == 1 || !job.packed()) return false;
    const VectorRows& rows = level == SuperVectors::Avx512 ? kAvx512Rows : kAvx2Rows;
    const ptrdiff_t first = -static_cast<ptrdiff_t>(job.left) * spacing, last = (job.right - 1LL) * spacing;
    const ptrdiff_t rowSamples = static_cast<ptrdiff_t>(job.right) * job.channels;
    std::vector<int> taps(6 * static_cast<std::size_t>(w));
    std::vector<double> coefs(12 * (static_cast<std::size_t>(w) / 2 + 1));
    int vectorPixels = w;
    for (int j = 0; j < w; ++j)
        for (int k = 0; k < 6; ++k) {
            const ptrdiff_t tap = std::clamp(job.cols[j] + (k - 2) * static_cast<ptrdiff_t>(spacing), first, last);
            if (tap + 4 > rowSamples) vectorPixels = std::min(vectorPixels, j);
            taps[6 * j + k] = static_cast<int>(tap);
            coefs[12 * (j / 2) + 2 * k + j % 2] = job.colCoefs[6 * j + k];
        }
    const auto row = values == 3 ? rows.row3 : rows.row4;
    const auto plainRow = values == 3 ? rowLanczos<Ipp8u, 3, true> : rowLanczos<Ipp8u, 4, true>;
    const ptrdiff_t count = static_cast<ptrdiff_t>(w) * values;
    eachDestinationRow<6, float>(
        job, -2, true,
        [&](float* out, int r) {
            const Ipp8u* s = job.srcRow<Ipp8u>(r);
            row(s, vectorPixels, taps.data(), coefs.data(), out);
            plainRow(s, w - vectorPixels, spacing, job.cols + vectorPixels, job.colCoefs + 6 * vectorPixels,
                     out + vectorPixels * values, job.left, job.right);
        },
        [&](int j, float* const* node) {
            Ipp8u* d = job.dstRow<Ipp8u>(j);
            const float* c = job.rowCoefs + 6 * j;
            const ptrdiff_t done = rows.column(d, count, c, node, 0);
            colLanczosRun(d + done, count - done, c, node, done);
        });
    return true;
#else
    (void)job;
    return false;
#endif
}

template <typename T, bool Border>
void lanczos(const Job& job) {
    if constexpr (Border && std::is_same_v<T, Ipp8u>)
        if (lanczosVectors(job)) return;
    const int values = job.values(), spacing = job.spacing();
    const int stride = job.packed() ? values : job.channels;
    eachDestinationRow<6, float>(
        job, -2, Border,
        [&](float* out, int row) {
            const T* s = job.srcRow<T>(row);
            const auto args = [&](auto fn) {
                fn(s, job.width, spacing, job.cols, job.colCoefs, out, job.left, job.right);
            };
            if (values == 1) args(rowLanczos<T, 1, Border>);
            else if (values == 3) args(rowLanczos<T, 3, Border>);
            else args(rowLanczos<T, 4, Border>);
        },
        [&](int j, float* const* node) {
            colLanczos(job.dstRow<T>(j), job.width, values, stride, job.rowCoefs + 6 * j, node);
        });
}

}  // namespace

void ownpi_Lanczos3(const float* weights, int count, float* coefs) {
    const auto& table = lanczosTable();
    for (int j = 0; j < count; ++j) {
        float* c = coefs + 6 * j;
        double x = -2.0 - weights[j];
        double sum = 0;
        for (int k = 0; k < 6; ++k, x += 1.0) {
            if (x > -3.0 && x < 3.0) {
                const double u = std::fabs(x) * kTableSteps;
                const int i = static_cast<int>(u);
                const double w = table[i] + (u - i) * (static_cast<double>(table[i + 1]) - table[i]);
                c[k] = static_cast<float>(w);
                sum += w;
            } else {
                c[k] = 0;
            }
        }
        for (int k = 0; k < 6; ++k) c[k] = static_cast<float>(c[k] / sum);
    }
}

void limitLanczosVectorRows(SuperVectors widest) { widestRows.store(widest, std::memory_order_relaxed); }

// ownResize8pxLz3, ownResize16pxLz3, ownResize32pxLz3, ownResize8plLz3, ownResize16plLz3, ownResize32plLz3
const Kernel kLanczos3Kernels[6] = {lanczos<Ipp8u, true>, lanczos<Ipp16u, true>, lanczos<Ipp32f, true>,
                                    lanczos<Ipp8u, true>, lanczos<Ipp16u, true>, lanczos<Ipp32f, true>};
// ownResize8pxLz, ownResize16pxLz, ownResize32pxLz, ownResize8plLz, ownResize16plLz, ownResize32plLz
const Kernel kLanczosKernels[6] = {lanczos<Ipp8u, false>, lanczos<Ipp16u, false>, lanczos<Ipp32f, false>,
                                   lanczos<Ipp8u, false>, lanczos<Ipp16u, false>, lanczos<Ipp32f, false>};

}  // namespace oculon::primitives::resize
