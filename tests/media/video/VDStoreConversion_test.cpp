// The 10 x 10 conversions between the pixel stores: every path against a
// plain per-pixel reading of both stores, the lossless pairs round-tripped
// byte for byte, and the exact values the paths give.

#include "media/video/VDStoreConversion.h"

#include "media/primitives/ColourConversion.h"
#include "media/video/StoreTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace oculon::mediavideo {
namespace {

using F = TVDVideoFormat;
using Store = std::unique_ptr<TVDSmartImageBuffer>;
using Rgb = std::array<double, 3>;  // red, green, blue

std::string name(F f) { return VDFormatName(f); }

bool isGrey(F f) { return f == F::vfGrayScale || f == F::vfGray16; }
bool isPacked422(F f) { return f == F::vfYUY2 || f == F::vfUYVY; }
bool isPlanar(F f) { return f == F::vfYV12 || f == F::vfIYUV; }

double clamp255(double v) { return std::clamp(v, 0.0, 255.0); }
unsigned word(const std::uint8_t* p) { return p[0] | p[1] << 8; }

// --- A plain reading of each format, written from its layout ---------------------

Rgb fromYuv422(double y, double u, double v) {
    u -= 128, v -= 128;
    return {clamp255(y + 1.14 * v), clamp255(y - 0.394 * u - 0.581 * v), clamp255(y + 2.032 * u)};
}

Rgb referenceColour(const TVDSmartImageBuffer& s, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* d = s.GetData();
    const std::uint32_t w = s.GetWidth(), e = s.GetExtWidth();
    switch (s.Format()) {
        case F::vfRGB24:
        case F::vfRGBA32: {
            const std::uint8_t* p = d + (x + y * e) * s.GetBytesPerPixel();
            return {double(p[2]), double(p[1]), double(p[0])};
        }
        case F::vfRGB565:
        case F::vfRGB555: {
            const unsigned v = word(d + 2 * (x + y * w));
            const bool six = s.Format() == F::vfRGB565;  // six green bits
            return {double((v >> (six ? 11 : 10) & 31) << 3), double((v >> 5 & (six ? 63 : 31)) << (six ? 2 : 3)),
                    double((v & 31) << 3)};
        }
        case F::vfYUY2:
        case F::vfUYVY: {
            // A lone last pixel has no V of its own: it takes the pair's before it.
            const std::uint32_t pair = (x & ~1u) == w - 1 && w > 1 ? x - 2 : x & ~1u;
            const std::uint8_t* p = d + y * 2 * w + 2 * pair;
            const std::uint8_t* own = d + y * 2 * w + 2 * x;
            const bool yuy2 = s.Format() == F::vfYUY2;
            return fromYuv422(own[yuy2 ? 0 : 1], p[yuy2 ? 1 : 0], p[yuy2 ? 3 : 2]);
        }
        case F::vfYV12:
        case F::vfIYUV: {
            const std::uint8_t* p2 = s.GetPlane(1) + (y / 2) * (e / 2) + x / 2;
            const std::uint8_t* p3 = s.GetPlane(2) + (y / 2) * (e / 2) + x / 2;
            if (s.FullRange()) {
                // A JPEG picture's planes: Cb first in IYUV, second in YV12.
                const double luma = d[y * e + x];
                const double cb = (s.Format() == F::vfIYUV ? *p2 : *p3) - 128.0;
                const double cr = (s.Format() == F::vfIYUV ? *p3 : *p2) - 128.0;
                return {clamp255(luma + 1.402 * cr), clamp255(luma - 0.344136 * cb - 0.714136 * cr),
                        clamp255(luma + 1.772 * cb)};
            }
            const double luma = 1.164 * (d[y * e + x] - 16);
            // YV12's second plane is what the converter calls Cb, fed blue as
            // red: it carries the red difference; IYUV the other way round.
            const double redDiff = (s.Format() == F::vfYV12 ? *p2 : *p3) - 128.0;
            const double blueDiff = (s.Format() == F::vfYV12 ? *p3 : *p2) - 128.0;
            return {clamp255(luma + 2.017 * redDiff), clamp255(luma - 0.392 * redDiff - 0.813 * blueDiff),
                    clamp255(luma + 1.596 * blueDiff)};
        }
        case F::vfGrayScale:
        case F::vfGray16: {
            const double v = s.Format() == F::vfGrayScale ? d[x + y * w] : word(d + 2 * (x + y * w)) / 257.0;
            return {v, v, v};
        }
    }
    return {};
}

double greyOf(const Rgb& c) { return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]; }

