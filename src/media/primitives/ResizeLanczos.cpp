// Lanczos resize: six taps per axis (nodes -2 .. +3) weighted by the
// three-lobe window sinc(x) sinc(x/3), looked up at steps of 0.01 and
// normalised per position. Source rows are filtered horizontally into
// single-precision rows, six of which blend into each destination row. The
// bordered kernels repeat the image's edge samples where a tap falls
// outside it; the others need two rows and columns before and three after
// every node.

#include <array>
#include <cmath>
#include <numbers>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ResizeKernels.h"

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

template <typename T, bool Border>
void lanczos(const Job& job) {
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

// ownResize8pxLz3, ownResize16pxLz3, ownResize32pxLz3, ownResize8plLz3, ownResize16plLz3, ownResize32plLz3
const Kernel kLanczos3Kernels[6] = {lanczos<Ipp8u, true>, lanczos<Ipp16u, true>, lanczos<Ipp32f, true>,
                                    lanczos<Ipp8u, true>, lanczos<Ipp16u, true>, lanczos<Ipp32f, true>};
// ownResize8pxLz, ownResize16pxLz, ownResize32pxLz, ownResize8plLz, ownResize16plLz, ownResize32plLz
const Kernel kLanczosKernels[6] = {lanczos<Ipp8u, false>, lanczos<Ipp16u, false>, lanczos<Ipp32f, false>,
                                   lanczos<Ipp8u, false>, lanczos<Ipp16u, false>, lanczos<Ipp32f, false>};

}  // namespace oculon::primitives::resize
