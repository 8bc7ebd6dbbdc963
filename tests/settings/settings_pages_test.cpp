// The gateway, door-intercom and surveillance pages and the intercom's
// special functions without a window: the wiring test's decisions, the
// intercom page's filters, conflict check and the station it stores, the
// preview tiles of every layout, and the special-function bytes both ways.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <tuple>

#include "KonfigFakes.h"
#include "settings/GatewayPage.h"
#include "settings/IntercomAssignment.h"
#include "settings/IntercomMemory.h"
#include "settings/SurveillancePage.h"
#include "settings/WiringTest.h"

using namespace oculon;
using namespace oculon::settings;
using test::memorySettings;

namespace {

// Found gateways that answer the reads of their names: "Yard" for the
// hardware address ending in 3, "Door" for the others.
devices::TGatewayObject foundGateway(const std::string& address, std::uint8_t macEnd) {
    static const auto api = [] {
        auto named = std::make_shared<devices::NeciApi>();
        named->Attach = [](const DS_INFO* info, int* handle) {
            *handle = info->mac[5];
            return 1;
        };
        named->Detach = [](int) { return 1; };
        named->GetName = [](int handle, char* name) {
            std::snprintf(name, NECI_NAME_SIZE, "%s", handle == 3 ? "Yard" : "Door");
            return 1;
        };
        return std::shared_ptr<const devices::NeciApi>(std::move(named));
    }();
    DS_INFO info{};
    info.apid = devices::kGatewayApplication;
    info.pseudo_ip_addr = info.real_ip_addr = *devices::strToIp(address);
    info.mac[5] = macEnd;
    return {api, info};
}

// The wiring test against servers whose probe pictures follow a script:
// one letter per wait, "b" black, "p" picture, "-" not listed.
// The frames it sends are checked byte for byte through the gateway page's window test.
std::optional<std::string> runWiringTest(const std::map<std::string, std::string>& scripts) {
    test::FakeDiscovery discovery;
    WiringTest test;
    std::vector<int> progress;
    WiringTest::Step step = test.start();
    for (int wait = 0; !step.finished; ++wait) {
        progress.push_back(step.progress);
        discovery.devices.clear();
        for (const auto& [address, script] : scripts) {
            if (script[wait] == '-') continue;
            discovery.add(address, "80", "S" + address).FHasPict = script[wait] == 'p';
        }
        step = test.next(discovery.snapshot());
    }
    progress.push_back(step.progress);
    EXPECT_EQ(progress, (std::vector<int>{10, 33, 66, 100}));
    return step.wired;
}

}  // namespace

TEST(WiringTest, FindsTheServerWhosePictureFollowsTheSwitching) {
    EXPECT_EQ(runWiringTest({{"10.0.0.1", "bbb"}, {"10.0.0.2", "ppp"}, {"10.0.0.3", "bpb"}, {"10.0.0.4", "bpp"}}),
              "10.0.0.3:80");

    // Of two that follow, the first in the list; none that follows, none found.
    EXPECT_EQ(runWiringTest({{"10.0.0.5", "bpb"}, {"10.0.0.6", "bpb"}}), "10.0.0.5:80");
    EXPECT_EQ(runWiringTest({{"10.0.0.1", "bbb"}, {"10.0.0.2", "pbp"}, {"10.0.0.4", "bpp"}}), std::nullopt);
    // A server that was not listed at the first wait, or left, is no candidate.
    EXPECT_EQ(runWiringTest({{"10.0.0.7", "-pb"}, {"10.0.0.8", "b-b"}, {"10.0.0.9", "bp-"}}), std::nullopt);
}

