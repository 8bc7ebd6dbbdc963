#include "media/primitives/SampleDivision.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <cmath>
#include <cstddef>
#include <limits>

#include "media/primitives/ImageElementwise.h"
#include "media/primitives/ImageRegion.h"
#include "media/primitives/VectorChecks.h"
#include "media/primitives/HotLoop.h"

namespace oculon::primitives {

namespace {

using std::ptrdiff_t;

constexpr std::array<Ipp32f, 256> makeReciprocals() {
    std::array<Ipp32f, 256> t{};
    t[0] = 0.000001f;
    for (int n = 1; n < 256; ++n) {
        const int millionths = (2000000 + n) / (2 * n);  // 10^6 / n, halves up
        t[n] = static_cast<Ipp32f>(millionths / 1e6);
    }
    return t;
}

// h truncated, less 1 when that is odd and h was a whole number: h = q + 0.5
// gives q rounded to nearest with a tie to the even neighbour. h >= 0.
int truncEven(double h) {
    int t = static_cast<int>(h);
    const double whole = t;  // written so that the loops around it vectorise
    t -= whole == h ? (t & 1) : 0;
    return t;
}

// Scale factors beyond these give the same results as the limits themselves
// (every nonzero quotient saturates, or every quotient rounds to 0), and
// keep 2^-sf a finite, nonzero double.
double scale8u(int sf) { return std::ldexp(1.0, -std::clamp(sf, -16, 9)); }
double scale16s(int sf) { return std::ldexp(1.0, -std::clamp(sf, -31, 17)); }

int round16s(double q) { return truncEven(std::min(std::max(q, -32768.0), 32767.0) + 32768.5) - 32768; }

// The zero-divisor result: the dividend's sign, saturated.
int saturatedSign(int n, int lo, int hi) { return n > 0 ? hi : n < 0 ? lo : 0; }

IppStatus checkImages(const void* a, int aStep, const void* b, int bStep, const void* c, int cStep, IppiSize roi) {
    if (!a || !b || !c) return ippStsNullPtrErr;
    if (region::badSize(roi)) return ippStsSizeErr;
    return aStep < 1 || bStep < 1 || cStep < 1 ? ippStsStepErr : ippStsNoErr;
}

// x times the reciprocal factor; a product beyond 255 saturates. With the
// scale factor held to its range the product stays below 2^16.
OCULON_HOT_LOOP void divideByFactor(const Ipp8u* s, Ipp8u* d, ptrdiff_t n, double f) {
    for (ptrdiff_t i = 0; i < n; ++i) d[i] = static_cast<Ipp8u>(std::min(truncEven(s[i] * f + 0.5), 255));
}

OCULON_HOT_LOOP void divideByFactor(const Ipp16s* s, Ipp16s* d, ptrdiff_t n, double f) {
    // Within these bounds no product can round beyond the range, and the
    // loop without the clamp vectorises.
    if (f >= -0.9999f && f <= 1.0) {
        for (ptrdiff_t i = 0; i < n; ++i) d[i] = static_cast<Ipp16s>(truncEven(s[i] * f + 32768.5) - 32768);
        return;
    }
    for (ptrdiff_t i = 0; i < n; ++i) d[i] = static_cast<Ipp16s>(round16s(s[i] * f));
}

double factor(Ipp8u val, int sf) { return kDivC8uReciprocals[val] * scale8u(sf); }
double factor(Ipp16s val, int sf) { return scale16s(sf) / val; }

template <typename T>
IppStatus divideVectorByConstant(const T* pSrc, T val, T* pDst, int len, int sf) {
    if (IppStatus st = checkVector(len, pSrc, pDst)) return st;
    if (val == 0) return ippStsDivByZeroErr;
    divideByFactor(pSrc, pDst, len, factor(val, sf));
    return ippStsNoErr;
}

template <typename T>
IppStatus divideImageByConstant(const T* pSrc, int srcStep, T val, T* pDst, int dstStep, IppiSize roi, int sf) {
    if (IppStatus st = checkImages(pSrc, srcStep, pDst, dstStep, pDst, dstStep, roi)) return st;
    if (val == 0) return ippStsDivByZeroErr;
    const double f = factor(val, sf);
    region::eachRow(pSrc, srcStep, sizeof(T), pDst, dstStep, sizeof(T), roi,
                    [f](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) {
                        if (reinterpret_cast<std::uintptr_t>(s) % alignof(T) == 0 &&
                            reinterpret_cast<std::uintptr_t>(d) % alignof(T) == 0) {
                            divideByFactor(reinterpret_cast<const T*>(s), reinterpret_cast<T*>(d), n, f);
                            return;
                        }
                        // An odd step puts 16-bit rows at odd bytes: their samples
                        // pass through a buffer of whole samples.
                        T part[256];
                        for (ptrdiff_t done = 0; done < n; done += std::size(part)) {
                            const ptrdiff_t k = std::min<ptrdiff_t>(std::size(part), n - done);
                            std::memcpy(part, s + done * sizeof(T), k * sizeof(T));
                            divideByFactor(part, part, k, f);
                            std::memcpy(d + done * sizeof(T), part, k * sizeof(T));
                        }
                    });
    return ippStsNoErr;
}

// The quotient n x s / d of each type, rounded and saturated.
int roundQuotient(Ipp8u, double q) { return std::min(truncEven(q + 0.5), 255); }
int roundQuotient(Ipp16s, double q) { return round16s(q); }
double scale(Ipp8u, int sf) { return scale8u(sf); }
double scale(Ipp16s, int sf) { return scale16s(sf); }

// Samples are loaded bytewise: a 16-bit image row may start at any byte
// that an odd step gives.
template <typename T>
IppStatus divideElements(const Ipp8u* divisors, const Ipp8u* dividends, Ipp8u* dst, ptrdiff_t len, int sf) {
    const double s = scale(T{}, sf);
    constexpr int lo = std::numeric_limits<T>::min(), hi = std::numeric_limits<T>::max();
    int zeros = 0;
    for (ptrdiff_t i = 0; i < len; ++i) {
        const int d = elementwise::load<T>(divisors, i), n = elementwise::load<T>(dividends, i);
        const int q = roundQuotient(T{}, n * s / (d ? d : 1));
        elementwise::store<T>(dst, i, static_cast<T>(d ? q : saturatedSign(n, lo, hi)));
        zeros |= d == 0;
    }
    return zeros ? ippStsDivByZero : ippStsNoErr;
}

template <typename T>
IppStatus divideVectors(const T* pSrc1, const T* pSrc2, T* pDst, int len, int sf) {
    if (IppStatus st = checkVector(len, pSrc1, pSrc2, pDst)) return st;
    return divideElements<T>(reinterpret_cast<const Ipp8u*>(pSrc1), reinterpret_cast<const Ipp8u*>(pSrc2),
                             reinterpret_cast<Ipp8u*>(pDst), len, sf);
}

template <typename T>
IppStatus divideRows(const T* pSrc1, int src1Step, const T* pSrc2, int src2Step, T* pDst, int dstStep, IppiSize roi,
                     int sf) {
    IppStatus first = ippStsNoErr;
    for (ptrdiff_t r = 0; r < roi.height; ++r) {
        const IppStatus st = divideElements<T>(region::row(pSrc1, src1Step, r), region::row(pSrc2, src2Step, r),
                                               region::row(pDst, dstStep, r), roi.width, sf);
        if (first == ippStsNoErr) first = st;
    }
    return first;
}

}  // namespace

constexpr std::array<Ipp32f, 256> kDivC8uReciprocals = makeReciprocals();

IppStatus _px_ippsDiv_8u_Sfs(const Ipp8u* pSrc1, const Ipp8u* pSrc2, Ipp8u* pDst, int len, int sf) {
    return divideVectors(pSrc1, pSrc2, pDst, len, sf);
}

IppStatus _px_ippsDiv_16s_Sfs(const Ipp16s* pSrc1, const Ipp16s* pSrc2, Ipp16s* pDst, int len, int sf) {
    return divideVectors(pSrc1, pSrc2, pDst, len, sf);
}

IppStatus ownippiDiv_8u_Sfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                            int dstStep, IppiSize roi, int sf) {
    return divideRows<Ipp8u>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi, sf);
}

