#pragma once
// A tool tip shows its text as rich text when the text looks like markup: a
// file's or a device's name in one is shown as it stands.

#include <QString>
#include <QTextDocument>

namespace oculon::platform::ui {

inline QString plainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

}  // namespace oculon::platform::ui
