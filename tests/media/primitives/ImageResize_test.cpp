// Resize: the linear path bit-exact against its rules written out plainly
// (random sizes, up and down, every layout, bottom-up images), the AVX2 rows
// against the plain ones, the downgrade by source size, nearest neighbour,
// super-sampling against exact area means, cubic and Lanczos against their
// direct formulas, the argument checks, the mended faults, and random
// geometry that the sanitizers watch.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "media/primitives/ImageResize.h"
#include "media/primitives/ResizeKernels.h"
#include "media/primitives/ResizeLinear.h"

namespace oculon::primitives {
namespace {

std::mt19937 rng(26);

int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

// An image of noise with padded rows, stored top-down or bottom-up (then its
// step is negative). Buffers are exactly as large as the rows they hold, so
// the address sanitizer sees any read past them.
template <typename T>
struct Image {
    int w, h, channels, pitch;  // pitch in samples
    bool bottomUp;
    std::vector<T> data;

    Image(int w_, int h_, int channels_, bool bottomUp_ = false, int pad = 0)
        : w(w_), h(h_), channels(channels_), pitch(w_ * channels_ + pad), bottomUp(bottomUp_) {
        data.resize(static_cast<size_t>(pitch) * h);
        for (T& v : data) v = static_cast<T>(rng());
    }
    T* origin() { return data.data() + (bottomUp ? static_cast<ptrdiff_t>(h - 1) * pitch : 0); }
    const T* origin() const { return const_cast<Image*>(this)->origin(); }
    int step() const { return (bottomUp ? -pitch : pitch) * static_cast<int>(sizeof(T)); }
    ptrdiff_t rowOffset(int y) const { return static_cast<ptrdiff_t>(bottomUp ? -y : y) * pitch; }
    T& at(int x, int y, int c) { return origin()[rowOffset(y) + x * channels + c]; }
    T at(int x, int y, int c) const { return origin()[rowOffset(y) + x * channels + c]; }
    IppiSize size() const { return {w, h}; }
};

// The processed size rule: 0 where the driver answers -201.
int processed(int region, double factor, int dst) {
    const double c = region * factor + 1e-7;
    if (dst <= c) return dst;
    return c >= 1 ? static_cast<int>(c) : c >= 0.5 ? 1 : 0;
}

// Source position of destination pixel k along one axis.
std::vector<double> positions(int region, double factor, int count, bool centres) {
    std::vector<double> p(static_cast<size_t>(count));
    const double span = region * factor;
    const double s = centres ? 1 / factor : span > 1 ? (region - 1) / (span - 1) : 0;
    double q = centres ? 0.5 * s : 0;
    for (double& v : p) v = q, q += s;
    return p;
}

// ---- Linear, written out from the rules.

struct FixedAxis {
    std::vector<int> node, weight;  // weight: the right (lower) share, of 16384
};

FixedAxis fixedAxis(int origin, int image, int region, double factor, int count) {
    FixedAxis a;
    for (double p : positions(region, factor, count, false)) {
        int i = static_cast<int>(p + 1e-7), w = 16384;
        if (origin + i == image - 1) --i;
        else w = static_cast<int>((p - i) * 16384 + 1e-7);
        a.node.push_back(i);
        a.weight.push_back(w);
    }
    return a;
}

struct Form {
    const char* name;
    int channels, layout, sampleType;
    std::function<IppStatus(const void*, IppiSize, int, TVDImageRect, void*, int, IppiSize, double, double, int)>
        resize;
};

template <typename T, typename Fn>
Form entry(const char* name, int channels, Fn fn) {
    return {
        name, channels, channels, sizeof(T) == 1 ? kSample8u : kSample16u,
        [fn](const void* s, IppiSize ss, int sst, TVDImageRect roi, void* d, int dst, IppiSize ds, double fx, double fy,
             int in) { return fn(static_cast<const T*>(s), ss, sst, roi, static_cast<T*>(d), dst, ds, fx, fy, in); }};
}

std::vector<Form> linearForms() {
    return {
        entry<Ipp8u>("8u_C1", 1, ippiResize_8u_C1R),
        entry<Ipp8u>("8u_C3", 3, ippiResize_8u_C3R),
        entry<Ipp8u>("8u_C4", 4, ippiResize_8u_C4R),
        entry<Ipp16u>("16u_C1", 1, ippiResize_16u_C1R),
        {"8u_AC4", 4, 3, kSample8u,
         [](const void* s, IppiSize ss, int sst, TVDImageRect roi, void* d, int dst, IppiSize ds, double fx, double fy,
            int in) { return ownpiResize(s, ss, sst, roi, d, dst, ds, fx, fy, 0, 0, 4, 3, kSample8u, 0, in); }}};
}

struct Case {
    int sw, sh;
    TVDImageRect roi;
    IppiSize dst;
    double fx, fy;
};

template <typename T>
void checkLinear(const Form& form, const Case& c, bool bottomUp) {
    constexpr bool k8 = sizeof(T) == 1;
    Image<T> src(c.sw, c.sh, form.channels, bottomUp, uniform(0, 2));
    Image<T> dst(c.dst.width, c.dst.height, form.channels, false, uniform(0, 2));
    const Image<T> before = dst;
    const IppStatus st = form.resize(src.origin(), src.size(), src.step(), c.roi, dst.origin(), dst.step(), c.dst, c.fx,
                                     c.fy, kResizeLinear);
    const int rw = std::min(c.roi.Width, c.sw - c.roi.X), rh = std::min(c.roi.Height, c.sh - c.roi.Y);
    const int W = processed(rw, c.fx, c.dst.width), H = W ? processed(rh, c.fy, c.dst.height) : 0;
    ASSERT_EQ(st, W && H ? ippStsNoErr : kResizeTooSmall) << form.name;
    const FixedAxis xs = fixedAxis(c.roi.X, c.sw, rw, c.fx, W), ys = fixedAxis(c.roi.Y, c.sh, rh, c.fy, H);
    const unsigned hShift = k8 ? 8 : 14, vShift = k8 ? 20 : 14;
    for (int y = 0; y < c.dst.height; ++y)
        for (int x = 0; x < c.dst.width; ++x)
            for (int ch = 0; ch < form.channels; ++ch) {
                unsigned want = before.at(x, y, ch);
                if (x < W && y < H && ch < form.layout) {
                    auto h = [&](int row) {
                        const int sx = c.roi.X + xs.node[x], wx = xs.weight[x];
                        const unsigned a = src.at(sx, row, ch), b = src.at(sx + 1, row, ch);
                        return ((16384u - wx) * a + wx * b + (1u << (hShift - 1))) >> hShift;
                    };
                    const int sy = c.roi.Y + ys.node[y], wy = ys.weight[y];
                    want = (h(sy) * (16384u - wy) + h(sy + 1) * wy + (1u << (vShift - 1))) >> vShift;
                }
                ASSERT_EQ(dst.at(x, y, ch), want)
                    << form.name << " " << c.sw << "x" << c.sh << " roi " << c.roi.X << "," << c.roi.Y << " "
                    << c.roi.Width << "x" << c.roi.Height << " -> " << x << "," << y << "," << ch;
            }
}

Case randomCase(int maxSide, int minSide = 2) {
    Case c{};
    c.sw = uniform(minSide, maxSide);
    c.sh = uniform(minSide, maxSide);
    c.roi = {uniform(0, c.sw - 1), uniform(0, c.sh - 1), 0, 0};
    c.roi.Width = uniform(1, c.sw - c.roi.X + 2);
    c.roi.Height = uniform(1, c.sh - c.roi.Y + 2);
    c.dst = {uniform(1, 2 * maxSide), uniform(1, 2 * maxSide)};
    auto factor = [](int region, int dst) {
        // Exact ratios as the video buffers pass them, or any scale.
        return uniform(0, 1) ? static_cast<double>(dst) / region : std::exp2(uniform(-300, 300) / 100.0);
    };
    c.fx = factor(c.roi.Width, c.dst.width);
    c.fy = factor(c.roi.Height, c.dst.height);
    return c;
}

TEST(ImageResize, LinearIsBitExactToItsRules) {
    const std::vector<Form> forms = linearForms();
    auto check = [](const Form& form, const Case& c, bool bottomUp) {
        if (form.sampleType == kSample8u) checkLinear<Ipp8u>(form, c, bottomUp);
        else checkLinear<Ipp16u>(form, c, bottomUp);
    };
    for (const Form& form : forms)
        for (int n = 0; n < 150; ++n) check(form, randomCase(64), n % 3 == 0);
    // The export's frame sizes, each on another layout.
    check(forms[1], {1920, 1080, {0, 0, 1920, 1080}, {1280, 720}, 1280 / 1920.0, 720 / 1080.0}, true);
    check(forms[2], {640, 480, {0, 0, 640, 480}, {1280, 960}, 2.0, 2.0}, false);
    check(forms[3], {1280, 720, {16, 8, 1264, 712}, {320, 240}, 0.25, 1 / 3.0}, true);
}

TEST(ImageResize, AvxRowsGiveThePlainRowsValues) {
    const resize::LinearRows8* avx = resize::linearRows8For(resize::LinearIsa::Avx2);
    if (!avx) GTEST_SKIP() << "no AVX2";
    const resize::LinearRows8& plain = *resize::linearRows8For(resize::LinearIsa::Plain);
    for (int n = 0; n < 400; ++n) {
        int w = uniform(0, 70), spacing = uniform(3, 4), values = n % 3 == 0 ? 1 : n % 3 == 1 ? 3 : 4;
        if (values != 3) spacing = values;
        std::vector<int> cols;
        for (int k = 0, col = 0; k < w; ++k) cols.push_back((col += uniform(0, 3)) * spacing);
        const int rowSamples = (w ? cols.back() : 0) + 2 * spacing;  // the last right neighbour ends the row
        std::vector<Ipp8u> row(static_cast<size_t>(rowSamples));
        for (auto& v : row) v = static_cast<Ipp8u>(rng());
        std::vector<Ipp16u> weights;
        for (int k = 0; k < w; ++k) {
            const int wx = uniform(0, 3) == 0 ? 16384 * uniform(0, 1) : uniform(0, 16384);
            weights.push_back(static_cast<Ipp16u>(16384 - wx));
            weights.push_back(static_cast<Ipp16u>(wx));
        }
        auto coef = [&](const resize::LinearRows8& r) {
            std::vector<Ipp16u> out(4 * static_cast<size_t>(w) + 16, 7);
            const auto fn = values == 1 ? r.coefPl : values == 3 ? r.coefPx : r.coefPx4;
            fn(row.data(), w, spacing, cols.data(), weights.data(), out.data(), rowSamples);
            out.resize(static_cast<size_t>(w) * values);
            return out;
        };
        const std::vector<Ipp16u> a = coef(plain), b = coef(*avx);
        ASSERT_EQ(a, b) << "values " << values << " w " << w;
        // Blends of the extreme buffer values.
        std::vector<Ipp16u> u(a.size()), l(a.size());
        for (size_t i = 0; i < a.size(); ++i) u[i] = a[i], l[i] = uniform(0, 1) ? 16320 : a[(i * 7) % a.size()];
        const Ipp32u wy = uniform(0, 1) ? 16384 * uniform(0, 1) : uniform(0, 16384);
        std::vector<Ipp8u> da(a.size()), db(a.size());
        plain.summ(da.data(), static_cast<ptrdiff_t>(a.size()), wy, u.data(), l.data());
        avx->summ(db.data(), static_cast<ptrdiff_t>(a.size()), wy, u.data(), l.data());
        ASSERT_EQ(da, db);
    }
}

// The plain rows' values of `channels`-sample columns of two source rows,
// blended at wy: what the wide rows must give for g's columns.
std::vector<Ipp8u> plainBlend(const resize::LinearRows8& plain, const Ipp8u* const* rows, const std::vector<int>& cols,
                              const std::vector<Ipp16u>& weights, Ipp32u wy, const resize::ColumnGroups& g) {
    const int w = static_cast<int>(cols.size());
    const auto coef = g.channels == 3 ? plain.coefPx : plain.coefPx4;
    std::vector<Ipp16u> values[2];
    for (int r = 0; r < 2; ++r) {
        values[r].resize(static_cast<size_t>(g.channels) * w + 2);
        coef(rows[r], w, g.channels, cols.data(), weights.data(), values[r].data(), g.rowSamples);
    }
    std::vector<Ipp8u> want(static_cast<size_t>(g.channels) * g.columns);
    plain.summ(want.data(), static_cast<ptrdiff_t>(want.size()), wy, values[0].data(), values[1].data());
    return want;
}

// What the wide rows write of a row of `bytes`, the rest left as it was: a
// group of three channels writes 30 of the 32 bytes it makes.
std::vector<Ipp8u> wideBlend(const resize::LinearRows8& wide, const Ipp8u* const* rows, Ipp32u wy,
                             const resize::ColumnGroups& g, size_t bytes) {
    std::vector<Ipp8u> got(bytes, 0x5A);
    wide.blendPx(got.data(), rows, wy, g);
    for (size_t i = static_cast<size_t>(g.channels) * g.columns; i < bytes; ++i) EXPECT_EQ(got[i], 0x5A) << i;
    got.resize(static_cast<size_t>(g.channels) * g.columns);
    return got;
}

TEST(ImageResize, WideRowsGiveThePlainRowsValues) {
    const resize::LinearRows8* wide = resize::linearRows8For(resize::LinearIsa::Avx512);
    if (!wide) GTEST_SKIP() << "no AVX-512 VBMI";
    const resize::LinearRows8& plain = *resize::linearRows8For(resize::LinearIsa::Plain);
    for (int n = 0; n < 600; ++n) {
        // Shrinks mostly, some groups too wide for the permute's 128 bytes.
        const int channels = n % 2 ? 3 : 4;
        const int w = uniform(0, 90), most = n % 5 == 0 ? 4 * 8 / channels : 5;
        std::vector<int> cols;
        for (int k = 0, col = uniform(0, 3); k < w; ++k) cols.push_back((col += uniform(0, most)) * channels);
        // Rows ending at the last right neighbour, or further on; some inside
        // a larger image, whose samples past the row must not count.
        const int rowSamples = (w ? cols.back() : 0) + 2 * channels + (n % 3 == 0 ? channels * uniform(0, 40) : 0);
        const size_t stored = static_cast<size_t>(rowSamples) + (n % 7 == 0 ? uniform(1, 200) : 0);
        std::vector<Ipp8u> u(stored), l(stored);
        for (size_t i = 0; i < u.size(); ++i) {
            u[i] = static_cast<Ipp8u>(rng()), l[i] = static_cast<Ipp8u>(rng());
            if (n % 4 == 0) u[i] = u[i] < 128 ? 0 : 255, l[i] = l[i] < 128 ? 0 : 255;
        }
        std::vector<Ipp16u> weights;
        for (int k = 0; k < w; ++k) {
            const int wx = uniform(0, 3) == 0 ? 16384 * uniform(0, 1) : uniform(0, 16384);
            weights.push_back(static_cast<Ipp16u>(16384 - wx));
            weights.push_back(static_cast<Ipp16u>(wx));
        }
        const Ipp32u wy = uniform(0, 2) == 0 ? 16384 * uniform(0, 1) : uniform(0, 16384);
        const resize::ColumnGroups groups(cols.data(), weights.data(), w, rowSamples, channels);
        const Ipp8u* const rows[4] = {u.data(), l.data(), u.data(), l.data()};
        ASSERT_EQ(plainBlend(plain, rows, cols, weights, wy, groups),
                  wideBlend(*wide, rows, wy, groups, static_cast<size_t>(channels) * w))
            << "channels " << channels << " w " << w << " wy " << wy;
    }
}

// Halving shrinks, where every full group finds its pixels in the 64 bytes
// at its first one and one permute of one register gathers them: groups
// reaching exactly 16 pixels of four channels (or 21 of three), some reaching
// one more (a step of three), and right weights of 16384, whose columns read
// their right pixel as the left one.
TEST(ImageResize, WideRowsOfHalvingShrinksGiveThePlainRowsValues) {
    const resize::LinearRows8* wide = resize::linearRows8For(resize::LinearIsa::Avx512);
    if (!wide) GTEST_SKIP() << "no AVX-512 VBMI";
    const resize::LinearRows8& plain = *resize::linearRows8For(resize::LinearIsa::Plain);
    std::mt19937 own(43);  // the other tests keep their inputs
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(own); };
    const auto weight = [&] { return pick(0, 2) == 0 ? 16384 * pick(0, 1) : pick(0, 16384); };
    for (int n = 0; n < 400; ++n) {
        const int channels = n < 200 ? 4 : 3, w = pick(1, 80);
        const bool wider = n % 4 == 0;
        std::vector<int> cols;
        for (int k = 0, col = 0; k < w; ++k, col += wider && pick(0, 15) == 0 ? 3 : 2) cols.push_back(channels * col);
        const int rowSamples = cols.back() + 2 * channels + channels * pick(0, 40);
        std::vector<Ipp8u> rows[2];
        for (auto& row : rows) {
            row.resize(static_cast<size_t>(rowSamples));
            for (auto& v : row) v = static_cast<Ipp8u>(n % 3 == 0 ? 255 * pick(0, 1) : pick(0, 255));
        }
        std::vector<Ipp16u> weights;
        for (int k = 0; k < w; ++k) {
            const int wx = weight();
            weights.push_back(static_cast<Ipp16u>(16384 - wx));
            weights.push_back(static_cast<Ipp16u>(wx));
        }
        const resize::ColumnGroups groups(cols.data(), weights.data(), w, rowSamples, channels);
        if (!wider && groups.inside > 0) {
            ASSERT_TRUE(groups.narrow);
        }
        const Ipp32u wy = static_cast<Ipp32u>(weight());
        const Ipp8u* const ends[4] = {rows[0].data(), rows[1].data(), rows[0].data(), rows[1].data()};
        ASSERT_EQ(plainBlend(plain, ends, cols, weights, wy, groups),
                  wideBlend(*wide, ends, wy, groups, static_cast<size_t>(channels) * w))
            << "channels " << channels << " w " << w << " wy " << wy << " narrow " << groups.narrow;
    }
}

// Shrinks in which no two output rows share a source row make each row
// straight from its two source rows: regions inside larger images, odd
// widths, rows padded or not, halving and stronger shrinks, at the best rows
// this processor has, against the rules written out.
TEST(ImageResize, StrongVerticalShrinksAreBitExactToTheRules) {
    const std::vector<Form> forms = linearForms();
    for (const Form* form : {&forms[1], &forms[2]})
        for (int n = 0; n < 60; ++n) {
            Case c{};
            c.sw = uniform(2, 300), c.sh = uniform(4, 60);
            c.roi = {uniform(0, c.sw / 3), uniform(0, c.sh / 4), 0, 0};
            c.roi.Width = c.sw - c.roi.X - uniform(0, c.sw / 3);
            c.roi.Height = c.sh - c.roi.Y - uniform(0, c.sh / 4);
            c.dst = {uniform(1, c.roi.Width), std::max(1, c.roi.Height / uniform(2, 5))};
            c.fx = n % 2 ? 0.5 : static_cast<double>(c.dst.width) / c.roi.Width;
            c.fy = n % 3 ? 0.5 : static_cast<double>(c.dst.height) / c.roi.Height;
            checkLinear<Ipp8u>(*form, c, n % 4 == 0);
        }
    // The export's halving of a camera frame.
    checkLinear<Ipp8u>(forms[1], {1280, 720, {0, 0, 1280, 720}, {640, 360}, 0.5, 0.5}, false);
}

// ---- Choice of interpolation by source size.

std::vector<Ipp8u> resized(Image<Ipp8u>& src, IppiSize dst, int interpolation) {
    Image<Ipp8u> out(dst.width, dst.height, 1);
    std::fill(out.data.begin(), out.data.end(), 0);
    EXPECT_EQ(ippiResize_8u_C1R(src.origin(), src.size(), src.step(), {0, 0, src.w, src.h}, out.origin(), out.step(),
                                dst, 1.7, 1.3, interpolation),
              ippStsNoErr);
    return out.data;
}

TEST(ImageResize, SmallSourcesFallBackToSimplerInterpolations) {
    struct Row {
        int w, h, asked, runs, notThis;  // notThis: an interpolation whose result must differ
    };
    const Row rows[] = {
        {1, 20, kResizeLinear, kResizeNearest, 0},
        {20, 1, kResizeLanczos, kResizeNearest, 0},
        {2, 20, kResizeLanczos, kResizeLinear, 0},
        {2, 20, kResizeLinear, kResizeLinear, kResizeNearest},
        {3, 20, kResizeCubic, kResizeLinear, 0},
        {4, 20, kResizeLanczos, kResizeCubic, kResizeLinear},
        {20, 7, kResizeLanczos, kResizeCubic, 0},
        {8, 20, kResizeLanczos, kResizeLanczos, kResizeCubic},
        {20, 8, kResizeCubic, kResizeCubic, kResizeLinear},
    };
    for (const Row& r : rows) {
        Image<Ipp8u> src(r.w, r.h, 1);
        const IppiSize dst{2 * r.w, 2 * r.h};
        const auto asked = resized(src, dst, r.asked);
        EXPECT_EQ(asked, resized(src, dst, r.runs)) << r.w << "x" << r.h << " asked " << r.asked;
        if (r.notThis) {
            EXPECT_NE(asked, resized(src, dst, r.notThis)) << r.w << "x" << r.h;
        }
    }
}

TEST(ImageResize, NearestTakesThePixelUnderEachCentre) {
    for (int n = 0; n < 100; ++n) {
        const Case c = randomCase(40, 1);
        Image<Ipp8u> src(c.sw, c.sh, 4), dst(c.dst.width, c.dst.height, 4);
        if (ippiResize_8u_C4R(src.origin(), src.size(), src.step(), c.roi, dst.origin(), dst.step(), c.dst, c.fx, c.fy,
                              kResizeNearest) != ippStsNoErr)
            continue;
        const int rw = std::min(c.roi.Width, c.sw - c.roi.X), rh = std::min(c.roi.Height, c.sh - c.roi.Y);
        const auto px = positions(rw, c.fx, processed(rw, c.fx, c.dst.width), true);
        const auto py = positions(rh, c.fy, processed(rh, c.fy, c.dst.height), true);
        for (size_t y = 0; y < py.size(); ++y)
            for (size_t x = 0; x < px.size(); ++x) {
                const int sx = std::min(c.roi.X + static_cast<int>(px[x] + 1e-7), c.sw - 1);
                const int sy = std::min(c.roi.Y + static_cast<int>(py[y] + 1e-7), c.sh - 1);
                for (int ch = 0; ch < 4; ++ch)
                    ASSERT_EQ(dst.at(static_cast<int>(x), static_cast<int>(y), ch), src.at(sx, sy, ch));
            }
    }
}

// ---- Cubic and Lanczos against their formulas, evaluated directly.

// Weights of the taps of one destination pixel: image index and weight.
using Taps = std::vector<std::pair<int, double>>;

Taps cubicTaps(double p, int origin, int image) {
    // The four samples around the position, moved inside the image.
    const int node = std::clamp(origin + static_cast<int>(p + 1e-7), 1, image - 3);
    const double t = origin + p - node;
    return {{node - 1, -t * (t - 1) * (t - 2) / 6},
            {node, (t + 1) * (t - 1) * (t - 2) / 2},
            {node + 1, -(t + 1) * t * (t - 2) / 2},
            {node + 2, (t + 1) * t * (t - 1) / 6}};
}

double sinc(double x) { return x == 0 ? 1 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x); }

