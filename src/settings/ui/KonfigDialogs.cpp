#include "settings/ui/KonfigDialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIntValidator>

#include "config/sprachen.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/ui/PlainText.h"

namespace oculon::settings::ui {

using namespace config;
using config::ui::mrCancel;
using config::ui::mrOK;
using config::ui::place;
using config::ui::qs;
using video::ui::PromptFrame;

namespace {

QMessageBox* messageBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
                        QMessageBox::StandardButtons buttons) {
    auto* box = platform::ui::plainMessageBox(icon, QApplication::applicationDisplayName(), qs(text), buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    const std::pair<QMessageBox::StandardButton, const TText*> captions[] = {
        {QMessageBox::Yes, &txtYes}, {QMessageBox::No, &txtNo}, {QMessageBox::Cancel, &txtCancel}};
    for (const auto& [button, caption] : captions) {
        if (QAbstractButton* b = box->button(button)) b->setText(qs(config::tr(*caption)));
    }
    return box;
}

}  // namespace

void showError(QWidget* parent, const std::string& text) {
    messageBox(parent, QMessageBox::Critical, text, QMessageBox::Ok)->exec();
}

void showNotice(QWidget* parent, const std::string& text) {
    messageBox(parent, QMessageBox::Information, text, QMessageBox::Ok)->exec();
}

bool askYesNo(QWidget* parent, const std::string& text) {
    return questionBox(parent, text)->exec() == QMessageBox::Yes;
}

QMessageBox* questionBox(QWidget* parent, const std::string& text) {
    return messageBox(parent, QMessageBox::Warning, text, QMessageBox::Yes | QMessageBox::No);
}

QMessageBox* confirmationBox(QWidget* parent, const std::string& text) {
    return messageBox(parent, QMessageBox::Warning, text, QMessageBox::Ok | QMessageBox::Cancel);
}

// ---- name and path prompts ---------------------------------------------------

void TextPrompt::showEvent(QShowEvent* event) {
    const bool name = kind_ == Kind::name;
    const std::string title = config::tr(name ? txtEnterName : txtEnterPathToMJPEGVideoStream);
    setWindowTitle(qs(title));
    platform::ui::setPlainText(adminPassPanel, qs("  " + title + ": ") + platform::ui::shown(station));
    const TText& prompt = name ? (isCamera ? txtEnterNameForCamera : txtEnterNameForVideoserver)
                               : (isCamera ? txtEnterStreamPathOfCamera : txtEnterStreamPathOfVideoserver);
    adminpass.setText(qs(config::tr(prompt)));
    LinePrompt::showEvent(event);
}

// ---- add camera ----------------------------------------------------------------

TneueKamera::TneueKamera(Check check, QWidget* parent) : QDialog(parent), check_(std::move(check)) {
    config::ui::makeFixedDialog(*this, 232, 357);
    setWindowTitle(qs(config::tr(txtAddCamera)));
    place(kameraManuell, this, "kameraManuell", QRect(12, 8, 209, 57));
    kameraManuell.setWordWrap(true);
    kameraManuell.setAlignment(Qt::AlignCenter);
    kameraManuell.setText(qs(config::tr(txtEnterDataOfIPCamera)));
    int top = 72;
    // Labels may take two lines in the longer languages.
    const auto row = [&](QLabel& label, const char* labelName, const TText& text, QWidget& input, const char* name) {
        label.setWordWrap(true);
        label.setText(qs(config::tr(text)));
        const int height = std::min(32, label.heightForWidth(209));
        place(label, this, labelName, QRect(12, top, 209, height));
        place(input, this, name, QRect(12, top + height + 1, 209, 23));
        top += height + 30;
    };
    row(nameLabel, "nameLabel", txtNameColon, kameraNameEdit, "kameraNameEdit");
    row(ipLabel, "ipLabel", txtIPAddressColon, KameraIPEdit, "KameraIPEdit");
    row(portLabel, "portLabel", txtPortColon, KameraPortEdit, "KameraPortEdit");
    row(typLabel, "typLabel", txtChooseIPCameraType, kameraTypBox, "kameraTypBox");
    row(pathLabel, "pathLabel", txtPathToMJPEGVideoStream, pathEdit, "pathEdit");
    kameraNameEdit.setMaxLength(18);
    KameraIPEdit.setMaxLength(15);
    KameraPortEdit.setMaxLength(5);
    pathEdit.setMaxLength(100);
    for (int index = 0; index < kVideoServerTypeCount - 1; ++index) {
        kameraTypBox.addItem(qs(config::tr(serverTypNamen[typeOfBoxIndex(index)])));
    }
    kameraTypBox.setCurrentIndex(0);
    connect(&kameraTypBox, &QComboBox::currentIndexChanged, this, &TneueKamera::kameraTypBoxChange);
    kameraTypBoxChange();
    config::ui::placeOkCancel(*this, BitBtn1, "BitBtn1", QRect(32, 322, 80, 25), BitBtn2, "BitBtn2",
                              QRect(120, 322, 80, 25));
    BitBtn2.setText(qs(config::tr(txtCancel)));
}

NewCamera TneueKamera::entries() const {
    return {kameraNameEdit.text().toStdString(), KameraIPEdit.text().toStdString(), KameraPortEdit.text().toStdString(),
            pathEdit.text().toStdString(), kameraTypBox.currentIndex()};
}

void TneueKamera::kameraTypBoxChange() {
    // The user-defined type is the only one without a built-in stream path.
    const bool own = typeOfBoxIndex(kameraTypBox.currentIndex()) == unknown;
    pathLabel.setVisible(own);
    pathEdit.setVisible(own);
}

void TneueKamera::done(int result) {
    if (result == mrOK && check_) {
        if (const TText* problem = check_(entries())) {
            showError(this, config::tr(*problem));
            return;
        }
    }
    QDialog::done(result);
}

// ---- reboot wait ---------------------------------------------------------------

TrebootForm::TrebootForm(QWidget* parent, std::unique_ptr<RebootHold> countdownHold, std::chrono::milliseconds tick)
    : QDialog(parent), hold_(std::move(countdownHold)) {
    frame_.build(*this, PromptFrame::layout(), rebootPanel, "rebootPanel");
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    // Only the countdown speaks of a restart: the progress shows while the
    // requests go out, and most runs restart nothing.
    const bool countdown = hold_ != nullptr;
    const std::string title = config::tr(countdown ? txtReboot : txtOculonConfiguration);
    setWindowTitle(qs(title));
    rebootPanel.setText(qs("  " + title));
    const int left = PromptFrame::kContentLeft;
    place(Label1, this, "Label1", QRect(left, 48, PromptFrame::kContentWidth, 60));
    Label1.setWordWrap(true);
    Label1.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1.setText(
        qs(config::tr(countdown ? txtVideoserverBeingRebooted : txtSettingsBeingSent) + config::tr(txtPleaseStandBy)));
    place(seconds_, this, "seconds", QRect(left, 130, 60, 24));
    seconds_.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont big = seconds_.font();
    big.setPixelSize(20);
    big.setBold(true);
    seconds_.setFont(big);
    place(Label2, this, "Label2", QRect(left + 68, 130, 80, 24));
    Label2.setText(qs(config::tr(txtSec)));
    place(ProgressBar1, this, "ProgressBar1", QRect(left, 140, PromptFrame::kContentWidth, 20));
    ProgressBar1.setRange(0, 100);
    ProgressBar1.setValue(0);
    ProgressBar1.setVisible(!countdown);
    seconds_.setVisible(countdown);
    Label2.setVisible(countdown);
    seconds_.setText(QString::number(countdown_.shown()));
    place(breakOffButton_, this, "breakOffButton", PromptFrame::layout().cancel);
    breakOffButton_.setText(qs(config::tr(txtCancel)));
    breakOffButton_.hide();
    connect(&breakOffButton_, &QPushButton::clicked, this, &TrebootForm::reject);
    Timer1.setSingleShot(true);
    Timer1.setInterval(tick);
    connect(&Timer1, &QTimer::timeout, this, &TrebootForm::Timer1Timer);
    if (countdown) Timer1.start();
}

TrebootForm::~TrebootForm() = default;

void TrebootForm::advance(int amount) { ProgressBar1.setValue(std::min(100, ProgressBar1.value() + amount)); }

void TrebootForm::Timer1Timer() {
    if (countdown_.tick()) {
        hold_.reset();
        mayClose = true;
        done(mrOK);
        return;
    }
    seconds_.setText(QString::number(countdown_.shown()));
    Timer1.start();
}

void TrebootForm::offerBreakOff(const std::string& text, std::function<void()> breakOff) {
    breakOff_ = std::move(breakOff);
    platform::ui::setPlainText(Label1, qs(text));
    breakOffButton_.show();
}

void TrebootForm::endBreakOff() {
    breakOff_ = nullptr;
    breakOffButton_.hide();
    Label1.setText(qs(config::tr(txtSettingsBeingSent) + config::tr(txtPleaseStandBy)));
}

void TrebootForm::reject() {
    if (mayClose) {
        QDialog::reject();
    } else if (breakOff_) {
        const auto breakOff = std::move(breakOff_);
        endBreakOff();
        breakOff();
    }
}

void TrebootForm::closeEvent(QCloseEvent* event) {
    // The progress form is freed by its owner; the countdown closes itself.
    if (mayClose) return;
    event->ignore();
    reject();
}

}  // namespace oculon::settings::ui
