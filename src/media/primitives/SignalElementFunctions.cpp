#include "media/primitives/SignalElementFunctions.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

namespace {

using Extended = long double;

template <typename Fn>
IppStatus each(const Ipp64f* pSrc, Ipp64f* pDst, int len, Fn fn) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    for (int i = 0; i < len; ++i) pDst[i] = fn(pSrc[i]);
    return ippStsNoErr;
}

IppStatus squareRoots(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    bool negative = false;
    for (int i = 0; i < len; ++i) {
        const double x = pSrc[i];
        if (x < 0) {
            negative = true;
            pDst[i] = kIppNaN;
        } else {
            pDst[i] = std::sqrt(x);  // keeps -0.0 and NaN as they are
        }
    }
    return negative ? ippStsSqrtNegArg : ippStsNoErr;
}

IppStatus logarithms(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    IppStatus pending = ippStsNoErr;
    for (int i = 0; i < len; ++i) {
        const double x = pSrc[i];
        if (std::signbit(x)) {
            if (pending == ippStsNoErr) pending = ippStsLnNegArg;
            pDst[i] = kIppNaN;
        } else if (std::isnan(x)) {
            pDst[i] = x;
        } else if (x == 0.0) {
            if (pending == ippStsNoErr) pending = ippStsLnZeroArg;
            pDst[i] = -std::numeric_limits<double>::infinity();
        } else {
            pDst[i] = std::log(x);
        }
    }
    return pending;
}

// The exponential by argument reduction: x = k ln 2 + r with |r| <= ln 2 / 2,
// e^r from a rational approximation, scaled by 2^k. ln 2 is split in two so
// that k x ln2hi is exact.
constexpr double kInvLn2 = 1.4426950408889634;
constexpr double kLn2Hi = std::bit_cast<double>(std::uint64_t{0x3FE62E42FEE00000});
constexpr double kLn2Lo = std::bit_cast<double>(std::uint64_t{0x3DEA39EF35793C76});
constexpr double kP1 = 0.16666666666666602;
constexpr double kP2 = -0.0027777777777015593;
constexpr double kP3 = 6.613756321437934e-05;
constexpr double kP4 = -1.6533902205465252e-06;
constexpr double kP5 = 4.1381367970572385e-08;

// Inside this range e^x is a normal double (or, up to 2^1024, a value the
// final conversion rounds as it must); outside it the C library's exp
// handles overflow, underflow, infinities and NaN.
bool reducible(double x) {
    const auto high = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x) >> 32) & 0x7FFFFFFFu;
    return high < 0x4086232Bu || (x > 0 && high < 0x40862E42u);
}

struct Reduced {
    Extended r;
    Extended c;
    int k;
};

Reduced reduce(double x) {
    const int k = static_cast<int>(std::lrint(Extended{x} * kInvLn2));
    const Extended r = (x - k * Extended{kLn2Hi}) - k * Extended{kLn2Lo};
    const Extended t = r * r;
    const Extended c = r - t * (kP1 + t * (kP2 + t * (kP3 + t * (kP4 + t * kP5))));
    return {r, c, k};
}

// e^r = 1 - ((r c) / (c - 2) - r), given 1 / (c - 2).
double finish(const Reduced& v, Extended inverse) {
    const Extended er = 1.0L - ((v.r * v.c) * inverse - v.r);
    return static_cast<double>(std::ldexp(er, v.k));
}

double expOne(double x) {
    if (!reducible(x)) return std::exp(x);
    const Reduced v = reduce(x);
    return finish(v, 1.0L / (v.c - 2.0L));
}

IppStatus exponentials(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    int i = 0;
    // Four at a time, the four divisions sharing one reciprocal of the
    // product of their divisors.
    for (; i + 4 <= len; i += 4) {
        const double x[4] = {pSrc[i], pSrc[i + 1], pSrc[i + 2], pSrc[i + 3]};
        if (!(reducible(x[0]) && reducible(x[1]) && reducible(x[2]) && reducible(x[3]))) {
            for (int j = 0; j < 4; ++j) pDst[i + j] = expOne(x[j]);
            continue;
        }
        const Reduced v[4] = {reduce(x[0]), reduce(x[1]), reduce(x[2]), reduce(x[3])};
        const Extended d[4] = {v[0].c - 2.0L, v[1].c - 2.0L, v[2].c - 2.0L, v[3].c - 2.0L};
        const Extended d01 = d[0] * d[1];
        const Extended d23 = d[2] * d[3];
        const Extended all = 1.0L / (d01 * d23);
        pDst[i] = finish(v[0], all * d[1] * d23);
        pDst[i + 1] = finish(v[1], all * d[0] * d23);
        pDst[i + 2] = finish(v[2], all * d01 * d[3]);
        pDst[i + 3] = finish(v[3], all * d01 * d[2]);
    }
    for (; i < len; ++i) pDst[i] = expOne(pSrc[i]);
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippsAbs_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
    return each(pSrc, pDst, len, [](double x) { return std::fabs(x); });
}
IppStatus _px_ippsAbs_64f_I(Ipp64f* pSrcDst, int len) { return _px_ippsAbs_64f(pSrcDst, pSrcDst, len); }

IppStatus _px_ippsSqr_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) {
    return each(pSrc, pDst, len, [](double x) { return x * x; });
}
IppStatus _px_ippsSqr_64f_I(Ipp64f* pSrcDst, int len) { return _px_ippsSqr_64f(pSrcDst, pSrcDst, len); }

IppStatus _px_ippsSqrt_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return squareRoots(pSrc, pDst, len); }
IppStatus _px_ippsSqrt_64f_I(Ipp64f* pSrcDst, int len) { return squareRoots(pSrcDst, pSrcDst, len); }

IppStatus _px_ippsExp_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return exponentials(pSrc, pDst, len); }
IppStatus _px_ippsExp_64f_I(Ipp64f* pSrcDst, int len) { return exponentials(pSrcDst, pSrcDst, len); }

IppStatus _px_ippsLn_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return logarithms(pSrc, pDst, len); }
IppStatus _px_ippsLn_64f_I(Ipp64f* pSrcDst, int len) { return logarithms(pSrcDst, pSrcDst, len); }

OCULON_IPP_DEFINE(ippsAbs_64f);
OCULON_IPP_DEFINE(ippsAbs_64f_I);
OCULON_IPP_DEFINE(ippsSqr_64f);
OCULON_IPP_DEFINE(ippsSqr_64f_I);
OCULON_IPP_DEFINE(ippsSqrt_64f);
OCULON_IPP_DEFINE(ippsSqrt_64f_I);
OCULON_IPP_DEFINE(ippsExp_64f);
OCULON_IPP_DEFINE(ippsExp_64f_I);
OCULON_IPP_DEFINE(ippsLn_64f);
OCULON_IPP_DEFINE(ippsLn_64f_I);

}  // namespace oculon::primitives
