// The device object without network: per-type tables, the configured
// station's options, copying, the preview and its marks, and the small
// parsers of the picture fetch.

#include <gtest/gtest.h>

#include "config/cfgUnit.h"
#include "config/CameraTypes.h"
#include "devices/ProbePicture.h"
#include "devices/Thumbnail.h"
#include "devices/serverObjekt.h"
#include "platform/Registry.h"
#include "support/DeviceBytes.h"

using namespace oculon;
using namespace oculon::devices;

namespace {

video::Image filled(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    video::Image image;
    image.reshape(w, h, video::PixelFormat::Rgb24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto* p = image.row(y) + x * 3;
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    return image;
}

// B, G, R of a Bgrx32 pixel.
std::array<int, 3> at(const video::Image& image, int x, int y) {
    const auto* p = image.row(y) + x * 4;
    return {p[0], p[1], p[2]};
}

}  // namespace

// The paths each type's probe asks for are in the probe's network test.
TEST(CameraTypes, StreamPathsKeysAndFactoryPasswords) {
    using namespace config;
    EXPECT_EQ(builtInStreamPath(AxisCam, "?resolution=320x240", "1"), "/axis-cgi/mjpg/video.cgi?resolution=320x240");
    EXPECT_EQ(builtInStreamPath(KorvatCamQuorix, "", "1234567"), "/axis-cgi/mjpg/video.cgi?appid=1234567");
    EXPECT_FALSE(builtInStreamPath(unknown, "", ""));
    // The key goes into the path of the one type that takes it, and nowhere else.
    EXPECT_EQ(withStreamKey(MirabCam, "/?mjpg&key=", "p w"), "/?mjpg&key=p%20w");
    EXPECT_EQ(withStreamKey(AxisCam, "/x", "p w"), "/x");
    EXPECT_EQ(cameraTraits(static_cast<TVideoServerType>(200)).type, unknown);
    EXPECT_EQ(defaultAdminPass(KorvatCam, false), "60392817");
    EXPECT_EQ(defaultAdminPass(HikVision, false), "8516");
}

TEST(ProbeParsers, ResolutionAndPort) {
    EXPECT_EQ(largestResolution("640x480,1280x720,800x600"), "1280x720");
    EXPECT_EQ(largestResolution("800x600, 600x800"), "800x600");  // the first of equals
    EXPECT_EQ(largestResolution("junk,x,99999999999x2,320x240"), "320x240");
    EXPECT_FALSE(largestResolution(""));

    EXPECT_EQ(parsePort("8080"), 8080);
    for (const char* bad : {"", "0", "65536", "80a"}) EXPECT_FALSE(parsePort(bad)) << bad;
}

TEST(ServerObjekt, ConfiguredStationOptionsAndCopies) {
    config::TVideoConfig settings(std::make_shared<platform::MemoryRegistryStore>());
    config::TSingleConfig station;
    station.Name = "Tor";
    station.telefonIP = "10.0.0.50";
    station.UserName = "u";
    station.Passwort = "p";
    station.NeedCredentials = true;
    station.moxa = true;
    station.tuerDauer = 7;
    station.commonName = "Haupttor";
    station.videoPath = "/mein.mjpg";
    station.analog_drei = true;
    settings.addConfig(station);
    DeviceContext context;
    context.settings = &settings;

    serverObjekt s("10.0.0.9", "Tor", namedRecord("HIKVI", "x"), context);
    EXPECT_TRUE(s.isConfigured() && s.FAuthorization && s.FHasMoxa && s.FAnalogDrei && s.FdauerAusgang == 7);
    EXPECT_EQ(s.FIpTelefon + " " + s.FcommonName + " " + s.streamPath() + " " + s.listKey(),
              "10.0.0.50 Haupttor /mein.mjpg 10.0.0.9:80");

    s.FBild = std::make_unique<video::Image>(filled(2, 2, 1, 2, 3));
    serverObjekt copy;
    copy.Copy(s);
    EXPECT_EQ(copy.FName, "Tor");
    EXPECT_FALSE(copy.image());
    serverObjekt assigned;
    assigned.Assign(s);
    ASSERT_TRUE(assigned.image());
    EXPECT_NE(assigned.image(), s.image());
    EXPECT_TRUE(assigned.credentialsAllowed() && assigned.FPasswort == "p");

    // Credentials only where the answer came from or to the stored address:
    // a record naming a third host, an announcement from another sender.
    const paket lindavor = testsupport::serverRecord({10, 0, 0, 66}, 0, "Tor", "CPCam");
    serverObjekt third("10.0.0.5", lindavor, context);
    EXPECT_FALSE(third.credentialsAllowed());
    EXPECT_TRUE(third.FUserName.empty() && third.FPasswort.empty());
    EXPECT_EQ(third.FAdminPass, "8516");
    serverObjekt announced("10.0.0.66", "Tor", namedRecord("HIKVI", "x"), context, "10.0.0.5");
    EXPECT_FALSE(announced.credentialsAllowed());
    station.Ip = "10.0.0.66";
    settings.updateConfig(settings.getConfigByName("Tor"), station);
    EXPECT_TRUE(serverObjekt("10.0.0.5", lindavor, context).credentialsAllowed());

    // Another device of the station's name while the station's own answers
    // where it was set up: no station's label, mark or credentials. Once the
    // station's own is no longer listed there, it moved: the station's.
    station.Ip = "10.0.0.9";
    station.Port = "80";
    settings.updateConfig(settings.getConfigByName("Tor"), station);
    context.listed = {{"10.0.0.9:80", "Tor"}};
    const serverObjekt other("10.0.0.8", "Tor", namedRecord("HIKVI", "x"), context);
    EXPECT_FALSE(other.isConfigured());
    EXPECT_EQ(other.FcommonName + other.FUserName + other.FPasswort, "");
    context.listed = {{"10.0.0.8:80", "Tor"}};
    EXPECT_TRUE(serverObjekt("10.0.0.8", "Tor", namedRecord("HIKVI", "x"), context).isConfigured());
    // Until the list holds every answer to a search, only the station's own
    // address and port tell.
    context.listedComplete = false;
    EXPECT_FALSE(serverObjekt("10.0.0.8", "Tor", namedRecord("HIKVI", "x"), context).isConfigured());
    EXPECT_TRUE(serverObjekt("10.0.0.9", "Tor", namedRecord("HIKVI", "x"), context).isConfigured());
    // A device of another name at the station's address is not the station,
    // that early or later: no credentials.
    for (const bool complete : {false, true}) {
        context.listedComplete = complete;
        const serverObjekt stranger("10.0.0.9", "Lobby", namedRecord("HIKVI", "x"), context);
        EXPECT_TRUE(!stranger.isConfigured() && stranger.FUserName.empty() && stranger.FPasswort.empty());
    }
}

TEST(Thumbnail, StretchesKeepingAspectAndCrops) {
    // A 320 x 240 picture, left half red, right half blue.
    video::Image picture = filled(320, 240, 255, 0, 0);
    for (int y = 0; y < 240; ++y)
        for (int x = 160; x < 320; ++x) {
            auto* p = picture.row(y) + x * 3;
            p[0] = 0;
            p[2] = 255;
        }
    const video::Image t = makeThumbnail(picture, 128, 0);
    ASSERT_EQ(std::tuple(t.width, t.height), std::tuple(128, 96));  // the picture's own shape
    EXPECT_EQ(at(t, 10, 10), (std::array<int, 3>{0, 0, 255}));      // red
    EXPECT_EQ(at(t, 120, 10), (std::array<int, 3>{255, 0, 0}));     // blue
    EXPECT_EQ(at(t, 10, 95), (std::array<int, 3>{0, 0, 255}));

    // 25 % off each side leaves the middle, half red, half blue, stretched.
    const video::Image cropped = makeThumbnail(picture, 128, 25);
    EXPECT_EQ(at(cropped, 10, 10), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(at(cropped, 120, 10), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(cropped.height, 128);  // 160 x 240 is cut at the square's bottom
    EXPECT_EQ(at(cropped, 10, 127), (std::array<int, 3>{0, 0, 255}));
    // A crop that would leave nothing, and degenerate pictures, do no harm.
    EXPECT_EQ(makeThumbnail(picture, 93, 60).width, 93);
    const video::Image strip = makeThumbnail(filled(1000, 1, 9, 9, 9), 128, 0);
    EXPECT_EQ(std::tuple(strip.width, strip.height), std::tuple(128, 1));
    EXPECT_EQ(at(strip, 127, 0), (std::array<int, 3>{9, 9, 9}));
    const video::Image none = makeThumbnail(video::Image{}, 128, 0);
    EXPECT_EQ(std::tuple(none.width, none.height), std::tuple(128, 128));
}

TEST(Thumbnail, MarksForConfiguredDevicesOnly) {
    serverObjekt s;
    const video::Image white = filled(256, 256, 255, 255, 255);
    const auto countChanged = [](const video::Image& t) {
        int n = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                if (at(t, x, y) != std::array<int, 3>{255, 255, 255}) ++n;
        return n;
    };
    EXPECT_EQ(countChanged(s.resizeBmp(white, 128)), 0);
    s.FIsConfigured = true;
    const int check = countChanged(s.resizeBmp(white, 128));
    EXPECT_GT(check, 20);
    s.FHasMoxa = true;
    EXPECT_GT(countChanged(s.resizeBmp(white, 128)), check + 20);
}
