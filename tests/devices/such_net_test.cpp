// The discovery thread on the private network. This host has two addresses
// (10.77.0.1 and 10.77.0.3); the peer host 10.77.0.2 listens to what the
// thread sends and plays the devices that answer, and with 10.77.0.4 a third
// host that answers may name.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "config/cfgUnit.h"
#include "devices/DiscoveryTelegrams.h"
#include "devices/MDNSRecords.h"
#include "devices/TAxisThread.h"
#include "devices/TickCount.h"
#include "devices/serverObjekt.h"
#include "devices/videoServerSuche.h"
#include "platform/Registry.h"
#include "platform/UdpSocket.h"
#include "such_namespaces.h"
#include "support/DeviceBytes.h"
#include "support/LoopbackHttpServer.h"
#include "support/UdpPeer.h"

using namespace oculon;
using namespace oculon::devices;
using testsupport::inPeerNamespace;
using testsupport::LoopbackHttpServer;
using testsupport::ReceivedDatagram;
using testsupport::telephoneTelegram;
using testsupport::UdpPeer;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

const std::set<std::string> kLocal = {"10.77.0.1", "10.77.0.3"};

struct Heard {
    Clock::duration at;
    ReceivedDatagram datagram;
};

class SuchNet : public ::testing::Test {
protected:
    SuchNet()
        : settings_(std::make_shared<platform::MemoryRegistryStore>()),
          target_([this](platform::Message& m) { messages_.push_back(std::move(m)); }) {}

    ~SuchNet() override {
        if (thread_) {
            thread_->Terminate();
            EXPECT_TRUE(thread_->WaitFor(15s));
        }
        // Probe threads post to the loop, which must outlive them.
        EXPECT_TRUE(platform::Thread::terminateDetached(10s));
    }

    void start(ProbeStarter probes = {}) {
        suchThread::Options options;
        options.winHandle = target_.id();
        options.settings = &settings_;
        options.startProbe = std::move(probes);
        options.clock = [this] { return tickCount() + clockOffset_.load(); };
        options.startDelay = 0ms;
        thread_ = std::make_unique<suchThread>(std::move(options));
        started_ = Clock::now();
        thread_->Start();
    }

    // Pumps messages and collects what the peers hear until `until` is true
    // or the time is up.
    bool run(
        Clock::duration bound, const std::function<bool()>& until = [] { return false; }) {
        const auto deadline = Clock::now() + bound;
        while (Clock::now() < deadline) {
            loop_.pumpFor(10ms);
            for (auto& [port, peer] : peers_)
                while (auto d = peer->next(0ms)) heard_[port].push_back({Clock::now() - started_, std::move(*d)});
            if (until()) return true;
        }
        return false;
    }
    // Peers on these ports of the peer host, in the multicast-DNS group on 5353.
    void listen(std::initializer_list<std::uint16_t> ports) {
        for (auto port : ports)
            peers_[port] = inPeerNamespace([port] {
                auto peer = std::make_unique<UdpPeer>("0.0.0.0", port, true);
                if (port == 5353) peer->joinGroup("224.0.0.251", "10.77.0.2");
                return peer;
            });
    }
    // Answers the first datagram heard on `port` once, to its sender or `to`.
    void answerOnce(std::uint16_t port, const std::string& answer, std::string to = {}) {
        if (answered_.count(port) || heard_[port].empty()) return;
        answered_.insert(port);
        peers_[port]->sendTo(to.empty() ? heard_[port].front().datagram.from : to, port, answer);
    }
    std::vector<platform::Message*> posted(std::uint32_t id) {
        std::vector<platform::Message*> found;
        for (auto& m : messages_)
            if (m.id == id) found.push_back(&m);
        return found;
    }
    // Messages of `id` that carried nothing: a removal.
    int bare(std::uint32_t id) {
        int n = 0;
        for (auto* m : posted(id)) n += !m->hasPayload() && m->wParam == 0;
        return n;
    }
    bool has1031(std::uintptr_t state) {
        for (auto* m : posted(platform::WM_TCPUPDATEEVENT))
            if (m->wParam == state) return true;
        return false;
    }
    // Sends `telegram` from the telephone until the thread posts a call.
    bool callUntilHeard(UdpPeer& phone, const std::string& telegram) {
        return run(5s, [&] {
            if (posted(platform::WM_TELUPDATEEVENT).empty()) phone.sendTo("10.77.0.1", 8112, telegram);
            return !posted(platform::WM_TELUPDATEEVENT).empty();
        });
    }

