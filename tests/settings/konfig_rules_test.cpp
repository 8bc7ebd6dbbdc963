// The settings dialog's rules without a window: what its edits accept, the
// device lists and their throttle, the checks before the apply stores or
// sends anything, and the camera list's commands.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <filesystem>

#include "KonfigFakes.h"
#include "settings/CameraList.h"
#include "settings/InputRules.h"
#include "settings/KonfigLists.h"
#include "settings/KonfigPages.h"
#include "support/ChildProcess.h"
#include "video/PictureFolder.h"

using namespace oculon;
using namespace oculon::settings;

using test::memorySettings;

TEST(InputRules, AddressesArePlainDottedQuadsAndPortsDecimal) {
    for (int v = 0; v < 1000; ++v) {
        EXPECT_EQ(isValidIP("10.0." + std::to_string(v) + ".1"), v <= 255) << v;
        EXPECT_EQ(isValidIP(std::to_string(v) + ".0.0.1"), v <= 255) << v;
    }
    EXPECT_TRUE(isValidIP("192.168.000.001"));
    for (const char* bad : {"192.168.0", "1.2.3.4.5", "1.2.3.$FF", "1.2.3.+4", "1.2.3.-0", "1.2.3.", ".1.2.3", "1..2.3",
                            "1.2.3.0004", "", " 1.2.3.4", "1.2.3.4 ", "a.b.c.d"})
        EXPECT_FALSE(isValidIP(bad)) << bad;

    EXPECT_EQ(parsePort("1"), 1);
    EXPECT_EQ(parsePort("080"), 80);
    EXPECT_EQ(parsePort("65535"), 65535);
    for (const char* bad : {"0", "65536", "99999", "123456", "", "8O", "+80", " 80", "-1"})
        EXPECT_FALSE(parsePort(bad)) << bad;
}

TEST(InputRules, ServerNameSpellsOutUmlautsAndKeepsTheCaretFromTheEnd) {
    // Typed at the end, the caret stays at the end; in the middle, it keeps
    // its distance from the end. The record holds 18 characters: the rest is
    // cut and the caret stays inside.
    const struct {
        std::u32string typed;
        int caret;
        std::u32string text;
        int after;
    } cases[] = {{U"Haus tür", 8, U"Haus_tuer", 9},
                 {U"Ä-Straße", 1, U"Ae-Strasse", 3},
                 {U"ÖÜöüß x", 0, U"OeUeoeuess_x", 5},
                 {U"ßßßßßßßßßß", 10, std::u32string(18, U's'), 18},
                 {U"plain", 2, U"plain", 2}};
    for (const auto& c : cases) {
        const EditedText e = rewriteServerName(c.typed, c.caret);
        EXPECT_EQ(e.text, c.text);
        EXPECT_EQ(e.caret, c.after);
    }
}

TEST(DeviceLists, ShowFoundDevicesWithTheirCaptionsAndKeepTheSelection) {
    config::TVideoConfig settings = memorySettings();
    config::TSurveillanceConfig wall;
    wall.ipAddr = "10.0.0.3";
    wall.port = 80;
    wall.commonName = "Garage";
    settings.putSurvConfig("0", wall);
    test::FakeDiscovery found;
    found.add("10.0.0.1", "80", "Door");
    found.add("10.0.0.2", "80", "Yard", config::KorvatServer2).FcommonName = "Back yard";
    found.add("10.0.0.3", "80", "Cam", config::AxisCam);
    // Probed while the dialog was closed: listed, its picture comes later.
    found.add("10.0.0.4", "80", "Unprobed", config::AxisCam).FWhileConfig = false;

    DeviceLists lists = buildDeviceLists(found.snapshot(), settings, "", "10.0.0.3:80");
    ASSERT_EQ(lists.servers.size(), 1u);
    EXPECT_EQ(lists.servers[0].caption, "10.0.0.1:80\r\nDoor");
    ASSERT_EQ(lists.cameras.size(), 4u);
    EXPECT_EQ(lists.cameras[3].caption, "10.0.0.4:80\r\nUnprobed");
    EXPECT_EQ(lists.cameras[1].caption, "10.0.0.2:80\r\nYard\r\nBack yard");
    EXPECT_EQ(lists.cameraSelection, 2);
    EXPECT_EQ(lists.serverSelection, -1);
    EXPECT_TRUE(lists.hasServer);
    EXPECT_TRUE(lists.hasIPCam);
    EXPECT_EQ(keyOfCaption(lists.cameras[2].caption), "10.0.0.3:80");

    // A device that took a new name stays selected.
    found.devices[0].fields.FName = "Door2";
    EXPECT_EQ(buildDeviceLists(found.snapshot(), settings, "10.0.0.1:80", "").serverSelection, 0);

    found.devices.erase(found.devices.begin());
    lists = buildDeviceLists(found.snapshot(), settings, "10.0.0.1:80", "");
    EXPECT_FALSE(lists.hasServer);
    EXPECT_EQ(lists.serverSelection, -1);
}

