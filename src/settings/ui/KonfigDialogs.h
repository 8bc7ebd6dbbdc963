#pragma once
// The small dialogs of the settings dialog: the name and stream-path
// prompts, the add-camera form with its checks, and the wait while a video
// server is configured (progress) or restarts (30-second countdown, which
// holds back picture fetches until it is over). Also the message boxes the
// settings dialog shows.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "settings/CameraList.h"
#include "settings/VideoServerConfiguration.h"
#include "video/ui/PromptParts.h"

namespace oculon::settings::ui {

// An error box and a notice, each with one OK button; a question with Yes
// and No; a confirmation with OK and Cancel (true: Yes or OK). Texts as they
// are shown.
void showError(QWidget* parent, const std::string& text);
void showNotice(QWidget* parent, const std::string& text);
bool askYesNo(QWidget* parent, const std::string& text);
QMessageBox* confirmationBox(QWidget* parent, const std::string& text);
// The question of askYesNo, for a caller that may have to withdraw it.
QMessageBox* questionBox(QWidget* parent, const std::string& text);

// The name prompt (TserverNameFormular) and the stream-path prompt
// (TserverPathFormular): one line of text for a camera or a video server.
class TextPrompt : public video::ui::LinePrompt {
    Q_OBJECT

public:
    enum class Kind { name, path };
    TextPrompt(Kind kind, QWidget* parent = nullptr) : LinePrompt(parent), kind_(kind) {}

    bool isCamera = false;
    std::string station;  // the object's current name, for the title

    QLineEdit& edit() { return adminPassEdit; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    Kind kind_;
};

// The add-camera form. OK closes it only when `check` lets the entries pass.
class TneueKamera : public QDialog {
    Q_OBJECT

public:
    using Check = std::function<const config::TText*(const NewCamera&)>;
    TneueKamera(Check check, QWidget* parent = nullptr);

    NewCamera entries() const;
    void done(int result) override;

    QLineEdit kameraNameEdit, KameraIPEdit, KameraPortEdit, pathEdit;
    QComboBox kameraTypBox;

private:
    void kameraTypBoxChange();

    Check check_;
    QLabel kameraManuell, nameLabel, ipLabel, portLabel, typLabel, pathLabel;
    QPushButton BitBtn1, BitBtn2;
};

// The wait of a configuration run: a progress bar while the device is set
// up; the countdown while it restarts, which cannot be closed before its
// end and then lets picture fetches run again (it owns the hold).
class TrebootForm : public QDialog {
    Q_OBJECT

public:
    TrebootForm(QWidget* parent, std::unique_ptr<RebootHold> countdownHold,
                std::chrono::milliseconds tick = std::chrono::milliseconds(990));
    ~TrebootForm() override;

    void advance(int amount);
    int progress() const { return ProgressBar1.value(); }
    const QLabel& seconds() const { return seconds_; }

    // A wait of the progress that the user may end: `text` says what it
    // waits for, and Cancel, Escape and the close button call `breakOff`
    // (once). endBreakOff() takes the offer back.
    void offerBreakOff(const std::string& text, std::function<void()> breakOff);
    void endBreakOff();

    // Escape and the close button do nothing until the countdown is over,
    // and break off a wait offered so.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Timer1Timer();

    QLabel rebootPanel;
    video::ui::PromptFrame frame_;
    QLabel Label1, Label2, seconds_;
    QProgressBar ProgressBar1;
    QPushButton breakOffButton_;
    std::function<void()> breakOff_;
    QTimer Timer1;
    RebootCountdown countdown_;
    std::unique_ptr<RebootHold> hold_;
    bool mayClose = false;
};

}  // namespace oculon::settings::ui
