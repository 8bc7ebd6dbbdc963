// The wall's cameras without a window: stream descriptions, what a drop on a
// tile decides, the stored cameras after a layout change, and the recording
// button of each mode. The window's own test plays them through.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "platform/Registry.h"
#include "video/ueberwachungKameras.h"

namespace oculon::video {
namespace {

using namespace config;

TSingleConfig station(const std::string& name, const std::string& ip, const std::string& port) {
    TSingleConfig s;
    s.Name = name;
    s.Ip = ip;
    s.Port = port;
    return s;
}

TSurveillanceConfig camera(const std::string& name, int recording = 0) {
    TSurveillanceConfig c;
    c.name = name;
    c.ipAddr = "10.77.0.2";
    c.port = 80;
    c.path = "/mjpg/video.mjpg";
    c.typ = LindavorCam;
    c.recording = recording;
    return c;
}

struct Wall {
    std::shared_ptr<platform::MemoryRegistryStore> store = std::make_shared<platform::MemoryRegistryStore>();
    std::unique_ptr<TVideoConfig> cfg = std::make_unique<TVideoConfig>(store);

    void putCameras(int count) {
        for (int i = 0; i < count; ++i) cfg->putSurvConfig(std::to_string(i), camera("cam" + std::to_string(i)));
        cfg->schreibeUeberwachungKameras();
    }
    // What a fresh start reads back from the store.
    std::map<std::string, TSurveillanceConfig> stored() const {
        TVideoConfig reread(store);
        std::map<std::string, TSurveillanceConfig> out;
        for (const auto& [key, c] : reread.survList()) out[key].Assign(*c);
        return out;
    }
};

TEST(WallCameras, StreamDescriptionOfAStationADeviceAndTheTile) {
    // The wall's own twists on the types' paths: the wall's time as the
    // stream id of type 6, and the type-5 path the door frame does not use.
    EXPECT_EQ(getPath(KorvatCamQuorix, "", 1700000000), "/axis-cgi/mjpg/video.cgi?appid=1700000000");
    EXPECT_EQ(getPath(KorvatServer2, ""), "/cgi-bin/video.cgi?msubmenu=mjpg");

    // The common name wins, a stored path overrides the type's; crop and
    // divisor go along.
    TSingleConfig s = station("Eingang", "10.77.0.5", "8080");
    s.typ = AxisCam;
    s.resString = "?resolution=640x480";
    s.mirabReduction = 12;
    TServerAttributes a = setAttributes(s, 4);
    EXPECT_EQ(a.CameraName + " " + a.Path, "Eingang /axis-cgi/mjpg/video.cgi?resolution=640x480");
    EXPECT_EQ(std::tuple(a.mirabCrop, a.frameRate), std::tuple(12, 4));
    s.commonName = "Hof";
    s.videoPath = "/own.mjpg";
    a = setAttributes(s, 1);
    EXPECT_EQ(a.CameraName + " " + a.Path, "Hof /own.mjpg");
    s.typ = unknown;
    s.videoPath.clear();
    EXPECT_EQ(setAttributes(s, 1).Path, "");  // type 9 has nothing but its own path

    DiscoveredCamera d;
    d.name = "cam-7";
    d.typ = unknown;
    d.videoPath = "/live";
    d.reduction = 5;
    a = setAttributes(d, 2);
    EXPECT_EQ(a.CameraName + " " + a.Path, "cam-7 /live");
    EXPECT_EQ(a.mirabCrop, 5);
    d.typ = KorvatCam;
    d.commonName = "Garage";
    d.port = "not a port";
    a = setAttributes(d, 2);
    EXPECT_EQ(a.CameraName + " " + a.Path, "Garage /ipcam/mjpeg.cgi");
    EXPECT_EQ(a.Port, 0);

    // A tile's stream is always shown, never recorded unless asked.
    a.aufzeichnen = true;
    setAttributes(a, 0);
    EXPECT_TRUE(a.ueberwachung && a.zeigeImmer && !a.aufzeichnen && a.frameRate == 1);
}

TEST(WallCameras, DropRules) {
    Wall w;
    TSingleConfig s = station("Haustuer", "10.77.0.2", "80");
    s.commonName = "Tuer vorne";
    w.cfg->addConfig(s);
    int lookups = 0;
    DiscoveredCamera found;
    found.name = "axis-1";
    found.typ = MirabCam;
    found.ip = "10.77.0.3";
    found.port = "80";
    found.authorization = true;
    found.reduction = 10;
    const DiscoveryLookup discovery = [&](const std::string& key) -> std::optional<DiscoveredCamera> {
        ++lookups;
        if (key == "10.77.0.3:80") return found;
        return std::nullopt;
    };

    // A configured station, found by the first line of the item caption.
    DropDecision d = decideDrop("10.77.0.2:80\r\nHaustuer", *w.cfg, discovery, {}, 2);
    EXPECT_EQ(d.kind, DropDecision::Kind::station);
    EXPECT_EQ(d.attributes.CameraName + " " + std::to_string(d.attributes.frameRate), "Tuer vorne 2");
    EXPECT_EQ(lookups, 0);
    EXPECT_EQ(decideDrop("10.77.0.2:80\nHaustuer", *w.cfg, discovery, {}, 1).kind, DropDecision::Kind::station);

    // Shown already, under either of its names.
    for (const std::vector<std::string>& shown : {std::vector<std::string>{"x", "Tuer vorne"}, {"Haustuer"}})
        EXPECT_EQ(decideDrop("10.77.0.2:80", *w.cfg, discovery, shown, 1).kind, DropDecision::Kind::duplicateName);

    // A discovered device that wants its key.
    d = decideDrop("10.77.0.3:80\r\naxis-1", *w.cfg, discovery, {"Tuer vorne"}, 1);
    EXPECT_EQ(d.kind, DropDecision::Kind::device);
    EXPECT_EQ(d.attributes.CameraName, "axis-1");
    EXPECT_TRUE(d.askCredentials && d.keyOnly);
    EXPECT_EQ(decideDrop("10.77.0.3:80", *w.cfg, discovery, {"axis-1"}, 1).kind, DropDecision::Kind::duplicateName);
    found.reduction = 0;
    EXPECT_FALSE(decideDrop("10.77.0.3:80", *w.cfg, discovery, {}, 1).keyOnly);

    // Nobody knows it; no discovery at all; nothing to look up.
    EXPECT_EQ(decideDrop("10.77.0.9:80", *w.cfg, discovery, {}, 1).kind, DropDecision::Kind::unknownCamera);
    EXPECT_EQ(decideDrop("10.77.0.3:80", *w.cfg, nullptr, {}, 1).kind, DropDecision::Kind::unknownCamera);
    const int before = lookups;
    EXPECT_EQ(decideDrop("\r\n10.77.0.3:80", *w.cfg, discovery, {}, 1).kind, DropDecision::Kind::unknownCamera);
    EXPECT_EQ(lookups, before);
}

TEST(WallCameras, ALayoutChangeDeletesTheCamerasOfTilesItDoesNotHave) {
    Wall w;
    w.putCameras(16);
    w.cfg->putSurvConfig("07", camera("stray"));
    std::vector<KeptCamera> kept = keepCamerasOf(*w.cfg, r2x2);
    ASSERT_EQ(kept.size(), 4u);
    // Last key first, as the list is walked backwards.
    EXPECT_EQ(kept[0].key + kept[3].key + " " + std::to_string(kept[0].tile) + " " + kept[0].camera->name, "30 3 cam3");
    std::string keys;
    for (const auto& [key, c] : w.stored()) keys += key;
    EXPECT_EQ(keys, "0123");

    // The big 4 x 4 keeps eight.
    w.putCameras(16);
    EXPECT_EQ(keepCamerasOf(*w.cfg, r4x4G).size(), 8u);
    EXPECT_EQ(w.stored().size(), 8u);
}

TEST(WallCameras, RecordingButtonByMode) {
    EXPECT_EQ(recButtonFor(kRecNever, false), RecButtonState{});
    EXPECT_EQ(recButtonFor(kRecAlways, false), (RecButtonState{true, false, true, false, {}}));
    EXPECT_EQ(recButtonFor(kRecByUser, false), (RecButtonState{true, true, false, false, {}}));
    EXPECT_EQ(recButtonFor(kRecByUser, true), (RecButtonState{true, true, true, true, {}}));
    EXPECT_TRUE(!recordsIn(kRecNever, true) && recordsIn(kRecAlways, false) && !recordsIn(kRecByUser, false) &&
                recordsIn(kRecByUser, true));
}

}  // namespace
}  // namespace oculon::video
