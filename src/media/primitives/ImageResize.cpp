// The resize entry points and the general driver: checks, clipping, the
// processed size, and the mapping of every destination column and row onto
// a source node with its weight, settled before one kernel runs.

#include "media/primitives/ImageResize.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/ResizeKernels.h"

namespace oculon::primitives {

namespace resize {

IppStatus checkArguments(const void* src, IppiSize srcSize, TVDImageRect roi, const void* dst, IppiSize dstSize,
                         double xFactor, double yFactor, int pixelBytes) {
    if (!src || !dst) return ippStsNullPtrErr;
    if (srcSize.width <= 0 || srcSize.height <= 0 || roi.X < 0 || roi.Y < 0 || roi.Width <= 0 || roi.Height <= 0)
        return ippStsSizeErr;
    if (static_cast<long long>(srcSize.width) * pixelBytes > INT_MAX) return ippStsSizeErr;
    if (roi.X >= srcSize.width || roi.Y >= srcSize.height) return kResizeRegionOutside;
    if (dstSize.width <= 0 || dstSize.height <= 0) return ippStsSizeErr;
    if (!(xFactor > 0.0) || !(yFactor > 0.0)) return ippStsResizeFactorErr;
    return ippStsNoErr;
}

bool processedSize(int region, double factor, int dstSize, int* out) {
    const double c = region * factor + 1e-7;
    if (dstSize <= c) {
        *out = dstSize;
    } else if (c >= 1.0) {
        *out = static_cast<int>(c);  // below dstSize here
    } else if (c >= 0.5) {
        *out = 1;
    } else {
        return false;
    }
    return true;
}

Kernel kernelAt(int position) {
    if (position < kLinearBase) return kNearestKernels[position - kNearestBase];
    if (position < kCubicBase) return kLinearKernels[position - kLinearBase];
    if (position < kLanczos3Base) return kCubicKernels[position - kCubicBase];
    if (position < kLanczosBase) return kLanczos3Kernels[position - kLanczos3Base];
    return kLanczosKernels[position - kLanczosBase];
}

}  // namespace resize

namespace {

using resize::Job;

// Toward zero, saturated to the int range; NaN gives 0.
int truncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

struct FreeBlock {
    void operator()(void* p) const { ippsFree(p); }
};
template <typename T>
using Block = std::unique_ptr<T, FreeBlock>;

template <typename T>
Block<T> allocate(long long count) {
    return Block<T>(static_cast<T*>(alignedAlloc(count, sizeof(T))));
}

// One axis of the mapping, in pixels; positions count from the region's
// first pixel.
struct Axis {
    int origin;  // the region's first pixel in the image
    int image;   // the image's size
    int region;  // the clipped region's size
    int count;   // destination pixels
    double factor;
    double shift;

    int last() const { return image - 1 - origin; }
};

// Calls fn(k, position, node) for every destination pixel k. Nearest
// neighbour maps pixel centres onto pixel centres, the others the first and
// last pixels onto the region's first and last. Positions are accumulated
// as they go, and each is held inside the image: a shifted mapping may
// otherwise end one pixel past it.
template <typename Fn>
void eachPosition(const Axis& a, bool centres, Fn fn) {
    double scale, p;
    if (centres) {
        scale = 1.0 / a.factor;
        p = 0.5 * scale + a.shift;
    } else {
        const double span = a.region * a.factor;
        scale = span > 1.0 ? (a.region - 1) / (span - 1) : 0.0;
        p = a.shift;
    }
    const int last = a.last();
    for (int k = 0; k < a.count; ++k, p += scale) {
        double q = p;
        if (!(q >= 0)) q = 0;
        if (q > last) q = last;
        fn(k, q, static_cast<int>(q + 1e-7));
    }
}

// The tables of one axis: node per destination pixel, and the weights the
// interpolation needs. `pairs` gives the fixed-point weights as (left,
// right) shares, the form of the column table.
struct AxisTables {
    Block<int> nodes;
    Block<Ipp16u> fixed;
    Block<float> real;
    Block<float> coefs;

