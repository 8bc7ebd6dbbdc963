#pragma once
// The tray program's pictures, drawn at run time: the tray icon (also in its
// paused form), the brand logo of the about box and the two signal lamps
// (red and yellow while starting, green once running).

#include <QIcon>
#include <QPixmap>

namespace oculon::app::ui {

QIcon trayIcon(bool paused);  // "nkorvat", "nkorvatPause"
QPixmap korvatLogo(QSize size);
QPixmap signalLamps(bool running, QSize size);  // "gruenImg" / "rotGelbImg"

}  // namespace oculon::app::ui
