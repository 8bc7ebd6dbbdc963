// Area-averaging reduction (super-sampling): every destination pixel is the
// mean of the source area it covers, whole pixels with weight one and the
// pixels cut by the area's edges with the covered fraction. One scratch row
// accumulates the covered source rows of a destination row; its columns are
// then grouped, scaled and stored.

#include <cmath>
#include <cstring>
#include <memory>
#include <type_traits>

#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/ImageResize.h"
#include "media/primitives/ResizeKernels.h"

namespace oculon::primitives {

namespace {

constexpr double kEpsilon = 1e-7;

// What a kernel needs to know about one image or plane.
struct Area {
    const void* src;  // the region's first sample
    void* dst;
    ptrdiff_t srcStep;  // samples
    ptrdiff_t dstStep;
    int usedWidth;  // source pixels the outputs cover, at most the region's width
    int rows;       // the region's height
    int dstW;
    int dstH;
    double rx, ry, norm;
    int spacing;  // pixel stride of the interleaved kernels
};

// Sums covered rows into Acc slots: 64-bit integers while both ratios are
// whole (no 8-bit or 16-bit sum can overflow them), single-precision floats
// otherwise. Areas that reach past the region repeat its last row or pixel,
// so a flat image stays flat.
template <typename T, typename Acc, int Values>
class Decimator {
public:
    Decimator(const Area& a, Acc* acc) : a_(a), acc_(acc) {}

    void run() {
        const bool yWhole = a_.ry == std::floor(a_.ry);
        const auto iy = static_cast<long long>(a_.ry);
        const double fy = a_.ry - static_cast<double>(iy);
        long long cursor = 0;
        double f = 0;
        for (int r = 0; r < a_.dstH; ++r) {
            std::memset(acc_, 0, sizeof(Acc) * static_cast<std::size_t>(a_.usedWidth) * Values);
            if (yWhole) {
                for (long long k = 0; k < iy; ++k) addRow(r * iy + k, 1.0);
            } else if (r == 0) {
                for (; cursor < iy; ++cursor) addRow(cursor, 1.0);
                addRow(cursor, fy);
                f = fy;
            } else {
                const double w0 = 1.0 - f;
                const double t = a_.ry - w0;
                const double n = std::floor(t + kEpsilon);
                f = t - n;
                // A cut row the previous output took (almost) whole is done
                // with: moving past it keeps it from being added again.
                if (w0 > kEpsilon) addRow(cursor, w0);
                ++cursor;
                for (double k = 0; k < n; ++k) addRow(cursor++, 1.0);
                if (f > kEpsilon) addRow(cursor, f);
            }
            columns(static_cast<T*>(a_.dst) + r * a_.dstStep);
        }
    }

private:
    void addRow(long long row, double weight) {
        if (row >= a_.rows) row = a_.rows - 1;
        const T* s = static_cast<const T*>(a_.src) + row * a_.srcStep;
        if (a_.spacing == Values) return add(s, acc_, static_cast<ptrdiff_t>(a_.usedWidth) * Values, weight);
        for (int p = 0; p < a_.usedWidth; ++p)
            add(s + static_cast<ptrdiff_t>(p) * a_.spacing, acc_ + p * Values, Values, weight);
    }

    // Whole rows add as integers; cut ones as floats, rounded per add.
    static void add(const T* s, Acc* acc, ptrdiff_t n, double weight) {
        if constexpr (std::is_integral_v<Acc>) {
            for (ptrdiff_t i = 0; i < n; ++i) acc[i] += s[i];
        } else {
            for (ptrdiff_t i = 0; i < n; ++i) acc[i] = static_cast<Acc>(acc[i] + static_cast<double>(s[i]) * weight);
        }
    }

    // Slot p, the last one standing in for pixels past it.
    double slot(long long p, int c) const {
        return static_cast<double>(acc_[(p < a_.usedWidth ? p : a_.usedWidth - 1) * Values + c]);
    }

    void columns(T* d) const {
        const auto ix = static_cast<long long>(a_.rx);
        const double fx = a_.rx - static_cast<double>(ix);
        if (a_.rx == std::floor(a_.rx)) {
            for (int j = 0; j < a_.dstW; ++j)
                for (int c = 0; c < Values; ++c) {
                    std::conditional_t<std::is_integral_v<Acc>, Acc, double> sum = 0;
                    for (long long m = 0; m < ix; ++m) {
                        const long long p = j * ix + m;
                        sum += acc_[(p < a_.usedWidth ? p : a_.usedWidth - 1) * Values + c];
                    }
                    if constexpr (std::is_integral_v<Acc>) put(d, j, c, sum);
                    else put(d, j, c, static_cast<float>(sum));
                }
            return;
        }
        long long s = ix;
        double f = fx;
        for (int j = 0; j < a_.dstW; ++j) {
            if (j == 0) {
                for (int c = 0; c < Values; ++c) {
                    double sum = 0;
                    for (long long m = 0; m < ix; ++m) sum += slot(m, c);
                    put(d, j, c, static_cast<float>(sum + slot(ix, c) * fx));
                }
                continue;
            }
            const double w0 = 1.0 - f;
            const double t = a_.rx - w0;
            const double n = std::floor(t + kEpsilon);
            f = t - n;
            const auto whole = static_cast<long long>(n);
            for (int c = 0; c < Values; ++c) {
                double sum = w0 > kEpsilon ? slot(s, c) * w0 : 0.0;
                for (long long m = 1; m <= whole; ++m) sum += slot(s + m, c);
                if (f > kEpsilon) sum += slot(s + whole + 1, c) * f;
                put(d, j, c, static_cast<float>(sum));
            }
            s += whole + 1;
        }
    }

