#include "settings/ui/konfigForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScrollArea>
#include <QShowEvent>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <type_traits>
#include <utility>

#include "devices/TickCount.h"
#include "platform/Log.h"
#include "platform/Shell.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/ui/PlainText.h"
#include "platform/ui/WindowRoom.h"
#include "settings/CameraList.h"
#include "settings/DeviceLinks.h"
#include "settings/InputRules.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/autoStartFrame.h"
#include "settings/ui/WidgetText.h"
#include "video/ui/FileChooser.h"
#include "video/ui/PromptParts.h"
#include "video/ui/adminPassForm.h"
#include "video/ui/ueberwachungUnit.h"

namespace oculon::settings::ui {

using namespace config;
using config::ui::BrandFrame;
using config::ui::mrOK;
using config::ui::qs;

namespace {

// A label and its field on one row of a grid.
void addRow(QGridLayout& grid, QLabel& label, QWidget& field) {
    const int row = grid.rowCount();
    grid.addWidget(&label, row, 0);
    grid.addWidget(&field, row, 1);
}

// A device list on the left of a page; the page's other controls go into
// the column returned.
QVBoxLayout* listBeside(QWidget& page, const char* pageName, DeviceListView& list) {
    page.setObjectName(QString::fromLatin1(pageName));
    auto* columns = new QHBoxLayout(&page);
    columns->addWidget(&list);
    list.setFixedWidth(180);
    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    return right;
}

// A page that scrolls where the dialog is smaller than the page would be.
// It asks for its page's whole size: the dialog is that large where the
// screen has room.
class PageScroll : public QScrollArea {
public:
    explicit PageScroll(QWidget& page) {
        setObjectName(page.objectName() + QStringLiteral("Scroll"));
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setWidget(&page);
    }
    QSize sizeHint() const override { return widget()->sizeHint(); }
};

template <typename... W>
void enableAll(bool on, W&... widgets) {
    (widgets.setEnabled(on), ...);
}

}  // namespace

template <typename W>
void TkonfigForm::caption(W& widget, const TText& text) {
    captions_.push_back([&widget, &text](TSprachenTyp language) {
        const QString caption = qs(config::text(text, language));
        if constexpr (std::is_base_of_v<QGroupBox, W>) {
            widget.setTitle(caption);
        } else {
            widget.setText(caption);
        }
    });
}

TkonfigForm::TkonfigForm(KonfigLinks links, QWidget* parent)
    : QDialog(parent),
      links_(std::move(links)),
      settings_(*links_.settings),
      serverPage_(settings_),
      throttle_(links_.clock ? links_.clock : TickClock(devices::tickCount)),
      target_([this](platform::Message& m) { handleMessage(m); }) {
    setObjectName(QStringLiteral("konfigForm"));
    KonfigTabs.setParent(this);
    buildGeneralPage();
    buildServerPage();
    buildGatewayPage();
    buildTelefonPage();
    ueberwachungPage_.wall = links_.wall;
    ueberwachungPage_.switchWall = [this](bool on) {
        if (!links_.switchWall) return;
        links_.switchWall(on);
        video::ui::TueberwachungForm* wall = on && links_.wall ? links_.wall() : nullptr;
        if (wall) wall->setKonfigTarget(handle());
    };
    for (QWidget* page :
         std::initializer_list<QWidget*>{&g_.page, &s_.page, &gatewayPage_, &t_.page, &ueberwachungPage_})
        KonfigTabs.addTab(new PageScroll(*page), {});
    const std::pair<Page, const TText*> tabs[] = {{AllgemeinTab, &txtCommonSetup},
                                                  {ServerTab, &txtVideoserverSetup},
                                                  {GatewaysTab, &txtGateways},
                                                  {TelefonTab, &txtIPDoorIntercoms},
                                                  {ueberwachungTab, &txtSurveillance}};
    for (const auto& [page, text] : tabs) {
        // Copies: clang 14 cannot capture structured bindings.
        captions_.push_back([this, page = page, text = text](TSprachenTyp l) {
            KonfigTabs.setTabText(page, qs(config::text(*text, l)));
        });
    }
    caption(okButton, txtOK);
    caption(abbruchButton, txtCancel);
    caption(uebernehmenBtn, txtSaveConfiguration);

    // At least the size the dialog has always had; larger where the captions
    // of the widest language need it, so that none is cut off.
    QSize pages;
    int saveWidth = 0;
    for (int l = 0; l < kLanguageCount; ++l) {
        setSprache(static_cast<TSprachenTyp>(l));
        pages = pages.expandedTo(KonfigTabs.sizeHint());
        pages.setWidth(std::max(pages.width(), KonfigTabs.tabBar()->sizeHint().width() + 8));
        saveWidth = std::max(saveWidth, uebernehmenBtn.sizeHint().width());
    }
    // On a small screen (a 1024 x 600 laptop) the pages scroll, so that the
    // buttons stay on the screen.
    const QSize room = platform::ui::roomToOpenIn(*this);
    const int width = std::min(std::max(kWidth, BrandFrame::kStripWidth + 16 + pages.width()), room.width());
    const int height = std::min(std::max(kHeight, BrandFrame::kBodyTop + 12 + pages.height() + 44), room.height());
    const config::ui::BrandLayout layout = config::ui::BrandLayout::standard(width, height, height - 35);
    frame_.build(*this, layout, konfigFormPanel, "konfigFormPanel");
    // Its own taskbar entry, as the dialog has no owner.
    setWindowFlag(Qt::Window);
    QFont title = konfigFormPanel.font();
    title.setPixelSize(16);
    konfigFormPanel.setFont(title);
    config::ui::place(KonfigTabs, this, "KonfigTabs",
                      QRect(BrandFrame::kStripWidth + 8, BrandFrame::kBodyTop + 6, width - BrandFrame::kStripWidth - 16,
                            layout.bodyBottom - BrandFrame::kBodyTop - 12));
    config::ui::place(okButton, this, "okButton", layout.ok);
    config::ui::place(abbruchButton, this, "abbruchButton", layout.cancel);
    saveWidth = std::max(saveWidth + 16, 160);
    config::ui::place(uebernehmenBtn, this, "uebernehmenBtn",
                      QRect(layout.ok.left() - 8 - saveWidth, layout.ok.top(), saveWidth, layout.ok.height()));
    // Where the window manager would put it, the bottom of a small screen
    // may be under the program's menu window.
    config::ui::centerOnScreen(*this);
    // Tab follows the buttons from left to right.
    setTabOrder(&uebernehmenBtn, &okButton);
    setTabOrder(&okButton, &abbruchButton);
    okButton.setDefault(true);
    connect(&okButton, &QPushButton::clicked, this, &TkonfigForm::okButtonClick);
    connect(&abbruchButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&uebernehmenBtn, &QPushButton::clicked, this, [this] {
        FErrorFlag = false;
        uebernehmenBtnClick();
    });
    // Shown by the first gateway search that finds one.
    showPage(GatewaysTab, false);

    rebuildTimer_.setSingleShot(true);
    connect(&rebuildTimer_, &QTimer::timeout, this, &TkonfigForm::rebuildLists);
}

TkonfigForm::~TkonfigForm() {
    stopRun();
    if (shown_) FormClose();
}

// ---- building the pages ------------------------------------------------------

void TkonfigForm::addBoxes(QGridLayout& grid, int span, std::initializer_list<Box> boxes) {
    for (const auto& [box, boxName, text] : boxes) {
        box->setObjectName(QString::fromLatin1(boxName));
        grid.addWidget(box, grid.rowCount(), 0, 1, span);
        caption(*box, *text);
    }
}

void TkonfigForm::addEditRows(QGridLayout& grid, std::initializer_list<EditRow> rows) {
    for (const auto& [label, labelName, edit, editName, text, length] : rows) {
        label->setObjectName(QString::fromLatin1(labelName));
        edit->setObjectName(QString::fromLatin1(editName));
        addRow(grid, *label, *edit);
        caption(*label, *text);
        edit->setMaxLength(length);
    }
}

void TkonfigForm::buildGeneralPage() {
    GeneralPage& g = g_;
    g.page.setObjectName(QStringLiteral("AllgemeinTab"));
    auto* columns = new QHBoxLayout(&g.page);
    auto* left = new QGridLayout;
    auto* right = new QGridLayout;
    columns->addLayout(left, 1);
    columns->addSpacing(10);
    columns->addLayout(right, 1);

    const auto name = [](QWidget& w, const char* n) { w.setObjectName(QString::fromLatin1(n)); };
    name(g.sprachlabel, "sprachlabel");
    name(g.sprachBox, "sprachBox");
    addRow(*left, g.sprachlabel, g.sprachBox);
    caption(g.sprachlabel, txtLanguage);
    connect(&g.sprachBox, &QComboBox::activated, this, [this](int index) { lng_ = toLanguage(index); });

    name(g.idLabel, "idLabel");
    name(g.idEdit, "idEdit");
    g.idLabel.setWordWrap(true);
    left->addWidget(&g.idLabel, left->rowCount(), 0, 1, 2);
    left->addWidget(&g.idEdit, left->rowCount(), 0, 1, 2);
    g.idEdit.setMaxLength(100);
    caption(g.idLabel, txtWorkstationID);

    name(g.AdminPassLabel, "AdminPassLabel");
    name(g.AdminPassEdit, "AdminPassEdit");
    name(g.AdminPassConfirmLabel, "AdminPassConfirmLabel");
    name(g.AdminPassConfirmEdit, "AdminPassConfirmEdit");
    for (auto [label, edit] : {std::pair{&g.AdminPassLabel, &g.AdminPassEdit},
                               std::pair{&g.AdminPassConfirmLabel, &g.AdminPassConfirmEdit}}) {
        label->setWordWrap(true);
        left->addWidget(label, left->rowCount(), 0, 1, 2);
        left->addWidget(edit, left->rowCount(), 0, 1, 2);
        edit->setMaxLength(20);
        video::ui::setHashEcho(*edit);
        connect(edit, &QLineEdit::textEdited, this, [this] { FPwdChanged = true; });
    }
    caption(g.AdminPassLabel, txtAdminPassword);
    caption(g.AdminPassConfirmLabel, txtReenterAdminPassword);

    addBoxes(*left, 2,
             {{&g.delAdminPass, "delAdminPass", &txtDeletePassword},
              {&g.allowVideoView, "allowVideoView", &txtEnterPasswordToShowVideo},
              {&g.showSplash, "showSplash", &txtSplashScreen},
              {&g.allowMultipleWindowsBox, "allowMultipleWindowsBox", &txtAllowMultipleVideoWindows}});
    connect(&g.delAdminPass, &QCheckBox::clicked, this, [this](bool on) { FPwdChanged = on; });
    left->setRowStretch(left->rowCount(), 1);
    name(g.installButton, "installButton");
    left->addWidget(&g.installButton, left->rowCount(), 0, 1, 2);
    caption(g.installButton, txtInstallProgramInAutostart);
    connect(&g.installButton, &QPushButton::clicked, this, &TkonfigForm::installButtonClick);

    addBoxes(*right, 3,
             {{&g.allowCapture, "allowCapture", &txtAllowSavePicture},
              {&g.captureFirst, "captureFirst", &txtSaveFirstImage},
              {&g.storeVideo, "storeVideo", &txtStoreVideo}});
    name(g.pathLabel, "pathLabel");
    name(g.storePathEdit, "storePathEdit");
    name(g.selectDir, "selectDir");
    const int pathRow = right->rowCount();
    right->addWidget(&g.pathLabel, pathRow, 0);
    right->addWidget(&g.storePathEdit, pathRow, 1);
    right->addWidget(&g.selectDir, pathRow, 2);
    g.selectDir.setText(QStringLiteral("..."));
    g.selectDir.setFixedWidth(28);
    caption(g.pathLabel, txtPath);
    connect(&g.selectDir, &QPushButton::clicked, this, &TkonfigForm::selectDirClick);

    name(g.entServerPortLabel, "entServerPortLabel");
    name(g.entServerEdit, "entServerEdit");
    name(g.entPortEdit, "entPortEdit");
    name(g.Panel6, "Panel6");
    name(g.useEntServerCheck, "useEntServerCheck");
    right->addWidget(&g.entServerPortLabel, right->rowCount(), 0, 1, 3);
    auto* relay = new QHBoxLayout;
    relay->addWidget(&g.entServerEdit, 3);
    relay->addWidget(&g.entPortEdit, 1);
    relay->addWidget(&g.Panel6);
    right->addLayout(relay, right->rowCount(), 0, 1, 3);
    right->addWidget(&g.useEntServerCheck, right->rowCount(), 0, 1, 3);
    g.entServerEdit.setMaxLength(15);
    g.entPortEdit.setMaxLength(5);
    g.Panel6.setFixedSize(16, 16);
    g.Panel6.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    g.Panel6.setAutoFillBackground(true);
    caption(g.entServerPortLabel, txtServerIPAddressAndPort);
    caption(g.useEntServerCheck, txtUseServer);
    connect(&g.entPortEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool number = false;
        text.toInt(&number);
        if (!number && !text.isEmpty()) g_.entPortEdit.setText(QStringLiteral("0"));
    });

