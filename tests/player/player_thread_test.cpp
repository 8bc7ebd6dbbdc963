// The playback thread on a fake clock: what each speed shows and waits, the
// time spent drawing, pause and jumps, damaged and unfinished recordings.

#include <gtest/gtest.h>

#include <future>

#include "PlayerTestView.h"

using namespace oculon::player;
using namespace oculon::player::test;
using namespace std::chrono_literals;
using oculon::video::TMJPEGFile;
using oculon::video::TTimeStamp;

namespace {

constexpr int kW = 64, kH = 48;

// What a whole playback at a speed shows: every (skip + 1)-th frame, a wait
// of the scaled gap after each but the first and the last, then the stop,
// which shows frame 0 again.
std::string expectedPlayback(int frames, int gapMs, TBruch speed) {
    const int step = framesToSkip(speed) + 1;
    const std::int64_t wait = static_cast<std::int64_t>(step) * gapMs * speed.nenner / speed.zaehler;
    std::string out = "0";
    for (int n = step; n < frames; n += step) {
        out += " " + std::to_string(n);
        if (n + step > frames - 1) break;
        out += " w" + std::to_string(wait);
    }
    return out + " stop 0";
}

}  // namespace

TEST_F(PlayerThreadTest, OpensHaltedOnTheFirstFrame) {
    writeRecording(path("a.kvd"), 12, kW, kH, {1000, kMay2024}, 40);
    open("a.kvd");
    EXPECT_TRUE(thread->isHalted());
    EXPECT_EQ(thread->NumFrames(), 12);
    EXPECT_EQ(thread->StartTime(), (TTimeStamp{1000, kMay2024}));
    EXPECT_EQ(thread->CurrentTime(), (TTimeStamp{1000, kMay2024}));
    EXPECT_EQ(thread->EndTime(), (TTimeStamp{1440, kMay2024}));
    thread->SetFrame(0);
    thread->SetFrame(11);
    EXPECT_EQ(timeline.text(), "0 11");
    EXPECT_EQ(view.pictures, (std::vector<int>{0, 11}));
    EXPECT_EQ(view.last.frames, 12);
    EXPECT_EQ(view.last.time, (TTimeStamp{1440, kMay2024}));
    EXPECT_EQ(thread->Breite(), kW);
    EXPECT_EQ(thread->Hoehe(), kH);
    EXPECT_THROW(thread->SetFrame(12), oculon::video::EInvalidArgumentException);
    EXPECT_THROW(thread->SetFrame(-1), oculon::video::EInvalidArgumentException);
    loop.pumpFor(50ms);
    EXPECT_EQ(view.shows, 2);  // halted: nothing plays

    // A recording of one frame shows it once and stops.
    writeRecording(path("one.kvd"), 1, kW, kH);
    open("one.kvd");
    timeline.clear();
    startAndPumpUntilStopped();
    EXPECT_EQ(timeline.text(), "0 stop 0");
    EXPECT_TRUE(thread->isHalted());
}

TEST_F(PlayerThreadTest, EachSpeedShowsItsFramesWithItsWaitsLessTheTimeSpentDrawing) {
    writeRecording(path("a.kvd"), 50, kW, kH, {1000, kMay2024}, 40);
    for (const TBruch speed : kSpeeds) {
        open("a.kvd");
        timeline.clear();
        thread->SetMultiplier(speed);
        startAndPumpUntilStopped();
        EXPECT_EQ(timeline.text(), expectedPlayback(50, 40, speed)) << speed.zaehler << "/" << speed.nenner;
        EXPECT_TRUE(thread->isHalted());
    }
    EXPECT_EQ(view.wrongPictures, 0);

    writeRecording(path("b.kvd"), 5, kW, kH, {1000, kMay2024}, 40);
    open("b.kvd");
    timeline.clear();
    view.drawMs = 15;
    startAndPumpUntilStopped();
    EXPECT_EQ(timeline.text(), "0 1 w25 2 w25 3 w25 4 stop 0");
}

TEST_F(PlayerThreadTest, PauseForgetsTheGapAndAJumpRestartsThePacing) {
    writeRecording(path("a.kvd"), 30, kW, kH, {1000, kMay2024}, 40);
    open("a.kvd");
    view.onShow = [&](const ShownFrame& f) {
        if (f.frameNo == 3) thread->Pause();
        if (f.frameNo == 6) thread->SetFrame(20);
    };
    thread->Start();
    ASSERT_TRUE(loop.pumpUntil([&] { return view.shows == 4; }, 10s));
    loop.pumpFor(30ms);
    EXPECT_EQ(timeline.text(), "0 1 w40 2 w40 3");
    // after a restart the next two frames follow at once
    startAndPumpUntilStopped();
    EXPECT_EQ(timeline.text(),
              "0 1 w40 2 w40 3 4 5 w40 6 20 21 w40 22 w40 23 w40 24 w40 25 w40 26 w40 27 w40 28 w40 29 stop 0");
}

namespace {

// Holds the thread in its wait after frame 2 until released, so that the main
// thread knows which frame comes next: a free-running thread may hand over
// several frames within one pump.
class GatedClock : public FakeClock {
public:
    using FakeClock::FakeClock;
    void waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, std::int64_t ms,
                 const std::function<bool()>& interrupted) override {
        if (++waits_ == 2) {
            lock.unlock();
            (void)released_.wait_for(10s);  // bounded, so a failed test still closes
            lock.lock();
        }
        FakeClock::waitFor(lock, wake, ms, interrupted);
    }
    void release() { release_.set_value(); }

private:
    int waits_ = 0;  // the playback thread's alone
    std::promise<void> release_;
    std::shared_future<void> released_ = release_.get_future().share();
};

}  // namespace