TEST(GatewayPage, ShowsTheGatewayAndTheInputsOfTheStationOfItsName) {
    auto settings = memorySettings();
    config::TSingleConfig station;
    station.Name = "Tor";
    station.eingang = true;
    station.moxaPass = "pw";
    station.eingangBildEin = "/p/on.jpg";
    station.eingangBildAus = "/p/off.jpg";
    station.eingangSchriftEin = "auf";
    station.ausgang = true;
    station.ausgangSchrift = "Licht";
    settings.addConfig(station);
    devices::TGatewayList gateways(2);
    GatewayPage page(settings);
    GatewayEdits e;
    // Never answered: no values that could pass for its own.
    EXPECT_EQ(gatewayRows(gateways, config::lang_fr)[0], (GridRow{"", "(ne répond pas)", "", "", "", ""}));

    // The row's gateway has no name yet: no station, empty texts.
    ASSERT_TRUE(page.select(0, gateways, e, config::lang_en));
    EXPECT_FALSE(e.input);
    EXPECT_TRUE(e.inputOnText.empty());
    EXPECT_TRUE(page.gateway());

    // A station under the gateway's name shows its picture marker; another
    // gateway without one takes none of its pictures along.
    e.name = "Tor";
    ASSERT_TRUE(page.select(0, gateways, e, config::lang_de));
    EXPECT_EQ(e.inputOnText, "<Bild>");
    EXPECT_EQ(e.inputOffText, "<Bild>");
    EXPECT_EQ(e.pictureOff, "/p/off.jpg");
    EXPECT_EQ(e.pass, "pw");
    EXPECT_EQ(e.outputText, "Licht");
    e.name = "Hof";
    ASSERT_TRUE(page.select(0, gateways, e, config::lang_de));
    EXPECT_TRUE(e.pictureOn.empty() && e.pictureOff.empty() && e.outputText.empty());

    // A row beyond the list forgets the gateway and keeps the edits.
    e.ip = "kept";
    EXPECT_FALSE(page.select(2, gateways, e, config::lang_en));
    EXPECT_FALSE(page.gateway());
    EXPECT_EQ(e.ip, "kept");
    // The next gateway shown takes none of the password shown before.
    ASSERT_TRUE(page.select(1, gateways, e, config::lang_de));
    EXPECT_TRUE(e.pass.empty() && e.passConfirm.empty());

    const GridRows rows{{"10.0.0.9", "A"}, {"10.0.0.10", "B"}, {"10.0.0.11", "A"}};
    EXPECT_EQ(selectLastLine(rows, "10.0.0.11", "B"), 2);
    EXPECT_EQ(selectLastLine(rows, "10.0.0.1", "A"), 0);
    EXPECT_EQ(selectLastLine(rows, "", ""), -1);
}

// Two gateways of one name: the station's is the one whose hardware address
// it keeps, also after it moved and the other took the address it left; a
// station stored without one takes neither.
TEST(GatewayPage, TwoGatewaysOfOneNameAreToldApartByTheirHardwareAddress) {
    auto settings = memorySettings();
    config::TSingleConfig door = test::station("Door", config::KorvatServer, "10.77.0.9");
    std::tie(door.moxa, door.moxaPass, door.ausgangSchrift) = std::tuple(true, "own", "Open");
    door.moxaMac = "00:00:00:00:00:02";
    settings.addConfig(door);
    const devices::TGatewayList before{foundGateway("10.77.0.4", 2), foundGateway("10.77.0.5", 1),
                                       foundGateway("10.77.0.6", 3)};
    GatewayPage page(settings);
    const auto server = [](const std::string& address, const std::string& name) {
        devices::ServerFields s;
        std::tie(s.FIpAdresse, s.FPort, s.FName) = std::tuple(address, "80", name);
        return s;
    };
    const std::vector<ListedDevice> listed{{"10.77.0.9:80", "Door"}};
    EXPECT_EQ(page.rowOfServer(before, server("10.77.0.9", "Door"), listed), 0u);
    // A second server of the station's name is another device: no station,
    // and two gateways of its name.
    EXPECT_EQ(page.rowOfServer(before, server("10.77.0.8", "Door"), listed), std::nullopt);
    EXPECT_EQ(page.rowOfServer(before, server("10.77.0.7", "Yard"), listed), 2u);

    // Selected, it shows its station; the other of its name shows none.
    GatewayEdits e;
    ASSERT_TRUE(page.select(0, before, e, config::lang_en));
    EXPECT_EQ(std::tie(e.name, e.pass, e.outputText), std::tuple("Door", "own", "Open"));
    // It moves to .7, and the other takes .4: the selection follows it.
    const devices::TGatewayList after{foundGateway("10.77.0.4", 1), foundGateway("10.77.0.6", 3),
                                      foundGateway("10.77.0.7", 2)};
    EXPECT_EQ(page.rowOfSelected(after), 2u);
    EXPECT_EQ(page.rowOfServer(after, server("10.77.0.9", "Door"), listed), 2u);
    ASSERT_TRUE(page.select(0, after, e, config::lang_en));
    EXPECT_EQ(std::tie(e.name, e.pass, e.outputText), std::tuple("Door", "", ""));

    // Stored before the hardware address was kept: the one gateway of its
    // name, and none while two carry it.
    door.moxaMac.clear();
    settings.updateConfig(settings.getConfigByName("Door"), door);
    EXPECT_EQ(page.rowOfServer(after, server("10.77.0.9", "Door"), listed), std::nullopt);
    ASSERT_TRUE(page.select(2, after, e, config::lang_en));
    EXPECT_EQ(e.pass, "");
    const devices::TGatewayList alone{foundGateway("10.77.0.6", 3), foundGateway("10.77.0.7", 2)};
    EXPECT_EQ(page.rowOfServer(alone, server("10.77.0.9", "Door"), listed), 1u);
    ASSERT_TRUE(page.select(1, alone, e, config::lang_en));
    EXPECT_EQ(e.pass, "own");

    // A save of ours moved it to .7: a search begun before still lists it
    // at .4, and the page goes on with what the save left.
    devices::TGatewayObject saved = foundGateway("10.77.0.7", 2);
    saved.restarted();
    page.ranWith(saved);
    e.ip = "10.77.0.7";
    ASSERT_TRUE(page.select(0, before, e, config::lang_en));
    EXPECT_EQ(e.ip, "10.77.0.7");
    EXPECT_EQ(page.gateway()->IPAddress(), "10.77.0.7");
    EXPECT_TRUE(page.gateway()->restartedSinceFound());
}

