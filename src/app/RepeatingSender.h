#pragma once
// One outgoing UDP frame that is repeated until the device answers it: sent
// once, then again on every timer tick until it is acknowledged or has gone
// out `maxSends` times in all. Each sender keeps its own frame, target and
// state, so two of them never disturb each other. Main thread only.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/MainLoop.h"
#include "platform/UdpSocket.h"

namespace oculon::app {

class RepeatingSender {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    struct Options {
        std::uint16_t port = 0;
        std::chrono::milliseconds interval{50};
        int maxSends = 11;
        // Devices echo every copy they receive, so echoes keep arriving after
        // the first one stopped the repeats; for this long after the last
        // copy went out they are still recognised as ours.
        std::chrono::milliseconds lateEchoWindow{2000};
        Clock clock;  // none: the steady clock
    };

    explicit RepeatingSender(Options options);
    RepeatingSender(const RepeatingSender&) = delete;
    RepeatingSender& operator=(const RepeatingSender&) = delete;

    // Replaces whatever is being repeated and starts afresh. Nothing waits
    // for the network: a copy that cannot go out at once, or a host that is
    // no IPv4 address, is not reported: the frame is simply not answered.
    void send(std::string frame, const std::string& host);

    // `data` from `host` answers the frame being repeated: stops the repeats
    // and returns true. `anyHost` accepts the answer from any address.
    bool acknowledge(std::string_view data, const std::string& host, bool anyHost = false);
    // `data` from `host` is a copy of the last frame sent there, still being
    // repeated or sent out at most lateEchoWindow ago.
    bool isOwnEcho(std::string_view data, const std::string& host) const;

    bool pending() const { return pending_; }
    const std::string& frame() const { return frame_; }
    const std::string& host() const { return host_; }
    int sends() const { return sends_; }

private:
    void transmit();
    void tick();
    std::chrono::steady_clock::time_point now() const;

    Options options_;
    platform::UdpSocket socket_;
    platform::Timer timer_;
    std::string frame_;
    std::string host_;
    int sends_ = 0;
    bool pending_ = false;
    std::chrono::steady_clock::time_point lastSent_{};
};

// Addresses compare as dotted quads; anything else as it stands.
std::string normalisedHost(const std::string& host);

}  // namespace oculon::app
