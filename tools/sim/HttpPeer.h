#pragma once
// The HTTP side of a simulated camera or video server: a small threaded
// server (one thread per connection, every wait breakable at shut-down), the
// parse of a request head, Basic authentication, and the live
// "multipart/x-mixed-replace" stream that cameras send. Header-only.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Base64.h"
#include "platform/UniqueFd.h"
#include "SimPeer.h"

namespace oculon::sim {

using Millis = std::chrono::milliseconds;

struct HttpRequest {
    std::string method;
    std::string target;  // path and query as sent
    std::vector<std::pair<std::string, std::string>> headers;

    std::string path() const { return target.substr(0, target.find('?')); }
    std::string query() const {
        const auto q = target.find('?');
        return q == std::string::npos ? std::string() : target.substr(q + 1);
    }
    std::optional<std::string> header(std::string_view name) const {
        for (const auto& [n, v] : headers) {
            if (n.size() == name.size() && std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                }))
                return v;
        }
        return std::nullopt;
    }
};

// The head of a request, up to and including its empty line (CR LF or bare
// LF line ends). nullopt when the request line is not "METHOD target
// version" or the head holds more than 100 lines.
inline std::optional<HttpRequest> parseRequestHead(std::string_view head) {
    auto nextLine = [&head]() {
        const auto eol = head.find('\n');
        std::string_view line = head.substr(0, eol);
        head.remove_prefix(eol == std::string_view::npos ? head.size() : eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    };
    auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return std::string(s);
    };
    HttpRequest request;
    const std::string_view requestLine = nextLine();
    const auto s1 = requestLine.find(' ');
    const auto s2 = requestLine.rfind(' ');
    if (s1 == std::string_view::npos || s2 == s1 || s1 == 0 || s2 + 1 >= requestLine.size()) return std::nullopt;
    request.method = std::string(requestLine.substr(0, s1));
    request.target = trim(requestLine.substr(s1 + 1, s2 - s1 - 1));
    if (request.target.empty()) return std::nullopt;
    for (int count = 0; !head.empty(); ++count) {
        const std::string_view line = nextLine();
        if (line.empty()) break;
        if (count >= 100) return std::nullopt;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        request.headers.emplace_back(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
    }
    return request;
}

// True when the request carries "Basic" credentials for user:password; with
// both empty the device asks for nothing.
inline bool basicAuthorized(const HttpRequest& request, const std::string& user, const std::string& password) {
    if (user.empty() && password.empty()) return true;
    const auto value = request.header("Authorization");
    if (!value || value->size() < 6) return false;
    std::string scheme = value->substr(0, 6);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
    if (scheme != "basic ") return false;
    const auto decoded = platform::base64Decode(std::string_view(*value).substr(6));
    return decoded && *decoded == user + ":" + password;
}

// "%XX" and "+" undone; a broken escape stays as it is.
inline std::string percentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto hex = [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) ? std::stoi(std::string(1, c), nullptr, 16) : -1;
        };
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

// The decoded value of the first `key=` in a query; nullopt without one.
inline std::optional<std::string> queryValue(std::string_view query, std::string_view key) {
    while (!query.empty()) {
        const auto end = query.find('&');
        const std::string_view pair = query.substr(0, end);
        if (pair.size() > key.size() && pair.substr(0, key.size()) == key && pair[key.size()] == '=')
            return percentDecode(pair.substr(key.size() + 1));
        if (pair == key) return std::string();
        query.remove_prefix(end == std::string_view::npos ? query.size() : end + 1);
    }
    return std::nullopt;
}

inline std::string httpAnswer(int status, std::string_view reason, std::string_view contentType, std::string_view body,
                              std::string_view extraHeaders = {}) {
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    if (!contentType.empty()) out += "Content-Type: " + std::string(contentType) + "\r\n";
    out += extraHeaders;
    out += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    out += body;
    return out;
}

inline std::string unauthorizedAnswer(std::string_view realm) {
    return httpAnswer(401, "Unauthorized", "text/plain", "401 Unauthorized\r\n",
                      "WWW-Authenticate: Basic realm=\"" + std::string(realm) + "\"\r\n");
}

// The head of a camera stream and its parts.
inline std::string multipartHead(std::string_view boundary) {
    return "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=" + std::string(boundary) +
           "\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n";
}
inline std::string multipartPart(std::string_view boundary, std::string_view type, std::string_view body) {
    return "--" + std::string(boundary) + "\r\nContent-Type: " + std::string(type) +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body) + "\r\n";
}

// One accepted connection, seen from its handler.
class HttpConnection {
public:
    HttpConnection(int fd, int stopFd, std::string peer) : fd_(fd), stopFd_(stopFd), peer_(std::move(peer)) {}

    const std::string& peer() const { return peer_; }

