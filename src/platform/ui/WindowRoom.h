#pragma once
// Where the program's windows may stand on a screen: its free area, less the
// strip along its bottom edge taken by a window of ours that stays above all
// others (the menu window of a desktop without a notification area). A popup
// or dialog sized to the free area alone would have its buttons under it.

#include <QRect>

class QScreen;
class QWidget;

namespace oculon::platform::ui {

// Marks `window` as one that the program's other windows keep clear of.
void keepWindowsClearOf(QWidget& window);

// The free area of `screen` less the strip of every visible window marked
// above that stands on its bottom edge.
QRect roomForWindows(const QScreen& screen);

}  // namespace oculon::platform::ui
