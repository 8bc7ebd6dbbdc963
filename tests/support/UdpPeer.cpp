#include "support/UdpPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace oculon::testsupport {

namespace {
sockaddr_in makeAddress(const std::string& host, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &a.sin_addr) != 1) throw std::runtime_error("UdpPeer: bad address " + host);
    return a;
}
}  // namespace

UdpPeer::UdpPeer(std::string address, std::uint16_t port, bool broadcast) : address_(std::move(address)) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd_ < 0 || stopFd_ < 0) throw std::runtime_error("UdpPeer: socket");
    const int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (broadcast) ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in local = makeAddress(address_, port);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        throw std::runtime_error("UdpPeer: bind " + address_ + ":" + std::to_string(port));
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    thread_ = std::thread([this] { run(); });
}

UdpPeer::~UdpPeer() {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(stopFd_, &one, sizeof one);
    thread_.join();
    ::close(fd_);
    ::close(stopFd_);
}

void UdpPeer::sendTo(const std::string& host, std::uint16_t port, const std::string& data) {
    const sockaddr_in to = makeAddress(host, port);
    if (::sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0)
        throw std::runtime_error("UdpPeer: sendto failed");
}

void UdpPeer::joinGroup(const std::string& group, const std::string& interfaceAddress) {
    ip_mreq request{};
    request.imr_multiaddr = makeAddress(group, 0).sin_addr;
    request.imr_interface = makeAddress(interfaceAddress, 0).sin_addr;
    if (::setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0)
        throw std::runtime_error("UdpPeer: join " + group);
}

void UdpPeer::setResponder(std::function<std::optional<std::string>(const ReceivedDatagram&)> responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

std::optional<ReceivedDatagram> UdpPeer::next(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [&] { return !queue_.empty(); })) return std::nullopt;
    ReceivedDatagram d = std::move(queue_.front());
    queue_.pop_front();
    return d;
}

std::size_t UdpPeer::receivedCount() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void UdpPeer::run() {
    char buffer[65536];
    for (;;) {
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[0].revents) return;
        if (!fds[1].revents) continue;
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n =
            ::recvfrom(fd_, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0) continue;
        ReceivedDatagram d;
        d.data.assign(buffer, static_cast<std::size_t>(n));
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        d.from = text;
        d.fromPort = ntohs(from.sin_port);
        std::function<std::optional<std::string>(const ReceivedDatagram&)> responder;
        {
            std::lock_guard lock(mutex_);
            responder = responder_;
        }
        if (responder) {
            if (auto answer = responder(d))
                ::sendto(fd_, answer->data(), answer->size(), 0, reinterpret_cast<sockaddr*>(&from), sizeof from);
        }
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(d));
            ++received_;
        }
        arrived_.notify_all();
    }
}

}  // namespace oculon::testsupport
