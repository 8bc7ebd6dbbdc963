// Probing devices over HTTP: the per-type paths and ports, credentials sent
// as Basic or answering a Digest challenge, what counts as a picture, and the
// probe thread that posts the finished device object.

#include <gtest/gtest.h>

#include "config/cfgUnit.h"
#include "devices/DigestAuthentication.h"
#include "devices/configureThread.h"
#include "devices/serverObjekt.h"
#include "platform/Base64.h"
#include "platform/Registry.h"
#include "support/Lighttpd.h"
#include "support/LoopbackHttpServer.h"
#include "video/Jpeg.h"

using namespace oculon;
using namespace oculon::devices;
using testsupport::LoopbackHttpServer;
using testsupport::MjpegOptions;
using testsupport::RecordedRequest;
using testsupport::Script;

namespace {

std::string jpegOf(int width, int height, std::uint8_t grey) {
    video::Image image;
    image.reshape(width, height, video::PixelFormat::Rgb24);
    std::fill(image.pixels.begin(), image.pixels.end(), grey);
    const auto bytes = video::encodeJpeg(video::viewOf(image), 90);
    return {bytes.begin(), bytes.end()};
}

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

    // A record as a type-0 server on this machine sends it.
    paket serverRecord(std::uint16_t port, std::string_view name = "Tor") const {
        paket p;
        p.setGeraet("IPCam");
        p.setIpAddr({127, 0, 0, 1});
        p.setName(name);
        p.setPort1(std::to_string(port));
        return p;
    }

    config::TManualConfig manual(config::TVideoServerType type, std::string name = "Kamera") const {
        config::TManualConfig m;
        m.typ = type;
        m.name = std::move(name);
        m.ipAddr = server_.address();
        m.port = server_.port();
        return m;
    }

    LoopbackHttpServer server_;
    config::TVideoConfig settings_;
    config::TRebootSperre rebootLock_;
    DeviceContext context_;
    const std::string bright_ = jpegOf(320, 240, 200);
};

}  // namespace

TEST_F(ProbeNet, TypeZeroFetchesAStreamFrameWithBasicCredentials) {
    configure("Tor", config::KorvatServer, "admin", "pw");
    server_.enqueue(Script::mjpeg({bright_}, MjpegOptions{.holdOpenAtEnd = true}));
    serverObjekt s("127.0.0.1", serverRecord(server_.port()), context_);

    ASSERT_TRUE(s.success);
    EXPECT_EQ(s.strom, bright_);
    EXPECT_EQ(s.boundary, "--myboundary");
    EXPECT_TRUE(s.FWhileConfig);
    EXPECT_TRUE(s.isConfigured());
    EXPECT_EQ(s.FAdminPass, "geheim");
    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    // Exactly these lines: no other field, no port in Host.
    EXPECT_EQ(requests[0].head, "GET /GetData.cgi HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic " +
                                    platform::base64Encode("admin:pw") + "\r\n\r\n");
    EXPECT_EQ(rebootLock_.count(), 0);

    s.verarbeiteBild(45, false);
    EXPECT_TRUE(s.hasPicture());
    ASSERT_TRUE(s.image());
    EXPECT_EQ(s.image()->width, 128);
    EXPECT_EQ(s.image()->height, 128);
}

TEST_F(ProbeNet, StreamVariantsAndRefusals) {
    // A boundary in quotes, parts without length, a chunked answer.
    server_.enqueue(Script::mjpeg(
        {bright_}, MjpegOptions{.quoteBoundary = true, .partLengths = false, .chunked = true, .repeat = 2}));
    serverObjekt unnamed("127.0.0.1", serverRecord(server_.port()), context_);
    ASSERT_TRUE(unnamed.success);
    unnamed.verarbeiteBild(45, true);
    EXPECT_TRUE(unnamed.hasPicture());
    EXPECT_EQ(unnamed.image()->width, 93);
    EXPECT_FALSE(unnamed.isConfigured());
    EXPECT_EQ(unnamed.FAdminPass, "8516");
    EXPECT_FALSE(server_.requests()[0].header("Authorization"));

    // 401 marks the device as needing credentials.
    server_.enqueue(Script::reply(401, "Unauthorized", ""));
    serverObjekt refused("127.0.0.1", serverRecord(server_.port()), context_);
    EXPECT_FALSE(refused.success);
    EXPECT_TRUE(refused.FAuthorization);

    // Not a multipart answer, and a part that is not a JPEG.
    server_.enqueue(Script::reply(200, "OK", bright_, {{"Content-Type", "image/jpeg"}}));
    EXPECT_FALSE(serverObjekt("127.0.0.1", serverRecord(server_.port()), context_).success);
    server_.enqueue(Script::mjpeg({"text"}, MjpegOptions{.partType = "text/plain"}));
    EXPECT_FALSE(serverObjekt("127.0.0.1", serverRecord(server_.port()), context_).success);
    // A stream cut in the middle of the picture.
    server_.enqueue(
        Script()
            .send(Script::answer(200, "OK", "", {{"Content-Type", "multipart/x-mixed-replace;boundary=b"}}, false))
            .send("--b\r\nContent-Type: image/jpeg\r\nContent-Length: 5000\r\n\r\n" + bright_.substr(0, 100)));
    EXPECT_FALSE(serverObjekt("127.0.0.1", serverRecord(server_.port()), context_).success);
}

