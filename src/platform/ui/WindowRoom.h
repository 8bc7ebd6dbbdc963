#pragma once
// Where the program's windows may stand on a screen: its free area, less the
// strip along its bottom edge taken by a window of ours that stays above all
// others (the menu window of a desktop without a notification area). A popup
// or dialog sized to the free area alone would have its buttons under it.
// A window that is not a popup opens on the screen the user works on, sized
// to that room and centred in it. When a screen goes, or its free area
// changes, every window comes back wholly into the room of a screen that is
// left.

#include <QRect>
#include <QSize>

#include <functional>
#include <optional>
#include <vector>

class QScreen;
class QWidget;

namespace oculon::platform::ui {

// Marks `window` as one that the program's other windows keep clear of.
void keepWindowsClearOf(QWidget& window);

// `window`, open already, comes back into its room (as bringBackIntoRoom,
// or by its own rule) whenever a window marked above comes up or moves
// over it, so that its buttons are never under that window.
void followWindowsKeptClear(QWidget& window);

// The free area of `screen` less the strip of every visible window marked
// above that stands on its bottom edge, but `except`'s own.
QRect roomForWindows(const QScreen& screen, const QWidget* except = nullptr);

// Which of `areas` a frame at `frame` belongs to: the one that holds most of
// it, else the nearest; -1 without areas.
int nearestArea(const QRect& frame, const std::vector<QRect>& areas);

// The screen a frame at `frame` belongs to (see nearestArea): a window left
// where a screen has gone goes to the nearest one left. Null without screens.
QScreen* screenNearest(const QRect& frame);

// Whether one screen holds the whole of `frame`.
bool wholeOnAScreen(const QRect& frame);

// Where a frame at `frame` comes back to: where it is, where one of `rooms`
// holds it whole; else into the nearest room, no larger than that and moved
// as little as possible.
QRect backIntoRooms(const QRect& frame, const std::vector<QRect>& rooms);

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

// Where a frame of `wanted` size goes in `room` so that it covers nothing of
// `other`: next to the side of `other` with the most room free beside it,
// centred along that side, no larger than that room; none where no side
// leaves `least`.
std::optional<QRect> besideInRoom(const QRect& other, const QSize& wanted, const QSize& least, const QRect& room);

// Puts `window` on the screen of `other` (a window that must stay in sight
// and usable, a call's), beside it as besideInRoom finds, at its size or
// smaller; centred in that screen's room where no side leaves room enough.
void placeBeside(QWidget& window, const QWidget& other);

// Brings `window` wholly back into the room for windows of a screen where
// no room holds its frame (see backIntoRooms); it lays out for the size it
// gets. A maximised or full-screen window is the window manager's.
void bringBackIntoRoom(QWidget& window);

// A window with a place rule of its own, built on the ones above, comes back
// onto the screens by `comeBack` instead of by bringBackIntoRoom.
void comeBackBy(QWidget& window, std::function<void()> comeBack);

// From now on a screen that comes or goes, or whose free area changes,
// brings every window of the program back wholly onto the screens: first
// those the others keep clear of, whose strip the others' room leaves out.
void followScreenChanges();

}  // namespace oculon::platform::ui
