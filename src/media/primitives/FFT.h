#pragma once
// Fast Fourier transforms of 2^order points (order 0 to 30) on doubles:
// complex to complex, and real to a packed spectrum in one of three layouts
// (R_k, I_k the parts of bin k, N = 2^order):
//   CCS  (N + 2 doubles): R_0, 0, R_1, I_1, ..., R_(N/2-1), I_(N/2-1), R_(N/2), 0
//   Pack (N doubles):     R_0, R_1, I_1, ..., R_(N/2-1), I_(N/2-1), R_(N/2)
//   Perm (N doubles):     R_0, R_(N/2), R_1, I_1, ..., R_(N/2-1), I_(N/2-1)
// A specification made once per order and normalization serves any number of
// transforms, from any number of threads. Transforms may run in place. They
// accept a work buffer of the size the query gives and need none.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// Normalization flags: which direction is multiplied by 1/N (or both by
// 1/sqrt(N)).
inline constexpr int IPP_FFT_DIV_FWD_BY_N = 1;
inline constexpr int IPP_FFT_DIV_INV_BY_N = 2;
inline constexpr int IPP_FFT_DIV_BY_SQRTN = 4;
inline constexpr int IPP_FFT_NODIV_BY_ANY = 8;

// Opaque to callers. A specification of one kind passed to an entry of the
// other gives ippStsContextMatchErr, and so does one that was released.
struct IppsFFTSpec_C_64fc;
struct IppsFFTSpec_R_64f;

// Checks in order: null ppFFTSpec (-8), order outside 0..30 (-15), the flag
// (-16), tables that cannot be allocated (-9).
OCULON_IPP_ENTRY(ippsFFTInitAlloc_C_64fc,
                 (IppsFFTSpec_C_64fc * *ppFFTSpec, int order, int flag, IppHintAlgorithm hint));
OCULON_IPP_ENTRY(ippsFFTInitAlloc_R_64f, (IppsFFTSpec_R_64f * *ppFFTSpec, int order, int flag, IppHintAlgorithm hint));
OCULON_IPP_ENTRY(ippsFFTFree_C_64fc, (IppsFFTSpec_C_64fc * pFFTSpec));
OCULON_IPP_ENTRY(ippsFFTFree_R_64f, (IppsFFTSpec_R_64f * pFFTSpec));
OCULON_IPP_ENTRY(ippsFFTFwd_CToC_64fc,
                 (const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pFFTSpec, Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippsFFTInv_CToC_64fc,
                 (const Ipp64fc* pSrc, Ipp64fc* pDst, const IppsFFTSpec_C_64fc* pFFTSpec, Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippsFFTFwd_RToCCS_64f,
                 (const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec, Ipp8u* pBuffer));
OCULON_IPP_ENTRY(ippsFFTInv_CCSToR_64f,
                 (const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec, Ipp8u* pBuffer));

// Built-in bodies that no dispatcher binds; the correlation, convolution and
// filter bodies call them directly.

// Bytes of work buffer a caller may pass: 0 when none is needed, else the
// need plus 16, since a buffer is used from its first 16-byte boundary on.
IppStatus _px_ippsFFTGetBufSize_C_64fc(const IppsFFTSpec_C_64fc* pFFTSpec, int* pBufferSize);
IppStatus _px_ippsFFTGetBufSize_R_64f(const IppsFFTSpec_R_64f* pFFTSpec, int* pBufferSize);
IppStatus _px_ippsFFTFwd_RToPack_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                     Ipp8u* pBuffer);
IppStatus _px_ippsFFTInv_PackToR_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                     Ipp8u* pBuffer);
IppStatus _px_ippsFFTFwd_RToPerm_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                     Ipp8u* pBuffer);
IppStatus _px_ippsFFTInv_PermToR_64f(const Ipp64f* pSrc, Ipp64f* pDst, const IppsFFTSpec_R_64f* pFFTSpec,
                                     Ipp8u* pBuffer);

// Element-wise products of two packed spectra of len doubles. Pack: each
// complex pair of pSrcDst becomes pSrc times its conjugate. Perm: each pair
// becomes the complex product. The real bins (the first, and for an even
// len the last in Pack and the second in Perm) are multiplied as they are.
IppStatus _px_ippsMulPackConj_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len);
IppStatus _px_ippsMulPerm_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len);

// The smallest order whose length is at least `length`, or -1 when that is
// above 30.
int fftOrderFor(long long length);

// A specification that the correlation, convolution and filter bodies make
// for one call (inverse divided by N) and release on leaving. They call the
// built-in bodies directly, never a library's, and so need no work buffer.
template <typename Spec, auto Init, auto Free>
class ScopedFFT {
public:
    ScopedFFT() = default;
    ScopedFFT(const ScopedFFT&) = delete;
    ScopedFFT& operator=(const ScopedFFT&) = delete;
    ~ScopedFFT() {
        if (spec_) Free(spec_);
    }

    IppStatus init(int order) { return Init(&spec_, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone); }
    const Spec* spec() const { return spec_; }

private:
    Spec* spec_ = nullptr;
};

using ScopedRealFFT = ScopedFFT<IppsFFTSpec_R_64f, &_px_ippsFFTInitAlloc_R_64f, &_px_ippsFFTFree_R_64f>;
using ScopedComplexFFT = ScopedFFT<IppsFFTSpec_C_64fc, &_px_ippsFFTInitAlloc_C_64fc, &_px_ippsFFTFree_C_64fc>;

}  // namespace oculon::primitives
