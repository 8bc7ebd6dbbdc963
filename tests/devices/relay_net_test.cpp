// The relay-server link: relayed telegrams reach the read handlers, lines
// that are not framed are skipped, and a closed link ends the thread.

#include <gtest/gtest.h>

#include <mutex>

#include "config/RebootSperre.h"
#include "devices/DiscoveryHandlers.h"
#include "devices/RelayFraming.h"
#include "devices/TelefonListe.h"
#include "devices/configureThread.h"
#include "devices/serverObjekt.h"
#include "devices/tcpClientThread.h"
#include "support/DeviceBytes.h"
#include "support/LoopbackHttpServer.h"
#include "support/Posted.h"
#include "video/TestPictures.h"

using namespace oculon;
using namespace oculon::devices;
using namespace std::chrono_literals;
using testsupport::LoopbackHttpServer;
using testsupport::Script;

namespace {

std::unique_ptr<platform::TcpClient> connectTo(const LoopbackHttpServer& relay) {
    auto client = std::make_unique<platform::TcpClient>();
    client->connect("127.0.0.1", relay.port(), 2s);
    return client;
}

std::string cameraLine(std::uint16_t port) {
    return buildRelayLine("CAM", "192.168.1.20", testsupport::serverRecord({127, 0, 0, 1}, port).bytes()) + "\n";
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
    LoopbackHttpServer relay;
    relay.greet(Script().send(cameraLine(80) + "garbage that is not base64\n" +
                              buildRelayLine("XYZ", "192.168.1.21", "x") + "\n\n" +
                              buildRelayLine("AXI", "192.168.1.22", std::string("Eingang\0", 8)) + "\r\n"));
    tcpClientThread link(connectTo(relay), handlers);
    EXPECT_EQ(link.host() + ":" + std::to_string(link.port()), "127.0.0.1:" + std::to_string(relay.port()));
    link.Start();
    // The relay server closes after its lines: the thread ends by itself.
    ASSERT_TRUE(link.WaitFor(5s));
    EXPECT_FALSE(link.connected());
    std::lock_guard lock(mutex);
    ASSERT_EQ(probes.size(), 2u);
    EXPECT_EQ(probes[0].address, "192.168.1.20");
    EXPECT_EQ(probes[0].record.bytes(), testsupport::serverRecord({127, 0, 0, 1}, 80).bytes());
    EXPECT_EQ(probes[1].address + " " + probes[1].name, "192.168.1.22 Eingang");
    EXPECT_EQ(getType(probes[1].record), config::AxisCam);
}

TEST(RelayNet, ARelayedAnswerIsProbedAndPostedAndTerminateStopsTheSilentLink) {
    // The whole road: relay line, read handler, probe thread, picture, 1026.
    testsupport::Posted<platform::WM_UPDATEEVENT> posted;
    LoopbackHttpServer camera;
    camera.enqueue(Script::mjpeg({video::test::jpegOf({180, 180, 180}, 160, 120)}));

    config::TRebootSperre rebootLock;
    TelefonListe telefone;
    DeviceContext context;
    context.rebootLock = &rebootLock;
    DiscoveryHandlers handlers(
        {posted.id(), &rebootLock, &telefone, configureThread::starter(posted.id(), [&] { return context; }), {}});
    LoopbackHttpServer relay;
    relay.greet(Script().send(cameraLine(camera.port())).hang());
    auto link = std::make_unique<tcpClientThread>(connectTo(relay), handlers);
    link->Start();
    ASSERT_TRUE(posted.waitFor(1, 20s));
    EXPECT_TRUE(link->connected());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::stopAndFree(std::move(link), 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(platform::Thread::terminateDetached(5s));
    serverObjekt& server = *posted.items[0];
    EXPECT_EQ(server.FIpAdresseNAT + " " + server.FIpAdresse, "192.168.1.20 127.0.0.1");
    server.verarbeiteBild(45, false);
    EXPECT_TRUE(server.hasPicture());
}
