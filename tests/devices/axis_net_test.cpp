// The camera input monitor against a scripted camera: events per type, the
// request it sends, and how it gets back to a camera that refused, broke the
// link or restarted.

#include <gtest/gtest.h>

#include "devices/TAxisThread.h"
#include "devices/stateChangeObjekt.h"
#include "platform/Base64.h"
#include "support/LoopbackHttpServer.h"
#include "support/Posted.h"

using namespace oculon;
using namespace oculon::devices;
using namespace std::chrono_literals;
using testsupport::LoopbackHttpServer;
using testsupport::Script;

namespace {

// A monitor stream whose text parts carry these tokens, held open.
Script inputStream(std::initializer_list<const char*> tokens) {
    std::string out = "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=b\r\n\r\n";
    for (const char* token : tokens) out += std::string("--b\r\nContent-Type: text/plain\r\n\r\n") + token + "\r\n";
    return Script().send(out).hang();
}

class AxisNet : public ::testing::Test {
protected:
    std::unique_ptr<TAxisThread> monitor(std::uint16_t port, config::TVideoServerType type) {
        auto t = std::make_unique<TAxisThread>("Eingang", "127.0.0.1", std::to_string(port), "root", "pw", type);
        t->setWinHandle(events_.id());
        t->setBackoff(50ms, 200ms);
        return t;
    }
    bool status(std::size_t i) const { return events_.items.at(i)->status1(); }

    testsupport::Posted<platform::WM_STATECHANGEDEVENT> events_;
};

}  // namespace

TEST(AxisInputParser, TokensPerType) {
    // What each line reports: "H", "L" or "-" for nothing.
    const auto fed = [](config::TVideoServerType type, std::initializer_list<const char*> lines) {
        AxisInputParser parser(type);
        std::string out;
        for (const char* line : lines) {
            const auto on = parser.feedLine(line);
            out += on ? (*on ? 'H' : 'L') : '-';
        }
        return out;
    };
    // Tokens count only in a text part; input 0 is not watched on type 4.
    EXPECT_EQ(
        fed(config::AxisCam, {"1I:H", "Content-Type: text/plain", "", "1I:H", "content-type: TEXT/PLAIN; charset=x", "",
                              "0I:H", "Content-Type: image/jpeg", "", "1I:L"}),
        "---H------");
    EXPECT_EQ(fed(config::KorvatCamQuorix, {"0I:H", "0I:L", "1I:H", ""}), "HL--");
    EXPECT_EQ(AxisInputParser::requestLine(config::KorvatCamQuorix), "GET /axis-cgi/io/port.cgi?monitor=0 HTTP/1.1");
}

TEST_F(AxisNet, TypeFourPostsInputChangesAndAStopBreaksOffItsWait) {
    LoopbackHttpServer camera;
    camera.enqueue(inputStream({"1I:H", "0I:H", "1I:L"}));
    auto t = monitor(camera.port(), config::AxisCam);
    t->Start();
    ASSERT_TRUE(events_.waitFor(2));
    events_.loop().pumpFor(100ms);
    ASSERT_EQ(events_.items.size(), 2u);
    EXPECT_TRUE(status(0) && !events_.items[0]->status2() && !status(1));
    const auto& first = *events_.items[0];
    EXPECT_EQ(first.name() + " " + first.adresse() + ":" + first.port(),
              "Eingang 127.0.0.1:" + std::to_string(camera.port()));
    EXPECT_EQ(camera.requests().at(0).head,
              "GET /axis-cgi/io/port.cgi?monitor=1 HTTP/1.1\r\nHost: 127.0.0.1\r\n"
              "Authorization: Basic " +
                  platform::base64Encode("root:pw") + "\r\n\r\n");
    // The camera holds the stream open: the monitor waits, and a stop ends that.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::stopAndFree(std::move(t), 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST_F(AxisNet, RefusalsAndBrokenLinksAreRetriedWithAPause) {
    // First answer 401, then a link that breaks after one event, then a good one.
    LoopbackHttpServer camera;
    camera.enqueue(Script().send("HTTP/1.1 401 Unauthorized\r\n\r\n"));
    camera.enqueue(Script().send("HTTP/1.1 200 OK\r\n\r\n0I:H\r\n"));
    camera.enqueue(Script().send("HTTP/1.1 200 OK\r\n\r\n0I:L\r\n").hang());
    auto t = monitor(camera.port(), config::KorvatCamQuorix);
    t->Start();
    ASSERT_TRUE(events_.waitFor(2));
    EXPECT_TRUE(status(0) && !status(1));
    events_.loop().pumpFor(300ms);
    // It stays on the good link instead of connecting again and again.
    EXPECT_EQ(camera.connections().size(), 3u);
    EXPECT_TRUE(platform::stopAndFree(std::move(t), 2s));
}

TEST_F(AxisNet, ComesBackAfterTheCameraRestarts) {
    auto camera = std::make_unique<LoopbackHttpServer>();
    const std::uint16_t port = camera->port();
    camera->enqueue(inputStream({"1I:H"}));
    auto t = monitor(port, config::AxisCam);
    t->Start();
    ASSERT_TRUE(events_.waitFor(1));

    // The camera goes away: connections are refused for a while.
    camera.reset();
    events_.loop().pumpFor(600ms);
    // Pauses of 50, 100, 200, 200 ms: a handful of attempts, not a spin.
    EXPECT_GE(t->connectionCount(), 3);
    EXPECT_LE(t->connectionCount(), 10);

    camera = std::make_unique<LoopbackHttpServer>("127.0.0.1", port);
    camera->setHandler([](const auto&) { return inputStream({"1I:L"}); });
    ASSERT_TRUE(events_.waitFor(2));
    EXPECT_FALSE(status(1));
    EXPECT_TRUE(platform::stopAndFree(std::move(t), 2s));
}