    name(g.Panel5, "Panel5");
    name(g.empfindlichLabel, "empfindlichLabel");
    name(g.TrackBar1, "TrackBar1");
    name(g.Panel4, "Panel4");
    right->addWidget(&g.Panel5, right->rowCount(), 0, 1, 3);
    auto* black = new QHBoxLayout(&g.Panel5);
    black->setContentsMargins(6, 4, 6, 4);
    black->addWidget(&g.empfindlichLabel);
    black->addWidget(&g.TrackBar1, 1);
    black->addWidget(&g.Panel4);
    g.TrackBar1.setRange(0, 200);
    g.Panel4.setFixedSize(36, 22);
    g.Panel4.setAlignment(Qt::AlignCenter);
    g.Panel4.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    g.Panel4.setAutoFillBackground(true);
    caption(g.empfindlichLabel, txtSensitivity);
    connect(&g.TrackBar1, &QSlider::valueChanged, this, &TkonfigForm::TrackBar1Change);
    right->setRowStretch(right->rowCount(), 1);
    name(g.konfigKplLoeschenBtn, "konfigKplLoeschenBtn");
    right->addWidget(&g.konfigKplLoeschenBtn, right->rowCount(), 0, 1, 3);
    caption(g.konfigKplLoeschenBtn, txtDeleteCompleteConfiguration);
    connect(&g.konfigKplLoeschenBtn, &QPushButton::clicked, this, &TkonfigForm::konfigKplLoeschenBtnClick);
}

