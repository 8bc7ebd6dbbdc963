// The light request against the scripted loopback server: the exact request
// a camera gets, the read time-out for a camera that never answers, and
// shut-down while requests still wait.

#include <gtest/gtest.h>

#include "platform/Base64.h"
#include "support/LoopbackHttpServer.h"
#include "video/LichtThread.h"

using namespace oculon::video;
using oculon::platform::Thread;
using oculon::testsupport::LoopbackHttpServer;
using oculon::testsupport::Millis;
using oculon::testsupport::Script;

namespace {
using Clock = std::chrono::steady_clock;
const std::string kLight = "/axis-cgi/io/lightcontrol.cgi?action=L1:-100,w15000,-0";
}  // namespace

TEST(LichtThread, SendsOneAuthenticatedGetAndClosesTheConnection) {
    LoopbackHttpServer server;
    server.enqueue(Script::reply(200, "OK", "ok"));
    TLichtThread::start(server.address(), std::to_string(server.port()), "root", "pass", kLight, 20000);
    ASSERT_TRUE(server.waitForRequests(1, Millis(3000)));
    const auto r = server.requests().at(0);
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, kLight);
    EXPECT_EQ(r.header("Authorization"), "Basic " + oculon::platform::base64Encode("root:pass"));
    ASSERT_TRUE(server.waitForPeerCloses(1, Millis(3000)));
    // Refused, and a port text that is no port: the thread just ends.
    TLichtThread::start("127.0.0.1", "1", "u", "p", kLight, 0);
    TLichtThread::start("127.0.0.1", "http", "u", "p", kLight, 0);
    EXPECT_TRUE(Thread::terminateDetached(Millis(2000)));
    EXPECT_EQ(server.requests().size(), 1u);

    // The door relay of a type-6 camera: path as given, time-out from the duration.
    const TLichtThread door("10.0.0.1", "80", "u", "p", "/axis-cgi/io/port.cgi?action=4:/3000%5C", 3000);
    EXPECT_EQ(door.duration(), 8000);
}

TEST(LichtThread, ACameraThatNeverAnswersHoldsItForTheReadTimeOutOnly) {
    LoopbackHttpServer server;
    server.enqueue(Script().hang());
    // Duration 0: read time-out 5000 ms.
    TLichtThread::start(server.address(), std::to_string(server.port()), "u", "p", "/door", 0);
    ASSERT_TRUE(server.waitForRequests(1, Millis(3000)));
    const auto asked = Clock::now();
    ASSERT_TRUE(server.waitForPeerCloses(1, Millis(8000)));
    const auto waited = server.connections().at(0).peerClosed.value() - asked;
    EXPECT_GE(waited, Millis(4500));
    EXPECT_LT(waited, Millis(6500));
    EXPECT_TRUE(Thread::terminateDetached(Millis(2000)));
}

TEST(LichtThread, ShutDownStopsWaitingRequestsAtOnce) {
    LoopbackHttpServer server;
    server.setHandler([](const auto&) { return Script().hang(); });
    for (int i = 0; i < 3; ++i)
        TLichtThread::start(server.address(), std::to_string(server.port()), "u", "p", kLight, 20000);
    ASSERT_TRUE(server.waitForRequests(3, Millis(3000)));
    const auto start = Clock::now();
    EXPECT_TRUE(Thread::terminateDetached(Millis(2000)));
    EXPECT_LT(Clock::now() - start, Millis(1000));
    EXPECT_TRUE(server.waitForPeerCloses(3, Millis(2000)));
}
