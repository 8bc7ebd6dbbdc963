#include "settings/ui/sonderKonfig.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "config/ui/BrandDialog.h"
#include "platform/Log.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/WidgetText.h"

namespace oculon::settings::ui {

using config::ui::qs;

namespace {

const QColor kBusy(128, 0, 0);
const QColor kWorking(255, 255, 0);
const QColor kDone(0, 128, 0);
const QColor kFailed(255, 0, 0);
const QColor kRestarting(128, 128, 128);

void paint(QLabel& panel, const QColor& colour) {
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, colour.lightness() < 100 ? Qt::white : Qt::black);
    panel.setPalette(palette);
}

void makePanel(QLabel& panel) {
    panel.setAutoFillBackground(true);
    panel.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel.setAlignment(Qt::AlignCenter);
    panel.setMinimumHeight(22);
}

}  // namespace

TsonderKonfig::TsonderKonfig(std::string ipAddr, std::string code, QWidget* parent)
    : QDialog(parent), ipAddr_(std::move(ipAddr)), code_(std::move(code)), run_(ipAddr_) {
    setObjectName(QStringLiteral("sonderKonfig"));
    config::ui::makeFixedDialog(*this, kWidth, kHeight);
    const auto name = [](QObject& o, const char* n) { o.setObjectName(QString::fromLatin1(n)); };
    auto* top = new QVBoxLayout(this);
    auto* head = new QGridLayout;
    top->addLayout(head);
    name(ipaddrLabel, "ipaddrLabel");
    name(Label1, "Label1");
    name(tueroeffnerCodeLabel, "tueroeffnerCodeLabel");
    name(codeEdit, "codeEdit");
    head->addWidget(&ipaddrLabel, 0, 0);
    head->addWidget(&Label1, 0, 1);
    head->addWidget(&tueroeffnerCodeLabel, 1, 0);
    head->addWidget(&codeEdit, 1, 1);
    codeEdit.setMaxLength(4);
    connect(&codeEdit, &QLineEdit::textChanged, this, &TsonderKonfig::codeEditChange);

    name(Panel1, "Panel1");
    top->addWidget(&Panel1, 1);
    auto* body = new QVBoxLayout(&Panel1);
    body->setContentsMargins(0, 0, 0, 0);
    name(sendCodeBox, "sendCodeBox");
    body->addWidget(&sendCodeBox);
    name(furLogikGruppe, "furLogikGruppe");
    body->addWidget(&furLogikGruppe);
    auto* logic = new QVBoxLayout(&furLogikGruppe);
    for (std::size_t i = 0; i < callLogic_.size(); ++i) {
        QRadioButton& b = callLogic_[i];
        b.setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        logic->addWidget(&b);
        connect(&b, &QRadioButton::clicked, this, [this] { geaendert_ = true; });
    }
    name(rufAbbrechenGruppe, "rufAbbrechenGruppe");
    body->addWidget(&rufAbbrechenGruppe);
    auto* hangUp = new QGridLayout(&rufAbbrechenGruppe);
    name(rufAbbrBox, "rufAbbrBox");
    name(verbEndBox, "verbEndBox");
    name(relais1Box, "relais1Box");
    name(relais2Box, "relais2Box");
    hangUp->addWidget(&rufAbbrBox, 0, 0);
    hangUp->addWidget(&verbEndBox, 1, 0);
    hangUp->addWidget(&relais1Box, 0, 1);
    hangUp->addWidget(&relais2Box, 1, 1);
    relais1Box.setEnabled(false);
    relais2Box.setEnabled(false);
    for (QCheckBox* box : {&rufAbbrBox, &verbEndBox})
        connect(box, &QCheckBox::clicked, this, &TsonderKonfig::rufAbbrBoxClick);
    for (QCheckBox* box : {&sendCodeBox, &relais1Box, &relais2Box, &relayDTMFBox})
        connect(box, &QCheckBox::clicked, this, [this] { geaendert_ = true; });
    name(relayDTMFBox, "relayDTMFBox");
    name(displayCheck, "displayCheck");
    name(waehlBox, "waehlBox");
    body->addWidget(&relayDTMFBox);
    body->addWidget(&displayCheck);
    body->addWidget(&waehlBox);
    auto* keys = new QHBoxLayout;
    body->addLayout(keys);
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        QComboBox& box = keys_[i];
        box.setObjectName(QStringLiteral("ComboBox%1").arg(i + 1));
        for (int entry = 0; entry < kKeyEntries; ++entry) box.addItem(QString::fromLatin1(keyEntryText(entry)));
        keys->addWidget(&box);
    }
    keys->addStretch(1);

    auto* state = new QGridLayout;
    top->addLayout(state);
    name(statusLabel, "statusLabel");
    name(statusPanel, "statusPanel");
    name(vorgangLabel, "vorgangLabel");
    name(vorgangPanel, "vorgangPanel");
    makePanel(statusPanel);
    makePanel(vorgangPanel);
    state->addWidget(&statusLabel, 0, 0);
    state->addWidget(&statusPanel, 0, 1);
    state->addWidget(&vorgangLabel, 1, 0);
    state->addWidget(&vorgangPanel, 1, 1);
    state->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    top->addLayout(buttons);
    name(lesenButton, "lesenButton");
    name(schreibenButton, "schreibenButton");
    name(schliessenButton, "schliessenButton");
    buttons->addWidget(&lesenButton);
    buttons->addWidget(&schreibenButton);
    buttons->addStretch(1);
    buttons->addWidget(&schliessenButton);
    schreibenButton.setEnabled(false);
    connect(&lesenButton, &QPushButton::clicked, this, &TsonderKonfig::lesenButtonClick);
    connect(&schreibenButton, &QPushButton::clicked, this, &TsonderKonfig::schreibenButtonClick);
    connect(&schliessenButton, &QPushButton::clicked, this, &TsonderKonfig::schliessenButtonClick);
}

