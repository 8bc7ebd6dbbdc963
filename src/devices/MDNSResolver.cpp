#include "devices/MDNSResolver.h"

#include <net/if.h>

#include <algorithm>
#include <random>
#include <utility>

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
    followAdapters(platform::localIpv4Adapters());
}

TMIdDNSResolver::~TMIdDNSResolver() {
    groupListener_.reset();
    senders_.clear();
}

void TMIdDNSResolver::followAdapters(const std::vector<platform::LocalAdapter>& all) {
    std::vector<platform::LocalAdapter> adapters;
    for (const auto& adapter : all)
        if (options_.localAddresses.empty() || std::ranges::count(options_.localAddresses, adapter.address))
            adapters.push_back(adapter);
    const auto present = [&](const std::string& address) {
        return std::ranges::any_of(adapters, [&](const auto& a) { return a.address == address; });
    };
    // A socket bound to an address that went sends nowhere.
    std::erase_if(senders_, [&](const Binding& b) { return !present(b.address); });
    std::erase_if(refused_, [&](const std::string& address) { return !present(address); });
    for (const auto& adapter : adapters)
        if (std::ranges::none_of(senders_, [&](const Binding& b) { return b.address == adapter.address; }))
            openSender(adapter.address);

    if (adapters.empty()) return;
    if (!groupListener_) openGroupListener();
    if (!groupListener_) return;
    // A link that is gone took its membership with it; one that is only
    // down or without an address keeps it.
    std::erase_if(joined_, [](unsigned index) {
        char name[IF_NAMESIZE];
        return ::if_indextoname(index, name) == nullptr;
    });
    for (const auto& adapter : adapters) joinGroup(adapter);
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
            if (refused_.insert(address).second)
                log::warning(log::Category::devices, "mDNS: no socket on %s: %s", address.c_str(), e.what());
            return;
        }
    }
    refused_.erase(address);
    auto listener = std::make_unique<platform::UdpListener>(
        std::move(*socket), [this](const platform::Datagram& d) { readMulticastAnswer(d.data, d.peerAddress); },
        "mDNS " + address, kMaxDatagram);
    senders_.push_back(Binding{address, std::move(listener)});
}

void TMIdDNSResolver::openGroupListener() {
    try {
        // Bound to the group address, so unicast answers go to the senders
        // only and nothing arrives twice.
        groupListener_ = std::make_unique<platform::UdpListener>(
            sharedSocket(options_.group, options_.port),
            [this](const platform::Datagram& d) { readMulticastAnswer(d.data, d.peerAddress); }, "mDNS group",
            kMaxDatagram);
        groupRefused_ = false;
    } catch (const platform::NetError& e) {
        if (!std::exchange(groupRefused_, true))
            log::warning(log::Category::devices, "mDNS: no group socket: %s", e.what());
    }
}

void TMIdDNSResolver::joinGroup(const platform::LocalAdapter& adapter) {
    // A second address of the same interface would join it twice.
    if (adapter.index == 0 || joined_.contains(adapter.index)) return;
    try {
        groupListener_->socket().joinGroup(options_.group, adapter.address);
        joined_.insert(adapter.index);
    } catch (const platform::NetError& e) {
        log::warning(log::Category::devices, "mDNS: cannot join %s on %s: %s", options_.group.c_str(),
                     adapter.address.c_str(), e.what());
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
            sender.failing = false;
        } catch (const platform::NetError& e) {
            if (!std::exchange(sender.failing, true))
                log::warning(log::Category::devices, "mDNS: query from %s failed: %s", sender.address.c_str(),
                             e.what());
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
