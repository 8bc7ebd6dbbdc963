#include "app/ui/copyright.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "app/TrayRules.h"
#include "app/WorkerLinks.h"
#include "app/ui/QtPrompts.h"
#include "app/ui/TrayPictures.h"
#include "config/cfgUnit.h"
#include "config/sprachen.h"
#include "config/ui/BrandDialog.h"
#include "config/ui/brandPictures.h"
#include "devices/moxaGWSuche.h"
#include "devices/videoServerSuche.h"
#include "platform/Log.h"
#include "platform/Shell.h"
#include "platform/Thread.h"
#include "platform/ui/OwnDialogs.h"
#include "platform/ui/WindowRoom.h"
#include "player/ui/videoPlayerForm.h"
#include "settings/DeviceLinks.h"
#include "settings/KonfigPages.h"
#include "settings/ui/konfigForm.h"
#include "video/ui/HauptProgramm.h"
#include "video/ui/ueberwachungUnit.h"

namespace oculon::app::ui {

using config::ui::place;
using config::ui::qs;

// The small window that carries the tray menu on a desktop without a
// notification area. Closing it only minimises it: it is the way back into
// the program, and a second start of the program brings it back. Beside an
// icon a later start shows it for a while; closed then, it goes.
//
// It stands where a notification area would: in the bottom right corner of
// the screen, above every other window, so that no window of the program (the
// player, a popup, the wall) ever covers the way into its menu.
class TrayFallbackWindow : public QWidget {
public:
    TrayFallbackWindow(QMenu& menu, const QIcon& icon)
        : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), layout_(this) {
        setObjectName(QStringLiteral("trayFallback"));
        setWindowTitle(QApplication::applicationDisplayName());
        setWindowIcon(icon);
        iconLabel_.setPixmap(icon.pixmap(32, 32));
        title_.setText(QApplication::applicationDisplayName());
        QFont bold = title_.font();
        bold.setBold(true);
        title_.setFont(bold);
        menuButton_.setObjectName(QStringLiteral("menuButton"));
        menuButton_.setText(QStringLiteral("☰"));
        menuButton_.setMenu(&menu);
        menuButton_.setPopupMode(QToolButton::InstantPopup);
        menuButton_.setToolButtonStyle(Qt::ToolButtonTextOnly);
        menuButton_.setStyleSheet(
            QStringLiteral("QToolButton { font-size: 18px; padding: 2px 8px; }"
                           "QToolButton::menu-indicator { image: none; width: 0; }"));
        layout_.addWidget(&iconLabel_);
        layout_.addWidget(&title_, 1);
        layout_.addWidget(&menuButton_);
        setContextMenuPolicy(Qt::CustomContextMenu);
        connect(this, &QWidget::customContextMenuRequested, this,
                [this, &menu](const QPoint& at) { menu.popup(mapToGlobal(at)); });
        setFixedSize(240, 56);
        platform::ui::keepWindowsClearOf(*this);
        platform::ui::comeBackBy(*this, [this] { placeInCorner(); });
        placeInCorner();
        // The window manager's frame is known once the window is on the
        // screen: the corner is then taken again with it.
        winId();
        windowHandle()->installEventFilter(this);
    }

    void setPaused(const QIcon& icon) {
        setWindowIcon(icon);
        iconLabel_.setPixmap(icon.pixmap(32, 32));
    }
    // It came by itself (the notification area went): the keyboard stays
    // where the user is typing. The toolkit reads that wish from the native
    // window, made already.
    void showByItself() {
        windowHandle()->setProperty("_q_showWithoutActivating", true);
        showNormal();
        windowHandle()->setProperty("_q_showWithoutActivating", false);
    }
    QToolButton& menuButton() { return menuButton_; }
    bool mayClose = false;
    // False while the icon is the way into the program.
    bool minimiseOnClose = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
            windowHandle()->removeEventFilter(this);
            placeInCorner();
        }
        return QWidget::eventFilter(watched, event);
    }

    void closeEvent(QCloseEvent* event) override {
        if (mayClose) {
            event->accept();
            return;
        }
        event->ignore();
        if (minimiseOnClose) showMinimized();
        else hide();
    }