IppStatus ownippiDiv_16s_Sfs(const Ipp16s* pSrc1, int src1Step, const Ipp16s* pSrc2, int src2Step, Ipp16s* pDst,
                             int dstStep, IppiSize roi, int sf) {
    return divideRows<Ipp16s>(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi, sf);
}

IppStatus _px_ippiDiv_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step, Ipp8u* pDst,
                                int dstStep, IppiSize roi, int sf) {
    if (IppStatus st = checkImages(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi)) return st;
    return ownippiDiv_8u_Sfs(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi, sf);
}

IppStatus _px_ippiDiv_16s_C1RSfs(const Ipp16s* pSrc1, int src1Step, const Ipp16s* pSrc2, int src2Step, Ipp16s* pDst,
                                 int dstStep, IppiSize roi, int sf) {
    if (IppStatus st = checkImages(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi)) return st;
    return ownippiDiv_16s_Sfs(pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roi, sf);
}

IppStatus _px_ippiDiv_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return _px_ippiDiv_8u_C1RSfs(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippiDiv_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep, IppiSize roi,
                                  int sf) {
    return _px_ippiDiv_16s_C1RSfs(pSrc, srcStep, pSrcDst, srcDstStep, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippsDivC_8u_Sfs(const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int sf) {
    return divideVectorByConstant(pSrc, val, pDst, len, sf);
}

IppStatus _px_ippsDivC_8u_ISfs(Ipp8u val, Ipp8u* pSrcDst, int len, int sf) {
    return divideVectorByConstant<Ipp8u>(pSrcDst, val, pSrcDst, len, sf);
}

IppStatus _px_ippsDivC_16s_Sfs(const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int sf) {
    return divideVectorByConstant(pSrc, val, pDst, len, sf);
}

IppStatus _px_ippsDivC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int sf) {
    return divideVectorByConstant<Ipp16s>(pSrcDst, val, pSrcDst, len, sf);
}

IppStatus _px_ippiDivC_8u_C1IRSfs(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return divideImageByConstant<Ipp8u>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippiDivC_8u_C1RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roi,
                                 int sf) {
    return divideImageByConstant(pSrc, srcStep, value, pDst, dstStep, roi, sf);
}

IppStatus _px_ippiDivC_16s_C1IRSfs(Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roi, int sf) {
    return divideImageByConstant<Ipp16s>(pSrcDst, srcDstStep, value, pSrcDst, srcDstStep, roi, sf);
}

IppStatus _px_ippiDivC_16s_C1RSfs(const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst, int dstStep,
                                  IppiSize roi, int sf) {
    return divideImageByConstant(pSrc, srcStep, value, pDst, dstStep, roi, sf);
}

OCULON_IPP_DEFINE(ippiDiv_8u_C1IRSfs);
OCULON_IPP_DEFINE(ippiDiv_16s_C1IRSfs);
OCULON_IPP_DEFINE(ippiDiv_8u_C1RSfs);
OCULON_IPP_DEFINE(ippiDiv_16s_C1RSfs);
OCULON_IPP_DEFINE(ippsDivC_8u_ISfs);
OCULON_IPP_DEFINE(ippsDivC_8u_Sfs);
OCULON_IPP_DEFINE(ippsDivC_16s_ISfs);
OCULON_IPP_DEFINE(ippsDivC_16s_Sfs);
OCULON_IPP_DEFINE(ippiDivC_8u_C1IRSfs);
OCULON_IPP_DEFINE(ippiDivC_8u_C1RSfs);
OCULON_IPP_DEFINE(ippiDivC_16s_C1IRSfs);
OCULON_IPP_DEFINE(ippiDivC_16s_C1RSfs);

}  // namespace oculon::primitives
