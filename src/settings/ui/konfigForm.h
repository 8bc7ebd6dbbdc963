#pragma once
// TkonfigForm: the settings dialog, opened from the tray menu. Its pages:
// general options, the found video servers (whose settings it sends to the
// device), gateways, door intercoms with the camera list, and the
// surveillance wall. While it is shown the tray form passes it the worker
// threads' news (1026, 1028, 1029, 1031) and the wall tells it of changes
// of its cameras (1036). The logic sits in the presenters of src/settings;
// this class shows their values and forwards the user's actions.
//
// A video server's configuration runs on a worker (ConfigurationRun): the
// dialog stays responsive, shows the run's progress and questions, and
// breaks the run off when it is closed.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <tuple>
#include <memory>
#include <string>
#include <vector>

#include "config/ui/BrandDialog.h"
#include "devices/moxaGWSuche.h"
#include "platform/MainLoop.h"
#include "settings/ApplyReport.h"
#include "settings/ConfigurationRun.h"
#include "settings/DeviceLinks.h"
#include "settings/KonfigLists.h"
#include "settings/KonfigPages.h"
#include "settings/ui/DeviceListView.h"
#include "settings/ui/GatewayPageView.h"
#include "settings/ui/IntercomPanel.h"
#include "settings/ui/WidgetText.h"
#include "settings/ui/ueberwachungPage.h"

class QGridLayout;

namespace oculon::video::ui {
class TueberwachungForm;
}

namespace oculon::settings::ui {

class TrebootForm;

// What the dialog reaches outside itself.
struct KonfigLinks {
    config::TVideoConfig* settings = nullptr;  // required
    config::TRebootSperre* rebootLock = nullptr;
    DiscoverySource* discovery = nullptr;  // none: nothing is found
    // The gateway search's list; none: no gateways.
    std::function<devices::TGatewayList()> gateways;
    platform::TargetId mainHandle = 0;  // receives 1030, which ends the program
    std::function<void(const std::string& frame, const std::string& host)> sendFunction;
    std::function<void(const std::string& payload, const std::string& host)> sendFunctionLindavor;
    // Stores the relay mode and starts or stops what depends on it.
    std::function<void(bool relayOn)> switchRelayMode;
    std::function<video::ui::TueberwachungForm*()> wall;
    // Creates the wall (true) or closes it (false).
    std::function<void(bool on)> switchWall;
    // The program's language was switched (stored, and the process's
    // language set): its other windows follow.
    std::function<void()> languageChanged;
    std::chrono::milliseconds wiringWait{8400};  // after each switch of the wiring test
    // For the configuration runs; none: the network.
    std::function<std::unique_ptr<CgiClient>()> cgiClient;
    std::function<bool(const std::string&)> openWebPage;  // none: the desktop's browser
    TickClock clock;                                      // none: the tick count
    std::chrono::milliseconds settleTime{4000};           // after a configuration run
    std::chrono::milliseconds countdownTick{990};         // of the reboot wait
};

class TkonfigForm : public QDialog {
    Q_OBJECT

public:
    enum Page { AllgemeinTab, ServerTab, GatewaysTab, TelefonTab, ueberwachungTab };
    static constexpr int kWidth = 627;
    static constexpr int kHeight = 449;

    explicit TkonfigForm(KonfigLinks links, QWidget* parent = nullptr);
    ~TkonfigForm() override;

    // Where the tray form and the wall post.
    platform::TargetId handle() const { return target_.id(); }
    // The language chosen in the general page; the apply switches to it.
    config::TSprachenTyp lng() const { return lng_; }
    bool errorFlag() const { return FErrorFlag; }
    bool running() const { return run_ != nullptr; }
    // Captions in `language`.
    void setSprache(config::TSprachenTyp language);
    // The program ends: the run is broken off, nothing outside is touched any more.
    void shutDown();

    void okButtonClick();
    void uebernehmenBtnClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    // Escape during a run is the Cancel of its wait, wherever the keyboard
    // is: Cancel is off then, and the dialog stays.
    void keyPressEvent(QKeyEvent* event) override;

private:
    template <typename W>
    void caption(W& widget, const config::TText& text);
    using Box = std::tuple<QCheckBox*, const char*, const config::TText*>;
    using EditRow = std::tuple<QLabel*, const char*, QLineEdit*, const char*, const config::TText*, int>;
    // Check boxes one under the other, each across `span` columns.
    void addBoxes(QGridLayout& grid, int span, std::initializer_list<Box> boxes);
    // A label and its edit per row, the edit holding at most the row's length.
    void addEditRows(QGridLayout& grid, std::initializer_list<EditRow> rows);
    void buildGeneralPage();
    void buildServerPage();
    void buildGatewayPage();
    void buildTelefonPage();
    void FormShow();
    void FormClose();
    void handleMessage(platform::Message& message);

    GeneralValues generalValues() const;
    void showGeneral(const GeneralValues& values);
    ServerEdits serverEdits() const;
    void showServerEdits(const ServerEdits& edits);
    // The video-server or gateway page holds edits not sent to the device.
    bool deviceEditsLeft() const;

    void rebuildLists();
    void gatewaysChanged();
    // Shows or hides a page's tab; a hidden page is out of the keyboard's
    // reach too, and never the current one. No page goes while a run is
    // sending them: its messages speak of them.
    void showPage(Page page, bool shown);
    void ListView1SelectItem(const std::string& key);
    void serverNameEditChange();
    void useUserNameClick();
    void serverIsDHCPClick();
    void TrackBar1Change(int value);
    void relayState(std::uintptr_t state);
    void selectDirClick();
    void installButtonClick();
    void delConfigBtnClick();
    void konfigKplLoeschenBtnClick();