Taps lanczosTaps(double p, int origin, int image) {
    const int node = origin + static_cast<int>(p + 1e-7);
    const double t = origin + p - node;
    Taps taps;
    double sum = 0;
    for (int k = -2; k <= 3; ++k) {
        const double d = k - t, w = std::abs(d) < 3 ? sinc(d) * sinc(d / 3) : 0;
        taps.push_back({std::clamp(node + k, 0, image - 1), w});
        sum += w;
    }
    for (auto& tap : taps) tap.second /= sum;
    return taps;
}

TEST(ImageResize, CubicAndLanczosFollowTheirFormulas) {
    struct Kind {
        int interpolation;
        Taps (*taps)(double, int, int);
        double tolerance;  // the Lanczos table is linear between hundredths
    };
    for (const Kind& kind : {Kind{kResizeCubic, cubicTaps, 0.501}, Kind{kResizeLanczos, lanczosTaps, 0.55}})
        for (int n = 0; n < 60; ++n) {
            Case c = randomCase(48);
            c.sw = std::max(c.sw, 8), c.sh = std::max(c.sh, 8);
            Image<Ipp8u> src(c.sw, c.sh, 3, n % 2), dst(c.dst.width, c.dst.height, 3);
            if (ippiResize_8u_C3R(src.origin(), src.size(), src.step(), c.roi, dst.origin(), dst.step(), c.dst, c.fx,
                                  c.fy, kind.interpolation) != ippStsNoErr)
                continue;
            const int rw = std::min(c.roi.Width, c.sw - c.roi.X), rh = std::min(c.roi.Height, c.sh - c.roi.Y);
            std::vector<Taps> tx, ty;
            for (double p : positions(rw, c.fx, processed(rw, c.fx, c.dst.width), false))
                tx.push_back(kind.taps(p, c.roi.X, c.sw));
            for (double p : positions(rh, c.fy, processed(rh, c.fy, c.dst.height), false))
                ty.push_back(kind.taps(p, c.roi.Y, c.sh));
            for (size_t y = 0; y < ty.size(); ++y)
                for (size_t x = 0; x < tx.size(); ++x)
                    for (int ch = 0; ch < 3; ++ch) {
                        double v = 0;
                        for (auto [sy, wy] : ty[y])
                            for (auto [sx, wx] : tx[x]) v += wy * wx * src.at(sx, sy, ch);
                        ASSERT_NEAR(dst.at(static_cast<int>(x), static_cast<int>(y), ch), std::clamp(v, 0.0, 255.0),
                                    kind.tolerance)
                            << kind.interpolation << " at " << x << "," << y;
                    }
        }
    // The coefficients at a quarter and half a pixel, to seven decimals.
    const float t[2] = {0.25f, 0.5f};
    float coefs[12];
    resize::ownpi_Lanczos3(t, 2, coefs);
    const double want[12] = {0.0301123, -0.1332746, 0.8927708, 0.2710105, -0.0679973, 0.0073783,
                             0.0244565, -0.1358696, 0.6114131, 0.6114131, -0.1358696, 0.0244565};
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(coefs[k], want[k], 1e-7) << k;
}

