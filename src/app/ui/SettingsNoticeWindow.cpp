#include "app/ui/SettingsNoticeWindow.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include "config/sprachen.h"
#include "config/ui/BrandDialog.h"
#include "config/ui/brandPictures.h"
#include "platform/ui/WindowRoom.h"

namespace oculon::app::ui {

namespace {

// As wide as a message box with a long text, where the screen has the room.
constexpr int kWidth = 600;

}  // namespace

SettingsNoticeWindow::SettingsNoticeWindow(const config::SettingsNotice& notice)
    : layout_(this), buttons_(QDialogButtonBox::Ok) {
    setWindowTitle(QApplication::applicationName());
    setWindowIcon(config::ui::korvatWeissIcon());
    setObjectName(QStringLiteral("settingsNotice"));
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon_.setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize));
    icon_.setAlignment(Qt::AlignTop);
    // What the file and the devices wrote is shown as it stands, never as markup.
    for (QLabel* label : {&head_, &details_}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    head_.setText(config::ui::qs(notice.head));
    details_.setText(config::ui::qs(notice.details));
    details_.setContentsMargins(4, 4, 4, 4);
    detailsArea_.setWidget(&details_);
    detailsArea_.setWidgetResizable(true);
    detailsArea_.setVisible(!notice.details.empty());
    buttons_.button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    connect(&buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout_.addWidget(&icon_, 0, 0);
    layout_.addWidget(&head_, 0, 1);
    layout_.addWidget(&detailsArea_, 1, 0, 1, 2);
    layout_.addWidget(&buttons_, 2, 0, 1, 2);
    layout_.setRowStretch(1, 1);
    layout_.setColumnStretch(1, 1);
}

void SettingsNoticeWindow::showByItself() {
    const QSize room = platform::ui::roomToOpenIn(*this);
    const int width = std::min(kWidth, room.width());
    // As tall as its text, where the room allows; the details scroll in the rest.
    const QMargins margins = layout_.contentsMargins();
    const int inner = width - margins.left() - margins.right();
    const int headHeight = std::max(icon_.sizeHint().height(), head_.heightForWidth(inner - icon_.sizeHint().width() -
                                                                                    layout_.horizontalSpacing()));
    const int frame = 2 * detailsArea_.frameWidth();
    const int detailsHeight =
        detailsArea_.isVisibleTo(this)
            ? details_.heightForWidth(inner - frame - detailsArea_.verticalScrollBar()->sizeHint().width()) + frame +
                  layout_.verticalSpacing()
            : 0;
    const int wanted = margins.top() + headHeight + detailsHeight + layout_.verticalSpacing() +
                       buttons_.sizeHint().height() + margins.bottom();
    resize(width, std::min(wanted, room.height()));
    platform::ui::centreInRoom(*this);
    platform::ui::followWindowsKeptClear(*this);
    setWindowModality(Qt::NonModal);
    // It comes by itself: a key typed for another window must not confirm it unseen.
    setAttribute(Qt::WA_ShowWithoutActivating);
    show();
}

QString SettingsNoticeWindow::text() const {
    return details_.text().isEmpty() ? head_.text() : head_.text() + QStringLiteral("\n\n") + details_.text();
}

QPushButton& SettingsNoticeWindow::okButton() const { return *buttons_.button(QDialogButtonBox::Ok); }

}  // namespace oculon::app::ui
