// The settings dialog as a window (offscreen): its pages and captions, the
// device lists and their throttle, the video-server page from selection to
// a configuration run, the apply's checks, what OK stores from each page,
// the wall's switch, the camera list's menu, the small dialogs; with
// OCULON_SCREENSHOT_DIR set, a picture of each page and small dialog (run it
// under Xvfb with QT_QPA_PLATFORM=xcb).
#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <set>

#include "app/CallDispatch.h"
#include "app/DispatchFakes.h"
#include "devices/Thumbnail.h"
#include "gui/QtTestKit.h"
#include "platform/Registry.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/KonfigUiKit.h"
#include "settings/ui/StringGrid.h"
#include "settings/ui/konfigForm.h"
#include "settings/ui/sonderKonfig.h"
#include "support/ChildProcess.h"
#include "video/TestPictures.h"
#include "video/ui/ueberwachungUnit.h"

using namespace oculon;
using namespace oculon::settings;
using namespace oculon::settings::ui;
using namespace oculon::settings::test;
using namespace oculon::testsupport;
using namespace std::chrono_literals;

namespace {

void type(QLineEdit& edit, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&edit, &press);
    }
}

class Konfig : public ::testing::Test {
protected:
    Konfig() {
        config::sprache = config::lang_en;
        found.add("10.0.0.1", "80", "Door");
        found.add("10.0.0.3", "80", "Cam", config::AxisCam).FManuell = true;
    }
    TkonfigForm& form() {
        if (!form_) {
            links.settings = &settings;
            links.rebootLock = &lock;
            links.discovery = &found;
            links.clock = [this] { return now; };
            links.cgiClient = [this] { return std::make_unique<RecordingCgi>(cgi); };
            links.openWebPage = [this](const std::string& page) { return pages.push_back(page), true; };
            links.settleTime = std::chrono::milliseconds(0);
            links.countdownTick = std::chrono::milliseconds(1);
            form_ = std::make_unique<TkonfigForm>(links);
            form_->show();
        }
        return *form_;
    }
    DeviceListView& list(const char* name) { return child<DeviceListView>(form(), name); }
    QTabWidget& tabs() { return child<QTabWidget>(form(), "KonfigTabs"); }
    // A new dialog, the active window.
    TkonfigForm& activeForm() {
        form_.reset();
        showActive(form());
        return form();
    }
    static void click(QWidget& widget) { press(widget); }
    void click(const char* name) { press(child<QWidget>(form(), name)); }
    void turnTo(int page) {
        test::turnTo(form(), page);
        ASSERT_EQ(tabs().currentIndex(), page);
    }
    // A new dialog: `clicks` on the general page, then OK on `page`.
    void okOn(int page, std::initializer_list<const char*> clicks = {}) {
        activeForm();
        for (const char* name : clicks) click(name);
        turnTo(page);
        click("okButton");
    }
    // The settings as the next start reads them.
    config::TVideoConfig reread() const { return config::TVideoConfig(store); }
    // The gateway search finds one gateway, at 10.0.0.20.
    void oneGateway() {
        links.gateways = [] {
            DS_INFO info{};
            info.pseudo_ip_addr = *devices::strToIp("10.0.0.20");
            return devices::TGatewayList{devices::TGatewayObject(nullptr, info)};
        };
    }
    void post(std::uint32_t id, std::uintptr_t wParam = 0) {
        platform::MainLoop::instance().post(form().handle(), id, wParam);
        pumpFor(30ms);
    }

    std::shared_ptr<platform::MemoryRegistryStore> store = std::make_shared<platform::MemoryRegistryStore>();
    config::TVideoConfig settings{store};
    KonfigLinks links;
    config::TRebootSperre lock;
    test::FakeDiscovery found;
    std::uint32_t now = 100000;
    std::shared_ptr<std::vector<std::string>> cgi = std::make_shared<std::vector<std::string>>();
    std::vector<std::string> pages;
    std::unique_ptr<TkonfigForm> form_;
};

