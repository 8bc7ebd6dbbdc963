// The gateway search through the library image the program carries, against
// the simulated gateway (tools/simgateway) on the private network.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <map>
#include <sstream>
#include <thread>
#include <tuple>

#include "devices/NeciResource.h"
#include "devices/moxaGWSuche.h"
#include "devices/neci/NeciProtocol.h"
#include "platform/MainLoop.h"
#include "platform/UdpSocket.h"
#include "support/ChildProcess.h"

using namespace oculon::devices;
using namespace oculon::platform;
using oculon::testsupport::ChildProcess;
using oculon::testsupport::readFile;
using oculon::testsupport::TempDir;
using namespace std::chrono_literals;

namespace {

std::string simgateway() {
    // tests/<exe> and tools/<exe> share the build folder.
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "tools" / "simgateway")
        .string();
}

// The settings the simulated gateway last saved.
std::map<std::string, std::string> savedState(const std::string& file) {
    std::map<std::string, std::string> state;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) state[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return state;
}

class GatewayNet : public ::testing::Test {
protected:
    void SetUp() override {
        startGateway({});
        api_ = NeciLibrary::load(dir_.path() + "/NECI_SDK.dll", neciResource());
        ASSERT_TRUE(api_->library);
    }

    // The simulated gateway afresh, misbehaving as `behaviour` says.
    void startGateway(const std::vector<std::string>& behaviour) {
        gateway_.reset();
        std::filesystem::remove(state_);
        std::vector<std::string> argv{simgateway(), "--name",        "Entrance",  "--ip",          "192.168.127.9",
                                      "--netmask",  "255.255.255.0", "--gateway", "192.168.127.1", "--password",
                                      "secret",     "--state",       state_};
        argv.insert(argv.end(), behaviour.begin(), behaviour.end());
        gateway_ = std::make_unique<ChildProcess>(argv, dir_.path() + "/simgateway.log");
        for (int i = 0; i < 100 && !std::filesystem::exists(state_); ++i) std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(std::filesystem::exists(state_)) << "simulated gateway did not start";
    }

    // The list after the `rounds`-th search that posted 1028.
    TGatewayList search(std::chrono::milliseconds wait = 10s, int rounds = 1) {
        ManualLoopBackend loop;
        int posted = 0;
        MessageTarget target([&](Message& m) { posted += m.id == WM_MOXAEVENT; });
        moxaThread thread(target.id(), api_);
        thread.Start();
        EXPECT_TRUE(loop.pumpUntil([&] { return posted >= rounds; }, wait));
        auto list = thread.gateways();
        thread.Terminate();
        EXPECT_TRUE(thread.WaitFor(5s));
        return list;
    }

    TempDir dir_;
    std::string state_ = dir_.path() + "/state";
    std::unique_ptr<ChildProcess> gateway_;
    std::shared_ptr<const NeciApi> api_;
};

}  // namespace

TEST_F(GatewayNet, SearchFindsTheSimulatedGatewayAndSettersChangeIt) {
    TGatewayList list = search();
    ASSERT_EQ(list.size(), 1u);
    TGatewayObject gateway = list.front();
    EXPECT_EQ(gateway.name() + " " + gateway.IPAddress() + " " + gateway.netmask() + " " + gateway.gateway(),
              "Entrance 192.168.127.9 255.255.255.0 192.168.127.1");
    EXPECT_TRUE(!gateway.dhcp() && gateway.needPass());
    EXPECT_EQ(gateway.firmware(), 0x02070000u);
    EXPECT_EQ(ipToStr(gateway.info().real_ip_addr).rfind("10.77.0.", 0), 0u);

    gateway.Password("guess");
    EXPECT_EQ(gateway.checkPass(), GatewayLogin::refused);
    EXPECT_FALSE(gateway.setName("Back door"));
    EXPECT_EQ(savedState(state_)["restarts"], "0");

    gateway.Password("secret");
    EXPECT_TRUE(gateway.checkPass() == GatewayLogin::accepted && gateway.setName("Back door") &&
                gateway.setIP("192.168.127.20") && gateway.setNetmask("255.255.0.0") &&
                gateway.setGateway("192.168.0.1") && gateway.setDHCP(true));
    EXPECT_FALSE(gateway.setName(std::string(40, 'n')));  // longer than the gateway keeps
    EXPECT_TRUE(gateway.setPassword("") && !gateway.needPass());

    // Each setter restarts the gateway.
    EXPECT_EQ(savedState(state_), (std::map<std::string, std::string>{{"name", "Back door"},
                                                                      {"ip", "192.168.127.20"},
                                                                      {"netmask", "255.255.0.0"},
                                                                      {"gateway", "192.168.0.1"},
                                                                      {"dhcp", "1"},
                                                                      {"password", ""},
                                                                      {"restarts", "6"}}));

    // A fresh search sees the new settings.
    list = search();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front().name() + " " + list.front().IPAddress(), "Back door 192.168.127.20");
    EXPECT_TRUE(list.front().dhcp() && !list.front().needPass());
}

