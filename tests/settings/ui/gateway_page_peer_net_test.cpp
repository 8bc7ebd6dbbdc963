// The gateway page against a simulated gateway (tools/simgateway) in the
// second host, found by the real gateway search through the program's own
// library: the video-output radios and the wiring test reach the gateway as
// command frames through the program's command channel (which stops
// repeating once the gateway echoes), the wiring test names the gateway
// after the server whose picture followed its switching, and the apply
// gives the gateway its new name, password and netmask.
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "app/CommandChannel.h"
#include "devices/NeciResource.h"
#include "devices/moxaGWSuche.h"
#include "gui/QtTestKit.h"
#include "platform/Registry.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/KonfigUiKit.h"
#include "settings/ui/StringGrid.h"
#include "settings/ui/konfigForm.h"
#include "support/SimDevice.h"

using namespace oculon;
using namespace oculon::settings;
using namespace oculon::settings::test;
using namespace oculon::testsupport;
using namespace std::chrono_literals;

namespace {

// The simulated gateway "Tor" in the second host.
testsupport::SimDevice gatewayTor(std::vector<std::string> more = {}) {
    more.insert(more.begin(), {"--name", "Tor", "--ip", testsupport::kDeviceAddress, "--netmask", "255.255.255.0",
                               "--gateway", "10.77.0.254"});
    return testsupport::SimDevice("simgateway", more);
}

// The gateway search through the program's own library, written to `dir`.
std::unique_ptr<devices::moxaThread> gatewaySearch(platform::TargetId mainForm, const testsupport::TempDir& dir) {
    return std::make_unique<devices::moxaThread>(
        mainForm, devices::NeciLibrary::load(dir.path() + "/NECI_SDK.dll", devices::neciResource()), 500ms);
}

// The dialog shown, with the main form's gateway search and one video server.
struct GatewayDialog {
    GatewayDialog(const std::string& server, const std::vector<std::string>& behaviour)
        : gateway(gatewayTor(behaviour)) {
        config::sprache = config::lang_en;
        found.add("10.77.0.9", "80", server);
        ui::KonfigLinks links;
        links.settings = &settings;
        links.discovery = &found;
        links.gateways = [this] { return search->gateways(); };
        links.cgiClient = [] { return std::make_unique<RecordingCgi>(std::make_shared<std::vector<std::string>>()); };
        links.settleTime = 0ms;
        dialog = std::make_unique<ui::TkonfigForm>(links);
        showActive(*dialog);
        search->Start();
    }
    ~GatewayDialog() {
        dialog.reset();
        EXPECT_TRUE(platform::stopAndFree(std::move(search), 10s));
    }

    testsupport::TempDir dir;
    testsupport::SimDevice gateway;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    std::unique_ptr<ui::TkonfigForm> dialog;
    int searches = 0;
    platform::MessageTarget mainForm{[this](platform::Message& m) {
        if (m.id != platform::WM_MOXAEVENT || !dialog) return;
        ++searches;
        platform::MainLoop::instance().post(dialog->handle(), platform::WM_MOXAEVENT);
    }};
    std::unique_ptr<devices::moxaThread> search = gatewaySearch(mainForm.id(), dir);
    FakeDiscovery found;
};

}  // namespace

