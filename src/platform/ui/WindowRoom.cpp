#include "platform/ui/WindowRoom.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace oculon::platform::ui {

namespace {

constexpr const char* kKeepClear = "oculonKeepWindowsClear";

}  // namespace

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

}  // namespace oculon::platform::ui
