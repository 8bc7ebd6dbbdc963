#include "video/ui/RecordingLine.h"

#include <QEvent>

#include <algorithm>

#include "config/ui/BrandDialog.h"

namespace oculon::video::ui {

RecordingLine::RecordingLine(QWidget& view) : QLabel(&view) {
    setObjectName(QStringLiteral("recordingLine"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
    setMargin(3);
    hide();
}

void RecordingLine::follow(QWidget* picture) {
    if (picture_) picture_->removeEventFilter(this);
    picture_ = picture;
    if (picture_) picture_->installEventFilter(this);
    place();
}

void RecordingLine::tell(const std::string& text, bool failing) {
    if (text.empty()) {
        hide();
        return;
    }
    QPalette pal = palette();
    // The keyboard line's pale yellow while it records again; a pale red
    // while it does not.
    pal.setColor(QPalette::Window, failing ? QColor(0xFF, 0xD8, 0xD0) : QColor(0xFF, 0xF8, 0xD0));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setText(config::ui::qs(text));
    show();
    place();
}

bool RecordingLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picture_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
                                event->type() == QEvent::Show || event->type() == QEvent::Hide))
        place();
    return QLabel::eventFilter(watched, event);
}

void RecordingLine::place() {
    if (!picture_ || isHidden()) return;
    // The right half of the picture's top: the keyboard line stands at its
    // left, the buttons at its foot.
    const QRect at(picture_->mapTo(parentWidget(), QPoint(0, 0)), picture_->size());
    const int width = std::max(1, std::min(sizeHint().width(), at.width() / 2));
    setGeometry(at.right() + 1 - width, at.top(), width, heightForWidth(width));
    raise();
}

}  // namespace oculon::video::ui
