// The settings dialog with the real discovery thread against a simulated
// door station in the second host: the station is found and listed, the
// user renames it and applies, the device takes the new name over its CGI
// programs with the administrator's credentials, the stored station follows,
// and the next search answer shows the new name in the list.
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "devices/serverObjekt.h"
#include "devices/videoServerSuche.h"
#include "gui/QtTestKit.h"
#include "platform/Registry.h"
#include "settings/DeviceLinks.h"
#include "settings/ui/KonfigDialogs.h"
#include "settings/ui/StringGrid.h"
#include "settings/ui/konfigForm.h"
#include "support/SimDevice.h"

using namespace oculon;
using namespace std::chrono_literals;
using oculon::testsupport::child;
using oculon::testsupport::onModal;
using oculon::testsupport::pumpUntil;

namespace {

bool listed(QWidget& dialog, const QString& caption) {
    auto* servers = dialog.findChild<QListWidget*>("ListView1");
    return servers->count() == 1 && servers->item(0)->text() == caption;
}

// A user's click in the middle of `widget`, or at `at`.
void click(QWidget& widget, std::optional<QPoint> at = std::nullopt) {
    QTest::mouseClick(&widget, Qt::LeftButton, {}, at.value_or(widget.rect().center()));
}

void turnTo(QWidget& dialog, int page) {
    QTabBar& bar = *child<QTabWidget>(dialog, "KonfigTabs").tabBar();
    click(bar, bar.tabRect(page).center());
}

// The user's new text in place of the old one.
void retype(QLineEdit& edit, const QString& text) {
    click(edit);
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&edit, text);
}

// The settings dialog on the real discovery thread, with the main form's
// part: file each probe result, then tell the dialog.
struct DiscoveringDialog {
    // `shown`: the dialog is open from the start, not only when shown later.
    explicit DiscoveringDialog(config::TVideoConfig& settings, bool shown = true) {
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
        if (shown) dialog->show();
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

// The station of the simulated camera "Hofkamera".
config::TSingleConfig yardCamera(const std::string& port) {
    config::TSingleConfig station;
    station.Name = "Hofkamera";
    station.typ = config::AxisCam;
    station.Ip = testsupport::kDeviceAddress;
    station.Port = port;
    return station;
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

    ASSERT_TRUE(pumpUntil([&] { return listed(*dialog, "10.77.0.2:80\nSimDoor1"); }, 20s));
    dialog->findChild<QListWidget*>("ListView1")->setCurrentRow(0);
    auto* name = dialog->findChild<QLineEdit*>("serverNameEdit");
    EXPECT_EQ(name->text(), "SimDoor1");
    name->clear();
    for (const QChar c : QStringLiteral("Haus tür")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(name, &press);
    }
    EXPECT_EQ(name->text(), "Haus_tuer");
    dialog->findChild<QTabWidget*>("KonfigTabs")->setCurrentIndex(settings::ui::TkonfigForm::ServerTab);
    dialog->findChild<QPushButton*>("uebernehmenBtn")->click();
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

    // The station answers the next search with its new name.
    EXPECT_TRUE(pumpUntil([&] { return listed(*dialog, "10.77.0.2:80\nHaus_tuer"); }, 20s));
}

TEST(KonfigPeer, ACameraFoundBringsTheAssignmentsUpToDate) {
    testsupport::SimDevice camera("simcamera", {"--name", "Hofkamera", "--http-port", "8080", "--mdns"});
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    config::TSingleConfig stored = yardCamera("8080");
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
    testsupport::SimDevice station("simstation", {"--name", "SimDoor1"});
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    config::TSingleConfig stored;
    stored.Name = "SimDoor1";
    stored.Ip = testsupport::kDeviceAddress;
    stored.Net = "255.255.255.0";
    stored.Port = "80";
    settings.addConfig(stored);
    DiscoveringDialog peer(settings);
    auto& dialog = *peer.dialog;
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_TRUE(pumpUntil([&] { return listed(dialog, "10.77.0.2:80\nSimDoor1"); }, 20s));
    turnTo(dialog, settings::ui::TkonfigForm::ServerTab);
    auto& servers = child<QListWidget>(dialog, "ListView1");
    click(*servers.viewport(), servers.visualItemRect(servers.item(0)).center());
    auto& address = child<QLineEdit>(dialog, "serverIPEdit");
    ASSERT_EQ(address.text(), "10.77.0.2");
    retype(address, "10.77.0.9");
    auto& gateway = child<QLineEdit>(dialog, "gatewayEdit");
    const QString deviceGateway = gateway.text();
    retype(gateway, "10.77.0.1");

    std::string waitText;
    onModal([&](QWidget& question) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* wait = qobject_cast<settings::ui::TrebootForm*>(w); wait && wait->isVisible())
                waitText = child<QLabel>(*wait, "Label1").text().toStdString();
        }
        auto& box = dynamic_cast<QMessageBox&>(question);
        EXPECT_EQ(box.text().toStdString(), "The videoserver is being rebooted.");
        click(*box.button(QMessageBox::Cancel));
    });
    click(child<QPushButton>(dialog, "uebernehmenBtn"));
    ASSERT_TRUE(pumpUntil([&] { return !dialog.running(); }, 20s));
    EXPECT_EQ(waitText, "The settings are being sent to the devices. Please stand by...");

    EXPECT_TRUE(station.waitFor("config", "/ChangeResolution.cgi"));
    EXPECT_FALSE(station.waitFor("config", "SetIP.cgi", 0ms));
    EXPECT_FALSE(station.waitFor("reboot", "", 0ms));
    const auto kept = settings.getConfigByName("SimDoor1");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->Ip, "10.77.0.2");
    EXPECT_EQ(kept->gateway, deviceGateway.toStdString());
    EXPECT_EQ(address.text().toStdString(), "10.77.0.2");
    EXPECT_EQ(gateway.text(), deviceGateway) << gateway.text().toStdString();
}