    template <typename V>
    void put(T* d, int j, int c, V sum) const {
        const double v = static_cast<double>(sum) * a_.norm;
        T& out = d[static_cast<ptrdiff_t>(j) * a_.spacing + c];
        if constexpr (std::is_integral_v<T>) {
            // The weights of an output add up to 1/norm; the clamp only
            // guards against the last bits of the float sums.
            constexpr double kMax = std::numeric_limits<T>::max();
            const double x = v + 0.5;
            out = !(x > 0) ? T{0} : x >= kMax ? static_cast<T>(kMax) : static_cast<T>(x);
        } else {
            out = static_cast<T>(v);
        }
    }

    const Area& a_;
    Acc* acc_;
};

struct FreeBlock {
    void operator()(void* p) const { ippsFree(p); }
};

template <typename T, int Values>
IppStatus decimate(const Area& a, bool wholeRatios) {
    const long long slots = static_cast<long long>(a.usedWidth) * Values;
    if (wholeRatios && std::is_integral_v<T>) {
        std::unique_ptr<void, FreeBlock> acc(alignedAlloc(slots, sizeof(std::uint64_t)));
        if (!acc) return ippStsMemAllocErr;
        Decimator<T, std::uint64_t, Values>(a, static_cast<std::uint64_t*>(acc.get())).run();
    } else {
        std::unique_ptr<void, FreeBlock> acc(alignedAlloc(slots, sizeof(float)));
        if (!acc) return ippStsMemAllocErr;
        Decimator<T, float, Values>(a, static_cast<float*>(acc.get())).run();
    }
    return ippStsNoErr;
}

template <typename T>
IppStatus decimateLayout(const Area& a, bool wholeRatios, int layout) {
    if (layout == 1) return decimate<T, 1>(a, wholeRatios);
    if (layout == 4) return decimate<T, 4>(a, wholeRatios);
    return decimate<T, 3>(a, wholeRatios);
}

IppStatus decimateAny(const Area& a, bool wholeRatios, int layout, int sampleType) {
    switch (sampleType) {
        case kSample8u: return decimateLayout<Ipp8u>(a, wholeRatios, layout);
        case kSample16u: return decimateLayout<Ipp16u>(a, wholeRatios, layout);
        case kSample32f: return decimateLayout<Ipp32f>(a, wholeRatios, layout);
        default: return ippStsNoErr;
    }
}

}  // namespace

IppStatus ownpiDecimateSuper(const void* src, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, void* dst,
                             int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor, int channels, int layout,
                             int sampleType, int planar) {
    const int bytes = resize::bytesPerSample(sampleType);
    const int pixel = planar ? 1 : channels;
    if (IppStatus st = resize::checkArguments(src, srcSize, srcRoi, dst, dstRoiSize, xFactor, yFactor, pixel * bytes))
        return st;
    const int w = std::min(srcRoi.Width, srcSize.width - srcRoi.X);
    const int h = std::min(srcRoi.Height, srcSize.height - srcRoi.Y);
    int dstW = 0, dstH = 0;
    if (!resize::processedSize(w, xFactor, dstRoiSize.width, &dstW) ||
        !resize::processedSize(h, yFactor, dstRoiSize.height, &dstH))
        return kResizeTooSmall;

    Area a{};
    a.rx = 1.0 / xFactor;
    a.ry = 1.0 / yFactor;
    a.norm = xFactor * yFactor;
    const double used = std::floor((dstW + 1.0) * a.rx) + 1;
    a.usedWidth = used > w ? w : static_cast<int>(used);
    a.rows = h;
    a.dstW = dstW;
    a.dstH = dstH;
    a.srcStep = srcStep >> resize::sampleShift(bytes);
    a.dstStep = dstStep >> resize::sampleShift(bytes);
    a.spacing = layout == 1 ? 1 : layout == 4 ? 4 : channels;
    const bool wholeRatios = a.rx == std::floor(a.rx) && a.ry == std::floor(a.ry);
    const ptrdiff_t origin = resize::regionOffset(srcRoi, srcStep, pixel * bytes, bytes);

    if (!planar) {
        a.src = static_cast<const Ipp8u*>(src) + origin;
        a.dst = dst;
        return decimateAny(a, wholeRatios, layout, sampleType);
    }
    const auto* const* srcPlanes = static_cast<const void* const*>(src);
    auto* const* dstPlanes = static_cast<void* const*>(dst);
    a.spacing = 1;
    IppStatus st = ippStsNoErr;
    for (int p = 0; p < (layout == 3 ? 3 : 4); ++p) {
        a.src = static_cast<const Ipp8u*>(srcPlanes[p]) + origin;
        a.dst = dstPlanes[p];
        st = decimateAny(a, wholeRatios, 1, sampleType);
    }
    return st;
}

}  // namespace oculon::primitives