    // False once the client is gone or the server stops.
    bool send(std::string_view data) {
        while (!data.empty()) {
            pollfd fds[2] = {{stopFd_, POLLIN, 0}, {fd_, POLLOUT, 0}};
            if (::poll(fds, 2, 10000) <= 0 || fds[0].revents || (fds[1].revents & (POLLERR | POLLHUP))) return false;
            const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    // Pauses; false when the client closed the connection or the server stops.
    bool wait(Millis time) {
        const auto deadline = std::chrono::steady_clock::now() + time;
        for (;;) {
            const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0) return true;
            pollfd fds[2] = {{stopFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
            ::poll(fds, 2, static_cast<int>(left));
            if (fds[0].revents) return false;
            if (fds[1].revents) {
                char scratch[1024];
                const ssize_t n = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
            }
        }
    }
    // Reads the request head (bounded); nullopt on a bad or missing request.
    std::optional<HttpRequest> readRequest() {
        std::string data;
        char buffer[2048];
        const auto deadline = std::chrono::steady_clock::now() + Millis(15000);
        while (data.find("\r\n\r\n") == std::string::npos && data.find("\n\n") == std::string::npos) {
            if (data.size() > kMaxHead) return std::nullopt;
            const auto left = std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0) return std::nullopt;
            pollfd fds[2] = {{stopFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
            ::poll(fds, 2, static_cast<int>(left));
            if (fds[0].revents) return std::nullopt;
            if (!fds[1].revents) continue;
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return std::nullopt;
            data.append(buffer, static_cast<std::size_t>(n));
        }
        return parseRequestHead(data);
    }

private:
    static constexpr std::size_t kMaxHead = 16 * 1024;
    int fd_;
    int stopFd_;
    std::string peer_;
};

// Accepts on address:port and runs the handler for each request on a thread
// of its own. The destructor ends every connection and joins every thread.
class HttpPeer {
public:
    using Handler = std::function<void(const HttpRequest&, HttpConnection&)>;

    HttpPeer(const std::string& address, std::uint16_t port, Handler handler) : handler_(std::move(handler)) {
        listenFd_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        stopFd_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (!listenFd_ || !stopFd_) throw std::runtime_error("http: socket");
        const int one = 1;
        ::setsockopt(listenFd_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) throw std::runtime_error("http: address");
        if (::bind(listenFd_.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::listen(listenFd_.get(), 16) != 0)
            throw std::runtime_error("http: cannot listen on " + address + ":" + std::to_string(port) + ": " +
                                     std::strerror(errno));
        acceptThread_ = std::thread([this] { acceptLoop(); });
    }
    ~HttpPeer() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(stopFd_.get(), &one, sizeof one);
        acceptThread_.join();
        for (auto& worker : workers_) worker.thread.join();
    }
    HttpPeer(const HttpPeer&) = delete;
    HttpPeer& operator=(const HttpPeer&) = delete;

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void acceptLoop() {
        for (;;) {
            pollfd fds[2] = {{listenFd_.get(), POLLIN, 0}, {stopFd_.get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
            if (fds[1].revents) return;
            if (!(fds[0].revents & POLLIN)) continue;
            sockaddr_in peer{};
            socklen_t length = sizeof peer;
            platform::UniqueFd fd(
                ::accept4(listenFd_.get(), reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC));
            if (!fd) continue;
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
            reapFinished();
            auto done = std::make_shared<std::atomic<bool>>(false);
            workers_.push_back({std::thread([this, fd = std::move(fd), done, peerText = std::string(text)]() mutable {
                                    HttpConnection connection(fd.get(), stopFd_.get(), peerText);
                                    if (const auto request = connection.readRequest()) handler_(*request, connection);
                                    // Let the client read the end of the answer before the close.
                                    ::shutdown(fd.get(), SHUT_WR);
                                    connection.wait(Millis(500));
                                    fd.reset();
                                    done->store(true);
                                }),
                                done});
        }
    }
    // A long-running tool serves a probe every few seconds; finished
    // connection threads are joined as new ones come.
    void reapFinished() {
        for (auto it = workers_.begin(); it != workers_.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = workers_.erase(it);
            } else {
                ++it;
            }
        }
    }

    Handler handler_;
    platform::UniqueFd listenFd_;
    platform::UniqueFd stopFd_;
    std::list<Worker> workers_;  // touched by the accept thread, then by the destructor after it ended
    std::thread acceptThread_;
};

// The live stream: one test picture after the other at `fps`, black while
// `black` is set, until the client goes or the tool ends.
inline void serveMjpeg(HttpConnection& connection, const TestPicture& picture, const std::atomic<bool>& black, int fps,
                       EventLog& log) {
    static constexpr std::string_view kBoundary = "simboundary";
    log.write("stream-start", connection.peer());
    std::uint64_t frame = 0;
    std::uint64_t blackFrames = 0;
    bool ok = connection.send(multipartHead(kBoundary));
    const auto interval = Millis(1000 / std::max(fps, 1));
    while (ok) {
        const bool dark = black.load();
        blackFrames += dark ? 1 : 0;
        ok = connection.send(multipartPart(kBoundary, "image/jpeg", picture.jpeg(frame, dark)));
        if (ok && frame == 0) log.write("first-frame", dark ? "black" : "picture");
        ++frame;
        ok = ok && connection.wait(interval);
    }
    log.write("stream-end",
              connection.peer() + " frames=" + std::to_string(frame) + " black=" + std::to_string(blackFrames));
}

}  // namespace oculon::sim
