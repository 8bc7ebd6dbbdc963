#include "media/primitives/SignalStatistics.h"

#include <cfloat>
#include <cmath>

#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

namespace {

using Extended = long double;

// Sums term(i) over 0..len-1 in extended precision. Four interleaved partial
// sums let the additions overlap in the pipeline; the order is fixed, so the
// result is the same on every run.
template <typename Term>
Extended extendedSum(int len, Term term) {
    Extended s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int i = 0;
    for (; i + 4 <= len; i += 4) {
        s0 += term(i);
        s1 += term(i + 1);
        s2 += term(i + 2);
        s3 += term(i + 3);
    }
    Extended sum = (s0 + s1) + (s2 + s3);
    for (; i < len; ++i) sum += term(i);
    return sum;
}

template <typename Better>
IppStatus extreme(const Ipp64f* pSrc, int len, Ipp64f* pResult, int* pIndx, Better better) {
    if (IppStatus st = checkVector(len, pSrc, pResult)) return st;
    int best = 0;
    for (int i = 1; i < len; ++i)
        if (better(pSrc[i], pSrc[best])) best = i;
    *pResult = pSrc[best];
    if (pIndx) *pIndx = best;
    return ippStsNoErr;
}

constexpr auto kLess = [](double a, double b) { return a < b; };
constexpr auto kGreater = [](double a, double b) { return a > b; };

template <typename Term>
IppStatus normDiff(const Ipp64f* a, const Ipp64f* b, int len, Ipp64f* pNorm, Term term) {
    if (IppStatus st = checkVector(len, a, b, pNorm)) return st;
    *pNorm = term(a, b, len);
    return ippStsNoErr;
}

inline Extended difference(const Ipp64f* a, const Ipp64f* b, int i) { return Extended{a[i]} - b[i]; }

template <typename T>
IppStatus normalize(const T* pSrc, T* pDst, int len, T vSub, T vDiv, T smallestNormal) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    if (std::fabs(vDiv) < smallestNormal) return ippStsDivByZeroErr;
    const Extended r = 1.0L / vDiv;
    for (int i = 0; i < len; ++i) pDst[i] = static_cast<T>((Extended{pSrc[i]} - vSub) * r);
    return ippStsNoErr;
}

template <typename T>
IppStatus threshold(const T* pSrc, T* pDst, int len, T level, IppCmpOp relOp) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    if (relOp == ippCmpGreater) {
        for (int i = 0; i < len; ++i) pDst[i] = pSrc[i] > level ? level : pSrc[i];
    } else {
        for (int i = 0; i < len; ++i) pDst[i] = pSrc[i] < level ? level : pSrc[i];
    }
    return ippStsNoErr;
}

IppStatus thresholdComplex(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level, IppCmpOp relOp) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    if (level < 0) return ippStsThreshNegLevelErr;
    const Extended limit = Extended{level} * level;
    const bool above = relOp == ippCmpGreater;
    for (int i = 0; i < len; ++i) {
        const Ipp64fc x = pSrc[i];
        const Extended power = Extended{x.re} * x.re + Extended{x.im} * x.im;
        if (above ? !(power > limit) : !(power < limit)) {
            pDst[i] = x;
        } else if (power == 0) {
            // No direction to keep: the element takes the level on the real axis.
            pDst[i] = {level, 0.0};
        } else {
            const Extended f = std::sqrt(limit / power);
            pDst[i] = {static_cast<double>(x.re * f), static_cast<double>(x.im * f)};
        }
    }
    return ippStsNoErr;
}

template <typename Keep>
IppStatus threshold32s(Ipp32s* pSrcDst, int len, Ipp32s level, Keep keep) {
    if (IppStatus st = checkVector(len, pSrcDst)) return st;
    for (int i = 0; i < len; ++i) pSrcDst[i] = keep(pSrcDst[i], level) ? pSrcDst[i] : level;
    return ippStsNoErr;
}

}  // namespace

void _px_DotProd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp) {
    *pDp = static_cast<double>(extendedSum(len, [=](int i) { return Extended{pSrc1[i]} * pSrc2[i]; }));
}

IppStatus _px_ippsDotProd_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pDp) {
    if (IppStatus st = checkVector(len, pSrc1, pSrc2, pDp)) return st;
    _px_DotProd_64f(pSrc1, pSrc2, len, pDp);
    return ippStsNoErr;
}