TEST_F(Konfig, PagesAndCaptionsFollowTheChosenLanguage) {
    EXPECT_EQ(form().windowTitle(), "Oculon configuration");
    EXPECT_GE(form().width(), TkonfigForm::kWidth);
    EXPECT_GE(form().height(), TkonfigForm::kHeight);
    // On a screen as small as this one (800 x 600) the pages scroll and the
    // buttons stay on the screen, with room for the window's title bar.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(form().height() + 30 <= screen.height() && form().width() <= screen.width()) << form().height();
    for (const char* button : {"uebernehmenBtn", "okButton", "abbruchButton"})
        EXPECT_TRUE(form().rect().contains(child<QPushButton>(form(), button).geometry())) << button;
    EXPECT_EQ(child<QLabel>(form(), "konfigFormPanel").text(), "  Oculon configuration");
    EXPECT_EQ(tabs().currentIndex(), TkonfigForm::AllgemeinTab);
    EXPECT_TRUE(tabs().isTabVisible(TkonfigForm::ServerTab));
    EXPECT_FALSE(tabs().isTabVisible(TkonfigForm::GatewaysTab));  // no gateway known
    EXPECT_EQ(tabs().tabText(TkonfigForm::TelefonTab), "IP door intecoms");
    EXPECT_EQ(child<QPushButton>(form(), "uebernehmenBtn").text(), "Save configuration");
    EXPECT_TRUE(devices::settingsDialogOpen());

    QComboBox& languages = child<QComboBox>(form(), "sprachBox");
    ASSERT_EQ(languages.count(), 4);
    EXPECT_EQ(languages.itemText(2), "Français");
    EXPECT_EQ(languages.currentIndex(), config::lang_en);
    languages.setCurrentIndex(config::lang_de);
    emit languages.activated(config::lang_de);
    EXPECT_EQ(form().lng(), config::lang_de);
    form().setSprache(config::lang_de);
    EXPECT_EQ(tabs().tabText(TkonfigForm::AllgemeinTab).toStdString(),
              config::text(config::txtCommonSetup, config::lang_de));
    EXPECT_EQ(child<QLabel>(form(), "serverNameLabel").text().toStdString(),
              config::text(config::txtNameOfVideoServer, config::lang_de));

    // The relay link's state colours its lamp.
    post(platform::WM_TCPUPDATEEVENT, 1);
    EXPECT_EQ(child<QLabel>(form(), "Panel6").palette().color(QPalette::Window), QColor(Qt::red));
    post(platform::WM_TCPUPDATEEVENT, 7);
    EXPECT_EQ(child<QLabel>(form(), "Panel6").palette().color(QPalette::Window), QColor(Qt::red));

    form().done(QDialog::Rejected);
    EXPECT_FALSE(devices::settingsDialogOpen());
}

TEST_F(Konfig, ListsRebuildAtMostOncePerFiveSecondsAndCatchUp) {
    EXPECT_EQ(list("ListView1").count(), 1);
    EXPECT_EQ(list("ListView2").count(), 2);
    EXPECT_EQ(list("ListView2").item(1)->text(), "10.0.0.3:80\nCam");
    found.add("10.0.0.2", "80", "Gate");
    now += 4990;
    post(platform::WM_UPDATEEVENT);
    EXPECT_EQ(list("ListView1").count(), 1);
    now += 11;
    EXPECT_TRUE(pumpUntil([&] { return list("ListView1").count() == 2; }, 1s));
    // Without a type-0 server the page goes.
    found.devices.erase(found.devices.begin());
    found.devices.erase(found.devices.begin() + 1);
    now += 5001;
    post(platform::WM_UPDATEEVENT);
    EXPECT_FALSE(tabs().isTabVisible(TkonfigForm::ServerTab));
    EXPECT_FALSE(child<QGroupBox>(form(), "Panel5").isVisible());
}

// The discovery thread ages each device out a minute after it was last
// heard and tells of each with 1026: devices that fell silent together go
// seconds apart, and after the last of them no notice follows. Dropped in
// the pause, that notice would leave its device listed while the dialog is open.
TEST_F(Konfig, TheLastDeviceToVanishLeavesTheListsThoughItsNoticeCameInThePause) {
    ASSERT_EQ(list("ListView2").count(), 2);
    found.devices.erase(found.devices.begin());
    now += 6000;
    post(platform::WM_UPDATEEVENT);
    EXPECT_EQ(list("ListView2").count(), 1);
    found.devices.clear();
    now += 4000;
    post(platform::WM_UPDATEEVENT);
    EXPECT_EQ(list("ListView2").count(), 1);  // rebuilt when the pause ends
    now += 1001;
    EXPECT_TRUE(pumpUntil([&] { return list("ListView2").count() == 0; }, 3s));
}