TEST(ImageResize, CubicVectorRowsGiveThePlainRowsValues) {
    for (int n = 0; n < 200; ++n) {
        const int channels = n % 2 ? 3 : 4;
        Case c = randomCase(80);
        c.sw = std::max(c.sw, 8), c.sh = std::max(c.sh, 8);
        if (n % 5 == 0)  // up, the rows blending past 0 and 255
            c = {uniform(8, 40), uniform(8, 20), {0, 0, 64, 64}, {uniform(50, 130), uniform(20, 50)}, 2.9, 2.3};
        Image<Ipp8u> src(c.sw, c.sh, channels, n % 3 == 0, uniform(0, 3));
        if (n % 4 == 0)
            for (auto& v : src.data) v = static_cast<Ipp8u>(v < 128 ? 0 : 255);
        const auto resize = channels == 3 ? ippiResize_8u_C3R : ippiResize_8u_C4R;
        auto run = [&](bool vector) {
            resize::allowCubicVectorRows(vector);
            Image<Ipp8u> out(c.dst.width, c.dst.height, channels, false, 2);
            std::fill(out.data.begin(), out.data.end(), 5);
            const IppStatus st = resize(src.origin(), src.size(), src.step(), c.roi, out.origin(), out.step(), c.dst,
                                        c.fx, c.fy, kResizeCubic);
            resize::allowCubicVectorRows(true);
            return std::pair{st, out.data};
        };
        const auto plain = run(false), vector = run(true);
        ASSERT_EQ(plain.first, vector.first);
        ASSERT_EQ(plain.second, vector.second) << c.sw << "x" << c.sh << " -> " << c.dst.width << "x" << c.dst.height;
    }
}

