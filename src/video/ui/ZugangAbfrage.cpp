#include "video/ui/ZugangAbfrage.h"

#include "config/sprachen.h"
#include "platform/ui/PlainText.h"

namespace oculon::video::ui {

using namespace config;

TZugangAbfrage::TZugangAbfrage(QWidget* parent) : QDialog(parent) {
    frame_.build(*this, zugangAbfragePanel, "zugangAbfragePanel", Button1, Button2);
    zugangAbfragePanel.setIndent(8);
    const int left = PromptFrame::kContentLeft;
    const int width = PromptFrame::kContentWidth;
    place(userNameLbl, this, "userNameLbl", QRect(left, 56, width, 17));
    place(userNameEdit, this, "userNameEdit", QRect(left, 75, width, 23));
    place(passwordLbl, this, "passwordLbl", QRect(left, 116, width, 17));
    place(passwordEdit, this, "passwordEdit", QRect(left, 135, width, 23));
    userNameLbl.setBuddy(&userNameEdit);
    passwordLbl.setBuddy(&passwordEdit);
}

void TZugangAbfrage::disableUserName() {
    userNameLbl.setEnabled(false);
    userNameEdit.setEnabled(false);
}

void TZugangAbfrage::showEvent(QShowEvent* event) {
    const QString title = qs(config::tr(txtUserDataFor)) + platform::ui::shown(videoName);
    setWindowTitle(platform::ui::plainTitle(title));
    platform::ui::setPlainText(zugangAbfragePanel, title);
    userNameLbl.setText(qs(config::tr(txtUserName)));
    passwordLbl.setText(qs(config::tr(txtPassword)));
    QDialog::showEvent(event);
    // The user's drop or choice brought it up: what they type goes into it.
    takeKeyboard(*this, userNameEdit.isEnabled() ? userNameEdit : passwordEdit);
}

}  // namespace oculon::video::ui