// Ctrl+Tab, Ctrl+Shift+Tab and the tab bar's arrow keys, from whatever has
// the focus, reach every shown page and never a hidden one; a page that is
// hidden while shown gives way to the general page.
TEST_F(Konfig, TheKeyboardNeverReachesAHiddenPage) {
    QTabWidget& pages = tabs();
    const auto reached = [&](QWidget* (*target)(QTabWidget&), int key, Qt::KeyboardModifiers modifiers) {
        std::set<int> seen{pages.currentIndex()};
        for (int i = 0; i < 2 * pages.count(); ++i) {
            QKeyEvent press(QEvent::KeyPress, key, modifiers);
            QApplication::sendEvent(target(pages), &press);
            seen.insert(pages.currentIndex());
        }
        return seen;
    };
    // A control of the current page that takes the keyboard.
    const auto focused = [](QTabWidget& w) -> QWidget* {
        for (QWidget* c : w.currentWidget()->findChildren<QWidget*>())
            if (c->isEnabled() && c->isVisible() && (c->focusPolicy() & Qt::TabFocus)) return c;
        return w.currentWidget();
    };
    const auto bar = [](QTabWidget& w) -> QWidget* { return w.tabBar(); };
    const auto check = [&](const std::set<int>& shown) {
        EXPECT_EQ(reached(focused, Qt::Key_Tab, Qt::ControlModifier), shown);
        EXPECT_EQ(reached(focused, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier), shown);
        pages.setCurrentIndex(TkonfigForm::AllgemeinTab);
        EXPECT_EQ(reached(bar, Qt::Key_Right, Qt::NoModifier), shown);
        EXPECT_EQ(reached(bar, Qt::Key_Left, Qt::NoModifier), shown);
    };
    using P = TkonfigForm;
    check({P::AllgemeinTab, P::ServerTab, P::TelefonTab, P::ueberwachungTab});

    // The video-server page goes while it is shown.
    pages.setCurrentIndex(P::ServerTab);
    found.devices.erase(found.devices.begin());
    now += 5001;
    post(platform::WM_UPDATEEVENT);
    ASSERT_FALSE(pages.isTabVisible(P::ServerTab));
    EXPECT_EQ(pages.currentIndex(), P::AllgemeinTab);
    check({P::AllgemeinTab, P::TelefonTab, P::ueberwachungTab});

    // Back again, it is reached again, with its controls usable.
    found.add("10.0.0.1", "80", "Door");
    now += 5001;
    post(platform::WM_UPDATEEVENT);
    check({P::AllgemeinTab, P::ServerTab, P::TelefonTab, P::ueberwachungTab});
    EXPECT_TRUE(child<QLineEdit>(form(), "serverNameEdit").isEnabled());
}

TEST_F(Konfig, TheWallsAnswerStoresTheChosenLayoutAgain) {
    settings.schreibeSurveillance(true);
    settings.schreibeLayout(config::r3x2);
    form();
    settings.schreibeLayout(config::r2x2);  // behind the page's back
    post(platform::WMSURVEILLANCESINGLEACCEPTED);
    EXPECT_EQ(settings.survLayout(), config::r3x2);
}

// After the save the page shows the renamed station as saved, so that a save
// that changes nothing asks for nothing and sends only the fixed requests.
TEST_F(Konfig, SelectedServerIsRenamedOnTheDeviceAndStored) {
    devices::ServerFields& door = found.devices[0].fields;
    std::tie(door.FAuthorization, door.FUserName, door.FPasswort) = std::tuple(true, "door", "pw");
    settings.addConfig(station("Door", config::KorvatServer, "10.0.0.1"));
    BoxAnswerer ok(QMessageBox::Ok);
    activeForm();
    turnTo(TkonfigForm::ServerTab);
    DeviceListView& servers = list("ListView1");
    clickCell(servers, 0);
    QLineEdit& name = child<QLineEdit>(form(), "serverNameEdit");
    EXPECT_EQ(name.text(), "Door");
    EXPECT_EQ(child<QLineEdit>(form(), "serverPortEdit").text(), "80");
    EXPECT_TRUE(child<QPushButton>(form(), "delConfigBtn").isEnabled());
    retype(name, "Door t");
    QTest::sendKeyEvent(QTest::Click, &name, Qt::Key_unknown, QStringLiteral("ü"), Qt::NoModifier);
    QTest::keyClick(&name, Qt::Key_R);
    EXPECT_EQ(name.text(), "Door_tuer");
    EXPECT_EQ(name.cursorPosition(), 9);

    click("uebernehmenBtn");
    EXPECT_TRUE(form().running());
    EXPECT_FALSE(child<QPushButton>(form(), "okButton").isEnabled());
    ASSERT_TRUE(pumpUntil([&] { return !form().running(); }));
    EXPECT_TRUE(child<QPushButton>(form(), "okButton").isEnabled());
    EXPECT_FALSE(form().errorFlag());
    EXPECT_EQ(cgi->back(), "/SetIP.cgi?CameraName=Door_tuer");
    ASSERT_TRUE(settings.getConfigByName("Door_tuer"));
    EXPECT_TRUE(reloadSelectedServer);
    EXPECT_EQ(child<QLineEdit>(form(), "passEdit").text() + child<QLineEdit>(form(), "passConfirmEdit").text(), "");
    cgi->clear();
    click("uebernehmenBtn");
    ASSERT_TRUE(pumpUntil([&] { return !form().running(); }));
    EXPECT_EQ(cgi->size(), 3u);
    now += 6000;
    post(platform::WM_UPDATEEVENT);
    EXPECT_EQ(servers.selectedCaption(), "10.0.0.1:80\r\nDoor_tuer");

    // A new port is confirmed; the device restarts while picture fetches wait.
    retype(child<QLineEdit>(form(), "serverPortEdit"), "8080");
    click("uebernehmenBtn");
    ASSERT_TRUE(pumpUntil([&] { return lock.bblocked(); }));
    ASSERT_TRUE(pumpUntil([&] { return !form().running(); }));
    EXPECT_EQ(ok.texts, (std::vector<std::string>{"The videoserver is being rebooted."}));
    EXPECT_FALSE(lock.bblocked());
    EXPECT_EQ(cgi->back(), "/Reboot.cgi?RebootNow=1");

    // A password longer than the server keeps is told before anything is
    // sent, not cut short.
    cgi->clear();
    ok.texts.clear();
    const QString longer(21, 'x');
    retype(child<QLineEdit>(form(), "passEdit"), longer);
    retype(child<QLineEdit>(form(), "passConfirmEdit"), longer);
    EXPECT_EQ(child<QLineEdit>(form(), "passEdit").text(), longer);
    click("uebernehmenBtn");
    EXPECT_EQ(ok.texts, (std::vector<std::string>{
                            "On the page \"Videoserver setup\":\nThe user name and the password may each have at most "
                            "20 characters: the video server would cut them short.\n\nChanges not saved: Videoserver "
                            "setup."}));
    EXPECT_TRUE(cgi->empty());
}