// Every vector level of an 8-bit kernel, limited by `limit`, against its
// plain loops: regions inside larger images (taps reaching past the region
// on either side), bottom-up images, odd widths, rows ending on a
// three-channel pixel, shrinks and enlargements, and binary images whose
// sums ring past 0 and 255.
void expectVectorLevelsGiveThePlainBytes(int interpolation, void (*limit)(resize::SuperVectors)) {
    for (int n = 0; n < 240; ++n) {
        const int channels = n % 2 ? 3 : 4;
        Case c = randomCase(90, 8);
        if (n % 5 == 0)
            c = {uniform(8, 40), uniform(8, 20), {0, 0, 64, 64}, {uniform(50, 130), uniform(20, 50)}, 2.9, 2.3};
        Image<Ipp8u> src(c.sw, c.sh, channels, n % 3 == 0, n % 4 ? uniform(0, 3) : 0);
        if (n % 4 == 0)
            for (auto& v : src.data) v = static_cast<Ipp8u>(v < 128 ? 0 : 255);
        const auto resize = channels == 3 ? ippiResize_8u_C3R : ippiResize_8u_C4R;
        auto run = [&](resize::SuperVectors widest) {
            limit(widest);
            Image<Ipp8u> out(c.dst.width, c.dst.height, channels, false, 2);
            std::fill(out.data.begin(), out.data.end(), 5);
            const IppStatus st = resize(src.origin(), src.size(), src.step(), c.roi, out.origin(), out.step(), c.dst,
                                        c.fx, c.fy, interpolation);
            limit(resize::SuperVectors::Avx512);
            return std::pair{st, out.data};
        };
        const auto plain = run(resize::SuperVectors::None);
        for (auto widest : {resize::SuperVectors::Avx2, resize::SuperVectors::Avx512}) {
            const auto vector = run(widest);
            ASSERT_EQ(plain.first, vector.first);
            ASSERT_EQ(plain.second, vector.second)
                << static_cast<int>(widest) << " C" << channels << " " << c.sw << "x" << c.sh << " roi " << c.roi.X
                << "," << c.roi.Y << " " << c.roi.Width << "x" << c.roi.Height << " -> " << c.dst.width << "x"
                << c.dst.height;
        }
    }
}

