// The camera input monitor against a scripted camera: events per type, the
// request it sends, and how it gets back to a camera that refused, broke the
// link or restarted.

#include <gtest/gtest.h>

#include "TcpTestServer.h"
#include "devices/TAxisThread.h"
#include "devices/stateChangeObjekt.h"
#include "platform/Base64.h"

using namespace oculon;
using namespace oculon::devices;
using testsupport::TcpTestServer;

namespace {

constexpr const char* kOk = "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=b\r\n\r\n";

std::string textPart(const std::string& token) { return "--b\r\nContent-Type: text/plain\r\n\r\n" + token + "\r\n"; }

class AxisNet : public ::testing::Test {
protected:
    AxisNet()
        : target_([this](platform::Message& m) {
              ASSERT_EQ(m.id, platform::WM_STATECHANGEDEVENT);
              events_.push_back(m.take<platform::WM_STATECHANGEDEVENT>());
          }) {}

    std::unique_ptr<TAxisThread> monitor(std::uint16_t port, config::TVideoServerType type) {
        auto t = std::make_unique<TAxisThread>("Eingang", "127.0.0.1", std::to_string(port), "root", "pw", type);
        t->setWinHandle(target_.id());
        t->setBackoff(std::chrono::milliseconds(50), std::chrono::milliseconds(200));
        return t;
    }
    bool waitForEvents(std::size_t n) {
        return loop_.pumpUntil([&] { return events_.size() >= n; }, std::chrono::seconds(10));
    }

    platform::ManualLoopBackend loop_;
    std::vector<std::unique_ptr<stateChangeObjekt>> events_;
    platform::MessageTarget target_;
};

}  // namespace

TEST(AxisInputParser, TokensPerType) {
    AxisInputParser axis(config::AxisCam);
    EXPECT_FALSE(axis.feedLine("1I:H"));  // no text part announced
    EXPECT_FALSE(axis.feedLine("Content-Type: text/plain"));
    EXPECT_FALSE(axis.feedLine(""));
    EXPECT_EQ(axis.feedLine("1I:H"), true);
    EXPECT_FALSE(axis.feedLine("content-type: TEXT/PLAIN; charset=x"));
    EXPECT_FALSE(axis.feedLine(""));
    EXPECT_FALSE(axis.feedLine("0I:H"));  // input 0 is not watched on type 4
    EXPECT_FALSE(axis.feedLine("Content-Type: image/jpeg"));
    EXPECT_FALSE(axis.feedLine(""));
    EXPECT_FALSE(axis.feedLine("1I:L"));

    AxisInputParser quorix(config::KorvatCamQuorix);
    EXPECT_EQ(quorix.feedLine("0I:H"), true);
    EXPECT_EQ(quorix.feedLine("0I:L"), false);
    EXPECT_FALSE(quorix.feedLine("1I:H"));
    EXPECT_FALSE(quorix.feedLine(""));
    EXPECT_EQ(AxisInputParser::requestLine(config::KorvatCamQuorix), "GET /axis-cgi/io/port.cgi?monitor=0 HTTP/1.1");
}

TEST(AxisThreadNames, RunningNumber) {
    const std::string first = TAxisThread::nextThreadName();
    const int n = std::stoi(first.substr(12));
    EXPECT_EQ(first.substr(0, 12), "TAxisThread ");
    EXPECT_EQ(TAxisThread::nextThreadName(), "TAxisThread " + std::to_string(n + 1));
}

