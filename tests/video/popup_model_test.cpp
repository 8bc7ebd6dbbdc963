// The call views' logic without windows: stream records of the popup and the
// door frame, the door panel, the door opening by device type, the size
// rules, the call timers and snapshot names.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/cfgUnit.h"
#include "platform/MainLoop.h"
#include "platform/Registry.h"
#include "support/ChildProcess.h"
#include "video/CallTimers.h"
#include "video/HauptProgrammModel.h"
#include "video/PictureFolder.h"
#include "video/SnapshotNames.h"
#include "video/TuerOeffnen.h"
#include "video/tuerVideoModel.h"

namespace oculon::video {
namespace {

using namespace config;
using namespace std::chrono_literals;

TSingleConfig station(TVideoServerType typ) {
    TSingleConfig s;
    s.typ = typ;
    s.Name = "Haustuer";
    s.Ip = "10.77.0.2";
    s.Port = "8080";
    s.moxaIP = "10.77.0.9";
    s.UserName = "user";
    s.Passwort = "pass";
    s.AdminPass = "8516";
    s.tuerDauer = 5;
    return s;
}

const ApiIds kIds{"12345", "54321"};

struct CallModel : ::testing::Test {
    CallModel() { sprache = lang_en; }
};

// ---- Stream records ---------------------------------------------------

TEST_F(CallModel, StreamPathsWithThePopupsAndTheFramesChoices) {
    // The types' own paths are the type table's; the popup adds the
    // resolution choice or its stream id, or asks for the camera's own
    // resolution; a stored path overrides them.
    CallOptions o;
    TSingleConfig axis = station(AxisCam);
    axis.resString = "?resolution=1280x720";
    EXPECT_EQ(popupSetup(axis, false, o, kIds).main.Path, "/axis-cgi/mjpg/video.cgi?resolution=1280x720");
    EXPECT_EQ(popupSetup(station(KorvatCamQuorix), false, o, kIds).main.Path, "/axis-cgi/mjpg/video.cgi?appid=12345");
    EXPECT_EQ(popupSetup(station(unknown), false, o, kIds).main.Path, "");
    o.useCamRes = true;
    EXPECT_EQ(popupStreamPath(axis, o, "1"), "/axis-cgi/mjpg/video.cgi");
    EXPECT_EQ(frameSetup(axis, false, o, "777").main.Path, "/axis-cgi/mjpg/video.cgi?resolution=1280x720");
    axis.videoPath = "/own.mjpg";
    EXPECT_EQ(popupStreamPath(axis, o, "1"), "/own.mjpg");

    // The door frame takes the stored path only where its type says so.
    TSingleConfig s = station(KorvatServer);
    s.videoPath = "/stored.mjpg";
    EXPECT_EQ(frameStreamPath(s, "777"), "/GetData.cgi");
    for (const TVideoServerType typ : {KorvatServer2, unknown}) {
        s.typ = typ;
        EXPECT_EQ(frameStreamPath(s, "777"), "/stored.mjpg") << int(typ);
    }
    s.typ = KorvatCamQuorix;
    EXPECT_EQ(frameStreamPath(s, "777"), "/axis-cgi/mjpg/video.cgi?appid=777");
}

TEST_F(CallModel, SecondCameraRecordPlaysLikeAWallTile) {
    TSingleConfig s = station(KorvatServer);
    s.secondaryName = "Hof";
    s.secondaryIp = "10.77.0.3";
    s.secondaryPort = "81";
    s.secondaryType = AxisCam;
    s.secondaryResString = "?resolution=640x480";
    s.resString = "?resolution=1x1";
    s.secondaryUserName = "u2";
    s.secondaryPassword = "p2";
    const CallSetup c = popupSetup(s, true, {}, kIds);
    ASSERT_TRUE(c.second);
    const TServerAttributes& r = *c.second;
    EXPECT_EQ(r.IP + ":" + std::to_string(r.Port) + " " + r.UserName + ":" + r.Password + " " + r.Path,
              "10.77.0.3:81 u2:p2 /axis-cgi/mjpg/video.cgi?resolution=640x480");
    EXPECT_TRUE(r.ueberwachung && r.zeigeImmer && !r.aufzeichnen && !r.isMoxa);

    for (const auto& [type, path] :
         {std::pair{KorvatCamQuorix, "/axis-cgi/mjpg/video.cgi?appid=54321"}, {unknown, ""}}) {
        s.secondaryType = type;
        EXPECT_EQ(secondStreamPath(s, "54321"), path);
    }
    s.secondaryPath = "/second.mjpg";
    EXPECT_EQ(secondStreamPath(s, "54321"), "/second.mjpg");
    s.secondaryName.clear();
    EXPECT_FALSE(popupSetup(s, true, {}, kIds).second);
}

TEST_F(CallModel, CredentialsFallBackToTheAdministrator) {
    TSingleConfig s = station(LindavorCam);
    s.NeedCredentials = false;
    TServerAttributes r;
    r.UserName = "stale";
    const auto credentials = [&] {
        setStreamCredentials(r, s);
        return std::make_pair(r.UserName, r.Password);
    };
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(credentials(), Pair("", ""));
    s.NeedCredentials = true;
    EXPECT_EQ(credentials(), Pair("user", "pass"));
    s.UserName.clear();  // a password alone still counts as given
    EXPECT_EQ(credentials(), Pair("", "pass"));
    s.Passwort.clear();
    EXPECT_EQ(credentials(), Pair("administrator", "8516"));
    // The frame fills its record the same way.
    EXPECT_EQ(frameSetup(s, false, {}, "1").main.UserName, "administrator");
}

TEST_F(CallModel, MainRecordRecordingAndFolderMessage) {
    TSingleConfig s = station(KorvatServer);
    s.commonName = "Eingang";
    s.eingang = true;
    s.mirabPath = "/m";
    s.mirabReduction = 12;
    CallOptions o;
    o.storeVideo = true;
    CallSetup c = popupSetup(s, false, o, kIds);
    EXPECT_EQ(c.myName + "|" + c.caption + "|" + c.nameText + "|" + c.main.CameraName,
              "Eingang|Eingang|  Eingang|Eingang");
    EXPECT_TRUE(c.main.isMoxa && !c.main.ueberwachung && !c.main.zeigeImmer && c.main.mirabCrop == 12);
    EXPECT_TRUE(c.main.aufzeichnen && c.firstPictureCallback && !c.invalidPathMessage);

    o.firstPictPath = "/nonexistent/pictures/";
    o.pictureFolderMissing = true;
    c = popupSetup(s, true, o, kIds);
    EXPECT_EQ(c.caption, "Eingang - Preview");
    EXPECT_FALSE(c.main.aufzeichnen || c.firstPictureCallback);
    ASSERT_TRUE(c.invalidPathMessage);
    EXPECT_EQ(*c.invalidPathMessage, "The path for storing images is invalid: \r\n/nonexistent/pictures/");

    // The frame names the call by the station's name and records whenever
    // recording is on; a folder it cannot write to is the decoder's concern.
    c = frameSetup(s, false, o, "1");
    EXPECT_EQ(c.myName, "Haustuer");
    EXPECT_TRUE(c.main.aufzeichnen && c.firstPictureCallback && !c.invalidPathMessage);

    // The options come from the settings, read back from the store at once.
    testsupport::TempDir dir;
    TVideoConfig settings(std::make_shared<platform::MemoryRegistryStore>());
    settings.schreibeStoreVideo(true);
    settings.schreibeFirstPictPath(dir.path() + "/");
    settings.schreibeAllowConfig(true);
    settings.schreibeCodeTuerOffen(true);
    o = CallOptions::read(settings);
    EXPECT_TRUE(o.allowCapture && o.storeVideo && o.codeTuerOffen && !o.pictureFolderMissing);
    EXPECT_EQ(popupSetup(s, false, o, kIds).pictureFolderToLook, dir.path() + "/");
    // Not known as the call starts (it does not wait for the worker); each
    // call's look tells the folder as it is then, made or gone since the last.
    const std::string folder = dir.path() + "/missing/";
    settings.schreibeFirstPictPath(folder);
    EXPECT_FALSE(CallOptions::read(settings).pictureFolderMissing);
    platform::ManualLoopBackend loop;
    for (const auto& [change, missing] : {std::pair<std::function<void()>, bool>{[] {}, true},
                                          {[&] { std::filesystem::create_directory(folder); }, false},
                                          {[] {}, false},
                                          {[&] { std::filesystem::remove(folder); }, true}}) {
        change();
        std::optional<bool> answer;
        lookAtPictureFolder(folder, [&](bool found) { answer = found; });
        ASSERT_TRUE(loop.pumpUntil([&] { return answer.has_value(); }, std::chrono::seconds(10)));
        EXPECT_EQ(*answer, missing);
    }
}

// ---- Door panel -------------------------------------------------------

TEST_F(CallModel, DoorPanelByInputOutputAndType) {
    TSingleConfig s = station(KorvatServer);
    CallOptions o;
    DoorPanelLayout d = popupSetup(s, false, o, kIds).door;
    EXPECT_FALSE(d.panelVisible || d.doorVisible);

    s.ausgang = true;
    s.ausgangSchrift = "Tor";
    d = popupSetup(s, false, o, kIds).door;
    EXPECT_TRUE(d.panelVisible && d.doorVisible);
    // The popup holds the door button alone at h - 25, the wall's door frame at h - 26.
    EXPECT_EQ(d.doorCaption + " " + std::to_string(popupLayout({400, 525}, 0.0, d).moxaPanel.top) + " " +
                  std::to_string(frameLayout({400, 525}, 1.0, d, false).moxaPanel.top),
              "Tor 500 499");
    s.camAusgang = true;
    s.camAusgangSchrift = "Relais";
    EXPECT_EQ(popupSetup(s, false, o, kIds).door.doorCaption, "Relais");
    o.codeTuerOffen = true;
    EXPECT_EQ(popupSetup(s, false, o, kIds).door.doorCaption, "release-buzzer");

    // A stored code alone shows the door button with the catalogue caption.
    TSingleConfig coded = station(LindavorCam);
    coded.tuerCode = "12";
    d = popupSetup(coded, false, {}, kIds).door;
    EXPECT_TRUE(d.panelVisible && d.doorVisible && d.doorCaption == "release-buzzer");

    TSingleConfig input = station(KorvatServer);
    input.eingang = true;
    input.eingangSchriftEin = "offen";
    input.eingangSchriftAus = "zu";
    CallSetup c = popupSetup(input, false, {}, kIds);
    EXPECT_TRUE(c.door.panelVisible && c.door.inputVisible && !c.door.doorVisible && !c.input.usesPicture);
    EXPECT_EQ(c.input.label(true) + c.input.label(false), "offenzu");
    input.eingangBildEin = "/pics/on.bmp";
    EXPECT_TRUE(popupSetup(input, false, {}, kIds).input.usesPicture);

    // An Axis camera without input gets the light button.
    TSingleConfig axis = station(AxisCam);
    d = popupSetup(axis, false, {}, kIds).door;
    EXPECT_TRUE(d.panelVisible && d.lichtVisible && !d.doorVisible);
    EXPECT_EQ(d.lichtCaption, "Light");
    axis.camAusgang = true;
    d = popupSetup(axis, false, {}, kIds).door;
    EXPECT_TRUE(d.doorVisible && d.lichtVisible && d.doorTop - d.lichtTop == 26);
    axis.eingang = true;  // the input takes the light button's place
    EXPECT_FALSE(frameSetup(axis, false, {}, "1").door.lichtVisible);
}

// ---- Door opening -----------------------------------------------------

// Presses the door button and tells what it did, effect by effect: "udp
// <frame>><host>", "phone <payload>><host>", "code?", "comment?", "snapshot
// <file>|<comment>", "light <host>:<port> <user>:<password> <path>
// <ms>", "post <host>:<port> <user>:<password> <seconds>", "close".
struct DoorButton {
    std::optional<std::string> code = std::string("9");
    std::optional<std::string> comment = std::string("Paket");