TEST_F(Konfig, AFailedApplyKeepsOkFromClosingButCancelCloses) {
    BoxAnswerer boxes(QMessageBox::Ok);
    type(child<QLineEdit>(form(), "AdminPassEdit"), "one");
    type(child<QLineEdit>(form(), "AdminPassConfirmEdit"), "two");
    child<QPushButton>(form(), "okButton").click();
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(
        boxes.texts[0],
        "On the page \"Common setup\":\nPlease enter the same password two times.\n\nChanges not saved: Common setup.");
    EXPECT_TRUE(form().isVisible());
    EXPECT_TRUE(form().errorFlag());
    EXPECT_TRUE(settings.authenticate(""));
    child<QPushButton>(form(), "abbruchButton").click();
    EXPECT_FALSE(form().isVisible());

    // Cancelling the folder choice keeps the path.
    form_.reset();
    settings.schreibeStoreFirstPict(true);
    settings.schreibeFirstPictPath("/kept/");
    showActive(form());
    QTest::mouseClick(&child<QPushButton>(form(), "selectDir"), Qt::LeftButton);
    QWidget* chooser = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (chooser = QApplication::activeModalWidget()) && chooser->isActiveWindow(); }));
    QTest::keyClick(chooser, Qt::Key_Escape);
    ASSERT_TRUE(pumpUntil([&] { return QApplication::activeModalWidget() == nullptr; }));
    EXPECT_EQ(child<QLineEdit>(form(), "storePathEdit").text(), "/kept/");
    child<QPushButton>(form(), "okButton").click();
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(settings.firstPictpath(), "/kept/");
}

