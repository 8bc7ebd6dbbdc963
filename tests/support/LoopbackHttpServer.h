#pragma once
// A scripted HTTP server on a loopback port for tests: it records every
// request and answers each with a script of sends, pauses, byte drips, cuts
// and hangs (MJPEG streams, slow or broken cameras). Plain POSIX sockets, so
// it does not lean on the client code it tests.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace oculon::testsupport {

using Millis = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct RecordedRequest {
    std::string method;
    std::string target;   // path and query as sent
    std::string version;  // "HTTP/1.1"
    HeaderList headers;
    std::string body;
    std::string head;  // request line and headers as received
    // First header of that name, compared without regard to case.
    std::optional<std::string> header(std::string_view name) const;
};

struct MjpegOptions {
    std::string boundary = "myboundary";
    bool quoteBoundary = false;  // boundary="..." in the Content-Type
    bool partLengths = true;     // Content-Length in each part
    bool chunked = false;        // Transfer-Encoding: chunked, like ffmpeg
    std::string partType = "image/jpeg";
    Millis interval{0};          // pause between parts
    std::size_t repeat = 1;      // times the frame list is sent
    bool holdOpenAtEnd = false;  // hang instead of closing after the last part
};

// What the server does on one connection once it has read a request. The
// connection closes after the last step, so a script that sends less body
// than it announced is a cut in mid-body.
class Script {
public:
    enum class Kind { send, pause, drip, hang, again };
    struct Step {
        Kind kind;
        std::string bytes;
        Millis time{0};
        std::size_t from = 0, times = 0;  // again
    };

    Script& send(std::string bytes);
    Script& pause(Millis time);
    // Bytes one at a time, `interval` apart.
    Script& drip(std::string bytes, Millis interval);
    // Keeps the connection open, sending nothing, until the client closes it
    // or the server stops.
    Script& hang();
    // Plays the steps from index `from` up to here `times` more times: a long
    // stream costs one round of memory, not one copy per round.
    Script& again(std::size_t from, std::size_t times);
    const std::vector<Step>& steps() const { return steps_; }

    // A complete answer with Content-Length (or without it, ended by the close).
    static Script reply(int status, std::string reason, std::string body, HeaderList headers = {},
                        bool contentLength = true);
    // The same answer as bytes, for building scripts.
    static std::string answer(int status, std::string reason, std::string body, HeaderList headers = {},
                              bool contentLength = true);
    // 401 with these WWW-Authenticate lines, in order.
    static Script challenge(const std::vector<std::string>& wwwAuthenticate);
    // A 200 whose body goes out in these chunks.
    static Script chunked(std::vector<std::string> chunks, HeaderList headers = {});
    static std::string chunk(std::string_view data);  // one chunk in wire form
    // A multipart/x-mixed-replace stream of these frames.
    static Script mjpeg(const std::vector<std::string>& frames, const MjpegOptions& options = {});

private:
    std::vector<Step> steps_;
};

class LoopbackHttpServer {
public:
    struct Connection {
        Clock::time_point accepted;
        std::optional<Clock::time_point> peerClosed;  // the client closed it
    };

    // On `port` of `address`; port 0: a free one.
    explicit LoopbackHttpServer(std::string address = "127.0.0.1", std::uint16_t port = 0);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    const std::string& address() const { return address_; }
    std::uint16_t port() const { return port_; }

    // Scripts: the handler chooses per request; without one, queued scripts
    // answer in order, and an empty queue answers 404.
    void setHandler(std::function<Script(const RecordedRequest&)> handler);
    void enqueue(Script script);
    // Plays `script` on every connection at once, without waiting for a
    // request (a relay server that talks first). Set before clients connect.
    void greet(Script script);

    std::vector<RecordedRequest> requests() const;
    std::vector<Connection> connections() const;
    bool waitForRequests(std::size_t count, Millis timeout) const;
    // Waits until `count` connections have been closed by the client.
    bool waitForPeerCloses(std::size_t count, Millis timeout) const;

private:
    void acceptLoop();
    void serve(int fd, std::size_t index);
    std::optional<RecordedRequest> readRequest(int fd, std::size_t index);
    // Runs the steps; false once the client is gone or the server stops.
    bool play(int fd, std::size_t index, const Script& script);
    // Waits up to `time` for the stop signal or, with `fd`, for the client to
    // close. False when the connection should end.
    bool idle(int fd, std::size_t index, Millis time);
    void notePeerClosed(std::size_t index);
    bool stopping() const;

    std::string address_;
    std::uint16_t port_ = 0;
    int listenFd_ = -1;
    int stopFd_ = -1;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::function<Script(const RecordedRequest&)> handler_;
    std::vector<Script> queue_;
    std::optional<Script> greeting_;
    std::vector<RecordedRequest> requests_;
    std::vector<Connection> connections_;
    std::vector<std::thread> workers_;
    std::thread acceptThread_;
};

}  // namespace oculon::testsupport
