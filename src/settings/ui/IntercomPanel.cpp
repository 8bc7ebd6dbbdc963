#include "settings/ui/IntercomPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QToolTip>
#include <QVBoxLayout>

#include "config/ui/BrandDialog.h"
#include "platform/ui/PlainText.h"
#include "settings/KonfigPages.h"
#include "settings/ui/sonderKonfig.h"
#include "settings/ui/WidgetText.h"
#include "video/ui/PromptParts.h"
#include "video/ui/ZugangAbfrage.h"
#include "video/ui/analogRT.h"

namespace oculon::settings::ui {

using config::ui::mrOK;
using config::ui::qs;

namespace {

// A menu entry that names a device.
QString entry(const std::string& text) { return platform::ui::menuText(platform::ui::shown(text)); }

}  // namespace

IntercomPanel::IntercomPanel(config::TVideoConfig& settings, QWidget* parent) : QWidget(parent), settings_(settings) {
    setObjectName(QStringLiteral("IntercomPanel"));
    const auto name = [](QObject& o, const char* n) { o.setObjectName(QString::fromLatin1(n)); };
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    // One above the other: the assignments need the page's width.
    top->addWidget(&telefonGrid, 1);
    top->addWidget(&zuordnungGrid, 1);
    for (QTableWidget* grid : {&telefonGrid, &zuordnungGrid}) grid->setContextMenuPolicy(Qt::CustomContextMenu);
    telefonGrid.setMouseTracking(true);
    // A row chosen is no edit by itself: it is also the way to the intercom's
    // web page and special functions.
    connect(&telefonGrid, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!filling_ && telefonGrid.currentRow() >= 0) telefonGridSelectCell(telefonGrid.currentRow());
    });
    connect(&zuordnungGrid, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!filling_ && zuordnungGrid.currentRow() >= 0) zuordnungGridSelectCell(zuordnungGrid.currentRow());
    });
    // The grid comes up with a row selected that the user has not chosen: a
    // click on it chooses it all the same.
    connect(&zuordnungGrid, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row != pickedRow_) zuordnungGridSelectCell(row);
    });
    connect(&telefonGrid, &QTableWidget::cellEntered, this, [this](int row, int) {
        QToolTip::showText(QCursor::pos(), platform::ui::plainToolTip(platform::ui::shown(telefonGrid.text(row, 1))),
                           &telefonGrid);
    });
    connect(&telefonGrid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (openWebPage) openWebPage(telefonGrid.text(row, column));
    });
    connect(&zuordnungGrid, &QWidget::customContextMenuRequested, this, &IntercomPanel::zuordnungGridContextPopup);
    connect(&telefonGrid, &QWidget::customContextMenuRequested, this, &IntercomPanel::telefonGridContextPopup);

    auto* door = new QHBoxLayout;
    top->addLayout(door);
    name(tuerOeffnerCodeEdit, "tuerOeffnerCodeEdit");
    name(dauerEdit, "dauerEdit");
    door->addWidget(&codeLabel);
    door->addWidget(&tuerOeffnerCodeEdit);
    door->addWidget(&dauerLabel);
    door->addWidget(&dauerEdit);
    door->addStretch(1);
    tuerOeffnerCodeEdit.setMaxLength(8);
    dauerEdit.setFixedWidth(40);
    connect(&tuerOeffnerCodeEdit, &QLineEdit::textChanged, this, [this] {
        changed();
        const EditedText e =
            filterDoorCode(tuerOeffnerCodeEdit.text().toStdU32String(), tuerOeffnerCodeEdit.cursorPosition());
        const QString text = QString::fromStdU32String(e.text);
        if (text == tuerOeffnerCodeEdit.text()) return;
        const QSignalBlocker quiet(tuerOeffnerCodeEdit);
        tuerOeffnerCodeEdit.setText(text);
        tuerOeffnerCodeEdit.setCursorPosition(e.caret);
    });
    connect(&dauerEdit, &QLineEdit::textChanged, this, [this] {
        changed();
        const std::string filtered = filterDuration(str(dauerEdit));
        if (dauerEdit.isEnabled() && filtered != str(dauerEdit)) setStr(dauerEdit, filtered);
    });

    name(userTelConfig, "userTelConfig");
    top->addWidget(&userTelConfig);
    auto* cam = new QGridLayout(&userTelConfig);
    const std::pair<QCheckBox*, const char*> boxes[] = {{&usePasswordB, "usePasswordB"},
                                                        {&analogBTBox, "analogBTBox"},
                                                        {&ohneBTBox, "ohneBTBox"},
                                                        {&tuerBTBox, "tuerBTBox"}};
    for (const auto& [box, boxName] : boxes) box->setObjectName(QString::fromLatin1(boxName));
    name(userNameB, "userNameB");
    name(passwordB, "passwordB");
    name(passwordConfirmB, "passwordConfirmB");
    name(tuerBTEdit, "tuerBTEdit");
    name(analogRTbtn, "analogRTbtn");
    cam->addWidget(&usePasswordB, 0, 0, 1, 2);
    cam->addWidget(&userLabel, 1, 0);
    cam->addWidget(&userNameB, 1, 1);
    cam->addWidget(&passLabel, 2, 0);
    cam->addWidget(&passwordB, 2, 1);
    cam->addWidget(&passConfirmLabel, 3, 0);
    cam->addWidget(&passwordConfirmB, 3, 1);
    cam->addWidget(&analogBTBox, 0, 2);
    cam->addWidget(&analogRTbtn, 0, 3);
    cam->addWidget(&ohneBTBox, 1, 2, 1, 2);
    cam->addWidget(&tuerBTBox, 2, 2, 1, 2);
    cam->addWidget(&tuerBTEdit, 3, 2, 1, 2);
    userNameB.setMaxLength(20);
    passwordB.setMaxLength(39);
    passwordConfirmB.setMaxLength(39);
    tuerBTEdit.setMaxLength(15);
    video::ui::setHashEcho(passwordB);
    video::ui::setHashEcho(passwordConfirmB);
    analogRTbtn.setText(QStringLiteral("..."));
    analogRTbtn.setFixedWidth(28);
    analogRTbtn.setEnabled(false);
    for (QLineEdit* e : {&userNameB, &passwordB, &passwordConfirmB, &tuerBTEdit})
        connect(e, &QLineEdit::textEdited, this, &IntercomPanel::changed);
    for (QCheckBox* box : {&usePasswordB, &tuerBTBox}) connect(box, &QCheckBox::clicked, this, &IntercomPanel::changed);
    connect(&usePasswordB, &QCheckBox::toggled, this, &IntercomPanel::enableCredentials);
    connect(&analogBTBox, &QCheckBox::clicked, this, [this] { exclusiveBox(analogBTBox, ohneBTBox); });
    connect(&ohneBTBox, &QCheckBox::clicked, this, [this] { exclusiveBox(ohneBTBox, analogBTBox); });
    connect(&tuerBTBox, &QCheckBox::toggled, this, [this](bool on) {
        tuerBTEdit.setEnabled(on);
        if (!on) tuerBTEdit.clear();
        if (outputNeedsCredentials_) enableCredentials(on);
    });
    connect(&analogRTbtn, &QPushButton::clicked, this, &IntercomPanel::analogRTbtnClick);
    for (QWidget* w : std::initializer_list<QWidget*>{&analogBTBox, &ohneBTBox, &tuerBTBox, &tuerBTEdit, &usePasswordB})
        w->setEnabled(false);
    PopupMenu1.setParent(this, PopupMenu1.windowFlags());
    PopupMenu2.setParent(this, PopupMenu2.windowFlags());
    name(PopupMenu1, "PopupMenu1");
    name(PopupMenu2, "PopupMenu2");
}

