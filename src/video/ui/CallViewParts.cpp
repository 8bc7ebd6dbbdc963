#include "video/ui/CallViewParts.h"

#include <QPixmap>

#include <algorithm>

#include "platform/ui/PlainText.h"
#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

QColor callViewBackground() { return QColor(0xE5, 0xEE, 0xF5); }

namespace {

// Room on each side of a caption, in average characters: about what the
// short captions have in their fixed widths.
constexpr int kCaptionRoom = 3;

int captionWidth(const QPushButton& button) {
    const QFontMetrics metrics = button.fontMetrics();
    return std::max(button.sizeHint().width(),
                    metrics.horizontalAdvance(button.text()) + 2 * kCaptionRoom * metrics.averageCharWidth());
}

}  // namespace

QRect roomForCaption(const QPushButton& button, const Rect& at) {
    QRect r = toQRect(at);
    r.setWidth(std::max(r.width(), captionWidth(button)));
    return r;
}

void headerLabel(QLabel& label, QWidget* parent, const char* name) {
    place(label, parent, name, QRect());
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(16);
    f.setBold(true);
    label.setFont(f);
    label.setAutoFillBackground(true);
    QPalette pal = label.palette();
    pal.setColor(QPalette::Window, callViewBackground());
    label.setPalette(pal);
    label.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void faultLabel(QLabel& label, QWidget* parent, const char* name, int pixelSize, bool bold) {
    place(label, parent, name, QRect());
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    label.setFont(f);
    QPalette pal = label.palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    label.setPalette(pal);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label.hide();
}

DoorPanel::DoorPanel(QWidget* parent, const char* inputImageName) : QFrame(parent) {
    setObjectName(QStringLiteral("moxaPanel"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, callViewBackground());
    setPalette(pal);
    inputImage.setObjectName(QString::fromLatin1(inputImageName));
    inputImage.setParent(this);
    inputImage.setGeometry(1, 1, 100, 37);
    inputImage.setScaledContents(true);
    Label1.setObjectName(QStringLiteral("Label1"));
    Label1.setParent(this);
    Label1.setGeometry(1, 12, 100, 17);
    Label1.setAlignment(Qt::AlignCenter);
    // The door output is what a call is answered with: Tab reaches it first
    // (a widget joins the focus chain when it joins the window).
    tuerOeffner.setObjectName(QStringLiteral("tuerOeffner"));
    tuerOeffner.setParent(this);
    lichtBtn.setObjectName(QStringLiteral("lichtBtn"));
    lichtBtn.setParent(this);
    QFont bold = tuerOeffner.font();
    bold.setFamily(QStringLiteral("Arial"));
    bold.setBold(true);
    tuerOeffner.setFont(bold);
}

void DoorPanel::apply(const DoorPanelLayout& layout, const InputDisplay& input) {
    layout_ = layout;
    input_ = input;
    resize(102, layout.panelHeight);
    setVisible(layout.panelVisible);
    tuerOeffner.setGeometry(1, layout.doorTop, 100, 25);
    tuerOeffner.setVisible(layout.doorVisible);
    lichtBtn.setGeometry(1, layout.lichtTop, 100, 25);
    lichtBtn.setVisible(layout.lichtVisible);
    setCaptions(layout);
    Label1.setVisible(layout.inputVisible);
    Label1.clear();
    inputImage.setVisible(layout.inputVisible && input.usesPicture);
    inputImage.clear();
}

void DoorPanel::setCaptions(const DoorPanelLayout& layout) {
    layout_.doorCaption = layout.doorCaption;
    layout_.lichtCaption = layout.lichtCaption;
    tuerOeffner.setText(platform::ui::menuText(platform::ui::shown(layout.doorCaption)));
    lichtBtn.setText(QString::fromStdString(layout.lichtCaption));
}

QRect DoorPanel::roomForCaptions(const Rect& at) {
    int width = at.width;
    for (const QPushButton* button : {&lichtBtn, &tuerOeffner})
        if (!button->isHidden()) width = std::max(width, captionWidth(*button) + 2);
    QWidget* const rows[] = {&lichtBtn, &tuerOeffner, &Label1};
    for (QWidget* row : rows) row->resize(width - 2, row->height());
    return {at.left + at.width - width, at.top, width, at.height};
}

void DoorPanel::setInput(bool on) {
    if (!layout_.inputVisible) return;
    if (input_.usesPicture) inputImage.setPixmap(QPixmap(QString::fromStdString(input_.picture(on))));
    else platform::ui::setPlainText(Label1, platform::ui::shown(input_.label(on)));
}

}  // namespace oculon::video::ui
