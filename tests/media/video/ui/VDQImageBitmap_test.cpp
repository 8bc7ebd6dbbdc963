// Frames from and to QImages, BMP files read back by Qt, and painting on a
// memory bitmap through its canvas.

#include "media/video/ui/VDQImageBitmap.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QPainter>

#include "../ImageTestKit.h"
#include "support/ChildProcess.h"

namespace oculon::mediavideo {
namespace {

using F = TVDVideoFormat;

TColor colourOf(QRgb rgb) {
    return VDColor(static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
                   static_cast<std::uint8_t>(qBlue(rgb)));
}

// Counts the pixels whose colour differs.
std::size_t differences(const TVDImageBuffer& frame, const QImage& image) {
    std::size_t n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += colourOf(image.pixel(x, y)) != frame.GetPixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
    return n;
}

QImage gradient(int width, int height, QImage::Format format) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x ^ y) & 255, 255));
    return image;
}

TEST(VDQImageBitmap, FramesFromImagesOfAnyFormat) {
    for (const auto& [format, frameFormat] : {std::pair{QImage::Format_RGB32, F::vfRGBA32},
                                             std::pair{QImage::Format_ARGB32, F::vfRGBA32},
                                             std::pair{QImage::Format_RGB888, F::vfRGB24},
                                             std::pair{QImage::Format_BGR888, F::vfRGB24},
                                             std::pair{QImage::Format_RGB16, F::vfRGB24}}) {
        QImage image = gradient(37, 11, format);
        const auto frame = TVDImageBuffer::CreateBmp(TVDQImageBitmap(image));
        EXPECT_EQ(frame->GetFormat(), frameFormat) << format;
        EXPECT_EQ(differences(*frame, image), 0u) << format;
        EXPECT_EQ(frame->GetAlpha(36, 10), 255) << format;
    }
    QImage empty;
    EXPECT_EQ(TVDImageBuffer::CreateBmp(TVDQImageBitmap(empty))->GetWidth(), 0u);
}

TEST(VDQImageBitmap, FramesToImages) {
    for (const F format : {F::vfRGB24, F::vfRGBA32, F::vfGrayScale}) {
        const auto frame = testkit::randomFrame(13, 7, format, 3);
        QImage image(2, 2, QImage::Format_Mono);
        TVDQImageBitmap bitmap(image);
        frame->ToBitmap(bitmap);
        EXPECT_EQ(image.size(), QSize(13, 7));
        EXPECT_EQ(image.format(), format == F::vfRGBA32 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        EXPECT_EQ(differences(*frame, image), 0u) << VDFormatName(format);
        if (format == F::vfRGBA32) {
            EXPECT_EQ(qAlpha(image.pixel(5, 6)), frame->GetAlpha(5, 6));
        }
    }
}

TEST(VDQImageBitmap, LargeBmpFilesReadBackByQt) {
    testsupport::TempDir dir;
    for (const F format : {F::vfRGB24, F::vfRGBA32}) {
        const auto frame = testkit::randomFrame(1283, 721, format, 4);
        const std::string path = dir.path() + "/large.bmp";
        frame->SaveToBitmapFile(path);
        const QImage image(QString::fromStdString(path));
        ASSERT_EQ(image.size(), QSize(1283, 721)) << VDFormatName(format);
        EXPECT_EQ(differences(*frame, image), 0u) << VDFormatName(format);
    }
}

TEST(VDQImageBitmap, PaintingOnTheCanvasDrawsOnTheBitmap) {
    TVDBitmap bitmap;
    EXPECT_TRUE(VDBitmapCanvas(bitmap).isNull());
    QImage picture = gradient(9, 5, QImage::Format_RGB888);
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
    VDBitmapFromImage(gradient(4, 4, QImage::Format_ARGB32), bitmap);
    EXPECT_EQ(bitmap.GetPixelFormat(), TPixelFormat::pf32bit);
}

}  // namespace
}  // namespace oculon::mediavideo