void TkonfigForm::buildServerPage() {
    ServerPageControls& s = s_;
    QVBoxLayout* right = listBeside(s.page, "ServerTab", s.ListView1);
    s.ListView1.onSelect = [this](const std::string& key) { ListView1SelectItem(key); };

    const auto name = [](QWidget& w, const char* n) { w.setObjectName(QString::fromLatin1(n)); };
    auto* nameGrid = new QGridLayout;
    right->addLayout(nameGrid);
    name(s.serverNameLabel, "serverNameLabel");
    name(s.serverNameEdit, "serverNameEdit");
    addRow(*nameGrid, s.serverNameLabel, s.serverNameEdit);
    s.serverNameEdit.setMaxLength(static_cast<int>(kServerNameLength));
    caption(s.serverNameLabel, txtNameOfVideoServer);
    connect(&s.serverNameEdit, &QLineEdit::textChanged, this, &TkonfigForm::serverNameEditChange);

    const auto group = [&](QGroupBox& box, const char* boxName, const TText& title, QCheckBox& check,
                           const char* checkName, const TText& checkText) {
        name(box, boxName);
        name(check, checkName);
        caption(box, title);
        caption(check, checkText);
        right->addWidget(&box);
        auto* grid = new QGridLayout(&box);
        grid->setVerticalSpacing(3);
        grid->addWidget(&check, 0, 0, 1, 2);
        return grid;
    };
    QGridLayout* user =
        group(s.userConfig, "userConfig", txtCameraConfiguration, s.useUserName, "useUserName", txtUsePassword);
    // Room beyond what the server keeps: a longer entry is told before it
    // is sent, never cut short by the edit without a word.
    constexpr int credential = 3 * static_cast<int>(kServerCredentialLength);
    addEditRows(*user, {{&s.userNameLabel, "userNameLabel", &s.nameEdit, "nameEdit", &txtUserName, credential},
                        {&s.serverPassLabel, "serverPassLabel", &s.passEdit, "passEdit", &txtPassword, credential},
                        {&s.serverPassConfirmLabel, "serverPassConfirmLabel", &s.passConfirmEdit, "passConfirmEdit",
                         &txtReenterPassword, credential}});
    video::ui::setHashEcho(s.passEdit);
    video::ui::setHashEcho(s.passConfirmEdit);
    connect(&s.useUserName, &QCheckBox::clicked, this, &TkonfigForm::useUserNameClick);

    QGridLayout* net =
        group(s.netConfig, "netConfig", txtIPConfiguration, s.serverIsDHCP, "serverIsDHCP", txtIPConfigurationByDHCP);
    addEditRows(*net, {{&s.serverIPLabel, "serverIPLabel", &s.serverIPEdit, "serverIPEdit", &txtIPAddress, 15},
                       {&s.serverSubnet, "serverSubnet", &s.subnetEdit, "subnetEdit", &txtSubnetMask, 15},
                       {&s.serverGateway, "serverGateway", &s.gatewayEdit, "gatewayEdit", &txtStandardGateway, 15},
                       {&s.serverPortLabel, "serverPortLabel", &s.serverPortEdit, "serverPortEdit", &txtPort, 5}});
    connect(&s.serverIsDHCP, &QCheckBox::clicked, this, &TkonfigForm::serverIsDHCPClick);

    right->addStretch(1);
    name(s.delConfigBtn, "delConfigBtn");
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(&s.delConfigBtn);
    right->addLayout(buttonRow);
    caption(s.delConfigBtn, txtDeleteConfiguration);
    s.delConfigBtn.setEnabled(false);
    connect(&s.delConfigBtn, &QPushButton::clicked, this, &TkonfigForm::delConfigBtnClick);
    useUserNameClick();
}

void TkonfigForm::buildGatewayPage() {
    GatewayPageView& g = gatewayPage_;
    g.gateways = links_.gateways;
    g.send = links_.sendFunction;
    g.discovery = links_.discovery;
    g.wiringWait = links_.wiringWait;
    g.selectServer = [this](const std::string& caption) {
        for (int i = 0; i < s_.ListView1.count(); ++i) {
            QListWidgetItem* item = s_.ListView1.item(i);
            if (s_.ListView1.captionOf(*item) != caption) continue;
            if (!item->isSelected()) {
                s_.ListView1.setCurrentItem(item);
                ListView1SelectItem(keyOfCaption(caption));
            }
            return true;
        }
        return false;
    };
    g.selectServerBehind = [this](const std::string& key, const std::string& name) {
        QListWidgetItem* behind = nullptr;
        for (int i = 0; i < s_.ListView1.count(); ++i) {
            QListWidgetItem* item = s_.ListView1.item(i);
            const std::string caption = DeviceListView::captionOf(*item);
            if (key.empty() ? namePartOfCaption(caption) != name : keyOfCaption(caption) != key) continue;
            // Two servers of the name: which is behind the gateway the name
            // cannot tell.
            if (behind) return;
            behind = item;
        }
        if (!behind || behind->isSelected()) return;
        origin_.asynchronus = false;
        {
            const QSignalBlocker quiet(s_.ListView1);
            s_.ListView1.setCurrentItem(behind);
        }
        ListView1SelectItem(keyOfCaption(DeviceListView::captionOf(*behind)));
    };
    g.askName = [this](const std::string& address) -> std::optional<std::string> {
        TextPrompt ask(TextPrompt::Kind::name, this);
        ask.station = address;
        if (ask.exec() != mrOK) return std::nullopt;
        return ask.password;
    };
    g.setServerName = [this](const std::string& name) { setName(s_.serverNameEdit, name); };
}