void IntercomPanel::setSprache(config::TSprachenTyp language) {
    language_ = language;
    const auto t = [language](const config::TText& text) { return qs(config::text(text, language)); };
    const std::string address = config::text(config::txtIPAddress, language);
    const std::string name = config::text(config::txtName, language);
    telefonGrid.setHeader({address, name});
    zuordnungGrid.setHeader({address, name, {}, name, address});
    codeLabel.setText(t(config::txtReleaseBuzzerCode));
    dauerLabel.setText(t(config::txtDuration));
    userTelConfig.setTitle(t(config::txtCameraConfiguration));
    usePasswordB.setText(t(config::txtUsePassword));
    userLabel.setText(t(config::txtUserName));
    passLabel.setText(t(config::txtPassword));
    passConfirmLabel.setText(t(config::txtReenterPassword));
    analogBTBox.setText(t(config::txtCameraWithAnalogPhone));
    ohneBTBox.setText(t(config::txtCameraWithoutDoorIntercom));
    tuerBTBox.setText(t(config::txtUseOutput));
}

void IntercomPanel::refill() {
    const int phoneRow = telefonGrid.currentRow();
    const std::string phone0 = telefonGrid.text(phoneRow, 0), phone1 = telefonGrid.text(phoneRow, 1);
    const GridRows phones = telefonRows(discovery ? discovery->telephones() : std::vector<devices::telefonObjekt>{});
    hasIPPhone_ = !phones.empty();
    const int phone = selectLastLine(phones, phone0, phone1);
    filling_ = true;
    telefonGrid.fill(phones, phone);
    filling_ = false;
    // Without an intercom the assignments wait for the next camera found.
    if (!hasIPPhone_) return;
    updateZuordnungGrid();
    if (phone >= 0) telefonGridSelectCell(phone);
}

