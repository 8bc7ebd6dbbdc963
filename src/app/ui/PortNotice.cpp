#include "app/ui/PortNotice.h"

#include <QApplication>
#include <QStringList>

#include "config/sprachen.h"
#include "config/ui/BrandDialog.h"
#include "platform/ui/PlainMessageBox.h"

namespace oculon::app::ui {

QString PortNotice::text() const {
    QStringList ports;
    for (const std::uint16_t port : held_) ports << QString::number(port);
    return config::ui::qs(config::withLineFeeds(config::tr(config::txtPortsHeldByAnotherProgram)))
        .arg(ports.join(QStringLiteral(", ")));
}

void PortNotice::tell(const std::vector<std::uint16_t>& held, bool lost) {
    held_ = held;
    if (held_.empty()) {
        close();
        return;
    }
    if (box_) {
        box_->setText(text());
        if (lost) box_->raise();
        return;
    }
    if (!lost) return;  // the user closed it; the ports are told already
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
