#include "media/primitives/SignalWindows.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

#include "media/primitives/RuntimeShims.h"
#include "media/primitives/SignalElementFunctions.h"
#include "media/primitives/VectorChecks.h"

namespace oculon::primitives {

namespace {

using Extended = long double;

inline double weighted(double x, Extended w) { return static_cast<double>(x * w); }
inline Ipp64fc weighted(const Ipp64fc& x, Extended w) { return {weighted(x.re, w), weighted(x.im, w)}; }

// Applies a symmetric window: `next` yields w(0), w(1), ... and each weight
// goes to element n and to its mirror len-1-n. An odd window's middle weight
// is 1, so that element is copied; an even window's two middle elements take
// the next weight.
template <typename T, typename Next>
void applySymmetric(const T* src, T* dst, int len, Next next) {
    const int pairs = (len - 1) / 2;
    for (int n = 0; n < pairs; ++n) {
        const Extended w = next();
        dst[n] = weighted(src[n], w);
        dst[len - 1 - n] = weighted(src[len - 1 - n], w);
    }
    if (len % 2 != 0) {
        dst[pairs] = src[pairs];
    } else {
        const Extended w = next();
        dst[pairs] = weighted(src[pairs], w);
        dst[pairs + 1] = weighted(src[pairs + 1], w);
    }
}

// cos(2 pi n/(len-1)) for n = 0, 1, ...: one library cosine for the step,
// then the rotation recurrence.
class CosineSteps {
public:
    explicit CosineSteps(int len)
        : stepCos_(_cos(static_cast<double>(2 * std::numbers::pi_v<Extended> / (len - 1)))),
          stepSin_(std::sqrt(1.0L - stepCos_ * stepCos_)) {}

    // The cosine for the current n; moves on to n + 1.
    Extended next() {
        const Extended c = cos_;
        cos_ = c * stepCos_ - sin_ * stepSin_;
        sin_ = sin_ * stepCos_ + c * stepSin_;
        return c;
    }

private:
    Extended stepCos_;
    Extended stepSin_;
    Extended cos_ = 1.0L;
    Extended sin_ = 0.0L;
};

template <typename T>
IppStatus bartlett(const T* src, T* dst, int len) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    if (len < 3) return ippStsSizeErr;
    const Extended step = 2.0L / (len - 1);
    Extended w = -step;
    applySymmetric(src, dst, len, [&] { return w += step; });
    // The ends are 0.0 whatever the source holds there (infinity included).
    dst[0] = dst[len - 1] = T{};
    return ippStsNoErr;
}

template <typename T, typename Weight>
IppStatus cosineWindow(const T* src, T* dst, int len, Weight weight) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    if (len < 3) return ippStsSizeErr;
    CosineSteps cosines(len);
    applySymmetric(src, dst, len, [&] { return weight(cosines.next()); });
    return ippStsNoErr;
}

template <typename T>
IppStatus hann(const T* src, T* dst, int len) {
    return cosineWindow(src, dst, len, [](Extended c) { return 0.5L - 0.5L * c; });
}

template <typename T>
IppStatus hamming(const T* src, T* dst, int len) {
    return cosineWindow(src, dst, len, [](Extended c) { return 0.54L - 0.46L * c; });
}

template <typename T>
IppStatus blackman(const T* src, T* dst, int len, double alpha) {
    const Extended a = alpha;
    return cosineWindow(src, dst, len, [a](Extended c) { return (a + 1) / 2 - 0.5L * c - (a / 2) * (2 * c * c - 1); });
}

double expOf(double x) {
    _px_ippsExp_64f_I(&x, 1);
    return x;
}

// sum c[i] t^i by Horner's rule.
template <std::size_t N>
Extended polynomial(const Extended (&c)[N], Extended t) {
    Extended p = c[N - 1];
    for (std::size_t i = N - 1; i-- > 0;) p = c[i] + t * p;
    return p;
}

constexpr Extended kI0Small[] = {0.9999999985L, 4.0000001935L, 3.9999959541L, 1.777809969L,
                                 0.4443189384L, 0.0713758187L, 0.0075942968L, 0.0008267816L};
constexpr Extended kI0Large[] = {0.3989422809L,  0.0124667783L,  0.0017623668L,  0.00026L,      0.0022585672L,
                                 -0.0128314822L, 0.0495811118L,  -0.1209940805L, 0.1895476618L, -0.1867783276L,
                                 0.1113315511L,  -0.0366694767L, 0.0051246015L};

