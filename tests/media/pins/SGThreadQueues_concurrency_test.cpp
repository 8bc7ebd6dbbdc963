// The operation and buffer lists, the main-thread notifier and the bounded
// hand-off of buffers to the main thread, on a main loop pumped by hand.
#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <thread>

#include "FilterTestKit.h"
#include "platform/MainLoop.h"

using namespace filtertest;
using oculon::platform::ManualLoopBackend;

namespace {

TEST(OperationList, SingleKeepsTheNewestAndPushBackJumpsTheQueue) {
    TSGOperationList list;
    const auto a = std::make_shared<TPNNotifyOperation>(), b = std::make_shared<TPNNotifyOperation>(),
               c = std::make_shared<TPNNotifyOperation>();
    for (const auto& op : {a, b, c}) list.Push(op);
    EXPECT_EQ(list.Push(a, true), 1u);
    EXPECT_EQ(list.Pop(), a);
    list.Push(a);
    list.Push(b);
    EXPECT_EQ(list.PushBack(c), 3u);
    EXPECT_EQ(list.Pop(), c);
    EXPECT_EQ(list.Pop(), a);
    EXPECT_EQ(list.Pop(), b);
    EXPECT_EQ(list.Pop(), nullptr);
    // While its lock is being stopped by another thread, the list refuses.
    auto lock = std::make_shared<TPNLock>();
    TSGOperationList stopped(lock);
    const auto stop = lock->StopLock();
    std::thread([&] {
        EXPECT_EQ(stopped.Push(a), 0u);
        EXPECT_EQ(stopped.Pop(), nullptr);
    }).join();
}

TEST(BufferList, HoldsItsOwnCopiesAndDropsWhenNotQueueing) {
    TSGBufferList list;
    const auto first = numbered(1);
    EXPECT_TRUE(list.Add(first, false));
    EXPECT_FALSE(list.Add(numbered(2), false));  // one pending: dropped
    EXPECT_TRUE(list.Add(numbered(3), true));
    EXPECT_NE(list.GetVarItem(0), first);  // a buffer object of its own on the same data
    EXPECT_EQ(SGDataBuffer(list.GetVarItem(0))->DataContainer(), SGDataBuffer(first)->DataContainer());
    EXPECT_THROW(list.GetVarItem(2), ERangeError);
    EXPECT_FALSE(list.Add(nullptr, true));
    EXPECT_EQ(list.Clear(), 2u);
}

TEST(MainThreadNotify, OneCallbackPerOutstandingHandOff) {
    ManualLoopBackend loop;
    int calls = 0;
    TSGMainThreadNotify notifier([&](TSGMainThreadNotify&) { ++calls; });
    std::thread([&] {
        for (int i = 0; i < 3; ++i) notifier.Notify();
    }).join();
    EXPECT_EQ(calls, 0);
    loop.pumpOnce();
    EXPECT_EQ(calls, 1);
    notifier.Notify();  // on the main thread: at once
    EXPECT_EQ(calls, 2);
    notifier.Notify(true);  // forced through the loop
    EXPECT_EQ(calls, 2);
    loop.pumpOnce();
    EXPECT_EQ(calls, 3);

    // A notifier gone before its hand-off ran is not called, not even when
    // another lives at its address.
    int goneCalls = 0;
    std::optional<TSGMainThreadNotify> gone;
    gone.emplace([&](TSGMainThreadNotify&) { ++goneCalls; });
    gone->Notify(true);
    gone.reset();
    gone.emplace([&](TSGMainThreadNotify&) { goneCalls += 10; });
    loop.pumpOnce();
    EXPECT_EQ(goneCalls, 0);
}

// A callback may run a nested loop (a message box does), which calls other
// notifiers back meanwhile; a thread that destroys the first notifier still
// waits until its callback has returned.
TEST(MainThreadNotify, DestructionWaitsForACallbackAcrossNestedOnes) {
    ManualLoopBackend loop;
    TSGMainThreadNotify nested([](TSGMainThreadNotify&) {});
    std::promise<void> entered;
    std::atomic<bool> destroyed{false};
    bool destroyedDuringCallback = true;
    auto outer = std::make_unique<TSGMainThreadNotify>([&](TSGMainThreadNotify&) {
        entered.set_value();
        nested.Notify(true);
        loop.pumpOnce();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        destroyedDuringCallback = destroyed.load();
    });
    outer->Notify(true);
    std::thread destroyer([&] {
        entered.get_future().wait();
        outer.reset();
        destroyed = true;
    });
    loop.pumpOnce();
    destroyer.join();
    EXPECT_FALSE(destroyedDuringCallback);
}

TEST(MainThreadBufferQueue, DeliversEveryBufferInOrder) {
    ManualLoopBackend loop;
    std::vector<int> got;
    TSGMainThreadBufferQueue queue([&](auto&, const ISGData& b) { got.push_back(SGDataBuffer(b)->ByteRead()[0]); });
    std::thread([&] {
        for (int i = 0; i < 5; ++i) queue.AddBuffer(numbered(static_cast<std::uint8_t>(i)), true);
    }).join();
    // Added while a hand-off was outstanding, the last ones still arrive.
    loop.pumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(got, range(0, 5));

    EXPECT_TRUE(queue.AddBuffer(numbered(5), false));
    EXPECT_FALSE(queue.AddBuffer(numbered(6), false));  // not queueing: one is pending
    queue.Clear();
    EXPECT_TRUE(queue.AddBuffer(numbered(7), false));  // the slots came back
    loop.pumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(got.back(), 7);
}

TEST(MainThreadBufferQueue, AFullQueueHoldsItsProducerUntilTheMainThreadDelivers) {
    ManualLoopBackend loop;
    int delivered = 0;
    TSGMainThreadBufferQueue queue([&](auto&, const ISGData&) { ++delivered; }, 3);
    std::atomic<int> added{0};
    std::thread producer([&] {
        for (int i = 0; i < 4; ++i) added += queue.AddBuffer(numbered(1), true);
    });
    while (added.load() < 3) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(added.load(), 3);  // the fourth waits
    EXPECT_TRUE(loop.pumpUntil([&] { return delivered == 4; }, std::chrono::seconds(10)));
    producer.join();
    EXPECT_EQ(added.load(), 4);

    // On the main thread a full queue delivers its oldest instead of waiting for itself.
    for (int i = 0; i < 4; ++i) queue.AddBuffer(numbered(1), true);
    EXPECT_EQ(delivered, 5);
}

TEST(MainThreadBufferQueue, DestructionReleasesAWaitingProducer) {
    ManualLoopBackend loop;
    auto queue = std::make_unique<TSGMainThreadBufferQueue>([](auto&, const ISGData&) {}, 1);
    queue->AddBuffer(numbered(1), true);
    std::atomic<int> result{-1};
    std::thread producer([q = queue.get(), &result] { result = q->AddBuffer(numbered(2), true); });
    // The queue may only go once the producer is inside AddBuffer, blocked.
    while (queue->WaitingProducers() == 0) std::this_thread::yield();
    EXPECT_EQ(result.load(), -1);
    queue.reset();
    producer.join();
    EXPECT_EQ(result.load(), 0);
}

}  // namespace
