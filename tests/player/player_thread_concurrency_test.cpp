// The playback thread on the real clock against the main thread: a close
// while it waits for the main thread, long waits that give way to the
// controls, and controls pressed at random while it plays.

#include <gtest/gtest.h>

#include <random>

#include "PlayerTestView.h"

using namespace oculon::player;
using namespace oculon::player::test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class PlayerThreadConcurrency : public PlayerThreadTest {
protected:
    PlayerThreadConcurrency() { clock = nullptr; }
    // How long closing the recording takes, as the viewer closes it.
    Clock::duration close() {
        const auto t0 = Clock::now();
        thread.reset();
        return Clock::now() - t0;
    }
};

}  // namespace

TEST_F(PlayerThreadConcurrency, ClosingWhileTheThreadWaitsForTheMainThreadDoesNotDeadlock) {
    writeRecording(path("a.kvd"), 20, 64, 48);
    open("a.kvd");
    thread->Start();
    // nobody pumps: the thread reads a frame and waits in synchronize
    std::this_thread::sleep_for(100ms);
    EXPECT_LT(close(), 2s);
    loop.pumpFor(20ms);  // the withdrawn call is not run
    EXPECT_EQ(view.shows, 0);
}

TEST_F(PlayerThreadConcurrency, LongWaitsGiveWayToTheControlsAndToClosing) {
    {
        oculon::video::TMJPEGFile file(path("slow.kvd"), oculon::video::TMJPEGFile::kWrite);
        for (int i = 0; i < 4; ++i) file.writeFrame(testJpeg(64, 48, i), stampAt({1000, kMay2024}, i * 60000));
    }
    open("slow.kvd");
    thread->SetMultiplier({1, 8});
    thread->Start();
    // frames 0 and 1 at once, then 8 x 5 s before frame 2 ...
    ASSERT_TRUE(loop.pumpUntil([&] { return view.shows == 2; }, 5s));
    loop.pumpFor(50ms);
    EXPECT_EQ(view.shows, 2);
    // ... unless the speed changes. At x8 frame 3, the last, is skipped, so the
    // halt at the end follows frame 2 at once and shows frame 0, often within
    // the same pump: wait for the halt, not for a count of shown frames.
    const auto t0 = Clock::now();
    thread->SetMultiplier({8, 1});
    ASSERT_TRUE(loop.pumpUntil([&] { return view.stops == 1; }, 5s)) << timeline.text();
    EXPECT_LT(Clock::now() - t0, 2s);
    EXPECT_EQ(timeline.text(), "0 1 2 stop 0");
    // Slowly again from the start: 40 s after frame 1, which a close does not sit out.
    thread->SetMultiplier({1, 8});
    thread->Start();
    ASSERT_TRUE(loop.pumpUntil([&] { return view.shows == 6; }, 5s)) << timeline.text();
    loop.pumpFor(50ms);
    EXPECT_EQ(timeline.text(), "0 1 2 stop 0 0 1");
    EXPECT_LT(close(), 2s);
}

TEST_F(PlayerThreadConcurrency, ControlsFromTheMainThreadWhilePlaying) {
    writeRecording(path("a.kvd"), 40, 64, 48, {1000, kMay2024}, 5);
    open("a.kvd");
    std::mt19937 random(7);
    const auto until = Clock::now() + 1500ms;
    while (Clock::now() < until) {
        switch (random() % 8) {
            case 0: thread->Pause(); break;
            case 1: thread->Stop(); break;
            case 2: thread->SetMultiplier(kSpeeds[random() % kSpeeds.size()]); break;
            case 3: thread->SetFrame(static_cast<std::int32_t>(random() % 40)); break;
            default: thread->Start(); break;
        }
        (void)thread->isHalted();
        (void)thread->Breite();
        loop.pumpFor(std::chrono::milliseconds(random() % 5));
    }
    EXPECT_GT(view.shows, 40);
    EXPECT_LT(close(), 2s);
}