private:
    void placeInCorner() {
        const QScreen* screen = this->screen();
        if (screen == nullptr) return;
        QRect frame = frameGeometry();
        frame.moveBottomRight(screen->availableGeometry().bottomRight());
        move(frame.topLeft());
    }

    QHBoxLayout layout_;
    QLabel iconLabel_;
    QLabel title_;
    QToolButton menuButton_;
};

namespace {

const char* const kCompanyPage = "https://www.korvat.com";
const char* const kPartnerPage = "https://www.lindavor.com";

QString link(const QString& href, const QString& text) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(href, text.toHtmlEscaped());
}

void makeLink(QLabel& label, const QString& href, const QString& text) {
    label.setTextFormat(Qt::RichText);
    label.setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label.setText(link(href, text));
}

// Shows `window` above `owner`, a modal window of ours (or none). A modal
// window holds every other window of the program behind it, deaf to keys
// and clicks, except those that belong to it: the window is made one of
// those, so that it answers, and the window manager keeps it above its
// owner.
void showAbove(QWidget& window, QWindow* owner) {
    window.winId();
    QWindow* handle = window.windowHandle();
    if (handle->transientParent() != owner) {
        // The window manager reads whom a window belongs to when it maps it.
        window.hide();
        handle->setTransientParent(owner);
    }
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

Tcopyright::Tcopyright(config::TVideoConfig& settings, config::TRebootSperre* rebootLock, Options options)
    // A dialog, so that the window manager keeps it above the window it is
    // shown over.
    : QWidget(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      settings_(settings),
      rebootLock_(rebootLock),
      options_(std::move(options)),
      hubTarget_([this](platform::Message& m) {
          if (hub_) hub_->handle(m);
      }),
      channel_(CommandChannel::Handlers{[this](const std::string& sender, bool on) {
                                            if (dispatch_) dispatch_->inputState(sender, on);
                                        },
                                        [this](const std::string& sender, const std::string& id) {
                                            if (dispatch_) dispatch_->gatewayCall(sender, id);
                                        },
                                        [this](std::uint16_t port, bool held) { heldPorts_.report(port, held); }},
               options_.channel),
      factory_(hubTarget_.id(), options_.screenSaverStop) {
    FormCreate();
}

Tcopyright::~Tcopyright() {
    if (!closed_) FormClose();
}

void Tcopyright::FormCreate() {
    setObjectName(QStringLiteral("copyright"));
    settings::reloadSelectedServer = false;
    buildAboutBox();

    Info1_ = trayMenu_.addAction(QStringLiteral("Info"), this, &Tcopyright::Info1Click);
    trayMenu_.addSeparator();
    Pause1_ = trayMenu_.addAction(QString(), this, &Tcopyright::Pause1Click);
    Pause1_->setCheckable(true);
    VideoPlayer1_ = trayMenu_.addAction(QString(), this, &Tcopyright::VideoPlayer1Click);
    Videoanzeigen1_ = trayMenu_.addAction(QString(), this, &Tcopyright::Videoanzeigen1Click);
    Konfiguration1_ = trayMenu_.addAction(QString(), this, &Tcopyright::Konfiguration1Click);
    trayMenu_.addSeparator();
    Beenden1_ = trayMenu_.addAction(QString(), this, &Tcopyright::Beenden1Click);
    Info1_->setObjectName(QStringLiteral("Info1"));
    Pause1_->setObjectName(QStringLiteral("Pause1"));
    VideoPlayer1_->setObjectName(QStringLiteral("VideoPlayer1"));
    Videoanzeigen1_->setObjectName(QStringLiteral("Videoanzeigen1"));
    Konfiguration1_->setObjectName(QStringLiteral("Konfiguration1"));
    Beenden1_->setObjectName(QStringLiteral("Beenden1"));

    // TaskBarAddIcon, and again whenever a notification area comes or goes
    // (a panel that starts after the program, crashes or restarts).
    followNotificationArea();
    notificationAreaCheck_.setInterval(options_.notificationAreaCheck);
    connect(&notificationAreaCheck_, &QTimer::timeout, this, &Tcopyright::followNotificationArea);
    notificationAreaCheck_.start();
    menuWindowVisit_.setSingleShot(true);
    menuWindowVisit_.setInterval(options_.menuWindowVisit);
    connect(&menuWindowVisit_, &QTimer::timeout, this, &Tcopyright::endMenuWindowVisit);
    cfgSprache();

    const QString title = QApplication::applicationDisplayName();
    setWindowTitle(title + QStringLiteral(" V ") + QString::fromStdString(getProgramVersion(kFileVersion)));
    Panel1.setText(QStringLiteral("  ") + title);
    setWindowIcon(config::ui::korvatWeissIcon());

    // The popup, hidden, where it stood last time (kept on the desktop).
    videoFenster_ = factory_.create({channel_.sendFunction(), channel_.sendFunctionLindavor(), false, {}});
    QRect desktop(0, 0, 1024, 768);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) desktop = screen->virtualGeometry();
    const config::TWindowSettings bounds =
        clampPopupGeometry(settings_.fensterKoordinaten(), desktop.width(), desktop.height());
    videoFenster_->setBounds(bounds);
    settings_.schreibeFensterKoordinaten(bounds);

    prompts_ = std::make_unique<QtPrompts>([this] { Konfiguration1Click(); });
    CallDispatch::Parts parts;
    parts.settings = &settings_;
    parts.rebootLock = rebootLock_;
    parts.popup = videoFenster_.get();
    parts.factory = &factory_;
    parts.prompts = prompts_.get();
    parts.sendFunction = channel_.sendFunction();
    parts.sendFunctionLindavor = channel_.sendFunctionLindavor();
    parts.telephoneAcknowledge = [this](const std::string& text) { channel_.telephoneAcknowledge(text); };
    dispatch_ = std::make_unique<CallDispatch>(std::move(parts));
    const auto forwardToSettings = [this](std::uint32_t id, std::uintptr_t wParam) {
        if (konfigForm_ && konfigForm_->isVisible())
            platform::MainLoop::instance().post(konfigForm_->handle(), id, wParam);
    };
    hub_ = std::make_unique<MessageHub>(
        *dispatch_,
        MessageHub::Links{forwardToSettings, [this] { return settings_.useServer(); }, [this] { Beenden1Click(); },
                          [this](std::uint16_t port, bool held) { heldPorts_.report(port, held); },
                          [this](bool blocked) { heldPorts_.reportSearch(blocked); }});

    Pause1_->setEnabled(true);
    VideoPlayer1_->setEnabled(true);
    if (options_.startWorkers) startWorkers();
    hide();
    if (settings_.surveillance()) createWall();

    splashTimer.setInterval(options_.splashTime);
    splashTimer.setOnTimer([this] {
        splashTimer.setEnabled(false);
        hide();
    });
}

void Tcopyright::buildAboutBox() {
    setFixedSize(kWidth, kHeight);
    config::ui::placeTitleStrip(Panel1, this, "Panel1", kWidth);
    const QFont bold = Panel1.font();

    place(Image1, this, "Image1", QRect(16, 40, 220, 48));
    Image1.setPixmap(korvatLogo(Image1.size()));
    place(rotGelbImg, this, "rotGelbImg", QRect(kWidth - 48, 40, 28, 78));
    rotGelbImg.setPixmap(signalLamps(false, rotGelbImg.size()));
    place(gruenImg, this, "gruenImg", rotGelbImg.geometry());
    gruenImg.setPixmap(signalLamps(true, gruenImg.size()));
    gruenImg.hide();

    place(Label2, this, "Label2", QRect(16, 104, 400, 20));
    Label2.setFont(bold);
    Label2.setText(QApplication::applicationDisplayName() + QStringLiteral(" ") +
                   QString::fromStdString(getProgramVersion(kFileVersion)));
    place(Label3, this, "Label3", QRect(16, 128, 420, 40));
    Label3.setWordWrap(true);
    place(Label4, this, "Label4", QRect(16, 174, 420, 20));
    place(Label1, this, "Label1", QRect(16, 204, 300, 20));
    makeLink(Label1, QString::fromLatin1(kCompanyPage), QString::fromLatin1(config::kundeWebseiten[config::kdKorvat]));
    place(Label5, this, "Label5", QRect(16, 226, 300, 20));
    makeLink(Label5, QString::fromLatin1(kPartnerPage),
             QString::fromLatin1(config::kundeWebseiten[config::kdLindavor]));
    place(Label11, this, "Label11", QRect(16, 264, 340, 20));
    place(OKBtn, this, "OKBtn", QRect(kWidth - 91, kHeight - 37, 75, 25));
    OKBtn.setText(QStringLiteral("OK"));
    connect(&OKBtn, &QPushButton::clicked, this, &Tcopyright::hideAboutBox);
    for (QLabel* l : {&Label1, &Label5}) {
        connect(l, &QLabel::linkActivated, this,
                [](const QString& href) { platform::shellExecute(href.toStdString()); });
    }
    // Above the about box, which may itself lie above the player. When they
    // close, the keys come back to the button, not to the link, where Return
    // would open them again.
    connect(&Label11, &QLabel::linkActivated, this, [this] {
        OKBtn.setFocus();
        showAbove(Form1_, windowHandle());
    });
}

void Tcopyright::cfgSprache() {
    VideoPlayer1_->setText(qs(config::tr(config::txtRecordingsEllipsis)));
    Videoanzeigen1_->setText(qs(config::tr(config::txtShowVideo)));
    Konfiguration1_->setText(qs(config::tr(config::txtConfigure)));
    Beenden1_->setText(qs(config::tr(config::txtClose1)));
    Pause1_->setText(qs(config::tr(config::txtSuspend)));
    Label3.setText(qs(config::tr(config::txtAboutDescription)));
    Label4.setText(qs(config::tr(config::txtAboutRights)));
    makeLink(Label11, QStringLiteral("notices"), qs(config::tr(config::txtLibraryNotices)));
    Form1_.setSprache(config::sprache);
    portNotice_.retranslate();
    toolkitLanguage_.follow(config::sprache);
}

QWidget* Tcopyright::fallbackWindow() const { return fallback_.get(); }

TrayFallbackWindow& Tcopyright::menuWindow() {
    if (!fallback_) fallback_ = std::make_unique<TrayFallbackWindow>(trayMenu_, trayIcon(Pause1_->isChecked()));
    fallback_->minimiseOnClose = trayIcon_ == nullptr;
    return *fallback_;
}

void Tcopyright::followNotificationArea() {
    if (closed_) return;
    const bool there = options_.notificationArea();
    // Until the first reading, neither stands.
    if (there == (trayIcon_ != nullptr) && (there || fallback_)) return;
    if (there) {
        trayIcon_ = std::make_unique<QSystemTrayIcon>(trayIcon(Pause1_->isChecked()));
        trayIcon_->setToolTip(QApplication::applicationDisplayName());
        trayIcon_->setContextMenu(&trayMenu_);
        connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, &Tcopyright::trayActivated);
        trayIcon_->show();
        if (fallback_) {
            fallback_->minimiseOnClose = false;
            if (!menuWindowVisit_.isActive()) fallback_->hide();
        }
    } else {
        trayIcon_.reset();
        menuWindowVisit_.stop();
        menuWindow().showByItself();
    }
    // The way in that replaces the other answers beside the player as well.
    if (player::ui::TplayerForm* player = player::ui::recordingsPlayer()) keepTrayWindowsAbove(*player);
}

