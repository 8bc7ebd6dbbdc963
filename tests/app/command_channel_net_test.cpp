// The command channel against device and telephone peers on loopback and the
// namespace's veth pair: repeats, echoes, late echoes, gateway calls and the
// door-opener frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "app/CommandChannel.h"
#include "app/CommandFrames.h"
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

class Channel : public ::testing::Test {
protected:
    Channel() {
        CommandChannel::Options options;
        options.sequenceSeed = 254;
        options.echoReturnWindow = 100ms;
        channel = std::make_unique<CommandChannel>(
            CommandChannel::Handlers{
                [this](const std::string& sender, bool on) { inputs.emplace_back(sender, on); },
                [this](const std::string& sender, const std::string& id) { calls.emplace_back(sender, id); }},
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

}  // namespace
}  // namespace oculon::app
