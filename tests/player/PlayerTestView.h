#pragma once
// A viewer and a clock for driving TPlayerThread in tests: the clock waits no
// real time, and both write what happens into one timeline ("3" for frame 3
// shown, "w40" for a wait of 40 ms, "stop" for the end of the recording).

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "TestRecordings.h"
#include "platform/MainLoop.h"
#include "player/PlayerThread.h"
#include "support/ChildProcess.h"

namespace oculon::player::test {

class Timeline {
public:
    void add(const std::string& event) {
        const std::lock_guard lock(mutex_);
        text_ += (text_.empty() ? "" : " ") + event;
    }
    std::string text() const {
        const std::lock_guard lock(mutex_);
        return text_;
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        text_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

class FakeClock : public PlaybackClock {
public:
    explicit FakeClock(Timeline& timeline) : timeline_(timeline) {}
    std::int64_t nowMs() override { return now.load(); }
    void waitFor(std::unique_lock<std::mutex>&, std::condition_variable&, std::int64_t ms,
                 const std::function<bool()>& interrupted) override {
        if (interrupted()) return;
        timeline_.add("w" + std::to_string(ms));
        now += ms;
    }
    std::atomic<std::int64_t> now{0};

private:
    Timeline& timeline_;
};

// Does what the viewer frame does: shows, and at the end halts on frame 0.
class TestView : public PlayerView {
public:
    explicit TestView(Timeline& timeline) : timeline_(timeline) {}

    void ShowImage(const ShownFrame& frame) override {
        ++shows;
        last = frame;
        timeline_.add(std::to_string(frame.frameNo));
        pictures.push_back(frame.picture ? frameCounterOf(*frame.picture) : -1);
        if (pictures.back() != frame.frameNo) ++wrongPictures;
        if (clock) clock->now += drawMs;
        if (onShow) onShow(frame);
    }
    void StopVideo() override {
        ++stops;
        timeline_.add("stop");
        thread->Stop();
    }

    TPlayerThread* thread = nullptr;
    FakeClock* clock = nullptr;
    int drawMs = 0, shows = 0, stops = 0;
    ShownFrame last;
    std::vector<int> pictures;  // the frame counter each shown picture carries
    int wrongPictures = 0;      // pictures whose counter is not their frame number
    std::function<void(const ShownFrame&)> onShow;

private:
    Timeline& timeline_;
};

// A recording opened in a playback thread, on the fake clock unless a test
// sets `clock` to null before opening.
class PlayerThreadTest : public ::testing::Test {
protected:
    void open(const std::string& name) {
        thread.reset();
        thread = std::make_unique<TPlayerThread>(view, path(name), clock);
        view.thread = thread.get();
        view.clock = clock.get();
        thread->Resume();
    }
    void startAndPumpUntilStopped() {
        const int stops = view.stops;
        thread->Start();
        ASSERT_TRUE(loop.pumpUntil([&] { return view.stops > stops; }, std::chrono::seconds(20))) << timeline.text();
        loop.pumpFor(std::chrono::milliseconds(20));
    }
    std::string path(const std::string& name) const { return tmp.path() + "/" + name; }

    testsupport::TempDir tmp;
    platform::ManualLoopBackend loop;
    Timeline timeline;
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>(timeline);
    TestView view{timeline};
    std::unique_ptr<TPlayerThread> thread;  // last: ends before the rest goes
};

}  // namespace oculon::player::test
