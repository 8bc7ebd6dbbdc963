#pragma once
// Names a device, a file or the network might choose to make a window say
// something else (markup, a direction override, an invisible character, a
// shortcut mark, a title placeholder), and what the widgets show of them:
// the shownText form, as it stands.

#include <QLabel>
#include <QRegularExpression>
#include <QTextDocument>
#include <QWindow>

#include <string>
#include <vector>

#include "platform/ShownText.h"

namespace oculon::testsupport {

// The last in Latin-1 bytes, as older devices send their names, with a C1
// control (a terminal's CSI).
inline const std::vector<std::string> kHostileNames = {
    "<b>Gate</b>X",
    "<img src=x>",
    "Door \u202E1 rooD",
    "Ga\u200Bte",
    "Tor & Hof",
    "Door[*]",
    "Haust\xFCr\x9B"
    "2J",
};

inline std::string shownForm(const std::string& name) { return platform::shownText(name); }

// What a label shows; marked when the label would take it for markup.
inline std::string labelShows(const QLabel& label) {
    return (label.textFormat() == Qt::PlainText ? "" : "(rich) ") + label.text().toStdString();
}

// What a menu entry or a button shows of its text: "&&" as "&", a single
// "&" not at all (it marks the shortcut).
inline std::string entryShows(const QString& text) {
    static const QRegularExpression mark("&(.?)", QRegularExpression::DotMatchesEverythingOption);
    return QString(text).replace(mark, "\\1").toStdString();
}

// What a tool tip shows of its text.
inline std::string toolTipShows(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) return tip.toStdString();
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText().toStdString();
}

// The title the window system gets for `window`.
inline std::string titleShown(QWidget& window) {
    window.winId();
    return window.windowHandle()->title().toStdString();
}

}  // namespace oculon::testsupport