// A user who changes the general page and looks at another page before OK
// or "Save configuration" keeps the change, with the general page's checks;
// the video server's edits still go to the device only from its own pages.
TEST_F(Konfig, TheGeneralPagesChangeIsStoredWhicheverPageShowsAtOkOrSave) {
    const auto storedVideo = [this] { return reread().storeVideo(); };
    for (const char* button : {"okButton", "uebernehmenBtn"}) {
        for (const int page : {TkonfigForm::ServerTab, TkonfigForm::TelefonTab, TkonfigForm::ueberwachungTab}) {
            SCOPED_TRACE(std::string(button) + " on page " + std::to_string(page));
            settings.schreibeStoreVideo(false);
            TkonfigForm& dialog = activeForm();
            click(child<QCheckBox>(dialog, "storeVideo"));
            turnTo(page);
            click(child<QPushButton>(dialog, button));
            EXPECT_TRUE(storedVideo());
            EXPECT_EQ(dialog.isVisible(), button != std::string("okButton"));
        }
    }

    // Unequal passwords keep the dialog open on the wall page, and say why.
    BoxAnswerer boxes(QMessageBox::Ok);
    TkonfigForm& dialog = activeForm();
    QTest::keyClicks(&child<QLineEdit>(dialog, "AdminPassEdit"), "one");
    QTest::keyClicks(&child<QLineEdit>(dialog, "AdminPassConfirmEdit"), "two");
    turnTo(TkonfigForm::ueberwachungTab);
    click(child<QPushButton>(dialog, "okButton"));
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"On the page \"Common setup\":\n"
                                                     "Please enter the same password two times.\n\n"
                                                     "Changes not saved: Common setup."}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(settings.authenticate(""));

    // A new name for the selected server, or a new gateway address (which the
    // search's next round leaves alone), left for another page: the general
    // page's change is stored, nothing goes out, the dialog says so, stays open.
    oneGateway();
    for (const auto& [edited, page] : {std::pair{TkonfigForm::ServerTab, TkonfigForm::ueberwachungTab},
                                       {TkonfigForm::GatewaysTab, TkonfigForm::TelefonTab}}) {
        SCOPED_TRACE(std::to_string(edited) + " left for page " + std::to_string(page));
        boxes.texts.clear();
        settings.schreibeStoreVideo(false);
        activeForm();
        turnTo(edited);
        const bool server = edited == TkonfigForm::ServerTab;
        if (server) clickCell(list("ListView1"), 0);
        else clickCell(child<StringGrid>(form(), "MoxaGrid"), 0);
        QLineEdit& field = child<QLineEdit>(form(), server ? "serverNameEdit" : "moxaIPEdit");
        ASSERT_EQ(field.text(), server ? "Door" : "10.0.0.20");
        retype(field, "Hof");
        post(platform::WM_MOXAEVENT);
        turnTo(TkonfigForm::AllgemeinTab);
        click(child<QCheckBox>(form(), "storeVideo"));
        turnTo(page);
        click(child<QPushButton>(form(), "okButton"));
        EXPECT_TRUE(form().isVisible());
        EXPECT_FALSE(form().running());
        EXPECT_EQ(boxes.texts,
                  (std::vector<std::string>{config::text(config::txtServerChangesNotSent, config::lang_en) +
                                            "\n\nChanges saved: Common setup.\nChanges not saved: " +
                                            (server ? "Videoserver setup." : "Gateways.")}));
        EXPECT_EQ(field.text(), "Hof");
        EXPECT_TRUE(storedVideo());
        EXPECT_TRUE(cgi->empty());
        EXPECT_EQ(settings.Count(), 0);
    }
}

// "No" to deleting the password keeps it; the other changes are stored all
// the same, on whichever page OK is pressed.
TEST_F(Konfig, NoToDeletingThePasswordKeepsItAndStoresTheRest) {
    BoxAnswerer no(QMessageBox::No);
    for (const int page : {TkonfigForm::AllgemeinTab, TkonfigForm::TelefonTab, TkonfigForm::ueberwachungTab}) {
        SCOPED_TRACE(page);
        settings.storePasswd("admin");
        settings.schreibeStoreVideo(false);
        okOn(page, {"delAdminPass", "storeVideo"});
        EXPECT_FALSE(form().isVisible());
        EXPECT_FALSE(reread().authenticate(""));
        EXPECT_TRUE(reread().storeVideo());
    }
    EXPECT_EQ(no.texts, std::vector<std::string>(3, "Should the password been deleted?"));
}

// The dialog shows what is stored: "Allow Save picture" after an OK in the
// same run, and a picture path that is no UTF-8, whose bytes an OK that
// changes something else keeps.
TEST_F(Konfig, AnOkThatLeavesAValueAloneWritesItBackUnchanged) {
    testsupport::TempDir dir;
    const std::string path = dir.path() + "/Bilder\xE4\xFF/";
    settings.schreibeFirstPictPath(path);
    okOn(TkonfigForm::AllgemeinTab, {"allowCapture"});
    activeForm();
    EXPECT_TRUE(child<QCheckBox>(form(), "allowCapture").isChecked());
    click("captureFirst");
    click("okButton");
    EXPECT_TRUE(reread().liesAllowConfig2() && reread().storeFirstPict());
    EXPECT_EQ(reread().firstPictpath(), path);
}

