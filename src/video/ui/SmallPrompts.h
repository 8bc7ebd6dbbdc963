#pragma once
// The two small prompts of the door button: the door code (ToeffnerForm,
// keypad characters only, at most 4, shown as "#") and the comment for the
// door-opening snapshot (TkommentarFrame, at most 100 characters).

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "config/sprachen.h"
#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

// A 239 x 167 prompt, modal to its parent's window alone: a two-line text,
// one field, OK and Cancel; its texts are taken from the catalogue each time
// it shows.
class SmallPrompt : public QDialog {
    Q_OBJECT

public:
    // What was typed; read after OK.
    std::string text() const { return edit_.text().toStdString(); }

protected:
    SmallPrompt(QWidget* parent, const char* labelName, const char* editName, const config::ui::PromptTexts& texts);
    void showEvent(QShowEvent* event) override;

    QLabel label_;
    QLineEdit edit_;
    QPushButton okBtn;
    QPushButton cancelBtn;

private:
    config::ui::PromptTexts texts_;
};

class ToeffnerForm : public SmallPrompt {
    Q_OBJECT

public:
    explicit ToeffnerForm(QWidget* parent = nullptr);
    QLineEdit& codeEdit() { return edit_; }

private:
    void codeEditChange();
    bool filtering_ = false;
};

class TkommentarFrame : public SmallPrompt {
    Q_OBJECT

public:
    explicit TkommentarFrame(QWidget* parent = nullptr);
    QLineEdit& kommentarEdit() { return edit_; }
};

}  // namespace oculon::video::ui
