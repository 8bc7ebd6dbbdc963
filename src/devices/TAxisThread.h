#pragma once
// Input monitor of one Axis-type camera (type 4 or 6): keeps a long-lived
// request to the camera's input-port CGI open and posts every change of its
// digital input to the main form (message 1032, a stateChangeObjekt). A
// refused connection, a refusal of the request or a broken link is followed
// by a growing pause and a new connection, in the same thread.

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "config/sprachen.h"
#include "platform/MainLoop.h"
#include "platform/TcpClient.h"
#include "platform/Thread.h"

namespace oculon::devices {

// Reads the lines of the monitor answer and finds the input tokens in them.
class AxisInputParser {
public:
    explicit AxisInputParser(config::TVideoServerType type);

    // The input state a line reports (true: high), or nothing.
    std::optional<bool> feedLine(std::string_view line);
    // The request line of the type.
    static std::string requestLine(config::TVideoServerType type);

private:
    std::optional<bool> token(std::string_view line);

    bool tokenOnEveryLine_;
    std::string highToken_;
    std::string lowToken_;
    std::string contentType_;
    bool tokenNext_ = false;
};

class TAxisThread : public platform::Thread {
public:
    static constexpr std::chrono::milliseconds kConnectTimeout{8000};
    static constexpr std::chrono::milliseconds kReadTimeout{20000};
    static constexpr std::chrono::milliseconds kFirstBackoff{1000};
    static constexpr std::chrono::milliseconds kLongestBackoff{30000};
    static constexpr std::size_t kMaxLineLength = 128000;

    TAxisThread(std::string name, std::string host, const std::string& port, std::string user, std::string pass,
                config::TVideoServerType type);
    ~TAxisThread() override;

    // The receiver of the events; set before Start().
    void setWinHandle(platform::TargetId handle) { FWindowHandle = handle; }
    // Tests shorten the pauses after failures.
    void setBackoff(std::chrono::milliseconds first, std::chrono::milliseconds longest) {
        firstBackoff_ = first;
        longestBackoff_ = longest;
    }
    // Connections made so far (any thread).
    int connectionCount() const { return connections_.load(); }

    // "TAxisThread " and a running number of the process, from 0.
    static std::string nextThreadName();

protected:
    void Execute() override;
    void interrupt() override { httpClient_.interrupt(); }

private:
    // Connects and sends the request; true when the camera answered 200.
    bool open();
    void monitor();
    void post(bool high);

    platform::TcpClient httpClient_;
    platform::TargetId FWindowHandle = 0;
    const std::string FUser;
    const std::string FPass;
    const std::string FName;
    const config::TVideoServerType FType;
    const std::string host_;
    std::uint16_t port_ = 0;
    std::chrono::milliseconds firstBackoff_ = kFirstBackoff;
    std::chrono::milliseconds longestBackoff_ = kLongestBackoff;
    std::atomic<int> connections_{0};
};

}  // namespace oculon::devices
