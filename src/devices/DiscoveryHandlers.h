#pragma once
// The read handlers of the discovery listeners (ports 4000/4005, 9999, 5000
// and 8112) and of the relayed device names. Each takes the received bytes
// and the sender's address; the relay thread calls the same handlers with
// relayed bytes. They may run on several threads at once.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "devices/DeviceStations.h"

#include "devices/ProbeRequest.h"
#include "devices/SenderTables.h"
#include "platform/MainLoop.h"

namespace oculon::config {
class TRebootSperre;
}

namespace oculon::devices {

class TelefonListe;
struct RelayTelegram;

// Which video servers answered the latest search round, and with which name:
// what the rule of devices/DeviceStations.h calls answering. A device heard
// in the round under way or the one before answers; one silent since goes
// at the next round, however long its list entry lasts. Any thread.
class SearchRounds {
public:
    // More answers in two rounds are a flood; the first ones count.
    static constexpr std::size_t kMaxHeard = 2048;

    // A device that answered the search (or a relay, or multicast DNS).
    void heard(const ProbeRequest& request);
    void heard(const std::string& key, const std::string& name);
    void beginRound();
    // Rounds begun so far.
    std::uint64_t rounds() const;
    std::vector<ListedDevice> answering() const;
    bool answers(const std::string& key, const std::string& name) const;

private:
    struct Answer {
        std::string name;
        std::uint64_t round = 0;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Answer> heard_;  // by "address:port"
    std::uint64_t round_ = 0;
};

class DiscoveryHandlers {
public:
    struct Dependencies {
        platform::TargetId winHandle = 0;             // receiver of 1029 and 1032
        config::TRebootSperre* rebootLock = nullptr;  // none: never blocked
        TelefonListe* telefone = nullptr;             // required
        ProbeStarter startProbe;                      // required
        RateLimiter::Clock clock;                     // tick count; none: the system's
    };

    // Rate-limit intervals of the handlers.
    static constexpr std::uint32_t kSearchAnswerInterval = 5000;
    static constexpr std::uint32_t kNamedAnswerInterval = 10000;

    explicit DiscoveryHandlers(Dependencies deps);

    // Answer to the search on port 4000 or 4005: a device record.
    void UDPEmpfaengerRead(std::string_view data, const std::string& sender);
    // "IPREPLY" text answer of port 9999.
    void UDPEmpfaengerReadKorvat(std::string_view data, const std::string& sender);
    // State telegram of port 5000.
    void UDPEmpfaengerRead2(std::string_view data, const std::string& sender);
    // Telephone telegram of port 8112.
    void UDPEmpfaengerReadTel(std::string_view data, const std::string& sender);
    // Device names relayed for cameras found by the relay server.
    void ReadMobotix(std::string_view data, const std::string& sender);
    void ReadAxis(std::string_view data, const std::string& sender);
    void ReadKorvat(std::string_view data, const std::string& sender);
    void ReadHik(std::string_view data, const std::string& sender);

    // A telegram from the relay link, handed to the handler of its kind.
    void dispatchRelayed(const RelayTelegram& telegram);

    // Shared with the multicast-DNS answers of the discovery thread.
    RateLimiter& rateLimiter() { return rateLimit_; }
    SearchRounds& rounds() { return rounds_; }
    const SearchRounds& rounds() const { return rounds_; }
    SequenceTable& sequences() { return sequences_; }

private:
    void readRelayedName(std::string_view prefix, std::string_view data, const std::string& sender);

    Dependencies deps_;
    SequenceTable sequences_;  // sequenceList
    RateLimiter rateLimit_;    // gefundeneIPs
    SearchRounds rounds_;
};

}  // namespace oculon::devices
