// Probing devices over HTTP: the per-type paths and ports, credentials sent
// as Basic or answering a challenge, what counts as a picture, and the probe
// thread that posts the finished device object.

#include <gtest/gtest.h>

#include "config/cfgUnit.h"
#include "devices/DigestAuthentication.h"
#include "devices/configureThread.h"
#include "devices/serverObjekt.h"
#include "platform/Base64.h"
#include "platform/Registry.h"
#include "support/DeviceBytes.h"
#include "support/LoopbackHttpServer.h"
#include "support/Posted.h"
#include "video/TestPictures.h"

using namespace oculon;
using namespace oculon::devices;
using namespace std::chrono_literals;
using testsupport::MjpegOptions;
using testsupport::RecordedRequest;
using testsupport::Script;

namespace {

class ProbeNet : public ::testing::Test {
protected:
    ProbeNet() : settings_(std::make_shared<platform::MemoryRegistryStore>()) {
        registerDigestAuthentication();
        context_.settings = &settings_;
        context_.rebootLock = &rebootLock_;
    }

    void configure(const std::string& name, config::TVideoServerType type, std::string user, std::string password,
                   bool needCredentials = true) {
        config::TSingleConfig station;
        station.Name = name;
        station.typ = type;
        station.UserName = std::move(user);
        station.Passwort = std::move(password);
        station.NeedCredentials = needCredentials;
        station.AdminPass = "geheim";
        settings_.addConfig(std::move(station));
    }
    // A type-0 server "Tor" on this machine that answered the search.
    paket record() const { return testsupport::serverRecord({127, 0, 0, 1}, server_.port()); }
    bool probeSucceeds() { return serverObjekt("127.0.0.1", record(), context_).success; }

    config::TManualConfig manual(config::TVideoServerType type, std::string name = "Kamera") const {
        config::TManualConfig m;
        m.typ = type;
        m.name = std::move(name);
        m.ipAddr = server_.address();
        m.port = server_.port();
        return m;
    }
    // The picture of a camera that takes it only when asked.
    static void take(serverObjekt& s, const DeviceContext& context) {
        s.nimmBild(s.FIpAdresse, s.FPort, s.FAuthorization, context);
    }

    testsupport::LoopbackHttpServer server_;
    config::TVideoConfig settings_;
    config::TRebootSperre rebootLock_;
    DeviceContext context_;
    const std::string bright_ = video::test::jpegOf({200, 200, 200}, 320, 240);
};

}  // namespace

TEST_F(ProbeNet, TypeZeroFetchesAStreamFrameWithBasicCredentials) {
    configure("Tor", config::KorvatServer, "admin", "pw");
    server_.enqueue(Script::mjpeg({bright_}, MjpegOptions{.holdOpenAtEnd = true}));
    serverObjekt s("127.0.0.1", record(), context_);

    ASSERT_TRUE(s.success);
    EXPECT_EQ(s.strom, bright_);
    EXPECT_EQ(s.boundary + " " + s.FAdminPass, "--myboundary geheim");
    EXPECT_TRUE(s.FWhileConfig && s.isConfigured());
    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    // Exactly these lines: no other field, no port in Host.
    EXPECT_EQ(requests[0].head, "GET /GetData.cgi HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic " +
                                    platform::base64Encode("admin:pw") + "\r\n\r\n");
    EXPECT_EQ(rebootLock_.count(), 0);

    s.verarbeiteBild(45, false);
    ASSERT_TRUE(s.hasPicture() && s.image());
    EXPECT_EQ(std::tuple(s.image()->width, s.image()->height), std::tuple(128, 96));  // a 4:3 picture
}

