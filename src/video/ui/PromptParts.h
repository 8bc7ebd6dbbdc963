#pragma once
// Pieces the prompts of the video windows share: the "#" echo of code and
// password fields and the frame of the larger prompts; the dialog parts
// every dialog of the program is built from are reachable here too.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "config/ui/BrandDialog.h"

namespace oculon::video::ui {

using config::ui::makeFixedDialog;
using config::ui::mrCancel;
using config::ui::mrOK;
using config::ui::place;
using config::ui::placeOkCancel;
using config::ui::qs;

// The field shows every character as "#".
void setHashEcho(QLineEdit& edit);

// A prompt the user's own action brings up takes the keyboard: `field` has
// the focus, and the prompt asks the window manager for the keyboard as it
// shows and once more when it is on the screen, so that a window of the
// same click that took it meanwhile (a progress window) does not keep it.
void takeKeyboard(QDialog& prompt, QWidget& field);

// The brand frame of the 478 x 255 prompts, with OK ("Button1") and Cancel
// ("Button2") at the bottom right.
struct PromptFrame : config::ui::BrandFrame {
    static constexpr int kWidth = 478;
    static constexpr int kHeight = 255;
    static constexpr int kContentWidth = kWidth - kContentLeft - 16;

    static config::ui::BrandLayout layout() { return config::ui::BrandLayout::standard(kWidth, kHeight, 222); }

    using BrandFrame::build;
    // `panel` becomes the title panel.
    void build(QDialog& dialog, QLabel& panel, const char* panelName, QPushButton& ok, QPushButton& cancel) {
        build(dialog, layout(), panel, panelName);
        placeButtons(ok, "Button1", cancel, "Button2");
    }
};

// A prompt for one line of text on that frame: title panel, the prompt
// ("adminpass"), the line ("adminPassEdit"), OK and Cancel. The dialogs
// built on it set their texts when they show.
class LinePrompt : public QDialog {
public:
    std::string password;  // the line's text, after OK

    // OK copies the line into `password`.
    void done(int result) override;

protected:
    explicit LinePrompt(QWidget* parent);
    // After the texts are set: the line takes the keyboard.
    void showEvent(QShowEvent* event) override;

    // Parents before children.
    QLabel adminPassPanel;
    PromptFrame frame_;
    QLabel adminpass;
    QLineEdit adminPassEdit;
    QPushButton Button1;
    QPushButton Button2;
};

}  // namespace oculon::video::ui
