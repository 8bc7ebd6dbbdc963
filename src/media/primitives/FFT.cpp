#include "media/primitives/FFT.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/primitives/FFTEngine.h"
#include "media/primitives/FFTStructureLayout.h"
#include "media/primitives/HotLoop.h"
#include "media/primitives/SmallDFT.h"
#include "media/primitives/StatePool.h"
#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

namespace {

constexpr Ipp32u kComplexSpec = 7;
constexpr Ipp32u kRealSpec = 9;

// The work buffer callers are told to provide, which other implementations
// of these entries may need: from order 12 on, four columns of 2^s complex
// values for the widest of up to three levels of a split with these values
// of s. The transforms here need none and leave a given buffer untouched.
constexpr int kSplit[kFFTMaxOrder + 1] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 5, 6, 7,
                                          7, 8, 9, 9, 9, 8, 8, 9, 9, 9, 9, 9, 9, 9, 9};

int declaredWorkBytes(int complexOrder) {
    int widest = 0;
    for (int m = complexOrder, level = 0; m >= 12 && level < 3; m -= kSplit[m], ++level)
        widest = std::max(widest, 64 << kSplit[m]);
    return widest;
}

// The laid-out fields first, so that a handle addresses them; then what
// owns the tables they point to.
struct FFTSpec : FFTStructureLayout {
    // What a complex specification runs; a real one runs `real` from order 4
    // on, the small kernels below.
    std::unique_ptr<ComplexFFT> complex;
    std::unique_ptr<RealFFT> real;

    const double* forwardScale() const { return forwardScaled ? &scale : nullptr; }
    const double* inverseScale() const { return inverseScaled ? &scale : nullptr; }
    std::size_t length() const { return std::size_t{1} << order; }

    // Points the laid-out table fields at the engine's tables.
    void publishTables() {
        const ComplexFFT* tables = complex ? complex.get() : real ? &real->half() : nullptr;
        if (!tables) return;
        const ComplexFFT::TableAddresses a = tables->tableAddresses();
        bitReversal = a.bitReversal;
        passTwiddles = a.passTwiddles;
        for (int i = 0; i < 3; ++i) {
            columnPassTwiddles[i] = a.columnPassTwiddles[i];
            columnRoots[i] = a.columnRoots[i];
        }
        if (real) {
            realRecombination = real->forwardFactors();
            inverseRecombination = real->inverseFactors();
        }
    }
};

StatePool<FFTSpec>& specPool() { return StatePool<FFTSpec>::instance(); }

template <typename Opaque>
const FFTSpec* specOf(const Opaque* p) {
    return static_cast<const FFTSpec*>(reinterpret_cast<const FFTStructureLayout*>(p));
}

template <typename Opaque>
Opaque* handleOf(FFTSpec* spec) {
    return reinterpret_cast<Opaque*>(static_cast<FFTStructureLayout*>(spec));
}

template <typename Opaque>
IppStatus initAlloc(Opaque** pp, int order, int flag, IppHintAlgorithm hint, Ipp32u id) {
    if (!pp) return ippStsNullPtrErr;
    if (order < 0 || order > kFFTMaxOrder) return ippStsFftOrderErr;
    FFTSpec* spec = specPool().acquire();
    if (!spec) return ippStsMemAllocErr;
    const double n = std::ldexp(1.0, order);
    switch (flag) {
        case IPP_FFT_DIV_FWD_BY_N: spec->forwardScaled = 1, spec->scale = 1 / n; break;
        case IPP_FFT_DIV_INV_BY_N: spec->inverseScaled = 1, spec->scale = 1 / n; break;
        case IPP_FFT_DIV_BY_SQRTN:
            spec->forwardScaled = spec->inverseScaled = 1;
            spec->scale = 1 / std::sqrt(n);
            break;
        case IPP_FFT_NODIV_BY_ANY: break;
        default: specPool().release(spec); return ippStsFftFlagErr;
    }
    spec->order = order;
    spec->hint = hint;
    spec->allocated = 1;
    if (id == kComplexSpec) spec->complex = ComplexFFT::create(order);
    else if (order > kSmallDFTMaxOrder) spec->real = RealFFT::create(order);
    if (id == kComplexSpec ? !spec->complex : order > kSmallDFTMaxOrder && !spec->real) {
        specPool().release(spec);
        return ippStsMemAllocErr;
    }
    // A real transform runs a complex one of half its length.
    spec->workBytes = declaredWorkBytes(id == kComplexSpec ? order : order - 1);
    spec->publishTables();
    spec->id = id;
    *pp = handleOf<Opaque>(spec);
    return ippStsNoErr;
}

