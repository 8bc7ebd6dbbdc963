#include "video/ui/adminPassForm.h"

#include "config/sprachen.h"

namespace oculon::video::ui {

using namespace config;

TadminPassForm::TadminPassForm(QWidget* parent) : LinePrompt(parent) { setHashEcho(adminPassEdit); }

void TadminPassForm::showEvent(QShowEvent* event) {
    const std::string title = config::tr(txtAdminPasswordFor) + station;
    setWindowTitle(qs(title));
    adminPassPanel.setText(qs("  " + title));
    adminpass.setText(qs(config::tr(video ? txtEnterAdminPasswordOfVideoServer : txtEnterAdminPassword)));
    config::ui::centerOnScreen(*this);
    QDialog::showEvent(event);
}

}  // namespace oculon::video::ui
