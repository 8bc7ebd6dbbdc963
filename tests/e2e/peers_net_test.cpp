// The simulated devices as running programs, in the second host of a
// two-host namespace, talked to with the program's own clients: the search
// answer, probe fetches, the command echo, telephone telegrams and the door
// acknowledge, the camera's input monitor, relay request, resolution list and
// multicast-DNS answer.

#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "app/CommandFrames.h"
#include "devices/DiscoveryTelegrams.h"
#include "devices/MDNSRecords.h"
#include "devices/ProbePicture.h"
#include "devices/TAxisThread.h"
#include "devices/TelefonTelegram.h"
#include "devices/stateChangeObjekt.h"
#include "platform/HttpClient.h"
#include "platform/MainLoop.h"
#include "platform/UdpSocket.h"
#include "support/ChildProcess.h"
#include "support/SimDevice.h"
#include "video/BlackTest.h"

using namespace oculon;
using namespace std::chrono_literals;

namespace {

constexpr const char* kWorkstation = testsupport::kWorkstationAddress;
constexpr const char* kDevice = testsupport::kDeviceAddress;

using Peer = testsupport::SimDevice;

platform::UdpSocket boundSocket(std::uint16_t port) {
    platform::UdpSocket s;
    s.setReuseAddress(true);
    s.bind(kWorkstation, port);
    return s;
}

bool isBlack(const std::string& jpeg) {
    const auto image = video::decodeJpeg(std::span(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()));
    return video::isBlackPicture(video::viewOf(image), 45, video::kPreviewGridMargin);
}

}  // namespace

TEST(SimStationNet, AnswersSearchServesProbeAndEchoesCommands) {
    Peer station("simstation", {"--name", "Haustuer", "--user", "u", "--password", "p", "--fps", "20"});

    auto search = boundSocket(4005);
    search.setBroadcast(true);
    search.sendTo("255.255.255.255", 4005, devices::searchTelegram());
    const auto answer = search.receive(256, 3s);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->peerAddress, kDevice);
    const auto record = devices::paket::fromBytes(answer->data);
    ASSERT_TRUE(record);
    EXPECT_EQ(devices::getType(*record), config::KorvatServer);
    EXPECT_EQ(record->name(), "Haustuer");
    EXPECT_EQ(record->ipAddr(), kDevice);
    EXPECT_EQ(record->port1(), "80");
    // Not the search: no answer.
    search.sendTo("255.255.255.255", 4005, devices::textQuery());
    EXPECT_FALSE(search.receive(256, 300ms));

    devices::FetchTarget target{kDevice, 80, "u", "p"};
    target.timeout = 5s;
    const auto stillBlack = devices::fetchStreamFrame(target, "/GetData.cgi");
    ASSERT_TRUE(stillBlack.success);
    EXPECT_TRUE(isBlack(stillBlack.jpeg));
    station.signal(SIGUSR1);
    ASSERT_TRUE(station.waitFor("picture"));
    const auto calling = devices::fetchStreamFrame(target, "/GetData.cgi");
    ASSERT_TRUE(calling.success);
    EXPECT_FALSE(isBlack(calling.jpeg));
    EXPECT_FALSE(isBlack(devices::fetchSnapshot(target, "/Jpeg/CamImg.jpg").jpeg));
    target.password = "wrong";
    const auto refused = devices::fetchStreamFrame(target, "/GetData.cgi");
    EXPECT_FALSE(refused.success);
    EXPECT_TRUE(refused.unauthorized);

    auto commands = boundSocket(4001);
    const std::string door = app::commandFrame("T");
    ASSERT_EQ(door, std::string("\x1FTK"));
    commands.sendTo(kDevice, 4002, door);
    const auto echo = commands.receive(64, 3s);
    ASSERT_TRUE(echo);
    EXPECT_EQ(echo->data, door);
    EXPECT_TRUE(station.waitFor("command", "1F544B"));
}

