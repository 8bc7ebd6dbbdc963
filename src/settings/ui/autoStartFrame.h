#pragma once
// The autostart offer: whether the program shall start when the user logs
// on, for this user or for all, or not (at the start-up also "don't ask me
// again"). carryOut() does what the checked answer asks after OK.

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <string>

#include "config/ui/BrandDialog.h"

namespace oculon::config {
class TVideoConfig;
}

namespace oculon::settings::ui {

class TautoStartFrame : public QDialog {
    Q_OBJECT

public:
    // `frage`: the start-up asks, so "No, don't ask me again" is offered.
    TautoStartFrame(QWidget* parent, bool frage);

    // Writes the autostart entry of `program` into the user's or the common
    // Startup folder, or stores "never ask again"; "No" does nothing. A
    // failed write is not reported.
    void carryOut(config::TVideoConfig& settings, const std::string& program) const;

    QRadioButton& yesButton() { return yesButton_; }
    QRadioButton& yesAllButton() { return yesAllButton_; }
    QRadioButton& noButton() { return noButton_; }
    QRadioButton& nieButton() { return nieButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Parents before children.
    QLabel autoStartPanel;
    config::ui::BrandFrame frame_;
    QLabel frageLabel;
    QFrame Panel1;
    QRadioButton yesButton_;
    QRadioButton yesAllButton_;
    QRadioButton noButton_;
    QRadioButton nieButton_;
    QPushButton vorButton;
    QPushButton abbrBtn;
    bool frage_;
};

}  // namespace oculon::settings::ui
