#pragma once
// The two timers that end a call by themselves: the picture watchdog (no
// picture for 3 seconds, popup only) and the video-only time of a call that
// shows video without a conversation. Plain logic on an injected clock; the
// window polls it and closes when a timer has run out.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace oculon::video {

class CallTimers {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Millis = std::chrono::milliseconds;
    static constexpr Millis kWatchdog{3000};

    enum class Expired { none, watchdog, videoOnly };

    // `withWatchdog`: the popup has one, the wall's door frame has none.
    CallTimers(Clock clock, bool withWatchdog);

    // A call starts: the video-only time runs when the call is video-only
    // and has a duration. The watchdog waits for the first picture.
    void start(bool videoOnly, std::int32_t tuerDauer);
    // The call ends: both timers off.
    void stop();
    // Every shown picture restarts the watchdog.
    void pictureShown();
    // Switching video-only off stops its timer; switching it on does not
    // start it (refreshVideoOnly does).
    void setVideoOnly(bool on);
    bool videoOnly() const { return videoOnly_; }
    // In video-only mode: the time starts again from now.
    void refreshVideoOnly();

    // The timer that has run out, turned off; none when neither has.
    Expired poll();
    // Time until the next timer runs out; nothing when none is running.
    std::optional<Millis> untilNext() const;
    bool watchdogRunning() const { return watchdogDue_.has_value(); }
    bool videoOnlyRunning() const { return videoOnlyDue_.has_value(); }

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    void startVideoOnlyTimer();

    Clock clock_;
    bool withWatchdog_;
    bool videoOnly_ = false;
    std::int32_t tuerDauer_ = 0;
    std::optional<TimePoint> watchdogDue_;
    std::optional<TimePoint> videoOnlyDue_;
};

}  // namespace oculon::video