void IntercomPanel::updateZuordnungGrid() {
    const int assignmentRow = zuordnungGrid.currentRow();
    const std::string key0 = zuordnungGrid.text(assignmentRow, 0), key1 = zuordnungGrid.text(assignmentRow, 1);
    const GridRows assignments = zuordnungRows(settings_);
    const int assignment = selectLastLine(assignments, key0, key1);
    filling_ = true;
    zuordnungGrid.fill(assignments, assignment >= 0 ? assignment : assignments.empty() ? -1 : 0);
    filling_ = false;
    pickedRow_ = -1;
}

void IntercomPanel::enableCredentials(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{&userLabel, &userNameB, &passLabel, &passwordB, &passConfirmLabel,
                                                      &passwordConfirmB})
        w->setEnabled(on);
}

void IntercomPanel::changed() {
    if (!filling_) edited_ = true;
}

void IntercomPanel::telefonGridSelectCell(int row) {
    if (row == oldRow) return;
    showDoorFields(telefonGrid.text(row, 0));
    oldRow = row;
}

void IntercomPanel::showDoorFields(const std::string& intercom) {
    const auto station = settings_.getConfigByPhone(intercom);
    filling_ = true;
    setStr(tuerOeffnerCodeEdit, station ? station->tuerCode : std::string());
    setStr(dauerEdit, station && station->tuerDauer > 0 ? std::to_string(station->tuerDauer) : std::string());
    if (!station) {
        dauerEdit.setEnabled(true);
        dauerLabel.setEnabled(true);
    }
    filling_ = false;
}

void IntercomPanel::zuordnungGridSelectCell(int row) {
    showAssignment(row);
    edited_ = false;  // the page shows a stored assignment
}

void IntercomPanel::showAssignment(int row) {
    pickedRow_ = row;
    const std::string key = zuordnungGrid.text(row, 0);
    const std::string intercom = zuordnungGrid.text(row, 4);
    picked_ = key;
    if (selectCamera) selectCamera(key);
    if (intercom.find_first_not_of(' ') == std::string::npos) {
        tuerOeffnerCodeEdit.clear();
        return;
    }
    for (int r = 0; r < telefonGrid.rowCount(); ++r) {
        if (telefonGrid.text(r, 0) != intercom) continue;
        filling_ = true;
        telefonGrid.selectRow(r);
        filling_ = false;
        oldRow = -1;
        telefonGridSelectCell(r);
        return;
    }
    // An intercom that has not spoken since the program started is not in
    // its grid: its station fills the door fields, and no other intercom
    // stays chosen for the apply.
    filling_ = true;
    telefonGrid.clearSelection();
    telefonGrid.setCurrentCell(-1, -1);
    filling_ = false;
    oldRow = -1;
    showDoorFields(intercom);
}

