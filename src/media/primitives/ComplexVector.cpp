#include "media/primitives/ComplexVector.h"

#include <cmath>
#include <cstddef>

#include "media/primitives/BlockRoutines.h"
#include "media/primitives/RuntimeShims.h"
#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

namespace {

using Extended = long double;

inline Extended power(const Ipp64fc& x) { return Extended{x.re} * x.re + Extended{x.im} * x.im; }

template <typename Out, typename Fn>
IppStatus each(const Ipp64fc* src, Out* dst, int len, Fn fn) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    for (int i = 0; i < len; ++i) dst[i] = fn(src[i]);
    return ippStsNoErr;
}

Ipp64fc square(const Ipp64fc& x) {
    const Extended re = Extended{x.re} * x.re - Extended{x.im} * x.im;
    const Extended im = 2.0L * x.re * x.im;
    return {static_cast<double>(re), static_cast<double>(im)};
}

// Works on half the value, so that a x a + b x b stays finite for any
// finite element.
Ipp64fc squareRoot(const Ipp64fc& x) {
    const Extended a = 0.5L * x.re;
    const Extended b = 0.5L * x.im;
    const Extended m = std::sqrt(a * a + b * b);
    Extended re;
    Extended im;
    if (a > 0) {
        const Extended t = std::sqrt(m + a);
        re = t;
        im = b / t;
    } else if (a < 0) {
        Extended t = std::sqrt(m - a);
        if (b < 0) t = -t;
        re = b / t;
        im = t;
    } else if (b >= 0) {
        re = im = std::sqrt(b);
    } else {
        re = std::sqrt(-b);
        im = -re;
    }
    return {static_cast<double>(re), static_cast<double>(im)};
}

constexpr Ipp64fc conjugate(const Ipp64fc& x) { return {x.re, -x.im}; }

template <typename T, typename C>
IppStatus realToComplex(const T* re, const T* im, C* dst, int len) {
    if (!dst || (!re && !im)) return ippStsNullPtrErr;
    if (len < 1) return ippStsSizeErr;
    for (int i = 0; i < len; ++i) dst[i] = {re ? re[i] : T{0}, im ? im[i] : T{0}};
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippsCopy_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    ownsCopy_8u(pSrc, pDst, static_cast<std::ptrdiff_t>(len) * static_cast<std::ptrdiff_t>(sizeof(Ipp64fc)));
    return ippStsNoErr;
}

IppStatus _px_ippsConj_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) { return each(pSrc, pDst, len, conjugate); }

IppStatus _px_ippsConj_64fc_I(Ipp64fc* pSrcDst, int len) { return each(pSrcDst, pSrcDst, len, conjugate); }

IppStatus _px_ippsConjCcs_64fc_I(Ipp64fc* pSrcDst, int lenDst) {
    if (IppStatus st = checkVector(lenDst, pSrcDst)) return st;
    for (int i = lenDst / 2 + 1; i < lenDst; ++i) pSrcDst[i] = conjugate(pSrcDst[lenDst - i]);
    return ippStsNoErr;
}

IppStatus _px_ippsPowerSpectr_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len) {
    return each(pSrc, pDst, len, [](const Ipp64fc& x) { return static_cast<double>(power(x)); });
}

IppStatus _px_ippsMagnitude_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len) {
    return each(pSrc, pDst, len, [](const Ipp64fc& x) { return static_cast<double>(std::sqrt(power(x))); });
}

IppStatus _px_ippsPhase_64fc(const Ipp64fc* pSrc, Ipp64f* pDst, int len) {
    return each(pSrc, pDst, len, [](const Ipp64fc& x) { return _atan2(x.im, x.re); });
}

IppStatus _px_ippsSqr_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) { return each(pSrc, pDst, len, square); }
IppStatus _px_ippsSqr_64fc_I(Ipp64fc* pSrcDst, int len) { return each(pSrcDst, pSrcDst, len, square); }
IppStatus _px_ippsSqrt_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len) { return each(pSrc, pDst, len, squareRoot); }
IppStatus _px_ippsSqrt_64fc_I(Ipp64fc* pSrcDst, int len) { return each(pSrcDst, pSrcDst, len, squareRoot); }

IppStatus _px_ippsRealToCplx_64f(const Ipp64f* pSrcRe, const Ipp64f* pSrcIm, Ipp64fc* pDst, int len) {
    return realToComplex(pSrcRe, pSrcIm, pDst, len);
}
IppStatus _px_ippsRealToCplx_32f(const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32fc* pDst, int len) {
    return realToComplex(pSrcRe, pSrcIm, pDst, len);
}

IppStatus _px_ippsReal_64fc(const Ipp64fc* pSrc, Ipp64f* pDstRe, int len) {
    return each(pSrc, pDstRe, len, [](const Ipp64fc& x) { return x.re; });
}
IppStatus _px_ippsImag_64fc(const Ipp64fc* pSrc, Ipp64f* pDstIm, int len) {
    return each(pSrc, pDstIm, len, [](const Ipp64fc& x) { return x.im; });
}

OCULON_IPP_DEFINE(ippsConjCcs_64fc_I);
OCULON_IPP_DEFINE(ippsPowerSpectr_64fc);
OCULON_IPP_DEFINE(ippsMagnitude_64fc);
OCULON_IPP_DEFINE(ippsPhase_64fc);
OCULON_IPP_DEFINE(ippsSqr_64fc);
OCULON_IPP_DEFINE(ippsSqr_64fc_I);
OCULON_IPP_DEFINE(ippsSqrt_64fc);
OCULON_IPP_DEFINE(ippsSqrt_64fc_I);
OCULON_IPP_DEFINE(ippsRealToCplx_64f);
OCULON_IPP_DEFINE(ippsRealToCplx_32f);
OCULON_IPP_DEFINE(ippsReal_64fc);
OCULON_IPP_DEFINE(ippsImag_64fc);

}  // namespace oculon::primitives