TEST(DeviceLists, ThrottleRebuildsOncePerFiveSecondsAndCatchesUp) {
    std::uint32_t now = 1000;
    RebuildThrottle throttle([&] { return now; });
    EXPECT_EQ(throttle.request(), 0u);  // the first after showing
    now += 3000;
    EXPECT_EQ(throttle.request(), 2001u);  // in the pause: due when it is over
    now += 2001;                           // the rest is the dialog's window test
    EXPECT_EQ(throttle.request(), 0u);
    // The tick count wraps around.
    now = 0xFFFFF000u;
    throttle.reset();
    EXPECT_EQ(throttle.request(), 0u);
    now += 6000;
    EXPECT_EQ(throttle.request(), 0u);
}

TEST(Apply, GeneralPageChecksThePasswordsBeforeItStoresAnything) {
    config::TVideoConfig settings = memorySettings();
    testsupport::TempDir dir;
    GeneralValues v = loadGeneral(settings);
    v.ids = "11;12";
    v.path = dir.path() + "/pictures";
    v.black = 77;
    v.pwdChanged = true;
    v.adminPass = "secret";
    v.adminPassConfirm = "Secret";
    bool stop = false;
    int asked = 0;
    const auto no = [&] { return ++asked, false; };
    const std::int32_t black = settings.blackValue();
    EXPECT_EQ(applyGeneral(settings, v, no, stop), &config::txtEnterSamePasswordTwoTimes);
    EXPECT_EQ(settings.blackValue(), black);
    EXPECT_TRUE(settings.authenticate(""));

    v.adminPassConfirm = "secret";
    v.allowVideoView = true;
    EXPECT_EQ(applyGeneral(settings, v, no, stop), nullptr);
    EXPECT_FALSE(stop);
    EXPECT_TRUE(settings.authenticate("secret"));
    EXPECT_TRUE(settings.hasVideoPass());
    EXPECT_EQ(settings.blackValue(), 77);
    EXPECT_EQ(settings.firstPictpath(), dir.path() + "/pictures/");
    ASSERT_TRUE(platform::FolderWorker::drainAll(std::chrono::seconds(5)));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/pictures"));
    EXPECT_EQ(loadGeneral(settings).ids, "11;12");
    EXPECT_TRUE(loadGeneral(settings).passwordSet);

    // An emptied password is deleted only on Yes; No keeps it and stores the rest.
    v.adminPass = v.adminPassConfirm = "";
    v.black = 5;
    EXPECT_EQ(applyGeneral(settings, v, no, stop), nullptr);
    EXPECT_TRUE(stop);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(settings.authenticate(""));
    EXPECT_TRUE(settings.hasVideoPass());
    EXPECT_EQ(settings.blackValue(), 5);
    EXPECT_EQ(applyGeneral(
                  settings, v, [] { return true; }, stop),
              nullptr);
    EXPECT_TRUE(settings.authenticate(""));
    EXPECT_FALSE(settings.hasVideoPass());
}

// The dialog shows what is stored, so an OK that changed nothing writes
// back nothing different; a path longer than the system's limit is refused
// before anything is stored or made.
TEST(Apply, AnApplyOfWhatIsShownLeavesTheStoredSettingsAsTheyWere) {
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    testsupport::TempDir dir;
    bool kept = false;
    const auto yes = [] { return true; };
    {
        config::TVideoConfig before(store);
        applyGeneral(before, loadGeneral(before), yes, kept);  // every value written once
        before.schreibeID("\"ws 1\";ws2");
        before.schreibeFirstPictPath(dir.path() + "/");
        before.schreibBlackConfig(42);
    }
    config::TVideoConfig settings(store);
    settings.schreibeAllowConfig(true);  // after the load, as an earlier OK in this run did
    const auto stored = [&] { return store->withTree([](auto& root) { return platform::serializeRegedit4(root); }); };
    const std::string was = stored();
    GeneralValues v = loadGeneral(settings);
    EXPECT_EQ(applyGeneral(settings, v, yes, kept), nullptr);
    EXPECT_EQ(stored(), was);

    std::string deep = dir.path();
    while (deep.size() < PATH_MAX) deep += "/abcdefg";
    v.path = deep;
    v.black = 7;
    EXPECT_EQ(applyGeneral(settings, v, yes, kept), &config::txtPathTooLong);
    EXPECT_EQ(stored(), was);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/abcdefg"));
}

