#include "app/ui/QtPrompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "config/sprachen.h"
#include "platform/ui/PlainMessageBox.h"
#include "player/ui/ChoiceDialogs.h"
#include "video/ui/PromptParts.h"
#include "video/ui/adminPassForm.h"

namespace oculon::app::ui {

using video::ui::qs;

std::optional<std::string> QtPrompts::askAdminPassword() {
    video::ui::TadminPassForm prompt;
    prompt.station = config::tr(config::txtConfiguration);
    prompt.video = false;
    if (prompt.exec() != video::ui::mrOK) return std::nullopt;
    return prompt.password;
}

void QtPrompts::wrongPassword() {
    platform::ui::execPlainMessage(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                   qs(config::tr(config::txtWrongPassword)));
}

bool QtPrompts::askStartConfiguration() {
    const std::unique_ptr<QMessageBox> box(platform::ui::plainMessageBox(
        QMessageBox::Critical, QApplication::applicationDisplayName(),
        qs(config::tr(config::txtNoVideoServerConfigured)), QMessageBox::Yes | QMessageBox::No, nullptr));
    box->button(QMessageBox::Yes)->setText(qs(config::tr(config::txtYes)));
    box->button(QMessageBox::No)->setText(qs(config::tr(config::txtNo)));
    return box->exec() == QMessageBox::Yes;
}

std::optional<int> QtPrompts::chooseServer(const std::vector<std::string>& items) {
    return player::ui::TvideoWaehl::choose(items);
}

void QtPrompts::openSettings() {
    if (openSettings_) openSettings_();
}

}  // namespace oculon::app::ui
