#include "player/ui/ChoiceDialogs.h"

#include <QGuiApplication>
#include <QScreen>

#include "config/sprachen.h"

namespace oculon::player::ui {

using video::ui::mrOK;
using video::ui::place;
using video::ui::PromptFrame;
using video::ui::qs;

namespace {

constexpr int kButtonTop = 225;
constexpr int kOkLeft = 316;
constexpr int kCancelLeft = 396;

}  // namespace

ChoiceDialog::ChoiceDialog(QWidget* parent, const char* panelName, const char* okName, const char* cancelName,
                           const char* labelName, const QRect& labelRect, const char* boxName, const QRect& boxRect)
    : QDialog(parent) {
    video::ui::makeFixedDialog(*this, PromptFrame::kWidth, PromptFrame::kHeight);
    frame_.build(*this, panel_, panelName, ok_, cancel_);
    ok_.setObjectName(QString::fromLatin1(okName));
    cancel_.setObjectName(QString::fromLatin1(cancelName));
    ok_.setGeometry(kOkLeft, kButtonTop, 75, 25);
    cancel_.setGeometry(kCancelLeft, kButtonTop, 75, 25);
    place(label_, this, labelName, labelRect);
    label_.setWordWrap(true);
    label_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(box_, this, boxName, boxRect);
}

void ChoiceDialog::setTexts(const std::string& title, const std::string& prompt) {
    setWindowTitle(qs(title));
    panel_.setText(qs("  " + title));
    label_.setText(qs(prompt));
}

TvideoCodecChoose::TvideoCodecChoose(QWidget* parent)
    : ChoiceDialog(parent, "Panel1", "Button1", "Button2", "Label1", QRect(140, 95, 325, 33), "ComboBox1",
                   QRect(140, 144, 200, 22)) {
    box_.setEditable(true);
    box_.setEditText(QStringLiteral("Video Codec"));
    // Typed text is no choice: only a picked entry counts.
    box_.setInsertPolicy(QComboBox::NoInsert);
}

int TvideoCodecChoose::selectedIndex() const {
    const int index = box_.currentIndex();
    return index >= 0 && box_.itemText(index) == box_.currentText() ? index : -1;
}

void TvideoCodecChoose::showEvent(QShowEvent* event) {
    setTexts(config::tr(config::txtChooseVideoCodec), config::tr(config::txtChooseCodecForExport));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    ChoiceDialog::showEvent(event);
}

TvideoWaehl::TvideoWaehl(QWidget* parent)
    : ChoiceDialog(parent, "serverWahlPanel", "OKBtn", "CancelBtn", "chooseLabel", QRect(140, 95, 300, 33),
                   "serverBox", QRect(140, 145, 170, 22)) {}

void TvideoWaehl::showEvent(QShowEvent* event) {
    setTexts(config::tr(config::txtChooseVideoServer), config::tr(config::txtChooseVideoServerToShow));
    ChoiceDialog::showEvent(event);
}

std::optional<int> TvideoWaehl::choose(const std::vector<std::string>& items, QWidget* parent) {
    TvideoWaehl dialog(parent);
    for (const std::string& item : items) dialog.serverBox().addItem(QString::fromStdString(item));
    dialog.serverBox().setCurrentIndex(items.empty() ? -1 : 0);
    if (dialog.exec() != mrOK) return std::nullopt;
    const int index = dialog.serverBox().currentIndex();
    if (index < 0) return std::nullopt;
    return index;
}

}  // namespace oculon::player::ui
