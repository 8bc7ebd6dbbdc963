// The relay POST of the door button against the scripted loopback server:
// the request a camera gets, and a camera that cannot be reached.

#include <gtest/gtest.h>

#include "platform/Base64.h"
#include "support/LoopbackHttpServer.h"
#include "video/TuerOeffnen.h"

using namespace oculon::video;
using oculon::platform::Thread;
using oculon::testsupport::LoopbackHttpServer;
using oculon::testsupport::Millis;
using oculon::testsupport::Script;

TEST(RelayPost, CameraGetsAFormPostWhoseLengthMatchesItsBody) {
    LoopbackHttpServer server;
    server.setHandler([](const auto&) { return Script::reply(200, "OK", ""); });
    for (int duration : {7, 12, 120}) {
        const std::size_t before = server.requests().size();
        TRelayPostThread::start({server.address(), server.port(), "admin", "geheim", duration});
        ASSERT_TRUE(server.waitForRequests(before + 1, Millis(3000)));
        const auto r = server.requests().back();
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.target, "/remote.cgi");
        EXPECT_EQ(r.header("Host"), server.address());
        EXPECT_EQ(r.header("Authorization"), "Basic " + oculon::platform::base64Encode("admin:geheim"));
        EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(r.body, "CAM_IOSET1=0&CAM_IOSET2=" + std::to_string(duration));
        EXPECT_EQ(r.header("Content-Length"), std::to_string(r.body.size()));
    }
    ASSERT_TRUE(server.waitForPeerCloses(3, Millis(3000)));
    EXPECT_TRUE(Thread::terminateDetached(Millis(2000)));
}

TEST(RelayPost, AnUnreachableCameraGetsNothingAndTheThreadEnds) {
    std::uint16_t closedPort = 0;
    {
        LoopbackHttpServer gone;
        closedPort = gone.port();
    }
    TRelayPostThread::start({"127.0.0.1", closedPort, "u", "p", 5});
    TRelayPostThread::start({"127.0.0.1", 0, "u", "p", 5});  // no port: nothing to do
    EXPECT_TRUE(Thread::terminateDetached(Millis(3000)));
}
