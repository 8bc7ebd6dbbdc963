#pragma once
// The text of the settings dialog's widgets as the logic keeps it
// (std::string, UTF-8), and long captions broken into lines, because a check
// box or radio button does not wrap its caption by itself.

#include <QFontMetrics>
#include <QLineEdit>
#include <QString>

#include <string>

namespace oculon::settings::ui {

inline std::string str(const QLineEdit& edit) { return edit.text().toStdString(); }
inline void setStr(QLineEdit& edit, const std::string& text) { edit.setText(QString::fromStdString(text)); }

// `text` with line breaks between words so that no line is wider than
// `width` pixels in `metrics` (a single word wider than that keeps its line).
QString wrapped(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace oculon::settings::ui
