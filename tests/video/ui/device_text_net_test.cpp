// What stations and cameras call themselves and what a camera answers reach
// the call windows, the wall and the prompts as literal text: each hostile
// name (gui/HostileText.h) as a station's name, door caption and input text,
// as a loopback camera's status line and as a wall camera's name shows in its
// shownText form, labels in plain text, titles without the placeholder, the
// door button without a shortcut mark, painted captions as that form paints.

#include <gtest/gtest.h>

#include <QPushButton>

#include "config/cfgUnit.h"
#include "gui/HostileText.h"
#include "gui/QtTestKit.h"
#include "platform/Registry.h"
#include "support/LoopbackHttpServer.h"
#include "video/ui/HauptProgramm.h"
#include "video/ui/ZugangAbfrage.h"
#include "video/ui/adminPassForm.h"
#include "video/ui/tuerVideo.h"
#include "video/ui/ueberwachungUnit.h"

namespace oculon::video::ui {
namespace {

using namespace std::chrono_literals;
using testsupport::kHostileNames;
using testsupport::labelShows;
using testsupport::LoopbackHttpServer;
using testsupport::pumpUntil;
using testsupport::RecordedRequest;
using testsupport::Script;
using testsupport::shownForm;

// A camera that answers every request with `reason` in a 500 status line.
void answerWith(LoopbackHttpServer& camera, const std::string& reason) {
    camera.setHandler([reason](const RecordedRequest&) { return Script::reply(500, reason, ""); });
}

// A fault label's last line: the status line.
std::string lastLine(const QLabel& label) {
    const std::string text = labelShows(label);
    return text.substr(text.rfind('\n') + 1);
}

class DeviceTextNet : public ::testing::Test {
protected:
    void SetUp() override {
        config::sprache = config::lang_en;
        config::videoConfig = &settings;
    }
    void TearDown() override { config::videoConfig = nullptr; }

    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
};

TEST_F(DeviceTextNet, CallWindowsShowTheStationsTextsAndTheCamerasStatusLineLiterally) {
    LoopbackHttpServer camera;
    QWidget wall;
    wall.resize(640, 480);
    wall.show();
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        answerWith(camera, name);
        config::TSingleConfig station;
        station.typ = config::LindavorCam;
        station.Name = name;
        station.Ip = camera.address();
        station.Port = std::to_string(camera.port());
        station.ausgang = true;
        station.ausgangSchrift = name;
        station.eingang = true;
        station.eingangSchriftEin = name;

        TVideobild popup;
        popup.startVideo(station, false);
        popup.setInput(true);
        auto& namePanel = testsupport::child<QLabel>(popup, "namePanel");
        EXPECT_EQ(testsupport::titleShown(popup), shownForm(name));
        EXPECT_EQ(labelShows(namePanel), "  " + shownForm(name));
        EXPECT_EQ(testsupport::toolTipShows(namePanel.toolTip()), shownForm(name));
        EXPECT_EQ(testsupport::entryShows(testsupport::child<QPushButton>(popup, "tuerOeffner").text()),
                  shownForm(name));
        EXPECT_EQ(labelShows(testsupport::child<QLabel>(popup, "Label1")), shownForm(name));
        auto& fault = testsupport::child<QLabel>(popup, "stoerungLbl");
        ASSERT_TRUE(pumpUntil([&] { return fault.isVisible(); }));
        EXPECT_EQ(lastLine(fault), "HTTP/1.1 500 " + shownForm(name));
        testsupport::screenshot(popup, QStringLiteral("device-text-popup-%1").arg(&name - kHostileNames.data()));
        popup.stopVideo();

        TmainVideoFrame frame(&wall);
        frame.startVideo(station, false);
        EXPECT_EQ(labelShows(testsupport::child<QLabel>(frame, "namePanel")), "  " + shownForm(name));
        auto& frameFault = testsupport::child<QLabel>(frame, "stoerLabel");
        ASSERT_TRUE(pumpUntil([&] { return frameFault.isVisible(); }));
        EXPECT_EQ(lastLine(frameFault), "HTTP/1.1 500 " + shownForm(name));
        frame.stopVideo();
    }
}

TEST_F(DeviceTextNet, WallTilesShowTheirCamerasNamesAndStatusLinesLiterally) {
    settings.schreibeLayout(config::r3x3);
    std::vector<std::unique_ptr<LoopbackHttpServer>> cameras;
    for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
        LoopbackHttpServer& camera = *cameras.emplace_back(std::make_unique<LoopbackHttpServer>());
        answerWith(camera, kHostileNames[i]);
        config::TSurveillanceConfig c;
        c.typ = config::LindavorCam;
        c.name = kHostileNames[i];
        c.ipAddr = camera.address();
        c.port = camera.port();
        c.path = "/mjpg/video.mjpg";
        settings.putSurvConfig(std::to_string(i), c);
    }
    settings.schreibeUeberwachungKameras();
    TueberwachungForm wall(settings);
    wall.resize(900, 700);
    wall.show();
    for (std::size_t i = 0; i < kHostileNames.size(); ++i) {
        const std::string& name = kHostileNames[i];
        SCOPED_TRACE(name);
        const int t = static_cast<int>(i);
        ASSERT_TRUE(pumpUntil([&] { return wall.tile(t)->image().faultShown(); }));
        EXPECT_EQ(labelShows(wall.tile(t)->timeLabel()), shownForm(name));
        // The cross with the status line as the shownText form of it paints.
        std::string detail = wall.videoObjekt(t)->decoder()->AddInfo();
        ASSERT_NE(detail.find(name), std::string::npos);
        detail.replace(detail.find(name), name.size(), shownForm(name));
        TileImage expected(nullptr, t);
        expected.resize(wall.tile(t)->image().size());
        expected.showFault(12, detail);
        EXPECT_EQ(wall.tile(t)->image().grab().toImage(), expected.grab().toImage());
    }
}

TEST(DeviceText, PromptsAndPaintedCaptionsShowANameLiterally) {
    config::sprache = config::lang_en;
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        TZugangAbfrage credentials;
        credentials.videoName = name;
        credentials.show();
        const std::string asked = config::tr(config::txtUserDataFor) + shownForm(name);
        EXPECT_EQ(testsupport::titleShown(credentials), asked);
        EXPECT_EQ(labelShows(testsupport::child<QLabel>(credentials, "zugangAbfragePanel")), asked);

        TadminPassForm password;
        password.station = name;
        password.show();
        const std::string title = config::tr(config::txtAdminPasswordFor) + shownForm(name);
        EXPECT_EQ(testsupport::titleShown(password), title);
        EXPECT_EQ(labelShows(testsupport::child<QLabel>(password, "adminPassPanel")), "  " + title);

        // A snapshot's caption and comment, painted into the picture.
        VideoImage painted, expected;
        for (VideoImage* image : {&painted, &expected}) {
            image->resize(240, 24);
            image->fillWhite();
        }
        painted.drawText(5, 5, name);
        expected.drawText(5, 5, shownForm(name));
        EXPECT_EQ(painted.bitmap(), expected.bitmap());
    }
}

}  // namespace
}  // namespace oculon::video::ui
