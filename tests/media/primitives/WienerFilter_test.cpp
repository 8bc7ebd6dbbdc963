// The Wiener filter against each window summed directly from a region
// inside a larger random image (the window placed by the anchor): the 8-bit
// forms exactly, the float form closely; the noise estimate and its
// write-back; flat images, where the gain is 0 / 0; the buffer-size rule,
// with the filter run in a buffer of exactly that size; the check order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "media/primitives/WienerFilter.h"

namespace oculon::primitives {
namespace {

struct Case {
    int width, height;
    IppiSize mask;
    IppiPoint anchor;
};

// The region lies `left` pixels and `above` rows into the image, every
// window inside it. Samples are `flat`, or random (floats in eighths).
template <typename T>
struct Framed {
    Case c;
    int pixel, left, above, cols;
    std::vector<T> data;
    Framed(const Case& c_, int pixel_, std::mt19937& rng, int flat = -1)
        : c(c_),
          pixel(pixel_),
          left(c.mask.width - 1 - c.anchor.x),
          above(c.mask.height - 1 - c.anchor.y),
          cols(pixel_ * (c.width + c.mask.width) + 1),
          data(static_cast<size_t>(cols) * (c.height + c.mask.height)) {
        for (T& v : data) v = static_cast<T>(flat >= 0 ? flat : std::is_integral_v<T> ? rng() % 256 : rng() % 999 / 8.);
    }
    const T& at(int y, int x, int ch) const {
        return data[static_cast<size_t>(y + above) * cols + pixel * (x + left) + ch];
    }
    int step() const { return cols * static_cast<int>(sizeof(T)); }
    template <typename Filter, typename D>
    IppStatus run(Filter filter, D* dst, int dstStep, float* noise, Ipp8u* buffer) const {
        return filter(&at(0, 0, 0), step(), dst, dstStep, {c.width, c.height}, c.mask, c.anchor, noise, buffer);
    }

    // M and V (before the floor) of the window of (x, y), from sums taken
    // directly, in single precision from there on as the filter forms them.
    std::pair<float, float> window(int x, int y, int ch) const {
        double s = 0, q = 0;
        for (int wy = y - above; wy <= y + c.anchor.y; ++wy)
            for (int wx = x - left; wx <= x + c.anchor.x; ++wx)
                s += at(wy, wx, ch), q += at(wy, wx, ch) * at(wy, wx, ch);
        const float r = 1.0f / static_cast<float>(c.mask.width * c.mask.height), fs = static_cast<float>(s);
        return {fs * r, static_cast<float>(q) - fs * fs * r};
    }
    float filtered(int x, int y, int ch, float nu) const {
        const auto [m, v0] = window(x, y, ch);
        const float v = std::max(v0, nu);
        return m + (v - nu) / v * (static_cast<float>(at(y, x, ch)) - m);
    }
};

std::vector<Ipp8u> bufferFor(const Case& c, int channels, int offset) {
    int size = 0;
    EXPECT_EQ(ippiFilterWienerGetBufferSize({c.width, c.height}, c.mask, channels, &size), ippStsNoErr);
    return std::vector<Ipp8u>(static_cast<size_t>(size) + offset);
}

// The window sums are whole numbers that floats hold exactly: the very bytes.
TEST(WienerFilter, BytesEqualTheFormulaOverDirectWindowSums) {
    struct Form {
        decltype(ippiFilterWiener_8u_C1R) filter;
        int pixel, channels;
    };
    const Form forms[] = {
        {ippiFilterWiener_8u_C1R, 1, 1}, {ippiFilterWiener_8u_C3R, 3, 3}, {ippiFilterWiener_8u_AC4R, 4, 3}};
    const Case cases[] = {{1, 1, {2, 2}, {0, 0}},
                          {9, 7, {3, 3}, {1, 1}},
                          {13, 4, {5, 2}, {4, 0}},
                          {6, 9, {2, 4}, {1, 3}},
                          {40, 3, {4, 3}, {0, 2}}};
    std::mt19937 rng(5);
    for (const Form& form : forms)
        for (const Case& c : cases) {
            const Framed<Ipp8u> src(c, form.pixel, rng);
            const int dstCols = form.pixel * c.width + 3;
            std::vector<Ipp8u> dst(static_cast<size_t>(dstCols) * c.height);
            for (Ipp8u& d : dst) d = static_cast<Ipp8u>(rng());
            std::vector<Ipp8u> want = dst;
            float noise[3] = {0.01f, 0.2f, 0.003f};
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    for (int ch = 0; ch < form.channels; ++ch)
                        want[static_cast<size_t>(y) * dstCols + form.pixel * x + ch] = static_cast<Ipp8u>(
                            src.filtered(x, y, ch, noise[ch] * 65025.0f * c.mask.width * c.mask.height));
            std::vector<Ipp8u> buffer = bufferFor(c, form.pixel, 1);
            ASSERT_EQ(src.run(form.filter, dst.data(), dstCols, noise, buffer.data() + 1), ippStsNoErr);
            EXPECT_EQ(dst, want) << form.pixel << " channels, " << c.width << "x" << c.height;  // gaps, alpha too
            EXPECT_EQ(noise[1], 0.2f);
        }
}

TEST(WienerFilter, ANoiseOfZeroIsEstimatedForEveryChannelAndWrittenBack) {
    const Case c{11, 6, {3, 3}, {1, 1}};
    std::mt19937 rng(9);
    const Framed<Ipp8u> src(c, 3, rng), grey(c, 1, rng);
    std::vector<Ipp8u> dst(3 * 11 * 6), buffer = bufferFor(c, 3, 0);
    float noise[3] = {0.01f, 0.0f, 0.02f};  // one small value estimates all three
    ASSERT_EQ(src.run(ippiFilterWiener_8u_C3R, dst.data(), 33, noise, buffer.data()), ippStsNoErr);
    for (int ch = 0; ch < 3; ++ch) {
        double total = 0;  // the mean V over all windows, floor 0
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) total += std::max(src.window(x, y, ch).second, 0.0f);
        const double want = total / (c.width * c.height) / 65025.0 / 9;
        EXPECT_NEAR(noise[ch], want, want * 1e-5) << ch;
    }
    float minusZero[1] = {-0.0f};  // passes the range check, and is estimated
    ASSERT_EQ(grey.run(ippiFilterWiener_8u_C1R, dst.data(), 11, minusZero, buffer.data()), ippStsNoErr);
    EXPECT_GT(minusZero[0], 0.0f);
}

TEST(WienerFilter, FloatsScaleTheNoiseByTheSourceRange) {
    const Case c{17, 5, {3, 4}, {2, 1}};
    std::mt19937 rng(11);
    const Framed<Ipp32f> src(c, 1, rng);
    float lo = src.at(0, 0, 0), hi = lo;  // over the area the windows cover
    for (int y = -src.above; y < 5 + c.anchor.y; ++y)
        for (int x = -src.left; x < 17 + c.anchor.x; ++x)
            lo = std::min(lo, src.at(y, x, 0)), hi = std::max(hi, src.at(y, x, 0));
    std::vector<Ipp32f> dst(17 * 5);
    std::vector<Ipp8u> buffer = bufferFor(c, 1, 3);
    float noise[1] = {0.05f};
    ASSERT_EQ(src.run(ippiFilterWiener_32f_C1R, dst.data(), 17 * 4, noise, buffer.data() + 3), ippStsNoErr);
    for (int i = 0; i < 17 * 5; ++i)
        EXPECT_NEAR(dst[i], src.filtered(i % 17, i / 17, 0, 0.05f * (hi - lo) * (hi - lo) * 12), 1e-3) << i;
}

// Zero noise estimates a zero level, so V = nu = 0 in every window.
TEST(WienerFilter, FlatImagesUnderZeroNoiseKeepTheirValue) {
    const Case c{8, 4, {3, 3}, {1, 1}};
    std::mt19937 rng(1);
    const Framed<Ipp8u> bytes(c, 4, rng, 77);
    const Framed<Ipp32f> floats(c, 1, rng, 3);
    std::vector<Ipp8u> dst(4 * 8 * 4, 5), buffer = bufferFor(c, 4, 0);
    std::vector<Ipp32f> out(8 * 4);
    float noise[3] = {0, 0, 0};
    ASSERT_EQ(bytes.run(ippiFilterWiener_8u_AC4R, dst.data(), 32, noise, buffer.data()), ippStsNoErr);
    ASSERT_EQ(floats.run(ippiFilterWiener_32f_C1R, out.data(), 32, noise, buffer.data()), ippStsNoErr);
    for (size_t i = 0; i < dst.size(); ++i) EXPECT_EQ(dst[i], i % 4 == 3 ? 5 : 77) << i;
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 3.0f; }));
    EXPECT_EQ(noise[0], 0.0f);  // no range to scale by: 0, not 0 / 0
}