    platform::ManualLoopBackend loop_;
    config::TVideoConfig settings_;
    std::vector<platform::Message> messages_;
    platform::MessageTarget target_;
    std::atomic<std::uint32_t> clockOffset_{0};
    std::map<std::uint16_t, std::unique_ptr<UdpPeer>> peers_;
    std::map<std::uint16_t, std::vector<Heard>> heard_;
    std::set<std::uint16_t> answered_;
    Clock::time_point started_;
    std::unique_ptr<suchThread> thread_;
};

std::string callTelegram(int sequence, const std::string& number) { return telephoneTelegram(sequence, 0x01, number); }

}  // namespace

TEST_F(SuchNet, SearchesFromEveryAddressEvery4SecondsAndAsksByMulticastDns) {
    listen({4000, 4005, 10000, 5353});
    std::vector<ProbeRequest> probes;
    std::mutex probeMutex;
    start([&](ProbeRequest r) {
        std::lock_guard lock(probeMutex);
        probes.push_back(std::move(r));
    });
    // The first query is answered the way an Axis camera would.
    run(8800ms, [&] {
        answerOnce(5353, testsupport::mdns::axisAnswer("axiscam", std::string("\x0a\x4d\x00\x02", 4)), "224.0.0.251");
        return false;
    });

    for (const auto& [port, telegram] : std::vector<std::pair<std::uint16_t, std::string>>{
             {4000, searchTelegram()}, {4005, searchTelegram()}, {10000, "IPQUERY,0"}}) {
        SCOPED_TRACE(port);
        std::map<std::string, std::vector<Clock::duration>> bySender;
        for (const auto& h : heard_[port]) {
            EXPECT_EQ(h.datagram.data, telegram);
            bySender[h.datagram.from].push_back(h.at);
        }
        std::set<std::string> senders;
        for (const auto& [from, times] : bySender) {
            senders.insert(from);
            ASSERT_EQ(times.size(), 3u) << from;  // at 0, 4 and 8 seconds
            for (std::size_t i = 1; i < times.size(); ++i) {
                EXPECT_GT(times[i] - times[i - 1], 3700ms);
                EXPECT_LT(times[i] - times[i - 1], 4400ms);
            }
        }
        EXPECT_EQ(senders, kLocal);
    }

    // The three service types, from both addresses, at 0 and 8 seconds.
    std::map<std::string, int> queries;
    for (const auto& h : heard_[5353]) {
        if (h.datagram.data.size() < 4 || h.datagram.data[2] != 0) continue;  // the peer's own answer
        EXPECT_EQ(h.datagram.fromPort, 5353);
        for (const char* type : {"_http._tcp.local", "_axis-video._tcp.local", "_korvat-video._tcp.local"})
            if (h.datagram.data.substr(2) == CreateQuery(0, false, {TQueryRecordTypes::qtPTR}, type).substr(2))
                ++queries[h.datagram.from + " " + type];
    }
    EXPECT_EQ(queries.size(), 6u);
    for (const auto& [what, count] : queries) EXPECT_EQ(count, 2) << what;

    EXPECT_TRUE(has1031(3));
    std::lock_guard lock(probeMutex);
    ASSERT_EQ(probes.size(), 1u) << "the answer is probed once";
    EXPECT_EQ(probes[0].address + " " + probes[0].name, "10.77.0.2 axiscam");
    EXPECT_EQ(getType(probes[0].record), config::AxisCam);
}