// Several values in one go: one login, one restart; what the gateway does
// not take comes back, and the object keeps what it took.
TEST_F(GatewayNet, AChangeOfSeveralValuesRestartsTheGatewayOnce) {
    TGatewayList list = search();
    ASSERT_EQ(list.size(), 1u);
    TGatewayObject& gateway = list.front();
    gateway.Password("secret");
    const GatewayChange wanted{.name = std::string(40, 'n'),  // longer than the gateway keeps
                               .password = "neu",
                               .address = "192.168.127.300",
                               .gateway = "192.168.0.1",
                               .netmask = "255.255.0.0"};
    const GatewayChange refused = gateway.change(wanted).notTaken;
    EXPECT_EQ(refused.name, wanted.name);
    EXPECT_EQ(refused.address, wanted.address);
    EXPECT_FALSE(refused.netmask || refused.gateway || refused.password || refused.dhcp);
    EXPECT_EQ(gateway.name() + " " + gateway.netmask() + " " + gateway.gateway(), "Entrance 255.255.0.0 192.168.0.1");
    auto saved = savedState(state_);
    EXPECT_EQ(saved["name"] + " " + saved["ip"] + " " + saved["netmask"] + " " + saved["gateway"] + " " +
                  saved["dhcp"] + " " + saved["password"] + " " + saved["restarts"],
              "Entrance 192.168.127.9 255.255.0.0 192.168.0.1 0 neu 1");
    // Nothing the gateway takes: no restart.
    EXPECT_FALSE(gateway.change({.address = "x"}).taken());
    EXPECT_EQ(savedState(state_)["restarts"], "1");
}

// A request is known again by its bytes, not by its number alone: another
// program's library counts on its own, so a new request may carry a number
// the gateway has answered before.
TEST_F(GatewayNet, ANewRequestUnderAnEarlierNumberIsActedOn) {
    UdpSocket socket;
    socket.bind("127.0.0.1", 0);
    const auto ask = [&](oculon::neci::Op op, const char* name = "") {
        const oculon::neci::Request request{.op = op,
                                            .sequence = 7,
                                            .mac = {0x00, 0x90, 0xE8, 0x00, 0x00, 0x01},
                                            .password = "secret",
                                            .field = oculon::neci::Field::name,
                                            .text = name};
        socket.sendTo("127.0.0.1", oculon::neci::kPort, *oculon::neci::encode(request));
        const auto answer = socket.receive(1500, 2s);
        return answer ? oculon::neci::decodeReply(answer->data) : std::nullopt;
    };
    for (const char* name : {"First", "Second"}) {
        const auto reply = ask(oculon::neci::Op::set, name);
        ASSERT_TRUE(reply) << name;
        EXPECT_EQ(reply->status, oculon::neci::Status::ok);
    }
    ASSERT_TRUE(ask(oculon::neci::Op::saveAndRestart));
    EXPECT_EQ(savedState(state_)["name"], "Second");
    EXPECT_EQ(savedState(state_)["restarts"], "1");
}

