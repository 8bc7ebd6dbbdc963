#include "player/ui/ExportCaption.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

#include "platform/ui/PlainText.h"
#include "player/ui/VideoViewer.h"

namespace oculon::player::ui {

namespace {

constexpr int kCaptionPixelSize = 12;
constexpr int kCaptionLeft = 5;
constexpr int kCaptionTop = 5;

QFont captionFont() {
    QFont font;
    font.setPixelSize(kCaptionPixelSize);
    return font;
}

}  // namespace

void drawCaption(video::Image& picture, int x, int y, const QString& text) {
    const QImage::Format format =
        picture.format == video::PixelFormat::Bgrx32 ? QImage::Format_RGB32 : QImage::Format_RGB888;
    QImage canvas(picture.pixels.data(), picture.width, picture.height, static_cast<qsizetype>(picture.stride), format);
    QPainter painter(&canvas);
    const QFont font = captionFont();
    painter.setFont(font);
    // An opaque ground, so that the text reads on light and dark pictures.
    const QFontMetrics metrics(font);
    const QRect box = metrics.boundingRect(text).translated(x, y + metrics.ascent());
    painter.fillRect(box.adjusted(-1, 0, 1, 0), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(x, y + metrics.ascent(), text);
}

CaptionPainter captionPainter(const std::string& cameraName) {
    const QString camera = platform::ui::shown(cameraName);
    return [camera](video::Image& picture, const video::TTimeStamp& time) {
        drawCaption(picture, kCaptionLeft, kCaptionTop, dateTimeText(time) + QLatin1Char(' ') + camera);
    };
}

int captionRows(const std::string& cameraName) {
    const QFontMetrics metrics(captionFont());
    // Digits and separators of any date format, and the camera's name, whose
    // letters may come from a fallback font reaching lower than this one.
    const QString reach = QStringLiteral("0123456789/.:-, ") + platform::ui::shown(cameraName);
    const int below = std::max(metrics.descent(), metrics.boundingRect(reach).bottom() + 1);
    constexpr int kSmoothing = 2;
    const int rows = kCaptionTop + metrics.ascent() + below + kSmoothing;
    return rows + rows % 2;
}

}  // namespace oculon::player::ui