    bool fill(const Axis& a, int interpolation, bool fixedPoint, bool pairs) {
        nodes.reset(ippsMalloc_32s(a.count));
        if (!nodes) return false;
        if (interpolation == kResizeLinear && fixedPoint) {
            fixed = pairs ? allocate<Ipp16u>(2LL * a.count) : Block<Ipp16u>(ippsMalloc_16u(a.count));
            if (!fixed) return false;
        } else if (interpolation != kResizeNearest) {
            real.reset(ippsMalloc_32f(a.count));
            if (!real) return false;
        }
        const int last = a.last();
        int* node = nodes.get();
        eachPosition(a, interpolation == kResizeNearest, [&](int k, double p, int i) {
            switch (interpolation) {
                case kResizeLinear:
                    if (fixedPoint) {
                        int w = 16384;
                        if (i == last) --i;
                        else w = std::clamp(truncToInt((p - i) * 16384 + 1e-7), 0, 16384);
                        if (pairs) {
                            fixed.get()[2 * k] = static_cast<Ipp16u>(16384 - w);
                            fixed.get()[2 * k + 1] = static_cast<Ipp16u>(w);
                        } else {
                            fixed.get()[k] = static_cast<Ipp16u>(w);
                        }
                    } else {
                        float w = 1.0f;
                        if (i == last) --i;
                        else w = static_cast<float>(p - i);
                        real.get()[k] = w;
                    }
                    break;
                case kResizeCubic:
                    // Node moved so that its taps -1 .. +2 lie in the image.
                    if (i == last) {
                        i -= 2;
                        real.get()[k] = 2.0f;
                        break;
                    }
                    if (a.origin + i == 0) ++i;
                    else if (a.origin + i == a.image - 2) --i;
                    real.get()[k] = static_cast<float>(p - i);
                    break;
                case kResizeLanczos: real.get()[k] = static_cast<float>(p - i); break;
                default: break;
            }
            node[k] = i;
        });
        if (interpolation == kResizeLanczos) {
            coefs = allocate<float>(6LL * a.count);
            if (!coefs) return false;
            resize::ownpi_Lanczos3(real.get(), a.count, coefs.get());
        }
        return true;
    }
};

template <typename T>
IppStatus resizeEntry(const T* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, T* pDst, int dstStep,
                      IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation, int channels,
                      int sampleType, double xShift = 0.0, double yShift = 0.0) {
    if (interpolation == kResizeSuper && xFactor <= 1.0 && yFactor <= 1.0)
        return ownpiDecimateSuper(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor, channels,
                                  channels, sampleType, 0);
    return ownpiResize(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor, xShift, yShift,
                       channels, channels, sampleType, 0, interpolation);
}

// One axis of the centred placement: where the region lands in the
// destination, and which source region and shift fill that part.
struct CentredAxis {
    int rectStart, rectSize, srcStart, srcSize;
    double shift;

    CentredAxis(int start, int size, int image, int dst, double factor, double centre) {
        size = std::min(size, image - start);
        const double end = static_cast<double>(start) + size;
        const double at = factor * (start - centre) + dst * 0.5;  // where the region's first pixel lands
        rectStart = std::max(truncToInt(std::ceil(at)), 0);
        const long long rectEnd = truncToInt(std::min(factor * end + at, static_cast<double>(dst)));
        rectSize = static_cast<int>(std::clamp(rectEnd - rectStart, static_cast<long long>(INT_MIN), 0LL + INT_MAX));
        srcSize = truncToInt(std::ceil(std::min((dst - at) / factor, static_cast<double>(size))));
        const double from = (rectStart - dst * 0.5) / factor + centre;
        srcStart = truncToInt(from);
        shift = from - srcStart;
    }
};

}  // namespace

resize::SuperVectors resize::processorVectors() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const SuperVectors widest = [] {
        __builtin_cpu_init();
        if (!__builtin_cpu_supports("avx2")) return SuperVectors::None;
        return __builtin_cpu_supports("avx512bw") ? SuperVectors::Avx512 : SuperVectors::Avx2;
    }();
    return widest;
#else
    return SuperVectors::None;
#endif
}