TEST(IntercomPage, CodeAndDurationFilters) {
    for (char32_t c = 0x20; c < 0x250; ++c) {
        const std::u32string typed = U"12" + std::u32string(1, c) + U"3";
        const EditedText e = filterDoorCode(typed, 3);
        const bool keep = (c >= U'0' && c <= U'9') || c == U'*' || c == U'#';
        EXPECT_EQ(e.text, keep ? typed : U"123");
        EXPECT_EQ(e.caret, keep ? 3 : 2);
    }
    for (int n = -1; n <= 70; ++n) {
        const std::string text = std::to_string(n);
        const bool valid = n >= 1 && n <= 60;
        EXPECT_EQ(filterDuration(text), valid ? text : "5");
        EXPECT_EQ(storedDuration(text), valid && n != 1 ? n : 5);
    }
    for (const char* bad : {"x", "1x", " 7", "+7", "07x"}) EXPECT_EQ(filterDuration(bad), "5") << bad;
    EXPECT_EQ(filterDuration(""), "");
    EXPECT_EQ(storedDuration(""), 5);
}

TEST(IntercomPage, AssignmentChecksTheIntercomAndStoresTheCamerasStation) {
    auto settings = memorySettings();
    test::FakeDiscovery discovery;
    devices::ServerFields& cam = discovery.add("10.0.0.5", "80", "Hof", config::LindavorCam);
    cam.FcommonName = "Hofkamera";
    cam.FVideoPath = "/v.mjpg";
    cam.FAuthorization = true;
    discovery.add("10.0.0.6", "80", "Garten", config::AxisCam);
    discovery.addPhone("10.0.0.50", "Haus", config::KorvatV2);
    discovery.addPhone("10.0.0.51", "Tor");

    AssignmentEdits e;
    e.cameraKey = "10.0.0.5:80";
    e.intercom = "10.0.0.50";
    e.code = "12#";
    e.duration = "1";
    e.user = "u";
    e.password = "p";
    e.passwordConfirm = "p";
    // Unequal passwords and a taken intercom are refused through the dialog's window test.
    AssignmentResult r = assignCamera(e, discovery, discovery.phones, settings);
    ASSERT_TRUE(r.stored);
    auto stored = settings.getConfigByPhone("10.0.0.50");
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::tie(stored->typ, stored->telefonName, stored->teltyp, stored->Ip, stored->Port, stored->Name,
                       stored->commonName, stored->videoPath, stored->tuerCode, stored->tuerDauer, stored->Passwort),
              std::make_tuple(config::LindavorCam, "Haus", config::KorvatV2, "10.0.0.5", "80", "Hof", "Hofkamera",
                              "/v.mjpg", "12#", 5, "p"));
    EXPECT_TRUE(stored->NeedCredentials && stored->video && !stored->moxa && !stored->camAusgang);
    EXPECT_EQ(zuordnungRows(settings), (GridRows{{"10.0.0.5:80", "Hofkamera", "<->", "Haus", "10.0.0.50"}}));

    // An unheard intercom without a box, or a camera that left the list, does nothing.
    AssignmentEdits other = e;
    other.cameraKey = "10.0.0.6:80";
    other.intercom = "10.0.0.99";
    EXPECT_FALSE(assignCamera(other, discovery, discovery.phones, settings).stored);
    other.cameraKey = "10.0.0.7:80";
    other.withoutIntercom = true;
    EXPECT_FALSE(assignCamera(other, discovery, discovery.phones, settings).stored);

    // A camera without an intercom, using its own output; the duration of
    // an empty edit is 5 seconds.
    other.cameraKey = "10.0.0.6:80";
    other.output = true;
    other.outputText = "Tür";
    other.duration.clear();
    ASSERT_TRUE(assignCamera(other, discovery, discovery.phones, settings).stored);
    stored = settings.getConfigByIP("10.0.0.6:80");
    EXPECT_TRUE(stored->ohneBT && stored->camAusgang && stored->telefonIP.empty());
    EXPECT_EQ(stored->tuerDauer, 5);
    EXPECT_EQ(stored->UserName, "u");
    const CameraControls shown = cameraControls(*discovery.find("10.0.0.6:80"), settings);
    EXPECT_TRUE(shown.boxesEnabled && shown.withoutIntercom && shown.output);
    EXPECT_EQ(shown.outputText, "Tür");
    EXPECT_EQ(shown.duration, "5");
}

