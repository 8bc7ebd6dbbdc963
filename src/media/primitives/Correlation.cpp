#include "media/primitives/Correlation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/ComplexVector.h"
#include "media/primitives/FFT.h"
#include "media/primitives/SignalArithmetic.h"
#include "media/primitives/SignalStatistics.h"
#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

namespace {

using Extended = long double;

// Below these sizes the direct sums are faster than the FFT.
constexpr int kRealAutoDirect = 600;
constexpr int kComplexAutoDirect = 96;
constexpr long long kCrossDirectEstimate = 511;
constexpr long long kConvDirectLength = 150;
constexpr long long kConvDirectShorter = 32;
constexpr long long kConvDirectBlock = 4096;

template <typename T>
void zero(T* p, long long count) {
    if (count > 0) std::memset(static_cast<void*>(p), 0, static_cast<std::size_t>(count) * sizeof(T));
}

template <typename T>
void copy(const T* src, T* dst, long long count) {
    if (count > 0) std::memcpy(static_cast<void*>(dst), src, static_cast<std::size_t>(count) * sizeof(T));
}

// Real and complex elements: the conjugated dot product of the direct sums,
// and the FFT path of a correlation (both vectors transformed, the second
// times the conjugate of the first, transformed back), each in place on
// work vectors of n elements.
struct RealTraits {
    using T = Ipp64f;
    using Scoped = ScopedRealFFT;
    static constexpr int kAutoDirect = kRealAutoDirect;

    static T conjDot(const T* a, const T* b, long long count) {
        double d = 0;
        _px_DotProd_64f(a, b, static_cast<int>(count), &d);
        return d;
    }
    static IppStatus forward(const Scoped& f, T* v) { return _px_ippsFFTFwd_RToPack_64f(v, v, f.spec(), nullptr); }
    static IppStatus inverse(const Scoped& f, T* v) { return _px_ippsFFTInv_PackToR_64f(v, v, f.spec(), nullptr); }
    // a := conj(a) b, spectrum by spectrum.
    static IppStatus conjTimes(T* a, const T* b, int n) { return _px_ippsMulPackConj_64f_I(b, a, n); }
    static IppStatus scale(T* v, int count, double k) { return _px_ippsMulC_64f_I(k, v, count); }
    static constexpr int kPartsPerElement = 1;
};

struct ComplexTraits {
    using T = Ipp64fc;
    using Scoped = ScopedComplexFFT;
    static constexpr int kAutoDirect = kComplexAutoDirect;

    static T conjDot(const T* a, const T* b, long long count) {
        Extended re = 0, im = 0;
        for (long long i = 0; i < count; ++i) {
            re += Extended{a[i].re} * b[i].re + Extended{a[i].im} * b[i].im;
            im += Extended{a[i].re} * b[i].im - Extended{a[i].im} * b[i].re;
        }
        return {static_cast<double>(re), static_cast<double>(im)};
    }
    static IppStatus forward(const Scoped& f, T* v) { return _px_ippsFFTFwd_CToC_64fc(v, v, f.spec(), nullptr); }
    static IppStatus inverse(const Scoped& f, T* v) { return _px_ippsFFTInv_CToC_64fc(v, v, f.spec(), nullptr); }
    static IppStatus conjTimes(T* a, const T* b, int n) {
        _px_ippsConj_64fc_I(a, n);
        return _px_ippsMul_64fc_I(b, a, n);
    }
    static IppStatus scale(T* v, int count, double k) {
        return _px_ippsMulC_64f_I(k, reinterpret_cast<Ipp64f*>(v), 2 * count);
    }
    static constexpr int kPartsPerElement = 2;
};

// Two work vectors of n elements for an FFT path, n at least minLength,
// released on leaving.
template <typename Traits>
struct Spectra {
    using T = typename Traits::T;
    typename Traits::Scoped fft;
    AlignedPtr<T> a, b;
    int n = 0;

