// The TCP client against loopback servers in the test's own namespace:
// time-outs, bounded reads, a peer that goes away, and interruption from
// another thread.

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/TcpClient.h"
#include "support/LoopbackHttpServer.h"

using namespace oculon::platform;
using oculon::testsupport::LoopbackHttpServer;
using oculon::testsupport::Script;

namespace {

using Clock = std::chrono::steady_clock;

Millis since(Clock::time_point start) { return std::chrono::duration_cast<Millis>(Clock::now() - start); }

// Connects and sends a request line, so the server plays its script.
void open(TcpClient& client, const LoopbackHttpServer& server) {
    client.connect(server.address(), server.port(), Millis(2000));
    client.write("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
}

}  // namespace

TEST(TcpClient, ReadTimeOutKeepsWhatArrivedAndPeerCloseIsSeen) {
    LoopbackHttpServer server;
    // Bytes that come slowly still make up the line.
    server.enqueue(Script().send("partial").pause(Millis(600)).drip(" line\n", Millis(5)).send("12345--b"));
    TcpClient client;
    client.setReadTimeout(Millis(200));
    open(client, server);
    const auto start = Clock::now();
    EXPECT_THROW(client.readLn(100), TimeoutError);
    EXPECT_GE(since(start).count(), 180);
    EXPECT_LT(since(start).count(), 500);
    client.setReadTimeout(Millis(2000));
    EXPECT_EQ(client.readLn(100), "partial line");
    EXPECT_EQ(client.readExact(3), "123");
    EXPECT_EQ(client.readUntil("--b", 100), "45");
    // The script has ended: the server closes.
    EXPECT_THROW(client.readLn(100), ConnectionClosedError);
    EXPECT_FALSE(client.connected());
}

TEST(TcpClient, ConnectedTurnsFalseWhenTheServerHangsUpUnread) {
    LoopbackHttpServer server;
    server.enqueue(Script().send("bye"));
    TcpClient client;
    open(client, server);
    ASSERT_TRUE(server.waitForRequests(1, Millis(2000)));
    // Buffered bytes still count as connected until they are read.
    std::this_thread::sleep_for(Millis(100));
    EXPECT_TRUE(client.connected());
    EXPECT_EQ(client.readExact(3), "bye");
    const auto start = Clock::now();
    while (client.connected() && since(start) < Millis(2000)) std::this_thread::sleep_for(Millis(10));
    EXPECT_FALSE(client.connected());
}

TEST(TcpClient, ConnectFailuresAreReportedWithinTheirBound) {
    TcpClient client;
    // Nothing listens on port 1 of loopback: refused at once.
    EXPECT_THROW(client.connect("127.0.0.1", 1, Millis(2000)), NetError);
    // An address on the namespace's own subnet that nobody owns: no answer.
    const auto start = Clock::now();
    EXPECT_THROW(client.connect("10.77.0.99", 80, Millis(300)), TimeoutError);
    EXPECT_LT(since(start).count(), 1500);
    EXPECT_FALSE(client.connected());
}

TEST(TcpClient, InterruptBreaksOffBlockedReadsAndConnectsFromAnotherThread) {
    LoopbackHttpServer server;
    server.enqueue(Script().hang());
    TcpClient client;  // no read time-out: only the interrupt can end the read
    open(client, server);
    auto reader = std::async(std::launch::async, [&] {
        try {
            client.readLn(100);
        } catch (const InterruptedError&) {
            return true;
        }
        return false;
    });
    std::this_thread::sleep_for(Millis(100));
    const auto start = Clock::now();
    client.interrupt();
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_TRUE(reader.get());
    EXPECT_LT(since(start).count(), 500);
    // The interrupt stays in force for later calls until it is reset.
    EXPECT_THROW(client.connect(server.address(), server.port(), Millis(1000)), InterruptedError);
    client.resetInterrupt();
    server.enqueue(Script().send("ok\n"));
    open(client, server);
    EXPECT_EQ(client.readLn(10), "ok");
}

TEST(TcpClient, TheDeadlineEndsEveryWaitHoweverSteadilyThePeerSends) {
    LoopbackHttpServer server;
    server.enqueue(Script().drip(std::string(200, 'x'), Millis(100)));
    TcpClient client;
    client.setReadTimeout(Millis(1000));
    open(client, server);
    client.setDeadline(deadlineAfter(Millis(600)));
    const auto start = Clock::now();
    try {
        client.readExact(200);
        ADD_FAILURE() << "the drip was read to its end";
    } catch (const TimeoutError& e) {
        EXPECT_STREQ(e.what(), "The request took too long.");
    }
    EXPECT_GE(since(start).count(), 580);
    EXPECT_LT(since(start).count(), 3000);
    // Without one, reads go on.
    client.setDeadline(kNoDeadline);
    EXPECT_EQ(client.readExact(1), "x");
}
