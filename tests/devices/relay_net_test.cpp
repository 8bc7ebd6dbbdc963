// The relay-server link: relayed telegrams reach the read handlers, lines
// that are not framed are skipped, and a closed link ends the thread.

#include <gtest/gtest.h>

#include <mutex>

#include "TcpTestServer.h"
#include "config/RebootSperre.h"
#include "devices/DiscoveryHandlers.h"
#include "devices/RelayFraming.h"
#include "devices/TelefonListe.h"
#include "devices/configureThread.h"
#include "devices/serverObjekt.h"
#include "devices/tcpClientThread.h"
#include "support/LoopbackHttpServer.h"
#include "video/Jpeg.h"

using namespace oculon;
using namespace oculon::devices;
using testsupport::TcpTestServer;

namespace {

std::unique_ptr<platform::TcpClient> connectTo(std::uint16_t port) {
    auto client = std::make_unique<platform::TcpClient>();
    client->connect("127.0.0.1", port, std::chrono::seconds(2));
    return client;
}

paket localServerRecord(std::uint16_t port) {
    paket p;
    p.setGeraet("IPCam");
    p.setIpAddr({127, 0, 0, 1});
    p.setName("Tor");
    p.setPort1(std::to_string(port));
    return p;
}

}  // namespace

TEST(RelayNet, RelayedAnswersReachTheHandlersAndTheLinkEnds) {
    std::mutex mutex;
    std::vector<ProbeRequest> probes;
    TelefonListe telefone;
    DiscoveryHandlers handlers({0,
                                nullptr,
                                &telefone,
                                [&](ProbeRequest r) {
                                    std::lock_guard lock(mutex);
                                    probes.push_back(std::move(r));
                                },
                                {}});
    TcpTestServer relay([](int fd, const std::atomic<bool>&) {
        std::string lines;
        lines += buildRelayLine("CAM", "192.168.1.20", localServerRecord(80).bytes()) + "\n";
        lines += "garbage that is not base64\n";
        lines += buildRelayLine("XYZ", "192.168.1.21", "x") + "\n";
        lines += "\n";
        lines += buildRelayLine("AXI", "192.168.1.22", std::string("Eingang\0", 8)) + "\r\n";
        TcpTestServer::sendAll(fd, lines);
    });
    tcpClientThread link(connectTo(relay.port()), handlers);
    EXPECT_EQ(link.host(), "127.0.0.1");
    EXPECT_EQ(link.port(), relay.port());
    link.Start();
    // The relay server closes after its lines: the thread ends by itself.
    ASSERT_TRUE(link.WaitFor(std::chrono::seconds(5)));
    EXPECT_FALSE(link.connected());
    std::lock_guard lock(mutex);
    ASSERT_EQ(probes.size(), 2u);
    EXPECT_EQ(probes[0].address, "192.168.1.20");
    EXPECT_EQ(probes[0].record.bytes(), localServerRecord(80).bytes());
    EXPECT_EQ(probes[1].address, "192.168.1.22");
    EXPECT_EQ(probes[1].name, "Eingang");
    EXPECT_EQ(getType(probes[1].record), config::AxisCam);
}

TEST(RelayNet, TerminateStopsASilentLink) {
    TelefonListe telefone;
    DiscoveryHandlers handlers({0, nullptr, &telefone, [](ProbeRequest) {}, {}});
    TcpTestServer relay(
        [](int fd, const std::atomic<bool>& stopping) { TcpTestServer::holdUntilClosed(fd, stopping); });
    auto link = std::make_unique<tcpClientThread>(connectTo(relay.port()), handlers);
    link->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(link->connected());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::stopAndFree(std::move(link), std::chrono::seconds(5)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(RelayNet, ARelayedAnswerIsProbedAndPosted) {
    // The whole road: relay line, read handler, probe thread, picture, 1026.
    platform::ManualLoopBackend loop;
    std::vector<std::unique_ptr<serverObjekt>> posted;
    platform::MessageTarget target([&](platform::Message& m) {
        if (m.id == platform::WM_UPDATEEVENT) posted.push_back(m.take<platform::WM_UPDATEEVENT>());
    });
    video::Image grey;
    grey.reshape(160, 120, video::PixelFormat::Rgb24);
    std::fill(grey.pixels.begin(), grey.pixels.end(), std::uint8_t{180});
    const auto jpeg = video::encodeJpeg(video::viewOf(grey));
    testsupport::LoopbackHttpServer camera;
    camera.enqueue(testsupport::Script::mjpeg({std::string(jpeg.begin(), jpeg.end())}));

    config::TRebootSperre rebootLock;
    TelefonListe telefone;
    DeviceContext context;
    context.rebootLock = &rebootLock;
    DiscoveryHandlers handlers(
        {target.id(), &rebootLock, &telefone, configureThread::starter(target.id(), [&] { return context; }), {}});
    TcpTestServer relay([&](int fd, const std::atomic<bool>& stopping) {
        TcpTestServer::sendAll(fd,
                               buildRelayLine("CAM", "192.168.1.20", localServerRecord(camera.port()).bytes()) + "\n");
        TcpTestServer::holdUntilClosed(fd, stopping);
    });
    auto link = std::make_unique<tcpClientThread>(connectTo(relay.port()), handlers);
    link->Start();
    ASSERT_TRUE(loop.pumpUntil([&] { return !posted.empty(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(platform::stopAndFree(std::move(link), std::chrono::seconds(5)));
    EXPECT_TRUE(platform::Thread::terminateDetached(std::chrono::seconds(5)));
    serverObjekt& server = *posted[0];
    EXPECT_EQ(server.FIpAdresseNAT, "192.168.1.20");
    EXPECT_EQ(server.FIpAdresse, "127.0.0.1");
    server.verarbeiteBild(45, false);
    EXPECT_TRUE(server.hasPicture());
}
