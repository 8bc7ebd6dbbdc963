#pragma once
// Text a device, a file or the network chose, on its way into a widget. Two
// steps: shown() applies the shownText rule (platform/ShownText.h) to the
// outside part of a text; the widget's setter below then makes the widget
// take the whole as it stands: a label never as markup, a window title never
// with "[*]" as the modification mark, a menu entry or a button never with
// "&" as a shortcut mark, a tool tip (plainToolTip) never as rich text.
// Items of lists, grids, trees and combo boxes and painted text show their
// text plainly already and need only shown().

#include <QLabel>
#include <QString>

#include <string_view>

#include "platform/ui/PlainToolTip.h"

namespace oculon::platform::ui {

// `text` (UTF-8) after shownText.
QString shown(std::string_view text);
QString shown(const QString& text);
// The same line by line, for a text of several lines put together by the
// program: its breaks (`lineBreak`) become LF, and each line goes through
// shownText, so a break within a line (a device's name, say) shows escaped.
QString shownLines(std::string_view text, std::string_view lineBreak = "\n");

// `text` on `label`, in plain-text format.
void setPlainText(QLabel& label, const QString& text);
// For setWindowTitle: "[*]" shows as it stands.
QString plainTitle(const QString& text);
// For a menu entry (QAction, QMenu) or a button: "&" shows as it stands.
QString menuText(const QString& text);

}  // namespace oculon::platform::ui
