#include "media/primitives/SmallDFT.h"

namespace oculon::primitives {

namespace {

using Extended = long double;

struct Cx {
    Extended re, im;
};

inline Cx operator+(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
inline Cx operator-(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }

constexpr Extended kHalfSqrt2 = 0.70710678118654757L;

// Multiplies by e^(-i pi/2) going forward, by e^(+i pi/2) going back.
template <bool Inverse>
Cx quarterTurn(Cx a) {
    if constexpr (Inverse) return {-a.im, a.re};
    else return {a.im, -a.re};
}

// Multiplies by e^(-i pi/4) going forward, by e^(+i pi/4) going back.
template <bool Inverse>
Cx eighthTurn(Cx a) {
    if constexpr (Inverse) return {(a.re - a.im) * kHalfSqrt2, (a.re + a.im) * kHalfSqrt2};
    else return {(a.re + a.im) * kHalfSqrt2, (a.im - a.re) * kHalfSqrt2};
}

// In place, natural order in and out.
template <int Order, bool Inverse>
void dft(Cx* x) {
    if constexpr (Order == 1) {
        const Cx a = x[0], b = x[1];
        x[0] = a + b;
        x[1] = a - b;
    } else if constexpr (Order == 2) {
        const Cx a = x[0] + x[2], b = x[0] - x[2];
        const Cx c = x[1] + x[3], d = quarterTurn<Inverse>(x[1] - x[3]);
        x[0] = a + c;
        x[2] = a - c;
        x[1] = b + d;
        x[3] = b - d;
    } else if constexpr (Order == 3) {
        // Radix 2 in time: the 4-point transforms of the even and the odd
        // inputs, the odd ones turned by the eighth roots of unity.
        Cx even[4] = {x[0], x[2], x[4], x[6]};
        Cx odd[4] = {x[1], x[3], x[5], x[7]};
        dft<2, Inverse>(even);
        dft<2, Inverse>(odd);
        odd[1] = eighthTurn<Inverse>(odd[1]);
        odd[2] = quarterTurn<Inverse>(odd[2]);
        odd[3] = quarterTurn<Inverse>(eighthTurn<Inverse>(odd[3]));
        for (int k = 0; k < 4; ++k) {
            x[k] = even[k] + odd[k];
            x[k + 4] = even[k] - odd[k];
        }
    }
}

template <bool Scaled>
Cx scaled(Extended re, Extended im, double scale) {
    if constexpr (Scaled) return {re * scale, im * scale};
    else return {re, im};
}

template <int Order, bool Inverse, bool Scaled>
void complexKernel(const Ipp64fc* src, Ipp64fc* dst, double scale) {
    constexpr int n = 1 << Order;
    Cx x[n];
    for (int i = 0; i < n; ++i) x[i] = scaled<Scaled>(src[i].re, src[i].im, scale);
    dft<Order, Inverse>(x);
    for (int i = 0; i < n; ++i) dst[i] = {static_cast<double>(x[i].re), static_cast<double>(x[i].im)};
}

// The spectrum of real input is conjugate-symmetric: the Perm layout keeps
// bins 0 and n/2 (both real) and the lower half.
template <int Order, bool Scaled>
void realForwardKernel(const Ipp64f* src, Ipp64f* perm, double scale) {
    constexpr int n = 1 << Order;
    Cx x[n];
    for (int i = 0; i < n; ++i) x[i] = scaled<Scaled>(src[i], 0, scale);
    dft<Order, false>(x);
    perm[0] = static_cast<double>(x[0].re);
    if constexpr (n > 1) perm[1] = static_cast<double>(x[n / 2].re);
    for (int k = 1; k < n / 2; ++k) {
        perm[2 * k] = static_cast<double>(x[k].re);
        perm[2 * k + 1] = static_cast<double>(x[k].im);
    }
}

template <int Order, bool Scaled>
void realInverseKernel(const Ipp64f* perm, Ipp64f* dst, double scale) {
    constexpr int n = 1 << Order;
    Cx x[n];
    x[0] = scaled<Scaled>(perm[0], 0, scale);
    if constexpr (n > 1) x[n / 2] = scaled<Scaled>(perm[1], 0, scale);
    for (int k = 1; k < n / 2; ++k) {
        x[k] = scaled<Scaled>(perm[2 * k], perm[2 * k + 1], scale);
        x[n - k] = {x[k].re, -x[k].im};
    }
    dft<Order, true>(x);
    for (int i = 0; i < n; ++i) dst[i] = static_cast<double>(x[i].re);
}

using ComplexKernel = void (*)(const Ipp64fc*, Ipp64fc*, double);
using RealKernel = void (*)(const Ipp64f*, Ipp64f*, double);

// [inverse][scaled][order]
constexpr ComplexKernel kComplexKernels[2][2][4] = {
    {{complexKernel<0, false, false>, complexKernel<1, false, false>, complexKernel<2, false, false>,
      complexKernel<3, false, false>},
     {complexKernel<0, false, true>, complexKernel<1, false, true>, complexKernel<2, false, true>,
      complexKernel<3, false, true>}},
    {{complexKernel<0, true, false>, complexKernel<1, true, false>, complexKernel<2, true, false>,
      complexKernel<3, true, false>},
     {complexKernel<0, true, true>, complexKernel<1, true, true>, complexKernel<2, true, true>,
      complexKernel<3, true, true>}},
};

// [scaled][order]
constexpr RealKernel kRealForward[2][4] = {
    {realForwardKernel<0, false>, realForwardKernel<1, false>, realForwardKernel<2, false>,
     realForwardKernel<3, false>},
    {realForwardKernel<0, true>, realForwardKernel<1, true>, realForwardKernel<2, true>, realForwardKernel<3, true>},
};
constexpr RealKernel kRealInverse[2][4] = {
    {realInverseKernel<0, false>, realInverseKernel<1, false>, realInverseKernel<2, false>,
     realInverseKernel<3, false>},
    {realInverseKernel<0, true>, realInverseKernel<1, true>, realInverseKernel<2, true>, realInverseKernel<3, true>},
};

}  // namespace

void smallComplexDFT(int order, bool inverse, const Ipp64fc* src, Ipp64fc* dst, const double* scale) {
    kComplexKernels[inverse][scale != nullptr][order](src, dst, scale ? *scale : 1.0);
}

void smallRealForward(int order, const Ipp64f* src, Ipp64f* perm, const double* scale) {
    kRealForward[scale != nullptr][order](src, perm, scale ? *scale : 1.0);
}

void smallRealInverse(int order, const Ipp64f* perm, Ipp64f* dst, const double* scale) {
    kRealInverse[scale != nullptr][order](perm, dst, scale ? *scale : 1.0);
}

}  // namespace oculon::primitives
