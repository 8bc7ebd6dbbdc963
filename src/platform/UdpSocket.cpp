#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <exception>

#include "platform/Log.h"
#include "platform/Thread.h"

namespace oculon::platform {

namespace {
// Read at once by a listener with a backlog filter: a queue longer than this
// is no backlog of a stop but a flood, and waits for the next turn.
constexpr std::size_t kMaxBacklog = 64;

in_addr addressOrAny(const std::string& text) {
    if (text.empty()) return in_addr{htonl(INADDR_ANY)};
    auto parsed = parseIpv4(text);
    if (!parsed) throw NetError("Not an IPv4 address: " + text);
    return *parsed;
}
}  // namespace

UdpSocket::UdpSocket()
    : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)),
      interrupter_(std::make_unique<Interrupter>()) {
    if (!fd_) throw systemError("socket", errno);
}

UdpSocket::~UdpSocket() = default;

void UdpSocket::setOption(int level, int name, const void* value, unsigned size, const char* what) {
    if (::setsockopt(fd_.get(), level, name, value, size) != 0) throw systemError(what, errno);
}

void UdpSocket::bind(const std::string& localAddress, std::uint16_t port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr = addressOrAny(localAddress);
    if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        throw systemError(
            "bind " + (localAddress.empty() ? std::string("0.0.0.0") : localAddress) + ":" + std::to_string(port),
            errno);
}

void UdpSocket::setReuseAddress(bool on) {
    const int value = on;
    setOption(SOL_SOCKET, SO_REUSEADDR, &value, sizeof value, "SO_REUSEADDR");
}

void UdpSocket::setBroadcast(bool on) {
    const int value = on;
    setOption(SOL_SOCKET, SO_BROADCAST, &value, sizeof value, "SO_BROADCAST");
}

void UdpSocket::setReceiveBufferSize(int bytes) { setOption(SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes, "SO_RCVBUF"); }

void UdpSocket::setMulticastInterface(const std::string& localAddress) {
    const in_addr address = addressOrAny(localAddress);
    setOption(IPPROTO_IP, IP_MULTICAST_IF, &address, sizeof address, "IP_MULTICAST_IF");
}

void UdpSocket::setMulticastTtl(int ttl) {
    setOption(IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl, "IP_MULTICAST_TTL");
}

void UdpSocket::setMulticastLoop(bool on) {
    const unsigned char value = on;
    setOption(IPPROTO_IP, IP_MULTICAST_LOOP, &value, sizeof value, "IP_MULTICAST_LOOP");
}

void UdpSocket::membership(int option, const std::string& group, const std::string& localAddress) {
    auto groupAddress = parseIpv4(group);
    if (!groupAddress) throw NetError("Not an IPv4 address: " + group);
    ip_mreq request{};
    request.imr_multiaddr = *groupAddress;
    request.imr_interface = addressOrAny(localAddress);
    setOption(IPPROTO_IP, option, &request, sizeof request,
              option == IP_ADD_MEMBERSHIP ? "IP_ADD_MEMBERSHIP" : "IP_DROP_MEMBERSHIP");
}

void UdpSocket::joinGroup(const std::string& group, const std::string& localAddress) {
    membership(IP_ADD_MEMBERSHIP, group, localAddress);
}

void UdpSocket::leaveGroup(const std::string& group, const std::string& localAddress) {
    membership(IP_DROP_MEMBERSHIP, group, localAddress);
}

bool UdpSocket::trySend(const sockaddr_in& to, std::string_view data, const std::string& host) {
    for (;;) {
        const ssize_t n = ::sendto(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (n >= 0) return true;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
        throw systemError("sendto " + host + ":" + std::to_string(ntohs(to.sin_port)), errno);
    }
}

void UdpSocket::sendTo(const std::string& host, std::uint16_t port, std::string_view data) {
    const sockaddr_in to = resolveIpv4(host, port);
    // A full send buffer drains quickly; a second wait is not worth more.
    while (!trySend(to, data, host)) {
        if (!waitForSocket(fd_.get(), POLLOUT, Millis(1000), interrupter_.get()))
            throw TimeoutError("UDP send timed out.");
    }
}

bool UdpSocket::sendNow(const std::string& address, std::uint16_t port, std::string_view data) {
    // Checked first: resolveIpv4 would look a name up.
    if (!parseIpv4(address)) throw NetError("Not an IPv4 address: " + address);
    return trySend(resolveIpv4(address, port), data, address);
}

std::optional<Datagram> UdpSocket::receive(std::size_t maxSize, Millis timeout) {
    for (;;) {
        if (!waitForSocket(fd_.get(), POLLIN, timeout, interrupter_.get())) return std::nullopt;
        Datagram datagram;
        datagram.data.resize(maxSize);
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        // MSG_TRUNC makes the kernel drop the rest of an over-long datagram.
        const ssize_t n = ::recvfrom(fd_.get(), datagram.data.data(), maxSize, MSG_DONTWAIT | MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            // An ICMP error from an earlier send surfaces here; it is no datagram.
            if (errno == ECONNREFUSED || errno == EHOSTUNREACH || errno == ENETUNREACH) continue;
            throw systemError("recvfrom", errno);
        }
        datagram.data.resize(std::min(static_cast<std::size_t>(n), maxSize));
        datagram.peerAddress = formatIpv4(from.sin_addr);
        datagram.peerPort = ntohs(from.sin_port);
        return datagram;
    }
}

std::string UdpSocket::localAddress() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) return {};
    return formatIpv4(local.sin_addr);
}

std::uint16_t UdpSocket::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return ntohs(local.sin_port);
}

UdpListener::UdpListener(UdpSocket socket, Handler handler, std::string threadName, std::size_t bufferSize,
                         BacklogFilter filter)
    : socket_(std::move(socket)),
      handler_(std::move(handler)),
      filter_(std::move(filter)),
      threadName_(std::move(threadName)),
      bufferSize_(bufferSize),
      thread_([this] { run(); }) {}

UdpListener::~UdpListener() { stop(); }

void UdpListener::stop() {
    socket_.interrupt();
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) return;  // asked from the handler
    thread_.join();
}

void UdpListener::run() {
    setCurrentThreadName(threadName_);
    std::vector<Datagram> waiting;
    for (;;) {
        waiting.clear();
        try {
            if (auto datagram = socket_.receive(bufferSize_, kInfinite)) waiting.push_back(std::move(*datagram));
            // With a filter, what else waits already is read too, bounded.
            while (filter_ && !waiting.empty() && waiting.size() < kMaxBacklog) {
                auto more = socket_.receive(bufferSize_, Millis(0));
                if (!more) break;
                waiting.push_back(std::move(*more));
            }
        } catch (const InterruptedError&) {
            return;
        } catch (const std::exception& e) {
            log::warning(log::Category::platform, "%s: %s", threadName_.c_str(), e.what());
            return;
        }
        if (filter_ && waiting.size() > 1) filter_(waiting);
        for (const Datagram& datagram : waiting) {
            try {
                handler_(datagram);
            } catch (const std::exception& e) {
                // A bad telegram must not end the listener.
                log::warning(log::Category::platform, "%s: handler failed: %s", threadName_.c_str(), e.what());
            }
        }
    }
}

}  // namespace oculon::platform
