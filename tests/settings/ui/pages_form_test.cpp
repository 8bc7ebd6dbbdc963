// The gateway, door-intercom and surveillance pages as windows (offscreen):
// the wiring test's steps on its timer with the frame, progress and notice
// of each, the naming of a wired server, the intercom page's apply through
// the dialog (a refused assignment keeps the dialog open with what was typed),
// and the commands of the preview tiles' menus.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QListWidget>
#include <gtest/gtest.h>

#include "gui/QtTestKit.h"
#include "platform/Registry.h"
#include "settings/KonfigFakes.h"
#include "settings/ui/KonfigUiKit.h"
#include "settings/ui/StringGrid.h"
#include "settings/ui/konfigForm.h"

using namespace oculon;
using namespace oculon::settings;
using namespace oculon::settings::ui;
using namespace oculon::settings::test;
using namespace oculon::testsupport;
using namespace std::chrono_literals;

namespace {

config::TVideoConfig memorySettings() {
    return config::TVideoConfig{std::make_shared<platform::MemoryRegistryStore>()};
}

class GatewayView : public ::testing::Test {
protected:
    GatewayView() {
        config::sprache = config::lang_en;
        view.discovery = &found;
        view.gateways = [] {
            DS_INFO info{};
            info.pseudo_ip_addr = *devices::strToIp("10.0.0.20");
            return devices::TGatewayList{devices::TGatewayObject(nullptr, info)};
        };
        // The server behind the gateway shows its picture while the gateway
        // switches it on, as a wired one does.
        view.send = [this](const std::string& frame, const std::string& host) {
            sent.push_back({frame, host, child<QProgressBar>(view, "serverBar").value(),
                            child<QLabel>(view, "wartenLabel").isVisible()});
            if (frame[1] == 'V')
                found.change("10.0.0.9:80", [&](devices::ServerFields& f) { f.FHasPict = frame[2] == 2; });
        };
        view.selectServer = [this](const std::string& caption) { return selected.push_back(caption), true; };
        view.setServerName = [this](const std::string& name) { serverName = name; };
        view.wiringWait = 5ms;
        view.setSprache(config::lang_en);
        view.show();
        EXPECT_TRUE(view.refill());
        view.MoxaGridSelectCell(0);
    }

    struct Sent {
        std::string frame, host;
        int progress = 0;
        bool waiting = false;
        bool operator==(const Sent&) const = default;
    };

    void runWiringTest() {
        QPushButton& button = child<QPushButton>(view, "testButton");
        button.click();
        EXPECT_FALSE(button.isEnabled());
        ASSERT_TRUE(pumpUntil([&] { return button.isEnabled(); }));
    }

    config::TVideoConfig settings = memorySettings();
    SelectionOrigin origin;
    GatewayPageView view{settings, origin};
    FakeDiscovery found;
    devices::ServerFields& wired = found.add("10.0.0.9", "80", "Einfahrt");  // until the next add
    std::vector<Sent> sent;
    std::vector<std::string> selected;
    std::string serverName;
};

TEST_F(GatewayView, WiringTestStepsOnItsTimerAndNamesTheGatewayAfterTheWiredServer) {
    found.add("10.0.0.10", "80", "Hof").FHasPict = true;  // shows its picture all along: not wired
    config::TSingleConfig station = test::station("Einfahrt", config::KorvatServer, "10.0.0.9");
    station.ausgangSchrift = "Tor auf";
    settings.addConfig(station);
    child<QLineEdit>(view, "moxaIPEdit").setText("10.0.0.21");
    runWiringTest();
    const std::string host = "10.0.0.21";  // the address in the page's edit
    EXPECT_EQ(sent, (std::vector<Sent>{{"\x1FV\x01\x48", host, 10, true},
                                       {"\x1FV\x02\x4B", host, 33, true},
                                       {"\x1FV\x01\x48", host, 66, true},
                                       {"\x1Fv\x03\x6A", host, 100, false}}));
    EXPECT_EQ(child<QLineEdit>(view, "moxaName").text(), "Einfahrt");
    EXPECT_EQ(selected, (std::vector<std::string>{"10.0.0.9:80\r\nEinfahrt"}));
    EXPECT_TRUE(view.edited());
    // The door output shown and saved from now on is the wired station's.
    EXPECT_EQ(child<QLineEdit>(view, "tuerEdit").text(), "Tor auf");

    // The video-output radios send at once.
    sent.clear();
    child<QRadioButton>(view, "videoEinRadio").click();
    child<QRadioButton>(view, "videoAnrufRadio").click();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].frame, "\x1Fv\x02\x6B");
    EXPECT_EQ(sent[1].frame, "\x1Fv\x03\x6A");
}

