#include "support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace oculon::testsupport {

namespace {

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr std::size_t kMaxBody = 4 * 1024 * 1024;

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return std::string(s);
}

bool sendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (sameText(n, name)) return v;
    return std::nullopt;
}

Script& Script::send(std::string bytes) {
    steps_.push_back({Kind::send, std::move(bytes), Millis(0)});
    return *this;
}

Script& Script::pause(Millis time) {
    steps_.push_back({Kind::pause, {}, time});
    return *this;
}

Script& Script::drip(std::string bytes, Millis interval) {
    steps_.push_back({Kind::drip, std::move(bytes), interval});
    return *this;
}

Script& Script::hang() {
    steps_.push_back({Kind::hang, {}, Millis(0)});
    return *this;
}

Script& Script::again(std::size_t from, std::size_t times) {
    steps_.push_back({Kind::again, {}, Millis(0), from, times});
    return *this;
}

std::string Script::answer(int status, std::string reason, std::string body, HeaderList headers, bool contentLength) {
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
    for (const auto& [n, v] : headers) out += n + ": " + v + "\r\n";
    if (contentLength) out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += body;
    return out;
}

Script Script::reply(int status, std::string reason, std::string body, HeaderList headers, bool contentLength) {
    Script s;
    s.send(answer(status, std::move(reason), std::move(body), std::move(headers), contentLength));
    return s;
}

Script Script::challenge(const std::vector<std::string>& wwwAuthenticate) {
    HeaderList headers;
    for (const auto& line : wwwAuthenticate) headers.emplace_back("WWW-Authenticate", line);
    return reply(401, "Unauthorized", "no", std::move(headers));
}

std::string Script::chunk(std::string_view data) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return size + std::string(data) + "\r\n";
}

Script Script::chunked(std::vector<std::string> chunks, HeaderList headers) {
    headers.emplace_back("Transfer-Encoding", "chunked");
    std::string out = answer(200, "OK", "", std::move(headers), false);
    for (const auto& c : chunks) out += chunk(c);
    out += "0\r\n\r\n";
    Script s;
    s.send(std::move(out));
    return s;
}

Script Script::mjpeg(const std::vector<std::string>& frames, const MjpegOptions& o) {
    const std::string boundary = o.quoteBoundary ? "\"" + o.boundary + "\"" : o.boundary;
    HeaderList headers{{"Content-Type", "multipart/x-mixed-replace;boundary=" + boundary}};
    if (o.chunked) headers.emplace_back("Transfer-Encoding", "chunked");
    Script s;
    s.send(answer(200, "OK", "", std::move(headers), false));
    const std::size_t round = s.steps().size();
    for (const auto& frame : frames) {
        if (o.repeat == 0) break;
        std::string part = "--" + o.boundary + "\r\nContent-Type: " + o.partType + "\r\n";
        if (o.partLengths) part += "Content-Length: " + std::to_string(frame.size()) + "\r\n";
        part += "\r\n" + frame + "\r\n";
        s.send(o.chunked ? chunk(part) : part);
        if (o.interval.count() > 0) s.pause(o.interval);
    }
    if (o.repeat > 1) s.again(round, o.repeat - 1);
    if (o.holdOpenAtEnd) s.hang();
    else if (o.chunked) s.send("0\r\n\r\n");
    return s;
}

LoopbackHttpServer::LoopbackHttpServer(std::string address, std::uint16_t port) : address_(std::move(address)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (listenFd_ < 0 || stopFd_ < 0) throw std::runtime_error("test server: socket");
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address_.c_str(), &local.sin_addr) != 1) throw std::runtime_error("test server: address");
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(listenFd_, 16) != 0)
        throw std::runtime_error("test server: bind/listen");
    socklen_t length = sizeof local;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(stopFd_, &one, sizeof one);
    acceptThread_.join();
    // No new workers after the accept thread has ended.
    for (auto& w : workers_) w.join();
    ::close(listenFd_);
    ::close(stopFd_);
}

bool LoopbackHttpServer::stopping() const {
    pollfd p{stopFd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

void LoopbackHttpServer::setHandler(std::function<Script(const RecordedRequest&)> handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void LoopbackHttpServer::enqueue(Script script) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(script));
}

void LoopbackHttpServer::greet(Script script) {
    std::lock_guard lock(mutex_);
    greeting_ = std::move(script);
}

std::vector<RecordedRequest> LoopbackHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<LoopbackHttpServer::Connection> LoopbackHttpServer::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

bool LoopbackHttpServer::waitForRequests(std::size_t count, Millis timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool LoopbackHttpServer::waitForPeerCloses(std::size_t count, Millis timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return static_cast<std::size_t>(std::count_if(connections_.begin(), connections_.end(),
                                                      [](const Connection& c) { return c.peerClosed.has_value(); })) >=
               count;
    });
}

