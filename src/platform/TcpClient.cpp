#include "platform/TcpClient.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace oculon::platform {

Deadline deadlineAfter(Millis timeout) {
    return timeout == kInfinite ? kNoDeadline : std::chrono::steady_clock::now() + timeout;
}

TcpClient::TcpClient(std::shared_ptr<Interrupter> interrupter) : interrupter_(std::move(interrupter)) {}

TcpClient::~TcpClient() { closeSocket(); }

void TcpClient::closeSocket() {
    fd_.reset();
    peerClosed_ = false;
    reader_ = std::make_unique<BufferedReader>(source_);
}

void TcpClient::wait(int fd, short events, Millis timeout, const char* what) const {
    constexpr const char* kTooLong = "The request took too long.";
    if (deadline_ != kNoDeadline) {
        const auto left = std::chrono::ceil<Millis>(deadline_ - std::chrono::steady_clock::now());
        if (left <= Millis(0)) throw TimeoutError(kTooLong);
        if (timeout == kInfinite || left < timeout) {
            if (!waitForSocket(fd, events, left, interrupter_.get())) throw TimeoutError(kTooLong);
            return;
        }
    }
    if (!waitForSocket(fd, events, timeout, interrupter_.get())) throw TimeoutError(what);
}

void TcpClient::connect(const std::string& host, std::uint16_t port, Millis timeout) {
    closeSocket();
    host_ = host;
    port_ = port;
    const sockaddr_in to = resolveIpv4(host, port);
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) throw systemError("socket", errno);
    const std::string target = host + ":" + std::to_string(port);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        if (errno != EINPROGRESS) throw systemError("connect to " + target, errno);
        const std::string timedOut = "Connect to " + target + " timed out.";
        wait(fd.get(), POLLOUT, timeout, timedOut.c_str());
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) throw systemError("connect to " + target, error);
    }
    const int one = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = std::move(fd);
}

bool TcpClient::connected() const {
    if (!fd_) return false;
    if (!peerClosed_) {
        // Peek without blocking, so a server that hung up is noticed even
        // before anyone reads.
        pollfd p{fd_.get(), POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            char byte = 0;
            const ssize_t n = ::recv(fd_.get(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) peerClosed_ = true;
        }
    }
    return !(peerClosed_ && reader_->buffered() == 0);
}

void TcpClient::disconnect() { closeSocket(); }

void TcpClient::write(std::string_view data) {
    if (!fd_) throw NetError("Not connected.");
    while (!data.empty()) {
        const ssize_t n = ::send(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            wait(fd_.get(), POLLOUT, readTimeout_, "Write timed out.");
            continue;
        }
        throw systemError("send", errno);
    }
}

void TcpClient::writeLn(std::string_view line) {
    std::string data(line);
    data += "\r\n";
    write(data);
}

std::size_t TcpClient::SocketSource::readSome(char* destination, std::size_t capacity) {
    TcpClient& c = owner_;
    if (!c.fd_) throw NetError("Not connected.");
    if (c.peerClosed_) return 0;
    for (;;) {
        const ssize_t n = ::recv(c.fd_.get(), destination, capacity, MSG_DONTWAIT);
        if (n > 0) return static_cast<std::size_t>(n);
        if (n == 0) {
            c.peerClosed_ = true;
            return 0;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) throw systemError("recv", errno);
        c.wait(c.fd_.get(), POLLIN, c.readTimeout_, "Read timed out.");
    }
}

std::string TcpClient::localAddress() const {
    if (!fd_) return {};
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) return {};
    return formatIpv4(local.sin_addr);
}

}  // namespace oculon::platform
