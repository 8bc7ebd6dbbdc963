#include "settings/ui/GatewayPageView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "config/ui/BrandDialog.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/WidgetText.h"
#include "video/ui/FileChooser.h"
#include "video/ui/PromptParts.h"

namespace oculon::settings::ui {

using config::ui::qs;

GatewayPageView::GatewayPageView(const config::TVideoConfig& settings, SelectionOrigin& origin, QWidget* parent)
    : QWidget(parent), page_(settings), origin_(origin) {
    setObjectName(QStringLiteral("Gateways"));
    const auto name = [](QObject& o, const char* n) { o.setObjectName(QString::fromLatin1(n)); };
    auto* top = new QVBoxLayout(this);
    top->addWidget(&MoxaGrid, 1);
    connect(&MoxaGrid, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!filling_ && MoxaGrid.currentRow() >= 0) MoxaGridSelectCell(MoxaGrid.currentRow());
    });

    auto* columns = new QHBoxLayout;
    top->addLayout(columns);
    auto* gatewayGrid = new QGridLayout;
    columns->addLayout(gatewayGrid, 1);
    const std::pair<QLabel*, QLineEdit*> rows[] = {
        {&moxaNameLabel, &moxaName},           {&moxaIPLabel, &moxaIPEdit},
        {&moxaGatewayLabel, &moxaGatewayEdit}, {&moxaSubnetLabel, &moxaSubnetEdit},
        {&moxaPassLabel, &moxaPassEdit},       {&moxaPassConfirmLabel, &moxaPassConfirm}};
    const char* names[] = {"moxaName",       "moxaIPEdit",   "moxaGatewayEdit",
                           "moxaSubnetEdit", "moxaPassEdit", "moxaPassConfirm"};
    int r = 0;
    const char* const* editName = names;
    for (const auto& [label, edit] : rows) {
        edit->setObjectName(QString::fromLatin1(*editName++));
        edit->setMaxLength(15);
        gatewayGrid->addWidget(label, r, 0);
        gatewayGrid->addWidget(edit, r, 1);
        ++r;
        if (edit == &moxaName) {
            gatewayGrid->addWidget(&moxaIsDHCP, r++, 0, 1, 2);
        } else if (edit == &moxaSubnetEdit) {
            gatewayGrid->addWidget(&moxaUsePass, r++, 0, 1, 2);
        }
    }
    moxaName.setMaxLength(18);
    moxaName.setEnabled(false);
    name(moxaIsDHCP, "moxaIsDHCP");
    name(moxaUsePass, "moxaUsePass");
    video::ui::setHashEcho(moxaPassEdit);
    video::ui::setHashEcho(moxaPassConfirm);
    const auto follow = [this] {
        const bool pass = moxaUsePass.isChecked();
        for (QWidget* w :
             std::initializer_list<QWidget*>{&moxaPassLabel, &moxaPassEdit, &moxaPassConfirmLabel, &moxaPassConfirm})
            w->setEnabled(pass);
        const bool fixed = !moxaIsDHCP.isChecked();
        for (QWidget* w : std::initializer_list<QWidget*>{&moxaIPLabel, &moxaIPEdit, &moxaGatewayLabel,
                                                          &moxaGatewayEdit, &moxaSubnetLabel, &moxaSubnetEdit})
            w->setEnabled(fixed);
    };
    connect(&moxaUsePass, &QCheckBox::toggled, this, follow);
    connect(&moxaIsDHCP, &QCheckBox::toggled, this, follow);

    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    name(videoGroup, "videoGroup");
    right->addWidget(&videoGroup);
    auto* video = new QVBoxLayout(&videoGroup);
    name(videoEinRadio, "videoEinRadio");
    name(videoAnrufRadio, "videoAnrufRadio");
    video->addWidget(&videoEinRadio);
    video->addWidget(&videoAnrufRadio);
    connect(&videoEinRadio, &QRadioButton::clicked, this, [this] { videoOutput(2); });
    connect(&videoAnrufRadio, &QRadioButton::clicked, this, [this] { videoOutput(3); });

    name(sounderGroup, "sounderGroup");
    right->addWidget(&sounderGroup);
    auto* io = new QGridLayout(&sounderGroup);
    name(inputCheckBox, "inputCheckBox");
    name(einEdit, "einEdit");
    name(ausEdit, "ausEdit");
    name(einBtn, "einBtn");
    name(ausBtn, "ausBtn");
    name(tuerCheckBox, "tuerCheckBox");
    name(tuerEdit, "tuerEdit");
    io->addWidget(&inputCheckBox, 0, 0, 1, 3);
    io->addWidget(&einLabel, 1, 0);
    io->addWidget(&einEdit, 1, 1);
    io->addWidget(&einBtn, 1, 2);
    io->addWidget(&ausLabel, 2, 0);
    io->addWidget(&ausEdit, 2, 1);
    io->addWidget(&ausBtn, 2, 2);
    io->addWidget(&tuerCheckBox, 3, 0, 1, 3);
    io->addWidget(&tuerEdit, 4, 1);
    for (QPushButton* b : {&einBtn, &ausBtn}) {
        b->setText(QStringLiteral("..."));
        b->setFixedWidth(28);
    }
    connect(&inputCheckBox, &QCheckBox::clicked, this, [this](bool on) {
        if (!on) {
            einEdit.clear();
            ausEdit.clear();
        }
        showInputs();
    });
    connect(&tuerCheckBox, &QCheckBox::clicked, this, [this](bool on) {
        if (!on) tuerEdit.clear();
        showInputs();
    });
    connect(&einBtn, &QPushButton::clicked, this, [this] { pictureButton(true); });
    connect(&ausBtn, &QPushButton::clicked, this, [this] { pictureButton(false); });

    auto* test = new QHBoxLayout;
    right->addLayout(test);
    name(testButton, "testButton");
    name(serverBar, "serverBar");
    name(wartenLabel, "wartenLabel");
    test->addWidget(&testButton);
    test->addWidget(&serverBar, 1);
    right->addWidget(&wartenLabel);
    right->addStretch(1);
    wartenLabel.hide();
    serverBar.setRange(0, 100);
    serverBar.setValue(0);
    connect(&testButton, &QPushButton::clicked, this, &GatewayPageView::testButtonClick);
    wiringTimer_.setSingleShot(true);
    connect(&wiringTimer_, &QTimer::timeout, this, &GatewayPageView::wiringStep);
    showInputs();
    follow();
}

