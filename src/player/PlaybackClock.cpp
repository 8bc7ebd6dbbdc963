#include "player/PlaybackClock.h"

namespace oculon::player {

std::int64_t SteadyPlaybackClock::nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SteadyPlaybackClock::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, std::int64_t ms,
                                  const std::function<bool()>& interrupted) {
    wake.wait_for(lock, std::chrono::milliseconds(ms), interrupted);
}

}  // namespace oculon::player