// How far a reading of the format may stray from the colour it was made from.
double tolerance(F f) { return f == F::vfRGB565 || f == F::vfRGB555 ? 8 : isPacked422(f) || isPlanar(f) ? 4 : 1; }

// --- Pictures ------------------------------------------------------------------------

// Random colours, one per 2 x 2 block (the lone last column of an odd width
// sharing the block before it, as 4:2:2 shares its chroma), channels kept
// where no YUV form clips them.
Store blockPicture(std::uint32_t w, std::uint32_t h, unsigned seed) {
    Store s = VDCreateStore(F::vfRGB24, w, h);
    std::mt19937 rng(seed);
    std::vector<TColor> blocks(((w + 1) / 2) * ((h + 1) / 2));
    for (TColor& c : blocks) c = VDColor(32 + rng() % 192, 32 + rng() % 192, 32 + rng() % 192);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint32_t bx = (x == w - 1 && w % 2 == 1 && w > 1 ? x - 1 : x) / 2;
            s->SetPixel(x, y, blocks[(y / 2) * ((w + 1) / 2) + bx]);
        }
    return s;
}

// The bytes that hold pixels, plane by plane (no row padding).
std::vector<std::uint8_t> pixelBytes(const TVDSmartImageBuffer& s) {
    const TVDStoreGeometry& g = s.Geometry();
    const std::uint32_t rowBytes = isPacked422(s.Format()) ? 2 * g.Width
                                   : isPlanar(s.Format())  ? g.Width
                                                           : g.Width * g.BytesPerPixel;
    std::vector<std::uint8_t> out;
    const auto take = [&](const std::uint8_t* p, std::uint32_t step, std::uint32_t bytes, std::uint32_t rows) {
        for (std::uint32_t r = 0; r < rows; ++r) out.insert(out.end(), p + r * step, p + r * step + bytes);
    };
    take(s.GetPlane(0), g.Step, rowBytes, g.Height);
    if (g.Planar())
        for (int k = 1; k < 3; ++k) take(s.GetPlane(k), g.ChromaStep, (g.Width + 1) / 2, g.ChromaRows);
    return out;
}

// The target read plainly shows the colours (or their grey) that the source
// read plainly shows, within `tol`; RGBA targets are opaque.
void expectSameColours(const TVDSmartImageBuffer& source, const TVDSmartImageBuffer& target, double tol) {
    ASSERT_EQ(target.GetWidth(), source.GetWidth());
    int failures = 0;
    for (std::uint32_t y = 0; y < source.GetHeight(); ++y)
        for (std::uint32_t x = 0; x < source.GetWidth() && failures < 3; ++x) {
            Rgb expected = referenceColour(source, x, y);
            if (isGrey(target.Format())) expected.fill(greyOf(expected));
            const Rgb got = referenceColour(target, x, y);
            for (int c = 0; c < 3; ++c)
                if (std::abs(got[c] - expected[c]) > tol) {
                    ADD_FAILURE() << "pixel " << x << "," << y << " channel " << c << ": " << got[c] << " for "
                                  << expected[c];
                    ++failures;
                }
            if (target.Format() == F::vfRGBA32 && source.Format() != F::vfRGBA32) {
                EXPECT_EQ(target.GetAlpha(x, y), 255);
            }
        }
}

// --- The tests -------------------------------------------------------------------------

// Every path: the target read plainly shows the colours (or their grey) the
// source read plainly shows, at an odd and an even size, and on a frame wide
// enough to be converted in several bands of rows, the last one odd; RGBA
// targets are opaque.
TEST(VDStoreConversion, EveryPathAgreesWithAPlainReadingOfBothStores) {
    for (const auto& [w, h] : {std::pair{7u, 5u}, std::pair{8u, 6u}, std::pair{2001u, 35u}})
        for (int from = 0; from < kVDFormatCount; ++from) {
            const F sf = VDFormatAt(from);
            const Store picture = blockPicture(w, h, 100 * w + from);
            const Store source = VDCreateStore(sf, *picture, true);
            for (int to = 0; to < kVDFormatCount; ++to) {
                const F tf = VDFormatAt(to);
                SCOPED_TRACE(name(sf) + " -> " + name(tf) + " at " + std::to_string(w) + "x" + std::to_string(h));
                const Store target = VDCreateStore(tf, *source, true);
                ASSERT_EQ(target->Format(), tf);
                expectSameColours(*source, *target, tolerance(sf) + tolerance(tf));
            }
        }
}

