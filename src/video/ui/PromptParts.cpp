#include "video/ui/PromptParts.h"

#include <QCoreApplication>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>

#include "config/sprachen.h"
#include "config/ui/brandPictures.h"

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

void makeLine(QFrame& line, QWidget* parent, QFrame::Shape shape, const QRect& where) {
    line.setParent(parent);
    line.setFrameShape(shape);
    line.setFrameShadow(QFrame::Sunken);
    line.setGeometry(where);
}

constexpr int kTitleHeight = 25;
constexpr int kButtonTop = 222;

}  // namespace

QString qs(const std::string& text) { return QString::fromStdString(config::withLineFeeds(text)); }

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

void makeFixedDialog(QDialog& dialog, int width, int height) {
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setWindowIcon(config::ui::korvatWeissIcon());
    dialog.setFixedSize(width, height);
}

void place(QWidget& child, QWidget* parent, const char* name, const QRect& where) {
    child.setObjectName(QString::fromLatin1(name));
    child.setParent(parent);
    child.setGeometry(where);
}

void placeOkCancel(QDialog& dialog, QPushButton& ok, const char* okName, QPushButton& cancel, const char* cancelName,
                   int top, int okLeft, int cancelLeft, int width) {
    place(ok, &dialog, okName, QRect(okLeft, top, width, 25));
    ok.setText(QStringLiteral("OK"));
    ok.setDefault(true);
    place(cancel, &dialog, cancelName, QRect(cancelLeft, top, width, 25));
    QObject::connect(&ok, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(mrOK); });
    QObject::connect(&cancel, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(mrCancel); });
}

void PromptFrame::build(QDialog& dialog, QLabel& panel, const char* panelName, QPushButton& ok,
                        QPushButton& cancel) {
    place(panel, &dialog, panelName, QRect(0, 0, kWidth, kTitleHeight));
    QFont bold = panel.font();
    bold.setBold(true);
    panel.setFont(bold);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel.setPalette(pal);
    panel.setAutoFillBackground(true);
    makeLine(bevelTop, &dialog, QFrame::HLine, QRect(0, kTitleHeight, kWidth, 2));

    const int bodyTop = kTitleHeight + 2;
    const int bodyBottom = kButtonTop - 9;
    place(strip, &dialog, "Image1", QRect(0, bodyTop, 100, bodyBottom - bodyTop));
    strip.setPixmap(config::ui::pictureStrip(strip.size()));
    makeLine(bevelStrip, &dialog, QFrame::VLine, QRect(100, bodyTop, 2, bodyBottom - bodyTop));
    makeLine(bevelBottom, &dialog, QFrame::HLine, QRect(0, bodyBottom, kWidth, 2));

    placeOkCancel(dialog, ok, "Button1", cancel, "Button2", kButtonTop, kWidth - 2 * (75 + 9) + 1,
                  kWidth - (75 + 9) + 1, 75);
    cancel.setText(QStringLiteral("Abbrechen"));
}

}  // namespace oculon::video::ui
