#pragma once
// A bare TCP server on loopback for the device tests: it accepts connections
// on a port (a fixed one can be taken again after a stop, for "restarts")
// and runs a session function per connection that talks to the client
// directly. Plain POSIX sockets, independent of the code under test.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace oculon::testsupport {

class TcpTestServer {
public:
    // The session gets the connected socket and a flag that turns true when
    // the server stops; it returns when it is done, and the socket is closed.
    using Session = std::function<void(int fd, const std::atomic<bool>& stopping)>;

    TcpTestServer(Session session, std::uint16_t port = 0) : session_(std::move(session)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 8) != 0)
            throw std::runtime_error("TcpTestServer: bind/listen");
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~TcpTestServer() {
        stopping_ = true;
        acceptor_.join();
        for (auto& t : sessions_) t.join();
        ::close(fd_);
    }
    TcpTestServer(const TcpTestServer&) = delete;
    TcpTestServer& operator=(const TcpTestServer&) = delete;

    std::uint16_t port() const { return port_; }
    int accepted() const { return accepted_.load(); }

    // Helpers for sessions.
    static void sendAll(int fd, const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            const auto n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }
    // Reads until an empty line ends a request head, or the client goes.
    static std::string readHead(int fd, const std::atomic<bool>& stopping) {
        std::string head;
        char c;
        while (head.find("\r\n\r\n") == std::string::npos) {
            if (!waitReadable(fd, stopping)) return head;
            if (::recv(fd, &c, 1, 0) != 1) return head;
            head += c;
        }
        return head;
    }
    // Waits until the client closes or the server stops.
    static void holdUntilClosed(int fd, const std::atomic<bool>& stopping) {
        char c;
        while (waitReadable(fd, stopping) && ::recv(fd, &c, 1, 0) > 0) {}
    }

private:
    static bool waitReadable(int fd, const std::atomic<bool>& stopping) {
        while (!stopping) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }

    void acceptLoop() {
        while (!stopping_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            ++accepted_;
            sessions_.emplace_back([this, client] {
                session_(client, stopping_);
                ::close(client);
            });
        }
    }

    Session session_;
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::thread acceptor_;
    std::vector<std::thread> sessions_;
};

}  // namespace oculon::testsupport