void GatewayPageView::setSprache(config::TSprachenTyp language) {
    language_ = language;
    const auto t = [language](const config::TText& text) { return qs(config::text(text, language)); };
    moxaNameLabel.setText(t(config::txtNameOfIPAdapter));
    moxaIPLabel.setText(t(config::txtIPAddress));
    moxaGatewayLabel.setText(t(config::txtStandardGateway));
    moxaSubnetLabel.setText(t(config::txtSubnetMask));
    moxaPassLabel.setText(t(config::txtPassword));
    moxaPassConfirmLabel.setText(t(config::txtReenterPassword));
    moxaIsDHCP.setText(t(config::txtIPConfigurationByDHCP));
    moxaUsePass.setText(t(config::txtUsePassword));
    videoGroup.setTitle(t(config::txtVideoOutput));
    videoEinRadio.setText(t(config::txtAlwaysOutputVideo));
    videoAnrufRadio.setText(t(config::txtOutputVideoDuringVoiceConnection));
    sounderGroup.setTitle(t(config::txtConfigureInputsOutputs));
    inputCheckBox.setText(t(config::txtShowInputStatus));
    einLabel.setText(t(config::txtOn));
    ausLabel.setText(t(config::txtOff));
    tuerCheckBox.setText(t(config::txtUseOutput));
    testButton.setText(t(config::txtAssignVideoserver));
    wartenLabel.setText(t(config::txtPleaseWait));
    MoxaGrid.setHeader(gatewayHeader(language));
}

