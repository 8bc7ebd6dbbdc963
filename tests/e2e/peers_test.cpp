// The bytes of the simulated devices against the program's own parsers: what
// a test peer sends must read back as the device it pretends to be.

#include <gtest/gtest.h>

#include "app/CommandFrames.h"
#include "devices/DiscoveryTelegrams.h"
#include "devices/MDNSRecords.h"
#include "devices/TAxisThread.h"
#include "devices/TelefonTelegram.h"
#include "platform/Base64.h"
#include "sim/HttpPeer.h"
#include "sim/Telegrams.h"
#include "video/BlackTest.h"

using namespace oculon;

TEST(SimStationBytes, DeviceRecordReadsAsVideoServer) {
    const std::string record = sim::deviceRecord("IPCam", "Haustuer-Ost-12345", "10.77.0.3", "255.255.0.0", 8080);
    ASSERT_EQ(record.size(), 62u);
    const auto parsed = devices::paket::fromBytes(record);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(devices::getType(*parsed), config::KorvatServer);
    EXPECT_EQ(parsed->vollst(), 0);
    EXPECT_EQ(parsed->ipAddr(), "10.77.0.3");
    EXPECT_EQ(parsed->subnet(), "255.255.0.0");
    EXPECT_EQ(parsed->name(), "Haustuer-Ost-12345");  // all 18 characters, no terminator
    EXPECT_EQ(parsed->port1(), "8080");
    EXPECT_FALSE(parsed->dhcp());

    // A longer name is cut to the field, never into the port.
    const auto cut =
        devices::paket::fromBytes(sim::deviceRecord("IPCam", std::string(30, 'x'), "1.2.3.4", "0.0.0.0", 80));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->name(), std::string(18, 'x'));
    EXPECT_EQ(cut->port1(), "80");
}

TEST(SimStationBytes, RecognisesTheProgramsSearch) {
    EXPECT_TRUE(sim::isSearchTelegram(devices::searchTelegram()));
    EXPECT_FALSE(sim::isSearchTelegram(devices::textQuery()));
    EXPECT_FALSE(sim::isSearchTelegram(devices::searchTelegram().substr(0, 62)));
}

TEST(SimTelefonBytes, TelegramsReadAsTelephoneEvents) {
    struct Case {
        int code;
        std::string text;
        std::size_t size;
        devices::TTelefonStatus status;
    };
    for (const Case& c :
         {Case{sim::kTelCall, "4711", 32, devices::Verbindung}, Case{sim::kTelCall, "4711", 36, devices::Verbindung},
          Case{sim::kTelVideo, "4711", 32, devices::Video}, Case{sim::kTelIdle, "", 32, devices::Idle},
          Case{sim::kTelName, "Flur", 32, devices::NameSt}}) {
        SCOPED_TRACE(c.code);
        const std::string telegram = sim::telefonTelegram(250, c.code, c.text, c.size);
        ASSERT_EQ(telegram.size(), c.size);
        const auto parsed = devices::parseTelefonTelegram(telegram);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->sequence, 250);
        const auto event = devices::makeTelefonEvent(*parsed, "10.77.0.4");
        ASSERT_TRUE(event);
        EXPECT_EQ(event->status(), c.status);
        if (c.status == devices::Verbindung || c.status == devices::Video) {
            EXPECT_EQ(event->nummer(), "4711");
        }
    }
    const auto type = devices::parseTelefonTelegram(sim::telefonTelegram(3, sim::kTelType, "R"));
    ASSERT_TRUE(type);
    EXPECT_EQ(devices::makeTelefonEvent(*type, "10.77.0.4")->typ(), config::KorvatV2);
}

TEST(SimTelefonBytes, AcknowledgesTheDoorOpenerFrameWithItsText) {
    // The program stops repeating its frame when the acknowledge's text is
    // exactly the frame: payload "1" + duration "05" + code "12FF".
    for (const std::string payload : {"10512FF", "10556789FFF"}) {
        SCOPED_TRACE(payload);
        const std::string frame = app::partnerFrame("10.77.0.1", 255, payload);
        ASSERT_TRUE(sim::isDoorOpenerFrame(frame));
        const auto ack = devices::parseTelefonTelegram(sim::telefonAck(9, frame));
        ASSERT_TRUE(ack);
        const auto event = devices::makeTelefonEvent(*ack, "10.77.0.4");
        ASSERT_TRUE(event);
        EXPECT_EQ(event->status(), devices::ACK);
        EXPECT_EQ(event->packet(), frame);
    }
    std::string damaged = app::partnerFrame("10.77.0.1", 1, "10512FF");
    damaged[6] = 'F';
    EXPECT_FALSE(sim::isDoorOpenerFrame(damaged));
}

TEST(SimCameraBytes, InputEventsReadByTheInputMonitor) {
    devices::AxisInputParser parser(config::AxisCam);
    std::vector<bool> seen;
    std::string stream = sim::multipartHead("simio");
    stream = stream.substr(stream.find("\r\n") + 2);  // the parser reads the lines after the status line
    stream += sim::axisInputPart("simio", true) + sim::axisInputPart("simio", false);
    std::size_t at = 0;
    for (std::size_t eol; (eol = stream.find("\r\n", at)) != std::string::npos; at = eol + 2) {
        if (const auto high = parser.feedLine(std::string_view(stream).substr(at, eol - at))) seen.push_back(*high);
    }
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST(SimCameraBytes, MulticastAnswerReadsAsAxisCamera) {
    const std::string query =
        devices::CreateQuery(77, false, {devices::TQueryRecordTypes::qtPTR}, "_axis-video._tcp.local");
    EXPECT_TRUE(sim::mdnsQueryAsks(query, "_axis-video._tcp.local"));
    EXPECT_FALSE(sim::mdnsQueryAsks(query, "_http._tcp.local"));
    EXPECT_FALSE(sim::mdnsQueryAsks(query.substr(0, 20), "_axis-video._tcp.local"));

    const auto answer =
        devices::parseAnswer(sim::mdnsAnswer("_axis-video._tcp.local", "Kamera1", "Kamera1", "10.77.0.5"));
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->Count(), 2u);
    const auto* ptr = dynamic_cast<const devices::TMPTRRecord*>(&answer->Items(0));
    ASSERT_TRUE(ptr);
    EXPECT_EQ(ptr->Name, "_axis-video._tcp.local");
    EXPECT_EQ(ptr->HostName, "Kamera1._axis-video._tcp.local");
    const auto* a = dynamic_cast<const devices::TMARecord*>(&answer->Items(1));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Name, "Kamera1.local");
    EXPECT_EQ(a->IPAddress, "10.77.0.5");
}

TEST(SimHttp, RequestHeadsAndBasicCredentials) {
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
    EXPECT_FALSE(sim::parseRequestHead("GET\r\n\r\n"));
    EXPECT_FALSE(sim::parseRequestHead("\r\n\r\n"));
    std::string many = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 200; ++i) many += "X: y\r\n";
    EXPECT_FALSE(sim::parseRequestHead(many + "\r\n"));
}

TEST(SimPicture, BlackOnlyWhenAskedFor) {
    const sim::TestPicture picture(320, 240, 90);
    for (const bool black : {false, true}) {
        const std::string jpeg = picture.jpeg(5, black);
        const auto image =
            video::decodeJpeg(std::span(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()));
        EXPECT_EQ(image.width, 320);
        EXPECT_EQ(video::isBlackPicture(video::viewOf(image), 45, video::kStreamGridMargin), black);
        EXPECT_EQ(video::isBlackPicture(video::viewOf(image), 45, video::kPreviewGridMargin), black);
    }
}
