#include "platform/ui/WindowRoom.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace oculon::platform::ui {

namespace {

constexpr const char* kKeepClear = "oculonKeepWindowsClear";

// What the window manager's title bar and borders add, until a window has
// been framed.
constexpr QSize kFrameGuess(12, 40);

QSize frameExtra(const QWidget& window) {
    const QSize extra = frameAdded(window);
    return extra.isEmpty() ? kFrameGuess : extra;
}

}  // namespace

QSize frameAdded(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    if (handle == nullptr) return {};
    const QMargins margins = handle->frameMargins();
    return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

void keepWindowsClearOf(QWidget& window) { window.setProperty(kKeepClear, true); }

QRect roomForWindows(const QScreen& screen) {
    QRect room = screen.availableGeometry();
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->property(kKeepClear).toBool() || !top->isVisible() || top->isMinimized()) continue;
        const QRect frame = top->frameGeometry();
        // Only a window on the bottom edge of this screen: one the user moved
        // elsewhere takes no strip from the others.
        if (!room.intersects(frame) || frame.bottom() < room.bottom()) continue;
        room.setBottom(std::min(room.bottom(), frame.top() - 1));
    }
    return room;
}

QScreen* screenToOpenOn(const QWidget& window) {
    if (const QWidget* parent = window.parentWidget(); parent != nullptr && parent->window()->isVisible())
        return parent->window()->screen();
    if (QScreen* pointed = QGuiApplication::screenAt(QCursor::pos())) return pointed;
    return QGuiApplication::primaryScreen();
}

QSize roomToOpenIn(const QWidget& window) {
    const QScreen* screen = screenToOpenOn(window);
    if (screen == nullptr) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    return roomForWindows(*screen).size() - frameExtra(window);
}

void centreInRoom(QWidget& window) {
    QScreen* screen = screenToOpenOn(window);
    if (screen == nullptr) return;
    if (window.isWindow() && window.screen() != screen) window.setScreen(screen);
    const QRect room = roomForWindows(*screen);
    QRect frame(QPoint(), window.size() + frameExtra(window));
    frame.moveCenter(room.center());
    window.move(std::max(frame.left(), room.left()), std::max(frame.top(), room.top()));
}

}  // namespace oculon::platform::ui
