#pragma once
// The two small prompts of the door button: the door code (ToeffnerForm,
// keypad characters only, at most 4, shown as "#") and the comment for the
// door-opening snapshot (TkommentarFrame, at most 100 characters).

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

// A 239 x 167 prompt: a two-line text, one field, OK and Cancel.
class SmallPrompt : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 239;
    static constexpr int kHeight = 167;

    // What was typed; read after OK.
    std::string text() const { return edit_.text().toStdString(); }

protected:
    SmallPrompt(QWidget* parent, const char* labelName, const char* editName);
    void setTexts(const std::string& caption, const std::string& label);

    QLabel label_;
    QLineEdit edit_;
    QPushButton okBtn;
    QPushButton cancelBtn;
};

class ToeffnerForm : public SmallPrompt {
    Q_OBJECT

public:
    explicit ToeffnerForm(QWidget* parent = nullptr);
    QLineEdit& codeEdit() { return edit_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void codeEditChange();
    bool filtering_ = false;
};

class TkommentarFrame : public SmallPrompt {
    Q_OBJECT

public:
    explicit TkommentarFrame(QWidget* parent = nullptr);
    QLineEdit& kommentarEdit() { return edit_; }

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace oculon::video::ui
