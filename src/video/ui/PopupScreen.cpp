#include "video/ui/PopupScreen.h"

#include <QApplication>
#include <QScreen>

#include "platform/ui/WindowRoom.h"
#include "video/ui/HauptProgramm.h"

namespace oculon::video::ui {

namespace {

PixelRect pixelRect(const QRect& r) { return {r.left(), r.top(), r.width(), r.height()}; }

// What the window manager's frame adds to `window`; nothing while it has none.
PixelSize frameOf(const QWidget& window) {
    return {window.frameGeometry().width() - window.width(), window.frameGeometry().height() - window.height()};
}

// Whether the window manager has framed `window`; it keeps the frame while
// the window is hidden.
bool hasFrame(const QWidget& window) { return frameOf(window) != PixelSize{}; }

}  // namespace

std::optional<ScreenRoom> popupScreenRoom(QPoint at) {
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return std::nullopt;
    ScreenRoom room;
    room.area = pixelRect(platform::ui::roomForWindows(*screen));
    room.frame = kFrameGuess;
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (qobject_cast<const TVideobild*>(top) == nullptr || !top->isVisible() || !hasFrame(*top)) continue;
        room.frame = frameOf(*top);
        break;
    }
    return room;
}

std::optional<ScreenRoom> popupScreenRoom(const QWidget& window) {
    std::optional<ScreenRoom> room = popupScreenRoom(window.pos());
    if (room && hasFrame(window)) room->frame = frameOf(window);
    return room;
}

bool insideItsScreen(const QWidget& window) {
    const QScreen* screen = window.screen();
    return screen != nullptr && platform::ui::roomForWindows(*screen).contains(window.frameGeometry());
}

void keepOnItsScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    const PixelRect moved =
        keepInside(pixelRect(window.frameGeometry()), pixelRect(platform::ui::roomForWindows(*screen)));
    window.move(moved.left, moved.top);
}

}  // namespace oculon::video::ui
