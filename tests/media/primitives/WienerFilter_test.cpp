// The Wiener filter against each window summed directly from a region
// inside a larger random image (the window placed by the anchor), in every
// 8-bit form exactly, the float form closely; the noise estimate and its
// write-back; flat images, where the gain is 0 / 0; the buffer-size rule,
// with the filter run in a buffer of exactly that size, and the check order.

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

// An image whose region lies `left` pixels and `above` rows into it, with
// room for every window.
template <typename T>
struct Framed {
    int pixel, left, above, cols, rows;
    std::vector<T> data;
    Framed(const Case& c, int pixel_, std::mt19937& rng, int flat = -1)
        : pixel(pixel_),
          left(c.mask.width - 1 - c.anchor.x),
          above(c.mask.height - 1 - c.anchor.y),
          cols(pixel_ * (c.width + c.mask.width) + 1),
          rows(c.height + c.mask.height - 1),
          data(static_cast<size_t>(cols) * rows) {
        for (T& v : data)
            v = flat >= 0               ? static_cast<T>(flat)
                : std::is_integral_v<T> ? static_cast<T>(rng())
                                        : static_cast<T>(std::ldexp(static_cast<double>(rng() % 1000), -3));
    }
    T at(int y, int x, int c) const { return data[static_cast<size_t>(y + above) * cols + pixel * (x + left) + c]; }
    const T* origin() const { return &data[static_cast<size_t>(above) * cols + pixel * left]; }
    int step() const { return cols * static_cast<int>(sizeof(T)); }
};

// S and Q of the window of (x, y), summed directly.
template <typename T>
void windowSums(const Framed<T>& img, const Case& c, int x, int y, int ch, double& s, double& q) {
    s = q = 0;
    for (int wy = y - (c.mask.height - 1 - c.anchor.y); wy <= y + c.anchor.y; ++wy)
        for (int wx = x - (c.mask.width - 1 - c.anchor.x); wx <= x + c.anchor.x; ++wx) {
            const double v = img.at(wy, wx, ch);
            s += v;
            q += v * v;
        }
}

using ByteWiener = decltype(ippiFilterWiener_8u_C1R);

struct ByteForm {
    const char* name;
    ByteWiener* filter;
    int pixel, channels;
};
const ByteForm kByteForms[] = {{"C1", &ippiFilterWiener_8u_C1R, 1, 1},
                               {"C3", &ippiFilterWiener_8u_C3R, 3, 3},
                               {"AC4", &ippiFilterWiener_8u_AC4R, 4, 3}};

std::vector<Ipp8u> bufferFor(const Case& c, int pixel, int offset) {
    int size = 0;
    EXPECT_EQ(ippiFilterWienerGetBufferSize({c.width, c.height}, c.mask, pixel, &size), ippStsNoErr);
    return std::vector<Ipp8u>(static_cast<size_t>(size) + offset);
}

// The 8-bit forms with given noise values: the window sums are whole
// numbers that floats hold exactly, so the single-precision formula gives
// the very bytes.
TEST(WienerFilter, BytesEqualTheFormulaOverDirectWindowSums) {
    const Case cases[] = {{1, 1, {2, 2}, {0, 0}},
                          {9, 7, {3, 3}, {1, 1}},
                          {13, 4, {5, 2}, {4, 0}},
                          {6, 9, {2, 4}, {1, 3}},
                          {40, 3, {4, 3}, {0, 2}}};
    std::mt19937 rng(5);
    for (const ByteForm& form : kByteForms)
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << form.name << " " << c.width << "x" << c.height << " mask "
                                            << c.mask.width << "x" << c.mask.height);
            const Framed<Ipp8u> src(c, form.pixel, rng);
            const int dstCols = form.pixel * c.width + 3;
            std::vector<Ipp8u> dst(static_cast<size_t>(dstCols) * c.height);
            for (Ipp8u& d : dst) d = static_cast<Ipp8u>(rng());
            std::vector<Ipp8u> want = dst;
            float noise[3] = {0.01f, 0.2f, 0.003f};
            const float n = static_cast<float>(c.mask.width * c.mask.height);
            const float r = 1.0f / n;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    for (int ch = 0; ch < form.channels; ++ch) {
                        double s, q;
                        windowSums(src, c, x, y, ch, s, q);
                        const float nu =
                            noise[ch] * 65025.0f * static_cast<float>(c.mask.width) * static_cast<float>(c.mask.height);
                        const float fs = static_cast<float>(s), m = fs * r;
                        const float v = std::max(static_cast<float>(q) - fs * fs * r, nu);
                        const float value = m + (v - nu) / v * (src.at(y, x, ch) - m);
                        want[static_cast<size_t>(y) * dstCols + form.pixel * x + ch] = static_cast<Ipp8u>(value);
                    }
            std::vector<Ipp8u> buffer = bufferFor(c, form.pixel, 1);
            ASSERT_EQ((*form.filter)(src.origin(), src.step(), dst.data(), dstCols, {c.width, c.height}, c.mask,
                                     c.anchor, noise, buffer.data() + 1),
                      ippStsNoErr);
            EXPECT_EQ(dst, want);  // AC4's fourth samples and the row gaps included
            EXPECT_EQ(noise[1], 0.2f);
        }
}

