// Links made, dropped and used at once from three threads: a direct link, a
// link through a converter that comes and goes with it, and a state link.
// A broken rule shows as a time-out or a race report, not a hang.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "PinTestKit.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/PNRegistry.h"
#include "media/pins/PNStateDispatcher.h"

using namespace pintest;
using namespace std::chrono_literals;

namespace {

constexpr int kRounds = 200;

// A source of type A, and the converter from A to C for sinks of type C.
class Links : public ::testing::Test {
protected:
    Links() {
        TestConverter::log = &log;
        PNRegisterTypeConverter(kA, kC, &kAtoC);
    }
    TPNLibrary library;
    Log log;
    PNOwned<TestSource> source = makeSource({kA}, nullptr, nullptr, 0, log);
};

TEST_F(Links, LinkUnlinkAndNotifyFromThreeThreads) {
    auto stateSource = makeSource({kA}, nullptr, nullptr, 0, log);
    auto direct = PNMakePin<TestSink>("d", log, std::vector{kA});
    auto converted = PNMakePin<TestSink>("c", log, std::vector{kC});
    auto state = PNMakePin<TestSink>("s", log, std::vector{kA});
    const auto op = [] { return std::make_shared<TPNNotifyOperation>(); };

    auto linker = std::async(std::launch::async, [&] {
        for (int i = 0; i < kRounds; ++i) {
            direct->Connect(source.get());
            source->Connect(converted.get());
            stateSource->LinkToStateByName("Shared");
            state->LinkToStateByName("Shared");
        }
    });
    auto unlinker = std::async(std::launch::async, [&] {
        for (int i = 0; i < kRounds; ++i) {
            source->DisconnectFrom(*direct);
            converted->Connect(nullptr);
            state->Disconnect();
            if (i % 16 == 0) source->Disconnect();
        }
    });
    auto notifier = std::async(std::launch::async, [&] {
        for (int i = 0; i < kRounds; ++i) {
            source->Notify(op());
            direct->Notify(op());
            converted->Notify(op());
            stateSource->Notify(op());
            state->Notify(op());
            log.take();
        }
    });
    for (auto* f : {&linker, &unlinker, &notifier}) ASSERT_EQ(f->wait_for(60s), std::future_status::ready);

    // Both ends agree on every link, whatever order the threads ran in.
    for (TestSink* sink : {direct.get(), converted.get()})
        EXPECT_EQ(sink->GetSourcePin() == source.get(), source->IsConnectedTo(*sink));
    EXPECT_EQ(converted->IsConnected(), TestConverter::alive == 1);
    EXPECT_LE(TestConverter::alive, 1);
    source->Disconnect();
    state->Disconnect();
    stateSource->Disconnect();
    EXPECT_EQ(TestConverter::alive, 0);
    EXPECT_FALSE(stateSource->IsStateConnected());
    EXPECT_TRUE(TPNStateDispatcher::Names(false).empty());
}

// An unlink gives up the link lock while it waits for deliveries through the
// sink to end. Here the sink is linked again to the same source in that
// window: the unlink, when it takes the lock back, leaves the new link alone.
TEST_F(Links, ALinkMadeWhileAnUnlinkWaitsForDeliveriesStays) {
    auto sink = PNMakePin<TestSink>("c", log, std::vector{kC});
    ASSERT_TRUE(source->Connect(sink.get()));

    // Called with the link lock held by the unlinking thread, once the sink
    // has let go of its source: a delivery enters the sink and stays there
    // until another thread has linked the sink again.
    struct Relinker : IPNPinNotifier {
        TestSink* sink = nullptr;
        TPNSourcePin* source = nullptr;
        std::thread::id unlinker;
        bool done = false;
        std::future<void> delivery;
        void ChangePin(TPNBasicPin& pin) override {
            if (done || &pin != sink || std::this_thread::get_id() != unlinker || sink->GetSourcePin()) return;
            done = true;
            std::promise<void> entered;
            delivery = std::async(std::launch::async, [this, &entered] {
                const auto inside = sink->DestroyGuard().Lock();
                auto relink = std::async(std::launch::async, [this] { source->Connect(sink); });
                entered.set_value();
                relink.get();
            });
            entered.get_future().wait();
        }
    };
    auto relinker = std::make_shared<Relinker>();
    relinker->sink = sink.get();
    relinker->source = source.get();
    relinker->unlinker = std::this_thread::get_id();
    PNAddPinNotifier(relinker);
    sink->Connect(nullptr);
    PNRemovePinNotifier(relinker);
    ASSERT_TRUE(relinker->done);
    ASSERT_EQ(relinker->delivery.wait_for(60s), std::future_status::ready);

    EXPECT_EQ(sink->GetSourcePin(), source.get());
    EXPECT_TRUE(source->IsConnectedTo(*sink));
    EXPECT_EQ(TestConverter::alive, 1);
    source->Disconnect();
    EXPECT_EQ(TestConverter::alive, 0);
}

}  // namespace
