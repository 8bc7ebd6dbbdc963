#pragma once
// The text of the settings dialog's widgets as the logic keeps it
// (std::string, UTF-8), and long captions broken into lines, because a check
// box or radio button does not wrap its caption by itself.

#include <QFontMetrics>
#include <QLineEdit>
#include <QString>

#include <string>

#include "platform/ShownText.h"

namespace oculon::settings::ui {

inline std::string str(const QLineEdit& edit) { return edit.text().toStdString(); }
inline void setStr(QLineEdit& edit, const std::string& text) { edit.setText(QString::fromStdString(text)); }
// A device's or a station's name, read as every window shows it (Latin-1
// where it is no UTF-8). It reads back in UTF-8, which names the same
// device (config::sameStationName).
inline void setName(QLineEdit& edit, const std::string& name) {
    edit.setText(QString::fromStdString(platform::utf8OrLatin1(name)));
}

// A stored text shown in an edit, which reads back the stored bytes as they
// were unless the user changed what it shows: a text that is no valid UTF-8
// is shown with replacement characters.
class StoredText {
public:
    void show(QLineEdit& edit, const std::string& stored) {
        stored_ = stored;
        setStr(edit, stored);
        shown_ = edit.text();
    }
    std::string value(const QLineEdit& edit) const { return edit.text() == shown_ ? stored_ : str(edit); }

private:
    std::string stored_;
    QString shown_;
};

// `text` with line breaks between words so that no line is wider than
// `width` pixels in `metrics` (a single word wider than that keeps its line).
QString wrapped(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace oculon::settings::ui
