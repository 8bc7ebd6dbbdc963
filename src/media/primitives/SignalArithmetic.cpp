#include "media/primitives/SignalArithmetic.h"

#include <cstddef>
#include <limits>

#include "media/primitives/HotLoop.h"
#include "media/primitives/VectorChecks.h"
#include "media/primitives/VectorFillCopy.h"

namespace oculon::primitives {

namespace {

using Extended = long double;
constexpr double kInf = std::numeric_limits<double>::infinity();

// The element loops on doubles. One IEEE operation gives the exact result
// rounded once; carrying it in extended precision first could only add a
// second rounding. Counts are ptrdiff_t because the complex forms run them
// over two doubles per element.
template <typename T, typename Op>
[[gnu::always_inline]] inline void zip(const T* a, const T* b, T* d, std::ptrdiff_t n, Op op) {
    for (std::ptrdiff_t i = 0; i < n; ++i) d[i] = op(a[i], b[i]);
}
template <typename T, typename Op>
[[gnu::always_inline]] inline void withConst(const T* a, T c, T* d, std::ptrdiff_t n, Op op) {
    for (std::ptrdiff_t i = 0; i < n; ++i) d[i] = op(a[i], c);
}

constexpr auto kPlus = [](auto x, auto y) { return x + y; };
constexpr auto kMinus = [](auto x, auto y) { return x - y; };
constexpr auto kTimes = [](auto x, auto y) { return x * y; };
constexpr auto kFrom = [](auto x, auto y) { return y - x; };

OCULON_HOT_LOOP void addVec(const double* a, const double* b, double* d, std::ptrdiff_t n) { zip(a, b, d, n, kPlus); }
OCULON_HOT_LOOP void subVec(const double* a, const double* b, double* d, std::ptrdiff_t n) { zip(a, b, d, n, kMinus); }
OCULON_HOT_LOOP void mulVec(const double* a, const double* b, double* d, std::ptrdiff_t n) { zip(a, b, d, n, kTimes); }
OCULON_HOT_LOOP void addConstVec(const double* a, double c, double* d, std::ptrdiff_t n) {
    withConst(a, c, d, n, kPlus);
}
OCULON_HOT_LOOP void mulConstVec(const double* a, double c, double* d, std::ptrdiff_t n) {
    withConst(a, c, d, n, kTimes);
}
OCULON_HOT_LOOP void fromConstVec(const double* a, double c, double* d, std::ptrdiff_t n) {
    withConst(a, c, d, n, kFrom);
}

using VecFn = void (*)(const double*, const double*, double*, std::ptrdiff_t);

IppStatus twoVectors(const double* a, const double* b, double* d, std::ptrdiff_t n, VecFn fn) {
    if (!a || !b || !d) return ippStsNullPtrErr;
    fn(a, b, d, n);
    return ippStsNoErr;
}

IppStatus twoVectors(const double* a, const double* b, double* d, int len, VecFn fn) {
    if (IppStatus st = checkVector(len, a, b, d)) return st;
    return twoVectors(a, b, d, std::ptrdiff_t{len}, fn);
}

// A complex sum is two real sums per element; the length is checked first,
// the pointers by the real loop.
IppStatus complexAsReal(const Ipp64fc* a, const Ipp64fc* b, Ipp64fc* d, int len, VecFn fn) {
    if (len < 1) return ippStsSizeErr;
    return twoVectors(reinterpret_cast<const double*>(a), reinterpret_cast<const double*>(b),
                      reinterpret_cast<double*>(d), 2 * std::ptrdiff_t{len}, fn);
}

// AddC and SubC with a constant of 0.0: a copy, or nothing in place.
IppStatus copyOrKeep(const double* src, double* dst, int len) {
    return src == dst ? ippStsNoErr : _px_ippsCopy_64f(src, dst, len);
}

IppStatus addConst(const double* src, double val, double* dst, int len) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    if (val == 0.0) return copyOrKeep(src, dst, len);
    addConstVec(src, val, dst, len);
    return ippStsNoErr;
}

IppStatus subConst(const double* src, double val, double* dst, int len) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    if (val == 0.0) return copyOrKeep(src, dst, len);
    // x - v and x + (-v) are the same IEEE operation.
    addConstVec(src, -val, dst, len);
    return ippStsNoErr;
}

