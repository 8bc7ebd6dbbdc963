#pragma once
// Thin synchronisation objects of the media library, in the shape its filter
// threads and queues use them: a re-entrant critical section, a thread-owned
// mutex with a timed acquire, an event and a counting semaphore. Every wait
// blocks on a condition variable; none spins.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace oculon::pins {

// Re-entrant for the thread that holds it.
class TPNCriticalSection {
public:
    void Enter() { m_.lock(); }
    void Leave() { m_.unlock(); }
    // Satisfies Lockable, for std::lock_guard / std::unique_lock.
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex m_;
};

// A mutex owned by the thread that acquired it, re-entrant for that thread.
// A holder that ends without releasing abandons it: the next Acquire gets
// it, as from a holder that released it.
class TPNMutex {
public:
    TPNMutex();
    // True when acquired within `timeout`, also when it was abandoned.
    bool Acquire(std::chrono::milliseconds timeout);
    // False when the calling thread does not hold it.
    bool Release();

    struct State {
        std::mutex m;
        std::condition_variable cv;
        std::thread::id owner;
        int count = 0;
    };

private:
    // Shared with the holder's thread, which gives it up when it ends.
    std::shared_ptr<State> state_;
};

class TPNEvent {
public:
    // A manual-reset event stays signalled until Reset(); an auto-reset one
    // lets exactly one waiter through per Signal().
    TPNEvent(bool manualReset, bool initialState) : manual_(manualReset), signalled_(initialState) {}
    void Signal();
    void Reset();
    // True only when the event was signalled (not on time-out).
    bool WaitFor(std::chrono::milliseconds timeout);
    void WaitFor();  // without a limit

private:
    std::mutex m_;
    std::condition_variable cv_;
    const bool manual_;
    bool signalled_;
};

class TPNSemaphore {
public:
    TPNSemaphore(std::int32_t initialCount, std::int32_t maximumCount);
    // Adds `count` units; false (and nothing added) when that would pass the maximum or count < 1.
    bool Increment(std::int32_t count = 1);
    // Takes one unit; true only when it got one within `timeout`.
    bool Decrement(std::chrono::milliseconds timeout);
    void Decrement();  // without a limit

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::int32_t count_;
    const std::int32_t max_;
};

}  // namespace oculon::pins