// After the language is switched, the dialog and its prompts speak the
// chosen one at once; the program takes it, and its other windows are told
// to follow, only once an apply stored all it was given.
TEST_F(Konfig, AfterALanguageSwitchTheDialogAndItsPromptsSpeakIt) {
    int told = 0;
    links.languageChanged = [&] { ++told; };
    BoxAnswerer boxes(QMessageBox::Ok);
    activeForm();
    QTest::keyClick(&child<QComboBox>(form(), "sprachBox"), Qt::Key_Down);  // English to French
    QTest::keyClicks(&child<QLineEdit>(form(), "AdminPassEdit"), "one");
    QTest::keyClicks(&child<QLineEdit>(form(), "AdminPassConfirmEdit"), "two");
    click("uebernehmenBtn");
    const auto french = [](const config::TText& text) { return config::text(text, config::lang_fr); };
    EXPECT_EQ(boxes.texts,
              (std::vector<std::string>{"Sur la page « Paramètres généraux » :\n" +
                                        french(config::txtEnterSamePasswordTwoTimes) + "\n\n" +
                                        french(config::txtChangesNotSaved) + " Langue, Paramètres généraux."}));
    EXPECT_EQ(form().windowTitle().toStdString(), french(config::txtOculonConfiguration));
    config::TSprachenTyp stored = config::lang_en;
    EXPECT_EQ(std::tuple(config::sprache, told, reread().liesSprache(stored)), std::tuple(config::lang_en, 0, false));
    retype(child<QLineEdit>(form(), "AdminPassConfirmEdit"), "one");
    click("uebernehmenBtn");
    EXPECT_EQ(std::tuple(config::sprache, told, reread().liesSprache(stored), stored),
              std::tuple(config::lang_fr, 1, true, config::lang_fr));
}

// The dialog with a wall that it opens and closes as the tray form does.
class KonfigWithWall : public Konfig {
protected:
    KonfigWithWall() {
        config::TSingleConfig station;
        station.Name = "Door";
        settings.addConfig(station);
        app::CallDispatch::Parts parts;
        parts.settings = &settings;
        parts.popup = &popup;
        parts.factory = &factory;
        dispatch = std::make_unique<app::CallDispatch>(std::move(parts));
        links.wall = [this] { return wall.get(); };
        links.switchWall = [this](bool on) { switchWall(on); };
    }
    ~KonfigWithWall() override {
        form_.reset();
        switchWall(false);
    }
    // As the tray form does: the dispatch shows door calls in the wall it has.
    void switchWall(bool on) {
        if (wall) {
            wall->erlaubeSchliessen();
            wall->close();
        }
        wall = on ? std::make_unique<video::ui::TueberwachungForm>(settings) : nullptr;
        if (wall) wall->show();
        dispatch->setWall(wall ? &door : nullptr);
    }
    // The station calls: whether a window shows it.
    bool callShown() {
        popup.stopVideo();
        door.stopDoorVideo();
        auto probe = app::testing::discovered("Door", "10.0.0.1");
        probe->success = true;
        probe->strom = video::test::jpegOf(video::test::kWhite);
        dispatch->serverProbed(std::move(probe));
        return popup.visible() || door.doorVisible();
    }

    app::testing::FakeWindow popup;
    app::testing::FakeFactory factory;
    app::testing::FakeWall door;
    std::unique_ptr<app::CallDispatch> dispatch;
    std::unique_ptr<video::ui::TueberwachungForm> wall;
};

// However the dialog is left after the wall was switched on or off, the
// stored switch and the wall agree, and the next door call comes up; the
// switch keeps the keyboard after its click.
TEST_F(KonfigWithWall, TheWallAndItsStoredSwitchAgreeHoweverTheDialogIsLeft) {
    for (const bool wasOn : {true, false}) {
        // Left by Cancel or Escape (no button) on the wall page, or by OK on the general page.
        for (const auto& [page, button] : {std::pair<int, const char*>{TkonfigForm::ueberwachungTab, "abbruchButton"},
                                           {TkonfigForm::ueberwachungTab, nullptr},
                                           {TkonfigForm::AllgemeinTab, "okButton"}}) {
            SCOPED_TRACE(std::string(wasOn ? "was on, " : "was off, ") + (button ? button : "Escape"));
            settings.schreibeSurveillance(wasOn);
            switchWall(wasOn);
            activeForm();
            turnTo(TkonfigForm::ueberwachungTab);
            click("ueberwachungAktiv");
            form().activateWindow();  // back from the wall that opened
            ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
            EXPECT_TRUE(child<QWidget>(form(), "ueberwachungAktiv").hasFocus());
            turnTo(page);
            button ? click(button) : QTest::keyClick(&form(), Qt::Key_Escape);
            EXPECT_FALSE(form().isVisible());
            EXPECT_EQ(reread().surveillance(), !wasOn);
            EXPECT_EQ(wall != nullptr, !wasOn);
            EXPECT_TRUE(callShown());
        }
    }
    // Stored on without a wall (as an older version left it): OK on the
    // surveillance page brings the wall back.
    switchWall(false);
    settings.schreibeSurveillance(true);
    okOn(TkonfigForm::ueberwachungTab);
    EXPECT_TRUE(wall);
}

