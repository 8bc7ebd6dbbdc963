// The command channel against device and telephone peers on loopback and the
// namespace's veth pair: repeats, echoes, late echoes, gateway calls, the
// door-opener frame, a burst from forged senders whose echoes cannot go out,
// and a listening port that another program holds.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/ip.h>
#include <netinet/udp.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>

#include "app/CommandChannel.h"
#include "app/CommandFrames.h"
#include "platform/UniqueFd.h"
#include "support/UdpPeer.h"

namespace oculon::app {
namespace {

using namespace std::chrono_literals;
using testsupport::UdpPeer;

const std::string kDoor = commandFrame("T");

std::string gatewayCall(const std::string& id) {
    std::string body = std::string(1, kGatewayCallStart) + id + kGatewayCallEnd;
    std::uint8_t x = 0;
    for (char c : body) x ^= static_cast<std::uint8_t>(c);
    return body + static_cast<char>(x);
}

// Sends UDP datagrams with any source address (raw socket, root in the
// test's namespace), as a device on the LAN can.
class ForgedSender {
public:
    ForgedSender() : fd_(::socket(AF_INET, SOCK_RAW, IPPROTO_RAW)) {}
    bool ok() const { return static_cast<bool>(fd_); }

    void send(const std::string& from, const std::string& to, std::uint16_t port, const std::string& data) {
        std::string packet(sizeof(iphdr) + sizeof(udphdr) + data.size(), '\0');
        auto* ip = reinterpret_cast<iphdr*>(packet.data());
        ip->version = 4;
        ip->ihl = 5;
        ip->ttl = 64;
        ip->protocol = IPPROTO_UDP;
        ip->tot_len = htons(static_cast<std::uint16_t>(packet.size()));
        ::inet_pton(AF_INET, from.c_str(), &ip->saddr);
        ::inet_pton(AF_INET, to.c_str(), &ip->daddr);
        auto* udp = reinterpret_cast<udphdr*>(packet.data() + sizeof(iphdr));
        udp->source = htons(4002);
        udp->dest = htons(port);
        udp->len = htons(static_cast<std::uint16_t>(sizeof(udphdr) + data.size()));
        std::copy(data.begin(), data.end(), packet.begin() + sizeof(iphdr) + sizeof(udphdr));
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = ip->daddr;
        ::sendto(fd_.get(), packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    }

private:
    platform::UniqueFd fd_;
};

class Channel : public ::testing::Test {
protected:
    Channel() {
        CommandChannel::Options options;
        options.sequenceSeed = 254;
        options.echoReturnWindow = 100ms;
        channel = std::make_unique<CommandChannel>(
            CommandChannel::Handlers{
                [this](const std::string& sender, bool on) { inputs.emplace_back(sender, on); },
                [this](const std::string& sender, const std::string& id) { calls.emplace_back(sender, id); },
                [this](std::uint16_t port, bool held) { ports.emplace_back(port, held); }},
            options);
        EXPECT_TRUE(channel->setListening(true));
    }

    // Everything the peer receives within `d` while the loop runs.
    std::vector<testsupport::ReceivedDatagram> drain(UdpPeer& peer, std::chrono::milliseconds d) {
        loop.pumpFor(d);
        std::vector<testsupport::ReceivedDatagram> got;
        while (auto r = peer.next(0ms)) got.push_back(*r);
        return got;
    }

