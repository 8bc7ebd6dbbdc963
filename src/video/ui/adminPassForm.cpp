#include "video/ui/adminPassForm.h"

#include "config/sprachen.h"
#include "platform/ui/PlainText.h"

namespace oculon::video::ui {

using namespace config;

TadminPassForm::TadminPassForm(QWidget* parent) : LinePrompt(parent) { setHashEcho(adminPassEdit); }

void TadminPassForm::showEvent(QShowEvent* event) {
    const QString title = qs(config::tr(txtAdminPasswordFor)) + platform::ui::shown(station);
    setWindowTitle(platform::ui::plainTitle(title));
    platform::ui::setPlainText(adminPassPanel, QStringLiteral("  ") + title);
    adminpass.setText(qs(config::tr(video ? txtEnterAdminPasswordOfVideoServer : txtEnterAdminPassword)));
    config::ui::centerOnScreen(*this);
    LinePrompt::showEvent(event);
}

}  // namespace oculon::video::ui
