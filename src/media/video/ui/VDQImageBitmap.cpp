#include "media/video/ui/VDQImageBitmap.h"

#include <memory>

namespace oculon::mediavideo {

namespace {

// Formats whose pixels are 4 bytes B, G, R, A in memory, as pf32bit rows are.
bool isBgra(QImage::Format format) { return format == QImage::Format_ARGB32 || format == QImage::Format_RGB32; }

QImage::Format qtFormatOf(TPixelFormat format) {
    return format == TPixelFormat::pf32bit ? QImage::Format_ARGB32 : QImage::Format_BGR888;
}

}  // namespace

TPixelFormat TVDQImageBitmap::PixelFormat() const {
    if (FImage.isNull()) return TPixelFormat::pfDevice;
    if (isBgra(FImage.format())) return TPixelFormat::pf32bit;
    switch (FImage.format()) {
        case QImage::Format_BGR888: return TPixelFormat::pf24bit;
        case QImage::Format_RGB555: return TPixelFormat::pf15bit;
        case QImage::Format_RGB16: return TPixelFormat::pf16bit;
        case QImage::Format_Indexed8:
        case QImage::Format_Grayscale8: return TPixelFormat::pf8bit;
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB: return TPixelFormat::pf1bit;
        default: return TPixelFormat::pfCustom;
    }
}

void TVDQImageBitmap::SetSize(std::int32_t width, std::int32_t height) {
    if (width == FImage.width() && height == FImage.height()) return;
    const QImage::Format format = FImage.isNull() ? QImage::Format_BGR888 : FImage.format();
    FImage = QImage(width, height, format);
}

void TVDQImageBitmap::SetPixelFormat(TPixelFormat format) {
    if (format != TPixelFormat::pf24bit && format != TPixelFormat::pf32bit) return;
    // RGB32 would ignore what is written into the fourth byte.
    if (FImage.format() != qtFormatOf(format)) FImage = FImage.convertToFormat(qtFormatOf(format));
}

std::optional<TBitmap::Rows> TVDQImageBitmap::DIBRows(unsigned bitCount) const {
    if ((bitCount != 24 && bitCount != 32) || Empty()) return std::nullopt;
    auto rows = std::make_shared<QImage>(
        bitCount == 32 && isBgra(FImage.format())
            ? FImage
            : FImage.convertToFormat(qtFormatOf(bitCount == 32 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit)));
    return Rows{rows->constBits(), rows->bytesPerLine(), rows};
}

QImage VDBitmapCanvas(TVDBasicBitmap& bitmap) {
    if (!bitmap.HasBits()) return {};
    return QImage(bitmap.RawData(), bitmap.Width(), bitmap.Height(), bitmap.RowBytes(),
                  qtFormatOf(bitmap.GetPixelFormat()));
}

void VDBitmapFromImage(const QImage& image, TVDBasicBitmap& bitmap) {
    if (image.isNull()) return;
    const TPixelFormat format =
        image.hasAlphaChannel() || image.depth() == 32 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
    bitmap.SetPixelFormat(format);
    bitmap.SetWidth(image.width());
    bitmap.SetHeight(image.height());
    const QImage rows = image.convertToFormat(qtFormatOf(format));
    bitmap.FromBuffer(rows.constBits(), rows.bytesPerLine());
}

}  // namespace oculon::mediavideo
