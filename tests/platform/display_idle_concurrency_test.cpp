// The screen-saver stop behind every stream pass runs at most once per
// interval, however many decoder threads ask at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/DisplayIdle.h"

using oculon::platform::ThrottledAction;
using namespace std::chrono_literals;

TEST(ThrottledAction, RunsOncePerIntervalWhateverTheAskers) {
    std::atomic<int> runs{0};
    ThrottledAction action([&] { ++runs; }, 1h);
    std::atomic<int> ran{0};
    std::vector<std::thread> askers;
    for (int t = 0; t < 8; ++t)
        askers.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) ran += action() ? 1 : 0;
        });
    for (auto& a : askers) a.join();
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(ran.load(), 1);

    ThrottledAction quick([&] { ++runs; }, 50ms);
    EXPECT_TRUE(quick());
    EXPECT_FALSE(quick());
    std::this_thread::sleep_for(60ms);
    EXPECT_TRUE(quick());
    EXPECT_EQ(runs.load(), 3);
}
