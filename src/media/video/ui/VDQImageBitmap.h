#pragma once
// The window layer's pictures for the image buffers: a QImage seen as the
// TBitmap that image buffers are made from and copied to, and QImages over
// the memory bitmaps (their canvas).

#include <QImage>

#include "media/video/VDBitmap.h"
#include "media/video/VDDIB.h"

namespace oculon::mediavideo {

// Works on the QImage it is given, which must outlive it. pf24bit is
// QImage::Format_BGR888 and pf32bit Format_ARGB32 (also Format_RGB32, whose
// fourth byte reads 255), the byte orders of the image buffers.
class TVDQImageBitmap : public TBitmap {
public:
    explicit TVDQImageBitmap(QImage& image) : FImage(image) {}

    std::int32_t Width() const override { return FImage.width(); }
    std::int32_t Height() const override { return FImage.height(); }
    TPixelFormat PixelFormat() const override;
    void SetSize(std::int32_t width, std::int32_t height) override;
    // Only pf24bit and pf32bit; others leave the image as it is.
    void SetPixelFormat(TPixelFormat format) override;
    std::uint8_t* ScanLine(std::int32_t y) override { return FImage.scanLine(y); }
    std::optional<Rows> DIBRows(unsigned bitCount) const override;

private:
    QImage& FImage;
};

// A QImage on the memory bitmap's bits, no copy: what is painted on it is
// drawn on the bitmap. Valid while the bitmap keeps its size and format; a
// null image while it has no bits.
QImage VDBitmapCanvas(TVDBasicBitmap& bitmap);
// The bitmap takes the image's size and picture: pf32bit for an image with
// an alpha channel or 32 bits per pixel, else pf24bit.
void VDBitmapFromImage(const QImage& image, TVDBasicBitmap& bitmap);

}  // namespace oculon::mediavideo