IppStatus _px_ippsDotProd_64fc(const Ipp64fc* pSrc1, const Ipp64fc* pSrc2, int len, Ipp64fc* pDp) {
    if (IppStatus st = checkVector(len, pSrc1, pSrc2, pDp)) return st;
    Extended re = 0, im = 0;
    for (int i = 0; i < len; ++i) {
        const Ipp64fc a = pSrc1[i], b = pSrc2[i];
        re += Extended{a.re} * b.re - Extended{a.im} * b.im;
        im += Extended{a.re} * b.im + Extended{a.im} * b.re;
    }
    *pDp = {static_cast<double>(re), static_cast<double>(im)};
    return ippStsNoErr;
}

IppStatus _px_ippsSum_64f(const Ipp64f* pSrc, int len, Ipp64f* pSum) {
    if (IppStatus st = checkVector(len, pSrc, pSum)) return st;
    *pSum = static_cast<double>(extendedSum(len, [=](int i) { return Extended{pSrc[i]}; }));
    return ippStsNoErr;
}

IppStatus _px_ippsMean_64f(const Ipp64f* pSrc, int len, Ipp64f* pMean) {
    if (IppStatus st = checkVector(len, pSrc, pMean)) return st;
    *pMean = static_cast<double>(extendedSum(len, [=](int i) { return Extended{pSrc[i]}; }) / len);
    return ippStsNoErr;
}

IppStatus _px_ippsMean_32f(const Ipp32f* pSrc, int len, Ipp32f* pMean, IppHintAlgorithm /*hint*/) {
    if (IppStatus st = checkVector(len, pSrc, pMean)) return st;
    // Two running sums, each taking two elements a pass, in this order.
    Extended a = 0, b = 0;
    int i = 0;
    for (; i + 4 <= len; i += 4) {
        a = (a + pSrc[i]) + pSrc[i + 2];
        b = (b + pSrc[i + 1]) + pSrc[i + 3];
    }
    a += b;
    for (; i < len; ++i) a += pSrc[i];
    *pMean = static_cast<float>(a / len);
    return ippStsNoErr;
}

IppStatus _px_ippsStdDev_64f(const Ipp64f* pSrc, int len, Ipp64f* pStdDev) {
    if (!pSrc || !pStdDev) return ippStsNullPtrErr;
    if (len < 2) return ippStsSizeErr;
    Extended sumA = 0, sumB = 0, sqA = 0, sqB = 0;
    int i = 0;
    for (; i + 4 <= len; i += 4) {
        const Extended x0 = pSrc[i], x1 = pSrc[i + 1], x2 = pSrc[i + 2], x3 = pSrc[i + 3];
        sumA = (sumA + x0) + x2;
        sumB = (sumB + x1) + x3;
        sqA = (sqA + x0 * x0) + x2 * x2;
        sqB = (sqB + x1 * x1) + x3 * x3;
    }
    Extended sum = sumA + sumB;
    Extended squares = sqA + sqB;
    for (; i < len; ++i) {
        const Extended x = pSrc[i];
        sum += x;
        squares += x * x;
    }
    const Extended n = len;
    const Extended numerator = n * squares - sum * sum;
    // Rounding can leave a tiny negative numerator for a (nearly) constant
    // vector; its deviation is 0, not the NaN of a negative root. A NaN
    // numerator (an infinite or NaN element) stays NaN.
    *pStdDev = numerator <= 0 ? 0.0 : static_cast<double>(std::sqrt(numerator / (n * (n - 1))));
    return ippStsNoErr;
}

IppStatus _px_ippsMin_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin) {
    return extreme(pSrc, len, pMin, nullptr, kLess);
}
IppStatus _px_ippsMax_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax) {
    return extreme(pSrc, len, pMax, nullptr, kGreater);
}
IppStatus _px_ippsMinIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMin, int* pIndx) {
    return extreme(pSrc, len, pMin, pIndx, kLess);
}
IppStatus _px_ippsMaxIndx_64f(const Ipp64f* pSrc, int len, Ipp64f* pMax, int* pIndx) {
    return extreme(pSrc, len, pMax, pIndx, kGreater);
}

IppStatus _px_ippsNormDiff_L1_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm) {
    return normDiff(pSrc1, pSrc2, len, pNorm, [](const Ipp64f* a, const Ipp64f* b, int n) {
        return static_cast<double>(extendedSum(n, [=](int i) { return std::fabs(difference(a, b, i)); }));
    });
}

IppStatus _px_ippsNormDiff_L2_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm) {
    return normDiff(pSrc1, pSrc2, len, pNorm, [](const Ipp64f* a, const Ipp64f* b, int n) {
        const Extended squares = extendedSum(n, [=](int i) {
            const Extended d = difference(a, b, i);
            return d * d;
        });
        return static_cast<double>(std::sqrt(squares));
    });
}

