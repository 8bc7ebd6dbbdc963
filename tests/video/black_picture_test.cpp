// The black-picture test shared by the stream decoder and the device probe.

#include <gtest/gtest.h>

#include "video/BlackTest.h"

using namespace oculon::video;

namespace {

Image filled(int w, int h, PixelFormat format, std::uint8_t value) {
    Image image;
    image.reshape(w, h, format);
    std::fill(image.pixels.begin(), image.pixels.end(), value);
    return image;
}

void setPixel(Image& image, int x, int y, std::uint8_t v) {
    std::uint8_t* p = image.row(y) + static_cast<std::size_t>(x) * bytesPerPixel(image.format);
    p[0] = p[1] = p[2] = v;
}

}  // namespace

TEST(BlackTest, DarkByEitherRule) {
    EXPECT_TRUE(isDark(30, 30, 39, 40));   // all below T
    EXPECT_TRUE(isDark(10, 10, 55, 40));   // sum 75 below 2T
    EXPECT_FALSE(isDark(30, 30, 60, 40));  // sum 120
    EXPECT_FALSE(isDark(40, 0, 40, 40));   // sum exactly 2T is not below it
}

TEST(BlackTest, SixteenBrightSamplesMakeAPicture) {
    for (const auto format : {PixelFormat::Bgrx32, PixelFormat::Rgb24}) {
        Image image = filled(640, 480, format, 0);
        EXPECT_TRUE(isBlackPicture(viewOf(image), 45, kPreviewGridMargin));
        // Spread bright points over grid positions.
        for (int i = 0; i < 15; ++i) setPixel(image, 11 * (i * 3), 11 * (i * 2), 255);
        EXPECT_EQ(brightSamples(viewOf(image), 45, kPreviewGridMargin), 15);
        EXPECT_TRUE(isBlackPicture(viewOf(image), 45, kPreviewGridMargin));
        setPixel(image, 11 * 50, 11 * 40, 255);
        EXPECT_FALSE(isBlackPicture(viewOf(image), 45, kPreviewGridMargin));
        // Off-grid points do not count.
        Image offGrid = filled(640, 480, format, 0);
        for (int i = 0; i < 40; ++i) setPixel(offGrid, 11 * i + 5, 7, 255);
        EXPECT_TRUE(isBlackPicture(viewOf(offGrid), 45, kPreviewGridMargin));
    }
}

TEST(BlackTest, MarginsDecideTheLastColumnAndRow) {
    // 24 x 24: the stream's grid takes x and y 0, 11, 22; the preview's only
    // 0 and 11, as it stops before 12.
    Image image = filled(24, 24, PixelFormat::Rgb24, 255);
    EXPECT_EQ(brightSamples(viewOf(image), 45, kStreamGridMargin), 9);
    EXPECT_EQ(brightSamples(viewOf(image), 45, kPreviewGridMargin), 4);
    EXPECT_EQ(brightSamples(ImageView{}, 45, kStreamGridMargin), 0);
}