IppStatus divConst(const double* src, double val, double* dst, int len) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    if (val == 0.0) return ippStsDivByZeroErr;
    return _px_ippsMulC_64f(src, static_cast<double>(1.0L / val), dst, len);
}

// --- Complex elements, in extended precision --------------------------------

struct Complex {
    Extended re;
    Extended im;
};

inline Complex load(const Ipp64fc& x) { return {x.re, x.im}; }
inline Ipp64fc store(const Complex& x) { return {static_cast<double>(x.re), static_cast<double>(x.im)}; }
inline Complex times(const Complex& a, const Complex& b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

template <typename Fn>
IppStatus eachComplex(const Ipp64fc* src, Ipp64fc* dst, int len, Fn fn) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    for (int i = 0; i < len; ++i) dst[i] = fn(src[i]);
    return ippStsNoErr;
}

IppStatus mulConstComplex(const Ipp64fc* src, Ipp64fc val, Ipp64fc* dst, int len) {
    const Complex c = load(val);
    return eachComplex(src, dst, len, [c](const Ipp64fc& x) { return store(times(load(x), c)); });
}

IppStatus divConstComplex(const Ipp64fc* src, Ipp64fc val, Ipp64fc* dst, int len) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    const Extended m = Extended{val.re} * val.re + Extended{val.im} * val.im;
    if (m == 0.0L) return ippStsDivByZeroErr;
    const Complex reciprocal{val.re / m, -val.im / m};
    return eachComplex(src, dst, len, [reciprocal](const Ipp64fc& x) { return store(times(load(x), reciprocal)); });
}

IppStatus addConstComplex(const Ipp64fc* src, Ipp64fc val, Ipp64fc* dst, int len) {
    return eachComplex(src, dst, len, [val](const Ipp64fc& x) { return Ipp64fc{x.re + val.re, x.im + val.im}; });
}

}  // namespace

IppStatus _px_ippsSub_32f_I(const Ipp32f* pSrc, Ipp32f* pSrcDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pSrcDst)) return st;
    zip(pSrcDst, pSrc, pSrcDst, len, kMinus);
    return ippStsNoErr;
}

IppStatus _px_ippsMul_32f_I(const Ipp32f* pSrc, Ipp32f* pSrcDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pSrcDst)) return st;
    zip(pSrcDst, pSrc, pSrcDst, len, kTimes);
    return ippStsNoErr;
}

IppStatus _px_ippsMul_32f(const Ipp32f* pSrc1, const Ipp32f* pSrc2, Ipp32f* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc1, pSrc2, pDst)) return st;
    zip(pSrc1, pSrc2, pDst, len, kTimes);
    return ippStsNoErr;
}

IppStatus _px_ippsMulC_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len) {
    if (IppStatus st = checkVector(len, pSrcDst)) return st;
    // Ordered comparisons: a NaN constant is neither 1 nor 0 and multiplies.
    if (val == 1.0f) return ippStsNoErr;
    if (val == 0.0f) return _px_ippsZero_32f(pSrcDst, len);
    withConst(pSrcDst, val, pSrcDst, len, kTimes);
    return ippStsNoErr;
}

IppStatus _px_ippsSubCRev_32f_I(Ipp32f val, Ipp32f* pSrcDst, int len) {
    if (IppStatus st = checkVector(len, pSrcDst)) return st;
    withConst(pSrcDst, val, pSrcDst, len, kFrom);
    return ippStsNoErr;
}

IppStatus _px_ippsAdd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len) {
    return twoVectors(pSrc1, pSrc2, pDst, len, addVec);
}
IppStatus _px_ippsAdd_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
    return twoVectors(pSrcDst, pSrc, pSrcDst, len, addVec);
}
IppStatus _px_ippsSub_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
    return twoVectors(pSrcDst, pSrc, pSrcDst, len, subVec);
}
IppStatus _px_ippsMul_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len) {
    return twoVectors(pSrc1, pSrc2, pDst, len, mulVec);
}
IppStatus _px_ippsMul_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
    return twoVectors(pSrcDst, pSrc, pSrcDst, len, mulVec);
}

