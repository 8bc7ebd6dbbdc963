#pragma once
// The prompt for the administrator password: of the program's
// configuration, or of a video server (`video`). Opens in the screen's
// centre.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

class TadminPassForm : public QDialog {
    Q_OBJECT

public:
    explicit TadminPassForm(QWidget* parent = nullptr);

    std::string station;   // the text after "for", set before showing
    bool video = false;    // asking for a video server's password
    std::string password;  // filled on OK

    // OK copies the field into `password`.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel adminPassPanel;
    PromptFrame frame_;
    QLabel adminpass;
    QLineEdit adminPassEdit;
    QPushButton Button1;
    QPushButton Button2;
};

}  // namespace oculon::video::ui
