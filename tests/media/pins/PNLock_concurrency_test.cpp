// The lock rules with real threads: re-entry and exclusion, the stop that
// refuses other threads, unlock sections, the second-lock give-up of a long
// wait, the destroy guard, and deliveries that run while other threads lock,
// unlink and destroy. A broken rule shows as a time-out here, not a hang.
#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>
#include <set>
#include <thread>

#include "PinTestKit.h"
#include "media/pins/CBComponent.h"

using namespace pintest;
using namespace std::chrono_literals;

namespace {

constexpr auto kBound = 5s;  // far beyond any wait a correct lock has here

template <typename T>
bool ready(std::future<T>& f, std::chrono::milliseconds within = kBound) {
    return f.wait_for(within) == std::future_status::ready;
}

void waitUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + kBound;
    while (!pred() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(pred());
}

TEST(LockRules, ReentryExclusionAndStopRefusal) {
    TPNLock lock;
    auto outer = lock.WriteLock();
    ASSERT_TRUE(outer.held());
    auto other = std::async(std::launch::async, [&] { return lock.ReadLock().held(); });
    EXPECT_FALSE(ready(other, 50ms));  // excluded while held

    std::promise<void> stopTaken, stopEnd;
    auto stopper = std::async(std::launch::async, [&] {
        auto stop = lock.StopLock();
        stopTaken.set_value();
        stopEnd.get_future().wait();
        // Another thread's request is refused while the stop is held.
        return std::async(std::launch::async, [&] { return lock.WriteLock().held(); }).get();
    });
    waitUntil([&] { return lock.StopPending(); });
    ASSERT_TRUE(ready(other));
    EXPECT_FALSE(other.get());  // the queued request gave up when the stop came
    EXPECT_FALSE(std::async(std::launch::async, [&] { return lock.ReadLock().held(); }).get());
    {
        auto again = lock.ReadLock();  // the holder re-enters during the stop
        EXPECT_TRUE(again.held());
    }
    outer.release();
    stopTaken.get_future().wait();
    EXPECT_FALSE(lock.HeldByCurrentThread());
    stopEnd.set_value();
    ASSERT_TRUE(ready(stopper));
    EXPECT_FALSE(stopper.get());
    EXPECT_FALSE(lock.StopPending());
    EXPECT_TRUE(std::async(std::launch::async, [&] { return lock.WriteLock().held(); }).get());
}

TEST(LockRules, UnlockAllGivesBackExactlyWhatWasHeld) {
    TPNLock lock;
    std::vector<IPNLockSection> held;
    for (int i = 0; i < 3; ++i) held.push_back(lock.WriteLock());
    {
        auto free = lock.UnlockAll();
        EXPECT_FALSE(lock.HeldByCurrentThread());
        EXPECT_TRUE(std::async(std::launch::async, [&] { return lock.WriteLock().held(); }).get());
    }
    for (int i = 2; i >= 1; --i) {
        EXPECT_TRUE(lock.HeldByCurrentThread());
        held[i].release();
    }
    EXPECT_TRUE(lock.HeldByCurrentThread());
    held[0].release();
    EXPECT_FALSE(lock.HeldByCurrentThread());

    // An unlock section of a thread that holds nothing changes nothing.
    std::promise<void> taken, done;
    auto holder = std::async(std::launch::async, [&] {
        auto s = lock.WriteLock();
        taken.set_value();
        done.get_future().wait();
        return lock.HeldByCurrentThread();
    });
    taken.get_future().wait();
    lock.UnlockAll().release();
    done.set_value();
    EXPECT_TRUE(holder.get());
}

// A holds the pin and wants the owner; B holds the owner and waits for the
// pin with the owner as second lock. B gives the owner up after about 210 ms,
// A finishes, and B gets the owner back only after its pin section ends.
TEST(LockRules, LongWaitGivesUpTheSecondLockAndTakesItBack) {
    auto owner = std::make_shared<TPNLock>();
    TPNLock pin;
    std::promise<void> pinTaken, ownerTaken;
    auto a = std::async(std::launch::async, [&] {
        auto p = pin.WriteLock();
        pinTaken.set_value();
        ownerTaken.get_future().wait();
        auto o = owner->WriteLock();  // blocks until B gives the owner up
        return o.held();
    });
    auto b = std::async(std::launch::async, [&] {
        auto o = owner->WriteLock();
        ownerTaken.set_value();
        pinTaken.get_future().wait();
        const auto start = std::chrono::steady_clock::now();
        bool ownerBackAfter = false;
        {
            auto p = pin.WriteLock(owner.get());
            EXPECT_TRUE(p.held());
            EXPECT_FALSE(owner->HeldByCurrentThread());  // still given up inside the section
        }
        ownerBackAfter = owner->HeldByCurrentThread();
        return std::make_pair(ownerBackAfter, std::chrono::steady_clock::now() - start);
    });
    ASSERT_TRUE(ready(a));
    EXPECT_TRUE(a.get());
    ASSERT_TRUE(ready(b));
    const auto [ownerBack, waited] = b.get();
    EXPECT_TRUE(ownerBack);
    EXPECT_GE(waited, TPNLock::kSecondLockPatience);
}

// A refused request holds nothing and releases nothing: the holder's release
// still frees the lock for the stop that waits for it.
TEST(LockRules, RefusalPendingWhileTheHolderReleases) {
    TPNLock lock;
    auto held = lock.WriteLock();
    std::promise<void> stopTaken, stopEnd;
    auto stopper = std::async(std::launch::async, [&] {
        auto stop = lock.StopLock();
        stopTaken.set_value();
        stopEnd.get_future().wait();
    });
    waitUntil([&] { return lock.StopPending(); });
    std::promise<void> refused, refusalEnd;
    auto refusedThread = std::async(std::launch::async, [&] {
        auto r = lock.ReadLock();
        refused.set_value();
        refusalEnd.get_future().wait();  // the refused section lives on past the holder's release
        return r.held();
    });
    refused.get_future().wait();
    held.release();
    auto taken = stopTaken.get_future();
    ASSERT_TRUE(ready(taken));
    refusalEnd.set_value();
    EXPECT_FALSE(refusedThread.get());
    stopEnd.set_value();
    stopper.get();
    EXPECT_TRUE(std::async(std::launch::async, [&] { return lock.WriteLock().held(); }).get());
}

// Whether thread `tid` is asleep in the kernel (waiting for the lock).
bool asleep(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'S';
}

// Threads that find the lock held sleep until a release wakes one of them;
// each release passes the lock on, none is lost, and the plain counter shows
// that no two threads ever held it at once (a race report otherwise). A stop
// announced while they sleep wakes them to be refused before the holder
// lets go; afterwards the lock serves requests again.
TEST(LockRules, SleepersArePassedTheLockAndAStopWakesThemToRefuse) {
    TPNLock lock;
    constexpr int kThreads = 6, kRounds = 3000;
    long counter = 0;
    std::vector<std::future<void>> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.push_back(std::async(std::launch::async, [&] {
            for (int i = 0; i < kRounds; ++i) {
                auto w = lock.WriteLock();
                ASSERT_TRUE(w.held());
                ++counter;
                // Now and then a long section, so that the others really sleep.
                if (i % 500 == 0) std::this_thread::sleep_for(1ms);
            }
        }));
    }
    for (auto& w : workers) ASSERT_TRUE(ready(w, 60s));
    EXPECT_EQ(counter, long{kThreads} * kRounds);

