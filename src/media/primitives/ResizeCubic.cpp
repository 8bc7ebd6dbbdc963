// Cubic resize: four-point Lagrange interpolation along each axis, evaluated
// in Newton forward-difference form. Source rows are interpolated
// horizontally into single-precision rows, four of which (nodes -1 .. +2)
// blend into each destination row. The driver moves nodes at the image
// borders so that all four taps lie inside the image.

#include "media/primitives/HotLoop.h"
#include "media/primitives/ResizeKernels.h"

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

template <typename T>
void cubic(const Job& job) {
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

// ownResize8pxC, ownResize16pxC, ownResize32pxC, ownResize8plC, ownResize16plC, ownResize32plC
const Kernel kCubicKernels[6] = {cubic<Ipp8u>, cubic<Ipp16u>, cubic<Ipp32f>,
                                 cubic<Ipp8u>, cubic<Ipp16u>, cubic<Ipp32f>};

}  // namespace oculon::primitives::resize
