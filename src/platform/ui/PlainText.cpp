#include "platform/ui/PlainText.h"

#include <string>

#include "platform/ShownText.h"

namespace oculon::platform::ui {

QString shown(std::string_view text) { return QString::fromStdString(shownText(text)); }

QString shown(const QString& text) { return shown(text.toStdString()); }

QString shownLines(std::string_view text, std::string_view lineBreak) {
    std::string lines;
    for (std::size_t at = 0;;) {
        const std::size_t end = text.find(lineBreak, at);
        lines += shownText(text.substr(at, end - at));
        if (end == std::string_view::npos) break;
        lines += '\n';
        at = end + lineBreak.size();
    }
    return QString::fromStdString(lines);
}

void setPlainText(QLabel& label, const QString& text) {
    label.setTextFormat(Qt::PlainText);
    label.setText(text);
}

QString plainTitle(const QString& text) {
    // An even run of marks is shown as half as many, and none is taken for
    // the modification mark.
    return QString(text).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

QString menuText(const QString& text) { return QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")); }

}  // namespace oculon::platform::ui
