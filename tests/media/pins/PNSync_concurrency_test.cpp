// The mutex of the filter threads and queues: a holder that ends without
// releasing leaves it to the next thread, while a live holder keeps it.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "media/pins/PNSync.h"

using namespace oculon::pins;
using namespace std::chrono_literals;

namespace {

TEST(Mutex, AnAbandonedMutexIsAcquiredAndALiveHolderKeepsIt) {
    TPNMutex mutex;
    std::thread([&] {
        ASSERT_TRUE(mutex.Acquire(0ms));
        ASSERT_TRUE(mutex.Acquire(0ms));  // re-entrant: two holds left behind
    }).join();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(mutex.Acquire(10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // at once, not after the time-out
    EXPECT_TRUE(mutex.Release());
    EXPECT_FALSE(mutex.Release());  // one hold taken, one given back

    // A thread waiting when the holder ends gets it then.
    std::promise<void> held, end;
    std::thread holder([&] {
        ASSERT_TRUE(mutex.Acquire(0ms));
        held.set_value();
        end.get_future().wait();
    });
    held.get_future().wait();
    EXPECT_FALSE(mutex.Acquire(20ms));  // the holder lives
    EXPECT_FALSE(mutex.Release());
    auto waiter = std::async(std::launch::async, [&] { return mutex.Acquire(10s) && mutex.Release(); });
    end.set_value();
    holder.join();
    EXPECT_TRUE(waiter.get());

    // Released properly, and then destroyed while a thread that held it lives on.
    std::promise<void> released, done;
    std::thread user([&] {
        auto gone = std::make_unique<TPNMutex>();
        ASSERT_TRUE(gone->Acquire(0ms));
        ASSERT_TRUE(gone->Release());
        gone.reset();
        released.set_value();
        done.get_future().wait();
    });
    released.get_future().wait();
    done.set_value();
    user.join();
}

}  // namespace