IppStatus _px_ippsAddC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
    return addConst(pSrc, val, pDst, len);
}
IppStatus _px_ippsAddC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) { return addConst(pSrcDst, val, pSrcDst, len); }
IppStatus _px_ippsSubC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
    return subConst(pSrc, val, pDst, len);
}
IppStatus _px_ippsSubC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) { return subConst(pSrcDst, val, pSrcDst, len); }

IppStatus _px_ippsSubCRev_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    fromConstVec(pSrc, val, pDst, len);
    return ippStsNoErr;
}
IppStatus _px_ippsSubCRev_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
    return _px_ippsSubCRev_64f(pSrcDst, val, pSrcDst, len);
}

IppStatus _px_ippsMulC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    if (val == 1.0) return copyOrKeep(pSrc, pDst, len);
    if (val == 0.0) return _px_ippsZero_64f(pDst, len);
    mulConstVec(pSrc, val, pDst, len);
    return ippStsNoErr;
}
IppStatus _px_ippsMulC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) {
    return _px_ippsMulC_64f(pSrcDst, val, pSrcDst, len);
}

IppStatus _px_ippsDivC_64f(const Ipp64f* pSrc, Ipp64f val, Ipp64f* pDst, int len) {
    return divConst(pSrc, val, pDst, len);
}
IppStatus _px_ippsDivC_64f_I(Ipp64f val, Ipp64f* pSrcDst, int len) { return divConst(pSrcDst, val, pSrcDst, len); }

IppStatus _px_ippsDiv_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, Ipp64f* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc1, pSrc2, pDst)) return st;
    bool divByZero = false;
    for (int i = 0; i < len; ++i) {
        const double num = pSrc2[i];
        const double den = pSrc1[i];
        if (den == 0.0) {
            // By the dividend alone: a divisor of -0.0 gives the same.
            divByZero = true;
            pDst[i] = num > 0 ? kInf : num < 0 ? -kInf : kIppNaN;
        } else {
            pDst[i] = num / den;
        }
    }
    return divByZero ? ippStsDivByZero : ippStsNoErr;
}
IppStatus _px_ippsDiv_64f_I(const Ipp64f* pSrc, Ipp64f* pSrcDst, int len) {
    return _px_ippsDiv_64f(pSrc, pSrcDst, pSrcDst, len);
}

IppStatus _px_ippsAdd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len) {
    return complexAsReal(pSrc1, pSrc2, pDst, len, addVec);
}
IppStatus _px_ippsAdd_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
    return complexAsReal(pSrcDst, pSrc, pSrcDst, len, addVec);
}
IppStatus _px_ippsSub_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
    return complexAsReal(pSrcDst, pSrc, pSrcDst, len, subVec);
}

IppStatus _px_ippsAddC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
    return addConstComplex(pSrc, val, pDst, len);
}
IppStatus _px_ippsAddC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
    return addConstComplex(pSrcDst, val, pSrcDst, len);
}
IppStatus _px_ippsSubC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
    return addConstComplex(pSrc, {-val.re, -val.im}, pDst, len);
}
IppStatus _px_ippsSubC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
    return addConstComplex(pSrcDst, {-val.re, -val.im}, pSrcDst, len);
}
IppStatus _px_ippsSubCRev_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
    return eachComplex(pSrc, pDst, len, [val](const Ipp64fc& x) { return Ipp64fc{val.re - x.re, val.im - x.im}; });
}

IppStatus _px_ippsMul_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pSrcDst)) return st;
    for (int i = 0; i < len; ++i) pSrcDst[i] = store(times(load(pSrcDst[i]), load(pSrc[i])));
    return ippStsNoErr;
}
IppStatus _px_ippsMulC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
    return mulConstComplex(pSrc, val, pDst, len);
}
IppStatus _px_ippsMulC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
    return mulConstComplex(pSrcDst, val, pSrcDst, len);
}