    std::string press(const TSingleConfig& s, const DoorOptions& o, bool preview = false) {
        std::string log;
        const auto add = [&log](const std::string& e) { log += (log.empty() ? "" : "; ") + e; };
        DoorEffects fx;
        fx.sendFunction = [&](const std::string& f, const std::string& h) { add("udp " + f + ">" + h); };
        fx.sendFunctionLindavor = [&](const std::string& p, const std::string& h) { add("phone " + p + ">" + h); };
        fx.askCode = [&] { return add("code?"), code; };
        fx.askComment = [&] { return add("comment?"), comment; };
        fx.saveImage = [&](const std::string& f, const std::string& c) { add("snapshot " + f + "|" + c); };
        fx.startLight = [&](const LightRequest& r) {
            add("light " + r.host + ":" + r.port + " " + r.user + ":" + r.password + " " + r.path + " " +
                std::to_string(r.durationMs));
        };
        fx.sendRelay = [&](const RelayPost& r) {
            add("post " + r.host + ":" + std::to_string(r.port) + " " + r.user + ":" + r.password + " " +
                std::to_string(r.durationSeconds));
        };
        fx.close = [&] { add("close"); };
        const DoorResult result = tuerOeffnen(popupSetup(s, preview, {}, kIds).target, o, fx);
        return result == DoorResult::cancelled ? log + " (cancelled)" : log;
    }
};

TEST_F(CallModel, VideoServerWithoutTelephoneSendsTheCommandFrameOnly) {
    const std::string door = std::string("\x1F") + "TK";
    EXPECT_EQ(tuerKommando(), door);
    DoorOptions o;
    o.codeTuerOffen = true;  // never asked for this type
    o.protTuerOffen = true;
    TSingleConfig s = station(KorvatServer);
    s.camAusgang = true;
    DoorButton button;
    EXPECT_EQ(button.press(s, o), "udp " + door + ">10.77.0.9");
    // Without a sender nothing happens, and nothing breaks.
    EXPECT_EQ(tuerOeffnen(popupSetup(s, false, {}, kIds).target, o, DoorEffects{}), DoorResult::nothingToSend);
    // A call found by the search has no gateway: the server itself takes the command.
    s.moxaIP.clear();
    EXPECT_EQ(button.press(s, o), "udp " + door + ">10.77.0.2");
}

TEST_F(CallModel, TelephonePayloadWithPaddedCode) {
    // Code, popup padding, door frame padding. A code of exactly four
    // characters stays four: the telephone reads "1051234", not "1051234FFFF".
    const struct {
        const char* code;
        const char* popup;
        const char* frame;
    } pads[] = {{"", "FFFF", "FFFF"},
                {"12", "12FF", "12FF"},
                {"1234", "1234", "1234"},
                {"56789", "56789FFF", "56789"},
                {"12345678", "12345678", "12345678"},
                {"123456789", "123456789", "123456789"}};
    for (const auto& p : pads) {
        EXPECT_EQ(padDoorCode(p.code, CodePadding::fourThenEight), p.popup) << p.code;
        EXPECT_EQ(padDoorCode(p.code, CodePadding::atLeastFour), p.frame) << p.code;
    }
    EXPECT_EQ(telephonePayload(5, "12FF"), "10512FF");
    EXPECT_EQ(telephonePayload(12, "FFFF"), "112FFFF");

    // A telephone turns type 0 into a telephone call too, with the stored
    // code, or the typed one when the prompt is on.
    DoorButton button;
    TSingleConfig s = station(KorvatServer);
    s.telefonIP = "10.77.0.20";
    s.tuerCode = "12";
    EXPECT_EQ(button.press(s, {}), "phone 10512FF>10.77.0.20");
    s.tuerCode = "1234";
    EXPECT_EQ(button.press(s, {}), "phone 1051234>10.77.0.20");
    DoorOptions frame;
    frame.padding = CodePadding::atLeastFour;
    s.tuerCode = "56789";
    EXPECT_EQ(button.press(s, frame), "phone 10556789>10.77.0.20");
    frame.codeTuerOffen = true;
    EXPECT_EQ(button.press(s, frame), "code?; phone 1059FFF>10.77.0.20");
    button.code.reset();
    EXPECT_EQ(button.press(s, frame), "code? (cancelled)");
}

TEST_F(CallModel, ProtocolSnapshotWithUserAndComment) {
    DoorOptions o;
    o.protTuerOffen = true;
    o.snapshotBaseName = [] { return std::string("/pics/2024-03-07_09-05-01_Haustuer"); };
    o.userName = [] { return std::string("anna"); };
    TSingleConfig s = station(LindavorCam);
    s.telefonIP = "10.77.0.20";
    DoorButton button;
    EXPECT_EQ(button.press(s, o),
              "snapshot /pics/2024-03-07_09-05-01_Haustuer.jpg|User: anna; phone 105FFFF>10.77.0.20");
    o.kommentarTuerOffen = true;
    EXPECT_EQ(button.press(s, o),
              "comment?; snapshot /pics/2024-03-07_09-05-01_Haustuer.jpg|User: anna, Comment: Paket; phone "
              "105FFFF>10.77.0.20");
    // Cancel in the comment prompt: no snapshot and no door; a cancelled code
    // prompt comes before the comment.
    button.comment.reset();
    EXPECT_EQ(button.press(s, o), "comment? (cancelled)");
    o.codeTuerOffen = true;
    button.code.reset();
    EXPECT_EQ(button.press(s, o), "code? (cancelled)");
}

TEST_F(CallModel, CameraRelaysLightAndTheRelayPost) {
    TSingleConfig s = station(KorvatCamQuorix);
    s.camAusgang = true;
    s.ohneBT = true;
    DoorOptions o;
    o.codeTuerOffen = true;  // a camera relay asks for no code
    DoorButton button;
    EXPECT_EQ(button.press(s, o), "light 10.77.0.2:8080 user:pass /axis-cgi/io/port.cgi?action=4:/5000%5C 5000; close");
    s.typ = AxisCam;
    s.tuerDauer = 12;
    EXPECT_EQ(button.press(s, o, true),  // a preview stays open
              "light 10.77.0.2:8080 user:pass /axis-cgi/io/port.cgi?action=3:/12000%5C 12000");
    EXPECT_EQ(lightRequest(popupSetup(s, false, {}, kIds).target),
              (LightRequest{"10.77.0.2", "8080", "user", "pass",
                            "/axis-cgi/io/lightcontrol.cgi?action=L1:-100,w15000,-0", 20000}));

    // Other cameras with a relay get a form POST.
    s.typ = HikVision;
    EXPECT_EQ(button.press(s, {}), "post 10.77.0.2:8080 user:pass 12");
    EXPECT_EQ(relayPostRequest({"10.77.0.2", 8080, "user", "pass", 12}),
              "POST /remote.cgi HTTP/1.1\r\n"
              "Host: 10.77.0.2\r\n"
              "Authorization: Basic dXNlcjpwYXNz\r\n"
              "Content-Length: 26\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "\r\n"
              "CAM_IOSET1=0&CAM_IOSET2=12\r\n");
    // The announced length is that of the body for every duration.
    for (int d : {0, 5, 9, 10, 99, 100, 3600, -1}) {
        const std::string req = relayPostRequest({"h", 80, "", "", d});
        const std::string body = "CAM_IOSET1=0&CAM_IOSET2=" + std::to_string(d);
        EXPECT_NE(req.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos) << d;
    }
}

// ---- Size rule and layout ---------------------------------------------

TEST_F(CallModel, PopupSizeFitsWidePicturesAtSixteenToNineOthersAtFourToThree) {
    const double wide = 16.0 / 9.0, normal = 4.0 / 3.0;
    const struct {
        Size client;
        double aspect;
        Size fitted;
    } cases[] = {
        // Exactly 16:9 is not below the threshold: the width follows the height.
        {{648, 432}, wide, {648, 432}},
        {{700, 432}, wide, {648, 432}},
        // Narrower than 16:9: the height follows the width.
        {{648, 433}, wide, {648, 432}},
        {{648, 600}, wide, {648, 432}},
        {{648, 552}, normal, {648, 552}},
        {{648, 500}, normal, {648, 552}},
        {{648, 553}, normal, {649, 553}},
        // An aspect of exactly 1.5 counts as narrow; halves round to even.
        {{608, 553}, 1.5, {730, 553}},  // 481 * 1.5 = 721.5 -> 722
        {{608, 555}, 1.5, {732, 555}},  // 483 * 1.5 = 724.5 -> 724
        // Nothing to fit to.
        {{648, 72}, normal, {648, 72}},
        {{648, 552}, 0.0, {648, 552}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(popupSizeRule(c.client, c.aspect), c.fitted) << c.client.width << "x" << c.client.height;
    // The window takes sizes above 10 x 74; its client area, the header row and 3 x 3 pixels of picture.
    EXPECT_EQ(popupMinimumSize(), (Size{11, 75}));
    EXPECT_EQ(popupMinimumSize({0, kPopupHeaderHeight}), (Size{3, kPopupHeaderHeight + 3}));
}

TEST_F(CallModel, TheFramesPictureIsCentredAtItsAspect) {
    DoorPanelLayout door;
    door.panelHeight = 52;
    const std::tuple<double, bool, Rect> cases[] = {
        {4.0 / 3.0, false, {15, 30, 533, 400}}, {16.0 / 9.0, true, {0, 71, 564, 317}}, {0.0, false, {0, 30, 564, 400}}};
    for (const auto& [aspect, flag, picture] : cases)
        EXPECT_EQ(frameLayout({564, 430}, aspect, door, flag).picture, picture);
}

// In a size a window manager chose the picture keeps its aspect, and the
// second camera's inset lies on it.
TEST_F(CallModel, APopupLaysOutForTheSizeItHas) {
    const struct {
        Size client;
        double aspect;
        Rect picture;
    } cases[] = {
        {{676, 552}, 4.0 / 3.0, {0, 45, 676, 507}},      // the size it asked for
        {{480, 1028}, 4.0 / 3.0, {0, 356, 480, 360}},    // a tiled column
        {{1280, 525}, 16.0 / 9.0, {213, 45, 853, 480}},  // a tiled row
        {{480, 1028}, 0.0, {0, 45, 480, 983}},           // no picture yet
    };
    for (const auto& c : cases) {
        const PopupLayout l = popupLayout(c.client, c.aspect, {});
        EXPECT_EQ(l.image1, c.picture) << c.client.width << "x" << c.client.height;
        EXPECT_GE(l.panel2.top, l.image1.top);
        EXPECT_LE(l.panel2.left + l.panel2.width, l.image1.left + l.image1.width);
    }
}

// ---- Timers and names -------------------------------------------------

TEST_F(CallModel, WatchdogOnlyAfterTheFirstPictureAndTheVideoOnlyTime) {
    std::chrono::steady_clock::time_point now{};
    const CallTimers::Clock clock = [&now] { return now; };
    CallTimers t(clock, true);
    t.start(false, 5);
    now += 1h;
    EXPECT_TRUE(t.poll() == CallTimers::Expired::none && !t.untilNext());  // no picture yet: stays open
    t.pictureShown();
    now += 2999ms;
    t.pictureShown();  // restarts
    now += 2999ms;
    EXPECT_TRUE(t.poll() == CallTimers::Expired::none && t.untilNext() == CallTimers::Millis(1));
    now += 1ms;
    EXPECT_EQ(t.poll(), CallTimers::Expired::watchdog);
    EXPECT_EQ(t.poll(), CallTimers::Expired::none);  // fires once

    CallTimers frame(clock, false);  // no watchdog in the frame
    frame.start(true, 5);
    frame.pictureShown();
    now += 4s;
    frame.refreshVideoOnly();
    now += 4999ms;
    EXPECT_EQ(frame.poll(), CallTimers::Expired::none);
    now += 1ms;
    EXPECT_EQ(frame.poll(), CallTimers::Expired::videoOnly);
    frame.start(true, 5);
    frame.setVideoOnly(false);
    now += 10s;
    EXPECT_EQ(frame.poll(), CallTimers::Expired::none);
    frame.refreshVideoOnly();  // not video-only: nothing starts
    frame.setVideoOnly(true);
    EXPECT_FALSE(frame.videoOnlyRunning());
    frame.refreshVideoOnly();
    EXPECT_TRUE(frame.videoOnlyRunning());
    frame.start(true, 0);  // no duration, no limit
    EXPECT_FALSE(frame.videoOnlyRunning());
}

TEST_F(CallModel, DatedSnapshotNameThatStaysInItsFolder) {
    std::tm t{};
    t.tm_year = 124, t.tm_mon = 2, t.tm_mday = 7, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 1;
    EXPECT_EQ(GetFileName(t, "Haustuer"), "2024-03-07_09-05-01_Haustuer");
    EXPECT_EQ(GetFileName(t, "../../etc/x"), "2024-03-07_09-05-01_.._.._etc_x");
    EXPECT_EQ(snapshotCaption("  Haustuer", t), "  Haustuer  " + shortDate(t) + "  " + shortTime(t));
    EXPECT_EQ(frameClockText(t), shortDate(t) + "  " + shortTime(t) + " ");
}

}  // namespace
}  // namespace oculon::video
