#include "video/ui/SmallPrompts.h"

#include "config/sprachen.h"
#include "video/PromptFilters.h"

namespace oculon::video::ui {

using namespace config;

SmallPrompt::SmallPrompt(QWidget* parent, const char* labelName, const char* editName) : QDialog(parent) {
    makeFixedDialog(*this, kWidth, kHeight);
    place(label_, this, labelName, QRect(16, 14, kWidth - 32, 44));
    label_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_.setWordWrap(true);
    place(edit_, this, editName, QRect(16, 68, kWidth - 32, 25));
    placeOkCancel(*this, okBtn, "okBtn", cancelBtn, "cancelBtn", 126, 32, 127);
}

void SmallPrompt::setTexts(const std::string& caption, const std::string& label) {
    setWindowTitle(qs(caption));
    label_.setText(qs(label));
    cancelBtn.setText(qs(config::tr(txtCancel)));
}

ToeffnerForm::ToeffnerForm(QWidget* parent) : SmallPrompt(parent, "codeLabel", "codeEdit") {
    setHashEcho(edit_);
    QFont big = edit_.font();
    big.setPixelSize(16);
    edit_.setFont(big);
    // The field's own length limit would cut a paste before it is filtered;
    // the filter keeps the limit instead.
    connect(&edit_, &QLineEdit::textChanged, this, &ToeffnerForm::codeEditChange);
}

void ToeffnerForm::codeEditChange() {
    if (filtering_) return;
    const QString text = edit_.text();
    const EditState state = filterDoorCode(text.toStdU16String(), static_cast<std::size_t>(edit_.cursorPosition()));
    const QString filtered = QString::fromStdU16String(state.text);
    if (filtered == text) return;
    filtering_ = true;
    edit_.setText(filtered);
    edit_.setCursorPosition(static_cast<int>(state.caret));
    filtering_ = false;
}

void ToeffnerForm::showEvent(QShowEvent* event) {
    setTexts(config::tr(txtEnterReleaseBuzzerCode), config::tr(txtPleaseEnterReleaseBuzzerCode));
    SmallPrompt::showEvent(event);
}

TkommentarFrame::TkommentarFrame(QWidget* parent) : SmallPrompt(parent, "kommentarLabel", "kommentarEdit") {
    edit_.setMaxLength(static_cast<int>(kCommentMaxLength));
}

void TkommentarFrame::showEvent(QShowEvent* event) {
    setTexts(config::tr(txtEnterComment), config::tr(txtDoorWillBeOpened));
    SmallPrompt::showEvent(event);
}

}  // namespace oculon::video::ui
