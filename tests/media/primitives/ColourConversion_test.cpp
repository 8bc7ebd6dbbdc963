// Colour conversions against a plain, pixel-by-pixel writing of each formula
// (shifts and constants as the formats define them) over random images of
// odd and even sizes, with gaps after the rows and bottom-up steps; bytes
// outside the region must stay as they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "TestImage.h"
#include "media/primitives/ColorTwist.h"
#include "media/primitives/ColourConversion.h"
#include "media/primitives/Packed422Kernels.h"

namespace oculon::primitives {
namespace {

using test::kLayouts;
using test::TestImage;

int clamp8(int v) { return std::clamp(v, 0, 255); }

const int kSizes[][2] = {{1, 1}, {1, 4}, {2, 2}, {3, 3}, {5, 2}, {2, 5}, {7, 7}, {16, 3}, {33, 9}, {300, 5}, {517, 3}};

// Runs `check` for every size and layout.
void forEachShape(const std::function<void(int w, int h, test::Layout, unsigned seed)>& check) {
    unsigned seed = 1;
    for (const auto& size : kSizes)
        for (const test::Layout& layout : kLayouts) {
            SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " gap " << layout.gap
                                            << (layout.bottomUp ? " bottom-up" : ""));
            check(size[0], size[1], layout, seed++);
        }
}

// R, G, B of YUV with the luma shifted into the high half, as the format
// writes it.
void yuvPixel(int y, int u, int v, Ipp8u* out) {
    u -= 128;
    v -= 128;
    out[0] = static_cast<Ipp8u>(clamp8(((y << 16) + 74711 * v) >> 16));
    out[1] = static_cast<Ipp8u>(clamp8(((y << 16) - 25821 * u - 38076 * v) >> 16));
    out[2] = static_cast<Ipp8u>(clamp8(((y << 16) + 133169 * u) >> 16));
}

TEST(ColourConversion, Yuv422ToRgbFollowsTheFormula) {
    forEachShape([](int w, int h, test::Layout l, unsigned seed) {
        const TestImage src(2 * w, h, l.gap, l.bottomUp, seed);
        TestImage dst(3 * w, h, l.gap, !l.bottomUp, seed + 100);
        TestImage want = dst;
        for (int r = 0; r < h; ++r) {
            const Ipp8u* s = src.row(r);
            for (int j = 0; j < w; ++j) {
                int y, u, v;
                if (w == 1) y = s[0], u = v = s[1];
                else if (j == w - 1 && (w & 1)) y = s[2 * j], u = s[2 * j + 1], v = s[2 * j - 1];
                else y = s[2 * j], u = s[4 * (j / 2) + 1], v = s[4 * (j / 2) + 3];
                yuvPixel(y, u, v, want.row(r) + 3 * j);
            }
        }
        ASSERT_EQ(ippiYUV422ToRGB_8u_C2C3R(src.row(0), src.step(), dst.origin(), dst.step(), {w, h}), ippStsNoErr);
        EXPECT_EQ(dst.bytes, want.bytes);
    });
}

TEST(ColourConversion, RgbToYuv422FollowsTheFormula) {
    forEachShape([](int w, int h, test::Layout l, unsigned seed) {
        const TestImage src(3 * w, h, l.gap, l.bottomUp, seed);
        TestImage dst(2 * w, h, l.gap, false, seed + 100);
        TestImage want = dst;
        for (int r = 0; r < h; ++r) {
            const Ipp8u* s = src.row(r);
            Ipp8u* d = want.row(r);
            auto f = [&](int j) { return 19595 * s[3 * j] + 38470 * s[3 * j + 1] + 7471 * s[3 * j + 2]; };
            for (int j = 0; j + 1 < w; j += 2) {
                const int sum = f(j) + f(j + 1);
                const int du = (((s[3 * j + 2] + s[3 * j + 5]) << 16) - sum + 65535) >> 16;
                const int dv = (((s[3 * j] + s[3 * j + 3]) << 16) - sum + 65535) >> 16;
                d[2 * j] = static_cast<Ipp8u>(f(j) >> 16);
                d[2 * j + 1] = static_cast<Ipp8u>(128 + ((du * 32244) >> 17));
                d[2 * j + 2] = static_cast<Ipp8u>(f(j + 1) >> 16);
                d[2 * j + 3] = static_cast<Ipp8u>(clamp8(128 + ((dv * 57475) >> 17)));
            }
            if (w & 1) {
                const int j = w - 1;
                const int du = ((s[3 * j + 2] << 16) - f(j) + 32767) >> 16;
                d[2 * j] = static_cast<Ipp8u>(f(j) >> 16);
                d[2 * j + 1] = static_cast<Ipp8u>(128 + ((du * 32244) >> 16));
            }
        }
        ASSERT_EQ(ippiRGBToYUV422_8u_C3C2R(src.row(0), src.step(), dst.origin(), dst.step(), {w, h}), ippStsNoErr);
        EXPECT_EQ(dst.bytes, want.bytes);
    });
}

// A 4:2:0 reader: the pixel formula, output elements per pixel, element size.
struct Reader {
    const char* name;
    std::function<IppStatus(const Ipp8u* const*, int*, Ipp8u*, int, IppiSize)> run;
    std::function<void(int y, int u, int v, Ipp8u* out)> pixel;
    int bytes;  // per pixel
};

void ycbcrPixel(int y, int cb, int cr, Ipp8u* out) {
    const int l = 76284 * (y - 16);
    out[0] = static_cast<Ipp8u>(clamp8((l + 104595 * (cr - 128)) >> 16));
    out[1] = static_cast<Ipp8u>(clamp8((l - 25690 * (cb - 128) - 53281 * (cr - 128)) >> 16));
    out[2] = static_cast<Ipp8u>(clamp8((l + 132186 * (cb - 128)) >> 16));
}

void rgb16Pixel(int y, int cb, int cr, Ipp8u* out, bool g6) {
    const int c = (cb - 128) * 128, d = (cr - 128) * 128, l = ((y - 16) * 128 * 9535) >> 16;
    const int r = clamp8((l + ((d * 13074) >> 16)) >> 4);
    const int g = clamp8((l - ((d * 6660) >> 16) - ((c * 3211) >> 16)) >> 4);
    const int b = clamp8((l + ((c * 16523) >> 16)) >> 4);
    const int word = g6 ? (r >> 3) + ((g >> 2) << 5) + ((b >> 3) << 11) : (r >> 3) + ((g >> 3) << 5) + ((b >> 3) << 10);
    out[0] = static_cast<Ipp8u>(word);
    out[1] = static_cast<Ipp8u>(word >> 8);
}

template <typename Fn>
auto as16(Fn fn) {
    return [fn](const Ipp8u* const* p, int* steps, Ipp8u* d, int step, IppiSize roi) {
        return fn(p, steps, reinterpret_cast<Ipp16u*>(d), step, roi);
    };
}

void ycbcrOpaquePixel(int y, int cb, int cr, Ipp8u* out) {
    ycbcrPixel(y, cb, cr, out);
    out[3] = 255;
}

// The studio-range 4:2:0 kernel sets this processor runs.
std::vector<const planar420::Kernels*> kernelSets() {
    std::vector<const planar420::Kernels*> sets;
    for (planar420::Isa isa : {planar420::Isa::Portable, planar420::Isa::Avx2, planar420::Isa::Avx512})
        if (const planar420::Kernels* k = planar420::kernelsFor(isa)) sets.push_back(k);
    return sets;
}

// Index of the first byte where two buffers differ, or -1.
std::ptrdiff_t firstDifference(const std::vector<Ipp8u>& a, const std::vector<Ipp8u>& b) {
    if (a == b) return -1;
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return at.first == a.end() ? -1 : at.first - a.begin();
}

// Three-byte pixels with the first and third bytes exchanged.
std::vector<Ipp8u> swapped(std::vector<Ipp8u> pixels) {
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

TEST(ColourConversion, Packed422KernelSetsGiveThePortableBytes) {
    // Every chroma pair with lumas across the range, and random pixels
    // with runs of extremes (saturation, the largest differences).
    constexpr std::ptrdiff_t kPairs = 65536 * 8, kPixels = 2 * kPairs;
    std::vector<Ipp8u> pairs(4 * kPairs);
    for (std::ptrdiff_t k = 0; k < kPairs; ++k) {
        const int y = static_cast<int>(k >> 16) * 36;
        pairs[4 * k] = static_cast<Ipp8u>(y), pairs[4 * k + 1] = static_cast<Ipp8u>(k);
        pairs[4 * k + 2] = static_cast<Ipp8u>(255 - y / 2), pairs[4 * k + 3] = static_cast<Ipp8u>(k >> 8);
    }
    std::vector<Ipp8u> colours = test::noise(3 * kPixels, 5);
    for (std::ptrdiff_t i = 0; i < 3 * kPixels; i += 97)
        for (std::ptrdiff_t j = i; j < std::min(i + 12, 3 * kPixels); ++j) colours[j] = colours[j] & 1 ? 255 : 0;
    const packed422::Kernels& portable = *packed422::kernelsFor(packed422::Isa::Portable);
    auto run = [](packed422::Blocks blocks, const std::vector<Ipp8u>& in, std::size_t outBytes) {
        std::vector<Ipp8u> out(outBytes);
        blocks(in.data(), out.data(), kPixels);
        return out;
    };
    const std::vector<Ipp8u> rgb = run(portable.toRgb, pairs, 3 * kPixels);
    const std::vector<Ipp8u> yuy2 = run(portable.fromRgb, colours, 2 * kPixels);
    for (packed422::Isa isa : {packed422::Isa::Portable, packed422::Isa::Avx2}) {
        const packed422::Kernels* k = packed422::kernelsFor(isa);
        if (!k) continue;
        SCOPED_TRACE(static_cast<int>(isa));
        EXPECT_EQ(firstDifference(run(k->toRgb, pairs, 3 * kPixels), rgb), -1);
        EXPECT_EQ(firstDifference(run(k->toBgr, pairs, 3 * kPixels), swapped(rgb)), -1);
        EXPECT_EQ(firstDifference(run(k->fromRgb, colours, 2 * kPixels), yuy2), -1);
        EXPECT_EQ(firstDifference(run(k->fromBgr, swapped(colours), 2 * kPixels), yuy2), -1);
    }
}

TEST(ColourConversion, Packed422BgrEntriesAreTheRgbOnesSwapped) {
    forEachShape([](int w, int h, test::Layout l, unsigned seed) {
        const TestImage pairs(2 * w, h, l.gap, l.bottomUp, seed), rgb(3 * w, h, l.gap, l.bottomUp, seed + 1);
        TestImage bgr = rgb;
        for (int r = 0; r < h; ++r)
            for (int j = 0; j < w; ++j) std::swap(bgr.row(r)[3 * j], bgr.row(r)[3 * j + 2]);
        TestImage want(3 * w, h, l.gap, false, seed + 2), got = want;
        ASSERT_EQ(ippiYUV422ToRGB_8u_C2C3R(pairs.row(0), pairs.step(), want.origin(), want.step(), {w, h}),
                  ippStsNoErr);
        ASSERT_EQ(packed422::yuv422ToBgr(pairs.row(0), pairs.step(), got.origin(), got.step(), {w, h}), ippStsNoErr);
        for (int r = 0; r < h; ++r)
            for (int j = 0; j < w; ++j) std::swap(want.row(r)[3 * j], want.row(r)[3 * j + 2]);
        EXPECT_EQ(got.bytes, want.bytes);
        TestImage wantPairs(2 * w, h, l.gap, false, seed + 3), gotPairs = wantPairs;
        ASSERT_EQ(ippiRGBToYUV422_8u_C3C2R(rgb.row(0), rgb.step(), wantPairs.origin(), wantPairs.step(), {w, h}),
                  ippStsNoErr);
        ASSERT_EQ(packed422::bgrToYuv422(bgr.row(0), bgr.step(), gotPairs.origin(), gotPairs.step(), {w, h}),
                  ippStsNoErr);
        EXPECT_EQ(gotPairs.bytes, wantPairs.bytes);
    });
}

TEST(ColourConversion, Planar420ReadersFollowTheFormulas) {
    std::vector<Reader> readers = {
        {"YUV420", ippiYUV420ToRGB_8u_P3C3R, yuvPixel, 3},
        {"YCbCr420", ippiYCbCr420ToRGB_8u_P3C3R, ycbcrPixel, 3},
        {"555", as16(ippiYCbCr420ToRGB555_8u16u_P3C3R),
         [](int y, int u, int v, Ipp8u* o) { rgb16Pixel(y, u, v, o, false); }, 2},
        {"565", as16(ippiYCbCr420ToRGB565_8u16u_P3C3R),
         [](int y, int u, int v, Ipp8u* o) { rgb16Pixel(y, u, v, o, true); }, 2},
    };
    for (const planar420::Kernels* k : kernelSets()) {
        readers.push_back({"YCbCr420 set", k->toRgb, ycbcrPixel, 3});
        readers.push_back({"YCbCr420 opaque set", k->toRgbx, ycbcrOpaquePixel, 4});
    }
    for (const Reader& rd : readers) {
        SCOPED_TRACE(rd.name);
        forEachShape([&rd](int w, int h, test::Layout l, unsigned seed) {
            const int cw = (w + 1) / 2, ch = (h + 1) / 2;
            const TestImage y(w, h, l.gap, l.bottomUp, seed), u(cw, ch, l.gap + 1, l.bottomUp, seed + 1),
                v(cw, ch, l.gap, !l.bottomUp, seed + 2);
            // 16-bit words need an even step; the words sit at any address.
            TestImage dst(rd.bytes * w, h, 2 * l.gap, l.bottomUp, seed + 3);
            TestImage want = dst;
            for (int r = 0; r < h; ++r)
                for (int j = 0; j < w; ++j)
                    rd.pixel(y.at(r, j), u.at(r / 2, j / 2), v.at(r / 2, j / 2), want.row(r) + rd.bytes * j);
            const Ipp8u* planes[3] = {y.row(0), u.row(0), v.row(0)};
            int steps[3] = {y.step(), u.step(), v.step()};
            ASSERT_EQ(rd.run(planes, steps, dst.origin(), dst.step(), {w, h}), ippStsNoErr);
            EXPECT_EQ(dst.bytes, want.bytes);
        });
    }
}

int studioLuma(int r, int g, int b) { return (16843 * r + 33030 * g + 6423 * b + 1081344) >> 16; }
// Cb and Cr of a block from the sums of its four pixels' channels.
Ipp8u blockCb(const int sum[3]) {
    return static_cast<Ipp8u>(128 + ((-9699 * sum[0] - 19071 * sum[1] + 28770 * sum[2] + 32768) >> 18));
}
Ipp8u blockCr(const int sum[3]) {
    return static_cast<Ipp8u>(128 + ((28770 * sum[0] - 24117 * sum[1] - 4653 * sum[2] + 32768) >> 18));
}

using Writer = std::function<IppStatus(const Ipp8u*, int, Ipp8u* const*, int*, IppiSize)>;

std::vector<Writer> writers() {
    std::vector<Writer> all = {ippiRGBToYCbCr420_8u_C3P3R};
    for (const planar420::Kernels* k : kernelSets()) all.emplace_back(k->fromRgb);
    return all;
}

// The entry point writes chroma only for whole 2 x 2 blocks: the planes of an
// odd-sized image keep their last column and row as they were, which a
// caller that sizes its planes floor(w/2) x floor(h/2) relies on. The
// covering form gives the cut blocks chroma too, repeating their last row
// or column.
TEST(ColourConversion, RgbTo420WritesChromaOfWholeOrCoveringBlocks) {
    std::vector<std::pair<Writer, bool>> all;
    for (const Writer& write : writers()) all.emplace_back(write, false);
    for (const planar420::Kernels* k : kernelSets()) all.emplace_back(k->fromRgbCoveringEdges, true);
    for (const auto& entry : all) {
        const Writer& write = entry.first;
        const bool covering = entry.second;
        forEachShape([&write, covering](int w, int h, test::Layout l, unsigned seed) {
            const int cw = (w + 1) / 2, ch = (h + 1) / 2;
            const TestImage src(3 * w, h, l.gap, l.bottomUp, seed);
            TestImage y(w, h, l.gap, false, seed + 1), u(cw, ch, l.gap, l.bottomUp, seed + 2),
                v(cw, ch, l.gap + 2, false, seed + 3);
            TestImage wy = y, wu = u, wv = v;
            auto at = [&](int r, int x, int c) { return src.at(r, 3 * x + c); };
            for (int r = 0; r < h; ++r)
                for (int x = 0; x < w; ++x)
                    wy.at(r, x) = static_cast<Ipp8u>(studioLuma(at(r, x, 0), at(r, x, 1), at(r, x, 2)));
            for (int m = 0; m < (covering ? ch : h / 2); ++m)
                for (int n = 0; n < (covering ? cw : w / 2); ++n) {
                    int sum[3] = {};
                    for (int dr = 0; dr < 2; ++dr)
                        for (int dx = 0; dx < 2; ++dx)
                            for (int c = 0; c < 3; ++c)
                                sum[c] += at(std::min(2 * m + dr, h - 1), std::min(2 * n + dx, w - 1), c);
                    wu.at(m, n) = blockCb(sum);
                    wv.at(m, n) = blockCr(sum);
                }
            Ipp8u* planes[3] = {y.origin(), u.origin(), v.origin()};
            int steps[3] = {y.step(), u.step(), v.step()};
            ASSERT_EQ(write(src.row(0), src.step(), planes, steps, {w, h}), ippStsNoErr);
            EXPECT_EQ(y.bytes, wy.bytes);
            EXPECT_EQ(u.bytes, wu.bytes);
            EXPECT_EQ(v.bytes, wv.bytes);
        });
    }
}

// A 3 x 3 image: nine luma samples and exactly one Cb and one Cr; planes of
// one byte, with guards after them, take no more.
TEST(ColourConversion, RgbTo420Of3x3WritesOneChromaSample) {
    std::vector<Ipp8u> rgb(27, 200);
    std::vector<Ipp8u> y(9 + 8, 0xAA), cb(1 + 8, 0xAA), cr(1 + 8, 0xAA);
    Ipp8u* planes[3] = {y.data(), cb.data(), cr.data()};
    int steps[3] = {3, 1, 1};
    for (const Writer& write : writers()) {
        ASSERT_EQ(write(rgb.data(), 9, planes, steps, {3, 3}), ippStsNoErr);
        const int sum[3] = {800, 800, 800};
        EXPECT_EQ(cb[0], blockCb(sum));
        EXPECT_EQ(cr[0], blockCr(sum));
        for (int i = 0; i < 9; ++i) EXPECT_EQ(y[i], studioLuma(200, 200, 200));
        EXPECT_EQ(std::vector<Ipp8u>(y.begin() + 9, y.end()), std::vector<Ipp8u>(8, 0xAA));
        EXPECT_EQ(std::vector<Ipp8u>(cb.begin() + 1, cb.end()), std::vector<Ipp8u>(8, 0xAA));
        EXPECT_EQ(std::vector<Ipp8u>(cr.begin() + 1, cr.end()), std::vector<Ipp8u>(8, 0xAA));
    }
}

// Every luma with every chroma pair through each kernel set: 64 images of
// 512 x 512 whose chroma is its column and row and whose blocks hold four
// lumas each.
TEST(ColourConversion, Planar420ReaderSetsAreExactForEveryInput) {
    constexpr int kSide = 512, kPixels = kSide * kSide;
    std::vector<Ipp8u> y(kPixels), cb(kPixels / 4), cr(kPixels / 4), want(3 * kPixels), wantOpaque(4 * kPixels);
    for (int i = 0; i < kPixels / 4; ++i) cb[i] = static_cast<Ipp8u>(i % 256), cr[i] = static_cast<Ipp8u>(i / 256);
    const Ipp8u* planes[3] = {y.data(), cb.data(), cr.data()};
    int steps[3] = {kSide, kSide / 2, kSide / 2};
    for (int pass = 0; pass < 64; ++pass) {
        for (int i = 0; i < kPixels; ++i) {
            const int r = i / kSide, x = i % kSide;
            y[i] = static_cast<Ipp8u>(4 * pass + 2 * (r % 2) + x % 2);
            ycbcrPixel(y[i], x / 2, r / 2, &want[3 * i]);
            ycbcrOpaquePixel(y[i], x / 2, r / 2, &wantOpaque[4 * i]);
        }
        for (const planar420::Kernels* k : kernelSets()) {
            std::vector<Ipp8u> got(3 * kPixels), gotOpaque(4 * kPixels);
            k->toRgb(planes, steps, got.data(), 3 * kSide, {kSide, kSide});
            k->toRgbx(planes, steps, gotOpaque.data(), 4 * kSide, {kSide, kSide});
            ASSERT_EQ(firstDifference(got, want), -1) << "pass " << pass;
            ASSERT_EQ(firstDifference(gotOpaque, wantOpaque), -1) << "pass " << pass;
        }
    }
}

// Every colour once, through the entry point and each kernel set: 64 images
// of 512 x 512 pixels in an order that scatters neighbours (the colour is the
// pixel's number times an odd factor, modulo 2^24), so that the 4 x 2^20
// blocks mix unrelated colours.
TEST(ColourConversion, RgbTo420IsExactForEveryColour) {
    constexpr int kSide = 512, kPixels = kSide * kSide;
    std::vector<Ipp8u> rgb(3 * kPixels), wantY(kPixels), wantCb(kPixels / 4), wantCr(kPixels / 4);
    int steps[3] = {kSide, kSide / 2, kSide / 2};
    for (unsigned pass = 0; pass < 64; ++pass) {
        for (unsigned i = 0; i < kPixels; ++i) {
            const unsigned c = ((pass * kPixels + i) * 0x9E3779B1u) & 0xFFFFFF;
            Ipp8u* p = &rgb[3 * i];
            p[0] = static_cast<Ipp8u>(c >> 16), p[1] = static_cast<Ipp8u>(c >> 8), p[2] = static_cast<Ipp8u>(c);
            wantY[i] = static_cast<Ipp8u>(studioLuma(p[0], p[1], p[2]));
        }
        for (int m = 0; m < kSide / 2; ++m)
            for (int n = 0; n < kSide / 2; ++n) {
                int sum[3] = {};
                for (int corner = 0; corner < 4; ++corner)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += rgb[3 * ((2 * m + corner / 2) * kSide + 2 * n + corner % 2) + c];
                wantCb[m * kSide / 2 + n] = blockCb(sum);
                wantCr[m * kSide / 2 + n] = blockCr(sum);
            }
        for (const Writer& write : writers()) {
            std::vector<Ipp8u> y(kPixels), cb(kPixels / 4), cr(kPixels / 4);
            Ipp8u* planes[3] = {y.data(), cb.data(), cr.data()};
            write(rgb.data(), 3 * kSide, planes, steps, {kSide, kSide});
            ASSERT_EQ(firstDifference(y, wantY), -1) << "pass " << pass;
            ASSERT_EQ(firstDifference(cb, wantCb), -1) << "pass " << pass;
            ASSERT_EQ(firstDifference(cr, wantCr), -1) << "pass " << pass;
        }
    }
}

TEST(ColourConversion, WorkedValues) {
    Ipp8u rgb[3] = {};
    // Studio range: Y 16 is black, 235 is 254 (no rounding term), 255 clamps.
    for (auto [y, out] : {std::pair{16, 0}, {235, 254}, {255, 255}}) {
        const Ipp8u yy = static_cast<Ipp8u>(y), c = 128;
        const Ipp8u* planes[3] = {&yy, &c, &c};
        int steps[3] = {1, 1, 1};
        ippiYCbCr420ToRGB_8u_P3C3R(planes, steps, rgb, 3, {1, 1});
        EXPECT_EQ(rgb[0], out);
        EXPECT_EQ(rgb[2], out);
        Ipp16u word = 0;
        ippiYCbCr420ToRGB565_8u16u_P3C3R(planes, steps, &word, 2, {1, 1});
        const Ipp16u word565 = word;
        ippiYCbCr420ToRGB555_8u16u_P3C3R(planes, steps, &word, 2, {1, 1});
        if (y == 235) {
            EXPECT_EQ(word565, 0xFFFF);
            EXPECT_EQ(word, 0x7FFF);
        }
    }
    for (auto [c, luma] : {std::pair{255, 235}, {0, 16}}) {
        const Ipp8u px[3] = {static_cast<Ipp8u>(c), static_cast<Ipp8u>(c), static_cast<Ipp8u>(c)};
        Ipp8u y = 0, cb = 0, cr = 0;
        Ipp8u* planes[3] = {&y, &cb, &cr};
        int steps[3] = {1, 1, 1};
        ippiRGBToYCbCr420_8u_C3P3R(px, 3, planes, steps, {1, 1});
        // A single pixel is no whole block: no chroma.
        EXPECT_EQ(std::vector<int>({y, cb, cr}), (std::vector<int>{luma, 0, 0}));
    }
}

// Grey from colour: integer weights rounded from the coefficients once, a
// sum that passes 255 (weights above 1) saturates, a negative one gives 0.
TEST(ColourConversion, GreyFollowsTheFormulaAndSaturates) {
    const Ipp32f stores[3] = {0.114f, 0.587f, 0.299f};
    const auto weights = [](const Ipp32f* coeffs) {
        const GreyWeights w = greyWeights(coeffs);
        return std::vector<int>{w.w0, w.w1, w.w2};
    };
    EXPECT_EQ(weights(stores), (std::vector<int>{467, 2404, 1225}));
    EXPECT_EQ(weights(nullptr), (std::vector<int>{1225, 2404, 467}));
    // Truncated towards zero after adding a half, also below zero.
    const Ipp32f odd[3] = {-0.25f / 4096, 1.5f / 4096, std::nanf("")};
    EXPECT_EQ(weights(odd), (std::vector<int>{0, 2, 0}));

    const Ipp32f heavy[3] = {0.9f, 0.9f, -0.3f};
    for (const Ipp32f* coeffs : {static_cast<const Ipp32f*>(nullptr), stores, heavy})
        for (int pixel : {3, 4})
            forEachShape([&](int width, int h, test::Layout l, unsigned seed) {
                const GreyWeights g = greyWeights(coeffs);
                const TestImage src(pixel * width, h, l.gap, l.bottomUp, seed);
                TestImage dst(width, h, l.gap, false, seed + 1);
                TestImage want = dst;
                for (int r = 0; r < h; ++r)
                    for (int x = 0; x < width; ++x) {
                        const Ipp8u* p = src.row(r) + pixel * x;
                        want.at(r, x) = static_cast<Ipp8u>(clamp8((g.w0 * p[0] + g.w1 * p[1] + g.w2 * p[2]) >> 12));
                    }
                const auto fn = pixel == 3 ? ippiColorToGray_8u_C3C1R : ippiColorToGray_8u_AC4C1R;
                ASSERT_EQ(fn(src.row(0), src.step(), dst.origin(), dst.step(), {width, h}, coeffs), ippStsNoErr);
                EXPECT_EQ(dst.bytes, want.bytes);
            });
    const Ipp8u white[3] = {255, 255, 255}, pureRed[3] = {255, 0, 0};
    Ipp8u out = 0;
    ippiColorToGray_8u_C3C1R(white, 3, &out, 1, {1, 1}, nullptr);
    EXPECT_EQ(out, 255);
    ippiColorToGray_8u_C3C1R(pureRed, 3, &out, 1, {1, 1}, nullptr);
    EXPECT_EQ(out, 76);
}

TEST(ColourConversion, TwistRoundsHalfToEvenAndSaturates) {
    const Ipp32f offsets[3][4] = {{0, 0, 0, 2.5f}, {0, 0, 0, 3.5f}, {0, 0, 0, -0.3f}};
    Ipp8u px[4] = {9, 9, 9, 77};
    ASSERT_EQ(ippiColorTwist32f_8u_AC4IR(px, 4, {1, 1}, offsets), ippStsNoErr);
    EXPECT_EQ(std::vector<int>(px, px + 4), (std::vector<int>{2, 4, 0, 77}));
    const Ipp32f big[3][4] = {{0, 0, 0, 300}, {0, 0, 0, NAN}, {1, 0, 0, 0}};
    ippiColorTwist32f_8u_C3IR(px, 3, {1, 1}, big);
    EXPECT_EQ(std::vector<int>(px, px + 3), (std::vector<int>{255, 0, 2}));

    // A matrix that reads every channel, against rounding to nearest-even in
    // the same extended sum; in place reads each pixel before writing it.
    const Ipp32f t[3][4] = {{0.5f, 0.25f, 0.125f, 1.5f}, {-0.5f, 1.0f, 0.75f, 0.5f}, {0, 0, 1, 0}};
    forEachShape([&t](int w, int h, test::Layout l, unsigned seed) {
        const TestImage src(3 * w, h, l.gap, l.bottomUp, seed);
        TestImage dst(3 * w, h, l.gap, false, seed + 1);
        if (l.bottomUp) {  // the matrix forms take no step below 1
            EXPECT_EQ(ippiColorTwist32f_8u_C3R(src.row(0), src.step(), dst.origin(), dst.step(), {w, h}, t),
                      ippStsStepErr);
            return;
        }
        TestImage want = dst;
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x) {
                const Ipp8u* s = src.row(r) + 3 * x;
                for (int k = 0; k < 3; ++k) {
                    const long double v = (static_cast<long double>(t[k][0]) * s[0] + t[k][3]) +
                                          static_cast<long double>(t[k][1]) * s[1] +
                                          static_cast<long double>(t[k][2]) * s[2];
                    want.at(r, 3 * x + k) = static_cast<Ipp8u>(std::clamp(std::nearbyint(v), 0.0L, 255.0L));
                }
            }
        ASSERT_EQ(ippiColorTwist32f_8u_C3R(src.row(0), src.step(), dst.origin(), dst.step(), {w, h}, t), ippStsNoErr);
        EXPECT_EQ(dst.bytes, want.bytes);
        TestImage inPlace = src;
        ippiColorTwist32f_8u_C3IR(inPlace.origin(), inPlace.step(), {w, h}, t);
        for (int r = 0; r < h; ++r) EXPECT_TRUE(std::equal(inPlace.row(r), inPlace.row(r) + 3 * w, want.row(r)));
    });
}

// Pointers, then size, then (only the matrix forms) steps; the plane
// pointers of the planar forms after the size.
TEST(ColourConversion, StatusOrder) {
    Ipp8u b[64] = {};
    Ipp16u words[8] = {};
    const Ipp8u* in[3] = {b, b, b};
    const Ipp8u* inNull[3] = {b, nullptr, b};
    Ipp8u* out[3] = {b, b, b};
    Ipp8u* outNull[3] = {b, b, nullptr};
    int steps[3] = {4, 4, 4};
    const Ipp32f t[3][4] = {};
    const IppiSize ok{2, 2}, empty{0, 2};
    struct Row {
        const char* name;
        std::function<IppStatus(bool null, IppiSize, int step)> fn;
        bool stepTested;
    };
    const std::vector<Row> rows = {
        {"422ToRGB",
         [&](bool n, IppiSize s, int st) { return ippiYUV422ToRGB_8u_C2C3R(n ? nullptr : b, st, b, st, s); }, false},
        {"RGBTo422",
         [&](bool n, IppiSize s, int st) { return ippiRGBToYUV422_8u_C3C2R(b, st, n ? nullptr : b, st, s); }, false},
        {"420ToRGB",
         [&](bool n, IppiSize s, int st) { return ippiYCbCr420ToRGB_8u_P3C3R(n ? nullptr : in, steps, b, st, s); },
         false},
        {"420To565",
         [&](bool n, IppiSize s, int st) {
             return ippiYCbCr420ToRGB565_8u16u_P3C3R(in, steps, n ? nullptr : words, st, s);
         },
         false},
        {"RGBTo420",
         [&](bool n, IppiSize s, int st) { return ippiRGBToYCbCr420_8u_C3P3R(b, st, n ? nullptr : out, steps, s); },
         false},
        {"Grey",
         [&](bool n, IppiSize s, int st) { return ippiColorToGray_8u_AC4C1R(b, st, n ? nullptr : b, st, s, nullptr); },
         false},
        {"Twist",
         [&](bool n, IppiSize s, int st) { return ippiColorTwist32f_8u_C3R(b, st, b, st, s, n ? nullptr : t); }, true},
        {"TwistIR", [&](bool n, IppiSize s, int st) { return ippiColorTwist32f_8u_C3IR(n ? nullptr : b, st, s, t); },
         true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.fn(true, empty, 0), ippStsNullPtrErr);
        EXPECT_EQ(r.fn(false, empty, 0), ippStsSizeErr);
        EXPECT_EQ(r.fn(false, {2, -1}, 8), ippStsSizeErr);
        EXPECT_EQ(r.fn(false, ok, 0), r.stepTested ? ippStsStepErr : ippStsNoErr);
    }
    // A null plane counts only after the size.
    EXPECT_EQ(ippiYUV420ToRGB_8u_P3C3R(inNull, steps, b, 6, empty), ippStsSizeErr);
    EXPECT_EQ(ippiYUV420ToRGB_8u_P3C3R(inNull, steps, b, 6, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiRGBToYCbCr420_8u_C3P3R(b, 6, outNull, steps, empty), ippStsSizeErr);
    EXPECT_EQ(ippiRGBToYCbCr420_8u_C3P3R(b, 6, outNull, steps, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiColorTwist32f_8u_AC4IR(b, 8, ok, nullptr), ippStsNullPtrErr);
    // A null step array is a null pointer, not a crash, in all five planar forms.
    EXPECT_EQ(ippiYUV420ToRGB_8u_P3C3R(in, nullptr, b, 6, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiYCbCr420ToRGB_8u_P3C3R(in, nullptr, b, 6, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiYCbCr420ToRGB555_8u16u_P3C3R(in, nullptr, words, 4, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiYCbCr420ToRGB565_8u16u_P3C3R(in, nullptr, words, 4, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiRGBToYCbCr420_8u_C3P3R(b, 6, out, nullptr, ok), ippStsNullPtrErr);
}

}  // namespace
}  // namespace oculon::primitives