TEST(ImageResize, LanczosVectorRowsGiveThePlainRowsBytes) {
    expectVectorLevelsGiveThePlainBytes(kResizeLanczos, resize::limitLanczosVectorRows);
}

TEST(ImageResize, CubicVectorLevelsGiveThePlainRowsBytes) {
    expectVectorLevelsGiveThePlainBytes(kResizeCubic, resize::limitCubicVectorRows);
}

// ---- Super-sampling against exact area means.

// The mean of the source area destination pixel (x, y) covers; an area
// reaching past the region repeats its last row or column.
double areaMean(Image<Ipp16u>& src, TVDImageRect roi, int rw, int rh, double rx, double ry, int x, int y, int ch) {
    double sum = 0;
    for (int sy = static_cast<int>(y * ry); sy < (y + 1) * ry; ++sy)
        for (int sx = static_cast<int>(x * rx); sx < (x + 1) * rx; ++sx) {
            const double cover = (std::min(sy + 1.0, (y + 1) * ry) - std::max<double>(sy, y * ry)) *
                                 (std::min(sx + 1.0, (x + 1) * rx) - std::max<double>(sx, x * rx));
            sum += cover * src.at(roi.X + std::min(sx, rw - 1), roi.Y + std::min(sy, rh - 1), ch);
        }
    return sum / (rx * ry);
}

