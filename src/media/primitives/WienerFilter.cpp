#include "media/primitives/WienerFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "media/primitives/ImageElementwise.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/ImageStatistics.h"
#include "media/primitives/SignalStatistics.h"

namespace oculon::primitives {

namespace {

using elementwise::load;
using elementwise::store;
using std::ptrdiff_t;

// Noise values this small ask for an estimate.
constexpr float kSmallestNoise = 1.1920929e-07f;  // 2^-23
constexpr float kOverFullScale = 1.5378700e-05f;  // 1 / 65025

// Pixel: samples per pixel in the source, the destination and the rows of
// window sums; Channels: the samples of a pixel that are filtered.
template <typename S, int Pixel, int Channels>
struct Form {
    using Sample = S;
    // Differences of 8-bit samples and of their squares are summed exactly
    // in integers; float samples are summed as floats.
    using Sum = std::conditional_t<std::is_integral_v<S>, std::int64_t, float>;
    static constexpr int kPixel = Pixel;
    static constexpr int kChannels = Channels;
};

using Byte1 = Form<Ipp8u, 1, 1>;
using Byte3 = Form<Ipp8u, 3, 3>;
using ByteA4 = Form<Ipp8u, 4, 3>;
using Float1 = Form<Ipp32f, 1, 1>;

// Floats per row of window sums.
ptrdiff_t sumsRowLength(int width, int maskW, int pixel) {
    if (pixel == 1) return (static_cast<ptrdiff_t>(width) + maskW + 6) & ~ptrdiff_t{3};
    if (pixel == 3) return (3 * static_cast<ptrdiff_t>(width) + 6) & ~ptrdiff_t{3};
    return 4 * static_cast<ptrdiff_t>(width) + 4;
}

struct Geometry {
    const Ipp8u* src;
    int srcStep;
    int width, height;
    int maskW, maskH;
    int left, right;  // columns of the window before and after its pixel
    int above, below;
};

// Walks the destination rows with the window sums of the current row and
// of the next in the caller's buffer: S and Q (sum and sum of squares) per
// pixel and channel, which become M and V in place once the next row's
// sums have been taken from them.
template <class F>
class WindowRows {
public:
    using S = typename F::Sample;
    using Sum = typename F::Sum;
    static constexpr int kPixel = F::kPixel;
    static constexpr int kChannels = F::kChannels;

    WindowRows(const Geometry& g, Ipp8u* buffer) : g_(g) {
        auto* base = reinterpret_cast<float*>(buffer + (16 - reinterpret_cast<std::uintptr_t>(buffer) % 16) % 16);
        const ptrdiff_t length = sumsRowLength(g.width, g.maskW, kPixel);
        sums_[0] = base, sums_[1] = base + length;
        squares_[0] = base + 2 * length, squares_[1] = base + 3 * length;
        r_ = 1.0f / static_cast<float>(static_cast<long long>(g.maskW) * g.maskH);
    }

    float r() const { return r_; }

    // consume(j, M, V) for every row j, V raised to floor[channel].
    template <typename Consume>
    void run(const float* floor, Consume consume) {
        firstRow();
        for (int j = 0; j < g_.height; ++j) {
            if (j + 1 < g_.height) nextRow(j);
            float *m = sums_[0], *v = squares_[0];
            for (ptrdiff_t x = 0; x < g_.width; ++x)
                for (int c = 0; c < kChannels; ++c) {
                    const ptrdiff_t i = kPixel * x + c;
                    const float s = m[i];
                    m[i] = s * r_;
                    v[i] = v[i] - s * s * r_;
                    if (v[i] < floor[c]) v[i] = floor[c];
                }
            consume(j, static_cast<const float*>(m), static_cast<const float*>(v));
            std::swap(sums_[0], sums_[1]);
            std::swap(squares_[0], squares_[1]);
        }
    }

private:
    // Sample of channel c at source column x of source row y, both counted
    // from the destination's (0, 0).
    Sum at(ptrdiff_t y, ptrdiff_t x, int c) const {
        return static_cast<Sum>(load<S>(region::row(g_.src, g_.srcStep, y), kPixel * x + c));
    }

    // The window of column 0 in full, then each next column from the one
    // before, by the column entering on the right and the one leaving on
    // the left.
    void firstRow() {
        for (int c = 0; c < kChannels; ++c) {
            Sum s = 0, q = 0;
            for (ptrdiff_t y = -g_.above; y <= g_.below; ++y)
                for (ptrdiff_t x = -g_.left; x <= g_.right; ++x) {
                    const Sum v = at(y, x, c);
                    s += v;
                    q += v * v;
                }
            sums_[0][c] = static_cast<float>(s);
            squares_[0][c] = static_cast<float>(q);
            for (ptrdiff_t x = 1; x < g_.width; ++x) {
                Sum ds = 0, dq = 0;
                for (ptrdiff_t y = -g_.above; y <= g_.below; ++y) {
                    const Sum in = at(y, x + g_.right, c), out = at(y, x - 1 - g_.left, c);
                    ds += in - out;
                    dq += in * in - out * out;
                }
                const ptrdiff_t i = kPixel * x + c;
                sums_[0][i] = sums_[0][i - kPixel] + static_cast<float>(ds);
                squares_[0][i] = squares_[0][i - kPixel] + static_cast<float>(dq);
            }
        }
    }