// A late or silent gateway is told from one that refuses a password, and a
// save it never answered is neither taken nor refused until it is read back.
TEST_F(GatewayNet, ALateOrSilentGatewayIsNeverAWrongPassword) {
    const TGatewayList list = search();
    ASSERT_EQ(list.size(), 1u);
    // The gateway found, its simulation started afresh to behave as given.
    const auto behaving = [&](const std::vector<std::string>& behaviour) {
        startGateway(behaviour);
        TGatewayObject gateway = list.front();
        gateway.Password("secret");
        return gateway;
    };
    // Late, but within the library's patience, and beyond it.
    EXPECT_EQ(behaving({"--late", "1000"}).checkPass(), GatewayLogin::accepted);
    EXPECT_EQ(behaving({"--late", "6000"}).checkPass(), GatewayLogin::silent);

    const GatewayChange wanted{.password = "neu", .netmask = "255.255.0.0"};
    const GatewayOutcome lost = behaving({"--silent-after-set"}).change(wanted);
    EXPECT_TRUE(lost.silent && !lost.unconfirmed);
    EXPECT_EQ(std::tie(lost.notTaken.password, lost.notTaken.netmask), std::tie(wanted.password, wanted.netmask));

    TGatewayObject restarted = behaving({"--restart-unanswered", "2500"});
    const GatewayOutcome unconfirmed = restarted.change(wanted);
    EXPECT_TRUE(unconfirmed.unconfirmed && !unconfirmed.silent && unconfirmed.notTaken.empty());
    EXPECT_EQ(restarted.netmask(), "255.255.255.0");  // nothing kept unconfirmed
    EXPECT_EQ(savedState(state_)["password"], "neu");
    bool back = false;
    for (int i = 0; i < 3 && !back; ++i) back = restarted.readBack();
    ASSERT_TRUE(back);
    EXPECT_EQ(restarted.netmask(), "255.255.0.0");
    restarted.Password("neu");
    EXPECT_EQ(restarted.checkPass(), GatewayLogin::accepted);
}

