#include "settings/ui/TickedSlider.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace oculon::settings::ui {

namespace {
constexpr int kTickLength = 4;
}

TickedSlider::TickedSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void TickedSlider::setTicks(std::vector<int> values) {
    ticks_ = std::move(values);
    update();
}

QSize TickedSlider::sizeHint() const {
    const QSize hint = QSlider::sizeHint();
    return {hint.width(), hint.height() + kTickLength + 1};
}

void TickedSlider::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    // The handle's centre travels over the groove less one handle width.
    const int span = groove.width() - handle.width();
    const int left = groove.left() + handle.width() / 2;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    for (const int value : ticks_) {
        if (value < minimum() || value > maximum()) continue;
        const int x = left + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span);
        painter.drawLine(x, height() - kTickLength - 1, x, height() - 1);
    }
}

}  // namespace oculon::settings::ui
