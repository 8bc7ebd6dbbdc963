#pragma once
// A horizontal slider with tick marks at chosen values rather than at a
// fixed interval, such as recording lengths that grow from minutes to hours.

#include <QSlider>

#include <vector>

namespace oculon::settings::ui {

class TickedSlider : public QSlider {
    Q_OBJECT

public:
    explicit TickedSlider(QWidget* parent = nullptr);

    // Values outside the range are not drawn.
    void setTicks(std::vector<int> values);
    const std::vector<int>& ticks() const { return ticks_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<int> ticks_;
};

}  // namespace oculon::settings::ui
