// Buffers from a data source through a pass-through filter, inline and on a
// worker in both queue modes, to counting sinks; the worker's queue limits,
// its end while producers wait, its failures and its priority; and the
// hand-off of the results to a pumped main loop.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <thread>

#include "FilterTestKit.h"
#include "platform/MainLoop.h"

using namespace filtertest;

namespace {

enum class Mode { Inline, Block, Drop };

struct Chain {
    TPNLibrary library;
    PNOwned<TSGPNSourcePin> source = PNMakePin<TSGPNSourcePin>(nullptr, nullptr);
    PNOwned<PassThrough> filter = PNOwned<PassThrough>::make();
    Counter a, b;

    explicit Chain(Mode mode, std::uint32_t queueSize = 15) {
        filter->Threading().SetEnabled(mode != Mode::Inline);
        filter->Threading().Queue().SetSize(queueSize);
        filter->Threading().Queue().SetFullMode(mode == Mode::Drop ? TSGQueueFullMode::fmDropData
                                                                   : TSGQueueFullMode::fmBlock);
        EXPECT_TRUE(filter->Input->Connect(source.get()));
        EXPECT_TRUE(a.pin->Connect(filter->Output.get()));
    }
    void start() { source->Notify(std::make_shared<TPNStartSampleRateOperation>(25.0)); }
};

class FilterChain : public ::testing::TestWithParam<Mode> {};

TEST_P(FilterChain, CarriesAStreamEndToEnd) {
    Chain c(GetParam(), 300);  // room for every buffer: nothing is dropped
    c.start();
    EXPECT_EQ(c.a.take(), std::vector<int>{-1});
    EXPECT_EQ(c.filter->FilterThread() != nullptr, GetParam() != Mode::Inline);

    // A sink linked after the start learns of it at once, from the filter's output.
    ASSERT_TRUE(c.b.pin->Connect(c.filter->Output.get()));
    EXPECT_EQ(c.b.take(), std::vector<int>{-1});

    for (int i = 0; i < 200; ++i) c.source->SubmitBuffer(numbered(static_cast<std::uint8_t>(i)));
    // The stop waits for the worker to finish what it queued: nothing is lost.
    c.source->Stop();
    auto expected = range(0, 200);
    expected.push_back(-2);
    EXPECT_EQ(c.a.take(), expected);
    EXPECT_EQ(c.b.take(), expected);
    EXPECT_EQ(c.filter->FilterThread(), nullptr);
    EXPECT_FALSE(c.filter->Running());

    // After the stop a new sink learns nothing; an unlinked sink is sent a stop, it alone.
    Counter late;
    ASSERT_TRUE(late.pin->Connect(c.filter->Output.get()));
    EXPECT_TRUE(late.take().empty());
    c.start();
    c.a.take();
    c.b.take();
    late.take();
    c.b.pin->Disconnect();                        // from the sink's end
    c.filter->Output->DisconnectFrom(*late.pin);  // from the source's end
    EXPECT_EQ(c.b.take(), std::vector<int>{-2});
    EXPECT_EQ(late.take(), std::vector<int>{-2});
    EXPECT_TRUE(c.a.take().empty());
    c.source->SubmitBuffer(numbered(7));
    c.source->Stop();
    EXPECT_EQ(c.a.take(), (std::vector<int>{7, -2}));
}

TEST_P(FilterChain, EachSinkWritesItsOwnCopyAndTheLastGetsTheMarker) {
    Chain c(GetParam());
    ASSERT_TRUE(c.b.pin->Connect(c.filter->Output.get()));
    c.a.keep = c.b.keep = true;
    c.start();
    // The first receiver writes into what it got: nobody else sees it.
    c.a.onBuffer = [](const ISGData& buffer) { SGDataBuffer(buffer)->ByteModify()[0] = 99; };
    const auto sent = SGDataBuffer(numbered(5));
    c.source->SubmitBuffer(sent);
    SGDataBuffer(sent)->ByteModify()[1] = 77;  // the producer goes on writing into its own
    c.source->Stop();
    ASSERT_EQ(c.a.kept.size(), 1u);
    ASSERT_EQ(c.b.kept.size(), 1u);
    const auto* fromA = SGDataBuffer(c.a.kept[0])->ByteRead();
    const auto* fromB = SGDataBuffer(c.b.kept[0])->ByteRead();
    EXPECT_EQ(fromA[0], 99);
    EXPECT_EQ(fromB[0], 5);
    EXPECT_EQ(fromB[1], 5);
    EXPECT_EQ(sent->ByteRead()[0], 5);
    // Fan-out order: the last served of each delivery is marked.
    const auto lastOf = [](const std::vector<unsigned>& m) { return m.at(1); };
    EXPECT_NE(lastOf(c.a.markers) == TPNNotifyStates{nsLastIteration}.marker(),
              lastOf(c.b.markers) == TPNNotifyStates{nsLastIteration}.marker());
}

INSTANTIATE_TEST_SUITE_P(Modes, FilterChain, ::testing::Values(Mode::Inline, Mode::Block, Mode::Drop));

// The worker holds the first buffer until released.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    int entered = 0;
    void pass() {
        std::unique_lock l(m);
        ++entered;
        cv.notify_all();
        cv.wait(l, [&] { return open; });
    }
    void waitEntered() {
        std::unique_lock l(m);
        cv.wait(l, [&] { return entered > 0; });
    }
    void release() {
        std::lock_guard l(m);
        open = true;
        cv.notify_all();
    }
};

