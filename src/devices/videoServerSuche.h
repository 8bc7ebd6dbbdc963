#pragma once
// `suchThread`: the discovery thread. Every 4 seconds it broadcasts the
// search from every local IPv4 address (or, in relay mode, keeps the link to
// the relay server instead), every 8 seconds it asks by multicast DNS and
// probes the manual cameras; its five listeners hand what arrives to the read
// handlers. It keeps the lists of found servers, telephones and camera input
// monitors and ages out servers silent for 60 seconds (they answer each
// search, or each multicast-DNS query, in a few seconds). The listeners open
// at once; one whose port another program holds is told to the main form
// (message 1226) and tried again on every tick, while the others work. The
// search follows the local addresses: the kernel's notices of a change are
// looked at every tick, the addresses read again every pass, and a new
// address is searched from at once. A search that reaches no network for
// two passes is told to the main form (message 1254), once, and again once
// it does.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "devices/DeviceStations.h"
#include "devices/DiscoveryHandlers.h"
#include "devices/SearchSenders.h"
#include "devices/TelefonListe.h"
#include "platform/MainLoop.h"
#include "platform/Net.h"
#include "platform/Thread.h"

namespace oculon::config {
class TSingleConfig;
class TVideoConfig;
class TRebootSperre;
}  // namespace oculon::config

namespace oculon::platform {
class TcpClient;
class UdpListener;
class UdpSocket;
}  // namespace oculon::platform

namespace oculon::devices {

class serverObjekt;
class TAxisThread;
class tcpClientThread;
class TMIdDNSResolver;
class TMQueryResult;

// What `kritischerAbschnitt` guards.
struct DiscoveryLists {
    // Keyed by device address + ":" + HTTP port.
    std::map<std::string, std::unique_ptr<serverObjekt>> servers;
    // Keyed by camera address.
    std::map<std::string, std::unique_ptr<TAxisThread>> axisThreads;
};

class suchThread : public platform::Thread {
public:
    static constexpr std::uint32_t kMaxAgeMs = 60000;
    static constexpr std::chrono::milliseconds kTick{200};
    static constexpr int kTicksPerPass = 20;  // a work pass every 4 s
    static constexpr std::chrono::milliseconds kRelayConnectTimeout{2000};
    static constexpr std::uint16_t kSearchPort = 4000, kSearchPort2 = 4005, kStatePort = 5000, kTextReplyPort = 9999,
                                   kTelefonPort = 8112, kTextQueryPort = 10000;

    struct Options {
        platform::TargetId winHandle = 0;             // receiver of every message
        config::TVideoConfig* settings = nullptr;     // none: the process's
        config::TRebootSperre* rebootLock = nullptr;  // none: the process's
        ProbeStarter startProbe;                      // none: probe threads posting to winHandle
        RateLimiter::Clock clock;                     // tick count; none: the system's
        std::chrono::milliseconds startDelay{5000};
    };

    explicit suchThread(Options options);
    ~suchThread() override;

    // Any thread, after the relay setting changed: the loop closes its
    // sockets and sets them up again for the new mode.
    void cfgUseServer();
    // Any thread: the loop starts no further pass until resumed (the pass
    // under way ends first). Its listeners go on receiving.
    void suspendWork();
    void resumeWork();

    // Runs `f` with the lists under `kritischerAbschnitt`. Keep it short: the
    // aging pass waits for it.
    template <typename F>
    decltype(auto) withLists(F&& f) {
        std::lock_guard lock(kritischerAbschnitt);
        return f(lists_);
    }
    // The video servers that answered the latest search round (a list
    // entry may outlive its device's answers by a minute), and whether the
    // one of `key` answered it with `name`.
    std::vector<ListedDevice> listedServers() const;
    bool answers(const std::string& key, const std::string& name) const;
    // The telephones (`telefone`), under a lock of their own.
    TelefonListe& telefon() { return telefone_; }

    // Main thread, message 1026: files the probed server under its key in
    // place of the object held so far; when `station` (its configured
    // station, if any) is a camera of type 4 or 6 without a telephone and no
    // input monitor runs for the server's address, starts one.
    void updateServer(std::unique_ptr<serverObjekt> server, const config::TSingleConfig* station);

protected:
    void Execute() override;
    void interrupt() override;

private:
    config::TVideoConfig* settings() const;
    bool useServer() const;

    void activateIP();
    void deactivateIP();
    // Opens the listeners not open yet; tells of each port that is lost or
    // taken after all.
    void openListeners();
    void closeListeners();
    // The senders (and multicast DNS) follow the local addresses; returns
    // the addresses served anew.
    std::vector<std::string> fillBroadcastIPList();
    // Broadcasts the search (from `only`, when given); how many went out.
    int sendSearch(const std::vector<std::string>* only = nullptr);
    void tellReach(std::optional<bool> blocked);
    void agingPass();
    void broadcastPass();
    void relayPass();
    void dnsAndManualPass(bool withDns);
    void stopRelay();
    void DNSResultRead(const TMQueryResult& answer, const std::string& fromAddress);
    void post(std::uint32_t message, std::uintptr_t wParam = 0);

    Options options_;
    RateLimiter::Clock clock_;
    ProbeStarter startProbe_;
    TelefonListe telefone_;
    DiscoveryHandlers handlers_;  // outlives everything below that calls it

    std::mutex kritischerAbschnitt;
    DiscoveryLists lists_;

    std::atomic<bool> reactivate_{false};
    // Work passes begun, counted to 2: the answers to the first search are
    // listed by the second.
    std::atomic<int> passesBegun_{0};
    std::mutex suspendMutex_;
    std::condition_variable resumed_;
    bool suspended_ = false;
    bool ipActivated = false;
    bool activatedForRelay_ = false;  // the mode the sockets were set up for
    // Loop thread only:
    std::string puffer;   // the search telegram
    std::string puffer2;  // the text query
    SearchSenders UDPSenderList;
    SearchReach reach_;
    platform::AddressWatch addressWatch_;
    std::map<std::uint16_t, std::unique_ptr<platform::UdpListener>> listeners_;
    std::set<std::uint16_t> heldPorts_;  // told to the main form as held
    std::unique_ptr<TMIdDNSResolver> DNSResolver;
    std::unique_ptr<tcpClientThread> relay_;

    std::mutex connectMutex_;
    platform::TcpClient* connecting_ = nullptr;  // a relay connect under way
};

}  // namespace oculon::devices
