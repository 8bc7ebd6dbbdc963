// UDP sender and listener inside the test's namespace: the listener's own
// thread, prompt stops, cut datagrams, broadcast and multicast over the
// veth pair (10.77.0.1 on oc0, 10.77.0.2 on oc1), sending from a chosen
// local address, and the adapter list.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Net.h"
#include "platform/UdpSocket.h"
#include "support/UdpPeer.h"

using namespace oculon::platform;
using oculon::testsupport::UdpPeer;

namespace {

using Clock = std::chrono::steady_clock;

// Collects what a listener's handler sees, with the handler's thread id.
struct Inbox {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Datagram> datagrams;
    std::set<std::thread::id> threads;

    UdpListener::Handler handler() {
        return [this](const Datagram& d) {
            {
                std::lock_guard lock(mutex);
                datagrams.push_back(d);
                threads.insert(std::this_thread::get_id());
            }
            arrived.notify_all();
        };
    }
    bool waitFor(std::size_t count, Millis timeout = Millis(2000)) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, timeout, [&] { return datagrams.size() >= count; });
    }
};

UdpSocket boundSocket(const std::string& address, std::uint16_t port) {
    UdpSocket socket;
    socket.setReuseAddress(true);
    socket.bind(address, port);
    return socket;
}

}  // namespace

TEST(UdpListener, HandlerRunsInItsOwnThreadSeesSenderAndCutDataAndSurvivesThrowing) {
    Inbox inbox;
    std::atomic<UdpListener*> self{nullptr};  // set before anything is sent
    UdpListener listener(
        boundSocket("127.0.0.1", 0),
        [&](const Datagram& d) {
            inbox.handler()(d);
            if (d.data == "throw") throw std::runtime_error("bad telegram");
            self.load()->socket().sendTo(d.peerAddress, d.peerPort, "echo:" + d.data.substr(0, 5));
        },
        "test listener", 16);
    self = &listener;
    const auto port = listener.socket().localPort();
    UdpPeer peer;
    peer.sendTo("127.0.0.1", port, "throw");
    peer.sendTo("127.0.0.1", port, "hello");
    peer.sendTo("127.0.0.1", port, std::string(100, 'x'));  // longer than the 16-byte buffer
    ASSERT_TRUE(inbox.waitFor(3));
    const auto answer = peer.next(Millis(2000));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->data, "echo:hello");  // answered from its own port
    EXPECT_EQ(answer->fromPort, port);
    std::lock_guard lock(inbox.mutex);
    EXPECT_EQ(inbox.datagrams[1].data, "hello");
    EXPECT_EQ(inbox.datagrams[1].peerAddress, "127.0.0.1");
    EXPECT_EQ(inbox.datagrams[1].peerPort, peer.port());
    EXPECT_EQ(inbox.datagrams[2].data, std::string(16, 'x'));
    ASSERT_EQ(inbox.threads.size(), 1u);
    EXPECT_NE(*inbox.threads.begin(), std::this_thread::get_id());
}

TEST(UdpListener, StopsPromptlyFromAnotherThreadAndFromItsHandler) {
    Inbox inbox;
    auto listener = std::make_unique<UdpListener>(boundSocket("127.0.0.1", 0), inbox.handler());
    std::this_thread::sleep_for(Millis(50));  // let it block in its wait
    auto start = Clock::now();
    std::async(std::launch::async, [&] { listener->stop(); }).get();
    EXPECT_LT(Clock::now() - start, Millis(500));
    listener.reset();

    std::promise<void> stopped;
    std::atomic<UdpListener*> selfPointer{nullptr};
    auto self = std::make_unique<UdpListener>(boundSocket("127.0.0.1", 0), [&](const Datagram&) {
        selfPointer.load()->stop();  // only asks; must not deadlock on its own thread
        stopped.set_value();
    });
    selfPointer = self.get();
    UdpPeer peer;
    peer.sendTo("127.0.0.1", self->socket().localPort(), "stop");
    ASSERT_EQ(stopped.get_future().wait_for(std::chrono::seconds(2)), std::future_status::ready);
    start = Clock::now();
    self.reset();
    EXPECT_LT(Clock::now() - start, Millis(500));
}

