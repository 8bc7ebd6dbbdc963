#include "video/ui/CallNotice.h"

#include "config/sprachen.h"
#include "config/ui/BrandDialog.h"
#include "platform/ui/PlainMessageBox.h"

namespace oculon::video::ui {

void CallNotice::tell(CallFailure kind, const std::string& text, const std::string& reason, bool asked) {
    const RepeatedFailures::Count count = RepeatedFailures::program().failed(kind, reason);
    if (count.noted && !asked) return;
    // Told again after the user read it, it says so: else the new notice
    // would read like the old one.
    told_[static_cast<std::size_t>(kind)] =
        count.times > 1 ? text + "\n" + config::tr(config::txtTimesSoFar) + std::to_string(count.times) : text;
    std::string shown;
    for (const std::string& told : told_)
        if (!told.empty()) shown += (shown.empty() ? "" : "\n\n") + told;
    if (box_) {
        box_->setText(config::ui::qs(shown));
        return;
    }
    box_ = platform::ui::plainMessageBox(QMessageBox::Critical, owner_.windowTitle(), config::ui::qs(shown),
                                         QMessageBox::Ok, &owner_);
    box_->setWindowModality(Qt::NonModal);
    // It comes by itself: the keyboard stays where the user is typing.
    box_->setAttribute(Qt::WA_ShowWithoutActivating);
    closed_ = QObject::connect(box_, &QDialog::finished, box_, [this] {
        for (std::size_t kind = 0; kind < told_.size(); ++kind) {
            if (!told_[kind].empty()) RepeatedFailures::program().noted(static_cast<CallFailure>(kind));
        }
        told_ = {};
        box_.data()->deleteLater();
        box_ = nullptr;
    });
    box_->show();
}

void CallNotice::withdraw() {
    told_ = {};
    if (!box_) return;
    QObject::disconnect(closed_);
    box_->hide();
    box_->deleteLater();
    box_ = nullptr;
}

}  // namespace oculon::video::ui
