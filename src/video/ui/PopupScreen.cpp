#include "video/ui/PopupScreen.h"

#include <QApplication>
#include <QScreen>

#include "video/ui/HauptProgramm.h"

namespace oculon::video::ui {

namespace {

PixelRect pixelRect(const QRect& r) { return {r.left(), r.top(), r.width(), r.height()}; }

}  // namespace

std::optional<ScreenRoom> popupScreenRoom(QPoint at) {
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return std::nullopt;
    ScreenRoom room;
    room.area = pixelRect(screen->availableGeometry());
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (qobject_cast<const TVideobild*>(top) == nullptr || !top->isVisible()) continue;
        room.frame = {top->frameGeometry().width() - top->width(), top->frameGeometry().height() - top->height()};
        break;
    }
    return room;
}

bool insideItsScreen(const QWidget& window) {
    const QScreen* screen = window.screen();
    return screen != nullptr && screen->availableGeometry().contains(window.frameGeometry());
}

void keepOnItsScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    const PixelRect moved = keepInside(pixelRect(window.frameGeometry()), pixelRect(screen->availableGeometry()));
    window.move(moved.left, moved.top);
}

}  // namespace oculon::video::ui