TEST(WienerFilter, ANoiseOfZeroIsEstimatedForEveryChannelAndWrittenBack) {
    const Case c{11, 6, {3, 3}, {1, 1}};
    std::mt19937 rng(9);
    const Framed<Ipp8u> src(c, 3, rng);
    double total[3] = {};
    const float r = 1.0f / 9;
    for (int y = 0; y < c.height; ++y)
        for (int ch = 0; ch < 3; ++ch) {
            double row = 0;
            for (int x = 0; x < c.width; ++x) {
                double s, q;
                windowSums(src, c, x, y, ch, s, q);
                const float fs = static_cast<float>(s);
                row += std::max(static_cast<float>(q) - fs * fs * r, 0.0f);
            }
            total[ch] += row / c.width;
        }
    std::vector<Ipp8u> dst(3 * 11 * 6), buffer = bufferFor(c, 3, 0);
    float noise[3] = {0.01f, 0.0f, 0.02f};  // one small value estimates all three
    ASSERT_EQ(ippiFilterWiener_8u_C3R(src.origin(), src.step(), dst.data(), 33, {11, 6}, c.mask, c.anchor, noise,
                                      buffer.data()),
              ippStsNoErr);
    for (int ch = 0; ch < 3; ++ch) {
        const double want = total[ch] / c.height / 65025.0 / 9;
        EXPECT_NEAR(noise[ch], want, want * 1e-5) << ch;
    }
    // Given back as noise values, the estimates filter (nearly) alike.
    std::vector<Ipp8u> again(dst.size());
    ippiFilterWiener_8u_C3R(src.origin(), src.step(), again.data(), 33, {11, 6}, c.mask, c.anchor, noise,
                            buffer.data());
    for (size_t i = 0; i < dst.size(); ++i) EXPECT_NEAR(again[i], dst[i], 1) << i;
    // Negative zero passes the range check and is estimated as well.
    float minusZero[1] = {-0.0f};
    const Framed<Ipp8u> grey(c, 1, rng);
    ASSERT_EQ(ippiFilterWiener_8u_C1R(grey.origin(), grey.step(), dst.data(), 11, {11, 6}, c.mask, c.anchor, minusZero,
                                      buffer.data()),
              ippStsNoErr);
    EXPECT_GT(minusZero[0], 0.0f);
}

TEST(WienerFilter, FloatsFollowTheFormulaWithTheSourceRange) {
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
    ASSERT_EQ(ippiFilterWiener_32f_C1R(src.origin(), src.step(), dst.data(), 17 * 4, {17, 5}, c.mask, c.anchor, noise,
                                       buffer.data() + 3),
              ippStsNoErr);
    const double nu = 0.05 * (hi - lo) * (hi - lo) * 12;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 17; ++x) {
            double s, q;
            windowSums(src, c, x, y, 0, s, q);
            const double m = s / 12, v = std::max(q - s * s / 12, nu);
            EXPECT_NEAR(dst[y * 17 + x], m + (v - nu) / v * (src.at(y, x, 0) - m), 1e-3) << x << "," << y;
        }
}