IppStatus _px_ippsDivC_64fc(const Ipp64fc* pSrc, Ipp64fc val, Ipp64fc* pDst, int len) {
    return divConstComplex(pSrc, val, pDst, len);
}
IppStatus _px_ippsDivC_64fc_I(Ipp64fc val, Ipp64fc* pSrcDst, int len) {
    return divConstComplex(pSrcDst, val, pSrcDst, len);
}

IppStatus _px_ippsDiv_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, Ipp64fc* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc1, pSrc2, pDst)) return st;
    bool divByZero = false;
    for (int i = 0; i < len; ++i) {
        const Complex b = load(pSrc1[i]);
        const Complex a = load(pSrc2[i]);
        const Extended m = b.re * b.re + b.im * b.im;
        if (m == 0.0L) {
            divByZero = true;
            pDst[i] = {kIppNaN, kIppNaN};
            continue;
        }
        const Extended inv = 1.0L / m;
        pDst[i] = store({(b.re * a.re + b.im * a.im) * inv, (b.re * a.im - b.im * a.re) * inv});
    }
    return divByZero ? ippStsDivByZero : ippStsNoErr;
}
IppStatus _px_ippsDiv_64fc_I(const Ipp64fc* pSrc, Ipp64fc* pSrcDst, int len) {
    return _px_ippsDiv_64fc(pSrc, pSrcDst, pSrcDst, len);
}

OCULON_IPP_DEFINE(ippsSub_32f_I);
OCULON_IPP_DEFINE(ippsMul_32f_I);
OCULON_IPP_DEFINE(ippsMulC_32f_I);
OCULON_IPP_DEFINE(ippsMul_32f);
OCULON_IPP_DEFINE(ippsSubCRev_32f_I);
OCULON_IPP_DEFINE(ippsAdd_64f);
OCULON_IPP_DEFINE(ippsAdd_64f_I);
OCULON_IPP_DEFINE(ippsAddC_64f);
OCULON_IPP_DEFINE(ippsAddC_64f_I);
OCULON_IPP_DEFINE(ippsSub_64f_I);
OCULON_IPP_DEFINE(ippsSubC_64f);
OCULON_IPP_DEFINE(ippsSubC_64f_I);
OCULON_IPP_DEFINE(ippsSubCRev_64f);
OCULON_IPP_DEFINE(ippsSubCRev_64f_I);
OCULON_IPP_DEFINE(ippsMul_64f);
OCULON_IPP_DEFINE(ippsMul_64f_I);
OCULON_IPP_DEFINE(ippsMulC_64f);
OCULON_IPP_DEFINE(ippsMulC_64f_I);
OCULON_IPP_DEFINE(ippsDiv_64f_I);
OCULON_IPP_DEFINE(ippsDivC_64f);
OCULON_IPP_DEFINE(ippsDivC_64f_I);
OCULON_IPP_DEFINE(ippsAdd_64fc);
OCULON_IPP_DEFINE(ippsAdd_64fc_I);
OCULON_IPP_DEFINE(ippsSub_64fc_I);
OCULON_IPP_DEFINE(ippsAddC_64fc);
OCULON_IPP_DEFINE(ippsAddC_64fc_I);
OCULON_IPP_DEFINE(ippsSubC_64fc);
OCULON_IPP_DEFINE(ippsSubC_64fc_I);
OCULON_IPP_DEFINE(ippsSubCRev_64fc);
OCULON_IPP_DEFINE(ippsMul_64fc_I);
OCULON_IPP_DEFINE(ippsMulC_64fc);
OCULON_IPP_DEFINE(ippsMulC_64fc_I);
OCULON_IPP_DEFINE(ippsDiv_64fc_I);
OCULON_IPP_DEFINE(ippsDivC_64fc);
OCULON_IPP_DEFINE(ippsDivC_64fc_I);

}  // namespace oculon::primitives