TEST(ImageResize, SuperSamplingGivesAreaMeans) {
    struct Shape {
        int channels, layout, sampleType;
    };
    const Shape shapes[] = {{1, 1, kSample8u}, {3, 3, kSample8u}, {4, 4, kSample8u}, {1, 1, kSample16u}};
    for (const Shape& shape : shapes)
        for (int n = 0; n < 80; ++n) {
            const bool wide = shape.sampleType == kSample16u;
            Case c = randomCase(60);
            // Whole ratios, a ratio a hair below a whole one, and any.
            const double choices[] = {1.0 / uniform(1, 4), 1 / 2.99999995, uniform(20, 100) / 100.0};
            c.fx = choices[uniform(0, 2)], c.fy = choices[uniform(0, 2)];
            Image<Ipp16u> src(c.sw, c.sh, shape.channels), dst(c.dst.width, c.dst.height, shape.channels);
            if (!wide)
                for (auto& v : src.data) v &= 255;
            // The 16-bit samples are handed over as they lie, 8-bit ones as bytes.
            std::vector<Ipp8u> s8(src.data.begin(), src.data.end()), d8(dst.data.size());
            const void* s = wide ? static_cast<const void*>(src.data.data()) : s8.data();
            void* d = wide ? static_cast<void*>(dst.data.data()) : d8.data();
            const int bytes = wide ? 2 : 1;
            const IppStatus st =
                ownpiDecimateSuper(s, src.size(), src.pitch * bytes, c.roi, d, dst.pitch * bytes, c.dst, c.fx, c.fy,
                                   shape.channels, shape.layout, shape.sampleType, 0);
            if (st != ippStsNoErr) continue;
            if (!wide) std::copy(d8.begin(), d8.end(), dst.data.begin());
            const int rw = std::min(c.roi.Width, c.sw - c.roi.X), rh = std::min(c.roi.Height, c.sh - c.roi.Y);
            const int W = processed(rw, c.fx, c.dst.width), H = processed(rh, c.fy, c.dst.height);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    for (int ch = 0; ch < shape.channels; ++ch)
                        ASSERT_NEAR(dst.at(x, y, ch), areaMean(src, c.roi, rw, rh, 1 / c.fx, 1 / c.fy, x, y, ch),
                                    wide ? 0.52 : 0.501)
                            << c.fx << " " << c.fy << " at " << x << "," << y;
        }
}

TEST(ImageResize, SuperSamplingRoundsHalvesUpAndSumsLargeAreas) {
    const Ipp8u row[10] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}, blocks[12] = {1, 1, 1, 2, 0, 0, 2, 2, 2, 2, 0, 1};
    Ipp8u out[5] = {};
    ASSERT_EQ(ippiResize_8u_C1R(row, {10, 1}, 10, {0, 0, 10, 1}, out, 5, {5, 1}, 0.4, 1, kResizeSuper), ippStsNoErr);
    EXPECT_EQ(std::vector<Ipp8u>(out, out + 5), (std::vector<Ipp8u>{8, 32, 58, 82, 0}));
    ASSERT_EQ(ippiResize_8u_C1R(blocks, {6, 2}, 6, {0, 0, 6, 2}, out, 5, {3, 1}, 0.5, 0.5, kResizeSuper), ippStsNoErr);
    EXPECT_EQ(std::vector<Ipp8u>(out, out + 3), (std::vector<Ipp8u>{2, 2, 0}));
    // 512 x 512 samples of 65535 overflow a 32-bit sum.
    std::vector<Ipp16u> src(512 * 512, 65535);
    Ipp16u wide = 0;
    ASSERT_EQ(ippiResize_16u_C1R(src.data(), {512, 512}, 1024, {0, 0, 512, 512}, &wide, 2, {1, 1}, 1 / 512.0, 1 / 512.0,
                                 kResizeSuper),
              ippStsNoErr);
    EXPECT_EQ(wide, 65535);
}