// A camera probed while the dialog was closed has no probe picture yet: it
// is listed at once all the same, with its assignment, and the assignment
// is edited although its intercom has not spoken since the program started.
TEST(KonfigPeer, ACameraFoundBeforeTheDialogOpensIsListedAtOnceAndItsAssignmentEdited) {
    testsupport::SimDevice camera("simcamera", {"--name", "Hofkamera", "--mdns"});
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    config::TSingleConfig stored = yardCamera("80");
    stored.telefonIP = "10.77.0.3";
    stored.telefonName = "Haus";
    stored.tuerCode = "1234";
    stored.tuerDauer = 5;
    settings.addConfig(stored);
    DiscoveringDialog peer(settings, false);
    ASSERT_TRUE(pumpUntil(
        [&] {
            return peer.discovery->withLists([](devices::DiscoveryLists& lists) { return !lists.servers.empty(); });
        },
        20s));

    auto& dialog = *peer.dialog;
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    turnTo(dialog, settings::ui::TkonfigForm::TelefonTab);
    auto& cameras = child<QListWidget>(dialog, "ListView2");
    ASSERT_EQ(cameras.count(), 1);
    EXPECT_EQ(cameras.item(0)->text().toStdString(), "10.77.0.2:80\nHofkamera");
    auto& assignments = child<settings::ui::StringGrid>(dialog, "zuordnungGrid");
    ASSERT_EQ(assignments.rowCount(), 1);
    click(*assignments.viewport(), assignments.visualItemRect(assignments.item(0, 1)).center());
    auto& code = child<QLineEdit>(dialog, "tuerOeffnerCodeEdit");
    EXPECT_EQ(code.text().toStdString(), "1234");
    retype(code, "12345678");
    click(child<QPushButton>(dialog, "okButton"));
    EXPECT_FALSE(dialog.isVisible());
    const auto edited = settings.getConfigByPhone("10.77.0.3");
    ASSERT_TRUE(edited);
    EXPECT_EQ(edited->tuerCode, "12345678");
    EXPECT_EQ(edited->telefonName, "Haus");
}
