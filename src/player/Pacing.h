#pragma once
// Pacing of recorded frames during playback: how long to wait after a frame
// so that the recording plays at a chosen fraction of its recorded speed,
// and how many frames to skip at the fast speeds.

#include <array>
#include <cstdint>

#include "video/MJPEGFile.h"

namespace oculon::player {

// The playback speed as a fraction.
struct TBruch {
    std::int32_t zaehler = 1;
    std::int32_t nenner = 1;
    friend bool operator==(const TBruch&, const TBruch&) = default;
};

// The seven speeds of the speed bar, slowest first.
constexpr std::array<TBruch, 7> kSpeeds{{{1, 8}, {1, 4}, {1, 2}, {1, 1}, {2, 1}, {4, 1}, {8, 1}}};

// Any fraction made usable: numerator and denominator between 1 and 8.
TBruch normalisedSpeed(TBruch speed);

// Frames read and not shown after each shown frame: above normal speed the
// shown rate stays that of the recording and the skipped frames make up the
// speed.
std::int32_t framesToSkip(TBruch speed);

// Waits between shown frames. The wait after a frame is the recorded gap that
// led to it, scaled by the speed, less the time spent reading and drawing,
// less the lag carried over from frames that came late.
class PlaybackPacer {
public:
    // A camera that stalled, or stamps that jump by days, would freeze the
    // picture for that long; longer recorded gaps count as this much.
    static constexpr std::int64_t kMaxGapMs = 5000;
    // Lag beyond this is not made up: a player held up for seconds (a busy
    // window, a slow disk) would otherwise race through the next seconds.
    static constexpr std::int64_t kMaxLagMs = 1000;

    // After a pause or a jump: the next frame follows without a wait.
    void forgetPrevious() { hasPrevious_ = false; }

    // The frame stamped `shown` is on screen; reading and drawing it took
    // `elapsedMs`. Returns the milliseconds to wait before the next frame.
    std::int64_t afterFrame(const video::TTimeStamp& shown, std::int64_t elapsedMs, TBruch speed);

    std::int64_t lag() const { return lagMs_; }

    // Recorded milliseconds from one stamp to the next, also across midnight
    // and several days; a step backwards gives 0, a huge one kMaxGapMs.
    static std::int64_t recordedGap(const video::TTimeStamp& from, const video::TTimeStamp& to);

private:
    video::TTimeStamp previous_;
    bool hasPrevious_ = false;
    std::int64_t lagMs_ = 0;
};

}  // namespace oculon::player