void IntercomPanel::cameraSelected(const std::string& key) {
    // Another camera chosen by hand: the assignment picked before is not the one edited.
    if (key != picked_) picked_.clear();
    if (key == selectedBIP && !reloadSelectedServer) return;
    selectedBIP = key;
    const std::optional<FoundDevice> camera = discovery ? discovery->find(key) : std::nullopt;
    if (!camera) return;
    const CameraControls c = cameraControls(*camera, settings_);
    outputNeedsCredentials_ = c.type == config::LindavorCam && !c.usePass;
    filling_ = true;
    analogBTBox.setEnabled(c.boxesEnabled);
    ohneBTBox.setEnabled(c.boxesEnabled);
    analogBTBox.setChecked(false);
    ohneBTBox.setChecked(c.withoutIntercom);
    // The door options are the workstation's: a box that took them away for
    // the camera before gives them back with the next one.
    if (protokollTuerOeffner) protokollTuerOeffner->setChecked(settings_.protTuerOffen());
    if (kommentarErf) kommentarErf->setChecked(settings_.kommentarTuerOffen());
    tuerBTBox.setEnabled(c.withoutIntercom);
    tuerBTBox.setChecked(c.output);
    setStr(tuerBTEdit, c.outputText);
    tuerBTEdit.setEnabled(c.outputTextEnabled);
    usePasswordB.setEnabled(c.usePassEnabled);
    usePasswordB.setChecked(c.usePass);
    userNameB.setEnabled(c.userEnabled);
    userLabel.setEnabled(c.userEnabled);
    setStr(userNameB, c.user);
    setStr(passwordB, c.password);
    setStr(passwordConfirmB, c.password);
    setStr(dauerEdit, c.duration);
    analog_ = c.analog;
    analogRTbtn.setEnabled(false);
    filling_ = false;
    reloadSelectedServer = false;
}

void IntercomPanel::exclusiveBox(QCheckBox& box, QCheckBox& other) {
    if (box.isChecked()) {
        other.setChecked(false);
        tuerOeffnerCodeEdit.clear();
        tuerOeffnerCodeEdit.setEnabled(false);
        for (QCheckBox* b : {kommentarErf, codeFuerTuer, protokollTuerOeffner}) {
            if (b) b->setChecked(false);
        }
        if (codeFuerTuer) codeFuerTuer->setEnabled(false);
    } else {
        // This page's own output text goes with the box.
        tuerBTEdit.clear();
        tuerOeffnerCodeEdit.setEnabled(true);
        if (codeFuerTuer) codeFuerTuer->setEnabled(true);
    }
    analogRTbtn.setEnabled(analogBTBox.isChecked());
    const bool either = analogBTBox.isChecked() || ohneBTBox.isChecked();
    tuerBTBox.setEnabled(either);
    if (!either) tuerBTBox.setChecked(false);
    changed();
}

void IntercomPanel::analogRTbtnClick() {
    video::ui::TanalogRT prompt(this);
    (analog_.multi ? prompt.mehrRTbtn : prompt.einRTbtn).click();
    for (int i = 0; i < video::ui::TanalogRT::kButtonCount; ++i)
        prompt.button(i).setChecked(analog_.multi && analog_.buttons[static_cast<std::size_t>(i)]);
    if (prompt.exec() != mrOK) return;
    analog_.multi = prompt.mehrRTbtn.isChecked();
    if (analog_.multi) {
        for (int i = 0; i < video::ui::TanalogRT::kButtonCount; ++i)
            analog_.buttons[static_cast<std::size_t>(i)] = prompt.button(i).isChecked();
    }
    changed();
}

const config::TText* IntercomPanel::lindavorUebernehmen(const std::string& cameraKey) {
    if (!discovery) return nullptr;
    AssignmentEdits e;
    // The camera list may have lost the camera of the assignment picked
    // (it leaves the list with its last answer): the edit is that
    // assignment's all the same.
    e.cameraKey = cameraKey.empty() ? picked_ : cameraKey;
    if (e.cameraKey.empty()) return edited_ ? &config::txtSelectCamera : nullptr;
    e.intercom = telefonGrid.text(telefonGrid.currentRow(), 0);
    e.analogPhone = analogBTBox.isChecked();
    e.withoutIntercom = ohneBTBox.isChecked();
    e.output = tuerBTBox.isChecked();
    e.outputText = str(tuerBTEdit);
    e.code = str(tuerOeffnerCodeEdit);
    e.duration = str(dauerEdit);
    e.usePass = usePasswordB.isChecked();
    e.user = str(userNameB);
    e.password = str(passwordB);
    e.passwordConfirm = str(passwordConfirmB);
    e.analog = analog_;
    const AssignmentResult r = assignCamera(e, *discovery, discovery->telephones(), settings_);
    if (r.stored) {
        platform::MainLoop::instance().post(dialog, platform::WM_TELUPDATEEVENT);
        edited_ = false;
    }
    // A camera only looked at, with nothing edited, has nothing to store.
    if (r.incomplete && !edited_) return nullptr;
    return r.problem;
}