TEST_F(Konfig, DeletingTheStationOfTheServerOrTheWholeConfigurationWhichEndsTheProgram) {
    config::TSingleConfig station;
    station.Name = "Door";
    settings.addConfig(station);
    int endProgram = 0;
    platform::MessageTarget mainForm([&](platform::Message& m) { endProgram += m.id == platform::WM_ENDPROGRAM; });
    links.mainHandle = mainForm.id();
    list("ListView1").setCurrentRow(0);
    QPushButton& deleteStation = child<QPushButton>(form(), "delConfigBtn");
    ASSERT_TRUE(deleteStation.isEnabled());
    deleteStation.click();
    EXPECT_FALSE(settings.getConfigByName("Door"));
    EXPECT_FALSE(deleteStation.isEnabled());
    EXPECT_TRUE(reloadSelectedServer);

    BoxAnswerer yes(QMessageBox::Yes);
    settings.schreibeID("42");
    child<QPushButton>(form(), "konfigKplLoeschenBtn").click();
    pumpFor(30ms);
    EXPECT_EQ(yes.texts.size(), 1u);
    EXPECT_EQ(endProgram, 1);
    config::TVideoConfig reread(store);
    std::vector<std::string> ids;
    EXPECT_FALSE(reread.liesID(ids));
}

TEST_F(Konfig, CameraMenuFollowsTheEntryAndOpensTheWebPage) {
    DeviceListView& cameras = list("ListView2");
    cameras.setCurrentRow(1);
    emit cameras.customContextMenuRequested(QPoint(5, 5));
    auto& menu = child<QMenu>(form(), "PopupMenu3");
    EXPECT_TRUE(child<QAction>(form(), "kameraEntfernen").isEnabled());
    EXPECT_EQ(child<QAction>(form(), "kameraEntfernen").text(), "Delete entry: 10.0.0.3:80");
    menu.hide();
    cameras.setCurrentRow(0);
    emit cameras.customContextMenuRequested(QPoint(5, 5));
    EXPECT_FALSE(child<QAction>(form(), "kameraUmbenennen1").isEnabled());
    menu.hide();
    emit cameras.itemDoubleClicked(cameras.item(0));
    EXPECT_EQ(pages, (std::vector<std::string>{"http://10.0.0.1:80/"}));
}

TEST_F(Konfig, SmallDialogsCheckTheirEntriesAndTheCountdownCannotBeCut) {
    BoxAnswerer boxes(QMessageBox::Ok);
    TneueKamera add([this](const NewCamera& c) { return checkNewCamera(c, settings, &found); });
    add.show();
    EXPECT_EQ(add.kameraTypBox.count(), 9);
    EXPECT_FALSE(add.pathEdit.isVisible());
    add.kameraTypBox.setCurrentIndex(8);
    EXPECT_TRUE(add.pathEdit.isVisible());
    add.kameraNameEdit.setText("Gate");
    add.KameraIPEdit.setText("10.0.0.3");
    add.KameraPortEdit.setText("80");
    add.done(config::ui::mrOK);
    EXPECT_TRUE(add.isVisible());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Camera not could not be added\nA camera with the given IP-address already exists.");
    add.KameraPortEdit.setText("81");
    add.done(config::ui::mrOK);
    EXPECT_FALSE(add.isVisible());

    TextPrompt name(TextPrompt::Kind::name);
    name.isCamera = true;
    name.station = "Cam";
    name.show();
    EXPECT_EQ(child<QLabel>(name, "adminPassPanel").text(), "  Enter name: Cam");
    EXPECT_EQ(child<QLabel>(name, "adminpass").text(), "Please enter a name for the camera:");

    TrebootForm wait(nullptr, std::make_unique<RebootHold>(&lock), std::chrono::milliseconds(5));
    EXPECT_TRUE(lock.bblocked());
    wait.show();
    EXPECT_EQ(wait.seconds().text(), "30");
    wait.close();
    wait.reject();
    EXPECT_TRUE(wait.isVisible());
    ASSERT_TRUE(pumpUntil([&] { return !wait.isVisible(); }));
    EXPECT_FALSE(lock.bblocked());
}

// Pictures of every page and small dialog for a person to look at.
// A 4:3 camera picture as the discovery makes it a preview: filling the
// square from the top, black below.
std::shared_ptr<const video::Image> devicePreview(std::uint8_t grey) {
    video::Image picture;
    picture.reshape(640, 480, video::PixelFormat::Bgrx32);
    std::fill(picture.pixels.begin(), picture.pixels.end(), grey);
    return std::make_shared<video::Image>(devices::makeThumbnail(picture, 110, 0));
}

