// The surveillance wall as a real window (offscreen) on loopback camera
// streams: a 3 x 3 wall whose tiles show their cameras and captions, a camera
// that stops and one that cannot be reached show the fault cross, a door call
// takes tile 0 and gives it back, the settings dialog's messages (layout
// change, removal, recording modes) with the answer 1036, drops of cameras on
// tiles, and the close that is refused until allowed and stores the window's
// place. The 3 x 3 wall is also a picture (see QtTestKit.h).

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMessageBox>
#include <QPushButton>

#include <atomic>
#include <filesystem>

#include "../TestPictures.h"
#include "config/cfgUnit.h"
#include "gui/QtTestKit.h"
#include "platform/MainLoop.h"
#include "platform/Registry.h"
#include "support/ChildProcess.h"
#include "support/LoopbackHttpServer.h"
#include "video/ui/ueberwachungUnit.h"
#include "video/ui/ueberwachungUnitDrag.h"

namespace oculon::video::ui {
namespace {

using namespace std::chrono_literals;
using config::TSurveillanceConfig;
using testsupport::LoopbackHttpServer;
using testsupport::Millis;
using testsupport::MjpegOptions;
using testsupport::pumpFor;
using testsupport::pumpUntil;
using testsupport::RecordedRequest;
using testsupport::Script;

const QColor kColours[] = {QColor(200, 40, 40),  QColor(40, 160, 60),  QColor(40, 70, 200),
                           QColor(220, 180, 30), QColor(150, 60, 170), QColor(30, 170, 170),
                           QColor(230, 120, 30), QColor(90, 90, 90),   QColor(170, 110, 60)};

// A camera's test pictures: its colour with a lighter band that moves.
std::vector<std::string> cameraFrames(int camera) {
    const QColor colour = kColours[camera % std::size(kColours)], band = colour.lighter(140);
    std::vector<std::string> frames;
    for (int frame = 0; frame < 8; ++frame) {
        frames.push_back(test::jpegWith(320, 240, [&](int x, int) {
            const QColor& c = x / 40 == frame % 4 ? band : colour;  // the left half only
            return test::Rgb{c.red(), c.green(), c.blue()};
        }));
    }
    return frames;
}

MjpegOptions steady(std::size_t repeat = 400) {
    MjpegOptions o;
    o.interval = 40ms;
    o.repeat = repeat;
    o.holdOpenAtEnd = true;
    return o;
}

bool nearColour(QRgb c, const QColor& want) {
    return std::abs(qRed(c) - want.red()) < 20 && std::abs(qGreen(c) - want.green()) < 20 &&
           std::abs(qBlue(c) - want.blue()) < 20;
}

// The tile's picture near its bottom right, clear of caption, band and text.
QRgb tilePixel(WallTile& t) {
    const QImage& b = t.image().bitmap();
    return b.pixel(b.width() * 7 / 8, b.height() * 7 / 8);
}

class WallNet : public ::testing::Test {
protected:
    void SetUp() override {
        config::sprache = config::lang_en;
        store = std::make_shared<platform::MemoryRegistryStore>();
        settings = std::make_unique<config::TVideoConfig>(store);
        settings->schreibeFirstPictPath(folder.path() + "/");
        config::videoConfig = settings.get();
    }
    void TearDown() override {
        pumpFor(50ms);
        config::videoConfig = nullptr;
    }

    // A camera that streams its pictures for every request.
    LoopbackHttpServer& camera(int number, MjpegOptions options = steady()) {
        auto& server = *servers.emplace_back(std::make_unique<LoopbackHttpServer>());
        const auto frames = cameraFrames(number);
        server.setHandler([frames, options](const RecordedRequest&) { return Script::mjpeg(frames, options); });
        return server;
    }

    void storeCamera(int tile, const LoopbackHttpServer& server, const std::string& name, int recording = 0) {
        TSurveillanceConfig c;
        c.typ = config::LindavorCam;
        c.name = name;
        c.ipAddr = server.address();
        c.port = server.port();
        c.path = "/mjpg/video.mjpg";
        c.recording = recording;
        settings->putSurvConfig(std::to_string(tile), c);
        settings->schreibeUeberwachungKameras();
    }

    static config::TSingleConfig stationFor(const LoopbackHttpServer& server, const std::string& name) {
        config::TSingleConfig station;
        station.typ = config::LindavorCam;
        station.Name = name;
        station.Ip = server.address();
        station.Port = std::to_string(server.port());
        return station;
    }

    // A fresh start's view of the stored wall cameras.
    std::vector<std::string> storedKeys() const {
        std::vector<std::string> keys;
        for (const auto& [key, c] : config::TVideoConfig(store).survList()) keys.push_back(key);
        return keys;
    }