TEST_F(ProbeNet, CorruptOrEmptyPictureIsAFailedProbe) {
    std::string corrupt = bright_;
    corrupt.resize(corrupt.size() / 3);
    std::fill(corrupt.begin() + 200, corrupt.end(), '\x55');
    for (const std::string& bytes : {corrupt, std::string("not a jpeg at all")}) {
        server_.enqueue(Script::mjpeg({bytes}));
        serverObjekt s("127.0.0.1", serverRecord(server_.port()), context_);
        s.verarbeiteBild(45, false);
        EXPECT_FALSE(s.success);
        EXPECT_FALSE(s.hasPicture());
        EXPECT_FALSE(s.image());
    }
    // A black picture is a picture, but not one that counts.
    server_.enqueue(Script::mjpeg({jpegOf(640, 480, 0)}));
    serverObjekt black("127.0.0.1", serverRecord(server_.port()), context_);
    black.verarbeiteBild(45, false);
    EXPECT_TRUE(black.success);
    EXPECT_FALSE(black.hasPicture());
    EXPECT_TRUE(black.image());
}

TEST_F(ProbeNet, RebootLockHoldsProbesBack) {
    rebootLock_.blockVideo();
    serverObjekt s("127.0.0.1", serverRecord(server_.port()), context_);
    EXPECT_FALSE(s.success);
    EXPECT_TRUE(server_.requests().empty());
    rebootLock_.unblockVideo();
}

TEST_F(ProbeNet, PathsPerTypeOnRequest) {
    server_.setHandler([&](const RecordedRequest&) { return Script::mjpeg({bright_}); });

    // Type 5 takes its picture at construction.
    serverObjekt server2(manual(config::KorvatServer2), context_);
    EXPECT_TRUE(server2.success);
    EXPECT_TRUE(server2.isManual());

    // The other types only when asked; type 8 puts the key into the path and
    // sends no Authorization header.
    configure("Mirab", config::MirabCam, "user", "a b&c");
    serverObjekt mirab(manual(config::MirabCam, "Mirab"), context_);
    EXPECT_FALSE(mirab.FWhileConfig);
    mirab.nimmBild(mirab.FIpAdresse, mirab.FPort, mirab.FAuthorization, context_);
    EXPECT_TRUE(mirab.success);

    // A custom stream path replaces the type's.
    config::TManualConfig custom = manual(config::LindavorCam);
    custom.path = "/eigener/pfad.mjpg";
    serverObjekt lindavor(custom, context_);
    lindavor.nimmBild(lindavor.FIpAdresse, lindavor.FPort, lindavor.FAuthorization, context_);

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
    quorix.nimmBild(quorix.FIpAdresse, quorix.FPort, quorix.FAuthorization, context_);
    EXPECT_FALSE(quorix.success);
    EXPECT_TRUE(quorix.FAuthorization);
    quorix.nimmBild(quorix.FIpAdresse, quorix.FPort, quorix.FAuthorization, context_);
    EXPECT_TRUE(quorix.success);
    EXPECT_EQ(quorix.strom, bright_);

    serverObjekt hik(manual(config::HikVision, "Hik"), context_);
    hik.FAuthorization = true;  // but no credentials: none are sent
    hik.nimmBild(hik.FIpAdresse, hik.FPort, hik.FAuthorization, context_);
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
    paket lindavor;
    lindavor.setGeraet("CPCam");
    lindavor.setIpAddr({10, 1, 2, 3});
    lindavor.setPort1(
        std::string("8\0"
                    "1",
                    3));
    // Type 1 takes its picture only when asked; no network here.
    serverObjekt l("192.168.5.5", lindavor, context_);
    EXPECT_EQ(l.FIpAdresse, "10.1.2.3");
    EXPECT_EQ(l.FPort, "81");
    EXPECT_EQ(l.FIpAdresseNAT, "192.168.5.5");

    serverObjekt axis("10.9.9.9", "Flur", namedRecord("AXIS_", "ignored"), context_);
    EXPECT_EQ(axis.FIpAdresse, "10.9.9.9");
    EXPECT_EQ(axis.FPort, "80");
    EXPECT_EQ(axis.FName, "Flur");
    EXPECT_EQ(axis.FSubnet, "0.0.0.0");

    serverObjekt mirab("10.9.9.8", 10, "/mj", "M", namedRecord("MIRAB", "M"), context_);
    EXPECT_EQ(mirab.FPort, "8080");
    EXPECT_EQ(mirab.FPfad, "/mj");
    EXPECT_EQ(mirab.FReduktion, 10);

    paket t4615;
    t4615.setGeraet("T4615");
    t4615.setPort1("8080");
    EXPECT_EQ(serverObjekt("10.9.9.7", t4615, context_).FPort, "8080");
    EXPECT_EQ(serverObjekt("10.9.9.7", t4615, context_).FIpAdresse, "10.9.9.7");
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
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].second, "?resolution=1280x720");
    EXPECT_EQ(server_.requests()[0].header("Authorization"), "Basic " + platform::base64Encode("root:pw"));

    server_.setHandler(
        [](const RecordedRequest&) { return Script::reply(200, "OK", "root.Brand.ProdNbr=M3066-V\r\n"); });
    EXPECT_EQ(serverObjekt(manual(config::AxisCam, "Axis"), context_).FresString, "");
}