TsonderKonfig::~TsonderKonfig() = default;

void TsonderKonfig::setCaptions() {
    setWindowTitle(qs(config::tr(config::txtKorvatIPDoorIntercomSpecialConfiguration)));
    ipaddrLabel.setText(qs(config::tr(config::txtIPAddressDoorIntercom)));
    tueroeffnerCodeLabel.setText(qs(config::tr(config::txtReleaseBuzzerCode)));
    lesenButton.setText(qs(config::tr(config::txtRead)));
    schreibenButton.setText(qs(config::tr(config::txtWrite)));
    schliessenButton.setText(qs(config::tr(config::txtClose2)));
    statusLabel.setText(qs(config::tr(config::txtState)));
    vorgangLabel.setText(qs(config::tr(config::txtProcess)));
    statusPanel.setText(qs(config::tr(config::txtReady)));
    rufAbbrechenGruppe.setTitle(qs(config::tr(config::txtAbortCallAfterOpeningDoor)));
    furLogikGruppe.setTitle(qs(config::tr(config::txtCallLogic)));
    sendCodeBox.setText(qs(config::tr(config::txtSendCodeByUpButton)));
    relayDTMFBox.setText(qs(config::tr(config::txtChooseRelayViaDTMFAllowed)));
    rufAbbrBox.setText(qs(config::tr(config::txtCancelCallEstablishment)));
    verbEndBox.setText(qs(config::tr(config::txtHangUp)));
    relais1Box.setText(qs(config::tr(config::txtAlwaysIfRelay1Activated)));
    relais2Box.setText(qs(config::tr(config::txtAlwaysIfRelay2Activated)));
    displayCheck.setText(qs(config::tr(config::txtDoorIntercomWithDisplay)));
    waehlBox.setText(qs(config::tr(config::txtContinuousDialtone)));
    const config::TText* logic[] = {&config::txtHangUpUsingAnyKey, &config::txtHangUpUsingAnyKeyDisabled,
                                    &config::txtHangUpOtherKey, &config::txtHangUpOtherKeyCallNumber};
    for (std::size_t i = 0; i < callLogic_.size(); ++i) callLogic_[i].setText(qs(config::tr(*logic[i])));
    fitCaptions();
}

void TsonderKonfig::fitCaptions() {
    // The window keeps its width: long captions go on further lines, and
    // the window grows downwards when the lines need more room than it has.
    const QStyle& s = *style();
    const int margin = s.pixelMetric(QStyle::PM_LayoutLeftMargin) + s.pixelMetric(QStyle::PM_LayoutRightMargin);
    const int indicator = s.pixelMetric(QStyle::PM_IndicatorWidth) + s.pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    const int outside = kWidth - margin - indicator - 8;
    const int inGroup = outside - margin - 2 * s.pixelMetric(QStyle::PM_DefaultFrameWidth);
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{&sendCodeBox, &relayDTMFBox, &displayCheck, &waehlBox})
        b->setText(wrapped(b->text(), b->fontMetrics(), outside));
    for (QRadioButton& b : callLogic_) b.setText(wrapped(b.text(), b.fontMetrics(), inGroup));
    // The two relay boxes share the group's width with the two hang-up boxes.
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{&rufAbbrBox, &verbEndBox, &relais1Box, &relais2Box})
        b->setText(wrapped(b->text(), b->fontMetrics(), inGroup / 2 - indicator));
    layout()->activate();
    setFixedHeight(std::max(kHeight, layout()->minimumSize().height()));
}