TEST_F(GatewayView, AWiredServerWithoutANameIsNamedByTheUser) {
    BoxAnswerer boxes(QMessageBox::Ok);  // the ends without a result say so
    wired.FName.clear();
    std::vector<std::string> asked;
    view.askName = [&](const std::string& address) -> std::optional<std::string> {
        asked.push_back(address);
        return "Tor";
    };
    runWiringTest();
    EXPECT_EQ(asked, (std::vector<std::string>{"10.0.0.9"}));
    EXPECT_EQ(child<QLineEdit>(view, "moxaName").text(), "Tor");
    EXPECT_EQ(serverName, "Tor");

    // A server that leaves the list while the user types is not named.
    view.setServerName = nullptr;
    child<QLineEdit>(view, "moxaName").clear();
    view.askName = [&](const std::string&) -> std::optional<std::string> {
        found.devices.clear();
        return "Weg";
    };
    found.add("10.0.0.9", "80", "");
    runWiringTest();
    EXPECT_EQ(child<QLineEdit>(view, "moxaName").text(), "");

    // Nobody followed: the page stays as it was, and the output goes back
    // to "during a call".
    sent.clear();
    view.send = [&](const std::string& frame, const std::string& host) { sent.push_back({frame, host, 0, false}); };
    runWiringTest();
    EXPECT_EQ(sent.back().frame, "\x1Fv\x03\x6A");
    EXPECT_EQ(child<QLineEdit>(view, "moxaName").text(), "");
}

// A full bar and an empty name would look like success: the end without a
// server whose picture followed says so, after the output went back to
// "during a call".
TEST_F(GatewayView, AWiringTestWithoutAServerSaysSo) {
    view.send = [&](const std::string& frame, const std::string& host) { sent.push_back({frame, host, 0, false}); };
    showActive(view);
    QPushButton& button = child<QPushButton>(view, "testButton");
    std::string lastFrame;
    EXPECT_EQ(pressAndRead(button, QMessageBox::Ok, [&] { lastFrame = sent.back().frame; }),
              "No videoserver assigned: no videoserver's picture followed the gateway's switching.");
    EXPECT_EQ(lastFrame, "\x1Fv\x03\x6A");
    EXPECT_EQ(child<QProgressBar>(view, "serverBar").value(), 100);
    EXPECT_TRUE(button.isEnabled());
}

class IntercomApply : public ::testing::Test {
protected:
    IntercomApply() {
        config::sprache = config::lang_en;
        found.add("10.0.0.5", "80", "Hof", config::LindavorCam).FAuthorization = true;
        found.add("10.0.0.6", "80", "Garten", config::AxisCam);
        found.add("10.0.0.7", "80", "Tor", config::LindavorCam);  // asks no password
        found.addPhone("10.0.0.50", "Haus");
        links.settings = &settings;
        links.discovery = &found;
    }
    TkonfigForm& form() {
        if (!form_) {
            form_ = std::make_unique<TkonfigForm>(links);
            form_->show();
            child<QTabWidget>(*form_, "KonfigTabs").setCurrentIndex(TkonfigForm::TelefonTab);
        }
        return *form_;
    }
    // Camera `row` of the camera list on the intercom of the first row.
    void choose(int row) {
        child<DeviceListView>(form(), "ListView2").setCurrentRow(row);
        child<StringGrid>(form(), "telefonGrid").selectRow(0);
    }
    QLineEdit& edit(const char* name) { return child<QLineEdit>(form(), name); }

    config::TVideoConfig settings = memorySettings();
    FakeDiscovery found;
    KonfigLinks links;
    std::unique_ptr<TkonfigForm> form_;
};

