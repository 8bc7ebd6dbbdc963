#include "player/ui/ChoiceDialogs.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMessageBox>

#include "config/sprachen.h"
#include "platform/ShownText.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/ui/PlainText.h"
#include "video/ui/PromptParts.h"

namespace oculon::player::ui {

using config::ui::mrOK;
using config::ui::place;

namespace {

// The prompts' frame with the buttons a little lower and further right.
config::ui::BrandLayout choiceLayout() {
    config::ui::BrandLayout layout = video::ui::PromptFrame::layout();
    layout.ok = QRect(316, 225, 75, 25);
    layout.cancel = QRect(396, 225, 75, 25);
    return layout;
}

// A compressor's name tells itself apart by its beginning ("MPEG-4 AVC /
// MPEG-4 part 10"): a name longer than the box shows its start, also when
// the box is entered with the keyboard and its text selected.
class StartShowingEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        const int length = static_cast<int>(text().size());
        if (length > 0 && selectedText().size() == length) setSelection(length, -length);
    }
};

}  // namespace

ChoiceDialog::ChoiceDialog(QWidget* parent, const Parts& parts)
    : QDialog(parent), texts_(parts.texts), centred_(parts.centred) {
    frame_.build(*this, choiceLayout(), panel_, parts.panel);
    frame_.placeButtons(ok_, parts.ok, cancel_, parts.cancel);
    place(label_, this, parts.label, parts.labelAt);
    label_.setWordWrap(true);
    label_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(box_, this, parts.box, parts.boxAt);
}

void ChoiceDialog::showEvent(QShowEvent* event) {
    texts_.show(*this, label_);
    panel_.setText(QStringLiteral("  ") + windowTitle());
    // The form's "Abbrechen" is a placeholder, as every text of the player's windows.
    cancel_.setText(QString::fromStdString(config::tr(config::txtCancel)));
    if (centred_) config::ui::centerOnScreen(*this);
    QDialog::showEvent(event);
}

TvideoCodecChoose::TvideoCodecChoose(QWidget* parent)
    : ChoiceDialog(parent, {.panel = "Panel1",
                            .ok = "Button1",
                            .cancel = "Button2",
                            .label = "Label1",
                            .labelAt = QRect(140, 95, 325, 33),
                            .box = "ComboBox1",
                            .boxAt = QRect(140, 144, 200, 22),
                            .texts = {config::txtChooseVideoCodec, config::txtChooseCodecForExport},
                            .centred = true}) {
    box_.setLineEdit(new StartShowingEdit(&box_));
    box_.setEditText(QStringLiteral("Video Codec"));
    // A typed name picks an entry of the list; it never adds one.
    box_.setInsertPolicy(QComboBox::NoInsert);
    connect(&box_, &QComboBox::currentIndexChanged, this, [this] { box_.lineEdit()->home(false); });
    // The end of a long name is cut off in the box: the pointer resting on
    // it shows the whole, as the open list does.
    connect(&box_, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { box_.setToolTip(platform::ui::plainToolTip(text)); });
}

int TvideoCodecChoose::selectedIndex() const {
    const QString typed = box_.currentText();
    const int index = box_.currentIndex();
    if (index >= 0 && box_.itemText(index) == typed) return index;
    return box_.findText(typed.trimmed(), Qt::MatchFixedString);
}

void TvideoCodecChoose::done(int result) {
    if (result == mrOK) {
        const int index = selectedIndex();
        if (index < 0) {
            const std::string typed = box_.currentText().trimmed().toStdString();
            QString text = QString::fromStdString(config::tr(config::txtCodecNotInstalled));
            if (!typed.empty()) text += QLatin1Char('\n') + QString::fromStdString(platform::shownText(typed));
            platform::ui::execPlainMessage(QMessageBox::Warning, windowTitle(), text, this);
            box_.setFocus(Qt::OtherFocusReason);
            return;
        }
        box_.setCurrentIndex(index);
    }
    ChoiceDialog::done(result);
}

TvideoWaehl::TvideoWaehl(QWidget* parent)
    : ChoiceDialog(parent, {.panel = "serverWahlPanel",
                            .ok = "OKBtn",
                            .cancel = "CancelBtn",
                            .label = "chooseLabel",
                            .labelAt = QRect(140, 95, 300, 33),
                            .box = "serverBox",
                            .boxAt = QRect(140, 145, 170, 22),
                            .texts = {config::txtChooseVideoServer, config::txtChooseVideoServerToShow}}) {}

std::optional<int> TvideoWaehl::choose(const std::vector<std::string>& items, QWidget* parent) {
    TvideoWaehl dialog(parent);
    for (const std::string& item : items) dialog.serverBox().addItem(platform::ui::shown(item));
    dialog.serverBox().setCurrentIndex(items.empty() ? -1 : 0);
    if (dialog.exec() != mrOK) return std::nullopt;
    const int index = dialog.serverBox().currentIndex();
    if (index < 0) return std::nullopt;
    return index;
}

}  // namespace oculon::player::ui
