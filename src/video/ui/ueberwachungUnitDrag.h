#pragma once
// The drag of a camera onto the surveillance wall: the settings dialog's
// camera list starts it with dragCameraToWall(), a wall tile accepts the
// payload and hands the text to TueberwachungForm::dropCamera().

#include <QMimeData>
#include <QPixmap>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace oculon::video::ui {

// The item's caption (its first line is the camera's address ":" port),
// UTF-8 encoded.
inline const QString kCameraMimeType = QStringLiteral("application/x-oculon-camera");

std::unique_ptr<QMimeData> cameraMimeData(const std::string& caption);
// The caption, or nothing when the drag carries no camera.
std::optional<std::string> cameraFromMime(const QMimeData* mime);

// Drags the camera `caption` from `source`, `picture` under the pointer,
// until the user lets go. The settings dialog the drag starts from is modal
// and holds every other window of the program, but the walls take the drop.
void dragCameraToWall(QWidget& source, const std::string& caption, const QPixmap& picture);

}  // namespace oculon::video::ui