TEST(WienerFilter, FlatImagesUnderZeroNoiseKeepTheirValue) {
    const Case c{8, 4, {3, 3}, {1, 1}};
    std::mt19937 rng(1);
    const Framed<Ipp8u> bytes(c, 4, rng, 77);
    std::vector<Ipp8u> dst(4 * 8 * 4, 5), buffer = bufferFor(c, 4, 0);
    float noise[3] = {0, 0, 0};
    ASSERT_EQ(ippiFilterWiener_8u_AC4R(bytes.origin(), bytes.step(), dst.data(), 32, {8, 4}, c.mask, c.anchor, noise,
                                       buffer.data()),
              ippStsNoErr);
    for (size_t i = 0; i < dst.size(); ++i) EXPECT_EQ(dst[i], i % 4 == 3 ? 5 : 77) << i;
    EXPECT_EQ(noise[0], 0.0f);

    const Framed<Ipp32f> floats(c, 1, rng, 3);
    std::vector<Ipp32f> out(8 * 4);
    float level[1] = {0};
    ASSERT_EQ(ippiFilterWiener_32f_C1R(floats.origin(), floats.step(), out.data(), 32, {8, 4}, c.mask, c.anchor, level,
                                       buffer.data()),
              ippStsNoErr);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float v) { return v == 3.0f; }));
    EXPECT_EQ(level[0], 0.0f);  // not 0 / 0
}

TEST(WienerFilter, BufferSizeAndChecksInOrder) {
    int size = 0;
    const std::pair<int, int> sizes[] = {{1, 1743}, {3, 4879}, {4, 6479}};
    for (auto [channels, want] : sizes) {
        EXPECT_EQ(ippiFilterWienerGetBufferSize({100, 1}, {3, 3}, channels, &size), ippStsNoErr);
        EXPECT_EQ(size, want) << channels;
    }
    EXPECT_EQ(ippiFilterWienerGetBufferSize({100, 1}, {3, 3}, 2, &size), ippStsNumChannelsErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({100, 1}, {1, 5}, 2, &size), ippStsNumChannelsErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({100, 1}, {1, 5}, 1, &size), ippStsMaskSizeErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({0, 1}, {1, 5}, 2, &size), ippStsSizeErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({0, 1}, {1, 5}, 2, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippiFilterWienerGetBufferSize({1 << 28, 1}, {3, 3}, 4, &size), ippStsSizeErr);

    Ipp8u img[64] = {}, buffer[512] = {};
    float noise[3] = {0.5f, 0.5f, 0.5f};
    const auto run = [&](Ipp8u* buf, float* n, IppiSize roi, IppiSize mask, IppiPoint anchor, int step) {
        return ippiFilterWiener_8u_C3R(img + 16, step, img + 16, step, roi, mask, anchor, n, buf);
    };
    EXPECT_EQ(run(nullptr, noise, {0, 0}, {1, 1}, {9, 9}, -1), ippStsNullPtrErr);
    EXPECT_EQ(run(buffer, nullptr, {1, 1}, {2, 2}, {0, 0}, 8), ippStsNullPtrErr);
    EXPECT_EQ(run(buffer, noise, {1, 0}, {1, 1}, {9, 9}, -1), ippStsSizeErr);
    EXPECT_EQ(run(buffer, noise, {1, 1}, {1, 5}, {9, 9}, -1), ippStsMaskSizeErr);
    EXPECT_EQ(run(buffer, noise, {1, 1}, {5, 1}, {9, 9}, -1), ippStsMaskSizeErr);
    EXPECT_EQ(run(buffer, noise, {1, 1}, {2, 2}, {2, 0}, -1), ippStsAnchorErr);
    EXPECT_EQ(run(buffer, noise, {1, 1}, {2, 2}, {0, -1}, -1), ippStsAnchorErr);
    EXPECT_EQ(run(buffer, noise, {1, 1}, {2, 2}, {1, 1}, -1), ippStsStepErr);
    for (float bad : {1.0f, -0.01f, NAN}) {
        float n[3] = {0.1f, 0.1f, bad};
        EXPECT_EQ(run(buffer, n, {1, 1}, {2, 2}, {1, 1}, 8), ippStsNoiseRangeErr) << bad;
        EXPECT_EQ(n[0], 0.1f);
    }
}

}  // namespace
}  // namespace oculon::primitives
