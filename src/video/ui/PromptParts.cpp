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

}  // namespace oculon::video::ui
