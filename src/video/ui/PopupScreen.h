#pragma once
// The screen as the placement of live-video popups sees it (see
// video/PopupPlacement.h).

#include <QPoint>
#include <QWidget>

#include <optional>

#include "video/PopupPlacement.h"

namespace oculon::video::ui {

// The free area of the screen that holds `at` (else of the nearest one)
// and the frame the window manager puts around a popup, as one on the screen
// shows it (a guess before the first popup was shown).
std::optional<ScreenRoom> popupScreenRoom(QPoint at);
// The same with `window`'s own frame once it has had one.
std::optional<ScreenRoom> popupScreenRoom(const QWidget& window, QPoint at);

// Whether the window manager has framed `window`, by the frame it reports
// now (the widget's own idea of its frame can lag behind); it keeps the
// frame while the window is hidden.
bool framed(const QWidget& window);

}  // namespace oculon::video::ui