TEST(DeviceThumbnails, ShowThePictureOnTheSquaresLowerEdgeWithoutTheBlackBand) {
    DeviceListView view(nullptr, "ListView1", false);
    view.fill(
        {{"10.0.0.1:80", "10.0.0.1:80\r\nDoor", devicePreview(200)}, {"10.0.0.2:80", "10.0.0.2:80\r\nGate", nullptr}},
        -1);
    const QImage shown = view.item(0)->icon().pixmap(110, 110).toImage();
    ASSERT_EQ(shown.size(), QSize(110, 110));
    // About 110 x 83 of picture, and free room above it; no row is black.
    int top = 0;
    while (top < 110 && qAlpha(shown.pixel(55, top)) == 0) ++top;
    EXPECT_NEAR(top, 27, 1);
    for (int y = top; y < 110; ++y) EXPECT_EQ(shown.pixel(55, y), qRgb(200, 200, 200)) << "row " << y;
    // No picture: the black square.
    EXPECT_EQ(view.item(1)->icon().pixmap(110, 110).toImage().pixel(55, 109), qRgb(0, 0, 0));

    // An idle station's black picture with its check mark: the same 4:3
    // shape, black, not a strip as high as the mark.
    video::Image black;
    black.reshape(640, 480, video::PixelFormat::Bgrx32);
    std::fill(black.pixels.begin(), black.pixels.end(), 0);
    auto idle = std::make_shared<video::Image>(devices::makeThumbnail(black, 128, 0));
    devices::drawMarks(*idle, false);
    view.fill({{"10.0.0.1:80", "10.0.0.1:80\r\nDoor", idle}}, -1);
    const QImage idleShown = view.item(0)->icon().pixmap(110, 110).toImage();
    int idleTop = 0;
    while (idleTop < 110 && qAlpha(idleShown.pixel(100, idleTop)) == 0) ++idleTop;
    EXPECT_NEAR(idleTop, 27, 1);
    for (int y = idleTop; y < 110; ++y) EXPECT_EQ(idleShown.pixel(100, y), qRgb(0, 0, 0)) << "row " << y;
}

TEST_F(Konfig, TabGoesThroughTheButtonsInTheirOrderOnTheScreen) {
    std::vector<std::string> buttons;
    QWidget* w = &form();
    do {
        w = w->nextInFocusChain();
        if (qobject_cast<QPushButton*>(w) && w->parent() == &form()) buttons.push_back(w->objectName().toStdString());
    } while (w != &form());
    EXPECT_EQ(buttons, (std::vector<std::string>{"uebernehmenBtn", "okButton", "abbruchButton"}));
}

TEST_F(Konfig, Screenshots) {
    if (!screenshotsWanted()) GTEST_SKIP() << "OCULON_SCREENSHOT_DIR not set";
    // Pages with something in them: a gateway, an intercom with its camera,
    // a wall with a camera on its big tile.
    oneGateway();
    found.addPhone("10.0.0.50", "Haus");
    found.devices.front().picture = devicePreview(160);
    config::TSingleConfig station;
    station.Name = "Cam";
    station.Ip = "10.0.0.3";
    station.Port = "80";
    station.typ = config::AxisCam;
    station.telefonIP = "10.0.0.50";
    station.telefonName = "Haus";
    settings.addConfig(station);
    settings.schreibeSurveillance(true);
    settings.schreibeLayout(config::r3x3G);
    config::TSurveillanceConfig wallCamera;
    wallCamera.name = "Einfahrt";
    settings.putSurvConfig("0", wallCamera);
    for (const auto language : {config::lang_de, config::lang_en, config::lang_fr, config::lang_nl}) {
        config::sprache = language;
        form_.reset();
        const QString suffix = "-" + QString::number(language);
        list("ListView2").setCurrentRow(1);
        for (int page : {0, 1, 2, 3, 4}) {
            tabs().setCurrentIndex(page);
            screenshot(form(), "konfig-page" + QString::number(page) + suffix);
        }
        TsonderKonfig special("10.0.0.50", "");
        special.show();
        screenshot(special, "sonderKonfig" + suffix);
        TneueKamera add({});
        add.show();
        screenshot(add, "neueKamera" + suffix);
        for (auto kind : {TextPrompt::Kind::name, TextPrompt::Kind::path}) {
            TextPrompt prompt(kind);
            prompt.station = "Door";
            prompt.show();
            screenshot(prompt, (kind == TextPrompt::Kind::name ? "name" : "path") + suffix);
        }
        TrebootForm progress(nullptr, nullptr);
        progress.advance(40);
        progress.show();
        screenshot(progress, "progress" + suffix);
        TrebootForm countdown(nullptr, std::make_unique<RebootHold>(nullptr));
        countdown.show();
        screenshot(countdown, "countdown" + suffix);
    }
}

}  // namespace