// A JPEG picture's planes (full range, Cb before Cr in IYUV) are read as
// such by every path and per pixel, where the studio-range reading would
// take a luma of 16 for black; a copy keeps them so, a conversion to a
// planar format gives that format's own studio-range planes.
TEST(VDStoreConversion, FullRangePlanesAreReadAsAJpegPictureHoldsThem) {
    for (const F planar : {F::vfIYUV, F::vfYV12})
        for (const auto& [w, h] : {std::pair{8u, 6u}, std::pair{2000u, 36u}}) {
            Store source = VDCreateStore(planar, w, h);
            source->SetFullRange(true);
            std::mt19937 rng(w + static_cast<unsigned>(planar));
            std::generate_n(source->GetData(), source->GetCharSize(), [&] { return 16 + rng() % 224; });
            source->GetPlane(0)[0] = 16;
            source->GetPlane(1)[0] = source->GetPlane(2)[0] = 128;
            EXPECT_EQ(source->GetPixel(0, 0), VDGreyColor(16));
            for (std::uint32_t y = 0; y < h; y += 5)
                for (std::uint32_t x = 0; x < w; x += 3) {
                    const Rgb expected = referenceColour(*source, x, y);
                    const TColor got = source->GetPixel(x, y);
                    const double channels[3] = {double(VDColorRed(got)), double(VDColorGreen(got)),
                                                double(VDColorBlue(got))};
                    for (int c = 0; c < 3; ++c) EXPECT_NEAR(channels[c], expected[c], 1);
                }
            EXPECT_TRUE(source->CloneStore(true)->FullRange());
            EXPECT_FALSE(source->CloneStore(false)->FullRange());
            for (int to = 0; to < kVDFormatCount; ++to) {
                const F tf = VDFormatAt(to);
                SCOPED_TRACE(name(planar) + " full range -> " + name(tf) + " at " + std::to_string(w));
                const Store target = VDCreateStore(tf, *source, true);
                EXPECT_EQ(target->FullRange(), tf == planar);
                if ((isPlanar(tf) && tf != planar) || isPacked422(tf)) {
                    // Shared chroma of random pixels strays far: the bytes of the road through RGB24.
                    const Store rgb = VDCreateStore(F::vfRGB24, *source, true);
                    EXPECT_TRUE(pixelBytes(*target) == pixelBytes(*VDCreateStore(tf, *rgb, true)));
                } else {
                    expectSameColours(*source, *target, 1 + tolerance(tf));
                }
            }
        }
}

// Conversions that lose nothing on the way there and back, from every value
// a store of the source format holds, the odd sizes and a single pixel
// included.
TEST(VDStoreConversion, LosslessPairsRoundTripByteForByte) {
    const std::pair<F, F> pairs[] = {
        {F::vfRGB24, F::vfRGBA32},     {F::vfRGBA32, F::vfRGB24},     {F::vfYUY2, F::vfUYVY},
        {F::vfUYVY, F::vfYUY2},        {F::vfYV12, F::vfIYUV},        {F::vfIYUV, F::vfYV12},
        {F::vfRGB565, F::vfRGB24},     {F::vfRGB565, F::vfRGBA32},    {F::vfRGB555, F::vfRGB24},
        {F::vfRGB555, F::vfRGBA32},    {F::vfRGB555, F::vfRGB565},    {F::vfGrayScale, F::vfRGB24},
        {F::vfGrayScale, F::vfRGBA32}, {F::vfGrayScale, F::vfGray16}, {F::vfGray16, F::vfGrayScale},
        {F::vfGray16, F::vfRGB24},     {F::vfGray16, F::vfRGBA32},
    };
    for (const auto& [w, h] :
         {std::pair{1u, 1u}, std::pair{7u, 5u}, std::pair{8u, 6u}, std::pair{13u, 3u}, std::pair{2001u, 35u}})
        for (const auto& [from, via] : pairs) {
            SCOPED_TRACE(name(from) + " -> " + name(via) + " at " + std::to_string(w) + "x" + std::to_string(h));
            const Store source = testkit::randomStore(from, w, h, w * 31 + h, true);
            const Store there = VDCreateStore(via, *source, true);
            const Store back = VDCreateStore(from, *there, true);
            EXPECT_EQ(pixelBytes(*back), pixelBytes(*source));
        }
}