void Tcopyright::answerSecondStarts(platform::SecondStarts& starts) {
    secondStartsWaiting_ = std::make_unique<QSocketNotifier>(starts.fd(), QSocketNotifier::Read);
    connect(secondStartsWaiting_.get(), &QSocketNotifier::activated, this, [this, &starts] {
        if (starts.takeUp()) comeForward();
    });
}

void Tcopyright::comeForward() {
    if (closed_) return;
    TrayFallbackWindow& window = menuWindow();
    window.showNormal();
    window.raise();
    // An icon is small and may be hidden in a crowded notification area:
    // the menu window comes beside it, for long enough to be found and used.
    if (trayIcon_) menuWindowVisit_.start();
    // The user started the program to reach it: the window may take the
    // keys, or the dialog that holds the program's other windows does.
    QWidget* keys = QApplication::activeModalWidget();
    if (keys == nullptr) keys = &window;
    keys->raise();
    keys->activateWindow();
}

void Tcopyright::endMenuWindowVisit() {
    if (!trayIcon_ || !fallback_) return;
    // Not from under the user's pointer or open menu: it waits for them.
    if (trayMenu_.isVisible() || fallback_->underMouse()) {
        menuWindowVisit_.start();
        return;
    }
    fallback_->hide();
}

void Tcopyright::startWorkers() {
    workersStopped_ = false;
    devices::suchThread::Options discovery;
    discovery.winHandle = handle();
    discovery.settings = &settings_;
    discovery.rebootLock = rebootLock_;
    suchThread_ = std::make_unique<devices::suchThread>(std::move(discovery));
    discoveryList_ = std::make_unique<DiscoveryList>(*suchThread_);
    discoverySource_ = std::make_unique<settings::SuchThreadSource>(*suchThread_);
    dispatch_->setDiscovery(discoveryList_.get());
    suchThread_->Start();

    if (settings_.useServer()) return;
    channel_.setListening(true);
    startGatewayThread();
}

