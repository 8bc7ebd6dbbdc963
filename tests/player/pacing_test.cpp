#include "player/Pacing.h"

#include <gtest/gtest.h>

#include <vector>

#include "TestRecordings.h"

using namespace oculon::player;
using oculon::video::TTimeStamp;

namespace {

constexpr std::int32_t kDay = test::kMay2024;

// Waits after frames stamped every `gapMs`, each taking `elapsedMs` to show.
std::vector<std::int64_t> waitsFor(PlaybackPacer& pacer, int frames, int gapMs, int elapsedMs, TBruch speed,
                                   TTimeStamp first = {1000, kDay}) {
    std::vector<std::int64_t> waits;
    for (int i = 0; i < frames; ++i)
        waits.push_back(pacer.afterFrame(test::stampAt(first, i * gapMs), elapsedMs, speed));
    return waits;
}

}  // namespace

TEST(Pacing, SkippedFramesMakeUpTheFastSpeeds) {
    EXPECT_EQ(framesToSkip({1, 8}), 0);
    EXPECT_EQ(framesToSkip({1, 1}), 0);
    EXPECT_EQ(framesToSkip({2, 1}), 2);  // every third frame shown
    EXPECT_EQ(framesToSkip({8, 1}), 8);  // every ninth
    // The playback thread's test shows the waits at each speed; a fraction of
    // a millisecond is cut off: 125 / 2 - 10 = 52.5
    PlaybackPacer pacer;
    EXPECT_EQ(waitsFor(pacer, 2, 125, 10, {2, 1}).back(), 52);
    EXPECT_EQ(normalisedSpeed({0, -3}), (TBruch{1, 1}));
    EXPECT_EQ(normalisedSpeed({100, 9}), (TBruch{8, 8}));
}

TEST(Pacing, LateFramesAreMadeUpByShorterWaitsAndTheLagIsBounded) {
    PlaybackPacer pacer;
    waitsFor(pacer, 1, 40, 0, {1, 1});
    // 100 ms for a frame 40 ms apart: 60 late
    EXPECT_EQ(pacer.afterFrame({1040, kDay}, 100, {1, 1}), 0);
    EXPECT_EQ(pacer.lag(), 60);
    EXPECT_EQ(pacer.afterFrame({1080, kDay}, 5, {1, 1}), 0);  // 35 of the 60 made up
    EXPECT_EQ(pacer.lag(), 25);
    EXPECT_EQ(pacer.afterFrame({1120, kDay}, 5, {1, 1}), 10);
    EXPECT_EQ(pacer.lag(), 0);

    // late at 1/8 counts against the slowed gap (320), not the recorded one
    pacer.afterFrame({1160, kDay}, 330, {1, 8});
    EXPECT_EQ(pacer.lag(), 10);

    // a player held up for a minute does not race through the next minute
    pacer.afterFrame({1200, kDay}, 60000, {1, 1});
    EXPECT_EQ(pacer.lag(), PlaybackPacer::kMaxLagMs);

    // a pause forgets the gap, not the lag: the frame after it comes at once
    pacer.forgetPrevious();
    EXPECT_EQ(pacer.afterFrame({90000, kDay}, 0, {1, 1}), 0);
    EXPECT_EQ(pacer.lag(), PlaybackPacer::kMaxLagMs);
}

TEST(Pacing, GapsAcrossMidnightBackwardsAndHuge) {
    // 20 ms before midnight to 20 ms after: 40, as any other gap
    EXPECT_EQ(PlaybackPacer::recordedGap({86399980, kDay}, {20, kDay + 1}), 40);
    PlaybackPacer pacer;
    EXPECT_EQ(waitsFor(pacer, 5, 40, 0, {1, 1}, {86400000 - 100, kDay}),
              (std::vector<std::int64_t>{0, 40, 40, 40, 40}));

    // a later frame stamped earlier: no wait, and nothing counted as lag
    EXPECT_EQ(pacer.afterFrame({1000, kDay}, 3, {1, 1}), 0);
    EXPECT_EQ(pacer.lag(), 0);
    // the time of day alone would call this 79999900 ms ahead
    EXPECT_EQ(PlaybackPacer::recordedGap({100, kDay + 1}, {80000000, kDay}), 0);
    // an hour or years of silence freeze the picture for a few seconds only
    EXPECT_EQ(PlaybackPacer::recordedGap({1000, kDay}, {1000 + 3600000, kDay}), PlaybackPacer::kMaxGapMs);
    EXPECT_EQ(PlaybackPacer::recordedGap({0, 1}, {0, 0x7FFFFFFF}), PlaybackPacer::kMaxGapMs);
    pacer.afterFrame({0, kDay}, 0, {1, 1});
    EXPECT_EQ(pacer.afterFrame({0, kDay + 3}, 0, {1, 8}), 8 * PlaybackPacer::kMaxGapMs);
}