template <typename Opaque>
IppStatus release(Opaque* p, Ipp32u id) {
    if (!p) return ippStsNullPtrErr;
    auto* spec = static_cast<FFTSpec*>(reinterpret_cast<FFTStructureLayout*>(p));
    if (spec->id != id) return ippStsContextMatchErr;
    // A structure that creation did not allocate is only marked released.
    if (spec->allocated != 1) spec->id = 0;
    else specPool().release(spec);
    return ippStsNoErr;
}

template <typename Opaque>
IppStatus bufferSize(const Opaque* p, int* pBufferSize, Ipp32u id) {
    if (!p || !pBufferSize) return ippStsNullPtrErr;
    const FFTSpec* spec = specOf(p);
    if (spec->id != id) return ippStsContextMatchErr;
    *pBufferSize = spec->workBytes < 1 ? 0 : spec->workBytes + 16;
    return ippStsNoErr;
}

// Checks a transform's arguments and runs `fn(spec)`.
template <typename Opaque, typename Fn>
IppStatus transform(const Opaque* p, Ipp32u id, const void* src, const void* dst, Fn fn) {
    if (!p) return ippStsNullPtrErr;
    const FFTSpec& spec = *specOf(p);
    if (spec.id != id) return ippStsContextMatchErr;
    if (!src || !dst) return ippStsNullPtrErr;
    fn(spec);
    return ippStsNoErr;
}

void realToPerm(const FFTSpec& spec, const Ipp64f* src, Ipp64f* dst) {
    if (spec.real) spec.real->forward(src, dst, spec.forwardScale());
    else smallRealForward(spec.order, src, dst, spec.forwardScale());
}

void permToReal(const FFTSpec& spec, const Ipp64f* src, Ipp64f* dst) {
    if (spec.real) spec.real->inverse(src, dst, spec.inverseScale());
    else smallRealInverse(spec.order, src, dst, spec.inverseScale());
}

template <typename Fn>
IppStatus real(const IppsFFTSpec_R_64f* p, const Ipp64f* src, Ipp64f* dst, Fn fn) {
    return transform(p, kRealSpec, src, dst, [&](const FFTSpec& spec) { fn(spec, spec.length()); });
}

OCULON_HOT_LOOP void mulPackConj(const Ipp64f* src, Ipp64f* dst, int pairsEnd) {
    for (int i = 1; i < pairsEnd; i += 2) {
        const double a = src[i], b = src[i + 1], c = dst[i], d = dst[i + 1];
        dst[i] = a * c + b * d;
        dst[i + 1] = b * c - a * d;
    }
}

OCULON_HOT_LOOP void mulPerm(const Ipp64f* src, Ipp64f* dst, int first, int len) {
    for (int i = first; i + 1 < len; i += 2) {
        const double a = src[i], b = src[i + 1], c = dst[i], d = dst[i + 1];
        dst[i] = a * c - b * d;
        dst[i + 1] = a * d + b * c;
    }
}

}  // namespace

int fftOrderFor(long long length) {
    for (int order = 0; order <= kFFTMaxOrder; ++order)
        if ((1LL << order) >= length) return order;
    return -1;
}

IppStatus _px_ippsFFTInitAlloc_C_64fc(IppsFFTSpec_C_64fc** ppFFTSpec, int order, int flag, IppHintAlgorithm hint) {
    return initAlloc(ppFFTSpec, order, flag, hint, kComplexSpec);
}

IppStatus _px_ippsFFTInitAlloc_R_64f(IppsFFTSpec_R_64f** ppFFTSpec, int order, int flag, IppHintAlgorithm hint) {
    return initAlloc(ppFFTSpec, order, flag, hint, kRealSpec);
}

IppStatus _px_ippsFFTFree_C_64fc(IppsFFTSpec_C_64fc* pFFTSpec) { return release(pFFTSpec, kComplexSpec); }
IppStatus _px_ippsFFTFree_R_64f(IppsFFTSpec_R_64f* pFFTSpec) { return release(pFFTSpec, kRealSpec); }

IppStatus _px_ippsFFTGetBufSize_C_64fc(const IppsFFTSpec_C_64fc* pFFTSpec, int* pBufferSize) {
    return bufferSize(pFFTSpec, pBufferSize, kComplexSpec);
}

IppStatus _px_ippsFFTGetBufSize_R_64f(const IppsFFTSpec_R_64f* pFFTSpec, int* pBufferSize) {
    return bufferSize(pFFTSpec, pBufferSize, kRealSpec);
}

