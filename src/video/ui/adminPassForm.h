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

class TadminPassForm : public LinePrompt {
    Q_OBJECT

public:
    explicit TadminPassForm(QWidget* parent = nullptr);

    std::string station;  // the text after "for", set before showing
    bool video = false;   // asking for a video server's password

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace oculon::video::ui