    static bool showsPictures(TueberwachungForm& wall, int tile, int atLeast = 3) {
        return wall.tile(tile) && wall.tile(tile)->image().pictureCount() >= atLeast;
    }

    testsupport::TempDir folder;
    std::shared_ptr<platform::MemoryRegistryStore> store;
    std::unique_ptr<config::TVideoConfig> settings;
    std::vector<std::unique_ptr<LoopbackHttpServer>> servers;
};

TEST_F(WallNet, ThreeByThreeWithLivePicturesFaultsAndADoorCall) {
    settings->schreibeLayout(config::r3x3);
    // Tile 2 records at the user's request, tile 5 always; camera 8 sends a
    // few pictures, then breaks off and refuses to come back; camera 9 is
    // unreachable.
    for (int i = 0; i < 8; ++i)
        storeCamera(i, camera(i), "Kamera " + std::to_string(i + 1), i == 1 ? 2 : i == 4 ? 1 : 0);
    auto calls = std::make_shared<std::atomic<int>>(0);
    servers[7]->setHandler([frames = cameraFrames(7), calls](const RecordedRequest&) {
        if ((*calls)++ > 0) return Script::reply(503, "Service Unavailable", "");
        MjpegOptions o = steady(2);
        o.holdOpenAtEnd = false;
        return Script::mjpeg(frames, o);
    });
    {
        LoopbackHttpServer gone;
        storeCamera(8, gone, "Kamera 9");
    }
    // Tile 5's recording has no folder: a file stands where the picture
    // folder belongs (where a camera's folder belongs, it would go beside).
    const std::string blocker = folder.write("pictures", "x");
    settings->schreibeFirstPictPath(blocker + "/");

    TueberwachungForm wall(*settings);
    wall.resize(800, 600);
    wall.show();
    EXPECT_EQ(wall.windowTitle(), "Surveillance");
    ASSERT_TRUE(pumpUntil([&] {
        for (int i = 0; i < 7; ++i)
            if (!showsPictures(wall, i, 10)) return false;
        return wall.tile(7)->image().faultShown() && wall.tile(8)->image().faultShown();
    }));
    const QImage shot = wall.grab().toImage();
    for (int i = 0; i < 7; ++i) {
        const QRect r = wall.tile(i)->image().geometry();
        // Right of the moving band, above the recording button.
        EXPECT_TRUE(nearColour(shot.pixel(r.left() + r.width() * 7 / 8, r.top() + r.height() * 3 / 4), kColours[i]))
            << i;
        // Nothing of the picture's own caption peeks out below the label.
        const QRect label = wall.tile(i)->timeLabel().geometry();
        for (int x = label.left() + r.width() / 2; x < label.right(); x += 8)
            EXPECT_TRUE(nearColour(shot.pixel(x, label.bottom() + 1), kColours[i])) << i << " " << x;
        EXPECT_TRUE(wall.tile(i)->timeLabel().text().startsWith(QStringLiteral("Kamera %1  ").arg(i + 1)));
        EXPECT_FALSE(wall.tile(i)->image().faultShown());
    }
    EXPECT_FALSE(wall.tile(0)->recBtn().isVisible());  // recording never
    EXPECT_TRUE(wall.tile(1)->recBtn().isVisible() && wall.tile(1)->recBtn().isEnabled());
    EXPECT_FALSE(wall.tile(1)->recStatus().isVisible());
    // Recording always, but it cannot: the button no longer claims it, the
    // line beside it says why.
    QPushButton& rec5 = wall.tile(4)->recBtn();
    EXPECT_TRUE(rec5.isChecked() && rec5.font().strikeOut());
    EXPECT_TRUE(wall.tile(4)->recStatus().isVisible());
    EXPECT_EQ(wall.tile(4)->recStatus().text(), "Not recording: the folder is missing");
    std::filesystem::remove(blocker);
    // The stopped camera's tile: the cross on white, and its caption is the
    // bare name; after the break the camera answers 503, which is fault 12.
    const QImage cross = wall.tile(7)->image().grab().toImage();
    EXPECT_TRUE(nearColour(cross.pixel(cross.width() / 2, cross.height() / 2), QColor(220, 0, 0)));
    EXPECT_TRUE(nearColour(cross.pixel(5, cross.height() / 2), Qt::white));
    EXPECT_EQ(wall.tile(7)->timeLabel().text(), "Kamera 8");
    EXPECT_TRUE(pumpUntil([&] { return wall.videoObjekt(7)->decoder()->ErrorNo() == 12; }));
    EXPECT_EQ(wall.videoObjekt(8)->decoder()->ErrorNo(), 7);
    testsupport::screenshot(wall, "wall-3x3", 0ms);

    // A door call takes tile 0's place; the tile's stream keeps running.
    LoopbackHttpServer& door = camera(5);
    const config::TSingleConfig station = stationFor(door, "Haustuer");
    int resets = 0;
    wall.resetActIp = [&] { ++resets; };
    wall.startDoorVideo(station);
    EXPECT_TRUE(wall.doorVideoShown());
    EXPECT_EQ(wall.doorPanel.geometry(), wall.tile(0)->image().geometry());
    EXPECT_FALSE(wall.tile(0)->image().isVisible());
    EXPECT_TRUE(wall.mainVideoFrame1.isVisible());
    ASSERT_TRUE(door.waitForRequests(1, 5000ms));
    EXPECT_EQ(door.requests().at(0).target, "/mjpg/video.mjpg");
    const int before = wall.tile(0)->image().pictureCount();
    ASSERT_TRUE(pumpUntil([&] { return wall.tile(0)->image().pictureCount() > before + 3; }));
    ASSERT_TRUE(pumpUntil([&] { return wall.mainVideoFrame1.session().running(); }));

    // A second call while one is shown changes nothing.
    wall.startDoorVideo(station);
    pumpFor(100ms);
    EXPECT_EQ(door.requests().size(), 1u);

    // The call ends by itself (close button): tile 0 is back, the tray is told.
    wall.mainVideoFrame1.doClose();
    EXPECT_EQ(resets, 1);
    EXPECT_FALSE(wall.doorVideoShown());
    EXPECT_TRUE(wall.tile(0)->image().isVisible());

    // The tray ends the next one.
    wall.startDoorVideo(station);
    EXPECT_TRUE(wall.doorVideoShown());
    wall.stopDoorVideo();
    EXPECT_FALSE(wall.doorVideoShown());
    EXPECT_TRUE(wall.tile(0)->image().isVisible());
    EXPECT_EQ(resets, 1);

    // Tile 5 has gone on recording by itself meanwhile.
    ASSERT_TRUE(pumpUntil([&] { return !wall.tile(4)->recStatus().isVisible(); }));
    EXPECT_FALSE(rec5.font().strikeOut());
    EXPECT_FALSE(wall.videoObjekt(4)->decoder()->recordingFileName().empty());

    // A new layout while a call is shown keeps the frame over the new tile 0.
    wall.startDoorVideo(station);
    settings->schreibeLayout(config::r3x3G);
    wall.setLayout(config::r3x3G);
    ASSERT_TRUE(pumpUntil([&] { return wall.tileCount() == 6 && !wall.isBusy(); }));
    EXPECT_EQ(wall.doorPanel.geometry(), wall.tile(0)->image().geometry());
    EXPECT_FALSE(wall.tile(0)->image().isVisible());
    wall.stopDoorVideo();
}

TEST_F(WallNet, MessagesFromTheSettingsDialog) {
    settings->schreibeLayout(config::r2x2);
    for (int i = 0; i < 4; ++i) storeCamera(i, camera(i), "Kamera " + std::to_string(i + 1));
    TueberwachungForm wall(*settings);
    wall.resize(640, 480);
    int answers = 0;
    platform::MessageTarget dialog([&](platform::Message& m) {
        if (m.id == platform::WMSURVEILLANCESINGLEACCEPTED) ++answers;
    });
    wall.setKonfigTarget(dialog.id());
    wall.show();
    ASSERT_TRUE(pumpUntil([&] { return showsPictures(wall, 0) && showsPictures(wall, 3); }));
    auto post = [&](std::uint32_t id) { platform::MainLoop::instance().post(wall.handle(), id); };
    auto postChange = [&](std::unique_ptr<config::TSurvChange> change) {
        platform::MainLoop::instance().post<platform::WMSURVEILLANCESINGLE>(wall.handle(), std::move(change));
    };
    auto change = [](int number, bool remove, int recording) {
        auto c = std::make_unique<config::TSurvChange>();
        c->number = number;
        c->delete_ = remove;
        c->recording = recording;
        return c;
    };

    // The recording button as its mode wants it.
    QPushButton& rec0 = wall.tile(0)->recBtn();
    const auto button = [&rec0, &wall] {
        return RecButtonState{rec0.isVisible(), rec0.isEnabled(), rec0.isChecked(),
                              rec0.palette().color(QPalette::ButtonText) == QColor(255, 0, 0),
                              wall.tile(0)->recStatus().toolTip().toStdString()};
    };
    // Recording always: a recording on disk.
    postChange(change(0, false, 1));
    ASSERT_TRUE(pumpUntil([&] { return answers == 1; }));
    EXPECT_EQ(button(), recButtonFor(kRecAlways, false));
    EXPECT_EQ(rec0.text(), "REC");
    EXPECT_EQ(wall.videoObjekt(0)->aufzeichnung(), 1);
    EXPECT_EQ(config::TVideoConfig(store).survList().at(0).second->recording, 1);
    std::string recording;
    EXPECT_TRUE(pumpUntil([&] { return !(recording = wall.videoObjekt(0)->decoder()->recordingFileName()).empty(); }));
    const int shown = wall.tile(0)->image().pictureCount();
    ASSERT_TRUE(pumpUntil([&] { return wall.tile(0)->image().pictureCount() > shown + 5; }));

    // By the user: the button toggles recording.
    postChange(change(0, false, 2));
    ASSERT_TRUE(pumpUntil([&] { return answers == 2; }));
    EXPECT_TRUE(std::filesystem::exists(recording));  // the first one was closed and kept
    for (const bool on : {false, true, false}) {
        if (on != wall.videoObjekt(0)->userRecording()) rec0.click();
        ASSERT_TRUE(pumpUntil([&] { return wall.videoObjekt(0)->userRecording() == on; }));
        EXPECT_EQ(button(), recButtonFor(kRecByUser, on));
        EXPECT_TRUE(pumpUntil([&] { return wall.videoObjekt(0)->decoder()->recordingFileName().empty() == !on; }));
    }

    // Removal: the tile stops and empties, the stored camera goes.
    postChange(change(1, true, 0));
    ASSERT_TRUE(pumpUntil([&] { return answers == 3; }));
    EXPECT_EQ(wall.videoObjekt(1), nullptr);
    EXPECT_FALSE(wall.tile(1)->timeLabel().isVisible());
    EXPECT_EQ(wall.tile(1)->image().bitmap().pixel(10, 100), qRgb(255, 255, 255));
    EXPECT_EQ(storedKeys(), (std::vector<std::string>{"0", "2", "3"}));

    // A layout change and a change for the new layout right behind it: the
    // second waits until the first has rebuilt the wall.
    settings->schreibeLayout(config::r1x2);
    post(platform::WMSURVEILLANCECFGCHANGE);
    postChange(change(0, false, 1));
    ASSERT_TRUE(pumpUntil([&] { return answers == 4 && !wall.isBusy(); }));
    EXPECT_EQ(wall.tileCount(), 2);
    EXPECT_EQ(wall.currentLayout(), config::r1x2);
    EXPECT_EQ(storedKeys(), (std::vector<std::string>{"0"}));  // tiles 2 and 3 are gone
    ASSERT_NE(wall.videoObjekt(0), nullptr);
    EXPECT_EQ(wall.videoObjekt(0)->aufzeichnung(), 1);
    EXPECT_TRUE(wall.tile(0)->recBtn().isVisible());
    ASSERT_TRUE(pumpUntil([&] { return showsPictures(wall, 0); }));
    // One column of two needs 150 x 300 at least.
    EXPECT_EQ(wall.minimumSize(), QSize(150, 300));

    // A frame-rate change keeps the decoders and hands them the divisor.
    TMJPEGDecoder* running = wall.videoObjekt(0)->decoder();
    settings->schreibeFrameRate(4);
    post(platform::WMSURVEILLANCECFGCHANGE);
    ASSERT_TRUE(pumpUntil([&] { return running->frameRate() == 4; }));
    EXPECT_EQ(wall.videoObjekt(0)->decoder(), running);
    EXPECT_EQ(answers, 4);

    // Nonsense from the dialog: a mode that does not exist, a tile that does not.
    postChange(change(0, false, 9));
    postChange(change(40, true, 0));
    ASSERT_TRUE(pumpUntil([&] { return answers == 6; }));
    EXPECT_EQ(wall.videoObjekt(0)->aufzeichnung(), 1);
}

TEST_F(WallNet, DropsOnATile) {
    settings->schreibeLayout(config::r2x2);
    LoopbackHttpServer& first = camera(0);
    storeCamera(0, first, "Kamera 1");
    LoopbackHttpServer& yard = camera(1);
    const config::TSingleConfig station = stationFor(yard, "Hof");
    settings->addConfig(station);
    LoopbackHttpServer& found = camera(2);
    TueberwachungForm wall(*settings);
    wall.setDiscovery([&found](const std::string& key) -> std::optional<DiscoveredCamera> {
        if (key != found.address() + ":" + std::to_string(found.port())) return std::nullopt;
        DiscoveredCamera d;
        d.name = "Garage";
        d.typ = config::LindavorCam;
        d.ip = found.address();
        d.port = std::to_string(found.port());
        return d;
    });
    int answers = 0;
    platform::MessageTarget dialog([&](platform::Message& m) {
        if (m.id == platform::WMSURVEILLANCESINGLEACCEPTED) ++answers;
    });
    wall.setKonfigTarget(dialog.id());
    wall.resize(640, 480);
    wall.show();
    ASSERT_TRUE(pumpUntil([&] { return showsPictures(wall, 0); }));

    auto drop = [&](int tile, const std::string& caption) {
        const auto mime = cameraMimeData(caption);
        TileImage& target = wall.tile(tile)->image();
        const QPointF at(target.width() / 2.0, target.height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &event);
        EXPECT_TRUE(event.isAccepted());
    };

    // A configured station, by the first line of the list item.
    drop(1, yard.address() + ":" + std::to_string(yard.port()) + "\r\nHof");
    ASSERT_TRUE(pumpUntil([&] { return answers == 1 && showsPictures(wall, 1); }));
    EXPECT_TRUE(nearColour(tilePixel(*wall.tile(1)), kColours[1]));
    EXPECT_EQ(wall.videoObjekt(1)->cameraName(), "Hof");
    EXPECT_EQ(storedKeys(), (std::vector<std::string>{"0", "1"}));

    // A discovered device.
    drop(2, found.address() + ":" + std::to_string(found.port()));
    ASSERT_TRUE(pumpUntil([&] { return answers == 2 && showsPictures(wall, 2); }));
    EXPECT_EQ(config::TVideoConfig(store).survList().at(2).second->name, "Garage");

    // The same camera a second time: refused with the message, nothing changes.
    QString message;
    testsupport::onModal([&message](QWidget& box) {
        auto* shown = qobject_cast<QMessageBox*>(&box);
        ASSERT_NE(shown, nullptr);
        message = shown->text();
        shown->accept();
    });
    drop(3, yard.address() + ":" + std::to_string(yard.port()));
    ASSERT_TRUE(pumpUntil([&] { return !message.isEmpty(); }));
    EXPECT_EQ(message, "There is already a camera with the same name");
    pumpFor(100ms);
    EXPECT_EQ(wall.videoObjekt(3), nullptr);
    EXPECT_EQ(storedKeys(), (std::vector<std::string>{"0", "1", "2"}));

    // Dropping onto a running tile replaces its camera.
    config::TSingleConfig other = station;
    other.Name = "Einfahrt";
    other.Port = "1";
    settings->addConfig(other);
    wall.dropCamera(1, yard.address() + ":1");
    ASSERT_TRUE(pumpUntil([&] { return wall.videoObjekt(1)->cameraName() == "Einfahrt"; }));
    EXPECT_EQ(config::TVideoConfig(store).survList().at(1).second->name, "Einfahrt");
    ASSERT_TRUE(pumpUntil([&] { return wall.tile(1)->image().faultShown(); }));  // nothing listens on port 1
}

TEST_F(WallNet, ClosesOnlyWhenAllowedAndKeepsItsPlace) {
    settings->schreibeUeberwachungKoordinaten({.top = 40, .left = 30, .height = 400, .width = 500});
    settings->schreibeLayout(config::r4x4);
    for (int i = 0; i < 16; ++i) storeCamera(i, camera(i % 9), "Kamera " + std::to_string(i + 1));
    auto wall = std::make_unique<TueberwachungForm>(*settings);
    EXPECT_EQ(wall->size(), QSize(500, 400));
    wall->show();
    // Four by four needs 600 x 600.
    ASSERT_TRUE(pumpUntil([&] { return wall->tileCount() == 16 && wall->size() == QSize(600, 600); }));
    ASSERT_TRUE(pumpUntil([&] {
        for (int i = 0; i < 16; ++i)
            if (!showsPictures(*wall, i, 1)) return false;
        return true;
    }));
    EXPECT_FALSE(wall->close());
    EXPECT_TRUE(wall->isVisible());
    wall->resize(700, 650);
    pumpFor(50ms);
    wall->erlaubeSchliessen();
    EXPECT_TRUE(wall->close());
    EXPECT_EQ(wall->tileCount(), 0);
    for (auto& s : servers) EXPECT_TRUE(s->waitForPeerCloses(1, 5000ms));
    const config::TWindowSettings place = config::TVideoConfig(store).ueberwachungKoordinaten();
    EXPECT_EQ(place.width, 700);
    EXPECT_EQ(place.height, 650);
    wall.reset();
}

}  // namespace
}  // namespace oculon::video::ui
