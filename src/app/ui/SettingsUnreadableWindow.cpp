#include "app/ui/SettingsUnreadableWindow.h"

#include <QApplication>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

#include "config/sprachen.h"
#include "config/ui/BrandDialog.h"
#include "config/ui/brandPictures.h"
#include "platform/ui/WindowRoom.h"

namespace oculon::app::ui {

namespace {

// As wide as a message box with a few lines of text, where the screen has the room.
constexpr int kWidth = 520;

}  // namespace

SettingsUnreadableWindow::SettingsUnreadableWindow(const std::string& reason, TryAgain tryAgain,
                                                   std::chrono::milliseconds every, int timesBySelf)
    : tryAgain_(std::move(tryAgain)), timesLeft_(timesBySelf), layout_(this) {
    setWindowTitle(QStringLiteral("Korvat Oculon"));
    setWindowIcon(config::ui::korvatWeissIcon());
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon_.setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this).pixmap(iconSize));
    icon_.setAlignment(Qt::AlignTop);
    // The file's name is shown as it stands, never as markup.
    text_.setTextFormat(Qt::PlainText);
    text_.setWordWrap(true);
    text_.setTextInteractionFlags(Qt::TextSelectableByMouse);
    showReason(reason);
    QPushButton* again =
        buttons_.addButton(config::ui::qs(config::tr(config::txtTryAgain)), QDialogButtonBox::ActionRole);
    again->setObjectName(QStringLiteral("tryAgainButton"));
    again->setDefault(true);
    QPushButton* close =
        buttons_.addButton(config::ui::qs(config::tr(config::txtClose1)), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(again, &QPushButton::clicked, this, &SettingsUnreadableWindow::tryOnce);
    connect(&buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout_.addWidget(&icon_, 0, 0);
    layout_.addWidget(&text_, 0, 1);
    layout_.addWidget(&buttons_, 1, 0, 1, 2);
    layout_.setColumnStretch(1, 1);
    const QSize room = platform::ui::roomToOpenIn(*this);
    const int width = std::min(kWidth, room.width());
    const int height = heightForWidth(width);
    resize(width, std::min(height > 0 ? height : sizeHint().height(), room.height()));
    platform::ui::centreInRoom(*this);
    again_.setInterval(every);
    connect(&again_, &QTimer::timeout, this, [this] {
        if (--timesLeft_ <= 0) again_.stop();
        tryOnce();
    });
    if (timesLeft_ > 0) again_.start();
}

QPushButton& SettingsUnreadableWindow::tryAgainButton() const {
    return *findChild<QPushButton*>(QStringLiteral("tryAgainButton"));
}

QPushButton& SettingsUnreadableWindow::closeButton() const {
    return *findChild<QPushButton*>(QStringLiteral("closeButton"));
}

void SettingsUnreadableWindow::tryOnce() {
    const std::string reason = tryAgain_();
    if (reason.empty()) {
        again_.stop();
        accept();
        return;
    }
    showReason(reason);
}

void SettingsUnreadableWindow::showReason(const std::string& reason) {
    text_.setText(config::ui::qs(config::tr(config::txtSettingsUnreadableTryAgain) + "\r\n\r\n" + reason));
}

}  // namespace oculon::app::ui
