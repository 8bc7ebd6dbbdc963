// Windows against their closed formulas, odd and even lengths, real and
// complex forms, and the limits of the arguments.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <vector>

#include "media/primitives/SignalWindows.h"

namespace oculon::primitives {
namespace {

using std::numbers::pi;

struct Window {
    const char* name;
    std::function<IppStatus(const double*, double*, int)> real;
    std::function<IppStatus(Ipp64fc*, int)> complex;
    std::function<double(int n, int N)> formula;
    double tolerance;
};

// The cosines come from a rotation recurrence whose step sine is derived
// from the step cosine; its error grows with the window length.
constexpr double kRecurrence = 1e-10;

std::vector<Window> windows() {
    const double alpha = 0.16;
    const float kaiserAlpha = 0.4f;
    auto i0 = [](double x) { return std::cyl_bessel_i(0.0, x); };
    return {
        {"Bartlett", ippsWinBartlett_64f, ippsWinBartlett_64fc_I,
         [](int n, int N) { return n <= (N - 1) / 2.0 ? 2.0 * n / (N - 1) : 2.0 - 2.0 * n / (N - 1); }, 1e-15},
        {"Hann", ippsWinHann_64f, ippsWinHann_64fc_I,
         [](int n, int N) { return 0.5 - 0.5 * std::cos(2 * pi * n / (N - 1)); }, kRecurrence},
        {"Hamming", ippsWinHamming_64f, ippsWinHamming_64fc_I,
         [](int n, int N) { return 0.54 - 0.46 * std::cos(2 * pi * n / (N - 1)); }, kRecurrence},
        {"Blackman", [=](const double* s, double* d, int N) { return ippsWinBlackman_64f(s, d, N, alpha); },
         [=](Ipp64fc* v, int N) { return ippsWinBlackman_64fc_I(v, N, alpha); },
         [=](int n, int N) {
             return (alpha + 1) / 2 - 0.5 * std::cos(2 * pi * n / (N - 1)) - alpha / 2 * std::cos(4 * pi * n / (N - 1));
         },
         kRecurrence},
        // The polynomial approximation of I0 is good to about 1e-7.
        {"Kaiser", [=](const double* s, double* d, int N) { return ippsWinKaiser_64f(s, d, N, kaiserAlpha); },
         [=](Ipp64fc* v, int N) { return ippsWinKaiser_64fc_I(v, N, kaiserAlpha); },
         [=](int n, int N) {
             const double a = kaiserAlpha;
             return i0(a * std::sqrt(double(n) * (N - 1 - n))) / i0(a * (N - 1) / 2.0);
         },
         1e-6},
    };
}

TEST(SignalWindows, WeightsFollowTheClosedFormulas) {
    for (const Window& w : windows())
        for (int N : {3, 4, 5, 6, 16, 17, 255, 256, 1000}) {
            SCOPED_TRACE(std::string(w.name) + " N=" + std::to_string(N));
            std::vector<double> src(N), dst(N);
            std::vector<Ipp64fc> c(N);
            for (int n = 0; n < N; ++n) src[n] = 1.0 + 0.5 * (n % 3), c[n] = {src[n], -2 * src[n]};
            ASSERT_EQ(w.real(src.data(), dst.data(), N), 0);
            ASSERT_EQ(w.complex(c.data(), N), 0);
            for (int n = 0; n < N; ++n) {
                const double want = src[n] * w.formula(n, N);
                ASSERT_NEAR(dst[n], want, w.tolerance * src[n]) << n;
                ASSERT_EQ(c[n].re, dst[n]) << n;
                ASSERT_EQ(c[n].im, -2 * dst[n]) << n;
            }
            if (N % 2) {
                EXPECT_EQ(dst[N / 2], src[N / 2]);  // the odd middle is copied
            }
        }
}

TEST(SignalWindows, ArgumentLimits) {
    std::vector<double> v(1001, 1.0);
    for (const Window& w : windows()) {
        SCOPED_TRACE(w.name);
        EXPECT_EQ(w.real(nullptr, v.data(), 0), ippStsNullPtrErr);
        EXPECT_EQ(w.complex(nullptr, 5), ippStsNullPtrErr);
        EXPECT_EQ(w.real(v.data(), v.data(), 0), ippStsSizeErr);
        EXPECT_EQ(w.complex(reinterpret_cast<Ipp64fc*>(v.data()), -1), ippStsSizeErr);
    }
    EXPECT_EQ(ippsWinHann_64f_I(v.data(), 2), ippStsSizeErr);
    EXPECT_EQ(ippsWinBartlett_64f_I(v.data(), 2), ippStsSizeErr);
    EXPECT_EQ(v[0], 1.0);

    // Kaiser: one element is copied; |alpha| (N-1)/2 above 308 is refused.
    double one = 3.5, out = 0;
    ASSERT_EQ(ippsWinKaiser_64f(&one, &out, 1, 100.0f), 0);
    EXPECT_EQ(out, 3.5);
    EXPECT_EQ(ippsWinKaiser_64f_I(v.data(), 1001, 1.0f), ippStsHugeWinErr);
    EXPECT_EQ(ippsWinKaiser_64f_I(v.data(), 1001, -0.617f), ippStsHugeWinErr);
    EXPECT_EQ(v[0], 1.0);
    ASSERT_EQ(ippsWinKaiser_64f_I(v.data(), 1001, 0.6f), 0);
    const double edge = std::cyl_bessel_i(0.0, 500.0 * double{0.6f});
    EXPECT_NEAR(v[0], 1.0 / edge, 1e-7 / edge);
    // n (N-1-n) passes 2^31 in a window this long.
    std::vector<double> longWindow(100001, 1.0);
    ASSERT_EQ(ippsWinKaiser_64f_I(longWindow.data(), 100001, 0.006f), 0);
    const double a = double{0.006f};
    for (int n : {0, 30000, 49999})
        EXPECT_NEAR(longWindow[n],
                    std::cyl_bessel_i(0.0, a * std::sqrt(double(n) * (100000 - n))) / std::cyl_bessel_i(0.0, a * 50000),
                    1e-6);
    std::vector<double> flat(9, 2.0);
    ASSERT_EQ(ippsWinKaiser_64f_I(flat.data(), 9, 0.0f), 0);
    for (double x : flat) EXPECT_NEAR(x, 2.0, 1e-15);
}

TEST(SignalWindows, BartlettEndsAreZeroWhateverTheSourceHolds) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> v = {inf, 1, 1, 1, std::nan("")};
    ASSERT_EQ(ippsWinBartlett_64f_I(v.data(), 5), 0);
    EXPECT_EQ(v, (std::vector<double>{0, 0.5, 1, 0.5, 0}));
    std::vector<double> h = {1, 1, 1, 1};
    ASSERT_EQ(ippsWinHamming_64f_I(h.data(), 4), 0);
    EXPECT_NEAR(h[0], 0.08, 1e-15);
    EXPECT_NEAR(h[1], 0.77, 1e-15);
    EXPECT_EQ(h[1], h[2]);
}

}  // namespace
}  // namespace oculon::primitives