TEST(GatewayPagePeer, FramesAndSettersReachTheGateway) {
    config::sprache = config::lang_en;
    testsupport::TempDir dir;
    testsupport::SimDevice gateway = gatewayTor();
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};

    // The main form's part: the command channel, and the gateway search whose
    // news goes on to the dialog.
    app::CommandChannel channel({});
    ASSERT_TRUE(channel.setListening(true));
    std::unique_ptr<ui::TkonfigForm> dialog;
    int searches = 0;
    platform::MessageTarget mainForm([&](platform::Message& m) {
        if (m.id != platform::WM_MOXAEVENT || !dialog) return;
        ++searches;
        platform::MainLoop::instance().post(dialog->handle(), platform::WM_MOXAEVENT);
    });
    auto search = gatewaySearch(mainForm.id(), dir);

    // The video server behind the gateway: its picture follows the wiring
    // test's switching.
    FakeDiscovery found;
    found.add("10.77.0.8", "80", "Tor");  // named as the gateway it sits behind
    devices::ServerFields& wired = found.add("10.77.0.9", "80", "Einfahrt");
    std::vector<std::string> frames;
    ui::KonfigLinks links;
    links.settings = &settings;
    links.discovery = &found;
    links.gateways = [&] { return search->gateways(); };
    links.sendFunction = [&, send = channel.sendFunction()](const std::string& frame, const std::string& host) {
        frames.push_back(frame);
        if (frame.size() == 4 && frame[1] == 'V') wired.FHasPict = frame[2] == 2;
        send(frame, host);
    };
    links.wiringWait = 300ms;
    auto cgi = std::make_shared<std::vector<std::string>>();
    links.cgiClient = [cgi] { return std::make_unique<RecordingCgi>(cgi); };
    links.settleTime = 0ms;
    dialog = std::make_unique<ui::TkonfigForm>(links);
    dialog->show();
    search->Start();

    auto& tabs = child<QTabWidget>(*dialog, "KonfigTabs");
    auto& grid = child<ui::StringGrid>(*dialog, "MoxaGrid");
    ASSERT_TRUE(pumpUntil([&] { return grid.rowCount() == 1 && grid.text(0, 1) == "Tor"; }, 20s));
    EXPECT_TRUE(tabs.isTabVisible(ui::TkonfigForm::GatewaysTab));
    EXPECT_EQ(grid.text(0, 0), testsupport::kDeviceAddress);
    EXPECT_EQ(grid.text(0, 3), "255.255.255.0");

    // Choosing the server "Tor" chooses the gateway of that name.
    auto& servers = child<QListWidget>(*dialog, "ListView1");
    ASSERT_EQ(servers.count(), 2);
    const auto chooseServer = [&](const QString& caption) {
        servers.setCurrentItem(servers.findItems(caption, Qt::MatchExactly).value(0));
    };
    chooseServer("10.77.0.8:80\nTor");
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_EQ(child<QLineEdit>(*dialog, "moxaName").text(), "Tor");
    EXPECT_EQ(child<QLineEdit>(*dialog, "moxaIPEdit").text(), testsupport::kDeviceAddress);
    // Another server: the gateway grid's refills leave the user's choice.
    chooseServer("10.77.0.9:80\nEinfahrt");
    const int seen = searches;
    ASSERT_TRUE(pumpUntil([&] { return searches >= seen + 2; }, 10s));
    EXPECT_EQ(child<QLineEdit>(*dialog, "serverNameEdit").text(), "Einfahrt");
    tabs.setCurrentIndex(ui::TkonfigForm::GatewaysTab);

    // Each video-output frame reaches the gateway once: its echo stops the repeats.
    child<QRadioButton>(*dialog, "videoEinRadio").click();
    ASSERT_TRUE(gateway.waitFor("echo", "1F76026B"));
    ASSERT_TRUE(pumpUntil([&] { return !channel.commandSender().pending(); }));
    child<QRadioButton>(*dialog, "videoAnrufRadio").click();
    ASSERT_TRUE(gateway.waitFor("echo", "1F76036A"));
    ASSERT_TRUE(pumpUntil([&] { return !channel.commandSender().pending(); }));
    EXPECT_LT(channel.commandSender().sends(), 11);

    // The wiring test: picture off, on, off, then video during a call.
    auto& testButton = child<QPushButton>(*dialog, "testButton");
    testButton.click();
    EXPECT_FALSE(testButton.isEnabled());
    EXPECT_TRUE(child<QLabel>(*dialog, "wartenLabel").isVisible());
    screenshot(*dialog, "gatewayPage-wiring");
    ASSERT_TRUE(pumpUntil([&] { return testButton.isEnabled(); }, 10s));
    EXPECT_EQ(frames, (std::vector<std::string>{"\x1Fv\x02\x6B", "\x1Fv\x03\x6A", "\x1FV\x01\x48", "\x1FV\x02\x4B",
                                                "\x1FV\x01\x48", "\x1Fv\x03\x6A"}));
    for (const char* hex : {"1F560148", "1F56024B", "1F76036A"}) EXPECT_TRUE(gateway.waitFor("command", hex)) << hex;
    EXPECT_EQ(child<QProgressBar>(*dialog, "serverBar").value(), 100);
    EXPECT_EQ(child<QLineEdit>(*dialog, "moxaName").text(), "Einfahrt");
    EXPECT_EQ(child<QLineEdit>(*dialog, "serverNameEdit").text(), "Einfahrt");

    // The apply: the gateway takes the wired server's name, a password and
    // another netmask, each saved by the gateway.
    child<QCheckBox>(*dialog, "moxaUsePass").click();
    child<QLineEdit>(*dialog, "moxaPassEdit").setText("neu");
    child<QLineEdit>(*dialog, "moxaPassConfirm").setText("neu");
    child<QLineEdit>(*dialog, "moxaSubnetEdit").setText("255.255.0.0");
    screenshot(*dialog, "gatewayPage-edits");
    tabs.setCurrentIndex(ui::TkonfigForm::ServerTab);
    child<QPushButton>(*dialog, "uebernehmenBtn").click();
    ASSERT_TRUE(pumpUntil([&] { return !dialog->running(); }, 20s));
    EXPECT_FALSE(dialog->errorFlag());
    // One save holds them all.
    EXPECT_TRUE(gateway.waitFor("saved",
                                "name=Einfahrt ip=10.77.0.2 netmask=255.255.0.0 gateway=10.77.0.254 dhcp=0 "
                                "password=neu"));
    const auto station = settings.getConfigByName("Einfahrt");
    ASSERT_TRUE(station);
    EXPECT_TRUE(station->moxa && station->moxaNeedCred);
    EXPECT_EQ(station->moxaPass, "neu");

    dialog.reset();
    EXPECT_TRUE(platform::stopAndFree(std::move(search), 10s));
}