    auto held = lock.WriteLock();
    constexpr int kSleepers = 3;
    std::vector<std::atomic<pid_t>> tids(kSleepers);
    std::vector<std::future<bool>> requests;
    for (int t = 0; t < kSleepers; ++t) {
        requests.push_back(std::async(std::launch::async, [&, t] {
            tids[t] = static_cast<pid_t>(syscall(SYS_gettid));
            return lock.WriteLock().held();
        }));
    }
    for (auto& tid : tids) waitUntil([&] { return tid != 0 && asleep(tid); });
    std::promise<void> stopEnd;
    auto stopper = std::async(std::launch::async, [&] {
        auto stop = lock.StopLock();
        stopEnd.get_future().wait();
    });
    for (auto& r : requests) {
        ASSERT_TRUE(ready(r));
        EXPECT_FALSE(r.get());
    }
    held.release();
    stopEnd.set_value();
    ASSERT_TRUE(ready(stopper));
    EXPECT_TRUE(std::async(std::launch::async, [&] { return lock.WriteLock().held(); }).get());
}

// An unlock section that ends while another thread holds a stop cannot wait
// for the lock (the stopper may wait for it): its holds are parked, and the
// outer sections end without releasing what the stopper holds.
TEST(LockRules, UnlockSectionEndingDuringAStopParksItsHolds) {
    TPNLock lock;
    auto outer = lock.WriteLock();
    std::promise<void> stopTaken, restored;
    std::future<void> stopper;
    {
        auto free = lock.UnlockAll();
        stopper = std::async(std::launch::async, [&] {
            auto stop = lock.StopLock();
            stopTaken.set_value();
            restored.get_future().wait();
            EXPECT_TRUE(lock.HeldByCurrentThread());
        });
        stopTaken.get_future().wait();
    }
    EXPECT_FALSE(lock.HeldByCurrentThread());
    outer.release();
    restored.set_value();
    ASSERT_TRUE(ready(stopper));
    EXPECT_TRUE(std::async(std::launch::async, [&] { return lock.WriteLock().held(); }).get());
}