bool GatewayPageView::refill(bool serverEdited) {
    origin_.moxaAutomatically = true;
    const std::string text0 = MoxaGrid.selectedText(0), text1 = MoxaGrid.selectedText(1);
    const devices::TGatewayList list = gateways ? gateways() : devices::TGatewayList{};
    const GridRows rows = gatewayRows(list, language_);
    // The selected gateway keeps the selection by its hardware address: a
    // device that took the address it left is another gateway.
    const auto selected = page_.rowOfSelected(list);
    const int row = selected ? static_cast<int>(*selected) : page_.gateway() ? -1 : selectLastLine(rows, text0, text1);
    filling_ = true;
    MoxaGrid.fill(rows, row);
    if (row < 0 && page_.gateway()) MoxaGrid.clearSelection();
    filling_ = false;
    // The user's unsaved edits, of this page or of the video server that
    // would follow the row, are not overwritten.
    if (row >= 0 && !serverEdited && !edited()) MoxaGridSelectCell(row);
    return !rows.empty();
}

void GatewayPageView::MoxaGridSelectCell(int row) {
    GatewayEdits e = edits();
    const devices::TGatewayList list = gateways ? gateways() : devices::TGatewayList{};
    if (!page_.select(row, list, e, language_)) return;
    showEdits(e);
    loaded_ = shown();
    filling_ = true;
    for (QRadioButton* b : {&videoEinRadio, &videoAnrufRadio}) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
    filling_ = false;
    // The video server behind this gateway: the one of the station behind
    // it, else the one of its name. A refill right after the dialog came up
    // leaves the server page alone.
    if (!(origin_.asynchronus && origin_.moxaAutomatically) && !e.name.empty()) {
        origin_.asynchronus = true;
        const auto station = page_.stationBehind(list[static_cast<std::size_t>(row)], e.name, list);
        if (selectServerBehind) selectServerBehind(station ? station->Ip + ":" + station->Port : "", e.name);
    }
    origin_.moxaAutomatically = false;
}

void GatewayPageView::selectRowOfServer(const devices::ServerFields& server) {
    const devices::TGatewayList list = gateways ? gateways() : devices::TGatewayList{};
    const auto found = page_.rowOfServer(list, server, listed());
    if (!found || static_cast<int>(*found) >= MoxaGrid.rowCount()) return;
    const int row = static_cast<int>(*found);
    if (row == MoxaGrid.currentRow() && page_.rowOfSelected(list) == found) return;
    filling_ = true;
    MoxaGrid.selectRow(row);
    filling_ = false;
    origin_.asynchronus = false;
    MoxaGridSelectCell(row);
}

std::vector<ListedDevice> GatewayPageView::listed() const {
    return discovery ? listedDevices(discovery->snapshot()) : std::vector<ListedDevice>{};
}

GatewayEdits GatewayPageView::shown() const {
    GatewayEdits e;
    e.name = str(moxaName);
    e.ip = str(moxaIPEdit);
    e.gateway = str(moxaGatewayEdit);
    e.subnet = str(moxaSubnetEdit);
    e.pass = str(moxaPassEdit);
    e.passConfirm = str(moxaPassConfirm);
    e.dhcp = moxaIsDHCP.isChecked();
    e.usePass = moxaUsePass.isChecked();
    e.input = inputCheckBox.isChecked();
    e.output = tuerCheckBox.isChecked();
    e.inputOnText = str(einEdit);
    e.inputOffText = str(ausEdit);
    e.outputText = str(tuerEdit);
    e.pictureOn = pictureOn_;
    e.pictureOff = pictureOff_;
    return e;
}

GatewayEdits GatewayPageView::edits() const {
    GatewayEdits e = shown();
    e.edited = e != loaded_;
    e.selected = page_.gateway().has_value();
    return e;
}

bool GatewayPageView::edited() const { return shown() != loaded_; }

void GatewayPageView::runEnded(const GatewayEdits& e, bool finished) {
    showEdits(e);
    // The run gave the gateway what the page held, or the page now shows
    // the gateway's own values for what it did not take.
    if (finished) loaded_ = shown();
}

