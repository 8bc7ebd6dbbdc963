// Transforms of every order against extended-precision references (a direct
// O(N^2) sum up to order 10, a plain radix-2 transform up to 14, bins summed
// directly above) and against their own inverse; the element positions of
// the packed layouts; the normalization flags; the work-buffer sizes; and the
// checks, released specifications included.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

#include "SampleReference.h"
#include "media/primitives/FFT.h"
#include "media/primitives/FFTEngine.h"
#include "media/primitives/FFTStructureLayout.h"

namespace oculon::primitives {
namespace {

using reference::randomDoubles;

// Extended-precision complex values, with plain arithmetic: the library's
// complex type is too slow for millions of terms in a sanitizer build.
struct Cx {
    long double re = 0, im = 0;
};
Cx operator+(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
Cx operator-(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }
Cx operator*(Cx a, Cx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }
using Spectrum = std::vector<Cx>;

constexpr int kMaxTestedOrder = 20;
constexpr double kEps = 0x1p-52;

// e^(-2 pi i k/n), k = 0 .. n-1, from angles of at most pi/4 (where the
// library's extended sine and cosine are quickest), turned by quarters.
Spectrum roots(std::size_t n) {
    Spectrum w(n);
    const long double step = 2 * std::numbers::pi_v<long double> / n;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t quarter = n < 4 ? 0 : 4 * k / n, r = n < 4 ? k : k - quarter * n / 4;
        const bool low = n < 8 || 8 * r <= n;
        const long double a = step * (low ? r : n / 4 - r);
        const long double c = low ? std::cos(a) : std::sin(a), s = low ? std::sin(a) : std::cos(a);
        const Cx turns[4] = {{c, -s}, {-s, -c}, {-c, s}, {s, c}};
        w[k] = turns[quarter];
    }
    return w;
}

void radix2(Spectrum& x, const Spectrum& w, std::size_t stride) {
    const std::size_t n = x.size();
    if (n == 1) return;
    Spectrum even(n / 2), odd(n / 2);
    for (std::size_t i = 0; i < n / 2; ++i) even[i] = x[2 * i], odd[i] = x[2 * i + 1];
    radix2(even, w, 2 * stride);
    radix2(odd, w, 2 * stride);
    for (std::size_t k = 0; k < n / 2; ++k) {
        const Cx t = w[k * stride] * odd[k];
        x[k] = even[k] + t;
        x[k + n / 2] = even[k] - t;
    }
}

// Bins of the unnormalized forward transform, in extended precision: every
// bin up to order 14, then a few (the inverse checks the rest), each summed
// directly; their roots are read in near order, which keeps the sums fast.
constexpr int kFullReferenceOrder = 14;
std::vector<std::pair<std::size_t, Cx>> expectedBins(Spectrum x) {
    const std::size_t n = x.size();
    const Spectrum w = roots(n);
    std::vector<std::pair<std::size_t, Cx>> bins;
    if (n > 1024 && n <= (std::size_t{1} << kFullReferenceOrder)) {
        radix2(x, w, 1);
        for (std::size_t k = 0; k < n; ++k) bins.emplace_back(k, x[k]);
        return bins;
    }
    std::vector<std::size_t> ks = {1, n - 1, n / 2 - 1, n / 2 + 3};
    if (n <= 1024) {
        ks.resize(n);
        for (std::size_t k = 0; k < n; ++k) ks[k] = k;
    }
    for (const std::size_t k : ks) {
        long double re = 0, im = 0;
        for (std::size_t j = 0, jk = 0; j < n; ++j, jk = (jk + k) & (n - 1)) {
            re += x[j].re * w[jk].re - x[j].im * w[jk].im;
            im += x[j].re * w[jk].im + x[j].im * w[jk].re;
        }
        bins.emplace_back(k, Cx{re, im});
    }
    return bins;
}

double rms(const std::vector<double>& v) {
    long double s = 0;
    for (double d : v) s += static_cast<long double>(d) * d;
    return static_cast<double>(std::sqrt(s / static_cast<long double>(v.size())));
}

// A few ulp times log N, relative to the size of the values: the bound of a
// transform's rounding error, per element, for input of that rms.
double bound(int order, double scale) { return 4 * kEps * (order + 1) * scale; }

template <typename Spec, typename Init, typename Free>
struct Owned {
    Spec* p = nullptr;
    Free free;
    Owned(Init init, Free f, int order, int flag) : free(f) {
        EXPECT_EQ(init(&p, order, flag, ippAlgHintNone), ippStsNoErr);
    }
    Owned(const Owned&) = delete;
    ~Owned() {
        if (p) free(p);
    }
    int bufferSize(IppStatus (*query)(const Spec*, int*)) const {
        int size = -1;
        EXPECT_EQ(query(p, &size), ippStsNoErr);
        return size;
    }
};
using ComplexSpec = Owned<IppsFFTSpec_C_64fc, decltype(ippsFFTInitAlloc_C_64fc), decltype(ippsFFTFree_C_64fc)>;
using RealSpec = Owned<IppsFFTSpec_R_64f, decltype(ippsFFTInitAlloc_R_64f), decltype(ippsFFTFree_R_64f)>;
ComplexSpec complexSpec(int order, int flag) { return {ippsFFTInitAlloc_C_64fc, ippsFFTFree_C_64fc, order, flag}; }
RealSpec realSpec(int order, int flag) { return {ippsFFTInitAlloc_R_64f, ippsFFTFree_R_64f, order, flag}; }

const Ipp64fc* asComplex(const std::vector<double>& v) { return reinterpret_cast<const Ipp64fc*>(v.data()); }
Ipp64fc* asComplex(std::vector<double>& v) { return reinterpret_cast<Ipp64fc*>(v.data()); }

int workSplit(int complexOrder) {
    constexpr int split[] = {4, 5, 6, 7, 7, 8, 9, 9, 9};
    return complexOrder < 12 ? -1 : split[complexOrder - 12];
}

TEST(FFT, ComplexTransformsOfEveryOrderMatchTheReference) {
    for (int order = 0; order <= kMaxTestedOrder; ++order) {
        SCOPED_TRACE(order);
        const std::size_t n = std::size_t{1} << order;
        const std::vector<double> x = randomDoubles(2 * n, order);
        Spectrum in(n);
        for (std::size_t i = 0; i < n; ++i) in[i] = {x[2 * i], x[2 * i + 1]};
        const ComplexSpec spec = complexSpec(order, IPP_FFT_DIV_INV_BY_N);
        std::vector<double> out(2 * n), inPlace = x, back(2 * n);
        ASSERT_EQ(ippsFFTFwd_CToC_64fc(asComplex(x), asComplex(out), spec.p, nullptr), ippStsNoErr);
        ASSERT_EQ(ippsFFTFwd_CToC_64fc(asComplex(inPlace), asComplex(inPlace), spec.p, nullptr), ippStsNoErr);
        ASSERT_EQ(std::memcmp(out.data(), inPlace.data(), out.size() * sizeof(double)), 0);
        const double tolerance = bound(order, rms(x) * std::sqrt(double(n))), roundTrip = bound(order, rms(x));
        for (const auto& [k, want] : expectedBins(in)) {
            ASSERT_NEAR(out[2 * k], static_cast<double>(want.re), tolerance) << k;
            ASSERT_NEAR(out[2 * k + 1], static_cast<double>(want.im), tolerance) << k;
        }
        // The inverse divides by N here, so it returns the input.
        ASSERT_EQ(ippsFFTInv_CToC_64fc(asComplex(out), asComplex(back), spec.p, nullptr), ippStsNoErr);
        for (std::size_t i = 0; i < 2 * n; ++i) ASSERT_NEAR(back[i], x[i], roundTrip) << i;
    }
}

// Where each layout keeps bin k (0 .. N/2) of a real spectrum: its parts,
// or the index of an exact 0 standing for one.
struct Layout {
    const char* name;
    std::function<std::size_t(std::size_t n)> length;
    std::function<std::pair<long, long>(std::size_t k, std::size_t n)> place;  // -1: no place, the part is 0
    decltype(&_px_ippsFFTFwd_RToPack_64f) forward, inverse;
};

const Layout kLayouts[] = {
    {"CCS", [](std::size_t n) { return n == 1 ? 2 : n + 2; },
     [](std::size_t k, std::size_t) { return std::pair<long, long>(2 * k, 2 * k + 1); }, ippsFFTFwd_RToCCS_64f,
     ippsFFTInv_CCSToR_64f},
    {"Pack", [](std::size_t n) { return n; },
     [](std::size_t k, std::size_t n) {
         if (k == 0) return std::pair<long, long>(0, -1);
         return 2 * k == n ? std::pair<long, long>(n - 1, -1) : std::pair<long, long>(2 * k - 1, 2 * k);
     },
     _px_ippsFFTFwd_RToPack_64f, _px_ippsFFTInv_PackToR_64f},
    {"Perm", [](std::size_t n) { return n; },
     [](std::size_t k, std::size_t n) {
         if (k == 0) return std::pair<long, long>(0, -1);
         return 2 * k == n ? std::pair<long, long>(1, -1) : std::pair<long, long>(2 * k, 2 * k + 1);
     },
     _px_ippsFFTFwd_RToPerm_64f, _px_ippsFFTInv_PermToR_64f},
};

TEST(FFT, RealTransformsOfEveryOrderFillEachLayout) {
    for (int order = 0; order <= kMaxTestedOrder; ++order) {
        const std::size_t n = std::size_t{1} << order;
        const std::vector<double> x = randomDoubles(n, 100 + order);
        Spectrum in(n);
        for (std::size_t i = 0; i < n; ++i) in[i] = {x[i], 0};
        const auto expected = expectedBins(in);
        const RealSpec spec = realSpec(order, IPP_FFT_DIV_INV_BY_N);
        const double tolerance = bound(order, rms(x) * std::sqrt(double(n))), roundTrip = bound(order, rms(x));
        // In place against out of place; the largest orders leave that to the
        // complex transforms they run.
        const bool inPlaceToo = order <= kFullReferenceOrder;
        for (const Layout& layout : kLayouts) {
            SCOPED_TRACE(std::string(layout.name) + " order " + std::to_string(order));
            std::vector<double> out(layout.length(n), -7.0), inPlace = x, back(n);
            inPlace.resize(out.size());
            ASSERT_EQ(layout.forward(x.data(), out.data(), spec.p, nullptr), ippStsNoErr);
            if (inPlaceToo) {
                ASSERT_EQ(layout.forward(inPlace.data(), inPlace.data(), spec.p, nullptr), ippStsNoErr);
                ASSERT_EQ(out, inPlace);
            }
            for (const auto& [k, want] : expected) {
                if (2 * k > n) continue;
                const auto [re, im] = layout.place(k, n);
                ASSERT_NEAR(out[re], static_cast<double>(want.re), tolerance) << k;
                if (im < 0) continue;
                ASSERT_NEAR(out[im], static_cast<double>(want.im), tolerance) << k;
                // Bins 0 and N/2 are real; CCS keeps their imaginary 0.
                if (k == 0 || 2 * k == n) {
                    ASSERT_EQ(out[im], 0.0) << k;
                }
            }
            ASSERT_EQ(layout.inverse(out.data(), back.data(), spec.p, nullptr), ippStsNoErr);
            if (inPlaceToo) {
                ASSERT_EQ(layout.inverse(out.data(), out.data(), spec.p, nullptr), ippStsNoErr);
                ASSERT_EQ(0, std::memcmp(out.data(), back.data(), n * sizeof(double)));
            }
            for (std::size_t i = 0; i < n; ++i) ASSERT_NEAR(back[i], x[i], roundTrip) << i;
        }
    }
}

TEST(FFT, NormalizationFlagsScaleTheirDirection) {
    struct Flag {
        int flag;
        double forward, inverse;  // factors as powers of N: 0, -1 or -1/2
    };
    const Flag flags[] = {{IPP_FFT_DIV_FWD_BY_N, -1, 0},
                          {IPP_FFT_DIV_INV_BY_N, 0, -1},
                          {IPP_FFT_DIV_BY_SQRTN, -0.5, -0.5},
                          {IPP_FFT_NODIV_BY_ANY, 0, 0}};
    for (int order : {0, 1, 3, 5, 12, 13}) {
        const double n = std::ldexp(1.0, order);
        const std::vector<double> x = randomDoubles(2 << order, order);
        const ComplexSpec plain = complexSpec(order, IPP_FFT_NODIV_BY_ANY);
        const RealSpec plainReal = realSpec(order, IPP_FFT_NODIV_BY_ANY);
        std::vector<double> f0(x.size()), i0(x.size()), r0(x.size() + 2), ri0(x.size());
        ippsFFTFwd_CToC_64fc(asComplex(x), asComplex(f0), plain.p, nullptr);
        ippsFFTInv_CToC_64fc(asComplex(x), asComplex(i0), plain.p, nullptr);
        ippsFFTFwd_RToCCS_64f(x.data(), r0.data(), plainReal.p, nullptr);
        ippsFFTInv_CCSToR_64f(r0.data(), ri0.data(), plainReal.p, nullptr);
        for (const Flag& fl : flags) {
            SCOPED_TRACE(std::to_string(order) + " flag " + std::to_string(fl.flag));
            const ComplexSpec spec = complexSpec(order, fl.flag);
            const RealSpec real = realSpec(order, fl.flag);
            std::vector<double> f(x.size()), i(x.size()), r(x.size() + 2), ri(x.size());
            ippsFFTFwd_CToC_64fc(asComplex(x), asComplex(f), spec.p, nullptr);
            ippsFFTInv_CToC_64fc(asComplex(x), asComplex(i), spec.p, nullptr);
            ippsFFTFwd_RToCCS_64f(x.data(), r.data(), real.p, nullptr);
            ippsFFTInv_CCSToR_64f(r0.data(), ri.data(), real.p, nullptr);
            const double tol = bound(order, n);
            for (std::size_t k = 0; k < x.size(); ++k) {
                ASSERT_NEAR(f[k], f0[k] * std::pow(n, fl.forward), tol);
                ASSERT_NEAR(i[k], i0[k] * std::pow(n, fl.inverse), tol);
                ASSERT_NEAR(r[k], r0[k] * std::pow(n, fl.forward), tol);
                if (k < x.size() / 2) {
                    ASSERT_NEAR(ri[k], ri0[k] * std::pow(n, fl.inverse), tol);
                }
            }
        }
    }
}

// The size query follows the split of each order; a caller's buffer of
// exactly that size, at any alignment, gives the same bits as none.
TEST(FFT, WorkBufferSizeAndCallersBuffer) {
    for (int order = 0; order <= kMaxTestedOrder; ++order) {
        SCOPED_TRACE(order);
        const ComplexSpec c = complexSpec(order, IPP_FFT_NODIV_BY_ANY);
        const RealSpec r = realSpec(order, IPP_FFT_NODIV_BY_ANY);
        const int cs = workSplit(order), rs = workSplit(order - 1);
        const int size = c.bufferSize(_px_ippsFFTGetBufSize_C_64fc);
        EXPECT_EQ(size, cs < 0 ? 0 : (64 << cs) + 16);
        EXPECT_EQ(r.bufferSize(_px_ippsFFTGetBufSize_R_64f), rs < 0 ? 0 : (64 << rs) + 16);
        if (order < 12 || order > 14) continue;
        const std::vector<double> x = randomDoubles(2 << order, order);
        std::vector<double> none(x.size()), given(x.size());
        ippsFFTFwd_CToC_64fc(asComplex(x), asComplex(none), c.p, nullptr);
        for (int offset = 1; offset < 16; offset += 7) {
            std::vector<Ipp8u> buffer(static_cast<std::size_t>(size + offset));
            ippsFFTFwd_CToC_64fc(asComplex(x), asComplex(given), c.p, buffer.data() + offset);
            EXPECT_EQ(none, given);
        }
    }
}

// The fields of an FFT structure, read through its handle where the layout
// puts them.
TEST(FFT, SpecificationFieldsLieWhereTheLayoutPutsThem) {
    auto fields = [](const void* spec) { return static_cast<const FFTStructureLayout*>(spec); };
    {
        const ComplexSpec c = complexSpec(12, IPP_FFT_DIV_INV_BY_N);
        const FFTStructureLayout* f = fields(c.p);
        EXPECT_EQ(f->id, 7u);
        EXPECT_EQ(f->order, 12);
        EXPECT_EQ(f->forwardScaled, 0u);
        EXPECT_EQ(f->inverseScaled, 1u);
        EXPECT_EQ(f->scale, 1.0 / 4096);
        EXPECT_EQ(f->hint, ippAlgHintNone);
        EXPECT_EQ(f->workBytes, 64 << 4);
        EXPECT_EQ(f->allocated, 1u);
        EXPECT_NE(f->bitReversal, nullptr);
        EXPECT_NE(f->passTwiddles, nullptr);
        EXPECT_NE(f->columnPassTwiddles[0], nullptr);
        EXPECT_NE(f->columnRoots[0], nullptr);
        EXPECT_EQ(f->realRecombination, nullptr);
    }
    {
        const RealSpec r = realSpec(6, IPP_FFT_DIV_BY_SQRTN);
        const FFTStructureLayout* f = fields(r.p);
        EXPECT_EQ(f->id, 9u);
        EXPECT_EQ(f->forwardScaled + f->inverseScaled, 2u);
        EXPECT_EQ(f->scale, 0.125);
        EXPECT_EQ(f->workBytes, 0);
        EXPECT_NE(f->realRecombination, nullptr);
        EXPECT_NE(f->inverseRecombination, nullptr);
    }
    const ComplexSpec small = complexSpec(3, IPP_FFT_NODIV_BY_ANY);
    EXPECT_EQ(fields(small.p)->scale, 0.0);
    EXPECT_EQ(fields(small.p)->bitReversal, nullptr);
    // Release clears the identification; a structure marked as not
    // allocated by creation is only marked released.
    IppsFFTSpec_C_64fc* spec = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&spec, 5, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone), ippStsNoErr);
    auto* f = reinterpret_cast<FFTStructureLayout*>(spec);
    f->allocated = 0;
    EXPECT_EQ(ippsFFTFree_C_64fc(spec), ippStsNoErr);
    EXPECT_EQ(f->id, 0u);
    EXPECT_NE(f->passTwiddles, nullptr);
    f->id = 7;
    f->allocated = 1;
    EXPECT_EQ(ippsFFTFree_C_64fc(spec), ippStsNoErr);
    EXPECT_EQ(f->id, 0u);
    EXPECT_EQ(f->passTwiddles, nullptr);
}