    void ListView2ContextPopup(const QPoint& at);
    void kameraHinzufuegenClick();
    void kameraUmbenennen1Click();
    void pfadAendernClick();
    void kameraEntfernenClick();
    void openWebPage(const std::string& address);
    void announceToWall();

    // The language chosen, stored and spoken by the dialog and its prompts.
    void switchLanguage();
    // The general page's part of the apply, with its checks and its
    // question; false when a check failed.
    bool applyGeneralPage();
    // What the user changed, by part, as an apply begins.
    ApplyReport::Parts changedParts() const;
    // Every page's part of the apply; the video server's edits when they are
    // to be sent to it.
    std::optional<ServerEdits> applyPages();
    // The door-intercom page's part; false when its edits were not stored.
    bool intercomUebernehmen();
    // The edits of the video-server page when they may go to the selected
    // video server; nothing, and said why, when not.
    std::optional<ServerEdits> korvatUebernehmen();
    // `report`: the apply so far, for the run's messages about what it stored.
    void startRun(const ServerEdits& edits, const ApplyReport& report);
    void runEvent(RunEvent& event);
    void runFinished(const VideoServerConfiguration::Result& result);
    void stopRun();
    void setButtonsEnabled(bool on);
    // The message in an error box, headed by the page of a refusal, during
    // an apply with what it saved and did not; fail also keeps the dialog
    // open.
    using Refused = std::optional<ApplyReport::Part>;
    void tell(const config::TText& message, Refused page = std::nullopt);
    void fail(const config::TText& message, Refused page = std::nullopt);
    // Told once the apply is through, when it is known what it saved.
    void notice(const config::TText& message, Refused page = std::nullopt);

    KonfigLinks links_;
    config::TVideoConfig& settings_;
    ServerPage serverPage_;
    ServerEdits serverLoaded_;  // the video-server page as loaded or last configured
    RebuildThrottle throttle_;
    std::vector<std::function<void(config::TSprachenTyp)>> captions_;

    // The frame. Parents before their children.
    QLabel konfigFormPanel;
    config::ui::BrandFrame frame_;
    QTabWidget KonfigTabs;
    QPushButton uebernehmenBtn, okButton, abbruchButton;

    struct GeneralPage {
        QWidget page;
        QLabel sprachlabel, idLabel, AdminPassLabel, AdminPassConfirmLabel, pathLabel, entServerPortLabel;
        QComboBox sprachBox;
        QLineEdit idEdit, AdminPassEdit, AdminPassConfirmEdit, storePathEdit, entServerEdit, entPortEdit;
        QCheckBox showSplash, allowMultipleWindowsBox, delAdminPass, allowVideoView, allowCapture, captureFirst,
            storeVideo, useEntServerCheck;
        QPushButton selectDir, installButton, konfigKplLoeschenBtn;
        QLabel Panel6;
        QGroupBox Panel5;
        QLabel empfindlichLabel, Panel4;
        QSlider TrackBar1{Qt::Horizontal};
    } g_;
    struct ServerPageControls {
        QWidget page;
        DeviceListView ListView1{nullptr, "ListView1", false};
        QLabel serverNameLabel;
        QLineEdit serverNameEdit;
        QGroupBox userConfig, netConfig;
        QCheckBox useUserName, serverIsDHCP;
        QLabel userNameLabel, serverPassLabel, serverPassConfirmLabel, serverIPLabel, serverSubnet, serverGateway,
            serverPortLabel;
        QLineEdit nameEdit, passEdit, passConfirmEdit, serverIPEdit, subnetEdit, gatewayEdit, serverPortEdit;
        QPushButton delConfigBtn;
    } s_;
    SelectionOrigin origin_;
    GatewayPageView gatewayPage_{settings_, origin_};
    struct TelefonPage {
        QWidget page;
        DeviceListView ListView2{nullptr, "ListView2", true};
        QGroupBox doorGroup;
        QCheckBox codeFuerTuer, protokollTuerOeffner, kommentarErf;
        QMenu PopupMenu3;
        QAction* kameraHinzufuegen = nullptr;
        QAction* kameraUmbenennen1 = nullptr;
        QAction* pfadAendern = nullptr;
        QAction* kameraEntfernen = nullptr;
    } t_;
    IntercomPanel intercom_{settings_};
    UeberwachungPage ueberwachungPage_{settings_};

    platform::MessageTarget target_;
    QTimer rebuildTimer_;  // a rebuild that fell into the throttle's pause
    std::unique_ptr<ConfigurationRun> run_;
    // The gateway the run works on; read once the run is over.
    std::shared_ptr<GatewayObjectSettings> runGateway_;
    std::unique_ptr<TrebootForm> progressForm_;
    QPointer<QDialog> runPrompt_;  // the run's open question

    GeneralValues generalShown_;            // the general page as last loaded or stored
    std::optional<ApplyReport> applying_;   // while an apply runs
    std::optional<ApplyReport> runReport_;  // the apply a configuration run finishes
    std::vector<std::pair<const config::TText*, Refused>> notices_;
    StoredText storedPath_;  // of storePathEdit
    config::TSprachenTyp mySprache = config::lang_de;
    config::TSprachenTyp lng_ = config::lang_de;
    bool FErrorFlag = false;
    bool FPwdChanged = false;
    bool hasIPCam = false;
    bool closeAfterRun_ = false;
    bool shown_ = false;
    bool filling_ = false;  // edits are being set by the dialog, not the user
    std::string cameraToDel;
};

}  // namespace oculon::settings::ui
