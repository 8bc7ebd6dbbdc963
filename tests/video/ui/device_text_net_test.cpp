// What stations and cameras call themselves and what a camera answers reach
// the call windows, the wall and the prompts as literal text: each hostile
// name (gui/HostileText.h) as a station's name, door caption and input text,
// a camera's status line and a wall camera's name shows in its shownText form.

#include <gtest/gtest.h>

#include <QPushButton>

#include "config/cfgUnit.h"
#include "gui/HostileText.h"
#include "gui/QtTestKit.h"
#include "platform/Registry.h"
#include "support/LoopbackHttpServer.h"
#include "video/ueberwachungKameras.h"
#include "video/ui/HauptProgramm.h"
#include "video/ui/ZugangAbfrage.h"
#include "video/ui/adminPassForm.h"
#include "video/ui/tuerVideo.h"
#include "video/ui/ueberwachungUnit.h"

namespace oculon::video::ui {
namespace {

using namespace testsupport;

TEST(DeviceTextNet, CallWindowsTheWallAndPromptsShowTheStationsTextsAndTheCamerasStatusLineLiterally) {
    config::sprache = config::lang_en;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    LoopbackHttpServer camera;
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        const std::string shown = shownForm(name);
        camera.setHandler([name](const RecordedRequest&) { return Script::reply(500, name, ""); });
        config::TSingleConfig station;
        station.typ = config::LindavorCam;
        station.Name = name;
        station.Ip = camera.address();
        station.Port = std::to_string(camera.port());
        station.ausgang = true;
        station.ausgangSchrift = name;
        station.eingang = true;
        station.eingangSchriftEin = name;
        config::TSurveillanceConfig tileCamera;
        tileCamera.readFromAttributes(setAttributes(station, 0));
        settings.putSurvConfig("0", tileCamera);
        TueberwachungForm wall(settings);
        wall.resize(900, 700);
        wall.show();
        // The name panel, and the camera's status line as the fault's last line.
        const auto showsCall = [&](QWidget& call, const char* faultLabel) {
            EXPECT_EQ(labelShows(child<QLabel>(call, "namePanel")), "  " + shown);
            auto& fault = child<QLabel>(call, faultLabel);
            ASSERT_TRUE(pumpUntil([&] { return fault.isVisible(); }));
            EXPECT_EQ(fault.textFormat(), Qt::PlainText);
            EXPECT_TRUE(fault.text().endsWith(QString::fromStdString("\nHTTP/1.1 500 " + shown)));
        };

        TVideobild popup;
        popup.startVideo(station, false);
        popup.setInput(true);
        EXPECT_EQ(titleShown(popup), shown);
        EXPECT_EQ(toolTipShows(child<QLabel>(popup, "namePanel").toolTip()), shown);
        EXPECT_EQ(entryShows(child<QPushButton>(popup, "tuerOeffner").text()), shown);
        EXPECT_EQ(labelShows(child<QLabel>(popup, "Label1")), shown);
        showsCall(popup, "stoerungLbl");
        TmainVideoFrame frame(&wall);
        frame.startVideo(station, false);
        showsCall(frame, "stoerLabel");

        TZugangAbfrage credentials;
        credentials.videoName = name;
        credentials.show();
        const std::string asked = config::tr(config::txtUserDataFor) + shown;
        EXPECT_EQ(titleShown(credentials), asked);
        EXPECT_EQ(labelShows(child<QLabel>(credentials, "zugangAbfragePanel")), asked);
        TadminPassForm password;
        password.station = name;
        password.show();
        const std::string title = config::tr(config::txtAdminPasswordFor) + shown;
        EXPECT_EQ(titleShown(password), title);
        EXPECT_EQ(labelShows(child<QLabel>(password, "adminPassPanel")), "  " + title);

        // A snapshot's caption and comment, painted into the picture.
        const auto painted = [](const std::string& text) {
            VideoImage image;
            image.resize(240, 24);
            image.fillWhite();
            image.drawText(5, 5, text);
            return image.bitmap();
        };
        EXPECT_EQ(painted(name), painted(shown));

        // The wall's tile: the camera's name, and the cross with the status
        // line as the shownText form of it paints.
        TileImage& tile = wall.tile(0)->image();
        ASSERT_TRUE(pumpUntil([&] { return tile.faultShown(); }));
        EXPECT_EQ(labelShows(wall.tile(0)->timeLabel()), shown);
        std::string detail = wall.videoObjekt(0)->decoder()->AddInfo();
        ASSERT_NE(detail.find(name), std::string::npos);
        detail.replace(detail.find(name), name.size(), shown);
        TileImage expected(nullptr, 0);
        expected.resize(tile.size());
        expected.showFault(12, detail);
        EXPECT_EQ(tile.grab().toImage(), expected.grab().toImage());
    }
}

}  // namespace
}  // namespace oculon::video::ui
