#pragma once
// Message boxes that show their text as it stands, never as rich text: what
// they say may hold a device's answer or a file's name, and markup there must
// not turn into headings or links. Outside text in them goes through
// shownText() (platform/ShownText.h) first.

#include <QMessageBox>

namespace oculon::platform::ui {

// A new box; `parent` owns it (the caller, when there is none).
QMessageBox* plainMessageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                             QMessageBox::StandardButtons buttons, QWidget* parent);
// Shows a box modally and returns the button that closed it.
int execPlainMessage(QMessageBox::Icon icon, const QString& title, const QString& text, QWidget* parent = nullptr,
                     QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// Shows a box with an OK button that holds nothing up; it goes when closed.
void showPlainMessage(QMessageBox::Icon icon, const QString& title, const QString& text, QWidget* parent);

}  // namespace oculon::platform::ui