void LoopbackHttpServer::notePeerClosed(std::size_t index) {
    {
        std::lock_guard lock(mutex_);
        if (!connections_[index].peerClosed) connections_[index].peerClosed = Clock::now();
    }
    changed_.notify_all();
}

void LoopbackHttpServer::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::size_t index;
        {
            std::lock_guard lock(mutex_);
            index = connections_.size();
            connections_.push_back({Clock::now(), std::nullopt});
        }
        workers_.emplace_back([this, fd, index] {
            serve(fd, index);
            ::close(fd);
        });
    }
}

bool LoopbackHttpServer::idle(int fd, std::size_t index, Millis time) {
    const auto deadline = Clock::now() + time;
    const bool forever = time.count() < 0;
    for (;;) {
        const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
        if (!forever && left <= 0) return true;
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {fd, POLLIN, 0}};
        ::poll(fds, 2, forever ? -1 : static_cast<int>(left));
        if (fds[0].revents) return false;
        if (fds[1].revents) {
            char scratch[4096];
            const ssize_t n = ::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                notePeerClosed(index);
                return false;
            }
        }
    }
}

std::optional<RecordedRequest> LoopbackHttpServer::readRequest(int fd, std::size_t index) {
    std::string data;
    std::size_t headEnd;
    char buffer[4096];
    auto receive = [&]() -> bool {
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {fd, POLLIN, 0}};
        ::poll(fds, 2, -1);
        if (fds[0].revents) return false;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            notePeerClosed(index);
            return false;
        }
        data.append(buffer, static_cast<std::size_t>(n));
        return true;
    };
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > kMaxHead || !receive()) return std::nullopt;
    }
    RecordedRequest request;
    request.head = data.substr(0, headEnd + 4);
    std::string_view rest(request.head);
    auto nextLine = [&] {
        const auto eol = rest.find("\r\n");
        std::string line(rest.substr(0, eol));
        rest.remove_prefix(eol + 2);
        return line;
    };
    const std::string requestLine = nextLine();
    const auto s1 = requestLine.find(' ');
    const auto s2 = requestLine.rfind(' ');
    request.method = requestLine.substr(0, s1);
    if (s1 != std::string::npos && s2 > s1) {
        request.target = requestLine.substr(s1 + 1, s2 - s1 - 1);
        request.version = requestLine.substr(s2 + 1);
    }
    for (std::string line = nextLine(); !line.empty(); line = nextLine()) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        request.headers.emplace_back(trim(std::string_view(line).substr(0, colon)),
                                     trim(std::string_view(line).substr(colon + 1)));
    }
    std::size_t length = 0;
    try {
        length = std::min<std::size_t>(std::stoul(request.header("Content-Length").value_or("0")), kMaxBody);
    } catch (const std::exception&) {}
    data.erase(0, headEnd + 4);
    while (data.size() < length)
        if (!receive()) return std::nullopt;
    request.body = data.substr(0, length);
    return request;
}

bool LoopbackHttpServer::play(int fd, std::size_t index, const Script& script) {
    const auto& steps = script.steps();
    std::vector<std::size_t> played(steps.size(), 0);  // rounds an `again` step has repeated
    for (std::size_t at = 0; at < steps.size(); ++at) {
        const auto& step = steps[at];
        switch (step.kind) {
            case Script::Kind::send:
                if (!sendAll(fd, step.bytes)) return false;
                break;
            case Script::Kind::pause:
                if (!idle(fd, index, step.time)) return false;
                break;
            case Script::Kind::drip:
                for (const char c : step.bytes) {
                    if (!sendAll(fd, std::string_view(&c, 1)) || !idle(fd, index, step.time)) return false;
                }
                break;
            case Script::Kind::hang: idle(fd, index, Millis(-1)); return false;
            case Script::Kind::again:
                if (played[at] < step.times && step.from < at) {
                    ++played[at];
                    at = step.from - 1;  // the loop's step brings it to `from`
                }
                break;
        }
    }
    return true;
}

void LoopbackHttpServer::serve(int fd, std::size_t index) {
    Script script;
    {
        std::lock_guard lock(mutex_);
        if (greeting_) script = *greeting_;
    }
    if (!script.steps().empty()) {
        if (play(fd, index, script)) ::shutdown(fd, SHUT_WR);
        return;
    }
    auto request = readRequest(fd, index);
    if (!request) return;
    std::function<Script(const RecordedRequest&)> handler;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(*request);
        if (handler_) {
            handler = handler_;
        } else if (!queue_.empty()) {
            script = std::move(queue_.front());
            queue_.erase(queue_.begin());
        } else {
            script = Script::reply(404, "Not Found", "");
        }
    }
    changed_.notify_all();
    if (handler) script = handler(*request);
    if (play(fd, index, script)) {
        // Let the client see the end of the answer, then notice its close.
        ::shutdown(fd, SHUT_WR);
        idle(fd, index, Millis(2000));
    }
}

}  // namespace oculon::testsupport