TEST_F(ProbeNet, StreamVariantsAndRefusals) {
    // A boundary in quotes, parts without length, a chunked answer.
    server_.enqueue(Script::mjpeg(
        {bright_}, MjpegOptions{.quoteBoundary = true, .partLengths = false, .chunked = true, .repeat = 2}));
    serverObjekt unnamed("127.0.0.1", record(), context_);
    ASSERT_TRUE(unnamed.success);
    unnamed.verarbeiteBild(45, true);
    ASSERT_TRUE(unnamed.hasPicture() && !unnamed.isConfigured());
    EXPECT_EQ(std::to_string(unnamed.image()->width) + " " + unnamed.FAdminPass, "93 8516");
    EXPECT_FALSE(server_.requests()[0].header("Authorization"));

    // A 401 marks the device as needing credentials. A stream probe asks once,
    // with Basic, as the live stream does: a challenge only marks it, though
    // credentials are stored.
    configure("Tor", config::KorvatServer, "u", "p", false);
    for (const auto& challenge :
         {std::string("Basic realm=\"cam\""), std::string("Digest realm=\"cam\", nonce=\"n1\", qop=\"auth\"")}) {
        server_.enqueue(Script::challenge({challenge}));
        serverObjekt refused("127.0.0.1", record(), context_);
        EXPECT_TRUE(!refused.success && refused.FAuthorization);
    }
    EXPECT_EQ(server_.requests().size(), 3u);

    // Not a multipart answer, a part that is not a JPEG, a stream cut in the
    // middle of the picture.
    server_.enqueue(Script::reply(200, "OK", bright_, {{"Content-Type", "image/jpeg"}}));
    EXPECT_FALSE(probeSucceeds());
    server_.enqueue(Script::mjpeg({"text"}, MjpegOptions{.partType = "text/plain"}));
    EXPECT_FALSE(probeSucceeds());
    server_.enqueue(
        Script()
            .send(Script::answer(200, "OK", "", {{"Content-Type", "multipart/x-mixed-replace;boundary=b"}}, false))
            .send("--b\r\nContent-Type: image/jpeg\r\nContent-Length: 5000\r\n\r\n" + bright_.substr(0, 100)));
    EXPECT_FALSE(probeSucceeds());

    // The reboot lock holds probes back.
    rebootLock_.blockVideo();
    EXPECT_FALSE(probeSucceeds());
    rebootLock_.unblockVideo();
    EXPECT_EQ(server_.requests().size(), 6u);
}

TEST_F(ProbeNet, CorruptOrEmptyPictureIsAFailedProbe) {
    std::string corrupt = bright_;
    corrupt.resize(corrupt.size() / 3);
    std::fill(corrupt.begin() + 200, corrupt.end(), '\x55');
    for (const std::string& bytes : {corrupt, std::string("not a jpeg at all")}) {
        server_.enqueue(Script::mjpeg({bytes}));
        serverObjekt s("127.0.0.1", record(), context_);
        s.verarbeiteBild(45, false);
        EXPECT_TRUE(!s.success && !s.hasPicture() && !s.image());
    }
    // A black picture is a picture, but not one that counts.
    server_.enqueue(Script::mjpeg({video::test::jpegOf(video::test::kBlack, 640, 480)}));
    serverObjekt black("127.0.0.1", record(), context_);
    black.verarbeiteBild(45, false);
    EXPECT_TRUE(black.success && !black.hasPicture() && black.image());
}

TEST_F(ProbeNet, PathsPerTypeOnRequest) {
    server_.setHandler([&](const RecordedRequest&) { return Script::mjpeg({bright_}); });

    // Type 5 takes its picture at construction.
    serverObjekt server2(manual(config::KorvatServer2), context_);
    EXPECT_TRUE(server2.success && server2.isManual());

    // The other types only when asked; type 8 puts the key into the path and
    // sends no Authorization header.
    configure("Mirab", config::MirabCam, "user", "a b&c");
    serverObjekt mirab(manual(config::MirabCam, "Mirab"), context_);
    EXPECT_FALSE(mirab.FWhileConfig);
    take(mirab, context_);
    EXPECT_TRUE(mirab.success);

    // A custom stream path replaces the type's.
    config::TManualConfig custom = manual(config::LindavorCam);
    custom.path = "/eigener/pfad.mjpg";
    serverObjekt lindavor(custom, context_);
    take(lindavor, context_);

    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/cgi-bin/video.cgi?msubmenu=mjpg");
    EXPECT_EQ(requests[1].target, "/?mjpg&key=a%20b%26c");
    EXPECT_FALSE(requests[1].header("Authorization"));
    EXPECT_EQ(requests[2].target, "/eigener/pfad.mjpg");
}

TEST_F(ProbeNet, SnapshotTypesAndDefaults) {
    server_.setHandler([&](const RecordedRequest& r) {
        if (!r.header("Authorization")) return Script::challenge({"Basic realm=\"cam\""});
        return Script::reply(200, "OK", bright_, {{"Content-Type", "image/jpeg"}});
    });
    configure("Quorix", config::KorvatCamQuorix, "root", "pass", false);
    serverObjekt quorix(manual(config::KorvatCamQuorix, "Quorix"), context_);
    EXPECT_FALSE(quorix.FWhileConfig);
    // Without the flag no credentials go; the 401 sets it, and the next try sends them.
    take(quorix, context_);
    EXPECT_TRUE(!quorix.success && quorix.FAuthorization);
    take(quorix, context_);
    EXPECT_TRUE(quorix.success);
    EXPECT_EQ(quorix.strom, bright_);

    serverObjekt hik(manual(config::HikVision, "Hik"), context_);
    hik.FAuthorization = true;  // but no credentials: none are sent
    take(hik, context_);
    EXPECT_FALSE(hik.success);

    const auto requests = server_.requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/axis-cgi/jpg/image.cgi");
    EXPECT_EQ(requests.back().target,
              "/ISAPI/streaming/channels/101/picture?videoResolutionWidth=1920&videoResolutionHeight=1080");

    // Factory passwords of unconfigured devices.
    EXPECT_EQ(serverObjekt(manual(config::KorvatCamQuorix, "x"), context_).FAdminPass, "8516");
    EXPECT_EQ(serverObjekt("127.0.0.1", namedRecord("KORVA", "x"), context_).FAdminPass, "tenzi");
    EXPECT_EQ(serverObjekt("127.0.0.1", namedRecord("MOBOT", "x"), context_).FAdminPass, "pulvex");
}