TEST_F(IntercomApply, ARefusedAssignmentStoresNothingAndKeepsTheDialogOpen) {
    BoxAnswerer boxes(QMessageBox::Ok);
    choose(0);
    edit("tuerOeffnerCodeEdit").setText("12a#");
    EXPECT_EQ(edit("tuerOeffnerCodeEdit").text(), "12#");
    edit("dauerEdit").setText("0");
    EXPECT_EQ(edit("dauerEdit").text(), "5");
    edit("dauerEdit").setText("1");
    edit("passwordB").setText("eins");
    edit("passwordConfirmB").setText("zwei");
    child<QPushButton>(form(), "uebernehmenBtn").click();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{
                               "On the page \"IP door intecoms\":\nPlease enter the same password two times.\n\n"
                               "Changes not saved: IP door intecoms."}));
    EXPECT_TRUE(form().errorFlag());
    EXPECT_EQ(settings.Count(), 0);
    EXPECT_EQ(edit("passwordB").text(), "eins");
    EXPECT_EQ(edit("tuerOeffnerCodeEdit").text(), "12#");

    // Mended, the assignment is stored, a duration of "1" as 5 seconds.
    edit("passwordConfirmB").setText("eins");
    child<QPushButton>(form(), "okButton").click();
    EXPECT_FALSE(form().isVisible());
    const auto stored = settings.getConfigByPhone("10.0.0.50");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Name, "Hof");
    EXPECT_EQ(stored->tuerDauer, 5);
    EXPECT_EQ(stored->tuerCode, "12#");
    EXPECT_EQ(stored->Passwort, "eins");

    // Another camera chosen for the same intercom, nothing typed: refused
    // and said, and OK closes, as nothing typed would be lost.
    form_.reset();
    EXPECT_EQ(child<StringGrid>(form(), "zuordnungGrid").text(0, 3), "Haus");
    choose(1);
    child<QPushButton>(form(), "okButton").click();
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[1],
              "On the page \"IP door intecoms\":\nThis door intercom is already configured.\n"
              "Please delete the old configuration first.");
    EXPECT_FALSE(form().isVisible());
    EXPECT_EQ(settings.getConfigByPhone("10.0.0.50")->Name, "Hof");
}

// An intercom row clicked on the way to its web page or its special
// functions is no edit: OK closes from the intercom page and from another.
TEST_F(IntercomApply, AnIntercomRowLookedAtLeavesOkFree) {
    BoxAnswerer boxes(QMessageBox::Ok);
    for (const auto& [button, page] :
         {std::pair{Qt::LeftButton, TkonfigForm::TelefonTab}, {Qt::RightButton, TkonfigForm::AllgemeinTab}}) {
        SCOPED_TRACE(std::to_string(button) + " then OK on page " + std::to_string(page));
        form_ = std::make_unique<TkonfigForm>(links);
        showActive(*form_);
        turnTo(*form_, TkonfigForm::TelefonTab);
        StringGrid& intercoms = child<StringGrid>(form(), "telefonGrid");
        clickCell(intercoms, 0, 0, button);
        ASSERT_EQ(intercoms.currentRow(), 0);
        if (QWidget* menu = QApplication::activePopupWidget()) QTest::keyClick(menu, Qt::Key_Escape);
        turnTo(*form_, page);
        press(child<QPushButton>(form(), "okButton"));
        EXPECT_FALSE(form().isVisible());
    }
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(settings.Count(), 0);
}

TEST_F(IntercomApply, TheOutputOfATypeOneCameraWithoutPasswordAsksForCredentials) {
    auto& output = child<QCheckBox>(form(), "tuerBTBox");
    const auto credentials = [&] {
        std::string enabled;
        for (const char* name : {"userNameB", "passwordB", "passwordConfirmB"})
            enabled += edit(name).isEnabled() ? '1' : '0';
        return enabled;
    };
    for (const int camera : {2, 1}) {
        SCOPED_TRACE(camera);
        choose(camera);
        child<QCheckBox>(form(), "ohneBTBox").click();
        ASSERT_TRUE(output.isEnabled());
        const std::string before = credentials();
        output.click();
        EXPECT_EQ(credentials(), camera == 2 ? "111" : before);
        output.click();
        EXPECT_EQ(credentials(), camera == 2 ? "000" : before);
        child<QCheckBox>(form(), "ohneBTBox").click();
    }
}

