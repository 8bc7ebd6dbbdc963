#pragma once
// Browses the local network by multicast DNS: sends queries to 224.0.0.251
// port 5353 from every local IPv4 address and hands every answer, parsed
// into records, to its owner. Its owner has it follow the addresses as they
// change.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "devices/MDNSRecords.h"
#include "platform/Net.h"

namespace oculon::platform {
class UdpListener;
}

namespace oculon::devices {

class TMIdDNSResolver {
public:
    // Called once per answer datagram, one call at a time, on a listener
    // thread, with the address the datagram came from. The result lives only
    // for the call.
    using ResolveRead =
        std::function<void(TMIdDNSResolver& sender, const TMQueryResult& result, const std::string& fromAddress)>;

    struct Options {
        std::vector<std::string> localAddresses;  // only these; empty: every local IPv4 adapter
        std::string group = "224.0.0.251";
        std::uint16_t port = 5353;
    };

    // Opens one socket per local address (on the mDNS port, shared with any
    // responder running on this machine; an ephemeral port when that is
    // impossible, so answers then come back by unicast) and one that joins
    // the group on every interface for the multicast answers.
    TMIdDNSResolver();
    explicit TMIdDNSResolver(Options options);
    ~TMIdDNSResolver();
    TMIdDNSResolver(const TMIdDNSResolver&) = delete;
    TMIdDNSResolver& operator=(const TMIdDNSResolver&) = delete;

    // Set before the first Resolve().
    void setQueryRecords(TQueryRecordSet types) { queryRecords_ = std::move(types); }
    void setAllowRecursiveQueries(bool on) { allowRecursive_ = on; }
    void setOnResolveRead(ResolveRead handler);

    // The local adapters now: a socket for each new address, none for an
    // address gone, and the group joined on each new interface. Not while
    // Resolve() runs on another thread.
    void followAdapters(const std::vector<platform::LocalAdapter>& adapters);

    // Sends the query for `domain` from every local address, TTL 255. A
    // failing address does not stop the others. EIdDNSResolverError for an
    // empty record set or an invalid domain.
    void Resolve(const std::string& domain);

    std::uint16_t id() const { return id_; }
    // The local addresses queries leave from, with the port of each.
    std::vector<std::pair<std::string, std::uint16_t>> bindings() const;
    // False when the group socket could not be opened or joined (multicast
    // answers are then not heard).
    bool hearsGroup() const { return groupListener_ != nullptr && !joined_.empty(); }

private:
    void openSender(const std::string& address);
    void openGroupListener();
    void joinGroup(const platform::LocalAdapter& adapter);
    void readMulticastAnswer(const std::string& datagram, const std::string& fromAddress);

    Options options_;
    std::uint16_t id_;
    TQueryRecordSet queryRecords_;
    bool allowRecursive_ = true;

    std::mutex deliveryMutex_;  // one OnResolveRead call at a time
    ResolveRead onResolveRead_;

    struct Binding {
        std::string address;
        std::unique_ptr<platform::UdpListener> listener;  // its socket sends the queries
        bool failing = false;                             // told in the log
    };
    std::set<std::string> refused_;  // addresses without a socket, told once
    std::set<unsigned> joined_;      // interfaces (by index) in the group
    bool groupRefused_ = false;      // told once
    // Declared last: the listener threads end before anything they use.
    std::vector<Binding> senders_;
    std::unique_ptr<platform::UdpListener> groupListener_;
};

}  // namespace oculon::devices
