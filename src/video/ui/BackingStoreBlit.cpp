#include "video/ui/BackingStoreBlit.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace oculon::video::ui {

void streamRows(std::uint8_t* to, std::size_t toStride, const std::uint8_t* from, std::size_t fromStride,
                std::size_t rowBytes, int rows) {
#if defined(__SSE2__)
    // Lines the row covers only in part keep ordinary stores: a streaming
    // store pays only when it writes the whole line.
    constexpr std::size_t kLine = 64;
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* d = to + toStride * static_cast<std::size_t>(y);
        const std::uint8_t* s = from + fromStride * static_cast<std::size_t>(y);
        std::size_t n = rowBytes;
        const std::size_t head = std::min(n, (kLine - reinterpret_cast<std::uintptr_t>(d) % kLine) % kLine);
        std::memcpy(d, s, head);
        d += head;
        s += head;
        n -= head;
        for (; n >= kLine; n -= kLine, d += kLine, s += kLine) {
            for (std::size_t i = 0; i < kLine; i += 16) {
                _mm_stream_si128(reinterpret_cast<__m128i*>(d + i),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
            }
        }
        std::memcpy(d, s, n);
    }
    // Streaming stores are not ordered with later ones: whoever reads the
    // rows next (the window system's flush) sees them complete.
    _mm_sfence();
#else
    for (int y = 0; y < rows; ++y) {
        std::memcpy(to + toStride * static_cast<std::size_t>(y), from + fromStride * static_cast<std::size_t>(y),
                    rowBytes);
    }
#endif
}

namespace {

bool isOpaque32(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

// The painter's device pixel of the widget's origin, when its transform
// moves by whole pixels only.
bool wholePixelOffset(const QTransform& transform, QPoint& offset) {
    if (transform.type() > QTransform::TxTranslate) return false;
    const qreal dx = transform.dx();
    const qreal dy = transform.dy();
    if (dx != std::round(dx) || dy != std::round(dy)) return false;
    offset = QPoint(static_cast<int>(dx), static_cast<int>(dy));
    return true;
}

}  // namespace

bool blitOpaque(QPainter& painter, const QImage& bitmap, const QRegion& region) {
    QPaintEngine* engine = painter.paintEngine();
    if (!painter.isActive() || engine == nullptr || engine->type() != QPaintEngine::Raster) return false;
    QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image) return false;
    auto& target = *static_cast<QImage*>(device);
    // RGB32 onto either format is a plain copy of the bytes in Qt's own
    // drawing as well; anything else (an opacity, a composition mode, a clip
    // or a scale of the painter) goes through Qt.
    if (bitmap.format() != QImage::Format_RGB32 || !isOpaque32(target.format()) || bitmap.devicePixelRatio() != 1.0 ||
        target.devicePixelRatio() != 1.0 || painter.opacity() != 1.0 || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver || !target.isDetached()) {
        return false;
    }
    QPoint offset;
    if (!wholePixelOffset(painter.deviceTransform(), offset)) return false;
    // What Qt would paint: the region, within the bitmap, within the system
    // clip the repaint set (device coordinates; none when empty).
    QRegion paint = (region & bitmap.rect()).translated(offset) & target.rect();
    if (const QRegion clip = engine->systemClip(); !clip.isEmpty()) paint &= clip;
    // Detached already (checked above), so this is no copy.
    std::uint8_t* bits = target.bits();
    const auto toStride = static_cast<std::size_t>(target.bytesPerLine());
    const auto fromStride = static_cast<std::size_t>(bitmap.bytesPerLine());
    for (const QRect& r : paint) {
        const QPoint at = r.topLeft() - offset;
        streamRows(
            bits + toStride * static_cast<std::size_t>(r.top()) + static_cast<std::size_t>(r.left()) * 4, toStride,
            bitmap.constBits() + fromStride * static_cast<std::size_t>(at.y()) + static_cast<std::size_t>(at.x()) * 4,
            fromStride, static_cast<std::size_t>(r.width()) * 4, r.height());
    }
    return true;
}

}  // namespace oculon::video::ui