// A gateway that moves with a save it did not confirm, and another device at
// the address it left: what follows goes where its hardware address is found.
TEST_F(GatewayNet, AfterAMoveNothingGoesToTheAddressTheGatewayLeft) {
    ASSERT_EQ(std::system("ip addr replace 10.77.0.3/24 dev oc1 && ip addr replace 10.77.0.4/24 dev oc1"), 0);
    // A save the gateway answers from its new address is its answer: it is
    // not sent again to the address it left.
    {
        startGateway({"--ip", "10.77.0.3", "--moves", "--address", "10.77.0.2"});
        TGatewayList found = search();
        ASSERT_EQ(found.size(), 1u);
        found.front().Password("secret");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(found.front().change({.address = "10.77.0.4"}).taken());
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_EQ(savedState(state_)["restarts"], "1");
    }
    // Each takes command frames at an address of its own.
    startGateway({"--ip", "10.77.0.3", "--moves", "--restart-unanswered", "1500", "--address", "10.77.0.2"});
    TGatewayList list = search();
    ASSERT_EQ(list.size(), 1u);
    TGatewayObject& gateway = list.front();
    gateway.Password("secret");
    ASSERT_TRUE(gateway.change({.password = "neu", .address = "10.77.0.4"}).unconfirmed);

    const std::string strangerLog = dir_.path() + "/stranger.log";
    ChildProcess stranger({simgateway(), "--ip", "10.77.0.3", "--moves", "--mac", "00:90:e8:00:00:02", "--address",
                           "10.77.0.3", "--log", strangerLog},
                          dir_.path() + "/stranger.out");
    const auto logged = [&](const char* event) { return readFile(strangerLog).find(event) != std::string::npos; };
    for (int i = 0; i < 100 && !logged(" ready "); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(logged(" ready "));

    bool back = false;
    for (int i = 0; i < 8 && !back; ++i) back = gateway.readBack();
    ASSERT_TRUE(back);
    EXPECT_EQ(gateway.name() + " " + gateway.IPAddress(), "Entrance 10.77.0.4");
    gateway.Password("neu");
    EXPECT_EQ(gateway.checkPass(), GatewayLogin::accepted);
    EXPECT_FALSE(logged(" heard "));
}

// Answers that claim one hardware address from two addresses are both
// listed and neither hears a password; one device that answers a search
// with invented hardware addresses crowds out no real gateway.
TEST_F(GatewayNet, ClaimsOfOneHardwareAddressAreNamedAndBounded) {
    ASSERT_EQ(std::system("ip addr replace 10.77.0.3/24 dev oc1 && ip addr replace 10.77.0.4/24 dev oc1"), 0);
    startGateway({"--ip", "10.77.0.3", "--moves", "--address", "10.77.0.2"});
    const std::string twinLog = dir_.path() + "/twin.log";
    ChildProcess twin({simgateway(), "--ip", "10.77.0.4", "--moves", "--password", "twin", "--address", "10.77.0.4",
                       "--log", twinLog},
                      dir_.path() + "/twin.out");
    for (int i = 0; i < 100 && readFile(twinLog).find(" ready ") == std::string::npos; ++i)
        std::this_thread::sleep_for(20ms);

    // A device at 10.77.0.5 that answers every search with 300 hardware
    // addresses, and the reads of each.
    ASSERT_EQ(std::system("ip addr replace 10.77.0.5/24 dev oc1"), 0);
    UdpSocket hears, answers;
    hears.setReuseAddress(true);
    hears.bind("", oculon::neci::kPort);
    answers.setReuseAddress(true);
    answers.bind("10.77.0.5", oculon::neci::kPort);
    std::thread flooding([&] {
        try {
            while (const auto asked = hears.receive(1500, 30s)) {
                const auto request = oculon::neci::decodeRequest(asked->data);
                if (!request) continue;
                if (request->op != oculon::neci::Op::search) {
                    oculon::neci::Reply read;
                    std::tie(read.op, read.sequence, read.mac) = std::tie(request->op, request->sequence, request->mac);
                    answers.sendTo(asked->peerAddress, asked->peerPort, *oculon::neci::encode(read));
                    continue;
                }
                for (int n = 0; n < 300; ++n) {
                    oculon::neci::Reply reply;
                    reply.op = request->op;
                    reply.sequence = request->sequence;
                    reply.mac = {0x02, 0, 0, 0, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
                    answers.sendTo(asked->peerAddress, asked->peerPort, *oculon::neci::encode(reply));
                }
            }
        } catch (const InterruptedError&) {}
    });
    // The invented ones never answer their reads (they go to the other
    // socket): a round reads for its budget, the gateways of an address of
    // their own first.
    const TGatewayList list = search(20s);
    hears.interrupt();
    flooding.join();
    ASSERT_FALSE(list.empty());

    std::vector<std::string> claimed;
    std::size_t invented = 0;
    for (const TGatewayObject& g : list) {
        if (g.hardwareAddress() != "00:90:e8:00:00:01") {
            ++invented;
            continue;
        }
        claimed.push_back(ipToStr(g.info().real_ip_addr));
        EXPECT_EQ(g.claimedFrom(), (std::vector<std::string>{"10.77.0.3", "10.77.0.4"}));
    }
    std::sort(claimed.begin(), claimed.end());
    EXPECT_EQ(claimed, (std::vector<std::string>{"10.77.0.3", "10.77.0.4"}));
    EXPECT_LE(invented, 2u);
    TGatewayObject gateway = *std::find_if(
        list.begin(), list.end(), [](const TGatewayObject& g) { return g.hardwareAddress() == "00:90:e8:00:00:01"; });
    gateway.Password("secret");
    EXPECT_EQ(gateway.checkPass(), GatewayLogin::disputed);
    EXPECT_FALSE(gateway.change({.name = "Porch"}).taken());
    // Read, as every gateway the search finds; never logged in to.
    for (const std::string& log : {twinLog, dir_.path() + "/simgateway.log"}) {
        EXPECT_NE(readFile(log).find(" heard get"), std::string::npos) << log;
        for (const char* request : {" heard login", " heard set", " heard save"})
            EXPECT_EQ(readFile(log).find(request), std::string::npos) << log << request;
    }
}