TEST(LockRules, DestroyLockWaitsForOthersAndRefusesNewcomers) {
    TPNObject owner;
    TPNDestroyLock guard(owner);
    std::promise<void> inside, leave;
    auto user = std::async(std::launch::async, [&] {
        auto in = guard.Lock();
        inside.set_value();
        leave.get_future().wait();
        // The destroyer gave the owner's lock up while it waits.
        return owner.WriteLock().held();
    });
    inside.get_future().wait();
    auto ownerHeld = owner.WriteLock();
    auto destroyer = std::async(std::launch::async, [&] {
        auto d = guard.DestroyLock();
        return guard.Lock().held();  // the destroying thread still enters
    });
    waitUntil([&] { return !std::async(std::launch::async, [&] { return guard.Lock().held(); }).get(); });
    auto destroyed = std::async(std::launch::async, [&] {
        auto d = guard.DestroyLock();
        return true;
    });
    EXPECT_FALSE(ready(destroyed, 50ms));
    ownerHeld.release();
    leave.set_value();
    EXPECT_TRUE(user.get());
    ASSERT_TRUE(ready(destroyer));
    EXPECT_TRUE(destroyer.get());
    ASSERT_TRUE(ready(destroyed));
    EXPECT_TRUE(guard.Lock().held());  // all destructions ended

    // A thread inside the object may tear it down itself.
    auto in = guard.Lock();
    auto d = std::async(std::launch::async, [&] { return guard.DestroyLock().held(); });
    EXPECT_FALSE(ready(d, 50ms));  // another thread waits for this one
    in.release();
    ASSERT_TRUE(ready(d));
    in = guard.Lock();
    EXPECT_TRUE(guard.DestroyLock().held());
}

// A filter's lock is its input and output lock, taken in that order. A
// thread that gave the pair up (a pin's long wait, a delivery) takes it back
// in the same order: while it waits for the input it must not hold the
// output, which the input's holder takes next.
TEST(LockRules, PairedUnlockTakesTheFirstLockBackBeforeTheSecond) {
    auto input = std::make_shared<TPNLock>();
    auto output = std::make_shared<TPNLock>();
    TCBPairedLock paired(input, output, {});
    std::promise<void> givenUp, inputTaken;
    auto holder = std::async(std::launch::async, [&] {
        auto both = paired.WriteLock();
        {
            auto free = paired.UnlockAll();
            givenUp.set_value();
            inputTaken.get_future().wait();
        }  // waits here for the input
        return input->HeldByCurrentThread() && output->HeldByCurrentThread();
    });
    givenUp.get_future().wait();
    auto in = input->WriteLock();
    inputTaken.set_value();
    std::this_thread::sleep_for(100ms);
    auto out = std::async(std::launch::async, [&] { return output->WriteLock().held(); });
    EXPECT_TRUE(ready(out, 1s));  // the input's holder would wait here for ever
    in.release();
    ASSERT_TRUE(ready(holder));
    EXPECT_TRUE(holder.get());
    ASSERT_TRUE(ready(out));
    EXPECT_TRUE(out.get());
}

TEST(Operations, IdsAreUniqueAndRiseOnEveryThread) {
    constexpr int kPerThread = 2000;
    auto make = [] {
        std::vector<std::uint64_t> ids;
        for (int i = 0; i < kPerThread; ++i) ids.push_back(std::make_shared<TPNNotifyOperation>()->OperationID());
        return ids;
    };
    auto a = std::async(std::launch::async, make);
    auto b = std::async(std::launch::async, make);
    std::set<std::uint64_t> all;
    for (auto* f : {&a, &b}) {
        const auto ids = f->get();
        EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
        all.insert(ids.begin(), ids.end());
    }
    EXPECT_EQ(all.size(), 2u * kPerThread);
    EXPECT_GT(*all.begin(), 0u);
}

