#pragma once
// The clock that paces playback, replaceable so that tests can run the
// playback thread at any speed without waiting in real time.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace oculon::player {

class PlaybackClock {
public:
    virtual ~PlaybackClock() = default;
    // Milliseconds on a steady clock.
    virtual std::int64_t nowMs() = 0;
    // Waits up to `ms` on `wake` (with `lock` held on entry and on return),
    // ending early once `interrupted()` holds.
    virtual void waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, std::int64_t ms,
                         const std::function<bool()>& interrupted) = 0;
};

// The monotonic system clock with a real wait.
class SteadyPlaybackClock : public PlaybackClock {
public:
    std::int64_t nowMs() override;
    void waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, std::int64_t ms,
                 const std::function<bool()>& interrupted) override;
};

}  // namespace oculon::player