    // Row j + 1's sums: row j's plus the source row entering below minus
    // the one leaving at the top, that difference slid along the columns.
    void nextRow(ptrdiff_t j) {
        const ptrdiff_t in = j + g_.below + 1, out = j - g_.above;
        const auto change = [&](ptrdiff_t x, int c, Sum& ds, Sum& dq) {
            const Sum a = at(in, x, c), b = at(out, x, c);
            ds += a - b;
            dq += a * a - b * b;
        };
        for (int c = 0; c < kChannels; ++c) {
            Sum ds = 0, dq = 0;
            for (ptrdiff_t x = -g_.left; x <= g_.right; ++x) change(x, c, ds, dq);
            for (ptrdiff_t x = 0;; ++x) {
                const ptrdiff_t i = kPixel * x + c;
                sums_[1][i] = sums_[0][i] + static_cast<float>(ds);
                squares_[1][i] = squares_[0][i] + static_cast<float>(dq);
                if (x + 1 == g_.width) break;
                Sum leaveS = 0, leaveQ = 0;
                change(x - g_.left, c, leaveS, leaveQ);
                change(x + 1 + g_.right, c, ds, dq);
                ds -= leaveS;
                dq -= leaveQ;
            }
        }
    }

    Geometry g_;
    float* sums_[2];
    float* squares_[2];
    float r_;
};

// Adds each channel's mean of a row of V to its total.
template <int Pixel>
void addRowMeans(const float* v, int width, double total[3]) {
    if constexpr (Pixel == 1) {
        Ipp32f mean = 0;
        ippsMean_32f(v, width, &mean, ippAlgHintFast);
        total[0] += mean;
    } else {
        Ipp64f mean[3] = {};
        const IppiSize row{width, 1};
        if constexpr (Pixel == 3) _px_ippiMean_32f_C3R(v, 12 * width, row, mean, ippAlgHintFast);
        else _px_ippiMean_32f_AC4R(v, 16 * width, row, mean, ippAlgHintFast);
        for (int c = 0; c < 3; ++c) total[c] += mean[c];
    }
}

struct Range {
    Ipp32f lo, hi;
};

// Minimum and maximum of the area that the windows cover, which with a mask
// side near INT_MAX is wider or taller than an IppiSize holds: in tiles of
// at most INT_MAX columns and rows.
Range coveredRange(const Ipp32f* corner, int step, long long width, long long height) {
    Range range{};
    bool first = true;
    for (long long r = 0; r < height; r += INT_MAX)
        for (long long c = 0; c < width; c += INT_MAX) {
            const IppiSize tile{static_cast<int>(std::min<long long>(INT_MAX, width - c)),
                                static_cast<int>(std::min<long long>(INT_MAX, height - r))};
            const auto* origin = reinterpret_cast<const Ipp32f*>(region::row(corner, step, r)) + c;
            Range t{};
            _px_ippiMinMax_32f_C1R(origin, step, tile, &t.lo, &t.hi);
            // A NaN minimum stays, as within one tile.
            if (first || t.lo < range.lo || std::isnan(t.lo)) range.lo = t.lo;
            if (first || t.hi > range.hi) range.hi = t.hi;
            first = false;
        }
    return range;
}

template <class F>
IppStatus wiener(const typename F::Sample* pSrc, int srcStep, typename F::Sample* pDst, int dstStep, IppiSize roi,
                 IppiSize mask, IppiPoint anchor, Ipp32f* noise, Ipp8u* pBuffer) {
    constexpr int kChannels = F::kChannels, kPixel = F::kPixel;
    constexpr bool kBytes = std::is_integral_v<typename F::Sample>;
    if (!pSrc || !pDst || !noise || !pBuffer) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (mask.width < 2 || mask.height < 2) return ippStsMaskSizeErr;
    if (anchor.x < 0 || anchor.x >= mask.width || anchor.y < 0 || anchor.y >= mask.height) return ippStsAnchorErr;
    if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
    for (int c = 0; c < kChannels; ++c)
        if (!(noise[c] >= 0.0f && noise[c] < 1.0f)) return ippStsNoiseRangeErr;

    const Geometry g{reinterpret_cast<const Ipp8u*>(pSrc),
                     srcStep,
                     roi.width,
                     roi.height,
                     mask.width,
                     mask.height,
                     mask.width - 1 - anchor.x,
                     anchor.x,
                     mask.height - 1 - anchor.y,
                     anchor.y};
    WindowRows<F> rows(g, pBuffer);
    const float r = rows.r();

    float fullScale = 65025.0f;  // R^2 for float data
    if constexpr (!kBytes) {
        const Ipp32f* corner = reinterpret_cast<const Ipp32f*>(region::row(pSrc, srcStep, -g.above)) - g.left;
        const Range range = coveredRange(corner, srcStep, static_cast<long long>(roi.width) + mask.width - 1,
                                         static_cast<long long>(roi.height) + mask.height - 1);
        fullScale = (range.hi - range.lo) * (range.hi - range.lo);
    }

    float nu[kChannels];
    bool estimate = false;
    for (int c = 0; c < kChannels; ++c) estimate |= !(std::fabs(noise[c]) >= kSmallestNoise);
    if (!estimate) {
        for (int c = 0; c < kChannels; ++c)
            nu[c] = noise[c] * fullScale * static_cast<float>(mask.width) * static_cast<float>(mask.height);
    } else {
        const float none[3] = {0, 0, 0};
        double total[3] = {};
        rows.run(none, [&](int, const float*, const float* v) { addRowMeans<kPixel>(v, roi.width, total); });
        for (int c = 0; c < kChannels; ++c) {
            nu[c] = static_cast<float>(total[c] / roi.height);
            // A flat float image has no range to scale its zero level by.
            if constexpr (kBytes) noise[c] = nu[c] * kOverFullScale * r;
            else noise[c] = fullScale > 0 ? nu[c] * r / fullScale : 0.0f;
        }
    }

    rows.run(nu, [&](int j, const float* m, const float* v) {
        const Ipp8u* src = region::row(pSrc, srcStep, j);
        Ipp8u* dst = region::row(pDst, dstStep, j);
        for (ptrdiff_t x = 0; x < roi.width; ++x)
            for (int c = 0; c < kChannels; ++c) {
                const ptrdiff_t i = kPixel * x + c;
                // V is 0 only where nu is too: take the gain 0 / 0 as 0.
                const float gain = v[i] > 0 ? (v[i] - nu[c]) / v[i] : 0.0f;
                const float value = m[i] + gain * (static_cast<float>(load<typename F::Sample>(src, i)) - m[i]);
                if constexpr (kBytes) store<Ipp8u>(dst, i, static_cast<Ipp8u>(static_cast<int>(value)));
                else store<Ipp32f>(dst, i, value);
            }
    });
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiFilterWiener_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                      IppiSize mask, IppiPoint anchor, Ipp32f noise[1], Ipp8u* pBuffer) {
    return wiener<Byte1>(pSrc, srcStep, pDst, dstStep, roi, mask, anchor, noise, pBuffer);
}

IppStatus _px_ippiFilterWiener_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                      IppiSize mask, IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer) {
    return wiener<Byte3>(pSrc, srcStep, pDst, dstStep, roi, mask, anchor, noise, pBuffer);
}

IppStatus _px_ippiFilterWiener_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                       IppiSize mask, IppiPoint anchor, Ipp32f noise[3], Ipp8u* pBuffer) {
    return wiener<ByteA4>(pSrc, srcStep, pDst, dstStep, roi, mask, anchor, noise, pBuffer);
}

