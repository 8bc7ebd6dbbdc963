#pragma once
// The screen as the placement of live-video popups sees it (see
// video/PopupPlacement.h).

#include <QPoint>
#include <QWidget>

#include <optional>

#include "video/PopupPlacement.h"

namespace oculon::video::ui {

// The free area of the screen that holds `at` (else of the primary screen)
// and the frame the window manager puts around a popup, as one on the screen
// shows it (a guess before the first popup was shown).
std::optional<ScreenRoom> popupScreenRoom(QPoint at);
// The same for `window`, with its own frame once it has had one.
std::optional<ScreenRoom> popupScreenRoom(const QWidget& window);

// Whether the shown window's frame lies inside its screen's free area.
bool insideItsScreen(const QWidget& window);
// Moves the shown window's frame into its screen's free area.
void keepOnItsScreen(QWidget& window);

}  // namespace oculon::video::ui