TEST(FFT, ChecksComeInOrderAndWriteNothing) {
    IppsFFTSpec_C_64fc* c = nullptr;
    IppsFFTSpec_R_64f* r = nullptr;
    EXPECT_EQ(ippsFFTInitAlloc_C_64fc(nullptr, 3, 8, ippAlgHintNone), ippStsNullPtrErr);
    for (int order : {-1, 31}) EXPECT_EQ(ippsFFTInitAlloc_R_64f(&r, order, 0, ippAlgHintNone), ippStsFftOrderErr);
    for (int flag : {0, 3, 16}) EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&c, 4, flag, ippAlgHintNone), ippStsFftFlagErr);
    EXPECT_EQ(c, nullptr);
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&c, 4, 8, ippAlgHintNone), ippStsNoErr);
    ASSERT_EQ(ippsFFTInitAlloc_R_64f(&r, 4, 8, ippAlgHintNone), ippStsNoErr);
    std::vector<double> v(34, 1.0), untouched = v;
    auto* wrongC = reinterpret_cast<IppsFFTSpec_C_64fc*>(r);
    auto* wrongR = reinterpret_cast<IppsFFTSpec_R_64f*>(c);
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(asComplex(v), asComplex(v), nullptr, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(asComplex(v), asComplex(v), wrongC, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTInv_CToC_64fc(nullptr, asComplex(v), c, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFFTFwd_RToCCS_64f(v.data(), v.data(), wrongR, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(_px_ippsFFTInv_PermToR_64f(v.data(), nullptr, r, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFFTFree_C_64fc(wrongC), ippStsContextMatchErr);
    int size = 0;
    EXPECT_EQ(_px_ippsFFTGetBufSize_R_64f(wrongR, &size), ippStsContextMatchErr);
    EXPECT_EQ(_px_ippsFFTGetBufSize_C_64fc(nullptr, &size), ippStsNullPtrErr);
    EXPECT_EQ(v, untouched);

    // A released specification is refused, never read as freed memory.
    ASSERT_EQ(ippsFFTFree_C_64fc(c), ippStsNoErr);
    ASSERT_EQ(ippsFFTFree_R_64f(r), ippStsNoErr);
    EXPECT_EQ(ippsFFTFwd_CToC_64fc(asComplex(v), asComplex(v), c, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(_px_ippsFFTFwd_RToPack_64f(v.data(), v.data(), r, nullptr), ippStsContextMatchErr);
    EXPECT_EQ(_px_ippsFFTGetBufSize_C_64fc(c, &size), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTFree_C_64fc(c), ippStsContextMatchErr);
    EXPECT_EQ(ippsFFTFree_R_64f(r), ippStsContextMatchErr);
    EXPECT_EQ(v, untouched);
}

TEST(FFT, PackedProductsMultiplyBinByBin) {
    for (int len = 1; len <= 9; ++len) {
        SCOPED_TRACE(len);
        const std::vector<double> a = randomDoubles(len, len), b = randomDoubles(len, 50 + len);
        const bool even = len % 2 == 0;
        std::vector<double> pack = b, perm = b;
        ASSERT_EQ(_px_ippsMulPackConj_64f_I(a.data(), pack.data(), len), ippStsNoErr);
        ASSERT_EQ(_px_ippsMulPerm_64f_I(a.data(), perm.data(), len), ippStsNoErr);
        // Real bins, then the pairs.
        EXPECT_EQ(pack[0], a[0] * b[0]);
        EXPECT_EQ(perm[0], a[0] * b[0]);
        if (even) {
            EXPECT_EQ(pack[len - 1], a[len - 1] * b[len - 1]);
            EXPECT_EQ(perm[1], a[1] * b[1]);
        }
        for (int i = 1; i + 1 < len - (even ? 1 : 0); i += 2) {
            const std::complex<double> p = std::complex(a[i], a[i + 1]) * std::conj(std::complex(b[i], b[i + 1]));
            EXPECT_EQ(pack[i], p.real());
            EXPECT_EQ(pack[i + 1], p.imag());
        }
        for (int i = even ? 2 : 1; i + 1 < len; i += 2) {
            EXPECT_EQ(perm[i], a[i] * b[i] - a[i + 1] * b[i + 1]);
            EXPECT_EQ(perm[i + 1], a[i] * b[i + 1] + a[i + 1] * b[i]);
        }
    }
    double v = 1;
    EXPECT_EQ(_px_ippsMulPerm_64f_I(nullptr, &v, 1), ippStsNullPtrErr);
    EXPECT_EQ(_px_ippsMulPackConj_64f_I(&v, &v, 0), ippStsSizeErr);
}

// The vector lanes against the interleaved path, both directions, scaled and
// not, complex and real, in place and out of place into destinations at
// every offset from a cache line: the same bits where both run the same
// butterflies (complex orders up to 10, real up to 11), within rounding of
// each other above, where the interleaved path splits the transform into
// rows and columns.
TEST(FFT, VectorLanesAgreeWithTheInterleavedPath) {
    for (int order = 4; order <= 17; ++order) {
        const std::size_t n = std::size_t{1} << order;
        const std::vector<double> x = randomDoubles(2 * n + 2, 300 + order);
        std::vector<double> buffer(2 * n + 2 + 8);
        for (int flag : {IPP_FFT_NODIV_BY_ANY, IPP_FFT_DIV_BY_SQRTN}) {
            const ComplexSpec c = complexSpec(order, flag);
            const RealSpec r = realSpec(order, flag);
            // Complex forward and inverse, real forward and inverse (x read
            // as a CCS spectrum); in place on a copy of x, or from x into the
            // buffer at `offset` doubles. Nothing outside the arrays changes.
            auto run = [&](FFTLanes lanes, bool inPlace, std::size_t offset) {
                limitFFTLanes(lanes);
                std::vector<std::vector<double>> out;
                for (int i = 0; i < 4; ++i) {
                    constexpr double kGuard = -12345.0;
                    std::fill(buffer.begin(), buffer.end(), kGuard);
                    double* to = buffer.data() + offset;
                    const std::size_t read = i < 2 ? 2 * n : i == 2 ? n : n + 2;
                    const std::size_t written = i < 2 ? 2 * n : i == 2 ? n + 2 : n;
                    if (inPlace) std::copy(x.begin(), x.begin() + static_cast<long>(read), to);
                    const double* from = inPlace ? to : x.data();
                    if (i == 0)
                        ippsFFTFwd_CToC_64fc(reinterpret_cast<const Ipp64fc*>(from), reinterpret_cast<Ipp64fc*>(to),
                                             c.p, nullptr);
                    if (i == 1)
                        ippsFFTInv_CToC_64fc(reinterpret_cast<const Ipp64fc*>(from), reinterpret_cast<Ipp64fc*>(to),
                                             c.p, nullptr);
                    if (i == 2) ippsFFTFwd_RToCCS_64f(from, to, r.p, nullptr);
                    if (i == 3) ippsFFTInv_CCSToR_64f(from, to, r.p, nullptr);
                    out.emplace_back(to, to + written);
                    const std::size_t end = offset + (inPlace ? std::max(read, written) : written);
                    for (std::size_t k = 0; k < buffer.size(); ++k) {
                        if (k < offset || k >= end) {
                            EXPECT_EQ(buffer[k], kGuard) << i << " " << k;
                        }
                    }
                }
                return out;
            };
            const auto plain = run(FFTLanes::None, false, 0);
            SCOPED_TRACE("order " + std::to_string(order) + " flag " + std::to_string(flag));
            const auto got = run(FFTLanes::Avx512, false, 0);
            EXPECT_TRUE(run(FFTLanes::Avx512, true, 0) == got);
            for (std::size_t offset = 1; offset < 8; ++offset)
                EXPECT_TRUE(run(FFTLanes::Avx512, false, offset) == got) << offset;
            for (std::size_t i = 0; i < 4; ++i) {
                if (order <= (i < 2 ? 10 : 11)) {
                    EXPECT_TRUE(got[i] == plain[i]) << i;
                    continue;
                }
                const double size = flag == IPP_FFT_NODIV_BY_ANY ? rms(x) * std::sqrt(double(n)) : rms(x);
                for (std::size_t k = 0; k < got[i].size(); ++k)
                    ASSERT_NEAR(got[i][k], plain[i][k], 2 * bound(order, size)) << i << " " << k;
            }
        }
    }
    limitFFTLanes(FFTLanes::Avx512);
}
}  // namespace
}  // namespace oculon::primitives
