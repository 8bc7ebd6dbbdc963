#pragma once
// Keeps the display awake while live pictures play. Every pass of a stream
// asks for it; the screen-saver stop behind it runs at most once per
// interval, so asking costs a clock read.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace oculon::platform {

// Runs an action when asked, but not again until its interval has passed.
// Any thread; concurrent askers run it once.
class ThrottledAction {
public:
    using Clock = std::chrono::steady_clock;

    ThrottledAction(std::function<void()> action, Clock::duration interval);
    // True when the action ran.
    bool operator()();

private:
    std::function<void()> action_;
    Clock::duration interval_;
    std::atomic<std::int64_t> next_{0};  // Clock ticks; 0: run at the next call
};

// Resets the display's idle timer (the screen-saver stop), at most every
// few seconds whatever the number of streams asking.
void keepDisplayAwake();

}  // namespace oculon::platform