TEST_F(IntercomApply, ChoosingACameraShowsTheStoredDoorOptionsAgain) {
    settings.schreibeProtTuerOffen(true);
    settings.schreibeKommentarTuerOffen(true);
    choose(0);
    auto& logDoor = child<QCheckBox>(form(), "protokollTuerOeffner");
    auto& comment = child<QCheckBox>(form(), "kommentarErf");
    ASSERT_TRUE(logDoor.isChecked());
    // "Camera without door intercom" takes them away for this camera only.
    child<QCheckBox>(form(), "ohneBTBox").click();
    EXPECT_FALSE(logDoor.isChecked());
    child<QCheckBox>(form(), "ohneBTBox").click();
    choose(1);
    EXPECT_TRUE(logDoor.isChecked());
    EXPECT_TRUE(comment.isChecked());
    EXPECT_TRUE(comment.isEnabled());
    child<QPushButton>(form(), "uebernehmenBtn").click();
    EXPECT_TRUE(settings.protTuerOffen());
    EXPECT_TRUE(settings.kommentarTuerOffen());
}

// An existing assignment is edited from its row, also while its intercom
// is silent (it speaks only when something happens at its door) or its
// camera is missing from the camera list; what cannot be stored says why.
// OK stores the page's edits whichever page shows.
TEST_F(IntercomApply, AnAssignmentsRowEditsItWhileItsIntercomIsSilent) {
    config::TSingleConfig station = test::station("Hof", config::LindavorCam, "10.0.0.5");
    station.telefonIP = "10.0.0.60";
    station.telefonName = "Flur";
    station.tuerCode = "1234";
    station.tuerDauer = 7;
    settings.addConfig(station);
    found.devices.front().fields.FAuthorization = false;
    const auto openOnIntercomPage = [&] {
        form_ = std::make_unique<TkonfigForm>(links);
        showActive(*form_);
        turnTo(*form_, TkonfigForm::TelefonTab);
    };
    for (const bool cameraListed : {true, false}) {
        SCOPED_TRACE(cameraListed);
        BoxAnswerer refusal(QMessageBox::Ok);  // fails the checks below instead of waiting
        if (!cameraListed) found.devices.erase(found.devices.begin());
        openOnIntercomPage();
        // The grid comes up with the row selected: a click chooses it all the same.
        clickCell(child<StringGrid>(form(), "zuordnungGrid"), 0, 1);
        EXPECT_EQ(edit("tuerOeffnerCodeEdit").text(), cameraListed ? "1234" : "87654321");
        EXPECT_EQ(child<StringGrid>(form(), "telefonGrid").currentRow(), -1);  // "Haus" is not the row's
        EXPECT_EQ(child<DeviceListView>(form(), "ListView2").selectedKey(), cameraListed ? "10.0.0.5:80" : "");
        retype(edit("tuerOeffnerCodeEdit"), cameraListed ? "87654321" : "1111");
        retype(edit("dauerEdit"), cameraListed ? "9" : "10");
        if (cameraListed) turnTo(*form_, TkonfigForm::AllgemeinTab);  // OK stores it from any page
        press(child<QPushButton>(form(), cameraListed ? "okButton" : "uebernehmenBtn"));
        const auto stored = settings.getConfigByPhone("10.0.0.60");
        ASSERT_TRUE(stored);
        EXPECT_EQ(std::tie(stored->tuerCode, stored->tuerDauer, stored->telefonName),
                  std::make_tuple(cameraListed ? "87654321" : "1111", cameraListed ? 9 : 10, "Flur"));
        EXPECT_EQ(settings.Count(), 1);
    }

    // A camera without an intercom to go with: the user is told.
    openOnIntercomPage();
    DeviceListView& cameras = child<DeviceListView>(form(), "ListView2");
    ASSERT_EQ(cameras.selectedKey(), "");
    clickCell(cameras, 0);
    ASSERT_EQ(cameras.selectedKey(), "10.0.0.6:80");
    retype(edit("tuerOeffnerCodeEdit"), "42");
    EXPECT_EQ(pressAndRead(child<QPushButton>(form(), "uebernehmenBtn")),
              "On the page \"IP door intecoms\":\n"
              "The door-intercom assignment was not stored: please choose a door intercom for the camera.\n\n"
              "Changes not saved: IP door intecoms.");
    EXPECT_EQ(settings.Count(), 1);

    // An intercom without a camera, left for another page: the dialog says
    // its edits were not stored, and stays.
    openOnIntercomPage();
    clickCell(child<StringGrid>(form(), "telefonGrid"), 0);
    retype(edit("tuerOeffnerCodeEdit"), "7");
    turnTo(*form_, TkonfigForm::ueberwachungTab);
    EXPECT_EQ(pressAndRead(child<QPushButton>(form(), "okButton")),
              "On the page \"IP door intecoms\":\n"
              "The door-intercom assignment was not stored: please select a camera in the camera list.\n\n"
              "Changes not saved: IP door intecoms.");
    EXPECT_TRUE(form().isVisible());
}