void IntercomPanel::zuordnungGridContextPopup(const QPoint& at) {
    const int row = zuordnungGrid.rowAt(at.y());
    if (row < 0) return;
    rowToDel = row;
    PopupMenu1.clear();
    const std::string intercomName = zuordnungGrid.text(row, 3);
    QAction* remove = PopupMenu1.addAction(entry(config::text(config::txtDeleteEntry, language_) + ": " +
                                                 (intercomName.empty() ? zuordnungGrid.text(row, 1) : intercomName)),
                                           this, [this] {
                                               if (zuordnungGrid.rowCount() == 0) return;
                                               removeAssignment(zuordnungGrid.text(rowToDel, 0),
                                                                zuordnungGrid.text(rowToDel, 4), settings_);
                                               picked_.clear();
                                               platform::MainLoop::instance().post(dialog, platform::WM_TELUPDATEEVENT);
                                               if (clearCameraSelection) clearCameraSelection();
                                           });
    remove->setObjectName(QStringLiteral("Eintragentfernen1"));
    QMenu* second = PopupMenu1.addMenu(QStringLiteral("Sekundaere Kamera"));
    second->setObjectName(QStringLiteral("SekundaereKamera1"));
    const auto items =
        secondCameraMenu(zuordnungGrid.text(row, 0), zuordnungGrid.text(row, 4),
                         cameraCaptions ? cameraCaptions() : std::vector<std::string>{}, settings_, language_);
    for (const SecondCameraItem& item : items) {
        QAction* a = second->addAction(entry(item.caption), this, [this, key = item.key] { SekundaerHinzuClick(key); });
        a->setCheckable(true);
        a->setChecked(item.checked);
    }
    PopupMenu1.popup(zuordnungGrid.viewport()->mapToGlobal(at));
}

void IntercomPanel::SekundaerHinzuClick(const std::string& key) {
    if (!discovery) return;
    setSecondCamera(zuordnungGrid.text(rowToDel, 0), zuordnungGrid.text(rowToDel, 4), key, settings_, *discovery,
                    [this](const std::string& cameraName) -> std::optional<Credentials> {
                        video::ui::TZugangAbfrage prompt(this);
                        prompt.videoName = cameraName;
                        if (prompt.exec() != mrOK) return std::nullopt;
                        return Credentials{prompt.userName(), prompt.password()};
                    });
}

void IntercomPanel::telefonGridContextPopup(const QPoint& at) {
    const int row = telefonGrid.rowAt(at.y());
    if (row < 0) return;
    rowToDel = row;
    const std::string address = telefonGrid.text(row, 0);
    PopupMenu2.clear();
    QAction* title = PopupMenu2.addAction(QString::fromStdString(address));
    title->setObjectName(QStringLiteral("geraetename"));
    title->setEnabled(false);
    PopupMenu2.addSeparator();
    QAction* page =
        PopupMenu2.addAction(qs(config::text(config::txtConfigureIPDoorIntercom, language_)), this, [this, address] {
            if (openWebPage) openWebPage(address);
        });
    page->setObjectName(QStringLiteral("Gertkonfigurieren1"));
    QAction* special =
        PopupMenu2.addAction(qs(config::text(config::txtConfigureSpecialFunctions, language_)), this, [this, address] {
            const auto station = settings_.getConfigByPhone(address);
            TsonderKonfig window(address, station ? station->tuerCode : std::string(), this);
            window.exec();
        });
    special->setObjectName(QStringLiteral("Sonderfunktionenkonfigurieren1"));
    special->setEnabled(
        specialFunctionsOffered(address, discovery ? discovery->telephones() : std::vector<devices::telefonObjekt>{}));
    PopupMenu2.popup(telefonGrid.viewport()->mapToGlobal(at));
}

}  // namespace oculon::settings::ui
