#pragma once
// Where the program's windows may stand on a screen: its free area, less the
// strip along its bottom edge taken by a window of ours that stays above all
// others (the menu window of a desktop without a notification area). A popup
// or dialog sized to the free area alone would have its buttons under it.
// A window that is not a popup opens on the screen the user works on, sized
// to that room and centred in it.

#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace oculon::platform::ui {

// Marks `window` as one that the program's other windows keep clear of.
void keepWindowsClearOf(QWidget& window);

// The free area of `screen` less the strip of every visible window marked
// above that stands on its bottom edge.
QRect roomForWindows(const QScreen& screen);

// The screen `window` opens on: its parent's, where it has one; else the
// one under the pointer, where the user has just chosen what opens it (in
// the notification area's menu, the menu window or a popup), as window
// managers place new windows; else the primary screen. Null without screens.
QScreen* screenToOpenOn(const QWidget& window);

// What the window manager's frame (title bar and borders) adds to
// `window`, as the window system reports it now; empty while it has none.
// The widget's own frame geometry can lag behind it.
QSize frameAdded(const QWidget& window);

// The largest size of `window`, without the frame that the window manager
// adds, that fits the room for windows on the screen it opens on.
QSize roomToOpenIn(const QWidget& window);

// Puts `window` on the screen it opens on, its frame centred in the room
// for windows there (as far as the room holds it, its top left corner in
// the room).
void centreInRoom(QWidget& window);

}  // namespace oculon::platform::ui