    platform::ManualLoopBackend loop;
    std::unique_ptr<CommandChannel> channel;
    std::vector<std::pair<std::string, bool>> inputs;
    std::vector<std::pair<std::string, std::string>> calls;
    std::vector<std::pair<std::uint16_t, bool>> ports;
};

TEST_F(Channel, UnansweredFramesGoOutElevenTimesTheCommandInHalfASecondTheDoorOpenerInOne) {
    UdpPeer device("127.0.0.1", 4002);
    UdpPeer phone("127.0.0.1", 8113);
    const auto start = std::chrono::steady_clock::now();
    channel->sendeString(kDoor, "127.0.0.1");
    channel->sendeStringLindavor("1051234", "127.0.0.1");
    std::vector<std::chrono::steady_clock::duration> commands;
    std::size_t doorOpeners = 0;
    while (std::chrono::steady_clock::now() - start < 1500ms) {
        loop.pumpFor(5ms);
        while (auto r = device.next(0ms)) {
            EXPECT_EQ(r->data, kDoor);
            commands.push_back(std::chrono::steady_clock::now() - start);
        }
        while (phone.next(0ms)) ++doorOpeners;
    }
    ASSERT_EQ(commands.size(), 11u);
    EXPECT_GE(commands.back() - commands.front(), 450ms);
    EXPECT_LT(commands.back() - commands.front(), 900ms);
    EXPECT_EQ(doorOpeners, 11u);
    EXPECT_FALSE(channel->commandSender().pending() || channel->partnerSender().pending());
}

TEST_F(Channel, EchoStopsTheRepeatsAndLateEchoesAreNotSentBack) {
    UdpPeer device("127.0.0.1", 4002);
    channel->sendeString(kDoor, "127.0.0.1");
    auto copies = drain(device, 120ms);
    ASSERT_GE(copies.size(), 2u);
    // The device echoes every copy it got, a little late, to port 4001.
    for (const auto& c : copies) device.sendTo("127.0.0.1", 4001, c.data);
    const auto after = drain(device, 800ms);
    EXPECT_FALSE(channel->commandSender().pending());
    // Only copies of the command that were on their way: no echo of an echo,
    // which the device would take as a second door opening.
    EXPECT_LE(after.size(), 1u);
    EXPECT_TRUE(calls.empty() && inputs.empty());
}

TEST_F(Channel, DeviceFramesAreEchoedToPort4002AndHandedOn) {
    UdpPeer device("10.77.0.2", 4002);
    device.sendTo("10.77.0.1", 4001, gatewayCall("ws1"));
    device.sendTo("10.77.0.1", 4001, commandFrame("D2"));
    device.sendTo("10.77.0.1", 4001, commandFrame("D1"));
    device.sendTo("10.77.0.1", 4001, std::string("\x1FTJ"));  // wrong check byte
    device.sendTo("10.77.0.1", 4001, commandFrame("Xyz"));
    // A long datagram is cut before its check.
    const std::string longFrame = commandFrame(std::string(252, 'a'));
    device.sendTo("10.77.0.1", 4001, longFrame + std::string(100, 'z'));
    const auto echoed = drain(device, 300ms);
    ASSERT_EQ(echoed.size(), 5u);
    EXPECT_EQ(echoed[0].data, gatewayCall("ws1"));
    EXPECT_EQ(echoed[3].data, commandFrame("Xyz"));
    EXPECT_EQ(echoed[4].data, longFrame);
    EXPECT_EQ(calls, (std::vector<std::pair<std::string, std::string>>{{"10.77.0.2", "ws1"}}));
    EXPECT_EQ(inputs, (std::vector<std::pair<std::string, bool>>{{"10.77.0.2", true}, {"10.77.0.2", false}}));
}

// Our echo of a call sent back (the simulated gateway echoes every frame) is
// no new call, or the two would echo each other for ever; a later one is.
TEST_F(Channel, OurEchoSentBackIsNoNewCall) {
    UdpPeer device("10.77.0.2", 4002);
    device.sendTo("10.77.0.1", 4001, gatewayCall("ws1"));
    ASSERT_EQ(drain(device, 20ms).size(), 1u);
    device.sendTo("10.77.0.1", 4001, gatewayCall("ws1"));  // our echo, back
    EXPECT_TRUE(drain(device, 150ms).empty());
    device.sendTo("10.77.0.1", 4001, gatewayCall("ws1"));
    EXPECT_EQ(drain(device, 50ms).size(), 1u);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(Channel, WhileACommandWaitsForItsEchoOtherFramesAreDropped) {
    UdpPeer device("127.0.0.1", 4002);
    channel->sendeString(kDoor, "127.0.0.1");
    device.sendTo("127.0.0.1", 4001, gatewayCall("ws1"));
    loop.pumpFor(30ms);
    EXPECT_TRUE(calls.empty());
    device.sendTo("127.0.0.1", 4001, kDoor);
    loop.pumpFor(30ms);
    EXPECT_FALSE(channel->commandSender().pending());
    // The gateway repeats its call and is heard now. Copies of the command
    // sent before the echo came may still reach the peer's reading thread
    // late, so only the call's own echo is counted.
    device.sendTo("127.0.0.1", 4001, gatewayCall("ws1"));
    const auto after = drain(device, 200ms);
    EXPECT_EQ(std::count_if(after.begin(), after.end(), [](const auto& d) { return d.data == gatewayCall("ws1"); }), 1);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(),
                            [](const auto& d) { return d.data == gatewayCall("ws1") || d.data == kDoor; }));
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(Channel, DoorOpenerFrameCarriesTheAddressThatReachesTheTelephone) {
    UdpPeer phone("10.77.0.2", 8113);
    UdpPeer local("127.0.0.1", 8113);
    channel->sendeStringLindavor("1051234", "10.77.0.2");
    channel->sendeStringLindavor("1051234", "127.0.0.1");
    loop.pumpFor(50ms);
    const auto first = phone.next(500ms);
    const auto second = local.next(500ms);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->data.substr(0, 15), "LSREM0A4D0002FF");
    EXPECT_EQ(second->data.substr(0, 15), "LSREM7F00000100");  // the sequence wrapped
}

TEST_F(Channel, DoorOpenerRepeatsUntilAcknowledgedWithoutDisturbingTheCommandSender) {
    UdpPeer device("127.0.0.1", 4002);
    UdpPeer phone("10.77.0.2", 8113);
    UdpPeer phoneCommands("10.77.0.2", 4002);
    channel->sendeString(kDoor, "127.0.0.1");
    channel->sendeStringLindavor("1051234", "10.77.0.2");
    const auto frame = channel->partnerSender().frame();

    // The door-opener frame waiting for its answer does not stop the listener.
    device.sendTo("127.0.0.1", 4001, kDoor);
    loop.pumpFor(20ms);
    EXPECT_FALSE(channel->commandSender().pending());
    device.sendTo("10.77.0.1", 4001, gatewayCall("ws1"));
    loop.pumpFor(250ms);
    EXPECT_EQ(calls.size(), 1u);

    channel->telephoneAcknowledge("LSREM-something-else");
    EXPECT_TRUE(channel->partnerSender().pending());
    channel->telephoneAcknowledge(frame);
    EXPECT_FALSE(channel->partnerSender().pending());
    const auto toPhone = drain(phone, 300ms);
    EXPECT_TRUE(toPhone.size() >= 2 && toPhone.size() <= 5) << toPhone.size();
    for (const auto& d : toPhone) EXPECT_EQ(d.data, frame);
    // The command never went to the telephone's address.
    EXPECT_EQ(phoneCommands.receivedCount(), 0u);
}

TEST_F(Channel, ListenerCanBeSwitchedOffAndOn) {
    UdpPeer device("127.0.0.1", 4002);
    channel->setListening(false);
    device.sendTo("127.0.0.1", 4001, gatewayCall("ws1"));
    EXPECT_TRUE(drain(device, 100ms).empty());
    EXPECT_TRUE(channel->setListening(true));
    device.sendTo("127.0.0.1", 4001, gatewayCall("ws1"));
    EXPECT_EQ(drain(device, 200ms).size(), 1u);
    EXPECT_EQ(calls.size(), 1u);
}

// Gateway calls with our id from forged senders on the LAN (10.77.0.100 to
// .199, where nobody answers the neighbour lookup): their echoes wait in the
// send buffer until the lookup fails, seconds later, so the buffer stays full
// and every further echo finds no room. A real gateway that calls during and
// after the burst (repeating its call until echoed, as gateways do) is heard
// at once, and the loop never waits on a send.
TEST_F(Channel, ABurstWhoseEchoesCannotGoOutHoldsNoCallBack) {
    ForgedSender forged;
    ASSERT_TRUE(forged.ok());
    UdpPeer gateway("10.77.0.2", 4002);
    const std::string call = gatewayCall("ws1");
    const auto burst = [&](int count) {
        for (int i = 0; i < count; ++i)
            forged.send("10.77.0." + std::to_string(100 + i % 100), "10.77.0.1", 4001, call);
    };
    const auto realCallHeard = [&] {
        return std::count(calls.begin(), calls.end(), std::pair{std::string("10.77.0.2"), call.substr(1, 3)});
    };
    burst(2000);
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration longestPump{};
    while (realCallHeard() == 0 && std::chrono::steady_clock::now() - start < 5s) {
        gateway.sendTo("10.77.0.1", 4001, call);
        burst(200);  // the burst goes on while it calls
        for (int i = 0; i < 10; ++i) {
            const auto before = std::chrono::steady_clock::now();
            loop.pumpFor(10ms);
            longestPump = std::max(longestPump, std::chrono::steady_clock::now() - before);
        }
    }
    EXPECT_GT(realCallHeard(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // A pump of 10 ms that waited on a full send buffer would take a second.
    EXPECT_LT(longestPump, 500ms);
    // The forged calls were handed on too (the dispatch knows no gateway there).
    EXPECT_GT(calls.size(), 100u);
    // The burst over, the gateway's next call is heard again at once.
    calls.clear();
    gateway.sendTo("10.77.0.1", 4001, gatewayCall("ws2"));
    EXPECT_TRUE(loop.pumpUntil([&] { return !calls.empty(); }, 500ms));
}

// Another program holds the port: told once however often it is tried, and
// taken as soon as it is free, when calls come in again.
TEST_F(Channel, AHeldPortIsToldOnceRetriedAndTakenOnceFree) {
    std::vector<std::pair<std::uint16_t, bool>> told;
    CommandChannel::Options options;
    options.listenRetry = 100ms;
    std::vector<std::pair<std::string, std::string>> secondCalls;
    CommandChannel second(
        {{},
         [&](const std::string& sender, const std::string& id) { secondCalls.emplace_back(sender, id); },
         [&](std::uint16_t port, bool held) { told.emplace_back(port, held); }},
        options);
    EXPECT_FALSE(second.setListening(true));
    EXPECT_FALSE(second.setListening(true));
    loop.pumpFor(350ms);
    EXPECT_EQ(told, (std::vector<std::pair<std::uint16_t, bool>>{{4001, true}}));
    EXPECT_FALSE(second.listening());

    channel->setListening(false);  // the other program lets go
    ASSERT_TRUE(loop.pumpUntil([&] { return second.listening(); }, 1s));
    EXPECT_EQ(told, (std::vector<std::pair<std::uint16_t, bool>>{{4001, true}, {4001, false}}));
    UdpPeer device("127.0.0.1", 4002);
    device.sendTo("127.0.0.1", 4001, gatewayCall("ws1"));
    EXPECT_TRUE(loop.pumpUntil([&] { return !secondCalls.empty(); }, 500ms));

    // Held, then no longer wanted: that is told too, so the notice goes.
    EXPECT_FALSE(channel->setListening(true));
    channel->setListening(false);
    EXPECT_EQ(ports, (std::vector<std::pair<std::uint16_t, bool>>{{4001, true}, {4001, false}}));
    second.setListening(false);
    EXPECT_TRUE(channel->setListening(true));
}

}  // namespace
}  // namespace oculon::app