TEST_F(PlayerThreadTest, AFrameReadBeforeAJumpIsNotShownAfterIt) {
    writeRecording(path("a.kvd"), 30, kW, kH, {1000, kMay2024}, 40);
    auto gated = std::make_shared<GatedClock>(timeline);
    clock = gated;
    open("a.kvd");
    thread->Start();
    ASSERT_TRUE(loop.pumpUntil([&] { return view.shows == 3; }, 10s)) << timeline.text();
    gated->release();
    std::this_thread::sleep_for(50ms);  // the thread reads frame 3 and waits for the main thread
    thread->Pause();
    thread->SetFrame(20);
    loop.pumpFor(100ms);
    // Frame 3 was read before the jump (or, on a slow machine, not at all): never shown.
    EXPECT_EQ(view.pictures, (std::vector<int>{0, 1, 2, 20})) << timeline.text();
}

TEST_F(PlayerThreadTest, DamagedRecordingsPlayWhatIsWholeAndAreRepairedOnOpening) {
    // Undecodable pictures keep the picture before them; a writer died
    // inside its next record.
    {
        TMJPEGFile file(path("d.kvd"), TMJPEGFile::kWrite);
        for (int i = 0; i < 6; ++i) {
            auto jpeg = testJpeg(kW, kH, i);
            if (i == 2) jpeg.assign(100, 0x55);            // not a picture at all
            if (i == 4) jpeg.resize(jpeg.size() * 2 / 3);  // cut short
            file.writeFrame(jpeg, stampAt({1000, kMay2024}, i * 40));
        }
    }
    std::ofstream(path("d.kvd"), std::ios::binary | std::ios::app) << std::string("\x10\x27\0\0", 4) << "junk";
    const std::string before = readAll(path("d.kvd"));
    for (int pass = 0; pass < 2; ++pass) {
        open("d.kvd");
        timeline.clear();
        view.pictures.clear();
        EXPECT_EQ(thread->NumFrames(), 6);
        EXPECT_ANY_THROW(thread->SetFrame(2));  // halted: shown at once, so its error shows too
        startAndPumpUntilStopped();
        // the failed jump still left the position on frame 2
        EXPECT_EQ(timeline.text(), "2 3 w40 4 w40 5 stop 0");
        EXPECT_EQ(view.pictures, (std::vector<int>{-1, 3, 3, 5, 0}));
        thread.reset();
        // the writer's unfinished record is gone, every whole one is kept
        EXPECT_EQ(readAll(path("d.kvd")), before.substr(0, before.size() - 8));
    }

    // Damaged records (frame 0's length, the boundary closing frame 3) are
    // passed over and the rest plays.
    writeRecording(path("r.kvd"), 6, kW, kH, {1000, kMay2024}, 40);
    std::string bytes = readAll(path("r.kvd"));
    bytes.replace(14 + 8, 8, std::string(8, '\xFF'));
    std::size_t boundary = 0;
    for (int i = 0; i <= 3; ++i) boundary = bytes.find("---KorvatFileBoundary", boundary + 1);
    bytes.replace(boundary, 3, "xxx");
    writeFile(path("r.kvd"), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    open("r.kvd");
    timeline.clear();
    view.pictures.clear();
    EXPECT_EQ(thread->NumFrames(), 6);
    EXPECT_EQ(thread->StartTime(), (TTimeStamp{1040, kMay2024}));
    startAndPumpUntilStopped();
    EXPECT_EQ(timeline.text(), "1 2 w40 4 w80 5 stop 1");
    EXPECT_EQ(view.pictures, (std::vector<int>{1, 2, 4, 5, 1}));
    thread->SetFrame(3);
    EXPECT_EQ(view.pictures.back(), 4);
}

TEST_F(PlayerThreadTest, ARecordingStillBeingWrittenIsPlayedAndLeftToItsWriter) {
    TMJPEGFile writer(path("live.kvd"), TMJPEGFile::kWrite);
    for (int i = 0; i < 8; ++i) writer.writeFrame(testJpeg(kW, kH, i), stampAt({1000, kMay2024}, i * 40));
    const std::string before = readAll(path("live.kvd"));
    open("live.kvd");
    EXPECT_EQ(thread->NumFrames(), 8);
    startAndPumpUntilStopped();
    EXPECT_EQ(view.pictures, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0}));
    thread.reset();
    EXPECT_EQ(readAll(path("live.kvd")), before);
    writer.writeFrame(testJpeg(kW, kH, 8), stampAt({1000, kMay2024}, 320));
    writer.close();
    EXPECT_EQ(TMJPEGFile(path("live.kvd"), TMJPEGFile::kRead).VideoFrames(), 9);

    // Files that are no recording raise on opening, and stay as they are;
    // the boundary text over the header's counts starts no record.
    tmp.write("text.kvd", "hello, this is no recording at all");
    tmp.write("empty.kvd", "");
    const std::string boundary = "---KorvatFileBoundary";
    const std::string header =
        "KRVID\x01" + boundary + std::string("\0\0\0\0\x01", 5) + std::string(15, '\0') + boundary;
    tmp.write("header.kvd", header);
    for (const char* name : {"text.kvd", "empty.kvd", "missing.kvd", "header.kvd"})
        EXPECT_ANY_THROW(TPlayerThread(view, path(name), clock)) << name;
    EXPECT_EQ(readAll(path("header.kvd")), header);
}
