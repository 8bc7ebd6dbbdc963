#include "config/ui/BrandDialog.h"

#include <QPalette>

#include <algorithm>

#include "config/sprachen.h"
#include "config/ui/brandPictures.h"
#include "platform/ui/WindowRoom.h"

namespace oculon::config::ui {

namespace {

void line(QFrame& f, QWidget* parent, const char* name, QFrame::Shape shape, const QRect& where) {
    place(f, parent, name, where);
    f.setFrameShape(shape);
    f.setFrameShadow(QFrame::Sunken);
}

}  // namespace

QString qs(const std::string& text) { return QString::fromStdString(withLineFeeds(text)); }

void PromptTexts::show(QDialog& dialog, QLabel& label) const {
    dialog.setWindowTitle(qs(tr(caption)));
    label.setText(qs(tr(prompt)));
}

void makeFixedDialog(QDialog& dialog, int width, int height) {
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.setWindowIcon(korvatWeissIcon());
    dialog.setFixedSize(width, height);
}

void place(QWidget& child, QWidget* parent, const char* name, const QRect& where) {
    child.setObjectName(QString::fromLatin1(name));
    child.setParent(parent);
    child.setGeometry(where);
}

void centerOnScreen(QWidget& window) { platform::ui::centreInRoom(window); }

void paintWhite(QWidget& widget) {
    QPalette pal = widget.palette();
    pal.setColor(QPalette::Window, Qt::white);
    widget.setPalette(pal);
    widget.setAutoFillBackground(true);
}

void placeTitleStrip(QLabel& title, QWidget* parent, const char* name, int width) {
    place(title, parent, name, QRect(0, 0, width, BrandFrame::kTitleHeight));
    QFont bold = title.font();
    bold.setBold(true);
    title.setFont(bold);
    paintWhite(title);
}

void placeOkCancel(QDialog& dialog, QPushButton& ok, const char* okName, const QRect& okAt, QPushButton& cancel,
                   const char* cancelName, const QRect& cancelAt) {
    place(ok, &dialog, okName, okAt);
    ok.setText(QStringLiteral("OK"));
    ok.setDefault(true);
    place(cancel, &dialog, cancelName, cancelAt);
    QObject::connect(&ok, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(mrOK); });
    QObject::connect(&cancel, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(mrCancel); });
}

BrandLayout BrandLayout::standard(int width, int height, int buttonTop) {
    constexpr int kButtonWidth = 75;
    constexpr int kStep = kButtonWidth + 9;
    return {width, height, buttonTop - 9, QRect(width - 2 * kStep + 1, buttonTop, kButtonWidth, 25),
            QRect(width - kStep + 1, buttonTop, kButtonWidth, 25)};
}

BrandLayout BrandLayout::fitted(const QWidget& window, int width, int height, int contentBottom) {
    // The button row under the controls: its line, the buttons and the margin below them.
    constexpr int kButtonRow = 9 + 25 + 8;
    constexpr int kBelowButtons = 8;
    const int least = contentBottom + 8 + kButtonRow;
    const int fitted = std::max(least, std::min(height, platform::ui::roomToOpenIn(window).height()));
    return standard(width, fitted, fitted - 25 - kBelowButtons);
}

void BrandFrame::build(QDialog& dialog, const BrandLayout& layout, QLabel& title, const char* titleName) {
    dialog_ = &dialog;
    layout_ = layout;
    makeFixedDialog(dialog, layout.width, layout.height);

    placeTitleStrip(title, &dialog, titleName, layout.width);
    line(bevelTop_, &dialog, "Bevel1", QFrame::HLine, QRect(0, kTitleHeight, layout.width, 2));

    const int bodyHeight = layout.bodyBottom - kBodyTop;
    place(strip_, &dialog, "Image1", QRect(0, kBodyTop, kStripWidth, bodyHeight));
    strip_.setPixmap(pictureStrip(strip_.size()));
    line(bevelStrip_, &dialog, "Bevel2", QFrame::VLine, QRect(kStripWidth, kBodyTop, 2, bodyHeight));
    line(bevelBottom_, &dialog, "Bevel3", QFrame::HLine, QRect(0, layout.bodyBottom, layout.width, 2));
}

void BrandFrame::placeButtons(QPushButton& ok, const char* okName, QPushButton& cancel, const char* cancelName) {
    placeOkCancel(*dialog_, ok, okName, layout_.ok, cancel, cancelName, layout_.cancel);
    cancel.setText(QStringLiteral("Abbrechen"));
}

}  // namespace oculon::config::ui