// Datagrams that waited together (after a stop of the process; here before
// the listener began) pass its backlog filter as one, oldest first, and it
// may take some out; one that comes alone is handled without it.
TEST(UdpListener, WhatWaitedTogetherPassesTheBacklogFilterAsOne) {
    UdpSocket socket = boundSocket("127.0.0.1", 0);
    const auto port = socket.localPort();
    UdpPeer peer;
    // Loopback delivers before the send returns: all three wait.
    for (const char* text : {"call", "end", "later"}) peer.sendTo("127.0.0.1", port, text);
    Inbox inbox;
    std::mutex mutex;
    std::vector<std::vector<std::string>> batches;
    UdpListener listener(std::move(socket), inbox.handler(), "backlog", 64, [&](std::vector<Datagram>& waiting) {
        std::vector<std::string> texts;
        for (const auto& d : waiting) texts.push_back(d.data);
        std::lock_guard lock(mutex);
        batches.push_back(texts);
        std::erase_if(waiting, [](const Datagram& d) { return d.data == "call"; });
    });
    ASSERT_TRUE(inbox.waitFor(2));
    peer.sendTo("127.0.0.1", port, "alone");
    ASSERT_TRUE(inbox.waitFor(3));
    std::lock_guard lock(mutex), lockInbox(inbox.mutex);
    EXPECT_EQ(batches, (std::vector<std::vector<std::string>>{{"call", "end", "later"}}));
    std::vector<std::string> handled;
    for (const auto& d : inbox.datagrams) handled.push_back(d.data);
    EXPECT_EQ(handled, (std::vector<std::string>{"end", "later", "alone"}));
}

TEST(UdpSocket, ReceiveTimesOutAndInterruptEndsAWait) {
    UdpSocket socket = boundSocket("127.0.0.1", 0);
    EXPECT_FALSE(socket.receive(100, Millis(50)));
    auto waiting = std::async(std::launch::async, [&] {
        try {
            socket.receive(100, kInfinite);
        } catch (const InterruptedError&) {
            return true;
        }
        return false;
    });
    std::this_thread::sleep_for(Millis(50));
    socket.interrupt();
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_TRUE(waiting.get());
}

// Broadcasts and datagrams from each adapter's address are the discovery
// thread's network test; here the adapter list it takes them from.
TEST(UdpSocket, AdaptersAndTheAddressTowardsAHost) {
    const auto adapters = localIpv4Adapters();
    auto oc0 =
        std::find_if(adapters.begin(), adapters.end(), [](const LocalAdapter& a) { return a.address == "10.77.0.1"; });
    ASSERT_NE(oc0, adapters.end());
    EXPECT_EQ(oc0->netmask, "255.255.255.0");
    EXPECT_EQ(oc0->broadcast, "10.77.0.255");
    for (const auto& a : adapters) EXPECT_NE(a.address, "127.0.0.1");
    EXPECT_EQ(addressTowards("127.0.0.1"), "127.0.0.1");
    EXPECT_TRUE(addressTowards("not an address").empty());

    // The kernel's notice of a new address is there once the change is made
    // (a link that came up late may have told something before); the new
    // address is on the same interface.
    AddressWatch watch;
    watch.changed();
    ASSERT_EQ(std::system("ip addr add 10.77.0.9/24 dev oc0"), 0);
    EXPECT_TRUE(watch.changed());
    const auto now = localIpv4Adapters();
    const auto added =
        std::find_if(now.begin(), now.end(), [](const LocalAdapter& a) { return a.address == "10.77.0.9"; });
    ASSERT_EQ(std::system("ip addr del 10.77.0.9/24 dev oc0"), 0);
    ASSERT_NE(added, now.end());
    EXPECT_TRUE(added->index == oc0->index && added->index != 0);
    EXPECT_TRUE(watch.changed());
}

TEST(UdpSocket, MulticastJoinAndSendWithTtl) {
    // One namespace: the host's own copy of the datagram is what arrives
    // (the far end of the pair drops a source address of its own host), and
    // that copy reaches only members on the sending interface.
    Inbox inbox;
    UdpSocket receiver = boundSocket("", 0);
    receiver.joinGroup("224.0.0.251", "10.77.0.1");
    const auto port = receiver.localPort();
    UdpListener listener(std::move(receiver), inbox.handler(), "mcast");
    UdpSocket sender = boundSocket("10.77.0.1", 0);
    sender.setMulticastInterface("10.77.0.1");
    sender.setMulticastTtl(255);
    sender.setMulticastLoop(true);
    sender.sendTo("224.0.0.251", port, "query");
    ASSERT_TRUE(inbox.waitFor(1));
    {
        std::lock_guard lock(inbox.mutex);
        EXPECT_EQ(inbox.datagrams[0].data, "query");
        EXPECT_EQ(inbox.datagrams[0].peerAddress, "10.77.0.1");
    }
    // Without the loop nothing comes back to this host.
    sender.setMulticastLoop(false);
    sender.sendTo("224.0.0.251", port, "quiet");
    EXPECT_FALSE(inbox.waitFor(2, Millis(300)));
}

TEST(UdpSocket, BadAddressesAreErrorsNotCrashes) {
    UdpSocket socket;
    EXPECT_THROW(socket.bind("300.1.1.1", 0), NetError);
    EXPECT_THROW(socket.joinGroup("not.a.group", ""), NetError);
    EXPECT_THROW(socket.sendTo("", 9, "x"), NetError);
    // The main thread's send looks up no name, not even "localhost".
    for (const char* host : {"", "localhost", "10.77.0.2 "})
        EXPECT_THROW(socket.sendNow(host, 9, "x"), NetError) << host;
}
