#pragma once
// Tcopyright: the program's main form. Hidden except as splash screen and
// about box; the user reaches the program through its tray icon and menu
// (Info, Pause, Recordings, Show video, Configure, Close). It owns the
// popup, the wall, the command channel and the worker threads, and every
// worker message arrives at its hub. Where the desktop has no notification
// area, a small window carries the same menu instead of the icon.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/CallDispatch.h"
#include "app/CommandChannel.h"
#include "app/HeldPorts.h"
#include "app/MessageHub.h"
#include "app/WorkerLinks.h"
#include "app/ui/CallWindowsQt.h"
#include "app/ui/NoticeWindow.h"
#include "app/ui/PortNotice.h"
#include "app/ui/ToolkitLanguage.h"
#include "platform/MainLoop.h"
#include "platform/Shell.h"

namespace oculon::platform {
class Thread;
}

namespace oculon::devices {
class moxaThread;
class suchThread;
}  // namespace oculon::devices

namespace oculon::video::ui {
class TueberwachungForm;
}

namespace oculon::player::ui {
class TplayerForm;
}

namespace oculon::settings {
class DiscoverySource;
class SuchThreadSource;
namespace ui {
class TkonfigForm;
}
}  // namespace oculon::settings

namespace oculon::app::ui {

class QtPrompts;
class TrayFallbackWindow;

class Tcopyright : public QWidget {
    Q_OBJECT

public:
    struct Options {
        // The discovery and gateway threads and the port-4001 listener; tests
        // without a network namespace leave them off.
        bool startWorkers = true;
        CommandChannel::Options channel;
        // How long the close waits for each worker thread.
        std::chrono::milliseconds workerBound{5000};
        // Run by the popups and the wall's door frame when a call starts.
        std::function<void()> screenSaverStop = platform::stopScreenSaver;
        // How long the splash screen stays.
        std::chrono::milliseconds splashTime{5000};
        // What the settings dialog lists as found when no worker threads run.
        settings::DiscoverySource* discovery = nullptr;
        // Whether the desktop has a notification area now; read every
        // `notificationAreaCheck`, as the toolkit tells of no change.
        std::function<bool()> notificationArea = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
        std::chrono::milliseconds notificationAreaCheck{2000};
        // How long a later start shows the menu window beside the icon.
        std::chrono::milliseconds menuWindowVisit{15000};
    };

    static constexpr int kWidth = 480;
    static constexpr int kHeight = 300;

    // Runs FormCreate: tray icon, popup, threads, listener, wall.
    Tcopyright(config::TVideoConfig& settings, config::TRebootSperre* rebootLock, Options options);
    ~Tcopyright() override;

    // The form shows itself at the start for 5 seconds (FShowSplashScreen);
    // only this showing hides itself, the about box stays until closed. When
    // the first showing opens the settings dialog (no station yet), the
    // seconds begin once the user has closed it.
    void showSplash();

    // ---- The menu.
    void Info1Click();
    void Pause1Click();
    void VideoPlayer1Click();
    void Videoanzeigen1Click();
    void Konfiguration1Click();
    void Beenden1Click();

    // A later start of the program, told through `starts`, brings the way
    // into the menu forward (comeForward).
    void answerSecondStarts(platform::SecondStarts& starts);
    // The menu window comes back wherever it went (minimised, behind); beside
    // an icon it comes for a while, and goes once the user has left it.
    void comeForward();

    QMenu& trayMenu() { return trayMenu_; }
    QAction& Pause1() { return *Pause1_; }
    QAction& Konfiguration1() { return *Konfiguration1_; }
    // The small window that carries the menu where no notification area is
    // (hidden while the icon is there), or none.
    QWidget* fallbackWindow() const;
    // The icon while a notification area shows it, else null.
    QSystemTrayIcon* notificationIcon() const { return trayIcon_.get(); }
    // The settings dialog while it is open, else null.
    settings::ui::TkonfigForm* konfigForm() const { return konfigForm_.get(); }
    // The surveillance wall, when "surveillance" is on.
    video::ui::TueberwachungForm* wall() const { return wall_.get(); }
    NoticeWindow& Form1() { return Form1_; }
    // The notice of listening ports another program holds and of a search
    // that reaches no network.
    PortNotice& portNotice() { return portNotice_; }

