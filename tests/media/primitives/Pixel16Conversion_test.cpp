// RGB565 and RGB555 against 3-byte and 4-byte pixels: every 16-bit pixel is
// expanded and packed back, every byte value is narrowed in every channel,
// and the bit layouts are read field by field. Row padding must survive.

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "media/primitives/Pixel16Conversion.h"

namespace oculon::primitives {
namespace {

// Field positions and widths: blue, green, red.
struct Layout {
    const char* name;
    int greenBits, redShift;
};
const Layout k565{"565", 6, 11}, k555{"555", 5, 10};

unsigned field(unsigned p, int shift, int bits) { return (p >> shift) & ((1u << bits) - 1); }

using Expand = IppStatus (*)(const Ipp16u*, int, Ipp8u*, int, IppiSize);
using Pack = IppStatus (*)(const Ipp8u*, int, Ipp16u*, int, IppiSize);

// Every 16-bit pixel as a 256 x 256 image, destination rows padded.
TEST(Pixel16Conversion, EveryPixelExpandsToItsFieldsAndPacksBack) {
    struct Case {
        Layout layout;
        int pixel, alpha;
        Expand expand;
        Pack pack;
    };
    const Case cases[] = {{k565, 3, -1, ippiRGB565ToRGB_8u_C3R, ippiRGB_8u_C3RToRGB565},
                          {k555, 3, -1, ippiRGB555ToRGB_8u_C3R, ippiRGB_8u_C3RToRGB555},
                          {k565, 4, 255, ippiRGB565ToRGBA_8u_AC4R, ippiRGBA_8u_AC4RToRGB565},
                          {k555, 4, 127, ippiRGB555ToRGBA_8u_AC4R, ippiRGBA_8u_AC4RToRGB555}};
    std::vector<Ipp16u> all(65536);
    for (int i = 0; i < 65536; ++i) all[i] = static_cast<Ipp16u>(i);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layout.name << " x " << c.pixel);
        const int rowBytes = 256 * c.pixel + 5;
        std::vector<Ipp8u> wide(static_cast<size_t>(rowBytes) * 256, 0xEE);
        ASSERT_EQ(c.expand(all.data(), 512, wide.data(), rowBytes, {256, 256}), ippStsNoErr);
        for (int i = 0; i < 65536; ++i) {
            const Ipp8u* px = &wide[static_cast<size_t>(i / 256) * rowBytes + (i % 256) * c.pixel];
            const int g = c.layout.greenBits;
            ASSERT_EQ(px[0], field(i, 0, 5) << 3) << i;
            ASSERT_EQ(px[1], field(i, 5, g) << (8 - g)) << i;
            ASSERT_EQ(px[2], field(i, c.layout.redShift, 5) << 3) << i;
            if (c.alpha >= 0) {
                ASSERT_EQ(px[3], c.alpha);
            }
        }
        for (int y = 0; y < 256; ++y)
            for (int k = 0; k < 5; ++k) ASSERT_EQ(wide[static_cast<size_t>(y) * rowBytes + 256 * c.pixel + k], 0xEE);

        std::vector<Ipp16u> back(257 * 256, 0xABCD);
        ASSERT_EQ(c.pack(wide.data(), rowBytes, back.data(), 514, {256, 256}), ippStsNoErr);
        for (int i = 0; i < 65536; ++i) {
            // 555 drops bit 15 of its input.
            const unsigned want = c.layout.greenBits == 5 ? i & 0x7FFF : i;
            ASSERT_EQ(back[(i / 256) * 257 + i % 256], want) << i;
        }
        for (int y = 0; y < 256; ++y) ASSERT_EQ(back[y * 257 + 256], 0xABCD);
    }
}

