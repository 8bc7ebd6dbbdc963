// QImages as the window layer's bitmaps: frames from and to them, their
// DIB reads, BMP files read back by Qt, painting on a memory bitmap.

#include "media/video/ui/VDQImageBitmap.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QPainter>

#include "../ImageTestKit.h"

namespace oculon::mediavideo {
namespace {

using F = TVDVideoFormat;

TColor colourOf(QRgb rgb) {
    return VDColor(static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
                   static_cast<std::uint8_t>(qBlue(rgb)));
}

// The pixels whose colour differs.
std::size_t differences(const TVDImageBuffer& frame, const QImage& image) {
    std::size_t n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += colourOf(image.pixel(x, y)) !=
                 frame.GetPixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
    return n;
}

QImage gradient(int width, int height, QImage::Format format) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 255));
    return image;
}

TEST(VDQImageBitmap, FramesFromImagesOfAnyFormat) {
    for (const auto& [format, frameFormat] :
         {std::pair{QImage::Format_RGB32, F::vfRGBA32}, std::pair{QImage::Format_ARGB32, F::vfRGBA32},
          std::pair{QImage::Format_RGB888, F::vfRGB24}, std::pair{QImage::Format_BGR888, F::vfRGB24},
          std::pair{QImage::Format_RGB16, F::vfRGB24}, std::pair{QImage::Format_Grayscale8, F::vfRGB24}}) {
        const QImage image = gradient(37, 11, format).convertToFormat(format);
        QImage held = image;
        const auto frame = TVDImageBuffer::CreateBmp(TVDQImageBitmap(held));
        EXPECT_EQ(frame->GetFormat(), frameFormat) << format;
        EXPECT_EQ(differences(*frame, image), 0u) << format;
        EXPECT_EQ(frame->GetAlpha(36, 10), 255) << format;
    }
    // An empty bitmap changes nothing.
    const auto frame = testkit::randomFrame(3, 2, F::vfGray16, 1);
    const auto before = testkit::pixels(*frame);
    QImage empty;
    frame->FromBitmap(TVDQImageBitmap(empty));
    EXPECT_EQ(frame->GetFormat(), F::vfGray16);
    EXPECT_EQ(testkit::pixels(*frame), before);
}

TEST(VDQImageBitmap, FramesToImages) {
    for (const F format : {F::vfRGB24, F::vfRGBA32, F::vfGrayScale}) {
        const auto frame = testkit::randomFrame(13, 7, format, 3);
        QImage image(2, 2, QImage::Format_Mono);
        TVDQImageBitmap bitmap(image);
        frame->ToBitmap(bitmap);
        EXPECT_EQ(image.format(), format == F::vfRGBA32 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        EXPECT_EQ(image.size(), QSize(13, 7));
        EXPECT_EQ(differences(*frame, image), 0u) << VDFormatName(format);
        EXPECT_EQ(qAlpha(image.pixel(5, 6)), frame->GetAlpha(5, 6));
    }
}

// Rows land top-down at the caller's row width; nothing is written when the
// read is refused.
TEST(VDQImageBitmap, DIBReadsAtTheCallersRowWidth) {
    for (const unsigned bits : {24u, 32u}) {
        QImage image = gradient(5, 3, QImage::Format_RGB888);
        const TVDQImageBitmap bitmap(image);
        const std::size_t pixel = bits / 8;
        std::vector<std::uint8_t> out(8 * pixel * 3, 0xEE);
        BITMAPINFOHEADER header;
        ASSERT_TRUE(SGGetDIB(bitmap, header, bits, 8, out));
        EXPECT_EQ(header.biHeight, -3);
        for (std::size_t y = 0; y < 3; ++y) {
            const std::uint8_t* px = out.data() + y * 8 * pixel + 4 * pixel;  // the fifth pixel of row y
            EXPECT_EQ(VDColor(px[2], px[1], px[0]), colourOf(image.pixel(4, static_cast<int>(y))));
            EXPECT_EQ(px[pixel], 0xEE);  // the caller's padding is left alone
        }
        std::vector<std::uint8_t> small(8 * pixel * 2 + 5 * pixel - 1, 0xEE);
        EXPECT_FALSE(SGGetDIB(bitmap, header, bits, 4, out));
        EXPECT_FALSE(SGGetDIB(bitmap, header, bits, 8, small));
        EXPECT_EQ(std::count(small.begin(), small.end(), 0xEE), static_cast<long>(small.size()));
    }
}

TEST(VDQImageBitmap, LargeBmpFilesReadBackByQt) {
    testkit::largeBmpFiles([](const IVDImageBuffer& frame, const std::string& path) {
        const QImage image(QString::fromStdString(path));
        ASSERT_EQ(image.size(), QSize(1283, 721));
        EXPECT_EQ(differences(*frame, image), 0u);
    });
}

TEST(VDQImageBitmap, PaintingOnTheCanvasDrawsOnTheBitmap) {
    TVDBitmap bitmap;
    EXPECT_TRUE(VDBitmapCanvas(bitmap).isNull());
    const QImage picture = gradient(9, 5, QImage::Format_RGB888);
    VDBitmapFromImage(picture, bitmap);
    EXPECT_EQ(bitmap.GetPixelFormat(), TPixelFormat::pf24bit);
    {
        QImage canvas = VDBitmapCanvas(bitmap);
        QPainter painter(&canvas);
        painter.fillRect(0, 0, 2, 2, QColor(10, 20, 30));
    }
    const auto frame = TVDImageBuffer::CreateSize(1, 1, F::vfRGB24);
    frame->FromBitmap(bitmap);
    EXPECT_EQ(frame->GetPixel(1, 1), VDColor(10, 20, 30));
    EXPECT_EQ(frame->GetPixel(2, 1), colourOf(picture.pixel(2, 1)));
}

}  // namespace
}  // namespace oculon::mediavideo