IppStatus ownpiResize(const void* src, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, void* dst, int dstStep,
                      IppiSize dstRoiSize, double xFactor, double yFactor, double xShift, double yShift, int channels,
                      int layout, int sampleType, int planar, int interpolation) {
    const int bytes = resize::bytesPerSample(sampleType);
    const int pixel = planar ? 1 : channels;
    if (IppStatus st = resize::checkArguments(src, srcSize, srcRoi, dst, dstRoiSize, xFactor, yFactor, pixel * bytes))
        return st;
    if (interpolation != kResizeNearest && interpolation != kResizeLinear && interpolation != kResizeCubic &&
        interpolation != kResizeLanczos)
        return ippStsInterpolationErr;
    if (sampleType < kSample8u || sampleType > kSample32f) return ippStsNoErr;

    // Small images lack the taps of the wider kernels.
    const int smaller = std::min(srcSize.width, srcSize.height);
    if (smaller < 8 && interpolation == kResizeLanczos) interpolation = kResizeCubic;
    if (smaller < 4 && interpolation == kResizeCubic) interpolation = kResizeLinear;
    if (smaller < 2) interpolation = kResizeNearest;

    const int rw = std::min(srcRoi.Width, srcSize.width - srcRoi.X);
    const int rh = std::min(srcRoi.Height, srcSize.height - srcRoi.Y);
    int width = 0, height = 0;
    if (!resize::processedSize(rw, xFactor, dstRoiSize.width, &width) ||
        !resize::processedSize(rh, yFactor, dstRoiSize.height, &height))
        return kResizeTooSmall;

    const bool onePlane = layout == 1 || planar;
    const bool fixedPoint = sampleType != kSample32f;
    AxisTables cols, rows;
    if (!cols.fill({srcRoi.X, srcSize.width, rw, width, xFactor, xShift}, interpolation, fixedPoint, true) ||
        !rows.fill({srcRoi.Y, srcSize.height, rh, height, yFactor, yShift}, interpolation, fixedPoint, false))
        return ippStsMemAllocErr;
    if (!onePlane)
        for (int k = 0; k < width; ++k) cols.nodes.get()[k] *= channels;

    const int buffers = interpolation == kResizeLinear    ? 2
                        : interpolation == kResizeCubic   ? 4
                        : interpolation == kResizeLanczos ? 6
                                                          : 0;
    const long long perBuffer = onePlane ? width + 4LL : layout == 3 ? 3LL * width + 12 : 4LL * width + 16;
    const std::size_t element = interpolation == kResizeLinear && fixedPoint ? sizeof(Ipp16u) : sizeof(float);
    Block<void> rowBuffers[6];
    for (int b = 0; b < buffers; ++b) {
        rowBuffers[b].reset(alignedAlloc(perBuffer, element));
        if (!rowBuffers[b]) return ippStsMemAllocErr;
    }

    Job job{};
    job.srcStep = srcStep >> resize::sampleShift(bytes);
    job.dstStep = dstStep >> resize::sampleShift(bytes);
    job.width = width;
    job.height = height;
    job.rows = rows.nodes.get();
    job.cols = cols.nodes.get();
    job.rowWeights16 = rows.fixed.get();
    job.colWeights16 = cols.fixed.get();
    job.rowWeights = rows.real.get();
    job.colWeights = cols.real.get();
    job.rowCoefs = rows.coefs.get();
    job.colCoefs = cols.coefs.get();
    for (int b = 0; b < buffers; ++b) job.buffers[b] = rowBuffers[b].get();
    job.channels = onePlane ? 1 : channels;
    job.layout = onePlane ? 1 : layout;
    job.left = srcRoi.X;
    job.top = srcRoi.Y;
    job.right = srcSize.width - srcRoi.X;
    job.bottom = srcSize.height - srcRoi.Y;

    const int family = interpolation == kResizeNearest  ? resize::kNearestBase
                       : interpolation == kResizeLinear ? resize::kLinearBase
                       : interpolation == kResizeCubic  ? resize::kCubicBase
                                                        : resize::kLanczos3Base;
    int position = family + sampleType + (onePlane ? 3 : 0);
    if (interpolation == kResizeNearest && !onePlane && layout == 4) position += 6;
    const resize::Kernel kernel = resize::kernelAt(position);

    const ptrdiff_t origin = resize::regionOffset(srcRoi, srcStep, pixel * bytes, bytes);
    if (!planar) {
        job.src = static_cast<const Ipp8u*>(src) + origin;
        job.dst = dst;
        kernel(job);
        return ippStsNoErr;
    }
    const auto* const* srcPlanes = static_cast<const void* const*>(src);
    auto* const* dstPlanes = static_cast<void* const*>(dst);
    for (int p = 0; p < (layout == 3 ? 3 : 4); ++p) {
        job.src = static_cast<const Ipp8u*>(srcPlanes[p]) + origin;
        job.dst = dstPlanes[p];
        kernel(job);
    }
    return ippStsNoErr;
}

