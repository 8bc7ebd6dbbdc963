// The settings dialog with the real discovery thread against a simulated
// door station in the second host: the station is found and listed, the
// user renames it and applies, the device takes the new name over its CGI
// programs with the administrator's credentials, the stored station follows,
// and the next search answer shows the new name in the list, still
// selected.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "devices/serverObjekt.h"
#include "devices/videoServerSuche.h"
#include "gui/QtTestKit.h"
#include "platform/Registry.h"
#include "settings/DeviceLinks.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/KonfigUiKit.h"
#include "settings/ui/StringGrid.h"
#include "settings/ui/konfigForm.h"
#include "support/SimDevice.h"

using namespace oculon;
using namespace std::chrono_literals;
using oculon::testsupport::child;
using namespace oculon::settings::test;
using oculon::testsupport::pumpUntil;

namespace {

bool listed(QWidget& dialog, const QString& caption) {
    auto* servers = dialog.findChild<QListWidget*>("ListView1");
    return servers->count() == 1 && servers->item(0)->text() == caption;
}

// The settings dialog on the real discovery thread, with the main form's
// part: file each probe result, then tell the dialog.
struct DiscoveringDialog {
    explicit DiscoveringDialog(config::TVideoConfig& settings) {
        config::videoConfig = &settings;
        config::rebootSperre = &lock;
        devices::suchThread::Options options;
        options.winHandle = mainForm.id();
        options.settings = &settings;
        options.rebootLock = &lock;
        options.startDelay = 0ms;
        discovery = std::make_unique<devices::suchThread>(std::move(options));
        found = std::make_unique<settings::SuchThreadSource>(*discovery);
        settings::ui::KonfigLinks links;
        links.settings = &settings;
        links.rebootLock = &lock;
        links.discovery = found.get();
        links.settleTime = 0ms;
        dialog = std::make_unique<settings::ui::TkonfigForm>(std::move(links));
        dialog->show();
        discovery->Start();
    }
    ~DiscoveringDialog() {
        dialog.reset();
        EXPECT_TRUE(platform::stopAndFree(std::move(discovery), 10s));
        config::videoConfig = nullptr;
        config::rebootSperre = nullptr;
    }

    config::TRebootSperre lock;
    std::unique_ptr<settings::ui::TkonfigForm> dialog;
    std::unique_ptr<devices::suchThread> discovery;
    platform::MessageTarget mainForm{[this](platform::Message& m) {
        if (m.id != platform::WM_UPDATEEVENT) return;
        if (auto server = m.take<platform::WM_UPDATEEVENT>()) {
            server->verarbeiteBild(45, false);
            discovery->updateServer(std::move(server), nullptr);
        }
        if (dialog) platform::MainLoop::instance().post(dialog->handle(), platform::WM_UPDATEEVENT);
    }};
    std::unique_ptr<settings::SuchThreadSource> found;
};

// The user opens the dialog, waits for the simulated station to be listed
// and chooses it on the video-server page; false when it is not listed.
bool chooseTheStation(settings::ui::TkonfigForm& dialog) {
    showActive(dialog);
    if (!pumpUntil([&] { return listed(dialog, "10.77.0.2:80\nSimDoor1"); }, 20s)) return false;
    turnTo(dialog, settings::ui::TkonfigForm::ServerTab);
    clickCell(child<QListWidget>(dialog, "ListView1"), 0);
    return true;
}

}  // namespace