// While a handler runs, the delivering thread holds neither the pin's lock
// nor its owner's; it gets the owner back when the delivery ends.
TEST(Delivery, HandlersRunUnlockedAndOwnerLocksComeBack) {
    Log log;
    auto ownerLock = std::make_shared<TPNLock>();
    auto source = makeSource({kA}, nullptr, ownerLock);
    auto sink = PNMakePin<TestSink>("S", log, std::vector{kA});
    source->IntConnect(*sink, nullptr);
    sink->onReceive = [&](const IPNNotifyOperation&) {
        auto other = std::async(std::launch::async, [&] {
            auto o = ownerLock->WriteLock();
            auto p = source->WriteLock();
            return o.held() && p.held();
        });
        return ready(other) && other.get();
    };
    auto held = ownerLock->WriteLock();
    EXPECT_TRUE(source->Notify(std::make_shared<TPNNotifyOperation>()));
    EXPECT_TRUE(ownerLock->HeldByCurrentThread());
}

// Unlinking or destroying pins while another thread delivers through them
// waits until that delivery is done with them.
TEST(Delivery, PinsDestroyedDuringADeliveryWaitForIt) {
    Log log;
    auto source = makeSource({kA});
    auto first = PNMakePin<TestSink>("first", log, std::vector{kA});
    auto second = PNMakePin<TestSink>("second", log, std::vector{kA});
    source->IntConnect(*first, nullptr);
    source->IntConnect(*second, nullptr);
    std::promise<void> inHandler, goOn;
    auto goOnFuture = goOn.get_future().share();
    first->onReceive = [&](const IPNNotifyOperation&) {
        inHandler.set_value();
        goOnFuture.wait();
        return true;
    };
    auto delivery =
        std::async(std::launch::async, [&] { return source->Notify(std::make_shared<TPNNotifyOperation>()); });
    inHandler.get_future().wait();
    auto destroySink = std::async(std::launch::async, [&] { second.reset(); });
    EXPECT_FALSE(ready(destroySink, 100ms));
    goOn.set_value();
    ASSERT_TRUE(ready(delivery));
    EXPECT_TRUE(delivery.get());
    ASSERT_TRUE(ready(destroySink));
    EXPECT_EQ(source->GetSinkCount(), 1u);

    std::promise<void> inAgain;
    std::promise<void> release;
    auto releaseFuture = release.get_future().share();
    first->onReceive = [&](const IPNNotifyOperation&) {
        inAgain.set_value();
        releaseFuture.wait();
        return true;
    };
    delivery = std::async(std::launch::async, [&] { return source->Notify(std::make_shared<TPNNotifyOperation>()); });
    inAgain.get_future().wait();
    auto destroySource = std::async(std::launch::async, [&] { source.reset(); });
    EXPECT_FALSE(ready(destroySource, 100ms));
    release.set_value();
    ASSERT_TRUE(ready(delivery));
    ASSERT_TRUE(ready(destroySource));
    EXPECT_EQ(first->unlinked, 1);
}

}  // namespace

// Two threads fan out through one pin while a third links and unlinks a
// sink and the scores reorder the links: the deliveries share the pin's list
// of links and each one that was let in serves every sink that stayed
// linked exactly once, whatever changed meanwhile.
TEST(Delivery, FanOutsShareTheLinksWhileAnotherThreadRelinks) {
    Log log;
    auto source = makeSource({kA});
    std::vector<PNOwned<TestSink>> stay;
    std::vector<std::atomic<int>> received(3);
    for (int i = 0; i < 3; ++i) {
        stay.push_back(PNMakePin<TestSink>("s" + std::to_string(i), log, std::vector{kA}));
        source->IntConnect(*stay.back(), nullptr);
        // The middle one takes nothing, so the scores keep moving the order.
        stay.back()->onReceive = [&received, i](const IPNNotifyOperation&) {
            ++received[i];
            return i != 1;
        };
    }
    auto coming = PNMakePin<TestSink>("c", log, std::vector{kA});
    constexpr int kRounds = 300;
    std::atomic<bool> linking{true};
    auto relinker = std::async(std::launch::async, [&] {
        for (int i = 0; i < kRounds; ++i) {
            source->IntConnect(*coming, nullptr);
            source->DisconnectFrom(*coming);
        }
        linking = false;
    });
    const auto deliver = [&] {
        int served = 0;
        while (linking) {
            served += source->Notify(std::make_shared<TPNNotifyOperation>()) ? 1 : 0;
            log.take();
        }
        return served;
    };
    auto first = std::async(std::launch::async, deliver);
    auto second = std::async(std::launch::async, deliver);
    for (auto* f : {&first, &second}) ASSERT_TRUE(ready(*f, 60s));
    ASSERT_TRUE(ready(relinker, 60s));
    const int served = first.get() + second.get();
    for (auto& r : received) EXPECT_EQ(r, served);
    EXPECT_EQ(source->InSending(), 0);
    EXPECT_EQ(source->GetSinkCount(), 3u);
}
