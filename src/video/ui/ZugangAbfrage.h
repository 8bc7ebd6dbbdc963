#pragma once
// The prompt for a camera's access credentials: user name and password
// (shown in plain), for the camera named in `videoName`.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>

#include "video/ui/PromptParts.h"

namespace oculon::video::ui {

class TZugangAbfrage : public QDialog {
    Q_OBJECT

public:
    explicit TZugangAbfrage(QWidget* parent = nullptr);

    std::string videoName;  // set before showing

    // Read after OK.
    std::string userName() const { return userNameEdit.text().toStdString(); }
    std::string password() const { return passwordEdit.text().toStdString(); }
    void setUserName(const std::string& user) { userNameEdit.setText(QString::fromStdString(user)); }
    void setPassword(const std::string& pass) { passwordEdit.setText(QString::fromStdString(pass)); }
    // For cameras whose stream needs only a key.
    void disableUserName();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Parents before children, so that children go first.
    QLabel zugangAbfragePanel;
    PromptFrame frame_;
    QLabel userNameLbl;
    QLineEdit userNameEdit;
    QLabel passwordLbl;
    QLineEdit passwordEdit;
    QPushButton Button1;
    QPushButton Button2;
};

}  // namespace oculon::video::ui
