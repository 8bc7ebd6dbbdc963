#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/FolderWorker.h"
#include "platform/MainLoop.h"
#include "platform/Thread.h"

using namespace oculon::platform;
using namespace std::chrono_literals;

namespace {

struct Note : MessagePayload {
    explicit Note(int v, std::atomic<int>* freed = nullptr) : value(v), freed(freed) {}
    ~Note() override {
        if (freed) ++*freed;
    }
    int value;
    std::atomic<int>* freed;
};
constexpr std::uint32_t kNoteMessage = WM_USER + 1000;  // this test's own

class LambdaThread : public Thread {
public:
    LambdaThread(std::string name, std::function<void(LambdaThread&)> body)
        : Thread(std::move(name)), body_(std::move(body)) {}
    ~LambdaThread() override {
        Terminate();
        WaitFor(5s);
    }
    using Thread::sleepFor;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(LambdaThread&)> body_;
};

// A back-end whose wake-up returns only once the main thread has run the
// message it was woken for, or after a bound.
class SlowWakeBackend : public LoopBackend {
public:
    SlowWakeBackend() {
        MainLoop::instance().markMainThread();
        MainLoop::instance().setBackend(this);
    }
    ~SlowWakeBackend() override {
        MainLoop::instance().processPending();
        MainLoop::instance().setBackend(nullptr);
    }
    void wake() override {
        std::unique_lock lock(mutex);
        woken = true;
        changed.notify_all();
        ranWhileWaking = changed.wait_for(lock, 5s, [this] { return ran; });
    }
    std::uint64_t startTimer(std::chrono::milliseconds, std::function<void()>) override { return 0; }
    void stopTimer(std::uint64_t) override {}

    std::mutex mutex;
    std::condition_variable changed;
    bool woken = false;
    bool ran = false;
    bool ranWhileWaking = false;
};

}  // namespace

template <>
struct oculon::platform::MessagePayloadOf<kNoteMessage> {
    using type = Note;
};

TEST(Thread, TerminateWakesSleepAndWaitForIsBounded) {
    auto t = std::make_unique<LambdaThread>("sleeper", [](LambdaThread& self) {
        while (self.sleepFor(10s)) {}
    });
    EXPECT_TRUE(t->WaitFor(1ms));  // not started yet
    t->Start();
    EXPECT_FALSE(t->WaitFor(50ms));
    auto start = std::chrono::steady_clock::now();
    t->Terminate();
    EXPECT_TRUE(t->WaitFor(2s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(t->Finished());
}

TEST(Thread, SelfFreeingThreadsAreStoppedAtShutDownAlsoWhenTheyEndAtOnce) {
    // Execute() returning before Start() has even stored the thread handle.
    for (int i = 0; i < 200; ++i) Thread::startDetached(std::make_unique<LambdaThread>("quick", [](LambdaThread&) {}));
    std::atomic<int> ended{0};
    for (int i = 0; i < 4; ++i) {
        Thread::startDetached(std::make_unique<LambdaThread>("oneshot", [&ended](LambdaThread& self) {
            self.sleepFor(30s);
            ++ended;
        }));
    }
    EXPECT_TRUE(Thread::terminateDetached(2s));
    EXPECT_EQ(ended.load(), 4);
}

TEST(Thread, AReleasedThreadIsWaitedForByNobodyAndFreesItselfOnceItsCallReturns) {
    std::atomic<bool> callReturns{false};
    auto body = std::make_shared<int>();
    const std::weak_ptr<int> alive = body;
    auto stuck = std::make_unique<LambdaThread>("stuck", [&callReturns, body = std::move(body)](LambdaThread&) {
        for (int i = 0; i < 2000 && !callReturns; ++i) std::this_thread::sleep_for(1ms);
    });
    stuck->Start();
    const auto begin = std::chrono::steady_clock::now();
    Thread::release(std::move(stuck));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 200ms);
    EXPECT_FALSE(alive.expired());
    callReturns = true;
    for (int i = 0; i < 200 && !alive.expired(); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(alive.expired());
}

// A folder that stops answering: a job that does not return. What comes
// after it waits in order within the bounds, more is refused at once, a
// job that frees is always taken, and nobody waits for the thread: let go,
// it runs what it holds once the call returns, and its reports come on the
// main thread in order.
TEST(FolderWorker, AStuckJobHoldsUpNobodyButWhatQueuesBehindIt) {
    ManualLoopBackend backend;
    std::mutex mutex;
    std::condition_variable changed;
    bool answers = false;
    bool entered = false;
    std::vector<int> ran;
    const auto answer = [&] {
        std::lock_guard lock(mutex);
        answers = true;
        changed.notify_all();
    };
    auto worker = std::make_unique<FolderWorker>("stuck folder", FolderWorker::Limits{3, 100});
    ASSERT_TRUE(worker->post([&] {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return answers; });
    }));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return entered; }));
    }
    const auto note = [&](int n) {
        return [&, n] {
            std::lock_guard lock(mutex);
            ran.push_back(n);
        };
    };
    EXPECT_TRUE(worker->post(note(1), 60));
    EXPECT_FALSE(worker->post(note(2), 60)) << "over the bytes";
    EXPECT_TRUE(worker->post(note(3), 40));
    EXPECT_FALSE(worker->post(note(4))) << "over the jobs";
    EXPECT_TRUE(worker->post(note(5), 1000, FolderWorker::Admission::always));
    EXPECT_FALSE(worker->stuck(1h));
    std::this_thread::sleep_for(80ms);
    EXPECT_TRUE(worker->stuck(50ms));
    EXPECT_FALSE(worker->drain(20ms));

    std::vector<int> reported;
    const auto begin = std::chrono::steady_clock::now();
    for (int n : {6, 7}) {
        EXPECT_TRUE(worker->post(
            [&reported, n] {
                FolderWorker::report([&reported, n] {
                    EXPECT_TRUE(MainLoop::instance().isMainThread());
                    reported.push_back(n);
                });
            },
            0, FolderWorker::Admission::always));
    }
    worker.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s) << "let go, the worker is waited for by nobody";
    EXPECT_FALSE(FolderWorker::drainAll(20ms));
    answer();
    EXPECT_TRUE(FolderWorker::drainAll(5s));
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(ran, (std::vector<int>{1, 3, 5}));
    }
    ASSERT_TRUE(backend.pumpUntil([&] { return reported.size() == 2; }, 5s));
    EXPECT_EQ(reported, (std::vector<int>{6, 7}));
}