void Tcopyright::startGatewayThread() {
    try {
        moxaThread_ = std::make_unique<devices::moxaThread>(handle());
        moxaThread_->Start();
        gatewayList_ = std::make_unique<GatewayList>(*moxaThread_);
        dispatch_->setGateways(gatewayList_.get());
    } catch (const std::exception& e) {
        log::warning(log::Category::app, "no gateway search: %s", e.what());
        moxaThread_.reset();
    }
}

void Tcopyright::stopWorkers() {
    // Nobody may reach into a list whose thread is going.
    dispatch_->setDiscovery(nullptr);
    dispatch_->setGateways(nullptr);
    if (wall_) wall_->setDiscovery({});
    bool stopped = true;
    if (!settings_.useServer() || moxaThread_) {
        channel_.setListening(false);
        gatewayList_.reset();
        // A gateway that does not answer holds the search in the library for
        // seconds: nobody waits for it, as it uses nothing of ours.
        platform::Thread::release(std::move(moxaThread_));
    }
    discoveryList_.reset();
    discoverySource_.reset();
    if (suchThread_) stopped = platform::stopAndFree(std::move(suchThread_), options_.workerBound) && stopped;
    workersStopped_ = stopped;
}

void Tcopyright::createWall() {
    wall_ = std::make_unique<video::ui::TueberwachungForm>(settings_);
    wall_->resetActIp = [this] { dispatch_->resetActIP(); };
    if (discoveryList_) {
        wall_->setDiscovery([list = discoveryList_.get()](const std::string& key) { return list->camera(key); });
    }
    wall_->mainVideoFrame1.sendFunction = channel_.sendFunction();
    wall_->mainVideoFrame1.sendFunctionLindavor = channel_.sendFunctionLindavor();
    wall_->mainVideoFrame1.setScreenSaverStop(options_.screenSaverStop);
    wallDoor_ = std::make_unique<WallDoor>(*wall_);
    dispatch_->setWall(wallDoor_.get());
    wall_->show();
}