TEST_F(SuchNet, AnAnsweringVideoServerIsPostedAndAgesOutWhenSilent) {
    listen({4000});
    start();  // with real probe threads
    const std::string answer(testsupport::serverRecord({10, 77, 0, 2}, 8080).bytes());
    ASSERT_TRUE(run(6s, [&] {
        answerOnce(4000, answer);  // once only: then the server falls silent
        return !posted(platform::WM_UPDATEEVENT).empty();
    }));
    auto server = posted(platform::WM_UPDATEEVENT).front()->take<platform::WM_UPDATEEVENT>();
    ASSERT_TRUE(server);
    EXPECT_EQ(server->typ(), config::KorvatServer);
    EXPECT_EQ(server->Name() + " " + server->FIpAdresseNAT, "Tor 10.77.0.2");
    const std::string key = server->listKey();
    thread_->updateServer(std::move(server), nullptr);

    // A configured input camera gets its monitor.
    auto camera = std::make_unique<serverObjekt>();
    camera->FTyp = config::AxisCam;
    camera->FIpAdresse = "10.77.0.2";
    camera->FPort = "80";
    camera->FName = "Gate";
    camera->FMilliseconds = tickCount();
    config::TSingleConfig station;
    station.typ = config::AxisCam;
    station.Name = "Gate";
    thread_->updateServer(std::move(camera), &station);
    thread_->withLists([&](DiscoveryLists& lists) {
        EXPECT_EQ(lists.servers.size(), 2u);
        EXPECT_TRUE(lists.servers.count(key));
        EXPECT_EQ(lists.axisThreads.size(), 1u);
    });

    // 57 s of silence change nothing; past 60 s both go, with the monitor.
    messages_.clear();
    clockOffset_ = 57000;
    run(1s);
    EXPECT_EQ(bare(platform::WM_UPDATEEVENT), 0);
    clockOffset_ = 60500;
    ASSERT_TRUE(run(2s, [&] { return bare(platform::WM_UPDATEEVENT) == 2; }));
    thread_->withLists([](DiscoveryLists& lists) {
        EXPECT_TRUE(lists.servers.empty());
        EXPECT_TRUE(lists.axisThreads.empty());
    });
}

TEST_F(SuchNet, TelephoneCallsInsideAJunkFloodAreHandledAndTheTelephoneStaysListed) {
    start();
    auto phone = inPeerNamespace([] { return std::make_unique<UdpPeer>("10.77.0.2", 0); });
    // The listener may still be opening: sent until it is heard.
    ASSERT_TRUE(callUntilHeard(*phone, callTelegram(0x50, "1234")));
    auto event = posted(platform::WM_TELUPDATEEVENT).front()->take<platform::WM_TELUPDATEEVENT>();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->adresse() + " " + event->nummer(), "10.77.0.2 1234");
    EXPECT_EQ(event->status(), Verbindung);
    EXPECT_EQ(thread_->telefon().size(), 1u);
    messages_.clear();

    // 2 s of junk at 1000 datagrams/s: wrong sizes, wrong checksums and stale
    // sequence numbers, with a real call every 400 datagrams.
    std::string badSum = callTelegram(0x60, "666");
    badSum.back() ^= 1;
    const std::string junk[] = {std::string(31, 'x'), badSum, callTelegram(0x40, "666"), std::string(200, '\0')};
    std::vector<std::string> calls;
    const auto begin = Clock::now();
    for (int i = 1; i <= 2000; ++i) {
        if (i % 400 == 0) {
            calls.push_back(std::to_string(1000 + i));
            phone->sendTo("10.77.0.1", 8112, callTelegram(0x50 + i / 400, calls.back()));
        } else {
            phone->sendTo("10.77.0.1", 8112, junk[i % 4]);
        }
        if (i % 10 == 0) std::this_thread::sleep_until(begin + i * 1ms);
    }
    ASSERT_TRUE(run(3s, [&] { return posted(platform::WM_TELUPDATEEVENT).size() >= calls.size(); }))
        << posted(platform::WM_TELUPDATEEVENT).size() << " of " << calls.size() << " calls handled";
    std::vector<std::string> heard;
    for (auto* m : posted(platform::WM_TELUPDATEEVENT))
        heard.push_back(m->take<platform::WM_TELUPDATEEVENT>()->nummer());
    EXPECT_EQ(heard, calls);

    // A telephone speaks only when something happens at its door: a silent
    // one is still there.
    messages_.clear();
    clockOffset_ = 3600000;
    run(1s);
    EXPECT_EQ(bare(platform::WM_TELUPDATEEVENT), 0);
    EXPECT_EQ(thread_->telefon().size(), 1u);
}