TEST(FilterWorker, DropModeKeepsSizePlusOneWaiting) {
    Chain c(Mode::Drop);
    Gate gate;
    c.filter->hook = [&] { gate.pass(); };
    c.start();
    c.source->SubmitBuffer(numbered(0));
    gate.waitEntered();  // the worker is busy with buffer 0
    for (int i = 1; i <= 20; ++i) c.source->SubmitBuffer(numbered(static_cast<std::uint8_t>(i)));
    EXPECT_EQ(c.filter->FilterThread()->QueuedCount(), 16u);
    gate.release();
    c.source->Stop();
    auto expected = range(0, 17);  // the one in hand and 16 waiting
    expected.insert(expected.begin(), -1);
    expected.push_back(-2);
    EXPECT_EQ(c.a.take(), expected);
}

TEST(FilterWorker, BlockedProducerWakesWhenTheWorkerEnds) {
    Chain c(Mode::Block, 2);
    Gate gate;
    c.filter->hook = [&] { gate.pass(); };
    c.start();
    std::atomic<int> submitted{0};
    std::thread producer([&] {
        for (int i = 0; i < 10; ++i) {
            c.source->SubmitBuffer(numbered(static_cast<std::uint8_t>(i)));
            ++submitted;
        }
    });
    gate.waitEntered();
    // With one buffer in hand and at most three queued, the producer soon waits.
    while (submitted.load() < 3) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // It waits with the input lock given up.
    EXPECT_TRUE(c.filter->InputLock()->WriteLock());
    EXPECT_LT(submitted.load(), 10);
    // The stream is stopped while the producer waits: the worker ends, and
    // so does the wait.
    std::thread stopper([&] { c.filter->StreamStop(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    gate.release();
    stopper.join();
    producer.join();
    EXPECT_EQ(submitted.load(), 10);
}

TEST(FilterWorker, AFailingOperationIsReportedAndTheWorkerGoesOn) {
    Chain c(Mode::Block);
    c.filter->hook = [&] {
        static int n = 0;
        if (n++ == 1) throw std::runtime_error("broken frame");
    };
    c.start();
    for (int i = 0; i < 4; ++i) c.source->SubmitBuffer(numbered(static_cast<std::uint8_t>(i)));
    c.source->Stop();
    EXPECT_EQ(c.a.take(), (std::vector<int>{-1, 0, 2, 3, -2}));
}

TEST(FilterWorker, NamedAfterItsComponentWithItsPriority) {
    Chain c(Mode::Block);
    c.filter->Threading().SetPriority(TThreadPriority::tpLower);
    c.start();
    const auto worker = c.filter->FilterThread();
    EXPECT_EQ(worker->Name(), "Pass.TSGFilterThread");
    c.a.keep = true;
    c.source->SubmitBuffer(numbered(1));  // the worker runs: its id is known
    ASSERT_TRUE(c.a.waitFor(2));
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(worker->ThreadId())), 5);
    c.filter->Threading().SetPriority(TThreadPriority::tpIdle);  // at once, while running
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(worker->ThreadId())), 19);
    c.source->Stop();

    PNOwned<PassThrough> unnamed = PNOwned<PassThrough>::make("");
    TSGFilterThread thread(
        *unnamed, [](const IPNNotifyOperation&) {}, unnamed->Threading(), unnamed->InputLock());
    EXPECT_EQ(thread.Name(), "PassThrough.TSGFilterThread");
}

