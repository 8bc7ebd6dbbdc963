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
    const QSize added = platform::ui::frameAdded(window);
    return {added.width(), added.height()};
}

}  // namespace

bool framed(const QWidget& window) { return frameOf(window) != PixelSize{}; }

std::optional<ScreenRoom> popupScreenRoom(QPoint at) {
    const QScreen* screen = platform::ui::screenNearest(QRect(at, QSize(1, 1)));
    if (screen == nullptr) return std::nullopt;
    ScreenRoom room;
    room.area = pixelRect(platform::ui::roomForWindows(*screen));
    room.frame = kFrameGuess;
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (qobject_cast<const TVideobild*>(top) == nullptr || !top->isVisible() || !framed(*top)) continue;
        room.frame = frameOf(*top);
        break;
    }
    return room;
}

std::optional<ScreenRoom> popupScreenRoom(const QWidget& window, QPoint at) {
    std::optional<ScreenRoom> room = popupScreenRoom(at);
    if (room && framed(window)) room->frame = frameOf(window);
    return room;
}

}  // namespace oculon::video::ui
