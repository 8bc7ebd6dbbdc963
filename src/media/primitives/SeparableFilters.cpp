#include "media/primitives/SeparableFilters.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageElementwise.h"
#include "media/primitives/ImageRegion.h"

namespace oculon::primitives {

namespace {

using elementwise::load;
using elementwise::store;
using std::ptrdiff_t;

// --- Accumulator precision -------------------------------------------------------
//
// The sums are defined in extended precision. Most kernels, though, have
// products whose bits all fit a float or a double: the sum is then exact in
// that type, whatever the order of its terms, and equals the extended one,
// so the narrower type (which vectorises, and twice as wide for float) gives
// the same samples. Kernels of a few binary digits on 8-bit samples (the
// binomial ones, say) are whole numbers once scaled by a power of two, and
// their sums fit 16-bit integers, sixteen to a vector.

enum class Accumulator { Fixed16, Single, Double, Extended };

// The largest power of two a Fixed16 sum is divided by.
constexpr int kMaxFixedShift = 14;

struct Precision {
    Accumulator accumulator;
    int shift = 0;  // Fixed16: the sum is the integer sum / 2^shift
};

// The powers of two of the highest and lowest set bits of a finite, non-zero
// float.
struct BitRange {
    int high;
    int low;
};

BitRange bitRange(float v) {
    const auto bits = std::bit_cast<std::uint32_t>(v);
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    std::uint32_t significand = bits & 0x7FFFFF;
    int exponent = -149;  // of the significand's lowest bit, for subnormals
    if (biased != 0) significand |= 0x800000, exponent = biased - 150;
    return {exponent + static_cast<int>(std::bit_width(significand)) - 1, exponent + std::countr_zero(significand)};
}

// Whether the kernel, scaled by 2^shift, sums 8-bit samples and the
// rounding half in 16-bit integers.
bool fitsFixed16(const Ipp32f* kernel, int n, int shift) {
    long long total = shift > 0 ? 1LL << (shift - 1) : 0;
    for (int j = 0; j < n && total <= 32767; ++j) total += std::llabs(std::llround(std::ldexp(kernel[j], shift))) * 255;
    return total <= 32767;
}

// sampleBits: 2^sampleBits bounds the magnitude of every sample.
Precision precisionFor(const Ipp32f* kernel, int n, int sampleBits) {
    int high = INT_MIN, low = INT_MAX;
    for (int j = 0; j < n; ++j) {
        if (kernel[j] == 0) continue;
        if (!std::isfinite(kernel[j])) return {Accumulator::Extended};
        const BitRange r = bitRange(kernel[j]);
        high = std::max(high, r.high);
        low = std::min(low, r.low);
    }
    if (high == INT_MIN) return {Accumulator::Single};  // every sum is 0
    if (sampleBits == 8 && low >= -kMaxFixedShift && high <= 14 && fitsFixed16(kernel, n, std::max(0, -low)))
        return {Accumulator::Fixed16, std::max(0, -low)};
    // Every partial sum is a multiple of 2^low below n x 2^(high + 1 + sampleBits).
    const int top = high + 1 + sampleBits + static_cast<int>(std::bit_width(static_cast<unsigned>(n - 1)));
    const int bits = top - low;
    if (bits <= 24 && top <= 127) return {Accumulator::Single};
    if (bits <= 53) return {Accumulator::Double};
    return {Accumulator::Extended};
}

// --- Stores ------------------------------------------------------------------------
//
// Halves away from zero, then saturation. The 0.5 is added in the
// accumulator's own type: below 2^22 that addition is exact, and above it
// the sample saturates whatever the rounding. Selects rather than branches,
// so that the store loops vectorise; a NaN fails every comparison and stores
// the lowest sample.

template <typename S, typename T>
[[gnu::always_inline]] inline S toSample(T v) {
    constexpr T kLow = sizeof(S) == 1 ? T(0) : T(-32768), kHigh = sizeof(S) == 1 ? T(255) : T(32767);
    T half = v > 0 ? T(0.5) : T(0);
    if constexpr (sizeof(S) == 2) half = v < 0 ? T(-0.5) : half;
    T a = v + half;
    a = a > kHigh ? kHigh : a;
    a = a >= kLow ? a : kLow;
    return static_cast<S>(static_cast<int>(a));
}

// --- Cores -------------------------------------------------------------------------
//
// Up to kGroup taps are summed in one pass over a run of samples: the first
// pass of a sum starts from 0, the last one stores the samples, and passes
// between keep the running sums in a block of their own. Within a pass the
// taps are added one after the other, so the order of the whole sum stays
// kernel[n - 1] .. kernel[0].

constexpr int kGroup = 5;
// Samples of a row summed in one run, and where in the block the odd
// samples' Fixed16 sums begin.
constexpr ptrdiff_t kBlock = 512;
constexpr ptrdiff_t kOddSums = kBlock / 2;

// A Fixed16 sum of 8-bit samples, rounded half up and clamped: the sum and
// its half fit 16 bits (the kernel was chosen so). A sum at or below 0 rounds
// to at most 0, which the clamp takes to 0.
template <int Shift>
[[gnu::always_inline]] inline Ipp16s roundFixed(Ipp16s sum) {
    constexpr auto kHalf = static_cast<Ipp16s>((1 << Shift) >> 1);
    auto r = static_cast<Ipp16s>(static_cast<Ipp16s>(sum + kHalf) >> Shift);
    r = r > 0 ? r : Ipp16s{0};
    return r > 255 ? Ipp16s{255} : r;
}

// The samples of the sums sumPairs leaves. The shift is a constant per
// instance, which keeps the lanes at 16 bits; a variable shift widens them
// to 32.
template <int Shift>
[[gnu::always_inline]] inline void storeFixed(const Ipp16s* acc, Ipp8u* dst, ptrdiff_t n) {
    const Ipp16s* odd = acc + kOddSums;
    const ptrdiff_t pairs = n / 2;
    for (ptrdiff_t j = 0; j < pairs; ++j) {
        const auto w = static_cast<std::uint16_t>(roundFixed<Shift>(acc[j]) | roundFixed<Shift>(odd[j]) << 8);
        std::memcpy(dst + 2 * j, &w, 2);
    }
    if (n % 2) dst[n - 1] = static_cast<Ipp8u>(roundFixed<Shift>(acc[pairs]));
}

template <int... Shift>
[[gnu::always_inline]] inline void storeFixedEach(const Ipp16s* acc, Ipp8u* dst, ptrdiff_t n, int shift,
                                                  std::integer_sequence<int, Shift...>) {
    ((shift == Shift ? storeFixed<Shift>(acc, dst, n) : void()), ...);
}

// Fixed16 sums of 8-bit samples, two samples to a 16-bit word: the even and
// the odd sample of each word sum in lanes of their own, so nothing widens
// to 16 bits or packs back to bytes. The even sums lie in acc[0 .. n / 2]
// (the last sample of an odd n among them), the odd ones from kOddSums on.
template <int K, bool First, bool Last>
[[gnu::always_inline]] inline void sumPairs(Ipp16s* __restrict acc, Ipp8u* __restrict dst, const Ipp8u* const* p,
                                            const Ipp16s* c, ptrdiff_t n, int shift) {
    static_assert(std::endian::native == std::endian::little, "sample pairs are read as little-endian words");
    Ipp16s* __restrict odd = acc + kOddSums;
    const ptrdiff_t pairs = n / 2;
    for (ptrdiff_t j = 0; j < pairs; ++j) {
        Ipp16s e = First ? Ipp16s{0} : acc[j], o = First ? Ipp16s{0} : odd[j];
        for (int t = 0; t < K; ++t) {
            std::uint16_t w;
            std::memcpy(&w, p[t] + 2 * j, 2);
            e = static_cast<Ipp16s>(e + c[t] * static_cast<Ipp16s>(w & 0xFF));
            o = static_cast<Ipp16s>(o + c[t] * static_cast<Ipp16s>(w >> 8));
        }
        acc[j] = e;
        odd[j] = o;
    }
    if (n % 2) {
        Ipp16s e = First ? Ipp16s{0} : acc[pairs];
        for (int t = 0; t < K; ++t) e = static_cast<Ipp16s>(e + c[t] * p[t][n - 1]);
        acc[pairs] = e;
    }
    if constexpr (Last) storeFixedEach(acc, dst, n, shift, std::make_integer_sequence<int, kMaxFixedShift + 1>{});
}

template <typename T, typename S, int K, bool First, bool Last>
OCULON_HOT_LOOP void sumTaps(T* __restrict acc, Ipp8u* __restrict dst, const Ipp8u* const* src, const T* k, ptrdiff_t n,
                             int shift) {
    const Ipp8u* p[K];
    T c[K];
    for (int t = 0; t < K; ++t) p[t] = src[t], c[t] = k[t];
    if constexpr (std::is_integral_v<T>) {
        sumPairs<K, First, Last>(acc, dst, p, c, n, shift);
    } else {
        for (ptrdiff_t i = 0; i < n; ++i) {
            T a = First ? T(0) : acc[i];
            for (int t = 0; t < K; ++t) a = static_cast<T>(a + c[t] * static_cast<T>(load<S>(p[t], i)));
            if constexpr (Last) store<S>(dst, i, toSample<S>(a));
            else acc[i] = a;
        }
    }
}

// A group's place in its sum.
struct Group {
    bool first, last;
    int shift;
};

template <typename T, typename S, int K>
void sumGroup(T* acc, Ipp8u* dst, const Ipp8u* const* src, const T* k, ptrdiff_t n, Group g) {
    if (g.first && g.last) sumTaps<T, S, K, true, true>(acc, dst, src, k, n, g.shift);
    else if (g.first) sumTaps<T, S, K, true, false>(acc, dst, src, k, n, g.shift);
    else if (g.last) sumTaps<T, S, K, false, true>(acc, dst, src, k, n, g.shift);
    else sumTaps<T, S, K, false, false>(acc, dst, src, k, n, g.shift);
}

template <typename T, typename S, std::size_t... K>
void sumGroupOf(int taps, T* acc, Ipp8u* dst, const Ipp8u* const* src, const T* k, ptrdiff_t n, Group g,
                std::index_sequence<K...>) {
    ((taps == int{K} + 1 ? sumGroup<T, S, int{K} + 1>(acc, dst, src, k, n, g) : void()), ...);
}

// One filter run: row and column filters differ only in how far apart their
// taps lie in the source (a pixel, or a row).
struct Pass {
    const Ipp8u* src;
    ptrdiff_t srcStep;
    Ipp8u* dst;
    ptrdiff_t dstStep;
    ptrdiff_t samples;  // per row
    int height;
    const Ipp32f* kernel;
    int n;
    int anchor;
    ptrdiff_t tapDistance;  // bytes
};

// Sums block by block of a row, in the order kernel[n - 1] .. kernel[0], which
// is the defined order for the extended accumulator and immaterial for the
// exact ones.
template <typename T, typename S>
void runPass(const Pass& p, int shift) {
    T acc[kBlock];
    for (ptrdiff_t y = 0; y < p.height; ++y) {
        const Ipp8u* at = p.src + y * p.srcStep;
        Ipp8u* out = p.dst + y * p.dstStep;
        for (ptrdiff_t from = 0; from < p.samples; from += kBlock) {
            const ptrdiff_t m = std::min(kBlock, p.samples - from);
            const ptrdiff_t skip = from * ptrdiff_t{sizeof(S)};
            for (int j = p.n - 1; j >= 0;) {
                const int taps = std::min(kGroup, j + 1);
                const Ipp8u* src[kGroup];
                T k[kGroup];
                for (int t = 0; t < taps; ++t) {
                    src[t] = at + (static_cast<ptrdiff_t>(p.anchor) - (j - t)) * p.tapDistance + skip;
                    k[t] = static_cast<T>(std::is_integral_v<T> ? std::ldexp(p.kernel[j - t], shift) : p.kernel[j - t]);
                }
                sumGroupOf<T, S>(taps, acc, out + skip, src, k, m, {j == p.n - 1, j + 1 == taps, shift},
                                 std::make_index_sequence<kGroup>{});
                j -= taps;
            }
        }
    }
}

template <typename S>
IppStatus run(const Pass& p) {
    constexpr int kSampleBits = sizeof(S) == 1 ? 8 : 16;
    const Precision precision = precisionFor(p.kernel, p.n, kSampleBits);
    switch (precision.accumulator) {
        case Accumulator::Fixed16:
            if constexpr (sizeof(S) == 1) runPass<Ipp16s, S>(p, precision.shift);
            break;
        case Accumulator::Single: runPass<float, S>(p, 0); break;
        case Accumulator::Double: runPass<double, S>(p, 0); break;
        case Accumulator::Extended: runPass<long double, S>(p, 0); break;
    }
    return ippStsNoErr;
}

// --- Entry points --------------------------------------------------------------------

IppStatus checkFilter(const void* src, const void* dst, const Ipp32f* kernel, IppiSize roi, int n) {
    if (!src || !dst || !kernel) return ippStsNullPtrErr;
    return region::badSize(roi) || n < 1 ? ippStsSizeErr : ippStsNoErr;
}

// Steps of 16-bit images count whole samples.
template <typename S>
ptrdiff_t walkStep(int step) {
    return sizeof(S) == 1 ? step : ptrdiff_t{step >> 1} * 2;
}

template <typename S>
IppStatus column(const S* pSrc, int srcStep, S* pDst, int dstStep, IppiSize roi, const Ipp32f* k, int n, int anchor,
                 int channels) {
    if (IppStatus st = checkFilter(pSrc, pDst, k, roi, n)) return st;
    const long long rowBytes = static_cast<long long>(channels) * roi.width * ptrdiff_t{sizeof(S)};
    if (srcStep < rowBytes || dstStep < rowBytes) return ippStsStepErr;
    const ptrdiff_t ss = walkStep<S>(srcStep);
    return run<S>({reinterpret_cast<const Ipp8u*>(pSrc), ss, reinterpret_cast<Ipp8u*>(pDst), walkStep<S>(dstStep),
                   ptrdiff_t{channels} * roi.width, roi.height, k, n, anchor, ss});
}

template <typename S, int Channels>
IppStatus row(const S* pSrc, int srcStep, S* pDst, int dstStep, IppiSize roi, const Ipp32f* k, int n, int anchor) {
    if (IppStatus st = checkFilter(pSrc, pDst, k, roi, n)) return st;
    constexpr long long kPixel = Channels * sizeof(S);
    if (srcStep < kPixel * (static_cast<long long>(roi.width) + n - 1) || dstStep < kPixel * roi.width)
        return ippStsStepErr;
    return run<S>({reinterpret_cast<const Ipp8u*>(pSrc), walkStep<S>(srcStep), reinterpret_cast<Ipp8u*>(pDst),
                   walkStep<S>(dstStep), ptrdiff_t{Channels} * roi.width, roi.height, k, n, anchor, kPixel});
}

// The three- and four-channel column forms are the one-channel form over
// every sample of the row; a width too wide for that is a size error.
IppStatus columnInterleaved(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi, const Ipp32f* k,
                            int n, int anchor, int channels) {
    if (roi.width <= 0 || !elementwise::widen(roi, channels)) return ippStsSizeErr;
    return column(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor, 1);
}

template <typename S>
IppStatus addWeighted(const S* pSrc, int srcStep, Ipp32f* pAcc, int accStep, IppiSize roi, Ipp32f alpha) {
    const long double a = alpha;
    for (ptrdiff_t y = 0; y < roi.height; ++y) {
        const Ipp8u* s = region::row(pSrc, srcStep, y);
        Ipp8u* d = region::row(pAcc, accStep, y);
        for (ptrdiff_t x = 0; x < roi.width; ++x) {
            const long double acc = load<Ipp32f>(d, x);
            store<Ipp32f>(d, x, static_cast<Ipp32f>(acc + (static_cast<long double>(load<S>(s, x)) - acc) * a));
        }
    }
    return ippStsNoErr;
}

IppStatus checkAccumulator(int accStep, IppiSize roi) {
    if (accStep < 4LL * roi.width) return ippStsStepErr;
    return accStep % 4 != 0 ? ippStsNotEvenStepErr : ippStsNoErr;
}

}  // namespace

IppStatus _px_ippiFilterColumn32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                         const Ipp32f* k, int n, int anchor) {
    return column(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor, 1);
}