TEST(KonfigPeer, AFoundStationIsRenamedOnTheDeviceAndInTheSettings) {
    testsupport::SimDevice station(
        "simstation", {"--name", "SimDoor1", "--user", "door", "--password", "secret", "--admin-password", "adm1n"});
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    config::TSingleConfig stored;
    stored.Name = "SimDoor1";
    stored.Ip = testsupport::kDeviceAddress;
    stored.Port = "80";
    stored.NeedCredentials = true;
    stored.UserName = "door";
    stored.Passwort = "secret";
    stored.AdminPass = "adm1n";
    settings.addConfig(stored);
    DiscoveringDialog peer(settings);
    auto& dialog = peer.dialog;
    ASSERT_TRUE(chooseTheStation(*dialog));
    auto* name = dialog->findChild<QLineEdit*>("serverNameEdit");
    EXPECT_EQ(name->text(), "SimDoor1");
    retype(*name, "Haus t");
    QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QStringLiteral("ü"), Qt::NoModifier);
    QTest::keyClick(name, Qt::Key_R);
    EXPECT_EQ(name->text(), "Haus_tuer");
    press(child<QPushButton>(*dialog, "uebernehmenBtn"));
    ASSERT_TRUE(pumpUntil([&] { return !dialog->running(); }, 20s));
    EXPECT_FALSE(dialog->errorFlag());

    for (const char* request : {"/SetChannel.cgi?Channel=0", "/ChangeCompressRatio.cgi?Ratio=1",
                                "/ChangeResolution.cgi?ResType=3", "/SetIP.cgi?CameraName=Haus_tuer"})
        EXPECT_TRUE(station.waitFor("config", request)) << request;
    EXPECT_TRUE(station.waitFor("renamed", "Haus_tuer"));
    EXPECT_FALSE(station.waitFor("unauthorized", "", 0ms));
    EXPECT_FALSE(station.waitFor("reboot", "", 0ms));
    const auto renamed = settings.getConfigByName("Haus_tuer");
    ASSERT_TRUE(renamed);
    EXPECT_FALSE(settings.getConfigByName("SimDoor1"));
    EXPECT_EQ(renamed->AdminPass, "adm1n");
    EXPECT_EQ(renamed->UserName, "door");
    EXPECT_EQ(renamed->Passwort, "secret");
    EXPECT_TRUE(renamed->NeedCredentials);
    EXPECT_EQ(renamed->Ip, testsupport::kDeviceAddress);

    // The station answers the next search with its new name, still selected.
    EXPECT_TRUE(pumpUntil([&] { return listed(*dialog, "10.77.0.2:80\nHaus_tuer"); }, 20s));
    EXPECT_EQ(child<QListWidget>(*dialog, "ListView1").selectedItems().size(), 1);
}

// The run asks a new station's administrator password above the progress
// window the click opened: what the user types and Return go to it.
TEST(KonfigPeer, ThePasswordPromptOfTheRunTakesTheKeyboard) {
    testsupport::SimDevice station(
        "simstation", {"--name", "SimDoor1", "--user", "door", "--password", "secret", "--admin-password", "adm1n"});
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    DiscoveringDialog peer(settings);
    auto& dialog = peer.dialog;
    ASSERT_TRUE(chooseTheStation(*dialog));
    retype(child<QLineEdit>(*dialog, "nameEdit"), "door");
    retype(child<QLineEdit>(*dialog, "passEdit"), "secret");
    retype(child<QLineEdit>(*dialog, "passConfirmEdit"), "secret");
    press(child<QPushButton>(*dialog, "uebernehmenBtn"));
    QWidget* prompt = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        prompt = QApplication::activeWindow();
        return prompt && prompt->findChild<QLineEdit*>("adminPassEdit");
    }));
    EXPECT_TRUE(qobject_cast<settings::ui::TrebootForm*>(prompt->parentWidget()));
    for (const char key : std::string("adm1n")) QTest::keyClick(QGuiApplication::focusWindow(), key);
    QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Return);
    ASSERT_TRUE(pumpUntil([&] { return !dialog->running(); }, 20s));
    // Taken with the password typed into the prompt.
    EXPECT_TRUE(station.waitFor("config", "/SetChannel.cgi?Channel=0"));
    EXPECT_FALSE(station.waitFor("unauthorized", "SetChannel", 0ms));
}

