#pragma once
// The choice of an analog door intercom's call buttons: one button, or
// several of which the checked ones bring up the video.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <array>

#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

class TanalogRT : public QDialog {
    Q_OBJECT

public:
    static constexpr int kButtonCount = 9;

    explicit TanalogRT(QWidget* parent = nullptr);

    // The caller sets these before showing and reads them after OK.
    QRadioButton einRTbtn;
    QRadioButton mehrRTbtn;
    QCheckBox& button(int index) { return buttons_.at(static_cast<std::size_t>(index)); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RTbtnClick();

    QWidget Panel2;
    QLabel reagiertLabel;
    // btnEins .. btnNeun
    std::array<QCheckBox, kButtonCount> buttons_;
    QPushButton okBtn;
    QPushButton cancelBtn;
};

}  // namespace oculon::video::ui