TEST(Apply, CommonPartStoresDoorOptionsSwitchesTheRelayOnceAndChecksItsPort) {
    config::TVideoConfig settings = memorySettings();
    GeneralValues v = loadGeneral(settings);
    v.codeForDoor = v.askComment = true;
    v.useRelay = true;
    v.relayServer = "10.1.1.1";
    v.relayPort = "0";
    const std::int32_t port = settings.serverPort();
    std::vector<bool> switched;
    const auto relay = [&](bool on) {
        switched.push_back(on);
        settings.schreibeUseServer(on);
    };
    EXPECT_EQ(applyCommon(settings, v, relay), nullptr);
    EXPECT_TRUE(settings.codeTuerOffen());
    EXPECT_FALSE(settings.protTuerOffen());
    EXPECT_TRUE(settings.kommentarTuerOffen());
    EXPECT_EQ(settings.serverIP(), "10.1.1.1");
    EXPECT_EQ(settings.serverPort(), port);  // "0" is not stored
    v.relayPort = "70000";
    EXPECT_EQ(applyCommon(settings, v, relay), &config::txtPortNumberRange);
    v.relayPort = "4001";
    EXPECT_EQ(applyCommon(settings, v, relay), nullptr);
    EXPECT_EQ(settings.serverPort(), 4001);
    v.useRelay = false;
    EXPECT_EQ(applyCommon(settings, v, relay), nullptr);
    EXPECT_EQ(switched, (std::vector<bool>{true, false}));
}

TEST(ServerPage, SelectionLoadsOnceUntilReloadAndTheChecksComeInOrder) {
    config::TVideoConfig settings = memorySettings();
    test::FakeDiscovery found;
    devices::ServerFields& door = found.add("10.0.0.1", "80", "Door");
    door.FAuthorization = true;
    door.FUserName = "door";
    found.add("10.0.0.2", "80", "Yard");
    ServerPage page(settings);
    ServerEdits e;
    e.pass = e.passConfirm = "kept";
    ASSERT_TRUE(page.select("10.0.0.1:80", found, e));
    EXPECT_EQ(e.name, "Door");
    EXPECT_EQ(e.user, "door");
    EXPECT_EQ(e.pass, "kept");
    EXPECT_TRUE(e.useUserName);
    EXPECT_FALSE(page.station(found.snapshot()));
    EXPECT_FALSE(page.select("10.0.0.1:80", found, e));
    reloadSelectedServer = true;
    EXPECT_TRUE(page.select("10.0.0.1:80", found, e));
    EXPECT_FALSE(reloadSelectedServer);
    config::TSingleConfig station;
    station.Name = "Door";
    settings.addConfig(station);
    EXPECT_TRUE(page.station(found.snapshot()));

    e.passConfirm = "typo";
    EXPECT_EQ(page.check(e, found.snapshot()), &config::txtEnterSamePasswordTwoTimes);
    e.passConfirm = e.pass;
    e.user.clear();
    EXPECT_EQ(page.check(e, found.snapshot()), &config::txtUserAuthorizationNeedsUserName);
    e.useUserName = false;
    e.name = "Yard";  // the other server's name
    EXPECT_EQ(page.check(e, found.snapshot()), &config::txtVideoserverNameInUse);
    found.add("10.0.0.4", "80", "Gr\xFCn");  // as the device sends it, in Latin-1
    e.name = "Gr\xC3\xBCn";
    EXPECT_EQ(page.check(e, found.snapshot()), &config::txtVideoserverNameInUse);
    EXPECT_EQ(e.name, "");
    EXPECT_EQ(page.check(e, found.snapshot()), &config::txtNameForVideoServerMustBeGiven);
    e.name = "Door";
    EXPECT_EQ(page.check(e, found.snapshot()), nullptr);
    // What the user can mend, before anything is asked or sent; the server
    // cuts a user name or password longer than 20 characters short.
    const std::string umlauts20 = [] {
        std::string text;
        for (int i = 0; i < 20; ++i) text += "\xC3\xBC";
        return text;
    }();
    const struct {
        const char* what;
        std::function<void(ServerEdits&)> edit;
        const config::TText* problem;
    } mendable[] = {
        {"port", [](ServerEdits& x) { x.port = "99999"; }, &config::txtPortNumberRange},
        {"address", [](ServerEdits& x) { x.ip = "10.77.0.300"; }, &config::txtInvalidIPAddresses},
        {"address under DHCP", [](ServerEdits& x) { x.ip = "10.77.0.300", x.dhcp = true; }, nullptr},
        {"password of 21",
         [](ServerEdits& x) { x.useUserName = true, x.user = "u", x.pass = x.passConfirm = std::string(21, 'p'); },
         &config::txtUserOrPasswordTooLong},
        {"user of 21", [](ServerEdits& x) { x.useUserName = true, x.user = std::string(21, 'u'); },
         &config::txtUserOrPasswordTooLong},
        {"20 characters in 40 bytes",
         [&](ServerEdits& x) { x.useUserName = true, x.user = "u", x.pass = x.passConfirm = umlauts20; }, nullptr},
    };
    for (const auto& row : mendable) {
        SCOPED_TRACE(row.what);
        ServerEdits x = e;
        row.edit(x);
        EXPECT_EQ(page.check(x, found.snapshot()), row.problem);
    }

    // A second device of the station's name is not the station's while
    // the station's own device answers where it was set up; once nothing
    // answers there, it is the station's device moved (a new DHCP address).
    settings.updateConfig(settings.getConfigByName("Door"), test::station("Door", config::KorvatServer, "10.0.0.1"));
    found.add("10.0.0.3", "80", "Door");
    ASSERT_TRUE(page.select("10.0.0.3:80", found, e));
    EXPECT_FALSE(page.station(found.snapshot()));
    found.devices.erase(found.devices.begin());
    EXPECT_EQ(page.station(found.snapshot()), settings.getConfigByName("Door"));

    // A server that left the list keeps the page's values.
    EXPECT_FALSE(page.select("10.0.0.9:80", found, e));
    EXPECT_FALSE(page.server());
    EXPECT_EQ(e.name, "Door");
}