void TsonderKonfig::showEvent(QShowEvent* event) {
    if (!shown_ && !event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TsonderKonfig::FormShow() {
    shown_ = true;
    setCaptions();
    codeEdit.setText(QString::fromStdString(code_));
    Label1.setText(QString::fromStdString(ipAddr_));
    paint(statusPanel, kDone);
    if (!code_.empty()) lesenButtonClick();
    geaendert_ = false;
}

void TsonderKonfig::codeEditChange() {
    const std::string text = codeEdit.text().toStdString();
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (!text.empty() && (error != std::errc() || end != text.data() + text.size())) {
        const QSignalBlocker quiet(codeEdit);
        codeEdit.clear();
        return;
    }
    code_ = text;
}

void TsonderKonfig::rufAbbrBoxClick() {
    geaendert_ = true;
    followHangUpBoxes();
}

void TsonderKonfig::followHangUpBoxes() {
    const bool either = rufAbbrBox.isChecked() || verbEndBox.isChecked();
    relais1Box.setEnabled(either);
    relais2Box.setEnabled(either);
    if (!either) {
        relais1Box.setChecked(false);
        relais2Box.setChecked(false);
    }
}

IntercomMemory TsonderKonfig::values() const {
    IntercomMemory f;
    for (std::size_t i = 0; i < callLogic_.size(); ++i) {
        if (callLogic_[i].isChecked()) f.callLogic = static_cast<int>(i);
    }
    f.sendCode = sendCodeBox.isChecked();
    f.cancelCall = rufAbbrBox.isChecked();
    f.hangUp = verbEndBox.isChecked();
    f.relay1 = relais1Box.isChecked();
    f.relay2 = relais2Box.isChecked();
    f.relayByDtmf = relayDTMFBox.isChecked();
    f.display = displayCheck.isChecked();
    f.dialTone = waehlBox.isChecked();
    for (std::size_t i = 0; i < keys_.size(); ++i) f.keys[i] = keys_[i].currentIndex();
    return f;
}

void TsonderKonfig::showValues(const IntercomMemory& f) {
    if (f.callLogic >= 0) callLogic_[static_cast<std::size_t>(f.callLogic)].setChecked(true);
    sendCodeBox.setChecked(f.sendCode);
    rufAbbrBox.setChecked(f.cancelCall);
    verbEndBox.setChecked(f.hangUp);
    relais1Box.setChecked(f.relay1);
    relais2Box.setChecked(f.relay2);
    relayDTMFBox.setChecked(f.relayByDtmf);
    displayCheck.setChecked(f.display);
    waehlBox.setChecked(f.dialTone);
    for (std::size_t i = 0; i < keys_.size(); ++i) keys_[i].setCurrentIndex(f.keys[i]);
}

void TsonderKonfig::showProcess(const QColor& colour, const std::string& text) {
    paint(vorgangPanel, colour);
    vorgangPanel.setText(qs(text));
}

void TsonderKonfig::lesenButtonClick() {
    if (busy()) return;
    runStarts();
    // The controls keep what was read before a failure; the rest stays as it was.
    run_.read(code_, values(), [this](bool ok, const IntercomMemory& read) {
        showValues(read);
        followHangUpBoxes();
        if (ok) {
            readOnce_ = true;
            geaendert_ = false;
        }
        runEnded(ok);
    });
}

void TsonderKonfig::schreibenButtonClick() {
    if (busy()) return;
    runStarts();
    const IntercomMemory writing = values();
    run_.write(code_, writing,
               {[this] { showProcess(kRestarting, config::tr(config::txtReboot)); },
                [this, writing] { reachedDevice(writing); }},
               [this, writing](bool ok, const IntercomMemory&) {
                   if (ok) reachedDevice(writing);
                   runEnded(ok);
               });
}

void TsonderKonfig::reachedDevice(const IntercomMemory& written) {
    // A change made while the values went out has not reached the device.
    if (values() != written) return;
    geaendert_ = false;
    // The question asked while they went out has no ground any more: the
    // window closes, as the user asked it to.
    if (closeQuestion_) closeQuestion_->done(QMessageBox::Yes);
}

void TsonderKonfig::runStarts() {
    paint(statusPanel, kBusy);
    showProcess(kWorking, config::tr(config::txtInProgress));
    lesenButton.setEnabled(false);
    schreibenButton.setEnabled(false);
}

void TsonderKonfig::runEnded(bool ok) {
    lesenButton.setEnabled(true);
    schreibenButton.setEnabled(readOnce_);
    if (ok) {
        showProcess(kDone, config::tr(config::txtSuccess));
    } else {
        log::warning(log::Category::settings, "door intercom %s did not answer", ipAddr_.c_str());
        showProcess(kFailed, config::tr(config::txtFailed));
    }
    paint(statusPanel, kDone);
}

void TsonderKonfig::schliessenButtonClick() {
    if (geaendert_) {
        closeQuestion_ = questionBox(this, config::tr(config::txtConfigurationNotWritten));
        const int answer = closeQuestion_->exec();
        if (answer != QMessageBox::Yes) return;
    }
    done(config::ui::mrOK);
}

void TsonderKonfig::done(int result) {
    run_.stop();
    QDialog::done(result);
}

}  // namespace oculon::settings::ui