// Every byte value in every channel, with the alpha byte set to noise.
TEST(Pixel16Conversion, BytesNarrowToTheirTopBits) {
    std::vector<Ipp8u> rgb(3 * 256), rgba(4 * 256);
    for (int i = 0; i < 256; ++i)
        for (int k = 0; k < 4; ++k) {
            const auto v = static_cast<Ipp8u>(i * (2 * k + 1) + 17 * k);
            if (k < 3) rgb[3 * i + k] = v;
            rgba[4 * i + k] = k < 3 ? v : static_cast<Ipp8u>(i * 31);
        }
    std::vector<Ipp16u> a(256), b(256), c(256), d(256);
    ippiRGB_8u_C3RToRGB565(rgb.data(), 768, a.data(), 512, {256, 1});
    ippiRGBA_8u_AC4RToRGB565(rgba.data(), 1024, b.data(), 512, {256, 1});
    ippiRGB_8u_C3RToRGB555(rgb.data(), 768, c.data(), 512, {256, 1});
    ippiRGBA_8u_AC4RToRGB555(rgba.data(), 1024, d.data(), 512, {256, 1});
    for (int i = 0; i < 256; ++i) {
        const unsigned bl = rgb[3 * i], gr = rgb[3 * i + 1], rd = rgb[3 * i + 2];
        ASSERT_EQ(a[i], (bl >> 3) | (gr >> 2) << 5 | (rd >> 3) << 11) << i;
        ASSERT_EQ(b[i], a[i]);
        ASSERT_EQ(c[i], (bl >> 3) | (gr >> 3) << 5 | (rd >> 3) << 10) << i;
        ASSERT_EQ(d[i], c[i]);
    }
}

TEST(Pixel16Conversion, BetweenTheTwoLayoutsGreenLosesOrGainsItsLowestBit) {
    std::vector<Ipp16u> all(65536), to555(65536), to565(65536);
    for (int i = 0; i < 65536; ++i) all[i] = static_cast<Ipp16u>(i);
    ASSERT_EQ(ippiRGB565ToRGB555(all.data(), 512, to555.data(), 512, {256, 256}), ippStsNoErr);
    ASSERT_EQ(ippiRGB555ToRGB565(all.data(), 512, to565.data(), 512, {256, 256}), ippStsNoErr);
    for (unsigned p = 0; p < 65536; ++p) {
        ASSERT_EQ(to555[p], field(p, 0, 5) | field(p, 6, 5) << 5 | field(p, 11, 5) << 10) << p;
        ASSERT_EQ(to565[p], field(p, 0, 5) | field(p, 5, 5) << 6 | field(p, 10, 5) << 11) << p;
    }
    Ipp16u none = 7;
    EXPECT_EQ(ippiRGB565ToRGB555(all.data(), 2, &none, 2, {0, 5}), ippStsNoErr);
    EXPECT_EQ(none, 7);
}

// Each kernel level this processor runs gives the plain loop's bytes for
// rows of every length up to past two steps, starting at every byte of a
// cache line (the wide kernel aligns its stores, with partial first and
// last steps), and touches nothing past the row.
TEST(Pixel16Conversion, Rgb565RowsWidenAlikeAtEveryKernelLevel) {
    std::vector<Ipp16u> source(200);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<Ipp16u>(i * 40503u + 12345u);
    const auto* s = reinterpret_cast<const Ipp8u*>(source.data());
    const pixel16::Kernels& portable = *pixel16::kernelsFor(pixel16::Isa::Portable);
    for (pixel16::Isa isa : {pixel16::Isa::Portable, pixel16::Isa::Avx512}) {
        const pixel16::Kernels* k = pixel16::kernelsFor(isa);
        if (!k) continue;
        for (std::ptrdiff_t n = 1; n <= 140; ++n)
            for (std::size_t offset = 0; offset < 64; offset += n < 70 ? 1 : 13) {
                std::vector<Ipp8u> want(64 + 3 * 200, 0xEE), got(want);
                portable.rgb565ToRgb(s, want.data() + offset, n);
                k->rgb565ToRgb(s, got.data() + offset, n);
                ASSERT_EQ(got, want) << "level " << static_cast<int>(isa) << ", " << n << " pixels at " << offset;
            }
    }
}

}  // namespace
}  // namespace oculon::primitives