TEST(CameraList, MenuChecksAndChangesReachStationWallAndDiscovery) {
    config::TVideoConfig settings = memorySettings();
    test::FakeDiscovery found;
    found.add("10.0.0.5", "80", "Manual", config::AxisCam).FManuell = true;
    found.add("10.0.0.6", "8080", "Cam6", config::AxisCam);
    // A manual entry's menu is shown through the dialog's window test.
    CameraMenu menu = cameraMenu("10.0.0.6:8080", &found, settings, config::lang_de);
    EXPECT_FALSE(menu.remove || menu.rename || menu.path);
    EXPECT_EQ(menu.removeCaption, "Eintrag löschen");

    NewCamera add{"Gate", "10.0.0.6", "8080", "", 7};
    EXPECT_EQ(checkNewCamera({"", "10.0.0.6", "81", "", 0}, settings, &found),
              &config::txtNameForVideoCameraMustBeGiven);
    EXPECT_EQ(checkNewCamera({"Gate", "10.0.0", "81", "", 0}, settings, &found), &config::txtGivenIPAddressInvalid);
    for (const char* port : {"0", "65536", "x"})
        EXPECT_EQ(checkNewCamera({"Gate", "10.0.0.6", port, "", 0}, settings, &found), &config::txtPortNumberRange);
    EXPECT_EQ(checkNewCamera(add, settings, &found), &config::txtCameraIPAddressExists);
    add.port = "8081";
    ASSERT_EQ(checkNewCamera(add, settings, &found), nullptr);
    const config::TManualConfig manual = manualCamera(add);
    EXPECT_EQ(manual.typ, config::MirabCam);  // the eighth entry: type 7 has none
    EXPECT_EQ(manual.port, 8081);
    for (int index = 0; index < config::kVideoServerTypeCount - 1; ++index)
        EXPECT_NE(typeOfBoxIndex(index), config::HikVision);

    // A camera that is both a station and a wall camera is renamed in both and in the list.
    config::TSingleConfig station;
    station.Name = "Cam6";
    station.Ip = "10.0.0.6";
    station.Port = "8080";
    station.typ = config::AxisCam;
    settings.addConfig(station);
    config::TSurveillanceConfig wall;
    wall.name = "Cam6";
    wall.ipAddr = "10.0.0.6";
    wall.port = 8080;
    settings.putSurvConfig("3", wall);
    EXPECT_EQ(cameraName("10.0.0.6:8080", settings), "Cam6");
    EXPECT_TRUE(renameCamera("10.0.0.6:8080", "Side door", settings, found));
    EXPECT_EQ(settings.getConfigByIP("10.0.0.6:8080")->commonName, "Side door");
    EXPECT_EQ(settings.getSurvConfigByIp("10.0.0.6:8080")->commonName, "Side door");
    EXPECT_EQ(found.find("10.0.0.6:8080")->fields.FcommonName, "Side door");
    EXPECT_EQ(cameraName("10.0.0.6:8080", settings), "Side door");
    EXPECT_TRUE(changeCameraPath("10.0.0.6:8080", "/video.mjpg", settings, found));
    EXPECT_EQ(cameraPath("10.0.0.6:8080", settings), "/video.mjpg");
    EXPECT_EQ(settings.getSurvConfigByIp("10.0.0.6:8080")->path, "/video.mjpg");
    EXPECT_EQ(found.find("10.0.0.6:8080")->fields.FVideoPath, "/video.mjpg");
    EXPECT_FALSE(renameCamera("10.0.0.5:80", "Manual", settings, found));
}