IppStatus _px_ippsFFTFwd_CToC_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pFFTSpec,
                                   Ipp8u* /*pBuffer*/) {
    return transform(pFFTSpec, kComplexSpec, pSrc, pDst,
                     [&](const FFTSpec& spec) { spec.complex->forward(pSrc, pDst, spec.forwardScale()); });
}

IppStatus _px_ippsFFTInv_CToC_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pFFTSpec,
                                   Ipp8u* /*pBuffer*/) {
    return transform(pFFTSpec, kComplexSpec, pSrc, pDst,
                     [&](const FFTSpec& spec) { spec.complex->inverse(pSrc, pDst, spec.inverseScale()); });
}

IppStatus _px_ippsFFTFwd_RToPerm_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                     Ipp8u* /*pBuffer*/) {
    return real(pFFTSpec, pSrc, pDst, [&](const FFTSpec& spec, std::size_t) { realToPerm(spec, pSrc, pDst); });
}

IppStatus _px_ippsFFTInv_PermToR_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                     Ipp8u* /*pBuffer*/) {
    return real(pFFTSpec, pSrc, pDst, [&](const FFTSpec& spec, std::size_t) { permToReal(spec, pSrc, pDst); });
}

IppStatus _px_ippsFFTFwd_RToPack_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                     Ipp8u* /*pBuffer*/) {
    return real(pFFTSpec, pSrc, pDst, [&](const FFTSpec& spec, std::size_t n) {
        realToPerm(spec, pSrc, pDst);
        if (n <= 2) return;
        const double last = pDst[1];
        std::memmove(pDst + 1, pDst + 2, (n - 2) * sizeof(double));
        pDst[n - 1] = last;
    });
}

IppStatus _px_ippsFFTInv_PackToR_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                     Ipp8u* /*pBuffer*/) {
    return real(pFFTSpec, pSrc, pDst, [&](const FFTSpec& spec, std::size_t n) {
        if (n <= 2) return permToReal(spec, pSrc, pDst);
        const double last = pSrc[n - 1];
        std::memmove(pDst + 2, pSrc + 1, (n - 2) * sizeof(double));
        pDst[0] = pSrc[0];
        pDst[1] = last;
        permToReal(spec, pDst, pDst);
    });
}

IppStatus _px_ippsFFTFwd_RToCCS_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                    Ipp8u* /*pBuffer*/) {
    return real(pFFTSpec, pSrc, pDst, [&](const FFTSpec& spec, std::size_t n) {
        realToPerm(spec, pSrc, pDst);
        if (n > 1) {
            pDst[n] = pDst[1];
            pDst[n + 1] = 0;
        }
        pDst[1] = 0;
    });
}

IppStatus _px_ippsFFTInv_CCSToR_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                    Ipp8u* /*pBuffer*/) {
    return real(pFFTSpec, pSrc, pDst, [&](const FFTSpec& spec, std::size_t n) {
        if (n == 1) return permToReal(spec, pSrc, pDst);
        const double last = pSrc[n];
        if (pDst != pSrc) std::memcpy(pDst + 2, pSrc + 2, (n - 2) * sizeof(double));
        pDst[0] = pSrc[0];
        pDst[1] = last;
        permToReal(spec, pDst, pDst);
    });
}

IppStatus _px_ippsMulPackConj_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pSrcDst)) return st;
    pSrcDst[0] *= pSrc[0];
    if (len % 2 == 0) pSrcDst[len - 1] *= pSrc[len - 1];
    mulPackConj(pSrc, pSrcDst, len % 2 == 0 ? len - 2 : len - 1);
    return ippStsNoErr;
}

IppStatus _px_ippsMulPerm_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pSrcDst)) return st;
    pSrcDst[0] *= pSrc[0];
    if (len % 2 == 0) pSrcDst[1] *= pSrc[1];
    mulPerm(pSrc, pSrcDst, len % 2 == 0 ? 2 : 1, len);
    return ippStsNoErr;
}

OCULON_IPP_DEFINE(ippsFFTInitAlloc_C_64fc);
OCULON_IPP_DEFINE(ippsFFTInitAlloc_R_64f);
OCULON_IPP_DEFINE(ippsFFTFree_C_64fc);
OCULON_IPP_DEFINE(ippsFFTFree_R_64f);
OCULON_IPP_DEFINE(ippsFFTFwd_CToC_64fc);
OCULON_IPP_DEFINE(ippsFFTInv_CToC_64fc);
OCULON_IPP_DEFINE(ippsFFTFwd_RToCCS_64f);
OCULON_IPP_DEFINE(ippsFFTInv_CCSToR_64f);

}  // namespace oculon::primitives