void TkonfigForm::buildTelefonPage() {
    TelefonPage& t = t_;
    QVBoxLayout* right = listBeside(t.page, "TelefonTab", t.ListView2);
    right->addWidget(&intercom_, 1);
    intercom_.discovery = links_.discovery;
    intercom_.dialog = handle();
    intercom_.codeFuerTuer = &t.codeFuerTuer;
    intercom_.protokollTuerOeffner = &t.protokollTuerOeffner;
    intercom_.kommentarErf = &t.kommentarErf;
    intercom_.cameraCaptions = [this] {
        std::vector<std::string> captions;
        for (int i = 0; i < t_.ListView2.count(); ++i)
            captions.push_back(t_.ListView2.captionOf(*t_.ListView2.item(i)));
        return captions;
    };
    intercom_.selectCamera = [this](const std::string& key) {
        for (int i = 0; i < t_.ListView2.count(); ++i) {
            if (keyOfCaption(t_.ListView2.captionOf(*t_.ListView2.item(i))) == key) t_.ListView2.setCurrentRow(i);
        }
    };
    intercom_.clearCameraSelection = [this] { t_.ListView2.clearSelection(); };
    intercom_.openWebPage = [this](const std::string& address) { openWebPage(address); };
    t.ListView2.onSelect = [this](const std::string& key) { intercom_.cameraSelected(key); };
    t.ListView2.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&t.ListView2, &QWidget::customContextMenuRequested, this, &TkonfigForm::ListView2ContextPopup);
    connect(&t.ListView2, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) {
        if (const std::string key = t_.ListView2.selectedKey(); !key.empty()) openWebPage(key);
    });
    t.doorGroup.setObjectName(QStringLiteral("doorGroup"));
    right->addWidget(&t.doorGroup);
    addBoxes(*new QGridLayout(&t.doorGroup), 1,
             {{&t.codeFuerTuer, "codeFuerTuer", &txtUserEntersCode},
              {&t.protokollTuerOeffner, "protokollTuerOeffner", &txtSavePictureOnReleaseBuzzer},
              {&t.kommentarErf, "kommentarErf", &txtAskForComment}});
    caption(t.doorGroup, txtReleaseBuzzer);
    connect(&t.protokollTuerOeffner, &QCheckBox::toggled, &t.kommentarErf, &QCheckBox::setEnabled);

    t.PopupMenu3.setParent(this, t.PopupMenu3.windowFlags());
    t.PopupMenu3.setObjectName(QStringLiteral("PopupMenu3"));
    t.kameraHinzufuegen = t.PopupMenu3.addAction(QString(), this, &TkonfigForm::kameraHinzufuegenClick);
    t.kameraUmbenennen1 = t.PopupMenu3.addAction(QString(), this, &TkonfigForm::kameraUmbenennen1Click);
    t.pfadAendern = t.PopupMenu3.addAction(QString(), this, &TkonfigForm::pfadAendernClick);
    t.kameraEntfernen = t.PopupMenu3.addAction(QString(), this, &TkonfigForm::kameraEntfernenClick);
    t.kameraHinzufuegen->setObjectName(QStringLiteral("kameraHinzufuegen"));
    t.kameraUmbenennen1->setObjectName(QStringLiteral("kameraUmbenennen1"));
    t.pfadAendern->setObjectName(QStringLiteral("pfadAendern"));
    t.kameraEntfernen->setObjectName(QStringLiteral("kameraEntfernen"));
    caption(*t.kameraHinzufuegen, txtAddCamera);
    caption(*t.kameraUmbenennen1, txtRenameCamera);
    caption(*t.pfadAendern, txtEnterPathToMJPEGVideoStream);
}

void TkonfigForm::setSprache(TSprachenTyp language) {
    mySprache = language;
    const std::string title = config::text(txtOculonConfiguration, language);
    setWindowTitle(qs(title));
    konfigFormPanel.setText(qs("  " + title));
    for (const auto& set : captions_) set(language);
    gatewayPage_.setSprache(language);
    intercom_.setSprache(language);
    ueberwachungPage_.setSprache(language);
}

// ---- showing and closing -----------------------------------------------------