// An intercom speaks only when something happens at its door, and a camera
// may leave the list for a moment: an existing assignment is edited all the
// same, and what cannot be stored says why.
TEST(IntercomPage, AnAssignmentIsEditedWhileItsIntercomIsSilentOrItsCameraUnlisted) {
    config::TVideoConfig settings = memorySettings();
    test::FakeDiscovery discovery;
    discovery.add("10.0.0.5", "80", "Hof", config::AxisCam).FcommonName = "Hofkamera";
    discovery.addPhone("10.0.0.50", "Haus");
    AssignmentEdits e;
    e.cameraKey = "10.0.0.5:80";
    e.intercom = "10.0.0.50";
    ASSERT_TRUE(assignCamera(e, discovery, discovery.phones, settings).stored);

    devices::telefonObjekt nameless;
    nameless.FIpAdresse = "10.0.0.50";
    const struct {
        std::vector<devices::telefonObjekt> heard;
        std::string intercom;  // chosen in the intercom grid
        bool listed;           // the camera is in the discovery list
    } cases[] = {{{}, "", true}, {{nameless}, "10.0.0.50", true}, {{}, "", false}};
    int code = 12345670;
    for (const auto& c : cases) {
        e.code = std::to_string(++code);
        SCOPED_TRACE(e.code);
        test::FakeDiscovery now = discovery;
        if (!c.listed) now.devices.clear();
        e.intercom = c.intercom;
        e.duration = "9";
        const AssignmentResult r = assignCamera(e, now, c.heard, settings);
        EXPECT_TRUE(r.stored && !r.problem);
        ASSERT_EQ(settings.Count(), 1);
        const auto s = settings.getConfigByPhone("10.0.0.50");
        ASSERT_TRUE(s);
        EXPECT_EQ(std::tie(s->tuerCode, s->tuerDauer, s->telefonName, s->Ip, s->Port, s->typ, s->commonName),
                  std::make_tuple(e.code, 9, "Haus", "10.0.0.5", "80", config::AxisCam, "Hofkamera"));
    }

    // Nothing chosen to assign to, and a camera neither listed nor stored.
    e.cameraKey = "10.0.0.6:80";
    discovery.add("10.0.0.6", "80", "Garten", config::AxisCam);
    AssignmentResult r = assignCamera(e, discovery, {}, settings);
    EXPECT_EQ(std::tie(r.problem, r.incomplete, r.stored),
              std::make_tuple(&config::txtChooseDoorIntercom, true, false));
    e.cameraKey = "10.0.0.7:80";
    r = assignCamera(e, discovery, discovery.phones, settings);
    EXPECT_EQ(std::tie(r.problem, r.incomplete, r.stored), std::make_tuple(&config::txtCameraNotListed, true, false));
    EXPECT_EQ(settings.Count(), 1);
}