TEST(SimTelefonNet, CallsEndsAndAcknowledgesTheDoorFrame) {
    auto events = boundSocket(8112);
    Peer telefon("simtelefon", {"--number", "4711", "--announce", "--name", "Flur"});

    std::vector<std::unique_ptr<devices::telefonObjekt>> received;
    int lastSequence = -1;
    auto next = [&]() -> const devices::telefonObjekt* {
        const auto d = events.receive(64, 3s);
        if (!d) return nullptr;
        EXPECT_EQ(d->peerAddress, kDevice);
        const auto telegram = devices::parseTelefonTelegram(d->data);
        if (!telegram) return nullptr;
        EXPECT_GT(telegram->sequence, lastSequence);  // the program drops repeated numbers
        lastSequence = telegram->sequence;
        received.push_back(devices::makeTelefonEvent(*telegram, d->peerAddress));
        return received.back().get();
    };
    const auto* name = next();
    ASSERT_TRUE(name);
    EXPECT_EQ(name->status(), devices::NameSt);
    EXPECT_EQ(name->name(), "Flur");
    const auto* type = next();
    ASSERT_TRUE(type);
    EXPECT_EQ(type->typ(), config::KorvatV1);

    telefon.signal(SIGUSR1);
    const auto* call = next();
    ASSERT_TRUE(call);
    EXPECT_EQ(call->status(), devices::Verbindung);
    EXPECT_EQ(call->nummer(), "4711");

    const std::string frame = app::partnerFrame(kWorkstation, 17, "10512FF");
    events.sendTo(kDevice, 8113, frame);
    const auto* ack = next();
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->status(), devices::ACK);
    EXPECT_EQ(ack->packet(), frame);
    EXPECT_TRUE(telefon.waitFor("door", frame));

    telefon.signal(SIGUSR2);
    const auto* idle = next();
    ASSERT_TRUE(idle);
    EXPECT_EQ(idle->status(), devices::Idle);
}

TEST(SimCameraNet, MonitorRelayResolutionAndMulticastAnswer) {
    Peer camera("simcamera", {"--name", "Kamera1", "--user", "root", "--password", "pass", "--mdns"});

    const devices::FetchTarget target{kDevice, 80, "root", "pass"};
    EXPECT_EQ(devices::axisResolution(target), "?resolution=640x480");
    EXPECT_FALSE(isBlack(devices::fetchStreamFrame(target, "/axis-cgi/mjpg/video.cgi?resolution=640x480").jpeg));

    {
        platform::ManualLoopBackend loop;
        std::vector<bool> inputs;
        platform::MessageTarget window([&](platform::Message& m) {
            if (m.id == platform::WM_STATECHANGEDEVENT)
                inputs.push_back(m.take<platform::WM_STATECHANGEDEVENT>()->status1());
        });
        auto monitor =
            std::make_unique<devices::TAxisThread>("Kamera1", kDevice, "80", "root", "pass", config::AxisCam);
        monitor->setWinHandle(window.id());
        monitor->Start();
        ASSERT_TRUE(camera.waitFor("monitor-start"));
        camera.signal(SIGUSR1);
        camera.signal(SIGUSR2);  // close behind: both changes are reported, in order
        EXPECT_TRUE(loop.pumpUntil([&] { return inputs.size() >= 2; }, 5s));
        EXPECT_EQ(inputs, (std::vector<bool>{true, false}));
        EXPECT_TRUE(platform::stopAndFree(std::move(monitor), 5s));
    }

    platform::HttpClient http;
    http.setHost(kDevice);
    http.setPort(80);
    http.setBasicAuthentication(true);
    http.setCredentials("root", "pass");
    http.get("/axis-cgi/io/port.cgi?action=3:/5000%5C");
    EXPECT_TRUE(camera.waitFor("relay", "action=3:/5000%5C"));

    platform::UdpSocket mdns;
    mdns.setReuseAddress(true);
    mdns.bind("0.0.0.0", 5353);
    mdns.joinGroup("224.0.0.251", kWorkstation);
    mdns.setMulticastInterface(kWorkstation);
    mdns.sendTo("224.0.0.251", 5353,
                devices::CreateQuery(1, false, {devices::TQueryRecordTypes::qtPTR}, "_axis-video._tcp.local"));
    std::optional<devices::TMQueryResult> answer;
    for (int i = 0; i < 10 && !answer; ++i) {
        const auto d = mdns.receive(1500, 1s);
        if (d) answer = devices::parseAnswer(d->data);  // our own query comes back too, and is no answer
    }
    ASSERT_TRUE(answer);
    ASSERT_GE(answer->Count(), 2u);
    EXPECT_EQ(dynamic_cast<const devices::TMPTRRecord&>(answer->Items(0)).HostName, "Kamera1._axis-video._tcp.local");
    EXPECT_EQ(dynamic_cast<const devices::TMARecord&>(answer->Items(1)).IPAddress, kDevice);
}
