#pragma once
// The sockets the search broadcasts from: one bound to each local IPv4
// address, so that every link hears the search from an address of its own.
// They follow the addresses as they come, change and go; an address whose
// sends fail is logged once until it sends again. Loop thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Net.h"

namespace oculon::platform {
class UdpSocket;
}

namespace oculon::devices {

class SearchSenders {
public:
    struct Telegram {
        std::uint16_t port;
        std::string_view bytes;
    };

    SearchSenders();
    ~SearchSenders();

    // Opens a socket for each address not served yet and closes those of
    // addresses gone; returns the addresses served anew.
    std::vector<std::string> follow(const std::vector<platform::LocalAdapter>& adapters);
    // Broadcasts the telegrams from every address (from those of `only`,
    // when given), a millisecond apart; how many went out.
    int send(std::span<const Telegram> telegrams, const std::vector<std::string>* only = nullptr);
    bool empty() const { return senders_.empty(); }
    void clear();

private:
    struct Sender {
        std::string address;
        std::unique_ptr<platform::UdpSocket> socket;
        bool failing = false;  // told in the log
    };
    std::vector<Sender> senders_;
    std::set<std::string> unbound_;  // addresses whose socket could not be made, told once
};

// Whether the search reaches the network. After `kRoundsBeforeTold` rounds
// in a row in which nothing went out (no address, or every send failed) it
// is blocked; the first datagram out clears it. Each says its change once.
class SearchReach {
public:
    static constexpr int kRoundsBeforeTold = 2;

    // A round ended, with `sent` datagrams out: the change, if any.
    std::optional<bool> roundEnded(int sent);
    // Datagrams went out between rounds: the change, if any.
    std::optional<bool> sentBetween(int sent);
    // The search stops (another mode): clears a block.
    std::optional<bool> reset();
    bool blocked() const { return blocked_; }

private:
    int failedRounds_ = 0;
    bool blocked_ = false;
};

}  // namespace oculon::devices