IppStatus _px_ippiFilterColumn32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                         const Ipp32f* k, int n, int anchor) {
    return columnInterleaved(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor, 3);
}

IppStatus _px_ippiFilterColumn32f_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                         const Ipp32f* k, int n, int anchor) {
    return columnInterleaved(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor, 4);
}

IppStatus _px_ippiFilterColumn32f_16s_C1R(const Ipp16s* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi,
                                          const Ipp32f* k, int n, int anchor) {
    return column(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor, 1);
}

IppStatus _px_ippiFilterRow32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                      const Ipp32f* k, int n, int anchor) {
    return row<Ipp8u, 1>(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor);
}

IppStatus _px_ippiFilterRow32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                      const Ipp32f* k, int n, int anchor) {
    return row<Ipp8u, 3>(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor);
}

IppStatus _px_ippiFilterRow32f_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roi,
                                      const Ipp32f* k, int n, int anchor) {
    return row<Ipp8u, 4>(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor);
}

IppStatus _px_ippiFilterRow32f_16s_C1R(const Ipp16s* pSrc, int srcStep, Ipp16s* pDst, int dstStep, IppiSize roi,
                                       const Ipp32f* k, int n, int anchor) {
    return row<Ipp16s, 1>(pSrc, srcStep, pDst, dstStep, roi, k, n, anchor);
}