IppStatus ownpiResizeCenter(IppiSize srcSize, TVDImageRect srcRoi, IppiSize dstRoiSize, double xFactor, double yFactor,
                            double xCenter, double yCenter, TVDImageRect* dstRect, TVDImageRect* srcRegion,
                            double* xShift, double* yShift) {
    if (srcSize.width <= 0 || srcSize.height <= 0 || srcRoi.X < 0 || srcRoi.Y < 0 || srcRoi.Width <= 0 ||
        srcRoi.Height <= 0)
        return ippStsSizeErr;
    if (srcRoi.X >= srcSize.width || srcRoi.Y >= srcSize.height) return kResizeRegionOutside;
    if (dstRoiSize.width <= 0 || dstRoiSize.height <= 0) return ippStsSizeErr;
    if (!(xFactor > 0.0) || !(yFactor > 0.0)) return ippStsResizeFactorErr;
    if (!dstRect || !srcRegion || !xShift || !yShift) return ippStsNullPtrErr;
    const CentredAxis x(srcRoi.X, srcRoi.Width, srcSize.width, dstRoiSize.width, xFactor, xCenter);
    const CentredAxis y(srcRoi.Y, srcRoi.Height, srcSize.height, dstRoiSize.height, yFactor, yCenter);
    *dstRect = {x.rectStart, y.rectStart, x.rectSize, y.rectSize};
    *srcRegion = {x.srcStart, y.srcStart, x.srcSize, y.srcSize};
    *xShift = x.shift;
    *yShift = y.shift;
    return ippStsNoErr;
}

IppStatus _px_ippiResize_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, Ipp8u* pDst,
                                int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation) {
    return resizeEntry(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor, interpolation, 3,
                       kSample8u);
}

IppStatus _px_ippiResize_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, Ipp8u* pDst,
                                int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation) {
    return resizeEntry(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor, interpolation, 4,
                       kSample8u);
}

IppStatus _px_ippiResize_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, Ipp8u* pDst,
                                int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation) {
    return resizeEntry(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor, interpolation, 1,
                       kSample8u);
}

IppStatus _px_ippiResize_16u_C1R(const Ipp16u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, Ipp16u* pDst,
                                 int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor, int interpolation) {
    return resizeEntry(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoiSize, xFactor, yFactor, interpolation, 1,
                       kSample16u);
}

IppStatus _px_ippiResizeCenter_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, TVDImageRect srcRoi,
                                      Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor,
                                      double xCenter, double yCenter, int interpolation) {
    if (!pDst) return ippStsNullPtrErr;
    TVDImageRect rect{}, region{};
    double xShift = 0, yShift = 0;
    if (IppStatus st = ownpiResizeCenter(srcSize, srcRoi, dstRoiSize, xFactor, yFactor, xCenter, yCenter, &rect,
                                         &region, &xShift, &yShift))
        return st;
    // A rectangle that holds no pixel lies (partly) outside the destination;
    // the driver refuses its size before it would use the pointer.
    Ipp8u* dst = pDst;
    if (rect.Width > 0 && rect.Height > 0)
        dst += 4 * static_cast<ptrdiff_t>(rect.X) + static_cast<ptrdiff_t>(rect.Y) * dstStep;
    return resizeEntry(pSrc, srcSize, srcStep, region, dst, dstStep, {rect.Width, rect.Height}, xFactor, yFactor,
                       interpolation, 4, kSample8u, xShift, yShift);
}

OCULON_IPP_DEFINE(ippiResize_8u_C3R);
OCULON_IPP_DEFINE(ippiResize_8u_C4R);
OCULON_IPP_DEFINE(ippiResize_8u_C1R);
OCULON_IPP_DEFINE(ippiResize_16u_C1R);
OCULON_IPP_DEFINE(ippiResizeCenter_8u_C4R);

}  // namespace oculon::primitives