TEST_F(AxisNet, TypeFourPostsInputChanges) {
    std::string head;
    std::mutex headMutex;
    TcpTestServer camera([&](int fd, const std::atomic<bool>& stopping) {
        {
            std::lock_guard lock(headMutex);
            head = TcpTestServer::readHead(fd, stopping);
        }
        TcpTestServer::sendAll(fd, std::string(kOk) + textPart("1I:H") + textPart("0I:H") + textPart("1I:L"));
        TcpTestServer::holdUntilClosed(fd, stopping);
    });
    auto t = monitor(camera.port(), config::AxisCam);
    t->Start();
    ASSERT_TRUE(waitForEvents(2));
    loop_.pumpFor(std::chrono::milliseconds(100));
    ASSERT_EQ(events_.size(), 2u);
    EXPECT_TRUE(events_[0]->status1());
    EXPECT_FALSE(events_[0]->status2());
    EXPECT_FALSE(events_[1]->status1());
    EXPECT_EQ(events_[0]->name(), "Eingang");
    EXPECT_EQ(events_[0]->adresse(), "127.0.0.1");
    EXPECT_EQ(events_[0]->port(), std::to_string(camera.port()));
    EXPECT_TRUE(platform::stopAndFree(std::move(t), std::chrono::seconds(2)));
    std::lock_guard lock(headMutex);
    EXPECT_EQ(head, "GET /axis-cgi/io/port.cgi?monitor=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Basic " +
                        platform::base64Encode("root:pw") + "\r\n\r\n");
}

TEST_F(AxisNet, RefusalsAndBrokenLinksAreRetriedWithAPause) {
    // First answer 401, then a link that breaks after one event, then a good one.
    std::atomic<int> session{0};
    TcpTestServer camera([&](int fd, const std::atomic<bool>& stopping) {
        TcpTestServer::readHead(fd, stopping);
        switch (session++) {
            case 0: TcpTestServer::sendAll(fd, "HTTP/1.1 401 Unauthorized\r\n\r\n"); break;
            case 1: TcpTestServer::sendAll(fd, std::string("HTTP/1.1 200 OK\r\n\r\n") + "0I:H\r\n"); break;
            default:
                TcpTestServer::sendAll(fd, std::string("HTTP/1.1 200 OK\r\n\r\n") + "0I:L\r\n");
                TcpTestServer::holdUntilClosed(fd, stopping);
        }
    });
    auto t = monitor(camera.port(), config::KorvatCamQuorix);
    t->Start();
    ASSERT_TRUE(waitForEvents(2));
    EXPECT_TRUE(events_[0]->status1());
    EXPECT_FALSE(events_[1]->status1());
    loop_.pumpFor(std::chrono::milliseconds(300));
    // It stays on the good link instead of connecting again and again.
    EXPECT_EQ(camera.accepted(), 3);
    EXPECT_TRUE(platform::stopAndFree(std::move(t), std::chrono::seconds(2)));
}

TEST_F(AxisNet, ComesBackAfterTheCameraRestarts) {
    std::uint16_t port = 0;
    const auto session = [](const char* token) {
        return [token](int fd, const std::atomic<bool>& stopping) {
            TcpTestServer::readHead(fd, stopping);
            TcpTestServer::sendAll(fd, std::string(kOk) + textPart(token));
            TcpTestServer::holdUntilClosed(fd, stopping);
        };
    };
    auto camera = std::make_unique<TcpTestServer>(session("1I:H"));
    port = camera->port();
    auto t = monitor(port, config::AxisCam);
    t->Start();
    ASSERT_TRUE(waitForEvents(1));

    // The camera goes away: connections are refused for a while.
    camera.reset();
    loop_.pumpFor(std::chrono::milliseconds(600));
    const int attemptsWhileDown = t->connectionCount();
    // Pauses of 50, 100, 200, 200 ms: a handful of attempts, not a spin.
    EXPECT_GE(attemptsWhileDown, 3);
    EXPECT_LE(attemptsWhileDown, 10);

    camera = std::make_unique<TcpTestServer>(session("1I:L"), port);
    ASSERT_TRUE(waitForEvents(2));
    EXPECT_FALSE(events_[1]->status1());
    EXPECT_TRUE(platform::stopAndFree(std::move(t), std::chrono::seconds(2)));
}

TEST_F(AxisNet, TerminateInterruptsAWaitingMonitor) {
    TcpTestServer camera([](int fd, const std::atomic<bool>& stopping) {
        TcpTestServer::readHead(fd, stopping);
        TcpTestServer::sendAll(fd, kOk);
        TcpTestServer::holdUntilClosed(fd, stopping);
    });
    auto t = monitor(camera.port(), config::AxisCam);
    t->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(platform::stopAndFree(std::move(t), std::chrono::seconds(5)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}
