#include "video/ui/SmallPrompts.h"

#include "video/PromptFilters.h"

namespace oculon::video::ui {

using namespace config;

namespace {

constexpr int kWidth = 239;
constexpr int kHeight = 167;

}  // namespace

SmallPrompt::SmallPrompt(QWidget* parent, const char* labelName, const char* editName,
                         const config::ui::PromptTexts& texts)
    : QDialog(parent), texts_(texts) {
    makeFixedDialog(*this, kWidth, kHeight);
    // A call's prompt holds up its own call, never another call's window.
    setWindowModality(Qt::WindowModal);
    place(label_, this, labelName, QRect(16, 14, kWidth - 32, 44));
    label_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_.setWordWrap(true);
    place(edit_, this, editName, QRect(16, 68, kWidth - 32, 25));
    placeOkCancel(*this, okBtn, "okBtn", QRect(32, 126, 80, 25), cancelBtn, "cancelBtn", QRect(127, 126, 80, 25));
}

void SmallPrompt::showEvent(QShowEvent* event) {
    texts_.show(*this, label_);
    cancelBtn.setText(qs(config::tr(txtCancel)));
    QDialog::showEvent(event);
}

ToeffnerForm::ToeffnerForm(QWidget* parent)
    : SmallPrompt(parent, "codeLabel", "codeEdit", {txtEnterReleaseBuzzerCode, txtPleaseEnterReleaseBuzzerCode}) {
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

TkommentarFrame::TkommentarFrame(QWidget* parent)
    : SmallPrompt(parent, "kommentarLabel", "kommentarEdit", {txtEnterComment, txtDoorWillBeOpened}) {
    edit_.setMaxLength(static_cast<int>(kCommentMaxLength));
}

}  // namespace oculon::video::ui
