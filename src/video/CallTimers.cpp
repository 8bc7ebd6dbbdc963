#include "video/CallTimers.h"

#include <algorithm>

namespace oculon::video {

CallTimers::CallTimers(Clock clock, bool withWatchdog)
    : clock_(clock ? std::move(clock) : [] { return std::chrono::steady_clock::now(); }), withWatchdog_(withWatchdog) {}

void CallTimers::start(bool videoOnly, std::int32_t tuerDauer) {
    stop();
    videoOnly_ = videoOnly;
    tuerDauer_ = tuerDauer;
    if (videoOnly_) startVideoOnlyTimer();
}

void CallTimers::stop() {
    watchdogDue_.reset();
    videoOnlyDue_.reset();
}

void CallTimers::pictureShown() {
    if (withWatchdog_) watchdogDue_ = clock_() + kWatchdog;
}

void CallTimers::setVideoOnly(bool on) {
    videoOnly_ = on;
    if (!on) videoOnlyDue_.reset();
}

void CallTimers::refreshVideoOnly() {
    if (videoOnly_) startVideoOnlyTimer();
}

void CallTimers::startVideoOnlyTimer() {
    // A timer of no length never fires.
    if (tuerDauer_ > 0) videoOnlyDue_ = clock_() + Millis(static_cast<std::int64_t>(tuerDauer_) * 1000);
    else videoOnlyDue_.reset();
}

CallTimers::Expired CallTimers::poll() {
    const TimePoint now = clock_();
    if (watchdogDue_ && now >= *watchdogDue_) {
        watchdogDue_.reset();
        return Expired::watchdog;
    }
    if (videoOnlyDue_ && now >= *videoOnlyDue_) {
        videoOnlyDue_.reset();
        return Expired::videoOnly;
    }
    return Expired::none;
}

std::optional<CallTimers::Millis> CallTimers::untilNext() const {
    std::optional<TimePoint> next;
    for (const auto& due : {watchdogDue_, videoOnlyDue_})
        if (due && (!next || *due < *next)) next = due;
    if (!next) return std::nullopt;
    return std::max(Millis(0), std::chrono::ceil<Millis>(*next - clock_()));
}

}  // namespace oculon::video
