#pragma once
// The start's notice of what the settings file's load left out or cannot
// use: what happened in a sentence or two, the lines and values concerned
// in a box that scrolls, and OK. It holds nothing up (no modality, no loop
// of its own) and takes no keyboard as it comes, so a door call comes up in
// front of it. It takes its size and place from the room for windows of its
// screen and keeps clear of the menu window, so OK stays on the screen of a
// small laptop too.

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>

#include "config/SettingsNotice.h"

namespace oculon::app::ui {

class SettingsNoticeWindow : public QDialog {
    Q_OBJECT

public:
    explicit SettingsNoticeWindow(const config::SettingsNotice& notice);

    // Sized and placed for the screen it opens on, then shown.
    void showByItself();

    QString text() const;
    QPushButton& okButton() const;
    const QScrollArea& details() const { return detailsArea_; }

private:
    QGridLayout layout_;
    QLabel icon_;
    QLabel head_;
    QScrollArea detailsArea_;
    QLabel details_;
    QDialogButtonBox buttons_;
};

}  // namespace oculon::app::ui