void Tcopyright::closeWall() {
    if (!wall_) return;
    dispatch_->setWall(nullptr);
    wallDoor_.reset();
    // The wall writes its position as it closes; a close still waiting for
    // a layout change is finished by its destructor.
    wall_->erlaubeSchliessen();
    wall_->close();
    // One that is asking the user (the program's end) goes once it has its answer.
    platform::ui::freeOnceItsDialogsHaveReturned(std::move(wall_));
}

void Tcopyright::showSplash() {
    rotGelbImg.show();
    gruenImg.hide();
    config::ui::centerOnScreen(*this);
    OKBtn.setFocus();
    splashDue_ = true;
    show();
    if (!firstSettingsDue_) beginSplashTime();
}

void Tcopyright::beginSplashTime() {
    if (!splashDue_) return;
    splashDue_ = false;
    if (!isVisible()) return;
    raise();
    activateWindow();
    splashTimer.setEnabled(true);
}

void Tcopyright::showEvent(QShowEvent* event) {
    platform::hideWindowsTitled("PhonerLite");
    if (!started && settings_.Count() == 0) {
        firstSettingsDue_ = true;
        // Once the form is on the screen, so that the dialog lies above it.
        QTimer::singleShot(0, this, [this] {
            Konfiguration1Click();
            if (!konfigForm_) firstSettingsDone();
        });
    }
    started = true;
    QWidget::showEvent(event);
}