// The bound in bytes is shared fairly: a holder that comes while it is
// reached takes the room of the newest job of the one that holds most, as
// long as that one then still holds more; the workers of the process share
// one bound.
TEST(FolderWorker, TheBoundIsSharedFairlyAmongHolders) {
    std::mutex mutex;
    std::condition_variable changed;
    bool answers = false;
    auto worker = std::make_unique<FolderWorker>("shared folder", FolderWorker::Limits{1000, 1000});
    ASSERT_TRUE(worker->post([&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return answers; });
    }));
    std::vector<std::string> ran;
    std::map<std::string, int> dropped;
    const auto picture = [&](const std::string& name) {
        return std::pair{[&ran, &mutex, name] {
                             std::lock_guard lock(mutex);
                             ran.push_back(name);
                         },
                         [&dropped, name] { ++dropped[name.substr(0, 1)]; }};
    };
    const FolderWorker::Holder a = FolderWorker::newHolder(), b = FolderWorker::newHolder();
    const auto post = [&](FolderWorker::Holder holder, const std::string& name) {
        auto [job, lost] = picture(name);
        return worker->post(job, {100, holder, lost});
    };
    struct Row {
        FolderWorker::Holder holder;
        std::string name;
        bool taken;
        int droppedOfA;
    };
    const std::vector<Row> rows{{a, "a1", true, 0},  {a, "a2", true, 0},  {a, "a3", true, 0},   {a, "a4", true, 0},
                                {a, "a5", true, 0},  {a, "a6", true, 0},  {a, "a7", true, 0},   {a, "a8", true, 0},
                                {a, "a9", true, 0},  {a, "a10", true, 0}, {a, "a11", false, 0}, {b, "b1", true, 1},
                                {b, "b2", true, 2},  {b, "b3", true, 3},  {b, "b4", true, 4},   {b, "b5", true, 5},
                                {b, "b6", false, 5}, {a, "a12", false, 5}};
    for (const Row& row : rows) {
        EXPECT_EQ(post(row.holder, row.name), row.taken) << row.name;
        EXPECT_EQ(dropped["a"], row.droppedOfA) << row.name;
    }
    EXPECT_EQ(dropped["b"], 0);
    // A job that frees is taken all the same, and nobody's job is dropped for it.
    EXPECT_TRUE(worker->post([] {}, {500, 0, nullptr}, FolderWorker::Admission::always));

    // Another worker of the process shares the bound with this one's siblings.
    auto first = std::make_unique<FolderWorker>("first");
    auto second = std::make_unique<FolderWorker>("second");
    ASSERT_TRUE(first->post([&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return answers; });
    }));
    EXPECT_TRUE(first->post([] {}, FolderWorker::kMemoryBound / 4 * 3));
    EXPECT_FALSE(second->post([] {}, FolderWorker::kMemoryBound / 2));
    // A recording of a folder that answers takes its share from the one of a
    // folder that does not, on another worker: the newest picture goes.
    ASSERT_TRUE(second->post([&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return answers; });
    }));
    const FolderWorker::Holder stuck = FolderWorker::newHolder(), fine = FolderWorker::newHolder();
    int droppedOfStuck = 0;
    const auto eighth = [&](FolderWorker::Holder holder) {
        return FolderWorker::Load{FolderWorker::kMemoryBound / 8, holder, [&droppedOfStuck] { ++droppedOfStuck; }};
    };
    EXPECT_TRUE(first->post([] {}, eighth(stuck)) && first->post([] {}, eighth(stuck)));
    EXPECT_TRUE(second->post([] {}, eighth(fine)));
    EXPECT_EQ(droppedOfStuck, 1);
    EXPECT_FALSE(second->post([] {}, eighth(fine)));  // no more than the other holds
    EXPECT_EQ(droppedOfStuck, 1);
    {
        std::lock_guard lock(mutex);
        answers = true;
    }
    changed.notify_all();
    ASSERT_TRUE(worker->drain(5s) && first->drain(5s) && second->drain(5s));
    EXPECT_TRUE(second->post([] {}, FolderWorker::kMemoryBound / 2));
    std::lock_guard lock(mutex);
    EXPECT_EQ(ran, (std::vector<std::string>{"a1", "a2", "a3", "a4", "a5", "b1", "b2", "b3", "b4", "b5"}));
}

