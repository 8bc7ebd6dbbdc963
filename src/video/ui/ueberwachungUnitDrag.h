#pragma once
// The drag payload of a camera dragged onto the surveillance wall: the
// settings dialog's camera list starts a drag with cameraMimeData(), a wall
// tile accepts it and hands the text to TueberwachungForm::dropCamera().

#include <QMimeData>
#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace oculon::video::ui {

// The item's caption (its first line is the camera's address ":" port),
// UTF-8 encoded.
inline const QString kCameraMimeType = QStringLiteral("application/x-oculon-camera");

std::unique_ptr<QMimeData> cameraMimeData(const std::string& caption);
// The caption, or nothing when the drag carries no camera.
std::optional<std::string> cameraFromMime(const QMimeData* mime);

}  // namespace oculon::video::ui