    IppStatus init(long long minLength) {
        const int order = fftOrderFor(std::max(minLength, 4LL));
        if (order < 0) return ippStsMemAllocErr;
        n = 1 << order;
        a = alignedArray<T>(n);
        b = alignedArray<T>(n);
        if (!a || !b) return ippStsMemAllocErr;
        return fft.init(order);
    }
};

template <typename Traits>
IppStatus autoCorr(const typename Traits::T* src, int srcLen, typename Traits::T* dst, int dstLen) {
    using T = typename Traits::T;
    if (IppStatus st = checkVector(std::min(srcLen, dstLen), src, dst)) return st;
    const int m = std::min(srcLen, dstLen);
    zero(dst + m, dstLen - m);
    if (m < Traits::kAutoDirect) {
        for (int k = 0; k < m; ++k) dst[k] = Traits::conjDot(src, src + k, srcLen - k);
        return ippStsNoErr;
    }
    Spectra<Traits> s;
    if (IppStatus st = s.init(2LL * srcLen)) return st;
    T* v = s.a.get();
    copy(src, v, srcLen);
    zero(v + srcLen, s.n - srcLen);
    if (IppStatus st = Traits::forward(s.fft, v)) return st;
    copy(v, s.b.get(), s.n);
    Traits::conjTimes(v, s.b.get(), s.n);
    if (IppStatus st = Traits::inverse(s.fft, v)) return st;
    copy(v, dst, m);
    return ippStsNoErr;
}

template <typename Traits>
IppStatus autoCorrNormA(const typename Traits::T* src, int srcLen, typename Traits::T* dst, int dstLen) {
    if (IppStatus st = autoCorr<Traits>(src, srcLen, dst, dstLen)) return st;
    return Traits::scale(dst, std::min(srcLen, dstLen), 1.0 / srcLen);
}

template <typename Traits>
IppStatus autoCorrNormB(const typename Traits::T* src, int srcLen, typename Traits::T* dst, int dstLen) {
    if (IppStatus st = autoCorr<Traits>(src, srcLen, dst, dstLen)) return st;
    const int m = std::min(srcLen, dstLen);
    constexpr int parts = Traits::kPartsPerElement;
    AlignedPtr<Ipp64f> terms = alignedArray<Ipp64f>(static_cast<long long>(parts) * m);
    if (!terms) return ippStsMemAllocErr;
    for (int k = 0; k < m; ++k)
        for (int p = 0; p < parts; ++p) terms[parts * k + p] = srcLen - k;
    return _px_ippsDiv_64f_I(terms.get(), reinterpret_cast<Ipp64f*>(dst), parts * m);
}

template <typename Traits>
IppStatus crossCorr(const typename Traits::T* src1, int len1, const typename Traits::T* src2, int len2,
                    typename Traits::T* dst, int dstLen, int lowLag) {
    using T = typename Traits::T;
    if (!src1 || !src2 || !dst) return ippStsNullPtrErr;
    if (len1 < 1 || len2 < 1 || dstLen < 1) return ippStsSizeErr;
    // Lags before the first overlap and from the end of src2 on are 0.
    const long long lead = std::clamp(1LL - len1 - lowLag, 0LL, static_cast<long long>(dstLen));
    zero(dst, lead);
    const long long first = static_cast<long long>(lowLag) + lead;
    const long long count = std::clamp(len2 - first, 0LL, dstLen - lead);
    T* out = dst + lead;
    zero(out + count, dstLen - lead - count);
    if (count == 0) return ippStsNoErr;
    const long long estimate =
        std::llround(static_cast<double>(std::min(len1, len2)) * static_cast<double>(count) / std::max(len1, len2));
    if (estimate <= kCrossDirectEstimate) {
        for (long long j = 0; j < count; ++j) {
            const long long lag = first + j;
            const long long from = std::max(0LL, -lag), to = std::min<long long>(len1, len2 - lag);
            out[j] = Traits::conjDot(src1 + from, src2 + lag + from, to - from);
        }
        return ippStsNoErr;
    }
    // The stretch of src2 that the lags use, preceded by len1 - 1 zeros, so
    // that the circular correlation does not wrap onto the wanted lags.
    const long long used0 = std::max(0LL, first), used1 = std::min<long long>(len2, first + count - 1 + len1);
    Spectra<Traits> s;
    if (IppStatus st = s.init(len1 + (used1 - used0) - 1)) return st;
    T* a = s.a.get();
    T* b = s.b.get();
    copy(src1, a, len1);
    zero(a + len1, s.n - len1);
    zero(b, len1 - 1);
    copy(src2 + used0, b + len1 - 1, used1 - used0);
    zero(b + len1 - 1 + (used1 - used0), s.n - (len1 - 1) - (used1 - used0));
    if (IppStatus st = Traits::forward(s.fft, a)) return st;
    if (IppStatus st = Traits::forward(s.fft, b)) return st;
    Traits::conjTimes(a, b, s.n);
    if (IppStatus st = Traits::inverse(s.fft, a)) return st;
    copy(a + (first - used0 + len1 - 1), out, count);
    return ippStsNoErr;
}

// Every product of the two sources added into its place, the longer source
// in blocks whose outputs are finished before the next block starts.
void convolveDirect(const Ipp64f* longer, long long longLen, const Ipp64f* shorter, long long shortLen, Ipp64f* dst) {
    for (long long b0 = 0; b0 < longLen; b0 += kConvDirectBlock) {
        const long long count = std::min(kConvDirectBlock, longLen - b0);
        const long long fresh = b0 == 0 ? 0 : b0 + shortLen - 1;
        zero(dst + fresh, b0 + count + shortLen - 1 - fresh);
        for (long long j = 0; j < shortLen; ++j) {
            const Extended s = shorter[j];
            Ipp64f* out = dst + b0 + j;
            const Ipp64f* in = longer + b0;
            for (long long i = 0; i < count; ++i) out[i] = static_cast<double>(out[i] + s * in[i]);
        }
    }
}

struct PermFFT {
    ScopedRealFFT fft;
    IppStatus forward(Ipp64f* v) const { return _px_ippsFFTFwd_RToPerm_64f(v, v, fft.spec(), nullptr); }
    IppStatus inverse(Ipp64f* v) const { return _px_ippsFFTInv_PermToR_64f(v, v, fft.spec(), nullptr); }
};

// Copies `count` values of src starting at `from` (which may lie before 0)
// into an n-element work vector, zeros around them.
void loadWindow(const Ipp64f* src, long long len, long long from, long long count, Ipp64f* v, int n) {
    const long long lo = std::max(from, 0LL), hi = std::min(from + count, len);
    zero(v, lo - from);
    copy(src + lo, v + (lo - from), hi - lo);
    zero(v + std::max(hi - from, lo - from), n - std::max(hi - from, lo - from));
}

IppStatus convolve(const Ipp64f* src1, int len1, const Ipp64f* src2, int len2, Ipp64f* dst) {
    if (!src1 || !src2 || !dst) return ippStsNullPtrErr;
    if (len1 < 1 || len2 < 1) return ippStsSizeErr;
    const bool firstLonger = len1 >= len2;
    const Ipp64f* longer = firstLonger ? src1 : src2;
    const Ipp64f* shorter = firstLonger ? src2 : src1;
    const long long longLen = std::max(len1, len2), shortLen = std::min(len1, len2);
    const long long total = longLen + shortLen - 1;
    if (total < kConvDirectLength || shortLen < kConvDirectShorter) {
        convolveDirect(longer, longLen, shorter, shortLen, dst);
        return ippStsNoErr;
    }
    // One transform of the whole result, or overlap-save in blocks of n
    // (twice the smallest power of two of at least 2 shortLen) that each
    // yield n - shortLen + 1 values.
    const bool single = longLen < 3 * shortLen;
    const int order = fftOrderFor(single ? std::max(total, 4LL) : 4 * shortLen);
    if (order < 0) return ippStsMemAllocErr;
    const int n = 1 << order;
    PermFFT f;
    AlignedPtr<Ipp64f> kernel = alignedArray<Ipp64f>(n), block = alignedArray<Ipp64f>(n);
    if (!kernel || !block) return ippStsMemAllocErr;
    if (IppStatus st = f.fft.init(order)) return st;
    loadWindow(shorter, shortLen, 0, shortLen, kernel.get(), n);
    if (IppStatus st = f.forward(kernel.get())) return st;
    const long long step = single ? total : n - shortLen + 1;
    for (long long p = 0; p < total; p += step) {
        const long long from = single ? 0 : p - (shortLen - 1);
        loadWindow(longer, longLen, from, single ? longLen : n, block.get(), n);
        if (IppStatus st = f.forward(block.get())) return st;
        _px_ippsMulPerm_64f_I(kernel.get(), block.get(), n);
        if (IppStatus st = f.inverse(block.get())) return st;
        copy(block.get() + (p - from), dst + p, std::min(total - p, step));
    }
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippsAutoCorr_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
    return autoCorr<RealTraits>(pSrc, srcLen, pDst, dstLen);
}
IppStatus _px_ippsAutoCorr_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
    return autoCorr<ComplexTraits>(pSrc, srcLen, pDst, dstLen);
}
IppStatus _px_ippsAutoCorr_NormA_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
    return autoCorrNormA<RealTraits>(pSrc, srcLen, pDst, dstLen);
}
IppStatus _px_ippsAutoCorr_NormB_64f(const Ipp64f* pSrc, int srcLen, Ipp64f* pDst, int dstLen) {
    return autoCorrNormB<RealTraits>(pSrc, srcLen, pDst, dstLen);
}
IppStatus _px_ippsAutoCorr_NormA_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
    return autoCorrNormA<ComplexTraits>(pSrc, srcLen, pDst, dstLen);
}
IppStatus _px_ippsAutoCorr_NormB_64fc(const Ipp64fc* pSrc, int srcLen, Ipp64fc* pDst, int dstLen) {
    return autoCorrNormB<ComplexTraits>(pSrc, srcLen, pDst, dstLen);
}
IppStatus _px_ippsCrossCorr_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len, Ipp64f* pDst,
                                int dstLen, int lowLag) {
    return crossCorr<RealTraits>(pSrc1, src1Len, pSrc2, src2Len, pDst, dstLen, lowLag);
}
IppStatus _px_ippsCrossCorr_64fc(const Ipp64fc* pSrc1, int src1Len, const Ipp64fc* pSrc2, int src2Len, Ipp64fc* pDst,
                                 int dstLen, int lowLag) {
    return crossCorr<ComplexTraits>(pSrc1, src1Len, pSrc2, src2Len, pDst, dstLen, lowLag);
}
IppStatus _px_ippsConv_64f(const Ipp64f* pSrc1, int src1Len, const Ipp64f* pSrc2, int src2Len, Ipp64f* pDst) {
    return convolve(pSrc1, src1Len, pSrc2, src2Len, pDst);
}

OCULON_IPP_DEFINE(ippsConv_64f);
OCULON_IPP_DEFINE(ippsAutoCorr_64f);
OCULON_IPP_DEFINE(ippsAutoCorr_NormA_64f);
OCULON_IPP_DEFINE(ippsAutoCorr_NormB_64f);
OCULON_IPP_DEFINE(ippsCrossCorr_64f);
OCULON_IPP_DEFINE(ippsAutoCorr_64fc);
OCULON_IPP_DEFINE(ippsAutoCorr_NormA_64fc);
OCULON_IPP_DEFINE(ippsAutoCorr_NormB_64fc);
OCULON_IPP_DEFINE(ippsCrossCorr_64fc);

}  // namespace oculon::primitives
