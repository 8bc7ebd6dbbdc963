#include "player/Pacing.h"

#include <algorithm>

namespace oculon::player {

TBruch normalisedSpeed(TBruch speed) { return {std::clamp(speed.zaehler, 1, 8), std::clamp(speed.nenner, 1, 8)}; }

std::int32_t framesToSkip(TBruch speed) {
    const std::int32_t z = normalisedSpeed(speed).zaehler;
    return z > 1 ? z : 0;
}

std::int64_t PlaybackPacer::recordedGap(const video::TTimeStamp& from, const video::TTimeStamp& to) {
    // Day and time together, so that midnight and any number of days work.
    const std::int64_t gap = video::timeStampToMSecs(to) - video::timeStampToMSecs(from);
    return std::clamp<std::int64_t>(gap, 0, kMaxGapMs);
}

std::int64_t PlaybackPacer::afterFrame(const video::TTimeStamp& shown, std::int64_t elapsedMs, TBruch speed) {
    const std::int64_t gap = hasPrevious_ ? recordedGap(previous_, shown) : 0;
    previous_ = shown;
    hasPrevious_ = true;
    // The first frame after a start has no gap, and a gap of 0 owes nothing.
    if (gap <= 0) return 0;

    speed = normalisedSpeed(speed);
    elapsedMs = std::max<std::int64_t>(elapsedMs, 0);
    // In units of 1/zaehler ms, so that the scaled gap keeps its fraction.
    const std::int64_t scaledGap = gap * speed.nenner;
    const std::int64_t spent = elapsedMs * speed.zaehler;
    std::int64_t wait = 0;
    if (spent >= scaledGap) {
        lagMs_ += (spent - scaledGap) / speed.zaehler;
    } else {
        wait = (scaledGap - spent) / speed.zaehler;
        const std::int64_t madeUp = std::min(wait, lagMs_);
        wait -= madeUp;
        lagMs_ -= madeUp;
    }
    lagMs_ = std::min(lagMs_, kMaxLagMs);
    return wait;
}

}  // namespace oculon::player
