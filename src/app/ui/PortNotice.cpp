#include "app/ui/PortNotice.h"

#include <QApplication>
#include <QStringList>

#include "config/sprachen.h"
#include "config/ui/BrandDialog.h"
#include "platform/ui/PlainMessageBox.h"

namespace oculon::app::ui {

QString PortNotice::text() const {
    QStringList parts;
    if (state_.searchBlocked) parts << config::ui::qs(config::tr(config::txtSearchReachesNoNetwork));
    if (!state_.held.empty()) {
        QStringList ports;
        for (const std::uint16_t port : state_.held) ports << QString::number(port);
        const auto& wording =
            state_.held.size() == 1 ? config::txtPortHeldByAnotherProgram : config::txtPortsHeldByAnotherProgram;
        parts << config::ui::qs(config::tr(wording)).arg(ports.join(QStringLiteral(", ")));
    }
    return parts.join(QStringLiteral("\n\n"));
}

void PortNotice::tell(const HeldPorts::State& now, bool lost) {
    state_ = now;
    if (state_.clear()) {
        close();
        return;
    }
    if (box_) {
        box_->setText(text());
        if (lost) box_->raise();
        return;
    }
    if (!lost) return;  // the user closed it; what it says was told already
    box_ = platform::ui::plainMessageBox(QMessageBox::Warning, QApplication::applicationDisplayName(), text(),
                                         QMessageBox::Ok, nullptr);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    box_->setWindowModality(Qt::NonModal);
    // It comes by itself: the keyboard stays where the user is typing.
    box_->setAttribute(Qt::WA_ShowWithoutActivating);
    box_->show();
}

void PortNotice::retranslate() {
    if (box_) box_->setText(text());
}

void PortNotice::close() {
    if (box_) box_->close();
}

}  // namespace oculon::app::ui