TEST(FilterWorker, ResultsReachThePumpedMainLoopInOrder) {
    oculon::platform::ManualLoopBackend loop;
    Chain c(Mode::Block, 4);
    std::vector<int> shown;
    std::thread::id shownOn;
    TSGMainThreadBufferQueue queue(
        [&](TSGMainThreadBufferQueue&, const ISGData& b) {
            shown.push_back(SGDataBuffer(b)->ByteRead()[0]);
            shownOn = std::this_thread::get_id();
        },
        8);
    c.a.onBuffer = [&](const ISGData& b) { queue.AddBuffer(b, true); };
    c.start();
    std::thread producer([&] {
        for (int i = 0; i < 100; ++i) c.source->SubmitBuffer(numbered(static_cast<std::uint8_t>(i)));
        c.source->Stop();
    });
    EXPECT_TRUE(loop.pumpUntil([&] { return shown.size() == 100; }, std::chrono::seconds(20)));
    producer.join();
    EXPECT_EQ(shown, range(0, 100));
    EXPECT_EQ(shownOn, std::this_thread::get_id());
}

}  // namespace

// A component torn down on the main thread while a source delivers to its
// input on another: the delivering thread asks whether the component is
// being destroyed while the main thread says so.
TEST(Teardown, AComponentGoesWhileItsSourceDelivers) {
    struct Consumer : TCBComponent {
        std::atomic<int> taken{0};
        PNOwned<TSGPNSinkPin> input = PNMakePin<TSGPNSinkPin>(
            this, FLock, [this](TPNBasicPin&, const TGUID&, const IPNNotifyOperation&, TPNNotifyStates) {
                ++taken;
                return true;
            });
    };
    TPNLibrary library;
    PNOwned<TSGPNSourcePin> source = PNMakePin<TSGPNSourcePin>(nullptr, nullptr);
    PNOwned<Consumer> consumer = PNOwned<Consumer>::make();
    ASSERT_TRUE(consumer->input->Connect(source.get()));
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread producer([&] {
        while (!stop.load()) {
            source->SubmitBuffer(numbered(1));
            ++sent;
        }
    });
    while (consumer->taken.load() < 10) std::this_thread::yield();
    consumer.reset();
    const int after = sent.load();
    while (sent.load() < after + 10) std::this_thread::yield();
    stop = true;
    producer.join();
    EXPECT_EQ(source->GetSinkCount(), 0u);
}

// A delivery that reached a filter's input just before the filter is torn
// down enters its dispatch only afterwards: the filter unlinks first, so the
// late delivery is refused instead of running into a half destroyed filter.
TEST(Teardown, AFilterUnlinksBeforeItsPartsGo) {
    struct Late : PassThrough {
        Gate* gate = nullptr;
        bool SinkDispatch(TPNBasicPin& pin, const TGUID& id, const IPNNotifyOperation& op,
                          TPNNotifyStates states) override {
            if (gate) gate->pass();
            return PassThrough::SinkDispatch(pin, id, op, states);
        }
    };
    TPNLibrary library;
    PNOwned<TSGPNSourcePin> source = PNMakePin<TSGPNSourcePin>(nullptr, nullptr);
    PNOwned<Late> filter = PNOwned<Late>::make();
    Counter after;
    ASSERT_TRUE(filter->Input->Connect(source.get()));
    ASSERT_TRUE(after.pin->Connect(filter->Output.get()));
    Gate gate;
    filter->gate = &gate;
    std::thread producer([&] { source->SubmitBuffer(numbered(1)); });
    gate.waitEntered();
    std::thread destroyer([&] { filter.reset(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    gate.release();
    producer.join();
    destroyer.join();
    EXPECT_EQ(source->GetSinkCount(), 0u);
    EXPECT_FALSE(after.pin->IsConnected());
}