void TkonfigForm::showEvent(QShowEvent* event) {
    if (!shown_ && !event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TkonfigForm::FormShow() {
    shown_ = true;
    devices::setSettingsDialogOpen(true);
    const int thumbnail = settings_.liesWineRegKey() ? 75 : 110;
    s_.ListView1.setThumbnailSize(thumbnail);
    t_.ListView2.setThumbnailSize(thumbnail);
    throttle_.reset();
    serverLoaded_ = serverEdits();
    origin_.asynchronus = true;
    g_.sprachBox.clear();
    for (int l = 0; l < kLanguageCount; ++l) {
        g_.sprachBox.addItem(qs(config::text(txtEnglish, static_cast<TSprachenTyp>(l))));
    }
    const GeneralValues values = loadGeneral(settings_);
    lng_ = values.language;
    showGeneral(values);
    setSprache(values.language);
    FPwdChanged = false;
    generalShown_ = generalValues();
    KonfigTabs.setCurrentIndex(AllgemeinTab);
    if (links_.wall) {
        if (auto* wall = links_.wall()) wall->setKonfigTarget(handle());
    }
    rebuildLists();
    gatewaysChanged();
    intercom_.refill();
    ueberwachungPage_.load();
}

void TkonfigForm::FormClose() {
    shown_ = false;
    devices::setSettingsDialogOpen(false);
    rebuildTimer_.stop();
    serverPage_.clear();
    gatewayPage_.clear();
    s_.ListView1.clear();
    ueberwachungPage_.close();
    if (links_.wall) {
        if (auto* wall = links_.wall()) wall->setKonfigTarget(0);
    }
}

void TkonfigForm::shutDown() {
    stopRun();
    if (shown_) FormClose();
    links_.discovery = nullptr;
    links_.gateways = nullptr;
    links_.wall = nullptr;
    links_.switchRelayMode = nullptr;
    gatewayPage_.gateways = nullptr;
    gatewayPage_.discovery = nullptr;
    intercom_.discovery = nullptr;
    ueberwachungPage_.wall = nullptr;
    ueberwachungPage_.switchWall = nullptr;
    hide();
}

void TkonfigForm::done(int result) {
    // Cancel and the close button always close, also after a failed apply:
    // whatever went wrong has been shown.
    stopRun();
    if (shown_) FormClose();
    QDialog::done(result);
}

void TkonfigForm::keyPressEvent(QKeyEvent* event) {
    if (running() && event->key() == Qt::Key_Escape) {
        if (progressForm_) progressForm_->reject();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TkonfigForm::okButtonClick() {
    FErrorFlag = false;
    uebernehmenBtnClick();
    if (running()) {
        closeAfterRun_ = true;
    } else if (!FErrorFlag) {
        done(mrOK);
    }
}

// ---- values of the pages -----------------------------------------------------

GeneralValues TkonfigForm::generalValues() const {
    GeneralValues v;
    v.language = lng_;
    v.splash = g_.showSplash.isChecked();
    v.multipleWindows = g_.allowMultipleWindowsBox.isChecked();
    v.ids = str(g_.idEdit);
    v.pwdChanged = FPwdChanged;
    v.adminPass = str(g_.AdminPassEdit);
    v.adminPassConfirm = str(g_.AdminPassConfirmEdit);
    v.allowVideoView = g_.allowVideoView.isChecked();
    v.allowCapture = g_.allowCapture.isChecked();
    v.captureFirst = g_.captureFirst.isChecked();
    v.storeVideo = g_.storeVideo.isChecked();
    v.path = storedPath_.value(g_.storePathEdit);
    v.black = g_.TrackBar1.value();
    v.useRelay = g_.useEntServerCheck.isChecked();
    v.relayServer = str(g_.entServerEdit);
    v.relayPort = str(g_.entPortEdit);
    v.codeForDoor = t_.codeFuerTuer.isChecked();
    v.logDoor = t_.protokollTuerOeffner.isChecked();
    v.askComment = t_.kommentarErf.isChecked();
    return v;
}

void TkonfigForm::showGeneral(const GeneralValues& v) {
    g_.sprachBox.setCurrentIndex(v.language);
    g_.delAdminPass.setEnabled(v.passwordSet);
    g_.showSplash.setChecked(v.splash);
    g_.allowMultipleWindowsBox.setChecked(v.multipleWindows);
    g_.installButton.setVisible(v.autostartOffered);
    setStr(g_.idEdit, v.ids);
    g_.TrackBar1.setValue(v.black);
    TrackBar1Change(v.black);
    g_.allowCapture.setChecked(v.allowCapture);
    g_.captureFirst.setChecked(v.captureFirst);
    storedPath_.show(g_.storePathEdit, v.path);
    g_.storeVideo.setChecked(v.storeVideo);
    t_.codeFuerTuer.setChecked(v.codeForDoor);
    t_.protokollTuerOeffner.setChecked(v.logDoor);
    t_.kommentarErf.setChecked(v.askComment);
    t_.kommentarErf.setEnabled(v.logDoor);
    g_.useEntServerCheck.setChecked(v.useRelay);
    setStr(g_.entServerEdit, v.relayServer);
    setStr(g_.entPortEdit, v.relayPort);
    g_.allowVideoView.setEnabled(v.passwordSet);
    g_.allowVideoView.setChecked(v.allowVideoView);
}

ServerEdits TkonfigForm::serverEdits() const {
    return {str(s_.serverNameEdit),      str(s_.serverPortEdit),    str(s_.serverIPEdit), str(s_.subnetEdit),
            str(s_.gatewayEdit),         str(s_.nameEdit),          str(s_.passEdit),     str(s_.passConfirmEdit),
            s_.serverIsDHCP.isChecked(), s_.useUserName.isChecked()};
}

void TkonfigForm::showServerEdits(const ServerEdits& e) {
    filling_ = true;
    setName(s_.serverNameEdit, e.name);
    setStr(s_.serverPortEdit, e.port);
    setStr(s_.serverIPEdit, e.ip);
    setStr(s_.subnetEdit, e.subnet);
    setStr(s_.gatewayEdit, e.gateway);
    setStr(s_.nameEdit, e.user);
    setStr(s_.passEdit, e.pass);
    setStr(s_.passConfirmEdit, e.passConfirm);
    s_.serverIsDHCP.setChecked(e.dhcp);
    s_.useUserName.setChecked(e.useUserName);
    serverIsDHCPClick();
    useUserNameClick();
    filling_ = false;
}

// ---- messages ----------------------------------------------------------------

void TkonfigForm::handleMessage(platform::Message& message) {
    switch (message.id) {
        case platform::WM_UPDATEEVENT: rebuildLists(); return;
        case platform::WM_MOXAEVENT: gatewaysChanged(); return;
        case platform::WM_TCPUPDATEEVENT: relayState(message.wParam); return;
        case platform::WM_TELUPDATEEVENT:
            if (shown_) intercom_.refill();
            return;
        case platform::WMSURVEILLANCESINGLEACCEPTED: ueberwachungPage_.ListView3SelectItem(); return;
        case platform::WM_KONFIGRUN:
            if (auto event = message.take<platform::WM_KONFIGRUN>()) runEvent(*event);
            return;
        default: return;
    }
}

void TkonfigForm::rebuildLists() {
    if (!shown_ || !links_.discovery) return;
    if (const std::uint32_t wait = throttle_.request()) {
        if (!rebuildTimer_.isActive()) rebuildTimer_.start(static_cast<int>(wait));
        return;
    }
    origin_.videoAutomatically = true;
    const DeviceLists lists = buildDeviceLists(links_.discovery->snapshot(), settings_, s_.ListView1.selectedKey(),
                                               t_.ListView2.selectedKey());
    s_.ListView1.fill(lists.servers, lists.serverSelection);
    t_.ListView2.fill(lists.cameras, lists.cameraSelection);
    if (lists.serverSelection >= 0) ListView1SelectItem(lists.servers[lists.serverSelection].key);
    origin_.videoAutomatically = false;
    hasIPCam = lists.hasIPCam;
    if (hasIPCam) intercom_.updateZuordnungGrid();
    const std::size_t gateways = links_.gateways ? links_.gateways().size() : 0;
    // The grid has a header row: two rows are one gateway.
    const bool serverPage = lists.hasServer || gateways + 1 >= 2;
    showPage(ServerTab, serverPage);
    g_.Panel5.setVisible(serverPage);
}

void TkonfigForm::gatewaysChanged() { showPage(GatewaysTab, gatewayPage_.refill(serverEdits() != serverLoaded_)); }

bool TkonfigForm::deviceEditsLeft() const { return serverEdits() != serverLoaded_ || gatewayPage_.edited(); }

void TkonfigForm::showPage(Page page, bool shown) {
    // The general page takes over from a page that goes while shown (the
    // tab bar would pick its right-hand neighbour, whose apply differs).
    if (!shown && running()) return;
    if (!shown && KonfigTabs.currentIndex() == page) KonfigTabs.setCurrentIndex(AllgemeinTab);
    // Ctrl+Tab and the tab bar's arrow keys pass over disabled tabs only, so
    // a hidden one is disabled as well.
    KonfigTabs.setTabEnabled(page, shown);
    KonfigTabs.setTabVisible(page, shown);
}

void TkonfigForm::relayState(std::uintptr_t state) {
    QPalette palette = g_.Panel6.palette();
    switch (state) {
        case 1: palette.setColor(QPalette::Window, Qt::red); break;
        case 2: palette.setColor(QPalette::Window, QColor(0, 128, 0)); break;
        case 3: palette.setColor(QPalette::Window, palette.color(QPalette::Button)); break;
        default: return;
    }
    g_.Panel6.setPalette(palette);
}

// ---- general page ------------------------------------------------------------

void TkonfigForm::TrackBar1Change(int value) {
    QPalette palette = g_.Panel4.palette();
    palette.setColor(QPalette::Window, QColor(value, value, value));
    palette.setColor(QPalette::WindowText, value < 128 ? Qt::white : Qt::black);
    g_.Panel4.setPalette(palette);
    g_.Panel4.setText(QString::number(value));
}

void TkonfigForm::selectDirClick() {
    video::ui::FileQuestion question;
    question.kind = video::ui::FileQuestion::Kind::folder;
    question.title = qs(config::text(txtSelectFolder, mySprache));
    question.folder = g_.storePathEdit.text().trimmed().toStdString();
    // Cancelling keeps the path as it was.
    video::ui::FileChooser::holding(*this, std::move(question),
                                    [this](const std::string& folder) { setStr(g_.storePathEdit, folder); });
}

void TkonfigForm::installButtonClick() {
    TautoStartFrame offer(this, false);
    if (offer.exec() == mrOK) offer.carryOut(settings_, platform::ownPath());
}

void TkonfigForm::konfigKplLoeschenBtnClick() {
    if (!askYesNo(this, config::text(txtDeletesCompleteConfiguration, mySprache))) return;
    settings_.deleteAllConfig();
    if (links_.mainHandle != 0) platform::MainLoop::instance().post(links_.mainHandle, platform::WM_ENDPROGRAM);
}

// ---- video-server page -------------------------------------------------------

void TkonfigForm::ListView1SelectItem(const std::string& key) {
    if (!links_.discovery) return;
    ServerEdits edits = serverEdits();
    if (serverPage_.select(key, *links_.discovery, edits)) {
        showServerEdits(edits);
        serverLoaded_ = serverEdits();
    }
    s_.delConfigBtn.setEnabled(serverPage_.station(links_.discovery->snapshot()) != nullptr);
    // The gateway this server sits behind follows a selection of the user's.
    if (!(origin_.videoAutomatically && origin_.asynchronus) && serverPage_.server() &&
        !serverPage_.server()->FName.empty()) {
        origin_.asynchronus = true;
        gatewayPage_.selectRowOfServer(*serverPage_.server());
    }
    origin_.videoAutomatically = false;
}

void TkonfigForm::serverNameEditChange() {
    if (filling_) return;
    QLineEdit& edit = s_.serverNameEdit;
    const EditedText rewritten = rewriteServerName(edit.text().toStdU32String(), edit.cursorPosition());
    const QString text = QString::fromStdU32String(rewritten.text);
    if (text == edit.text()) return;
    const QSignalBlocker quiet(edit);
    edit.setText(text);
    edit.setCursorPosition(rewritten.caret);
}

void TkonfigForm::useUserNameClick() {
    const bool on = s_.useUserName.isChecked();
    enableAll(on, s_.nameEdit, s_.passEdit, s_.passConfirmEdit, s_.userNameLabel, s_.serverPassLabel,
              s_.serverPassConfirmLabel);
}

void TkonfigForm::serverIsDHCPClick() {
    const bool manual = !s_.serverIsDHCP.isChecked();
    enableAll(manual, s_.serverIPEdit, s_.subnetEdit, s_.gatewayEdit);
}

void TkonfigForm::delConfigBtnClick() {
    // The station of this device, never another's of its name.
    const auto stored = links_.discovery ? serverPage_.station(links_.discovery->snapshot()) : nullptr;
    s_.ListView1.clearSelection();
    if (stored) settings_.deleteConfig(stored);
    s_.delConfigBtn.setEnabled(false);
    reloadSelectedServer = true;
}

// ---- camera list ---------------------------------------------------------------

void TkonfigForm::ListView2ContextPopup(const QPoint& at) {
    const std::string key = t_.ListView2.selectedKey();
    cameraToDel = key;
    const CameraMenu menu = cameraMenu(key, links_.discovery, settings_, mySprache);
    t_.kameraUmbenennen1->setEnabled(menu.rename);
    t_.pfadAendern->setEnabled(menu.path);
    t_.kameraEntfernen->setEnabled(menu.remove);
    t_.kameraEntfernen->setText(platform::ui::menuText(platform::ui::shown(menu.removeCaption)));
    t_.PopupMenu3.popup(t_.ListView2.viewport()->mapToGlobal(at));
}

void TkonfigForm::kameraHinzufuegenClick() {
    TneueKamera form([this](const NewCamera& camera) { return checkNewCamera(camera, settings_, links_.discovery); },
                     this);
    if (form.exec() == mrOK) settings_.addManual(manualCamera(form.entries()));
}

void TkonfigForm::kameraUmbenennen1Click() {
    if (cameraToDel.empty() || !links_.discovery) return;
    TextPrompt ask(TextPrompt::Kind::name, this);
    ask.isCamera = true;
    ask.station = cameraName(cameraToDel, settings_);
    setName(ask.edit(), ask.station);
    if (ask.exec() != mrOK || ask.password.empty() || config::sameStationName(ask.password, ask.station)) return;
    if (renameCamera(cameraToDel, ask.password, settings_, *links_.discovery)) announceToWall();
}

void TkonfigForm::pfadAendernClick() {
    if (cameraToDel.empty() || !links_.discovery) return;
    TextPrompt ask(TextPrompt::Kind::path, this);
    ask.isCamera = true;
    ask.station = cameraName(cameraToDel, settings_);
    setStr(ask.edit(), cameraPath(cameraToDel, settings_));
    if (ask.exec() != mrOK) return;
    if (changeCameraPath(cameraToDel, ask.password, settings_, *links_.discovery)) announceToWall();
}

void TkonfigForm::kameraEntfernenClick() {
    settings_.deleteManualConfig(cameraToDel);
    platform::MainLoop::instance().post(handle(), platform::WM_TELUPDATEEVENT);
    t_.ListView2.clearSelection();
}

void TkonfigForm::announceToWall() {
    video::ui::TueberwachungForm* wall = links_.wall ? links_.wall() : nullptr;
    if (!wall) return;
    wall->markForRebuild();
    platform::MainLoop::instance().post(wall->handle(), platform::WMSURVEILLANCECFGCHANGE);
}

void TkonfigForm::openWebPage(const std::string& address) {
    const std::string page = "http://" + address + "/";
    if (links_.openWebPage) {
        links_.openWebPage(page);
    } else {
        platform::shellExecute(page);
    }
}

// ---- apply -------------------------------------------------------------------

void TkonfigForm::tell(const TText& message, Refused page) {
    std::string text = config::text(message, mySprache);
    if (page) text = refusal(*page, text, mySprache);
    showError(this, text + (applying_ ? applying_->summary(mySprache) : std::string()));
}

void TkonfigForm::fail(const TText& message, Refused page) {
    tell(message, page);
    FErrorFlag = true;
}

void TkonfigForm::notice(const TText& message, Refused page) { notices_.emplace_back(&message, page); }

ApplyReport::Parts TkonfigForm::changedParts() const {
    const GeneralValues now = generalValues();
    const auto door = [](const GeneralValues& v) { return std::tie(v.codeForDoor, v.logDoor, v.askComment); };
    const auto relay = [](const GeneralValues& v) { return std::tie(v.useRelay, v.relayServer, v.relayPort); };
    ApplyReport::Parts changed{};
    changed[ApplyReport::language] = lng_ != config::sprache;
    changed[ApplyReport::doorOptions] = door(now) != door(generalShown_);
    changed[ApplyReport::general] = generalEdited(generalShown_, now) || relay(now) != relay(generalShown_);
    changed[ApplyReport::intercom] = intercom_.edited();
    changed[ApplyReport::server] = serverEdits() != serverLoaded_;
    changed[ApplyReport::gateway] = gatewayPage_.edited();
    return changed;
}

// What the user changed is stored whichever page shows, or the dialog says
// what it did and did not store and stays open (a failed step stops the
// apply). Only the general, video-server and gateway pages configure the
// video server. The dialog and its questions speak the chosen language at
// once; the program takes it only once the apply stored all it was given.
void TkonfigForm::uebernehmenBtnClick() {
    if (running()) return;
    if (lng_ != mySprache) setSprache(lng_);
    applying_.emplace(changedParts());
    const std::optional<ServerEdits> toSend = applyPages();
    if (!FErrorFlag) {
        switchLanguage();
        applying_->saved(ApplyReport::language);
    }
    for (const auto& [message, page] : std::exchange(notices_, {})) tell(*message, page);
    const ApplyReport report = *std::exchange(applying_, std::nullopt);
    if (!FErrorFlag && toSend) startRun(*toSend, report);
}

std::optional<ServerEdits> TkonfigForm::applyPages() {
    const TText* problem = applyCommon(settings_, generalValues(), links_.switchRelayMode);
    applying_->saved(ApplyReport::doorOptions);  // stored before the relay server is looked at
    if (problem) {
        fail(*problem, ApplyReport::general);
        return std::nullopt;
    }
    generalShown_.codeForDoor = t_.codeFuerTuer.isChecked();
    generalShown_.logDoor = t_.protokollTuerOeffner.isChecked();
    generalShown_.askComment = t_.kommentarErf.isChecked();
    const int page = KonfigTabs.currentIndex();
    const bool serverPages = page != TelefonTab && page != ueberwachungTab;
    if ((serverPages || generalEdited(generalShown_, generalValues())) && !applyGeneralPage()) return std::nullopt;
    applying_->saved(ApplyReport::general);
    if ((page == TelefonTab || intercom_.edited()) && !intercomUebernehmen()) return std::nullopt;
    if (!intercom_.edited()) applying_->saved(ApplyReport::intercom);
    if (page == ueberwachungTab) ueberwachungPage_.ueberwachungUebernehmen();
    if (serverPages) return korvatUebernehmen();
    if (deviceEditsLeft()) fail(txtServerChangesNotSent);
    return std::nullopt;
}

void TkonfigForm::switchLanguage() {
    if (lng_ == config::sprache) return;
    config::sprache = lng_;
    settings_.schreibeSprache(lng_);
    setSprache(lng_);
    if (links_.languageChanged) links_.languageChanged();
}

bool TkonfigForm::applyGeneralPage() {
    bool passwordKept = false;
    const TText* problem = applyGeneral(
        settings_, generalValues(),
        [this] { return askYesNo(this, config::text(txtShouldPasswordBeDeleted, mySprache)); }, passwordKept);
    if (problem) {
        fail(*problem, ApplyReport::general);
        return false;
    }
    if (passwordKept) {
        // As if the password had not been touched: the next apply asks no more.
        g_.AdminPassEdit.clear();
        g_.AdminPassConfirmEdit.clear();
        g_.delAdminPass.setChecked(false);
    }
    FPwdChanged = false;
    generalShown_ = generalValues();
    return true;
}

bool TkonfigForm::intercomUebernehmen() {
    // Without a camera selected, the assignment chosen in its grid is stored.
    if (const TText* problem = intercom_.lindavorUebernehmen(t_.ListView2.selectedKey())) {
        // Nothing is stored. The dialog stays open only where closing it
        // would lose what the user typed for the assignment.
        if (!intercom_.edited()) {
            notice(*problem, ApplyReport::intercom);
            return true;
        }
        fail(*problem, ApplyReport::intercom);
        return false;
    }
    if (!intercom_.edited()) return true;
    fail(txtIntercomChangesNotStored);
    return false;
}

std::optional<ServerEdits> TkonfigForm::korvatUebernehmen() {
    if (s_.ListView1.selectedKey().empty() || !serverPage_.server() || !links_.discovery) {
        // No device to send them to. The gateway's values go out with the
        // run of the server behind it.
        if (KonfigTabs.currentIndex() != GatewaysTab) {
            if (deviceEditsLeft()) fail(txtServerChangesNotSent);
        } else if (deviceEditsLeft()) {
            fail(txtGatewaySavedWithVideoserver, ApplyReport::gateway);
        } else {
            notice(txtGatewaySavedWithVideoserver, ApplyReport::gateway);
        }
        return std::nullopt;
    }
    ServerEdits edits = serverEdits();
    const TText* problem = serverPage_.check(edits, links_.discovery->snapshot());
    setName(s_.serverNameEdit, edits.name);
    if (problem) {
        fail(*problem, ApplyReport::server);
        return std::nullopt;
    }
    return edits;
}

void TkonfigForm::setButtonsEnabled(bool on) { enableAll(on, okButton, abbruchButton, uebernehmenBtn); }

void TkonfigForm::startRun(const ServerEdits& edits, const ApplyReport& report) {
    setButtonsEnabled(false);
    closeAfterRun_ = false;
    runReport_ = report;
    runGateway_.reset();
    progressForm_ = std::make_unique<TrebootForm>(this, nullptr);
    // The user's click opened it: it takes the keyboard, so Escape reaches
    // its Cancel and not the dialog under it.
    progressForm_->show();
    progressForm_->activateWindow();
    ConfigurationRun::Setup setup;
    setup.settings = &settings_;
    setup.rebootLock = links_.rebootLock;
    setup.http = links_.cgiClient ? links_.cgiClient() : std::make_unique<HttpCgiClient>();
    // The gateway search's names and the discovery list as they are now:
    // the run must not reach into the main form's threads.
    setup.gatewaysNamed = [gateways = links_.gateways ? links_.gateways() : devices::TGatewayList{}](
                              const std::string& name) { return gatewaysNamed(gateways, name); };
    if (const auto& gateway = gatewayPage_.gateway()) {
        runGateway_ = std::make_shared<GatewayObjectSettings>(*gateway);
        setup.gateway = runGateway_;
    }
    setup.language = mySprache;
    setup.settleTime = links_.settleTime;
    setup.listed = listedDevices(links_.discovery->snapshot());
    run_ = std::make_unique<ConfigurationRun>(
        handle(), std::move(setup),
        ConfigurationRun::Input{*serverPage_.server(), edits, gatewayPage_.edits(), deviceEditsLeft()});
    run_->Start();
}

void TkonfigForm::runEvent(RunEvent& event) {
    if (!run_) return;
    const auto answerWhenDone = [this](QDialog* prompt, std::function<std::optional<std::string>(int)> answer) {
        runPrompt_ = prompt;
        // It belongs to the progress window of the user's click, so that the
        // window manager keeps it in front of that one, which took the
        // keyboard as it came up.
        if (progressForm_ && progressForm_->isVisible()) prompt->setParent(progressForm_.get(), prompt->windowFlags());
        prompt->setAttribute(Qt::WA_DeleteOnClose);
        connect(prompt, &QDialog::finished, this, [this, answer = std::move(answer)](int result) {
            if (run_) run_->answer(answer(result));
        });
        prompt->open();
    };
    switch (event.kind) {
        case RunEvent::Kind::progress:
            if (progressForm_) progressForm_->advance(event.amount);
            return;
        case RunEvent::Kind::error: {
            std::string text = event.text;
            if (event.serverStored && runReport_) {
                ApplyReport report = *runReport_;
                if (*event.serverStored) report.saved(ApplyReport::server);
                text += report.summary(mySprache);
            }
            auto* box =
                platform::ui::plainMessageBox(QMessageBox::Critical, windowTitle(), qs(text), QMessageBox::Ok, this);
            answerWhenDone(box, [](int) { return std::string(); });
            return;
        }
        case RunEvent::Kind::confirmReboot: {
            answerWhenDone(confirmationBox(this, config::text(txtVideoserverBeingRebooted, mySprache)), [](int result) {
                return result == QMessageBox::Ok ? std::optional<std::string>("") : std::nullopt;
            });
            return;
        }
        case RunEvent::Kind::question:
            answerWhenDone(questionBox(this, event.text), [](int result) {
                return result == QMessageBox::Yes ? std::optional<std::string>("") : std::nullopt;
            });
            return;
        case RunEvent::Kind::askPassword: {
            auto* prompt = new video::ui::TadminPassForm(this);
            prompt->station = event.text;
            prompt->video = event.video;
            answerWhenDone(prompt, [prompt](int result) {
                return result == mrOK ? std::optional<std::string>(prompt->password) : std::nullopt;
            });
            return;
        }
        case RunEvent::Kind::gatewayWait:
            if (!progressForm_) return;
            if (event.text.empty()) {
                progressForm_->endBreakOff();
            } else {
                progressForm_->offerBreakOff(event.text, [this] {
                    if (run_) run_->breakOffWait();
                });
            }
            return;
        case RunEvent::Kind::countdown: {
            // It takes over the keyboard only from the wait the user's click
            // opened, never from a window the user turned to meanwhile.
            const bool keyboard = progressForm_ && progressForm_->isActiveWindow();
            progressForm_.reset();
            auto* countdown = new TrebootForm(this, std::move(event.hold), links_.countdownTick);
            countdown->setAttribute(Qt::WA_ShowWithoutActivating, !keyboard);
            answerWhenDone(countdown, [](int) { return std::string(); });
            return;
        }
        case RunEvent::Kind::finished: runFinished(event.result); return;
    }
}

void TkonfigForm::runFinished(const VideoServerConfiguration::Result& result) {
    stopRun();
    showServerEdits(result.server);
    gatewayPage_.runEnded(result.gateway, result.finished);
    // The run's gateway knows where the gateway went and what it holds now.
    if (result.gatewayRestarted && runGateway_) gatewayPage_.ranWith(runGateway_->object());
    runGateway_.reset();
    FErrorFlag = FErrorFlag || result.error;
    if (result.finished) {
        serverPage_.ran(result.device, links_.discovery);
        serverLoaded_ = serverEdits();
        serverPage_.forgetSelection();
        reloadSelectedServer = true;
    }
    if (closeAfterRun_ && !FErrorFlag) done(mrOK);
}

void TkonfigForm::stopRun() {
    runReport_.reset();
    if (runPrompt_) runPrompt_->deleteLater();
    progressForm_.reset();
    if (run_) {
        // Its requests and questions end with the terminate; the bound is
        // only against a device that will not let go.
        platform::stopAndFree(std::move(run_), std::chrono::milliseconds(5000));
    }
    setButtonsEnabled(true);
}

}  // namespace oculon::settings::ui