    CallDispatch& dispatch() { return *dispatch_; }
    CommandChannel& channel() { return channel_; }
    // Where the worker threads post.
    platform::TargetId handle() const { return hubTarget_.id(); }
    // True once the form closed and every worker thread it started ended;
    // false while one may still run (its objects must then stay).
    bool closed() const { return closed_; }
    bool workersStopped() const { return workersStopped_; }

signals:
    void closedForGood();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void cfgSprache();
    void buildAboutBox();
    void hideAboutBox();
    void TaskBarChangeIcon(bool paused);
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    // The icon where a notification area is, else the menu window.
    void followNotificationArea();
    // Made when first needed; closing it minimises it only where it is the
    // one way in.
    TrayFallbackWindow& menuWindow();
    void endMenuWindowVisit();
    // The windows through which the user reaches the tray menu.
    std::vector<QWidget*> trayWindows() const;
    void keepTrayWindowsAbove(player::ui::TplayerForm& player);
    void startWorkers();
    void startGatewayThread();
    void stopWorkers();
    // The relay setting changed in the settings dialog: stores it and starts
    // or stops the port-4001 listener and the gateway search.
    void switchRelayMode(bool relayOn);
    void konfigFormClosed(int result);
    // The settings dialog of the first showing is closed, or did not open.
    void firstSettingsDone();
    void beginSplashTime();
    void createWall();
    void closeWall();

    config::TVideoConfig& settings_;
    config::TRebootSperre* rebootLock_;
    Options options_;

    // The about box.
    QLabel Panel1;
    QLabel Image1;
    QLabel rotGelbImg;
    QLabel gruenImg;
    QLabel Label1, Label2, Label3, Label4, Label5, Label11;
    QPushButton OKBtn;  // hides the about box

    QMenu trayMenu_;
    QAction* Info1_ = nullptr;
    QAction* Pause1_ = nullptr;
    QAction* VideoPlayer1_ = nullptr;
    QAction* Videoanzeigen1_ = nullptr;
    QAction* Konfiguration1_ = nullptr;
    QAction* Beenden1_ = nullptr;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    std::unique_ptr<TrayFallbackWindow> fallback_;
    std::unique_ptr<QSocketNotifier> secondStartsWaiting_;
    QTimer notificationAreaCheck_;
    QTimer menuWindowVisit_;
    platform::Timer splashTimer;
    NoticeWindow Form1_;
    ToolkitLanguage toolkitLanguage_;

    // Before the channel and the hub, which report to them.
    PortNotice portNotice_;
    HeldPorts heldPorts_{[this](const HeldPorts::State& now, bool lost) { portNotice_.tell(now, lost); }};
    // First, so that the channel and the windows can name it.
    platform::MessageTarget hubTarget_;
    CommandChannel channel_;
    QtWindowFactory factory_;
    std::unique_ptr<QtCallWindow> videoFenster_;
    std::unique_ptr<QtPrompts> prompts_;
    std::unique_ptr<devices::suchThread> suchThread_;
    std::unique_ptr<DiscoveryList> discoveryList_;
    std::unique_ptr<devices::moxaThread> moxaThread_;
    std::unique_ptr<GatewayAccess> gatewayList_;
    std::unique_ptr<video::ui::TueberwachungForm> wall_;
    std::unique_ptr<WallDoor> wallDoor_;
    std::unique_ptr<settings::SuchThreadSource> discoverySource_;
    std::unique_ptr<settings::ui::TkonfigForm> konfigForm_;
    std::unique_ptr<CallDispatch> dispatch_;
    std::unique_ptr<MessageHub> hub_;

    bool mayClose = false;
    bool started = false;
    // The splash shows and its seconds have not begun.
    bool splashDue_ = false;
    // The first showing opened, or is about to open, the settings dialog.
    bool firstSettingsDue_ = false;
    bool closed_ = false;
    bool workersStopped_ = true;
};

}  // namespace oculon::app::ui