TEST(ImageResize, SuperSamplingIntegerRowsGiveTheFloatRowsBytes) {
    // Ratios whose cut pixels are binary fractions take the integer rows;
    // the others, and 16-bit images, must fall back to the same bytes.
    const double ratios[] = {1, 1.5, 2, 2.5, 3, 4, 1.25, 3.75, 1.125, 1.0 / 0.7, 2.99999995};
    for (int n = 0; n < 300; ++n) {
        const int channels = n % 3 == 0 ? 1 : n % 3 == 1 ? 3 : 4;
        const double rx = ratios[uniform(0, 10)], ry = ratios[uniform(0, 10)];
        Image<Ipp8u> src(uniform(1, 90), uniform(1, 40), channels, n % 4 == 0, uniform(0, 5));
        const TVDImageRect roi{uniform(0, 3), uniform(0, 2), src.w, src.h};
        if (roi.X >= src.w || roi.Y >= src.h) continue;
        if (n % 7 == 0)
            for (auto& v : src.data) v = static_cast<Ipp8u>(v < 128 ? 0 : 255);  // extremes
        const IppiSize dst{uniform(1, 70), uniform(1, 30)};
        auto run = [&](bool integers) {
            Image<Ipp8u> out(dst.width, dst.height, channels, false, 3);
            std::fill(out.data.begin(), out.data.end(), 77);
            const IppStatus st =
                resize::decimateSuper(src.origin(), src.size(), src.step(), roi, out.origin(), out.step(), dst, 1 / rx,
                                      1 / ry, channels, channels, kSample8u, 0, integers);
            return std::pair{st, out.data};
        };
        const auto fast = run(true), plain = run(false);
        ASSERT_EQ(fast.first, plain.first);
        ASSERT_EQ(fast.second, plain.second) << rx << " x " << ry << " C" << channels << " " << src.w << "x" << src.h;
    }
}

TEST(ImageResize, SuperSamplingVectorRowsGiveThePlainRowsBytes) {
    // Whole ratios of four-channel images take the area kernel where the
    // destination is large enough for the rounding table; areas past the
    // region's edge, odd widths and other ratios stay on the plain rows.
    for (int n = 0; n < 240; ++n) {
        const int channels = n % 5 == 0 ? 3 : 4;
        const int ix = std::array{1, 2, 4, 4, 3, 8}[n % 6], iy = uniform(1, 5);
        const IppiSize dst{uniform(8, 60), uniform(14, 30)};
        Image<Ipp8u> src(dst.width * ix + uniform(-ix, ix), dst.height * iy + uniform(-iy, iy), channels, n % 4 == 0,
                         uniform(0, 3));
        if (n % 7 == 0)
            for (auto& v : src.data) v = static_cast<Ipp8u>(v < 128 ? 0 : 255);
        const TVDImageRect roi{uniform(0, 2), uniform(0, 1), src.w, src.h};
        auto run = [&](resize::SuperVectors widest) {
            resize::limitSuperVectorRows(widest);
            Image<Ipp8u> out(dst.width, dst.height, channels, false, 1);
            std::fill(out.data.begin(), out.data.end(), 77);
            const IppStatus st =
                resize::decimateSuper(src.origin(), src.size(), src.step(), roi, out.origin(), out.step(), dst,
                                      1.0 / ix, 1.0 / iy, channels, channels, kSample8u, 0, true);
            resize::limitSuperVectorRows(resize::SuperVectors::Avx512);
            return std::pair{st, out.data};
        };
        const auto plain = run(resize::SuperVectors::None);
        for (auto widest : {resize::SuperVectors::Avx2, resize::SuperVectors::Avx512}) {
            const auto vector = run(widest);
            ASSERT_EQ(plain.first, vector.first);
            ASSERT_EQ(plain.second, vector.second) << ix << " x " << iy << " C" << channels << " " << src.w << "x"
                                                   << src.h << " level " << static_cast<int>(widest);
        }
    }
}

// ---- Checks, and the faults a shifted or stretched mapping could cause.