TEST(IntercomPage, SecondCameraMenuAndRemoval) {
    auto settings = memorySettings();
    test::FakeDiscovery discovery;
    discovery.add("10.0.0.5", "80", "Hof", config::LindavorCam);
    devices::ServerFields& second = discovery.add("10.0.0.6", "8080", "Garten", config::AxisCam);
    second.FAuthorization = true;
    discovery.addPhone("10.0.0.50", "Haus");
    AssignmentEdits e;
    e.cameraKey = "10.0.0.5:80";
    e.intercom = "10.0.0.50";
    ASSERT_TRUE(assignCamera(e, discovery, discovery.phones, settings).stored);

    const std::vector<std::string> captions{"10.0.0.5:80\r\nHof", "10.0.0.6:8080\r\nGarten\r\nG"};
    auto menu = secondCameraMenu("10.0.0.5:80", "10.0.0.50", captions, settings, config::lang_en);
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[1].caption, "10.0.0.6:8080  Garten");
    EXPECT_FALSE(menu[1].checked);
    EXPECT_EQ(menu[2].caption, "delete");

    // The credentials are asked with no lock held; a camera that left the
    // list meanwhile is not taken.
    int asked = 0;
    const AskCredentials ask = [&](const std::string& name) {
        ++asked;
        EXPECT_EQ(name, "Garten");
        return std::optional<Credentials>({"g", "pw"});
    };
    test::FakeDiscovery copy = discovery;
    EXPECT_FALSE(setSecondCamera("10.0.0.5:80", "10.0.0.50", "10.0.0.6:8080", settings, copy, [&](const std::string&) {
        copy.devices.pop_back();
        return std::optional<Credentials>({"g", "pw"});
    }));
    EXPECT_TRUE(settings.getConfigByPhone("10.0.0.50")->secondaryName.empty());
    ASSERT_TRUE(setSecondCamera("10.0.0.5:80", "10.0.0.50", "10.0.0.6:8080", settings, discovery, ask));
    EXPECT_EQ(asked, 1);
    auto station = settings.getConfigByPhone("10.0.0.50");
    EXPECT_EQ(
        std::tie(station->secondaryName, station->secondaryPort, station->secondaryType, station->secondaryPassword),
        std::make_tuple("Garten", "8080", config::AxisCam, "pw"));
    EXPECT_EQ(discovery.find("10.0.0.6:8080")->fields.FUserName, "g");
    menu = secondCameraMenu("10.0.0.5:80", "10.0.0.50", captions, settings, config::lang_en);
    EXPECT_TRUE(menu[1].checked);

    // Assigning the camera again keeps its second camera; "delete" takes it.
    ASSERT_TRUE(assignCamera(e, discovery, discovery.phones, settings).stored);
    EXPECT_EQ(settings.getConfigByPhone("10.0.0.50")->secondaryName, "Garten");
    ASSERT_TRUE(setSecondCamera("10.0.0.5:80", "10.0.0.50", "", settings, discovery, ask));
    station = settings.getConfigByPhone("10.0.0.50");
    EXPECT_TRUE(station->secondaryName.empty() && station->secondaryIp.empty());

    EXPECT_FALSE(removeAssignment("10.0.0.5:80", " 10.0.0.51 ", settings));
    EXPECT_TRUE(removeAssignment("10.0.0.9:80", " 10.0.0.50 ", settings));
    EXPECT_EQ(settings.Count(), 0);
}