IppStatus _px_ippiAddWeighted_8u32f_C1IR(const Ipp8u* pSrc, int srcStep, Ipp32f* pAcc, int accStep, IppiSize roi,
                                         Ipp32f alpha) {
    if (!pSrc || !pAcc) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < roi.width) return ippStsStepErr;
    if (IppStatus st = checkAccumulator(accStep, roi)) return st;
    return addWeighted(pSrc, srcStep, pAcc, accStep, roi, alpha);
}

IppStatus _px_ippiAddWeighted_16u32f_C1IR(const Ipp16u* pSrc, int srcStep, Ipp32f* pAcc, int accStep, IppiSize roi,
                                          Ipp32f alpha) {
    if (!pSrc || !pAcc) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    if (srcStep < 2LL * roi.width) return ippStsStepErr;
    if (srcStep % 2 != 0) return ippStsNotEvenStepErr;
    if (IppStatus st = checkAccumulator(accStep, roi)) return st;
    return addWeighted(pSrc, srcStep, pAcc, accStep, roi, alpha);
}

OCULON_IPP_DEFINE(ippiFilterColumn32f_8u_C1R);
OCULON_IPP_DEFINE(ippiFilterColumn32f_8u_C3R);
OCULON_IPP_DEFINE(ippiFilterColumn32f_8u_C4R);
OCULON_IPP_DEFINE(ippiFilterColumn32f_16s_C1R);
OCULON_IPP_DEFINE(ippiFilterRow32f_8u_C1R);
OCULON_IPP_DEFINE(ippiFilterRow32f_8u_C3R);
OCULON_IPP_DEFINE(ippiFilterRow32f_8u_C4R);
OCULON_IPP_DEFINE(ippiFilterRow32f_16s_C1R);
OCULON_IPP_DEFINE(ippiAddWeighted_8u32f_C1IR);
OCULON_IPP_DEFINE(ippiAddWeighted_16u32f_C1IR);

}  // namespace oculon::primitives