TEST(MainLoop, PostedMessagesRunOnTheMainThreadAndFreeTheirPayloadGoneTargetOrNot) {
    ManualLoopBackend backend;
    std::atomic<int> freed{0};
    std::vector<int> seen;
    bool onMain = true;
    MessageTarget target([&](Message& m) {
        onMain = onMain && MainLoop::instance().isMainThread();
        // Not taken: the loop frees it after the handler.
        seen.push_back(m.hasPayload() ? static_cast<int>(m.wParam) : -1);
    });
    LambdaThread worker("poster", [&](LambdaThread&) {
        for (int i = 0; i < 50; ++i)
            MainLoop::instance().post<kNoteMessage>(target.id(), std::make_unique<Note>(i, &freed),
                                                    static_cast<std::uintptr_t>(i));
    });
    worker.Start();
    ASSERT_TRUE(backend.pumpUntil([&] { return seen.size() == 50; }, 5s));
    EXPECT_TRUE(onMain);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(freed.load(), 50);

    // Messages to a target that is gone are dropped, and freed too.
    TargetId gone;
    {
        MessageTarget shortLived([](Message&) { FAIL(); });
        gone = shortLived.id();
    }
    MainLoop::instance().post<kNoteMessage>(gone, std::make_unique<Note>(1, &freed));
    backend.pumpOnce();
    EXPECT_EQ(freed.load(), 51);
}

TEST(MainLoop, TheMainThreadTakesAMessageWhileItsPosterIsStillWakingTheLoop) {
    SlowWakeBackend backend;
    MessageTarget target([&](Message&) {
        std::lock_guard lock(backend.mutex);
        backend.ran = true;
        backend.changed.notify_all();
    });
    LambdaThread poster("poster", [&](LambdaThread&) { MainLoop::instance().post(target.id(), 1); });
    poster.Start();
    {
        std::unique_lock lock(backend.mutex);
        ASSERT_TRUE(backend.changed.wait_for(lock, 5s, [&] { return backend.woken; }));
    }
    // The poster is inside the wake-up now; the queue must be free all the same.
    MainLoop::instance().processPending();
    EXPECT_TRUE(poster.WaitFor(5s));
    EXPECT_TRUE(backend.ranWhileWaking);
}

TEST(MainLoop, SynchronizeRunsOnMainAndGivesUpWhenTerminated) {
    ManualLoopBackend backend;
    std::atomic<int> ran{0};
    std::atomic<bool> gaveUp{false};
    LambdaThread worker("sync", [&](LambdaThread& self) {
        int local = 7;
        EXPECT_TRUE(MainLoop::instance().synchronize([&] {
            EXPECT_TRUE(MainLoop::instance().isMainThread());
            ran += local;
        }));
        // The main thread stops pumping: the next call must give up once terminated.
        while (!self.Terminated()) {
            if (!MainLoop::instance().synchronize([&] { ran += 1000; })) gaveUp = true;
        }
    });
    worker.Start();
    ASSERT_TRUE(backend.pumpUntil([&] { return ran.load() >= 7; }, 5s));
    std::this_thread::sleep_for(20ms);
    // Waiting for the worker without pumping would deadlock if synchronize() did not give up.
    worker.Terminate();
    EXPECT_TRUE(worker.WaitFor(5s));
    EXPECT_TRUE(gaveUp.load());
    backend.pumpOnce();  // the withdrawn call must not run now
    EXPECT_EQ(ran.load() % 1000, 7);
}

TEST(MainLoop, TimersTickOnThePumpUntilStopped) {
    ManualLoopBackend backend;
    int ticks = 0;
    Timer timer;
    timer.setInterval(10ms);
    timer.setOnTimer([&] {
        if (++ticks == 3) timer.setEnabled(false);
    });
    timer.setEnabled(true);
    backend.pumpFor(150ms);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer.enabled());
}