TEST(SurveillancePage, PreviewTilesOfEveryLayoutFillThePanel) {
    const int counts[] = {4, 2, 2, 6, 6, 9, 12, 12, 16, 6, 8};
    for (int l = 0; l < config::kLayoutCount; ++l) {
        const Preview p = previewGeometry(static_cast<config::TLayoutTyp>(l));
        ASSERT_EQ(static_cast<int>(p.tiles.size()), counts[l]) << l;
        EXPECT_LE(p.width, kPreviewWidth + 2);
        EXPECT_LE(p.height, kPreviewHeight + 2);
        int area = 0;
        for (std::size_t i = 0; i < p.tiles.size(); ++i) {
            const video::PixelRect& a = p.tiles[i].place;
            EXPECT_EQ(p.tiles[i].number, static_cast<int>(i));
            EXPECT_GE(a.left, 1);
            EXPECT_GE(a.top, 1);
            EXPECT_LE(a.left + a.width, p.width - 1) << l;
            EXPECT_LE(a.top + a.height, p.height - 1) << l;
            area += a.width * a.height;
            for (std::size_t j = i + 1; j < p.tiles.size(); ++j) {
                const video::PixelRect& b = p.tiles[j].place;
                const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                                   a.top + a.height <= b.top || b.top + b.height <= a.top;
                EXPECT_TRUE(apart) << l << ": " << i << " " << j;
            }
        }
        EXPECT_EQ(area, (p.width - 2) * (p.height - 2)) << l;  // no gaps
    }
    const Preview two = previewGeometry(config::r2x1);
    EXPECT_EQ(two.width, 234);
    EXPECT_EQ(two.height, 147);
    EXPECT_EQ(two.tiles[1].place, (video::PixelRect{117, 1, 116, 145}));
    const Preview big = previewGeometry(config::r3x3G);
    EXPECT_EQ(big.tiles[0].place, (video::PixelRect{1, 1, 152, 92}));
    EXPECT_EQ(big.tiles[2].place, (video::PixelRect{153, 47, 76, 46}));
    EXPECT_EQ(big.tiles[3].place, (video::PixelRect{1, 93, 76, 46}));

    auto settings = memorySettings();
    config::TSurveillanceConfig camera;
    camera.name = "Hof";
    camera.recording = 2;
    settings.putSurvConfig("1", camera);
    const Preview stored = previewOf(config::r2x2, settings);
    EXPECT_EQ(stored.tiles[1].label, "1\r\nHof");
    EXPECT_TRUE(stored.tiles[1].configured);
    EXPECT_EQ(stored.tiles[1].recording, 2);
    EXPECT_FALSE(stored.tiles[0].configured);

    for (const char* one : {"0", "abc", "", "-5", "1"}) EXPECT_EQ(recordLengthOf(one), 1) << one;
    EXPECT_EQ(recordLengthOf("360"), 360);
    EXPECT_EQ(recordLengthOf("99999999999"), 360);
    EXPECT_EQ(frameRateDivisor(3), 1);
    EXPECT_EQ(frameRateDivisor(8), 8);
}

TEST(IntercomMemory, EveryByteOfEveryAddressBothWays) {
    for (const int address : kSpecialAddresses) {
        for (int value = 0; value < 256; ++value) {
            IntercomMemory f;
            applyValue(f, address, value);
            int expected = 0;
            switch (address) {
                case 0x602: expected = value <= 3 ? value : 0; break;
                case 0x604: expected = value & 0x0F; break;
                case 0x606: expected = value == 1; break;
                case 0x617:
                case 0x618:
                case 0x619:
                case 0x61A: expected = value <= 9 || value == 0x46 ? value : 0xFF; break;
                default: expected = value > 0; break;
            }
            EXPECT_EQ(valueOf(f, address), expected) << std::hex << address << " " << value;
        }
    }
    IntercomMemory f;
    applyValue(f, 0x604, 0x05);
    EXPECT_TRUE(f.cancelCall && f.relay1 && !f.hangUp && !f.relay2);
    applyValue(f, 0x617, 0x46);
    applyValue(f, 0x618, 0x0A);
    applyValue(f, 0x619, 7);
    EXPECT_STREQ(keyEntryText(f.keys[0]), "F");
    EXPECT_STREQ(keyEntryText(f.keys[1]), "-");
    EXPECT_STREQ(keyEntryText(f.keys[2]), "7");
    applyValue(f, 0x602, 9);  // changes nothing
    EXPECT_EQ(f.callLogic, -1);
    EXPECT_EQ(valueOf(f, 0x602), 0);

    EXPECT_EQ(parseAnswer("4A"), 0x4A);
    EXPECT_EQ(parseAnswer("ff rest"), 0xFF);
    for (const char* bad : {"", "4", "G1", " 1", "-1"}) EXPECT_EQ(parseAnswer(bad), std::nullopt) << bad;
}
