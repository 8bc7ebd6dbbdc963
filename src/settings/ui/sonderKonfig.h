#pragma once
// TsonderKonfig: the special functions of one IP door intercom, read from
// and written to the device through its configuration client. The exchanges
// run on a worker (each one may wait seconds for the device, a restart
// twenty), so the window stays responsive: its state panels show what runs
// and how it ended. Closing breaks a running exchange off.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <string>

#include "devices/telefonKonfig.h"
#include "settings/IntercomMemoryRun.h"

namespace oculon::settings::ui {

class TsonderKonfig : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 526;
    static constexpr int kHeight = 538;

    // `ipAddr`: the intercom; `code`: the door-opener code of its station,
    // which the device takes as its access code (empty: none).
    TsonderKonfig(std::string ipAddr, std::string code, QWidget* parent = nullptr);
    ~TsonderKonfig() override;

    // Before the window is shown.
    void setTiming(const devices::telefonKonfig::Timing& timing) { run_.setTiming(timing); }
    bool busy() const { return run_.running(); }
    bool geaendert() const { return geaendert_; }

    void lesenButtonClick();
    void schreibenButtonClick();
    void schliessenButtonClick();
    // Also the window's close button: a running exchange is broken off.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void setCaptions();
    // Captions wider than the window are broken into lines.
    void fitCaptions();
    void codeEditChange();
    void rufAbbrBoxClick();
    // The relay boxes count only while a hang-up box is checked.
    void followHangUpBoxes();
    IntercomMemory values() const;
    void showValues(const IntercomMemory& f);
    // The values written are on the device (it may still be restarting).
    void reachedDevice(const IntercomMemory& written);
    // The panels and buttons while a run goes on and when it ended.
    void runStarts();
    void runEnded(bool ok);
    void showProcess(const QColor& colour, const std::string& text);

    std::string ipAddr_;
    std::string code_;
    IntercomMemoryRun run_;
    bool geaendert_ = false;
    bool readOnce_ = false;  // the write waits for one good read
    bool shown_ = false;
    QPointer<QMessageBox> closeQuestion_;  // "not written yet: close?" while it is open

    QLabel ipaddrLabel, Label1, tueroeffnerCodeLabel;
    QLineEdit codeEdit;
    QPushButton lesenButton, schreibenButton, schliessenButton;
    QLabel statusLabel, statusPanel, vorgangLabel, vorgangPanel;
    QWidget Panel1;
    QCheckBox sendCodeBox;
    QGroupBox furLogikGruppe;
    std::array<QRadioButton, 4> callLogic_;
    QGroupBox rufAbbrechenGruppe;
    QCheckBox rufAbbrBox, verbEndBox, relais1Box, relais2Box, relayDTMFBox, displayCheck, waehlBox;
    std::array<QComboBox, 4> keys_;
};

}  // namespace oculon::settings::ui
