// Buffers shared between threads: a producer keeps writing into its frame
// after sending copies of it, and consumers that hold, write and release
// their copies on their own threads must each see exactly the frame they
// were sent, stamp included; the pool meanwhile serves every thread and its
// clock trims. Run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "BufferTestKit.h"
#include "media/pins/SGRealBuffer.h"

using namespace oculon::pins;
using testkit::Media;

namespace {

class Queue {
public:
    void push(ISGData b) {
        {
            std::lock_guard l(m_);
            items_.push_back(std::move(b));
        }
        cv_.notify_one();
    }
    ISGData pop() {  // null ends the stream
        std::unique_lock l(m_);
        cv_.wait(l, [&] { return !items_.empty(); });
        ISGData b = std::move(items_.front());
        items_.pop_front();
        return b;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<ISGData> items_;
};

bool holds(const TSGGenericBuffer& b, std::uint8_t value) {
    return std::all_of(b.ByteRead(), b.ByteRead() + b.GetByteSize(), [&](std::uint8_t v) { return v == value; });
}

TEST(SharedBuffers, CopiesNeverSeeLaterWritesOnAnyThread) {
    constexpr int kConsumers = 4;
    constexpr int kFrames = 300;
    std::vector<Queue> queues(kConsumers);
    std::atomic<int> faults{0};
    std::vector<std::thread> consumers;
    for (auto& queue : queues)
        consumers.emplace_back([&] {
            std::shared_ptr<Media> previous;
            std::uint8_t previousValue = 0;
            while (const auto data = queue.pop()) {
                auto frame = std::static_pointer_cast<Media>(data);
                const auto value = static_cast<std::uint8_t>(frame->GetTimeStamp().BeginTime());
                if (!holds(*frame, value)) ++faults;
                if (previous && !holds(*previous, previousValue)) ++faults;
                // Every other frame is written here: only this copy changes.
                if (value % 2) std::fill_n(frame->ByteModify(), frame->GetByteSize(), std::uint8_t{0xEE});
                else previous = frame, previousValue = value;
            }
        });

    Media producer(64 * 1024);
    for (int k = 0; k < kFrames; ++k) {
        const auto value = static_cast<std::uint8_t>(k);
        std::fill_n(producer.ByteWrite(), producer.GetByteSize(), value);  // moves while copies are out
        producer.GetTimeStamp().SetBeginTime(k);
        for (auto& queue : queues) queue.push(producer.MakeCopy());
    }
    for (auto& queue : queues) queue.push(nullptr);
    for (auto& t : consumers) t.join();
    EXPECT_EQ(faults.load(), 0);
    EXPECT_TRUE(holds(producer, static_cast<std::uint8_t>(kFrames - 1)));
    EXPECT_EQ(producer.DataContainer()->CountTransports(), 1);
}

TEST(SharedBuffers, PoolServesEveryThreadWhileItsClockTrims) {
    TSGSmartBufferManager& pool = SGBufferManager();
    pool.SetClock(SGThreadClock(std::chrono::milliseconds(1)));
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([w] {
            for (int i = 0; i < 2000; ++i) {
                TSGRealBuffer a(static_cast<std::uint64_t>(1 + (i * 7 + w) % 300));
                a.SetValue(w);
                const TSGRealBuffer b(a);
                a.Resize(a.GetSize() + 100, true);  // shared: moves to a larger block
                if (b.GetItem(0) != w || a.GetItem(0) != w) ADD_FAILURE();
            }
        });
    for (auto& t : workers) t.join();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pool.ListCount() != 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(pool.ListCount(), 0u);
    pool.SetClock(SGThreadClock());
}

// Threads that take and give blocks of a few sizes while another trims and
// empties the pool: no block is ever lent to two of them at once (each
// fills its block with its own mark and finds it unchanged before giving
// it back).
TEST(SharedBuffers, NoPoolBlockIsLentTwiceWhileThreadsTakeGiveAndTrim) {
    TSGSmartBufferManager pool(SGNoClock());
    std::atomic<bool> done{false};
    std::atomic<int> faults{0};
    std::thread trimmer([&] {
        for (int round = 0; !done.load(); ++round) round % 50 ? (void)pool.OnTimer() : pool.ReleaseMemory();
    });
    std::vector<std::thread> workers;
    for (int w = 1; w <= 4; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < 20000; ++i) {
                const std::uint32_t size = 64u << (i % 3);
                auto* block = static_cast<std::uint8_t*>(pool.Allocate(size));
                std::memset(block, w, size);
                std::this_thread::yield();
                if (std::any_of(block, block + size, [w](std::uint8_t b) { return b != w; })) ++faults;
                pool.Deallocate(block, size);
            }
        });
    for (auto& t : workers) t.join();
    done = true;
    trimmer.join();
    EXPECT_EQ(faults.load(), 0);
}

}  // namespace
