#include "devices/MDNSResolver.h"

#include <map>
#include <random>
#include <set>

#include "platform/Log.h"
#include "platform/Net.h"
#include "platform/UdpSocket.h"

namespace oculon::devices {

namespace {

constexpr int kMulticastTtl = 255;
constexpr std::size_t kMaxDatagram = 9000;  // the mDNS limit for one message

std::uint16_t drawId() {
    std::random_device seed;
    return static_cast<std::uint16_t>(std::uniform_int_distribution<int>(0, 65534)(seed));
}

std::vector<std::string> allLocalAddresses() {
    std::vector<std::string> addresses;
    for (const auto& adapter : platform::localIpv4Adapters()) addresses.push_back(adapter.address);
    return addresses;
}

// A socket on `port` that other responders on this machine may share.
platform::UdpSocket sharedSocket(const std::string& address, std::uint16_t port) {
    platform::UdpSocket socket;
    socket.setReuseAddress(true);
    socket.bind(address, port);
    return socket;
}

}  // namespace

TMIdDNSResolver::TMIdDNSResolver() : TMIdDNSResolver(Options{}) {}

TMIdDNSResolver::TMIdDNSResolver(Options options) : options_(std::move(options)), id_(drawId()) {
    if (options_.localAddresses.empty()) options_.localAddresses = allLocalAddresses();
    for (const auto& address : options_.localAddresses) openSender(address);
    openGroupListener(options_.localAddresses);
}

TMIdDNSResolver::~TMIdDNSResolver() {
    groupListener_.reset();
    senders_.clear();
}

void TMIdDNSResolver::openSender(const std::string& address) {
    auto open = [&](std::uint16_t port) {
        auto socket = sharedSocket(address, port);
        socket.setMulticastInterface(address);
        socket.setMulticastTtl(kMulticastTtl);
        return socket;
    };
    std::optional<platform::UdpSocket> socket;
    try {
        socket = open(options_.port);
    } catch (const platform::NetError&) {
        try {
            socket = open(0);
        } catch (const platform::NetError& e) {
            log::warning(log::Category::devices, "mDNS: no socket on %s: %s", address.c_str(), e.what());
            return;
        }
    }
    auto listener = std::make_unique<platform::UdpListener>(
        std::move(*socket), [this](const platform::Datagram& d) { readMulticastAnswer(d.data, d.peerAddress); },
        "mDNS " + address, kMaxDatagram);
    senders_.push_back(Binding{address, std::move(listener)});
}

void TMIdDNSResolver::openGroupListener(const std::vector<std::string>& addresses) {
    try {
        // Bound to the group address, so unicast answers go to the senders
        // only and nothing arrives twice.
        auto socket = sharedSocket(options_.group, options_.port);
        std::map<std::string, std::string> interfaceOf;
        for (const auto& adapter : platform::localIpv4Adapters()) interfaceOf[adapter.address] = adapter.name;
        std::set<std::string> interfaces;
        bool joined = false;
        for (const auto& address : addresses) {
            // A second address of the same interface would join it twice.
            const auto interface = interfaceOf.find(address);
            if (interface != interfaceOf.end() && !interfaces.insert(interface->second).second) continue;
            try {
                socket.joinGroup(options_.group, address);
                joined = true;
            } catch (const platform::NetError& e) {
                log::warning(log::Category::devices, "mDNS: cannot join %s on %s: %s", options_.group.c_str(),
                             address.c_str(), e.what());
            }
        }
        if (!joined) return;
        groupListener_ = std::make_unique<platform::UdpListener>(
            std::move(socket), [this](const platform::Datagram& d) { readMulticastAnswer(d.data, d.peerAddress); },
            "mDNS group", kMaxDatagram);
    } catch (const platform::NetError& e) {
        log::warning(log::Category::devices, "mDNS: no group socket: %s", e.what());
    }
}

void TMIdDNSResolver::setOnResolveRead(ResolveRead handler) {
    std::lock_guard lock(deliveryMutex_);
    onResolveRead_ = std::move(handler);
}

void TMIdDNSResolver::Resolve(const std::string& domain) {
    const std::string query = CreateQuery(id_, allowRecursive_, queryRecords_, domain);
    for (auto& sender : senders_) {
        try {
            sender.listener->socket().sendTo(options_.group, options_.port, query);
        } catch (const platform::NetError& e) {
            log::warning(log::Category::devices, "mDNS: query from %s failed: %s", sender.address.c_str(), e.what());
        }
    }
}

std::vector<std::pair<std::string, std::uint16_t>> TMIdDNSResolver::bindings() const {
    std::vector<std::pair<std::string, std::uint16_t>> result;
    for (const auto& sender : senders_) result.emplace_back(sender.address, sender.listener->socket().localPort());
    return result;
}

void TMIdDNSResolver::readMulticastAnswer(const std::string& datagram, const std::string& fromAddress) {
    const auto result = parseAnswer(datagram);
    if (!result) return;
    std::lock_guard lock(deliveryMutex_);
    if (onResolveRead_) onResolveRead_(*this, *result, fromAddress);
}

}  // namespace oculon::devices