TEST(WienerFilter, BufferSizeAndChecksInOrder) {
    int size = 0;
    for (auto [channels, want] : {std::pair{1, 1743}, {3, 4879}, {4, 6479}}) {
        EXPECT_EQ(ippiFilterWienerGetBufferSize({100, 1}, {3, 3}, channels, &size), ippStsNoErr);
        EXPECT_EQ(size, want) << channels;
    }
    EXPECT_EQ(ippiFilterWienerGetBufferSize({0, 1}, {1, 5}, 2, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({0, 1}, {1, 5}, 2, &size), ippStsSizeErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({100, 1}, {1, 5}, 2, &size), ippStsNumChannelsErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({100, 1}, {5, 1}, 1, &size), ippStsMaskSizeErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({1 << 28, 1}, {3, 3}, 4, &size), ippStsSizeErr);

    Ipp8u img[64] = {}, buffer[512] = {};
    const auto run = [&](Ipp8u* buf, float* n, IppiSize roi, IppiSize mask, IppiPoint anchor, int step) {
        return ippiFilterWiener_8u_C3R(img + 16, step, img + 16, step, roi, mask, anchor, n, buf);
    };
    float noise[3] = {0.5f, 0.5f, 0.5f};
    EXPECT_EQ(run(nullptr, noise, {0, 0}, {1, 1}, {9, 9}, -1), ippStsNullPtrErr);
    EXPECT_EQ(run(buffer, noise, {1, 0}, {1, 1}, {9, 9}, -1), ippStsSizeErr);
    EXPECT_EQ(run(buffer, noise, {1, 1}, {1, 5}, {9, 9}, -1), ippStsMaskSizeErr);
    EXPECT_EQ(run(buffer, noise, {1, 1}, {2, 2}, {2, 0}, -1), ippStsAnchorErr);
    EXPECT_EQ(run(buffer, noise, {1, 1}, {2, 2}, {1, 1}, -1), ippStsStepErr);
    for (float bad : {1.0f, -0.01f, NAN}) {
        float n[3] = {0.1f, 0.1f, bad};
        EXPECT_EQ(run(buffer, n, {1, 1}, {2, 2}, {1, 1}, 8), ippStsNoiseRangeErr) << bad;
        EXPECT_EQ(n[0], 0.1f);
    }
}

}  // namespace
}  // namespace oculon::primitives