// Another program holds the telephones' port: the main form is told once,
// the search goes on meanwhile, and the port is taken on the first pass after
// it is free, when the telephone is heard.
TEST_F(SuchNet, AHeldPortIsToldOnceWhileTheSearchGoesOnAndTakenOnceFree) {
    listen({4000});
    auto holder = std::make_unique<platform::UdpSocket>();
    holder->bind("", suchThread::kTelefonPort);
    start();
    const auto told = [&](bool held) {
        int n = 0;
        for (auto* m : posted(platform::WM_LISTENERPORT))
            n += platform::listenerPortOf(m->wParam) == 8112 && platform::listenerPortHeld(m->wParam) == held;
        return n;
    };
    run(4500ms);  // two passes
    EXPECT_EQ(told(true), 1);
    EXPECT_EQ(posted(platform::WM_LISTENERPORT).size(), 1u);
    EXPECT_GE(heard_[4000].size(), 2 * kLocal.size());

    holder.reset();
    const auto freed = Clock::now();
    ASSERT_TRUE(run(5s, [&] { return told(false) == 1; }));
    EXPECT_LT(Clock::now() - freed, 4500ms);
    auto phone = inPeerNamespace([] { return std::make_unique<UdpPeer>("10.77.0.2", 0); });
    EXPECT_TRUE(callUntilHeard(*phone, callTelegram(0x50, "1234")));
    EXPECT_EQ(posted(platform::WM_LISTENERPORT).size(), 2u);
}

TEST_F(SuchNet, RelayModeSendsNoBroadcastOrMulticastUntilSwitchedOff) {
    listen({4000, 4005, 10000, 5353});
    LoopbackHttpServer relay;
    relay.greet(testsupport::Script().hang());
    settings_.schreibeUseServer(true);
    settings_.schreibeServerIP("127.0.0.1");
    settings_.schreibeServerPort(1);  // nobody there
    start();
    ASSERT_TRUE(run(3s, [&] { return has1031(1); }));
    settings_.schreibeServerPort(relay.port());
    ASSERT_TRUE(run(5s, [&] { return has1031(2); }));
    EXPECT_FALSE(has1031(3));

    // No listener is open: the telephone port is free.
    platform::UdpSocket().bind("", suchThread::kTelefonPort);
    for (const auto& [port, heard] : heard_) EXPECT_TRUE(heard.empty()) << "port " << port;

    settings_.schreibeUseServer(false);
    thread_->cfgUseServer();
    ASSERT_TRUE(run(5s, [&] { return has1031(3) && !heard_[4000].empty(); }));
    EXPECT_EQ(heard_[4000].front().datagram.data, searchTelegram());
}

TEST_F(SuchNet, StoredCredentialsGoOnlyWhereTheAnswerCameFrom) {
    // A configured video server and camera, both with credentials.
    for (const auto& [name, type] : {std::pair{"Tor", config::KorvatServer}, std::pair{"axiscam", config::AxisCam}}) {
        config::TSingleConfig station;
        station.Name = name;
        station.typ = type;
        station.UserName = "door";
        station.Passwort = "secret";
        station.NeedCredentials = true;
        settings_.addConfig(std::move(station));
    }
    // Probe threads read the process's settings.
    config::videoConfig = &settings_;
    const std::shared_ptr<void> restore(nullptr, [](void*) { config::videoConfig = nullptr; });
    // The third host listens where the spoofed answers point: a video
    // server's search answer and a camera's multicast-DNS answer, both sent
    // by the peer.
    auto third = inPeerNamespace([] { return std::make_unique<LoopbackHttpServer>("10.77.0.4"); });
    auto thirdOn80 = inPeerNamespace([] { return std::make_unique<LoopbackHttpServer>("10.77.0.4", 80); });
    listen({4000, 5353});
    start();
    const std::string answer(testsupport::serverRecord({10, 77, 0, 4}, third->port()).bytes());
    const std::string dnsAnswer = testsupport::mdns::axisAnswer("axiscam", std::string("\x0a\x4d\x00\x04", 4));
    // Answered after the second search: by then the list holds every answer
    // to the first, so the stations of the names are taken.
    ASSERT_TRUE(run(16s, [&] {
        if (heard_[4000].size() < 2 * kLocal.size()) return false;
        answerOnce(4000, answer);
        answerOnce(5353, dnsAnswer, "224.0.0.251");
        return !third->requests().empty() && !thirdOn80->requests().empty() &&
               posted(platform::WM_UPDATEEVENT).size() >= 2;
    }));
    for (const auto* server : {third.get(), thirdOn80.get()})
        for (const auto& request : server->requests()) EXPECT_FALSE(request.header("Authorization")) << request.head;
    for (auto* message : posted(platform::WM_UPDATEEVENT)) {
        auto server = message->take<platform::WM_UPDATEEVENT>();
        ASSERT_TRUE(server);
        EXPECT_EQ(server->IPAdresse(), "10.77.0.4");
        EXPECT_TRUE(server->isConfigured() && !server->credentialsAllowed() && server->FPasswort.empty());
    }
}