void Tcopyright::firstSettingsDone() {
    if (!firstSettingsDue_) return;
    firstSettingsDue_ = false;
    beginSplashTime();
}

void Tcopyright::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) Konfiguration1Click();
}

// ---- menu -------------------------------------------------------------------

void Tcopyright::Info1Click() {
    if (dispatch_->closing() || dispatch_->gesperrt()) return;
    rotGelbImg.hide();
    gruenImg.show();
    splashDue_ = false;
    splashTimer.setEnabled(false);
    if (!isVisible()) config::ui::centerOnScreen(*this);
    // Return and Escape close it, not a link that took the focus.
    OKBtn.setFocus();
    // Above the player, when that is open.
    showAbove(*this, QGuiApplication::modalWindow());
}

void Tcopyright::Pause1Click() {
    dispatch_->setPaused(Pause1_->isChecked());
    TaskBarChangeIcon(Pause1_->isChecked());
}

void Tcopyright::TaskBarChangeIcon(bool paused) {
    const QIcon icon = trayIcon(paused);
    if (trayIcon_) trayIcon_->setIcon(icon);
    if (fallback_) fallback_->setPaused(icon);
}

void Tcopyright::VideoPlayer1Click() { keepTrayWindowsAbove(player::ui::showRecordingsPlayer()); }

void Tcopyright::keepTrayWindowsAbove(player::ui::TplayerForm& player) {
    // The player blocks the program's other windows, but not the way into
    // the menu: a window transient for a modal window is exempt from its
    // block, and stays above it, for as long as the player lives.
    player.winId();
    for (QWidget* entry : trayWindows()) {
        entry->winId();
        QWindow* window = entry->windowHandle();
        if (window == nullptr || window->transientParent() == player.windowHandle()) continue;
        window->setTransientParent(player.windowHandle());
        entry->raise();
        connect(&player, &QObject::destroyed, window, [window] { window->setTransientParent(nullptr); });
    }
}

std::vector<QWidget*> Tcopyright::trayWindows() const {
    std::vector<QWidget*> windows;
    if (fallback_) windows.push_back(fallback_.get());
    // The icon's own window in the notification area; Qt does not hand it out.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("QSystemTrayIconSys")) windows.push_back(w);
    }
    return windows;
}

void Tcopyright::Videoanzeigen1Click() { dispatch_->Videoanzeigen1Click(); }

void Tcopyright::Konfiguration1Click() {
    if (dispatch_->closing()) return;
    if (konfigForm_) {
        konfigForm_->raise();
        konfigForm_->activateWindow();
        return;
    }
    if (dispatch_->gesperrt()) return;
    dispatch_->setGesperrt(true);
    if (!settings_.authenticate("")) {
        const std::optional<std::string> password = prompts_->askAdminPassword();
        if (!password || !settings_.authenticate(*password)) {
            if (password) prompts_->wrongPassword();
            dispatch_->setGesperrt(false);
            return;
        }
    }
    settings::ui::KonfigLinks links;
    links.settings = &settings_;
    links.rebootLock = rebootLock_;
    links.discovery = discoverySource_ ? discoverySource_.get() : options_.discovery;
    links.gateways = [this] { return moxaThread_ ? moxaThread_->gateways() : devices::TGatewayList{}; };
    links.mainHandle = handle();
    links.sendFunction = channel_.sendFunction();
    links.sendFunctionLindavor = channel_.sendFunctionLindavor();
    links.switchRelayMode = [this](bool on) { switchRelayMode(on); };
    links.wall = [this] { return wall_.get(); };
    links.switchWall = [this](bool on) { on ? createWall() : closeWall(); };
    links.languageChanged = [this] {
        cfgSprache();
        // The windows that are open (popups, the wall, the player) follow at once.
        for (QWidget* window : QApplication::topLevelWidgets()) {
            QEvent change(QEvent::LanguageChange);
            QCoreApplication::sendEvent(window, &change);
        }
    };
    konfigForm_ = std::make_unique<settings::ui::TkonfigForm>(std::move(links));
    connect(konfigForm_.get(), &QDialog::finished, this, &Tcopyright::konfigFormClosed);
    // Modal for the program's windows, without a nested event loop: the
    // tray menu's handler returns at once.
    konfigForm_->setWindowModality(Qt::ApplicationModal);
    konfigForm_->show();
}