// The modified Bessel function of the first kind, order 0, by its polynomial
// approximations below and above |x| = 4.
Extended besselI0(Extended x) {
    const Extended a = std::fabs(x);
    if (a < 4.0L) return polynomial(kI0Small, (0.25L * a) * (0.25L * a));
    return polynomial(kI0Large, 4.0L / a) * expOf(static_cast<double>(a)) / std::sqrt(a);
}

template <typename T>
IppStatus kaiser(const T* src, T* dst, int len, float alpha) {
    if (IppStatus st = checkVector(len, src, dst)) return st;
    const Extended a = alpha;
    const Extended half = 0.5L * (len - 1);
    if (half * std::fabs(a) > 308.0L) return ippStsHugeWinErr;
    if (len == 1) {
        dst[0] = src[0];
        return ippStsNoErr;
    }
    const Extended norm = 1.0L / besselI0(half * a);
    std::int64_t n = 0;
    applySymmetric(src, dst, len, [&] {
        // n (len-1-n) can pass the int range for long windows.
        double root = static_cast<double>(n * (len - 1 - n));
        _px_ippsSqrt_64f_I(&root, 1);
        ++n;
        return besselI0(a * root) * norm;
    });
    return ippStsNoErr;
}

}  // namespace

IppStatus _px_ippsWinBartlett_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return bartlett(pSrc, pDst, len); }
IppStatus _px_ippsWinBartlett_64f_I(Ipp64f* pSrcDst, int len) { return bartlett(pSrcDst, pSrcDst, len); }
IppStatus _px_ippsWinBartlett_64fc_I(Ipp64fc* pSrcDst, int len) { return bartlett(pSrcDst, pSrcDst, len); }

IppStatus _px_ippsWinBlackman_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp64f alpha) {
    return blackman(pSrc, pDst, len, alpha);
}
IppStatus _px_ippsWinBlackman_64f_I(Ipp64f* pSrcDst, int len, Ipp64f alpha) {
    return blackman(pSrcDst, pSrcDst, len, alpha);
}
IppStatus _px_ippsWinBlackman_64fc_I(Ipp64fc* pSrcDst, int len, Ipp64f alpha) {
    return blackman(pSrcDst, pSrcDst, len, alpha);
}

IppStatus _px_ippsWinHamming_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return hamming(pSrc, pDst, len); }
IppStatus _px_ippsWinHamming_64f_I(Ipp64f* pSrcDst, int len) { return hamming(pSrcDst, pSrcDst, len); }
IppStatus _px_ippsWinHamming_64fc_I(Ipp64fc* pSrcDst, int len) { return hamming(pSrcDst, pSrcDst, len); }

IppStatus _px_ippsWinHann_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len) { return hann(pSrc, pDst, len); }
IppStatus _px_ippsWinHann_64f_I(Ipp64f* pSrcDst, int len) { return hann(pSrcDst, pSrcDst, len); }
IppStatus _px_ippsWinHann_64fc_I(Ipp64fc* pSrcDst, int len) { return hann(pSrcDst, pSrcDst, len); }

IppStatus _px_ippsWinKaiser_64f(const Ipp64f* pSrc, Ipp64f* pDst, int len, Ipp32f alpha) {
    return kaiser(pSrc, pDst, len, alpha);
}
IppStatus _px_ippsWinKaiser_64f_I(Ipp64f* pSrcDst, int len, Ipp32f alpha) {
    return kaiser(pSrcDst, pSrcDst, len, alpha);
}
IppStatus _px_ippsWinKaiser_64fc_I(Ipp64fc* pSrcDst, int len, Ipp32f alpha) {
    return kaiser(pSrcDst, pSrcDst, len, alpha);
}

OCULON_IPP_DEFINE(ippsWinBartlett_64f);
OCULON_IPP_DEFINE(ippsWinBartlett_64f_I);
OCULON_IPP_DEFINE(ippsWinBartlett_64fc_I);
OCULON_IPP_DEFINE(ippsWinBlackman_64f);
OCULON_IPP_DEFINE(ippsWinBlackman_64f_I);
OCULON_IPP_DEFINE(ippsWinBlackman_64fc_I);
OCULON_IPP_DEFINE(ippsWinHamming_64f);
OCULON_IPP_DEFINE(ippsWinHamming_64f_I);
OCULON_IPP_DEFINE(ippsWinHamming_64fc_I);
OCULON_IPP_DEFINE(ippsWinHann_64f);
OCULON_IPP_DEFINE(ippsWinHann_64f_I);
OCULON_IPP_DEFINE(ippsWinHann_64fc_I);
OCULON_IPP_DEFINE(ippsWinKaiser_64f);
OCULON_IPP_DEFINE(ippsWinKaiser_64f_I);
OCULON_IPP_DEFINE(ippsWinKaiser_64fc_I);

}  // namespace oculon::primitives
