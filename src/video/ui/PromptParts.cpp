#include "video/ui/PromptParts.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProxyStyle>

namespace oculon::video::ui {

namespace {

class HashEchoStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '#';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

void setHashEcho(QLineEdit& edit) {
    // One style for every such field, freed with the application.
    static QPointer<HashEchoStyle> style;
    if (!style) {
        style = new HashEchoStyle();
        style->setParent(QCoreApplication::instance());
    }
    edit.setStyle(style);
    edit.setEchoMode(QLineEdit::Password);
}

LinePrompt::LinePrompt(QWidget* parent) : QDialog(parent) {
    frame_.build(*this, adminPassPanel, "adminPassPanel", Button1, Button2);
    place(adminpass, this, "adminpass", QRect(PromptFrame::kContentLeft, 56, PromptFrame::kContentWidth, 40));
    adminpass.setWordWrap(true);
    adminpass.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(adminPassEdit, this, "adminPassEdit", QRect(PromptFrame::kContentLeft, 110, PromptFrame::kContentWidth, 23));
}

void LinePrompt::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // What the user types goes into the line. The prompt asks for the
    // keyboard itself: left to the window manager, a prompt that comes up
    // from a window busy with other new windows was at times not given it,
    // and the keys went to the window it blocks.
    adminPassEdit.setFocus(Qt::ActiveWindowFocusReason);
    activateWindow();
}

void LinePrompt::done(int result) {
    if (result == mrOK) password = adminPassEdit.text().toStdString();
    QDialog::done(result);
}

}  // namespace oculon::video::ui
