#include "video/ui/ueberwachungUnitDrag.h"

namespace oculon::video::ui {

// A caption is a few lines; anything larger is not one of ours.
constexpr qsizetype kMaxCaption = 4096;

std::unique_ptr<QMimeData> cameraMimeData(const std::string& caption) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kCameraMimeType, QByteArray::fromStdString(caption));
    return mime;
}

std::optional<std::string> cameraFromMime(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasFormat(kCameraMimeType)) return std::nullopt;
    const QByteArray data = mime->data(kCameraMimeType);
    if (data.isEmpty() || data.size() > kMaxCaption) return std::nullopt;
    return data.toStdString();
}

}  // namespace oculon::video::ui