void Tcopyright::konfigFormClosed(int) {
    if (!konfigForm_) return;
    // Freed once its own handlers have returned: the end of a device's
    // configuration closes it also while it asks something else.
    platform::ui::deleteLaterOnceItsDialogsHaveReturned(konfigForm_.release());
    dispatch_->setGesperrt(false);
    firstSettingsDone();
}

void Tcopyright::switchRelayMode(bool relayOn) {
    // The discovery loop takes up the new mode when it goes on.
    if (suchThread_) suchThread_->suspendWork();
    settings_.schreibeUseServer(relayOn);
    if (suchThread_) {
        suchThread_->cfgUseServer();
        suchThread_->resumeWork();
    }
    if (!suchThread_) return;  // no workers were started (tests)
    if (relayOn) {
        channel_.setListening(false);
        dispatch_->setGateways(nullptr);
        gatewayList_.reset();
        platform::Thread::release(std::move(moxaThread_));
    } else {
        channel_.setListening(true);
        if (!moxaThread_) startGatewayThread();
    }
}

void Tcopyright::Beenden1Click() {
    if (dispatch_->closing()) return;
    mayClose = true;
    close();
}

// ---- closing ----------------------------------------------------------------

void Tcopyright::hideAboutBox() {
    // The keys go back to the window it was shown over; asked first, so
    // that the window manager does not hand them elsewhere meanwhile.
    QWindow* owner = windowHandle() != nullptr ? windowHandle()->transientParent() : nullptr;
    if (owner != nullptr && owner->isVisible()) owner->requestActivate();
    hide();
}

void Tcopyright::keyPressEvent(QKeyEvent* event) {
    // As in any dialog: Escape, Return and Enter close the about box.
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter: hideAboutBox(); return;
        default: QWidget::keyPressEvent(event);
    }
}

void Tcopyright::closeEvent(QCloseEvent* event) {
    if (!mayClose) {
        // The about box closes by hiding; the program goes on.
        event->ignore();
        hideAboutBox();
        return;
    }
    FormClose();
    event->accept();
}

void Tcopyright::FormClose() {
    if (closed_) return;
    dispatch_->beginClosing();
    if (konfigForm_) {
        konfigForm_->shutDown();
        // A dialog that is showing a prompt of its own goes once that has
        // returned; it reaches out no more.
        platform::ui::freeOnceItsDialogsHaveReturned(std::move(konfigForm_));
    }

    if (player::ui::TplayerForm* player = player::ui::recordingsPlayer()) player->reject();

    settings_.schreibeFensterKoordinaten(videoFenster_->bounds());
    videoFenster_->closeForGood();

    stopWorkers();
    // What the workers posted before they ended is freed now, unhandled.
    platform::MainLoop::instance().processPending();

    closeWall();
    dispatch_->closeFurtherPopups();
    notificationAreaCheck_.stop();
    menuWindowVisit_.stop();
    trayIcon_.reset();
    if (fallback_) {
        fallback_->mayClose = true;
        fallback_->close();
    }
    Form1_.close();
    portNotice_.close();
    closed_ = true;
    emit closedForGood();
}

}  // namespace oculon::app::ui