TEST_F(ProbeNet, RecordTypesTakeTheirPortAndHost) {
    // Type 1 takes its picture only when asked: no network here.
    paket lindavor = testsupport::serverRecord({10, 1, 2, 3}, 0, "Tor", "CPCam");
    lindavor.setPort1(
        std::string("8\0"
                    "1",
                    3));
    const auto where = [](const serverObjekt& s) { return s.FIpAdresse + ":" + s.FPort; };
    serverObjekt l("192.168.5.5", lindavor, context_);
    EXPECT_EQ(where(l) + " via " + l.FIpAdresseNAT, "10.1.2.3:81 via 192.168.5.5");
    serverObjekt axis("10.9.9.9", "Flur", namedRecord("AXIS_", "ignored"), context_);
    EXPECT_EQ(where(axis) + " " + axis.FName + " " + axis.FSubnet, "10.9.9.9:80 Flur 0.0.0.0");
    serverObjekt mirab("10.9.9.8", 10, "/mj", "M", namedRecord("MIRAB", "M"), context_);
    EXPECT_EQ(where(mirab) + mirab.FPfad + " " + std::to_string(mirab.FReduktion), "10.9.9.8:8080/mj 10");
    const serverObjekt t4615("10.9.9.7", testsupport::serverRecord({1, 2, 3, 4}, 8080, "", "T4615"), context_);
    EXPECT_EQ(where(t4615), "10.9.9.7:8080");
}

TEST_F(ProbeNet, AxisResolutionOfAConfiguredCamera) {
    server_.setHandler([](const RecordedRequest& r) {
        if (r.target.find("ProdNbr") != std::string::npos)
            return Script::reply(200, "OK", "root.Brand.ProdNbr=P1435\r\n");
        return Script::reply(200, "OK", "Properties.Image.Resolution=640x480,1280x720,800x600\r\n");
    });
    configure("Axis", config::AxisCam, "root", "pw");
    std::vector<std::pair<std::string, std::string>> stored;
    context_.storeResString = [&](const std::string& name, const std::string& res) { stored.emplace_back(name, res); };
    serverObjekt axis(manual(config::AxisCam, "Axis"), context_);
    EXPECT_EQ(axis.FresString, "?resolution=1280x720");
    EXPECT_EQ(stored, (std::vector<std::pair<std::string, std::string>>{{"Axis", "?resolution=1280x720"}}));
    EXPECT_EQ(server_.requests()[0].header("Authorization"), "Basic " + platform::base64Encode("root:pw"));

    server_.setHandler(
        [](const RecordedRequest&) { return Script::reply(200, "OK", "root.Brand.ProdNbr=M3066-V\r\n"); });
    EXPECT_EQ(serverObjekt(manual(config::AxisCam, "Axis"), context_).FresString, "");
}

TEST_F(ProbeNet, ProbeThreadsPostTheDeviceObjectAndShutDownBreaksOffAHangingOne) {
    testsupport::Posted<platform::WM_UPDATEEVENT> posted;
    server_.enqueue(Script::mjpeg({bright_}));
    EXPECT_EQ(configureThread::threadName(ProbeRequest::fromManual(manual(config::KorvatServer2))), "configureThread ");
    configureThread::start(ProbeRequest::fromRecord(record(), "127.0.0.1"), posted.id(), context_);
    configureThread::start(ProbeRequest::fromManual(manual(config::AxisCam)), posted.id(), context_);
    ASSERT_TRUE(posted.waitFor(2, 20s));
    const auto& zero = posted.items[0]->typ() == config::KorvatServer ? posted.items[0] : posted.items[1];
    EXPECT_TRUE(zero->success);

    server_.enqueue(Script().hang());
    const auto asked = server_.requests().size();
    configureThread::start(ProbeRequest::fromRecord(record(), "127.0.0.1"), 0, context_);
    ASSERT_TRUE(server_.waitForRequests(asked + 1, 5s));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::Thread::terminateDetached(5s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}
