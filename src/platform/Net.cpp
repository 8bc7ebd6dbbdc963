#include "platform/Net.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace oculon::platform {

Interrupter::Interrupter() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!fd_) throw systemError("eventfd", errno);
}

Interrupter::~Interrupter() = default;

void Interrupter::trigger() noexcept {
    triggered_.store(true);
    const std::uint64_t one = 1;
    // A full counter means it is readable already; nothing else can fail here.
    [[maybe_unused]] auto n = ::write(fd_.get(), &one, sizeof one);
}

void Interrupter::reset() {
    std::uint64_t value = 0;
    while (::read(fd_.get(), &value, sizeof value) > 0) {}
    triggered_.store(false);
}

bool waitForSocket(int fd, short events, Millis timeout, const Interrupter* interrupter) {
    using Clock = std::chrono::steady_clock;
    const bool infinite = timeout.count() < 0;
    const auto deadline = Clock::now() + (infinite ? Millis(0) : timeout);
    for (;;) {
        if (interrupter && interrupter->triggered()) throw InterruptedError();
        std::array<pollfd, 2> fds{};
        fds[0] = {fd, events, 0};
        nfds_t count = 1;
        if (interrupter) {
            fds[1] = {interrupter->fd(), POLLIN, 0};
            count = 2;
        }
        int wait = -1;
        if (!infinite) {
            const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
            wait = left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
        }
        const int rc = ::poll(fds.data(), count, wait);
        if (rc < 0) {
            if (errno == EINTR) continue;
            throw systemError("poll", errno);
        }
        if (count == 2 && fds[1].revents) throw InterruptedError();
        if (rc > 0 && fds[0].revents) return true;
        if (!infinite && Clock::now() >= deadline) return false;
    }
}

std::optional<in_addr> parseIpv4(std::string_view text) {
    // inet_pton accepts exactly the dotted quad; copy because it needs a C string.
    if (text.empty() || text.size() > 15) return std::nullopt;
    const std::string s(text);
    in_addr address{};
    if (::inet_pton(AF_INET, s.c_str(), &address) != 1) return std::nullopt;
    return address;
}

std::string formatIpv4(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

sockaddr_in resolveIpv4(const std::string& host, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    if (auto literal = parseIpv4(host)) {
        result.sin_addr = *literal;
        return result;
    }
    if (host.empty()) throw NetError("No host given.");
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found) throw NetError("Cannot resolve " + host + ": " + ::gai_strerror(rc));
    result.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return result;
}

std::vector<LocalAdapter> localIpv4Adapters() {
    std::vector<LocalAdapter> adapters;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return adapters;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
        if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
        LocalAdapter adapter;
        adapter.name = i->ifa_name ? i->ifa_name : "";
        const in_addr address = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
        in_addr mask{};
        if (i->ifa_netmask) mask = reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr;
        adapter.address = formatIpv4(address);
        adapter.netmask = formatIpv4(mask);
        // Computed from address and mask: an address added without an
        // explicit broadcast reports none (or itself) here.
        in_addr broadcast{};
        broadcast.s_addr = address.s_addr | ~mask.s_addr;
        adapter.broadcast = formatIpv4(broadcast);
        adapter.index = ::if_nametoindex(adapter.name.c_str());
        adapters.push_back(std::move(adapter));
    }
    ::freeifaddrs(list);
    return adapters;
}

AddressWatch::AddressWatch() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE)) {
    if (!fd_) return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR;
    if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) fd_.reset();
}

bool AddressWatch::changed() {
    if (!fd_) return false;
    bool any = false;
    std::array<char, 8192> notice;
    // Bounded: a wireless link may report many events a second.
    for (int i = 0; i < 256; ++i) {
        const ssize_t n = ::recv(fd_.get(), notice.data(), notice.size(), MSG_DONTWAIT);
        // ENOBUFS: the kernel dropped notices it could not queue.
        if (n > 0 || (n < 0 && errno == ENOBUFS)) any = true;
        else if (n == 0 || errno != EINTR) return any;
    }
    return true;
}

std::string hostNameAddress() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    try {
        return formatIpv4(resolveIpv4(name, 0).sin_addr);
    } catch (const NetError&) {
        return {};
    }
}

std::string addressTowards(const std::string& peer) {
    const auto target = parseIpv4(peer);
    if (!target) return {};
    const UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd) return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    to.sin_addr = *target;
    std::string result;
    // Connecting a datagram socket only picks the route and source address.
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&local), &length) == 0)
            result = formatIpv4(local.sin_addr);
    }
    return result;
}

NetError systemError(const std::string& what, int error) { return NetError(what + ": " + std::strerror(error)); }

}  // namespace oculon::platform