// The workstation's network changes under the search: it starts with no
// address, gets one, the address moves, and a second link comes with a host
// behind it. Each time a search from the new address reaches the peer within
// two passes (the kernel's notice makes it go out at once where the link is
// up), multicast DNS follows too, and that the search reached no network is
// told once and its end once.
TEST_F(SuchNet, TheSearchFollowsTheAddressesAsTheyComeMoveAndAppear) {
    const std::string peer = std::getenv("OCULON_PEER_NS");
    const auto ip = [](const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; };
    // Later tests find this host as it was: the flush took the multicast route too.
    const std::shared_ptr<void> restore(nullptr, [](void*) {
        [[maybe_unused]] const int ignored = std::system(
            "ip link del oc2 2>/dev/null; ip addr flush dev oc0 && ip addr add 10.77.0.1/24 dev oc0 && "
            "ip addr add 10.77.0.3/24 dev oc0 && ip route replace 224.0.0.0/4 dev oc0");
    });
    ip("ip addr flush dev oc0");
    listen({4000, 5353});
    const auto searchedFrom = [&](std::uint16_t port, const std::string& address) {
        return std::ranges::any_of(heard_[port], [&](const Heard& h) { return h.datagram.from == address; });
    };
    const auto told = [&](bool blocked) {
        return std::ranges::count_if(posted(platform::WM_SEARCHREACH),
                                     [&](auto* m) { return m->wParam == static_cast<std::uintptr_t>(blocked); });
    };
    const auto within2Passes = [&](const std::string& address) {
        const auto at = Clock::now();
        EXPECT_TRUE(run(8s, [&] { return searchedFrom(4000, address); })) << "no search from " << address;
        return Clock::now() - at;
    };
    start();
    // The second pass without an address tells it.
    ASSERT_TRUE(run(6s, [&] { return told(true) == 1; }));
    EXPECT_TRUE(heard_[4000].empty());

    ip("ip addr add 10.77.0.1/24 dev oc0");
    EXPECT_LT(within2Passes("10.77.0.1"), 1s) << "not at the kernel's notice";
    ASSERT_TRUE(run(1s, [&] { return told(false) == 1; }));

    ip("ip addr del 10.77.0.1/24 dev oc0 && ip addr add 10.77.0.5/24 dev oc0");
    EXPECT_LT(within2Passes("10.77.0.5"), 1s) << "not at the kernel's notice";

    ip("ip link add oc2 type veth peer name oc3 && ip link set oc3 netns " + peer + " && ip -n " + peer +
       " addr add 10.77.1.2/24 dev oc3 && ip -n " + peer + " link set oc3 up && ip addr add 10.77.1.1/24 dev oc2 " +
       "&& ip link set oc2 up");
    peers_[5353]->joinGroup("224.0.0.251", "10.77.1.2");
    within2Passes("10.77.1.1");
    EXPECT_TRUE(run(9s, [&] { return searchedFrom(5353, "10.77.0.5") && searchedFrom(5353, "10.77.1.1"); }))
        << "multicast DNS did not follow";
    // Told once each way, not at every pass.
    EXPECT_EQ(told(true), 1);
    EXPECT_EQ(told(false), 1);
}

int main(int argc, char** argv) {
    if (std::getenv("OCULON_PEER_NS") &&
        (std::system("ip addr add 10.77.0.3/24 dev oc0") != 0 ||
         std::system(
             ("ip -n " + std::string(std::getenv("OCULON_PEER_NS")) + " addr add 10.77.0.4/24 dev oc1").c_str()) != 0))
        return 1;
    return testsupport::runWithPeerHost(argc, argv);
}
