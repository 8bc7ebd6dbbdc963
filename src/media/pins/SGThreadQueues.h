#pragma once
// The pieces that carry work across threads: a first-in-first-out list of
// notify operations, a locked list of pending data buffers, a notifier that
// runs a callback on the main thread, and the bounded hand-off of buffers to
// the main thread built from the last two. The main thread is that of the
// platform's main loop (platform/MainLoop.h), which tests pump by hand.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "media/pins/PNLock.h"
#include "media/pins/PNOperations.h"
#include "media/pins/PNSync.h"
#include "media/pins/SGGenericBuffer.h"

namespace oculon::pins {

// A queue of operations under an IPNLock. While the lock refuses sections (a
// stop is pending) every call does nothing and answers 0 or null.
class TSGOperationList {
public:
    // On `lock`, or on a lock of its own when none is given.
    explicit TSGOperationList(std::shared_ptr<IPNLock> lock = {});

    // Appends `op`; with `single` only the newest stays queued. The new count.
    std::size_t Push(const IPNNotifyOperation& op, bool single = false);
    // Puts `op` at the head, so it is popped next. The new count.
    std::size_t PushBack(const IPNNotifyOperation& op);
    // The head, taken off; null when empty.
    IPNNotifyOperation Pop();
    std::size_t ItemsCount();
    void Clear();

private:
    const std::shared_ptr<IPNLock> FLock;
    std::deque<IPNNotifyOperation> FList;
};

// Buffers waiting for a consumer on another thread. Each entry is a buffer
// object of its own on the buffer's data (MakeCopy), so the producer may go
// on writing into its own.
class TSGBufferList {
public:
    // False when nothing was added: a null buffer, or `queue` off while one
    // is pending already.
    bool Add(const ISGData& buffer, bool queue);
    // The oldest, taken off; false when none is pending.
    bool PopFirst(ISGData& buffer);
    // ERangeError past the end.
    ISGData GetVarItem(std::size_t index);
    std::size_t Count();
    // Takes every buffer off; the number taken.
    std::size_t Clear();

private:
    TPNCriticalSection FSection;
    std::deque<ISGData> FList;
};

// Runs a callback on the main thread. Notify may be called from any thread;
// at most one hand-off per notifier is outstanding, so any number of
// Notify calls before the callback runs give one call. Clearing the flag
// before the callback lets a Notify during the callback post again.
class TSGMainThreadNotify {
public:
    using TNotifyEvent = std::function<void(TSGMainThreadNotify& sender)>;

    explicit TSGMainThreadNotify(TNotifyEvent onNotify);
    // No callback runs after this returns. Made and destroyed on any thread;
    // off the main thread the destructor waits for a callback in progress.
    ~TSGMainThreadNotify();
    TSGMainThreadNotify(const TSGMainThreadNotify&) = delete;
    TSGMainThreadNotify& operator=(const TSGMainThreadNotify&) = delete;

    // On the main thread without `forceAsync` the callback runs at once;
    // otherwise a hand-off is posted unless one is outstanding.
    void Notify(bool forceAsync = false);
    // Clears the outstanding flag, then calls back.
    void SyncNotify();

private:
    const TNotifyEvent FOnNotify;
    std::atomic<bool> FSignaled{false};
    std::uint64_t FId = 0;
};

// Hands buffers from producer threads to a callback on the main thread, in
// the order they came, one per pass of the main loop. At most `capacity`
// (600) wait; a producer that finds them all taken waits until the main
// thread has delivered one, except on the main thread itself, which then
// delivers the oldest at once instead of waiting for itself.
class TSGMainThreadBufferQueue {
public:
    using TBufferEvent = std::function<void(TSGMainThreadBufferQueue& sender, const ISGData& buffer)>;
    static constexpr int kCapacity = 600;

    explicit TSGMainThreadBufferQueue(TBufferEvent onBuffer, int capacity = kCapacity);
    // Releases producers still waiting (their AddBuffer answers false), then
    // drops what is pending. No callback runs after this returns.
    ~TSGMainThreadBufferQueue();
    TSGMainThreadBufferQueue(const TSGMainThreadBufferQueue&) = delete;
    TSGMainThreadBufferQueue& operator=(const TSGMainThreadBufferQueue&) = delete;

    // With `queue` off a buffer that finds one pending is dropped. False
    // when dropped or when the queue is being destroyed.
    bool AddBuffer(const ISGData& buffer, bool queue);
    // Drops every pending buffer.
    void Clear();
    std::size_t Pending() { return FBufferQueue.Count(); }
    // Producers blocked in AddBuffer until a slot frees.
    int WaitingProducers();

private:
    // On the main thread: delivers the oldest pending buffer and asks for
    // another pass while more are pending. False when none was pending.
    bool ExtractBuffer();
    void giveBack(int slots);

    TBufferEvent FOnBuffer;
    TSGBufferList FBufferQueue;
    std::mutex m_;
    std::condition_variable space_;
    int freeSlots_;
    int producers_ = 0;  // inside AddBuffer
    int waiting_ = 0;    // of those, blocked for a slot
    bool closed_ = false;
    TSGMainThreadNotify FMainThreadNotify;  // last member: gone first
};

}  // namespace oculon::pins