// The B, G, R bytes of an RGB24 store go to and from YUY2 in one pass; they
// must give the bytes of the R, G, B conversions on a swapped copy.
TEST(VDStoreConversion, Packed422PathsGiveTheSwappedConversionsBytes) {
    for (const auto& [w, h] : {std::pair{1u, 1u}, std::pair{7u, 5u}, std::pair{64u, 2u}, std::pair{2001u, 9u}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const Store bgr = testkit::randomStore(F::vfRGB24, w, h, w + h);
        std::vector<std::uint8_t> rgb = pixelBytes(*bgr);
        for (std::size_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
        const primitives::IppiSize roi{static_cast<int>(w), static_cast<int>(h)};
        const int rgbStep = static_cast<int>(3 * w), pairStep = static_cast<int>(2 * w);
        std::vector<std::uint8_t> pairs(2 * w * h), back(3 * w * h);
        primitives::ippiRGBToYUV422_8u_C3C2R(rgb.data(), rgbStep, pairs.data(), pairStep, roi);
        const Store yuy2 = VDCreateStore(F::vfYUY2, *bgr, true);
        EXPECT_EQ(pixelBytes(*yuy2), pairs);
        primitives::ippiYUV422ToRGB_8u_C2C3R(pairs.data(), pairStep, back.data(), rgbStep, roi);
        for (std::size_t i = 0; i < back.size(); i += 3) std::swap(back[i], back[i + 2]);
        EXPECT_EQ(pixelBytes(*VDCreateStore(F::vfRGB24, *yuy2, true)), back);
    }
}

// The values the grey weights give on the way through RGBA and 565, and the
// colours 4:2:2 and 4:2:0 keep there and back: grey stays grey, red red.
TEST(VDStoreConversion, GreyAndColourValuesOfTheKnownPaths) {
    Store red = VDCreateStore(F::vfRGB24, 5, 3), grey = VDCreateStore(F::vfRGB24, 5, 3);
    for (std::uint32_t y = 0; y < 3; ++y)
        for (std::uint32_t x = 0; x < 5; ++x) {
            red->SetPixel(x, y, VDColor(255, 0, 0));
            grey->SetPixel(x, y, VDGreyColor(std::uint8_t(40 * x + 10 * y + 30)));
        }
    const auto via = [](F format, const TVDSmartImageBuffer& s, F target) {
        return VDCreateStore(target, *VDCreateStore(format, s, true), true);
    };
    EXPECT_EQ(via(F::vfRGB24, *red, F::vfGrayScale)->GetData()[0], 76);
    EXPECT_EQ(via(F::vfRGBA32, *red, F::vfGrayScale)->GetData()[0], 76);
    EXPECT_EQ(via(F::vfRGB565, *red, F::vfGrayScale)->GetData()[0], 74);
    EXPECT_EQ(via(F::vfRGB565, *red, F::vfRGB24)->GetPixel(0, 0), VDColor(248, 0, 0));
    for (F yuv : {F::vfYUY2, F::vfUYVY, F::vfYV12, F::vfIYUV}) {
        SCOPED_TRACE(name(yuv));
        const Store greyBack = via(yuv, *grey, F::vfRGB24), redBack = via(yuv, *red, F::vfRGB24);
        for (std::uint32_t y = 0; y < 3; ++y)
            for (std::uint32_t x = 0; x < 5; ++x) {
                const TColor g = greyBack->GetPixel(x, y), r = redBack->GetPixel(x, y);
                EXPECT_EQ(g, VDGreyColor(VDColorRed(g)));
                EXPECT_GT(VDColorRed(r), std::max(VDColorGreen(r), VDColorBlue(r)) + 100);
            }
    }
}

}  // namespace
}  // namespace oculon::mediavideo