IppStatus _px_ippiFilterWiener_32f_C1R(const Ipp32f* pSrc, int srcStep, Ipp32f* pDst, int dstStep, IppiSize roi,
                                       IppiSize mask, IppiPoint anchor, Ipp32f noise[1], Ipp8u* pBuffer) {
    return wiener<Float1>(pSrc, srcStep, pDst, dstStep, roi, mask, anchor, noise, pBuffer);
}

IppStatus _px_ippiFilterWienerGetBufferSize(IppiSize roi, IppiSize mask, int channels, int* pSize) {
    if (!pSize) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (channels != 1 && channels != 3 && channels != 4) return ippStsNumChannelsErr;
    if (mask.width < 2 || mask.height < 2) return ippStsMaskSizeErr;
    const long long samples =
        channels == 1 ? static_cast<long long>(roi.width) + mask.width : static_cast<long long>(roi.width) * channels;
    const long long size = ((samples + 6) & ~3LL) * 16 + 15;
    if (size > INT_MAX) return ippStsSizeErr;
    *pSize = static_cast<int>(size);
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippiFilterWiener_8u_C1R);
OCULON_IPP_DEFINE(ippiFilterWiener_8u_C3R);
OCULON_IPP_DEFINE(ippiFilterWiener_8u_AC4R);
OCULON_IPP_DEFINE(ippiFilterWiener_32f_C1R);
OCULON_IPP_DEFINE(ippiFilterWienerGetBufferSize);

}  // namespace oculon::primitives