TEST_F(ProbeNet, DigestChallengesAreAnswered) {
    // A camera behind a real server that asks for Digest: snapshot type.
    testsupport::Lighttpd lighttpd(testsupport::Lighttpd::Auth::digest, "u", "p", "cam", 18090,
                                   {{"axis-cgi/jpg/image.cgi", bright_}});
    configure("Quorix", config::KorvatCamQuorix, "u", "p");
    config::TManualConfig entry = manual(config::KorvatCamQuorix, "Quorix");
    entry.port = lighttpd.port();
    serverObjekt quorix(entry, context_);
    quorix.nimmBild(quorix.FIpAdresse, quorix.FPort, quorix.FAuthorization, context_);
    EXPECT_TRUE(quorix.success) << lighttpd.log();
    EXPECT_EQ(quorix.strom, bright_);

    // A stream probe asks once, with Basic, as the live stream does: a
    // Digest challenge only marks the device as needing credentials.
    server_.enqueue(Script::challenge({"Digest realm=\"cam\", nonce=\"n1\", qop=\"auth\""}));
    configure("Tor", config::KorvatServer, "u", "p", false);
    serverObjekt tor("127.0.0.1", serverRecord(server_.port()), context_);
    EXPECT_FALSE(tor.success);
    EXPECT_TRUE(tor.FAuthorization);
    EXPECT_EQ(server_.requests().size(), 1u);
}

TEST_F(ProbeNet, ProbeThreadPostsTheDeviceObject) {
    platform::ManualLoopBackend loop;
    std::vector<std::unique_ptr<serverObjekt>> posted;
    platform::MessageTarget target([&](platform::Message& m) {
        EXPECT_EQ(m.id, platform::WM_UPDATEEVENT);
        posted.push_back(m.take<platform::WM_UPDATEEVENT>());
    });
    server_.enqueue(Script::mjpeg({bright_}));
    EXPECT_EQ(configureThread::threadName(ProbeRequest::fromManual(manual(config::KorvatServer2))), "configureThread ");
    configureThread::start(ProbeRequest::fromRecord(serverRecord(server_.port()), "127.0.0.1"), target.id(), context_);
    configureThread::start(ProbeRequest::fromManual(manual(config::AxisCam)), target.id(), context_);
    ASSERT_TRUE(loop.pumpUntil([&] { return posted.size() == 2; }, std::chrono::seconds(20)));
    EXPECT_TRUE(platform::Thread::terminateDetached(std::chrono::seconds(5)));
    const auto& zero = posted[0]->typ() == config::KorvatServer ? posted[0] : posted[1];
    EXPECT_TRUE(zero->success);
}

TEST_F(ProbeNet, ShutDownBreaksOffAHangingProbe) {
    server_.enqueue(Script().hang());
    configureThread::start(ProbeRequest::fromRecord(serverRecord(server_.port()), "127.0.0.1"), 0, context_);
    ASSERT_TRUE(server_.waitForRequests(1, std::chrono::seconds(5)));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::Thread::terminateDetached(std::chrono::seconds(5)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
