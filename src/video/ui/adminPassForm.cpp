#include "video/ui/adminPassForm.h"

#include "config/sprachen.h"

namespace oculon::video::ui {

using namespace config;

TadminPassForm::TadminPassForm(QWidget* parent) : QDialog(parent) {
    frame_.build(*this, adminPassPanel, "adminPassPanel", Button1, Button2);
    const int left = PromptFrame::kContentLeft;
    const int width = PromptFrame::kContentWidth;
    place(adminpass, this, "adminpass", QRect(left, 56, width, 40));
    adminpass.setWordWrap(true);
    adminpass.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(adminPassEdit, this, "adminPassEdit", QRect(left, 110, width, 23));
    setHashEcho(adminPassEdit);
}

void TadminPassForm::done(int result) {
    if (result == mrOK) password = adminPassEdit.text().toStdString();
    QDialog::done(result);
}

void TadminPassForm::showEvent(QShowEvent* event) {
    const std::string title = config::tr(txtAdminPasswordFor) + station;
    setWindowTitle(qs(title));
    adminPassPanel.setText(qs("  " + title));
    adminpass.setText(qs(config::tr(video ? txtEnterAdminPasswordOfVideoServer : txtEnterAdminPassword)));
    config::ui::centerOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace oculon::video::ui
