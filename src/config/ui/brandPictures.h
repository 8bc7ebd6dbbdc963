#pragma once
// Pictures of the brand that the dialogs show, drawn at run time so that the
// program needs no image files: the window icon and the strip on the left.

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace oculon::config::ui {

// The white-on-blue brand icon of dialog windows.
QIcon korvatWeissIcon();

// The picture strip down the left side of the dialogs.
QPixmap pictureStrip(QSize size);

}  // namespace oculon::config::ui