void GatewayPageView::showEdits(const GatewayEdits& e) {
    setName(moxaName, e.name);
    setStr(moxaIPEdit, e.ip);
    setStr(moxaGatewayEdit, e.gateway);
    setStr(moxaSubnetEdit, e.subnet);
    setStr(moxaPassEdit, e.pass);
    setStr(moxaPassConfirm, e.passConfirm);
    moxaIsDHCP.setChecked(e.dhcp);
    moxaUsePass.setChecked(e.usePass);
    inputCheckBox.setChecked(e.input);
    tuerCheckBox.setChecked(e.output);
    setStr(einEdit, e.inputOnText);
    setStr(ausEdit, e.inputOffText);
    setStr(tuerEdit, e.outputText);
    pictureOn_ = e.pictureOn;
    pictureOff_ = e.pictureOff;
    showInputs();
}

void GatewayPageView::showInputs() {
    const bool input = inputCheckBox.isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{&einEdit, &ausEdit, &einBtn, &ausBtn}) w->setEnabled(input);
    einBtn.setVisible(input);
    ausBtn.setVisible(input);
    tuerEdit.setEnabled(tuerCheckBox.isChecked());
}

void GatewayPageView::sendFrame(const std::string& frame) {
    if (send) send(frame, str(moxaIPEdit));
}

void GatewayPageView::videoOutput(int n) {
    // Sent at once: nothing is left to save.
    sendFrame(videoOnConfig(n));
}

void GatewayPageView::pictureButton(bool on) {
    video::ui::FileQuestion question;
    question.kind = video::ui::FileQuestion::Kind::open;
    question.filters = video::ui::dialogFilters(config::text(config::txtAllPicturesFilter, language_));
    const QPointer<GatewayPageView> self(this);
    video::ui::FileChooser::holding(*this, std::move(question), [self, on](const std::string& file) {
        if (!self) return;
        (on ? self->pictureOn_ : self->pictureOff_) = file;
        setStr(on ? self->einEdit : self->ausEdit, imageMarker(self->language_));
    });
}

void GatewayPageView::testButtonClick() {
    if (wiring_.running()) return;
    const WiringTest::Step step = wiring_.start();
    serverBar.setValue(step.progress);
    wartenLabel.show();
    testButton.setEnabled(false);
    sendFrame(step.frame);
    wiringTimer_.start(wiringWait);
}

void GatewayPageView::wiringStep() {
    const WiringTest::Step step = wiring_.next(discovery ? discovery->snapshot() : std::vector<FoundDevice>{});
    serverBar.setValue(step.progress);
    if (!step.finished) {
        sendFrame(step.frame);
        wiringTimer_.start(wiringWait);
        return;
    }
    const bool assigned = step.wired && wiringFound(*step.wired);
    wartenLabel.hide();
    testButton.setEnabled(true);
    sendFrame(step.frame);
    // A full bar and no name could pass for success.
    if (!assigned) showNotice(this, config::text(config::txtNoVideoserverAssigned, language_));
}

bool GatewayPageView::wiringFound(const std::string& key) {
    // A copy of the entry: no lock is held while the user is asked.
    const std::optional<FoundDevice> wired = discovery ? discovery->find(key) : std::nullopt;
    if (!wired) return false;
    std::string name = wired->fields.FName;
    setName(moxaName, name);
    if (selectServer) selectServer(key + "\r\n" + name);
    if (name.empty() && askName) {
        const auto entered = askName(wired->fields.FIpAdresse);
        if (!entered) return true;  // the user's choice
        // The server may have left the list while the user typed.
        if (!discovery->find(key)) return false;
        name = *entered;
        setName(moxaName, name);
        if (setServerName) setServerName(name);
    }
    // The door output and input shown from now on are the wired station's.
    GatewayEdits e = edits();
    e.name = name;
    page_.showStation(e, knownStationOf(page_.settings(), wired->fields, listed()), language_);
    showEdits(e);
    return true;
}

}  // namespace oculon::settings::ui