TEST(ImageResize, ChecksComeInOrderAndLeaveTheDestination) {
    Image<Ipp8u> src(10, 10, 1), dst(25, 25, 1);
    const Image<Ipp8u> before = dst;
    struct Row {
        const void* src;
        IppiSize size;
        TVDImageRect roi;
        IppiSize dst;
        double fx, fy;
        int interpolation;
        IppStatus want;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Row rows[] = {
        {nullptr, {10, 10}, {0, 0, 10, 10}, {0, 0}, 1, 1, kResizeLinear, ippStsNullPtrErr},
        {src.origin(), {0, 10}, {0, 0, 10, 10}, {25, 25}, 1, 1, kResizeLinear, ippStsSizeErr},
        {src.origin(), {10, 10}, {-1, 0, 10, 10}, {25, 25}, 1, 1, kResizeLinear, ippStsSizeErr},
        {src.origin(), {10, 10}, {10, 0, 10, 10}, {0, 0}, 1, 1, kResizeLinear, kResizeRegionOutside},
        {src.origin(), {10, 10}, {0, 0, 10, 10}, {0, 5}, 1, 1, kResizeLinear, ippStsSizeErr},
        {src.origin(), {10, 10}, {0, 0, 10, 10}, {25, 25}, 0, 1, kResizeLinear, ippStsResizeFactorErr},
        {src.origin(), {10, 10}, {0, 0, 10, 10}, {25, 25}, 1, nan, kResizeSuper, ippStsResizeFactorErr},
        {src.origin(), {10, 10}, {0, 0, 10, 10}, {25, 25}, 1, 1, 3, ippStsInterpolationErr},
        {src.origin(), {10, 10}, {0, 0, 10, 10}, {25, 25}, 1.5, 1, kResizeSuper, ippStsInterpolationErr},
        {src.origin(), {10, 10}, {0, 0, 10, 10}, {25, 25}, 0.04, 1, kResizeLinear, kResizeTooSmall},
        {src.origin(), {10, 10}, {0, 0, 10, 10}, {25, 25}, 0.04, 1, kResizeSuper, kResizeTooSmall},
        {src.origin(), {10, 10}, {0, 0, 10, 10}, {25, 25}, 1, 1e-300, kResizeLinear, kResizeTooSmall},
    };
    for (const Row& r : rows) {
        dst.data = before.data;
        EXPECT_EQ(ippiResize_8u_C1R(static_cast<const Ipp8u*>(r.src), r.size, 10, r.roi, dst.origin(), 25, r.dst, r.fx,
                                    r.fy, r.interpolation),
                  r.want);
        EXPECT_EQ(dst.data, before.data);
    }
    EXPECT_EQ(
        ippiResize_8u_C4R(src.origin(), {INT_MAX, 10}, 10, {0, 0, 1, 1}, dst.origin(), 25, {1, 1}, 1, 1, kResizeLinear),
        ippStsSizeErr);  // rows past the int range
    // 10 x 10 doubled into 25 x 25: 20 x 20 written, corners copied.
    ASSERT_EQ(
        ippiResize_8u_C1R(src.origin(), {10, 10}, 10, {0, 0, 10, 10}, dst.origin(), 25, {25, 25}, 2, 2, kResizeLinear),
        ippStsNoErr);
    EXPECT_EQ(dst.at(0, 0, 0), src.at(0, 0, 0));
    EXPECT_EQ(dst.at(19, 19, 0), src.at(9, 9, 0));
    EXPECT_EQ(dst.at(20, 3, 0), before.data[3 * 25 + 20]);
}

TEST(ImageResize, ShiftedMappingsStayInsideTheImage) {
    // A shift of almost one pixel would carry the last column and row one
    // past a region that ends at the image's edge.
    for (int interpolation : {kResizeNearest, kResizeLinear, kResizeCubic, kResizeLanczos}) {
        Image<Ipp8u> src(12, 9, 4), dst(24, 18, 4);
        ASSERT_EQ(ownpiResize(src.origin(), src.size(), src.step(), {2, 1, 10, 8}, dst.origin(), dst.step(), dst.size(),
                              2.0, 2.0, 0.99999999, 0.99999999, 4, 4, kSample8u, 0, interpolation),
                  ippStsNoErr);
        for (int ch = 0; ch < 4 && interpolation <= kResizeLinear; ++ch)
            EXPECT_EQ(dst.at(19, 15, ch), src.at(11, 8, ch)) << interpolation;
    }
    // The centred entry with the centre on the source's middle and factor 1
    // copies the source into the destination's middle.
    Image<Ipp8u> src(6, 4, 4), dst(10, 8, 4);
    const Image<Ipp8u> before = dst;
    ASSERT_EQ(ippiResizeCenter_8u_C4R(src.origin(), src.size(), src.step(), {0, 0, 6, 4}, dst.origin(), dst.step(),
                                      dst.size(), 1, 1, 3, 2, kResizeLinear),
              ippStsNoErr);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            for (int ch = 0; ch < 4; ++ch) {
                const bool inside = x >= 2 && x < 8 && y >= 2 && y < 6;
                EXPECT_EQ(dst.at(x, y, ch), inside ? src.at(x - 2, y - 2, ch) : before.at(x, y, ch));
            }
}

TEST(ImageResize, RandomGeometryStaysInsideBothImages) {
    // Any factor, region, centre and interpolation: the sanitizers see every
    // byte read or written outside the two exactly sized images.
    const double factors[] = {1e-300, 1e-3, 0.3, 1.0, 1.7, 40.0, 1e300, std::numeric_limits<double>::infinity()};
    for (int n = 0; n < 400; ++n) {
        Image<Ipp8u> src(uniform(1, 24), uniform(1, 24), 4, n % 2), dst(uniform(1, 30), uniform(1, 30), 4);
        const TVDImageRect roi{uniform(-1, src.w), uniform(-1, src.h), uniform(0, 30), uniform(0, 30)};
        const double fx = factors[uniform(0, 7)] * uniform(1, 3), fy = factors[uniform(0, 7)];
        const int interpolation = 1 << uniform(0, 4);
        const IppStatus st = n % 3 ? ippiResize_8u_C4R(src.origin(), src.size(), src.step(), roi, dst.origin(),
                                                       dst.step(), dst.size(), fx, fy, interpolation)
                                   : ippiResizeCenter_8u_C4R(src.origin(), src.size(), src.step(), roi, dst.origin(),
                                                             dst.step(), dst.size(), fx, fy, uniform(-40, 400) / 10.0,
                                                             uniform(-40, 400) / 10.0, interpolation);
        EXPECT_TRUE(st == ippStsNoErr || st == ippStsSizeErr || st == kResizeRegionOutside || st == kResizeTooSmall ||
                    st == ippStsInterpolationErr)
            << st;
    }
}

TEST(ImageResize, OddSixteenBitStepsWalkWholeSamples) {
    // The kernels count rows in whole samples (the step halved); the region's
    // first row must lie on that same grid, not one byte off it.
    for (int interpolation : {kResizeNearest, kResizeLinear, kResizeSuper}) {
        std::vector<Ipp16u> src(6 * 9), odd(9 * 4), even(9 * 4);
        for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<Ipp16u>(rng());
        for (int step : {13, 12}) {
            auto& out = step == 13 ? odd : even;
            ASSERT_EQ(ippiResize_16u_C1R(src.data(), {6, 9}, step, {1, 3, 5, 6}, out.data(), 18, {9, 4}, 1.0,
                                         interpolation == kResizeSuper ? 0.5 : 1.0, interpolation),
                      ippStsNoErr);
        }
        EXPECT_EQ(odd, even) << interpolation;
    }
}

TEST(ImageResize, PlanesResizeLikeSeparateImages) {
    Image<Ipp8u> planes[3] = {{13, 11, 1}, {13, 11, 1}, {13, 11, 1}};
    std::vector<Ipp8u> out[3], single(9 * 7);
    const void* src[3];
    void* dst[3];
    for (int p = 0; p < 3; ++p) src[p] = planes[p].origin(), out[p].resize(9 * 7), dst[p] = out[p].data();
    for (int interpolation : {kResizeNearest, kResizeLinear, kResizeCubic, kResizeLanczos}) {
        ASSERT_EQ(ownpiResize(src, {13, 11}, 13, {1, 2, 12, 9}, dst, 9, {9, 7}, 0.7, 0.8, 0, 0, 1, 3, kSample8u, 1,
                              interpolation),
                  ippStsNoErr);
        for (int p = 0; p < 3; ++p) {
            ippiResize_8u_C1R(planes[p].origin(), {13, 11}, 13, {1, 2, 12, 9}, single.data(), 9, {9, 7}, 0.7, 0.8,
                              interpolation);
            EXPECT_EQ(out[p], single) << interpolation << " plane " << p;
        }
    }
}

}  // namespace
}  // namespace oculon::primitives
