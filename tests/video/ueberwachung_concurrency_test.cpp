// The wall's tear-down of decoders off the main thread and the serial order
// of its operations: every decoder handed over is terminated at once and
// freed, also when the wait for it gives up; operations that arrive while
// one runs wait their turn.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Thread.h"
#include "video/ueberwachungAbbau.h"
#include "video/ueberwachungSerial.h"

namespace oculon::video {
namespace {

using namespace std::chrono_literals;

std::atomic<int> freed{0};

// Stands in for a decoder: runs until terminated, then takes `linger` to end.
class FakeDecoder : public platform::Thread {
public:
    // Outlives the decoder, which is freed on another thread.
    struct Record {
        std::atomic<std::thread::id> interruptedBy{};
    };

    explicit FakeDecoder(std::chrono::milliseconds linger, std::shared_ptr<Record> record = std::make_shared<Record>())
        : Thread("fake decoder"), linger_(linger), record_(std::move(record)) {}
    ~FakeDecoder() override { ++freed; }

protected:
    void Execute() override {
        while (sleepFor(5ms)) {}
        std::this_thread::sleep_for(linger_);
    }
    void interrupt() override {
        std::thread::id none{};
        record_->interruptedBy.compare_exchange_strong(none, std::this_thread::get_id());
    }

private:
    std::chrono::milliseconds linger_;
    std::shared_ptr<Record> record_;
};

bool eventually(const std::function<bool()>& pred, std::chrono::milliseconds bound = 5s) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

TEST(DecoderTeardown, FreesEveryDecoderAndReportsProgress) {
    freed = 0;
    DecoderTeardown teardown;
    for (int i = 0; i < 6; ++i) {
        auto record = std::make_shared<FakeDecoder::Record>();
        auto d = std::make_unique<FakeDecoder>(std::chrono::milliseconds(10 * i), record);
        d->Start();
        teardown.add(std::move(d));
        // Terminated on the handing thread, before any tear-down thread ran.
        EXPECT_EQ(record->interruptedBy.load(), std::this_thread::get_id());
    }
    teardown.add(nullptr);  // a tile whose decoder is gone already
    EXPECT_EQ(teardown.total(), 7u);
    std::vector<int> percents;
    EXPECT_TRUE(teardown.waitAll(5s, [&](int p) { percents.push_back(p); }));
    EXPECT_TRUE(freed.load() == 6 && teardown.remaining() == 0u);
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(percents.back() == 100 && std::is_sorted(percents.begin(), percents.end()));

    DecoderTeardown none;
    EXPECT_TRUE(none.waitAll(0ms));
}

TEST(DecoderTeardown, ADecoderNotWaitedForIsStillFreed) {
    freed = 0;
    {
        DecoderTeardown teardown;
        auto slow = std::make_unique<FakeDecoder>(300ms);
        slow->Start();
        teardown.add(std::move(slow));
        EXPECT_TRUE(!teardown.waitAll(20ms) && teardown.remaining() == 1u);
    }  // the wall gave up and went on
    EXPECT_TRUE(eventually([] { return freed.load() == 1; }));
    EXPECT_TRUE(platform::Thread::terminateDetached(5s));
}

TEST(SerialRunner, OperationsArrivingDuringOneRunAfterItInOrder) {
    SerialRunner runner;
    std::vector<std::string> log;
    runner.run([&] {
        log.push_back("layout start");
        EXPECT_TRUE(runner.busy());
        // What the tear-down's event processing may deliver meanwhile.
        runner.run([&] {
            log.push_back("1035");
            runner.run([&] { log.push_back("1036 answer"); });
        });
        runner.run([&] { throw std::runtime_error("broken"); });
        runner.run([&] { log.push_back("1034"); });
        EXPECT_EQ(runner.pending(), 3u);
        log.push_back("layout end");
    });
    EXPECT_FALSE(runner.busy());
    EXPECT_EQ(log, (std::vector<std::string>{"layout start", "layout end", "1035", "1034", "1036 answer"}));

    // A job that frees the runner's owner ends the loop cleanly.
    auto owned = std::make_unique<SerialRunner>();
    bool after = false;
    owned->run([&] {
        owned->run([&] { after = true; });
        owned.reset();
    });
    EXPECT_FALSE(after);
}

}  // namespace
}  // namespace oculon::video