TEST(KonfigPeer, ACameraFoundBringsTheAssignmentsUpToDate) {
    testsupport::SimDevice camera("simcamera", {"--name", "Hofkamera", "--http-port", "8080", "--mdns"});
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    config::TSingleConfig stored;
    stored.Name = "Hofkamera";
    stored.typ = config::AxisCam;
    stored.Ip = testsupport::kDeviceAddress;
    stored.Port = "8080";
    stored.ohneBT = true;
    settings.addConfig(stored);
    DiscoveringDialog peer(settings);

    // No intercom heard: the assignments wait for a camera.
    auto& assignments = child<settings::ui::StringGrid>(*peer.dialog, "zuordnungGrid");
    EXPECT_EQ(assignments.rowCount(), 0);
    auto& cameras = child<QListWidget>(*peer.dialog, "ListView2");
    ASSERT_TRUE(pumpUntil([&] { return cameras.count() == 1; }, 20s));
    EXPECT_EQ(assignments.rowCount(), 1);
    EXPECT_EQ(assignments.text(0, 0), "10.77.0.2:8080");
    EXPECT_EQ(assignments.text(0, 1), "Hofkamera");
}

// Cancel on the reboot question sends the station no network settings and
// no reboot, and stores none either: the dialog and the stored station keep
// what the device has. The wait meanwhile says what goes on, not a reboot.
TEST(KonfigPeer, ACancelledRebootLeavesTheNetworkSettingsAsTheDeviceHasThem) {
    testsupport::SimDevice door("simstation", {"--name", "SimDoor1"});
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    config::TSingleConfig stored = station("SimDoor1", config::KorvatServer, testsupport::kDeviceAddress);
    stored.Net = "255.255.255.0";
    settings.addConfig(stored);
    DiscoveringDialog peer(settings);
    auto& dialog = *peer.dialog;
    showActive(dialog);
    ASSERT_TRUE(pumpUntil([&] { return listed(dialog, "10.77.0.2:80\nSimDoor1"); }, 20s));
    turnTo(dialog, settings::ui::TkonfigForm::ServerTab);
    clickCell(child<QListWidget>(dialog, "ListView1"), 0);
    auto& address = child<QLineEdit>(dialog, "serverIPEdit");
    auto& gateway = child<QLineEdit>(dialog, "gatewayEdit");
    const QString deviceGateway = gateway.text();
    retype(address, "10.77.0.9");
    retype(gateway, "10.77.0.1");
    std::string waitText;
    const auto readWait = [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* wait = qobject_cast<settings::ui::TrebootForm*>(w); wait && wait->isVisible())
                waitText = child<QLabel>(*wait, "Label1").text().toStdString();
    };
    EXPECT_EQ(pressAndRead(child<QPushButton>(dialog, "uebernehmenBtn"), QMessageBox::Cancel, readWait),
              "The videoserver is being rebooted.");
    // What the Cancel kept from the device is said.
    std::string declined;
    testsupport::onModal([&declined](QWidget& w) {
        auto& box = dynamic_cast<QMessageBox&>(w);
        declined = box.text().toStdString();
        press(*box.button(QMessageBox::Ok));
    });
    ASSERT_TRUE(pumpUntil([&] { return !dialog.running(); }, 20s));
    EXPECT_EQ(declined,
              "The video server was not restarted: its new port and network settings were not sent.\n\n"
              "Changes not saved: Videoserver setup.");
    EXPECT_EQ(waitText, "The settings are being sent to the devices. Please stand by...");
    EXPECT_TRUE(door.waitFor("config", "/ChangeResolution.cgi"));
    EXPECT_FALSE(door.waitFor("config", "SetIP.cgi", 0ms));
    EXPECT_FALSE(door.waitFor("reboot", "", 0ms));
    const auto kept = settings.getConfigByName("SimDoor1");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->Ip + " " + kept->gateway, "10.77.0.2 " + deviceGateway.toStdString());
    EXPECT_EQ(address.text() + " " + gateway.text(), "10.77.0.2 " + deviceGateway);
}