IppStatus _px_ippsNormDiff_Inf_64f(const Ipp64f* pSrc1, const Ipp64f* pSrc2, int len, Ipp64f* pNorm) {
    return normDiff(pSrc1, pSrc2, len, pNorm, [](const Ipp64f* a, const Ipp64f* b, int n) {
        Extended largest = 0;
        for (int i = 0; i < n; ++i) {
            const Extended d = std::fabs(difference(a, b, i));
            if (d > largest) largest = d;
        }
        return static_cast<double>(largest);
    });
}

IppStatus _px_ippsNormalize_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f vSub, Ipp64f vDiv) {
    return normalize(pSrc, pDst, len, vSub, vDiv, DBL_MIN);
}
IppStatus _px_ippsNormalize_32f(const Ipp32f* pSrc, Ipp32f* pDst, int len, Ipp32f vSub, Ipp32f vDiv) {
    return normalize(pSrc, pDst, len, vSub, vDiv, FLT_MIN);
}
IppStatus _px_ippsNormalize_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64fc vSub, Ipp64f vDiv) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    if (std::fabs(vDiv) < DBL_MIN) return ippStsDivByZeroErr;
    const Extended r = 1.0L / vDiv;
    for (int i = 0; i < len; ++i)
        pDst[i] = {static_cast<double>((Extended{pSrc[i].re} - vSub.re) * r),
                   static_cast<double>((Extended{pSrc[i].im} - vSub.im) * r)};
    return ippStsNoErr;
}

IppStatus _px_ippsThreshold_32f_I(Ipp32f* pSrcDst, int len, Ipp32f level, IppCmpOp relOp) {
    return threshold(pSrcDst, pSrcDst, len, level, relOp);
}
IppStatus _px_ippsThreshold_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f level, IppCmpOp relOp) {
    return threshold(pSrc, pDst, len, level, relOp);
}
IppStatus _px_ippsThreshold_64f_I(Ipp64f* pSrcDst, int len, Ipp64f level, IppCmpOp relOp) {
    return threshold(pSrcDst, pSrcDst, len, level, relOp);
}
IppStatus _px_ippsThreshold_64fc(const Ipp64fc* pSrc, Ipp64fc* pDst, int len, Ipp64f level, IppCmpOp relOp) {
    return thresholdComplex(pSrc, pDst, len, level, relOp);
}
IppStatus _px_ippsThreshold_64fc_I(Ipp64fc* pSrcDst, int len, Ipp64f level, IppCmpOp relOp) {
    return thresholdComplex(pSrcDst, pSrcDst, len, level, relOp);
}
IppStatus _px_ippsThreshold_LT_32s_I(Ipp32s* pSrcDst, int len, Ipp32s level) {
    return threshold32s(pSrcDst, len, level, [](Ipp32s x, Ipp32s l) { return x >= l; });
}
IppStatus _px_ippsThreshold_GT_32s_I(Ipp32s* pSrcDst, int len, Ipp32s level) {
    return threshold32s(pSrcDst, len, level, [](Ipp32s x, Ipp32s l) { return x <= l; });
}

OCULON_IPP_DEFINE(ippsMean_64f);
OCULON_IPP_DEFINE(ippsMean_32f);
OCULON_IPP_DEFINE(ippsStdDev_64f);
OCULON_IPP_DEFINE(ippsSum_64f);
OCULON_IPP_DEFINE(ippsMin_64f);
OCULON_IPP_DEFINE(ippsMax_64f);
OCULON_IPP_DEFINE(ippsMinIndx_64f);
OCULON_IPP_DEFINE(ippsMaxIndx_64f);
OCULON_IPP_DEFINE(ippsNormDiff_L1_64f);
OCULON_IPP_DEFINE(ippsNormDiff_L2_64f);
OCULON_IPP_DEFINE(ippsNormDiff_Inf_64f);
OCULON_IPP_DEFINE(ippsDotProd_64f);
OCULON_IPP_DEFINE(ippsDotProd_64fc);
OCULON_IPP_DEFINE(ippsNormalize_64f);
OCULON_IPP_DEFINE(ippsNormalize_32f);
OCULON_IPP_DEFINE(ippsNormalize_64fc);
OCULON_IPP_DEFINE(ippsThreshold_32f_I);
OCULON_IPP_DEFINE(ippsThreshold_64f);
OCULON_IPP_DEFINE(ippsThreshold_64f_I);
OCULON_IPP_DEFINE(ippsThreshold_64fc);
OCULON_IPP_DEFINE(ippsThreshold_64fc_I);
OCULON_IPP_DEFINE(ippsThreshold_LT_32s_I);
OCULON_IPP_DEFINE(ippsThreshold_GT_32s_I);

}  // namespace oculon::primitives
