// The bytes of the simulated devices against the program's own parsers, for
// what the running devices of the network test do not show: names cut to
// their field, the long telegram size, a longer door code, and what the
// devices refuse to read.

#include <gtest/gtest.h>

#include "app/CommandFrames.h"
#include "devices/DiscoveryTelegrams.h"
#include "devices/MDNSRecords.h"
#include "devices/TelefonTelegram.h"
#include "platform/Base64.h"
#include "sim/HttpPeer.h"
#include "sim/Telegrams.h"

using namespace oculon;

TEST(SimStationBytes, NamesFillTheirFieldAndAreCutThereAndOnlyTheSearchIsAnswered) {
    const std::string record = sim::deviceRecord("IPCam", "Haustuer-Ost-12345", "10.77.0.3", "255.255.0.0", 8080);
    ASSERT_EQ(record.size(), 62u);
    const auto parsed = devices::paket::fromBytes(record);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->vollst(), 0);
    EXPECT_EQ(parsed->subnet(), "255.255.0.0");
    EXPECT_EQ(parsed->name(), "Haustuer-Ost-12345");  // all 18 characters, no terminator
    EXPECT_EQ(parsed->port1(), "8080");
    EXPECT_FALSE(parsed->dhcp());
    const auto cut =
        devices::paket::fromBytes(sim::deviceRecord("IPCam", std::string(30, 'x'), "1.2.3.4", "0.0.0.0", 80));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->name(), std::string(18, 'x'));
    EXPECT_EQ(cut->port1(), "80");

    EXPECT_TRUE(sim::isSearchTelegram(devices::searchTelegram()));
    EXPECT_FALSE(sim::isSearchTelegram(devices::searchTelegram().substr(0, 62)));
}

TEST(SimTelefonBytes, LongTelegramsVideoAndTheAcknowledgeOfALongerCode) {
    for (const std::size_t size : {32u, 36u}) {
        const auto parsed = devices::parseTelefonTelegram(sim::telefonTelegram(250, sim::kTelVideo, "4711", size));
        ASSERT_TRUE(parsed) << size;
        const auto event = devices::makeTelefonEvent(*parsed, "10.77.0.4");
        EXPECT_EQ(event->status(), devices::Video);
        EXPECT_EQ(event->nummer(), "4711");
    }
    // The program stops repeating its frame when the acknowledge's text is
    // exactly the frame: payload "1", duration "05" and the code.
    const std::string frame = app::partnerFrame("10.77.0.1", 255, "10556789FFF");
    ASSERT_TRUE(sim::isDoorOpenerFrame(frame));
    const auto ack = devices::parseTelefonTelegram(sim::telefonAck(9, frame));
    ASSERT_TRUE(ack);
    EXPECT_EQ(devices::makeTelefonEvent(*ack, "10.77.0.4")->packet(), frame);
    std::string damaged = app::partnerFrame("10.77.0.1", 1, "10512FF");
    damaged[6] = 'F';
    EXPECT_FALSE(sim::isDoorOpenerFrame(damaged));
}

TEST(SimCameraBytes, QueriesAndRequestHeadsItReads) {
    const std::string query =
        devices::CreateQuery(77, false, {devices::TQueryRecordTypes::qtPTR}, "_axis-video._tcp.local");
    EXPECT_TRUE(sim::mdnsQueryAsks(query, "_axis-video._tcp.local"));
    EXPECT_FALSE(sim::mdnsQueryAsks(query, "_http._tcp.local"));
    EXPECT_FALSE(sim::mdnsQueryAsks(query.substr(0, 20), "_axis-video._tcp.local"));

    const auto request = sim::parseRequestHead(
        "GET /axis-cgi/io/port.cgi?action=3:/5000%5C HTTP/1.1\r\nHost: 10.77.0.5\r\n"
        "authorization:   Basic " +
        platform::base64Encode("root:pass") + "\r\n\r\n");
    ASSERT_TRUE(request);
    EXPECT_EQ(request->path(), "/axis-cgi/io/port.cgi");
    EXPECT_EQ(request->query(), "action=3:/5000%5C");
    EXPECT_TRUE(sim::basicAuthorized(*request, "root", "pass"));
    EXPECT_FALSE(sim::basicAuthorized(*request, "root", "other"));
    EXPECT_TRUE(sim::basicAuthorized(*request, "", ""));
    const auto bare = sim::parseRequestHead("GET /GetData.cgi HTTP/1.1\n\n");
    ASSERT_TRUE(bare);
    EXPECT_FALSE(sim::basicAuthorized(*bare, "u", "p"));
    std::string many = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 200; ++i) many += "X: y\r\n";
    for (const std::string& bad : {std::string("GET\r\n\r\n"), std::string("\r\n\r\n"), many + "\r\n"})
        EXPECT_FALSE(sim::parseRequestHead(bad));
}