TEST(PreviewTile, MenuCommandsGoOutAsChangesOfItsPosition) {
    config::sprache = config::lang_en;
    std::vector<config::TSurvChange> changes;
    PreviewTile shown;
    shown.number = 3;
    shown.place = {0, 0, 76, 46};
    shown.recording = 2;
    TmyPanel tile(nullptr, shown, [&](std::unique_ptr<config::TSurvChange> c) { changes.push_back(*c); });
    EXPECT_FALSE(tile.menu());  // no camera, no menu
    tile.setConfigured(true);
    ASSERT_TRUE(tile.menu());
    const QList<QAction*> items = tile.menu()->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), "remove Camera: 3");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_TRUE(items[4]->isChecked());  // "User starts recording"
    for (QAction* item : items) item->trigger();
    ASSERT_EQ(changes.size(), 4u);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].number, 3);
        EXPECT_EQ(changes[i].delete_, i == 0);
        EXPECT_EQ(changes[i].recording, i == 0 ? 0 : static_cast<int>(i) - 1);
    }
    tile.setConfigured(false);
    EXPECT_FALSE(tile.menu());
}

TEST(SurveillancePageView, SwitchingTheWallOnShowsTheStoredRateAndLength) {
    config::sprache = config::lang_en;
    config::TVideoConfig settings = memorySettings();
    settings.schreibeSurveillance(false);
    settings.schreibeFrameRate(4);
    settings.schreibeRecLen(30);
    UeberwachungPage page(settings);
    page.setSprache(config::lang_en);
    page.show();
    page.load();
    child<QCheckBox>(page, "ueberwachungAktiv").click();
    EXPECT_TRUE(child<QRadioButton>(page, "quarterFrames").isChecked());
    EXPECT_TRUE(child<QRadioButton>(page, "quarterFrames").isEnabled());
    EXPECT_EQ(child<QLineEdit>(page, "minuteEdit").text(), "30");
    EXPECT_EQ(settings.recordLength(), 30);
    auto& length = child<TickedSlider>(page, "maxRecScrollBar");
    EXPECT_EQ(length.ticks(), (std::vector<int>{1, 10, 20, 30, 60, 120, 240, 360}));
    EXPECT_EQ(length.value(), 30);
    screenshot(page, "surveillancePage-lengthTicks");
}

TEST(SurveillancePageView, TheLayoutNamesLineUp) {
    config::sprache = config::lang_en;
    config::TVideoConfig settings = memorySettings();
    UeberwachungPage page(settings);
    page.setSprache(config::lang_en);
    page.show();
    page.load();
    auto& layouts = child<QListWidget>(page, "ListView3");
    ASSERT_EQ(layouts.count(), config::kLayoutCount);
    for (int row = 0; row < layouts.count(); ++row) {
        EXPECT_EQ(layouts.item(row)->icon().actualSize(layouts.iconSize()), layouts.iconSize()) << "layout " << row;
    }
}

}  // namespace
