#include "video/ui/PromptParts.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QWindow>

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

// Asks for the keyboard once more when the window system shows the prompt.
class KeyboardOnceShown : public QObject {
public:
    explicit KeyboardOnceShown(QDialog& prompt) : QObject(&prompt), prompt_(prompt) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && prompt_.windowHandle() == watched &&
            prompt_.windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            prompt_.raise();
            prompt_.activateWindow();
            deleteLater();
        }
        return false;
    }

private:
    QDialog& prompt_;
};

}  // namespace

void takeKeyboard(QDialog& prompt, QWidget& field) {
    field.setFocus(Qt::ActiveWindowFocusReason);
    prompt.raise();
    prompt.activateWindow();
    if (QWindow* window = prompt.windowHandle(); window != nullptr && !window->isExposed())
        window->installEventFilter(new KeyboardOnceShown(prompt));
}

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
    takeKeyboard(*this, adminPassEdit);
}

void LinePrompt::done(int result) {
    if (result == mrOK) password = adminPassEdit.text().toStdString();
    QDialog::done(result);
}

}  // namespace oculon::video::ui