// The gateway page's save from the user's side: with no video server
// selected it says it saves nothing; with one, all the new values reach the
// gateway with one restart.
TEST(GatewayPagePeer, SaveSaysWhenItSavesNothingAndRestartsTheGatewayOnce) {
    GatewayDialog d("Einfahrt", {});
    auto& dialog = d.dialog;
    auto& grid = child<ui::StringGrid>(*dialog, "MoxaGrid");
    ASSERT_TRUE(pumpUntil([&] { return grid.rowCount() == 1; }, 20s));
    turnTo(*dialog, ui::TkonfigForm::GatewaysTab);
    clickCell(grid, 0);
    auto& save = child<QPushButton>(*dialog, "uebernehmenBtn");
    EXPECT_EQ(pressAndRead(save),
              "On the page \"Gateways\":\nThe gateway's settings are saved together with those of the videoserver "
              "behind it, and no videoserver is selected.");

    // The server behind it, chosen by hand on its own page.
    turnTo(*dialog, ui::TkonfigForm::ServerTab);
    clickCell(child<QListWidget>(*dialog, "ListView1"), 0);
    turnTo(*dialog, ui::TkonfigForm::GatewaysTab);
    retype(child<QLineEdit>(*dialog, "moxaIPEdit"), "10.77.0.2");
    retype(child<QLineEdit>(*dialog, "moxaGatewayEdit"), "10.77.0.1");
    retype(child<QLineEdit>(*dialog, "moxaSubnetEdit"), "255.255.0.0");
    press(save);
    ASSERT_TRUE(pumpUntil([&] { return !dialog->running(); }, 20s));
    EXPECT_TRUE(d.gateway.waitFor("saved", "netmask=255.255.0.0 gateway=10.77.0.1 dhcp=0 password= restarts=1"));
    EXPECT_FALSE(d.gateway.waitFor("saved", "restarts=2", 500ms));
}

// A gateway that restarts unconfirmed and never comes back: the wait names it and
// can be left by its Cancel or by Escape (the wait the user's click opened has the
// keyboard; in the dialog under it Escape is the same Cancel), the dialog keeps its
// pages meanwhile and stays, the last message says what was saved.
TEST(GatewayPagePeer, TheWaitForAGatewayThatRestartsCanBeLeft) {
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        GatewayDialog d("Tor", {"--restart-unanswered", "-1"});
        ui::TkonfigForm& dialog = *d.dialog;
        ASSERT_TRUE(pumpUntil([&] { return child<ui::StringGrid>(dialog, "MoxaGrid").rowCount() == 1; }, 20s));
        turnTo(dialog, ui::TkonfigForm::ServerTab);
        clickCell(child<QListWidget>(dialog, "ListView1"), 0);
        turnTo(dialog, ui::TkonfigForm::GatewaysTab);
        retype(child<QLineEdit>(dialog, "moxaSubnetEdit"), "255.255.0.0");
        press(child<QPushButton>(dialog, "uebernehmenBtn"));
        EXPECT_TRUE(pumpUntil([] { return qobject_cast<ui::TrebootForm*>(QApplication::activeWindow()) != nullptr; }));
        QPushButton* cancel = nullptr;
        ASSERT_TRUE(pumpUntil(
            [&] { return (cancel = dialog.findChild<QPushButton*>("breakOffButton")) && cancel->isVisible(); }, 15s));
        EXPECT_EQ(child<QLabel>(*cancel->window(), "Label1").text(),
                  "Waiting for the gateway to answer after its restart: Tor (10.77.0.2)");
        if (!escape) {
            const int seen = d.searches;
            ASSERT_TRUE(pumpUntil([&] { return d.searches > seen && d.search->gateways().empty(); }, 10s));
            EXPECT_TRUE(child<QTabWidget>(dialog, "KonfigTabs").isTabVisible(ui::TkonfigForm::GatewaysTab));
            EXPECT_TRUE(pressAndRead(*cancel).ends_with("IP-Configuration by DHCP\n\nChanges not saved: Gateways."));
        } else {
            std::string told;
            testsupport::onModal([&told](QWidget& w) {
                auto& box = dynamic_cast<QMessageBox&>(w);
                told = box.text().toStdString();
                press(*box.button(QMessageBox::Ok));
            });
            // The user turned to the dialog meanwhile: Escape there is the
            // wait's Cancel too, and the dialog stays.
            showActive(dialog);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            ASSERT_TRUE(pumpUntil([&] { return !told.empty(); }, 10s));
            EXPECT_TRUE(told.ends_with("IP-Configuration by DHCP\n\nChanges not saved: Gateways.")) << told;
        }
        EXPECT_TRUE(pumpUntil([&] { return !dialog.running(); }, 10s));
        EXPECT_TRUE(dialog.isVisible());
    }
}
