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

// A link taken off a sink behind a converter waits, with the link lock given
// up, for a delivery through the converter's output to end. Meanwhile the
// same sink is linked to the same source again, and the new link takes the
// converter that is still in place. The old unlink, when it goes on, takes
// off only its own link at the converter's output: the sink keeps its new
// source, the source its entry, and the converter stays with the new link.
TEST_F(Links, ALinkMadeWhileTheOldOneLeavesItsConverterStays) {
    auto sink = PNMakePin<TestSink>("c", log, std::vector{kC});
    ASSERT_TRUE(source->Connect(sink.get()));
    IPNFormatConverter* const converter = sink->FormatConverter().get();  // kept by the link
    ASSERT_NE(converter, nullptr);
    std::promise<void> entered, leave;
    auto delivery = std::async(std::launch::async, [&, out = &converter->OutputPin()] {
        const auto inside = out->DestroyGuard().Lock();
        entered.set_value();
        leave.get_future().wait();
    });
    entered.get_future().wait();
    auto unlink = std::async(std::launch::async, [&] { source->DisconnectFrom(*sink); });
    // The source's entry goes before the converter's output is unlinked.
    for (int i = 0; i < 60000 && source->IsConnectedTo(*sink); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(source->IsConnectedTo(*sink));
    ASSERT_TRUE(source->Connect(sink.get()));
    EXPECT_EQ(sink->FormatConverter().get(), converter);
    leave.set_value();
    ASSERT_EQ(unlink.wait_for(60s), std::future_status::ready);
    delivery.get();

    EXPECT_EQ(sink->GetSourcePin(), source.get());
    EXPECT_TRUE(source->IsConnectedTo(*sink));
    EXPECT_EQ(TestConverter::alive, 1);
    source->Disconnect();
    EXPECT_FALSE(sink->IsConnected());
    EXPECT_EQ(TestConverter::alive, 0);
}

// Two threads take sinks off one source at once, each giving up the link
// lock while it waits for a delivery through its sink; the first finishes
// while the second still waits. The mark by which a source knows that a
// call comes back from the sink it is taking off belongs to each thread
// alone: once both have finished, the first thread's next unlink of its
// sink takes the link off at both ends.
TEST_F(Links, UnlinksFromTwoThreadsLeaveNoMarkBehind) {
    auto first = PNMakePin<TestSink>("1", log, std::vector{kA});
    auto second = PNMakePin<TestSink>("2", log, std::vector{kA});
    ASSERT_TRUE(first->Connect(source.get()));
    ASSERT_TRUE(second->Connect(source.get()));
    // A delivery inside each sink, until let go.
    const auto inside = [](TestSink& sink, std::future<void> leave) {
        std::promise<void> entered;
        auto held = std::async(std::launch::async, [&sink, &entered, leave = std::move(leave)] {
            const auto section = sink.DestroyGuard().Lock();
            entered.set_value();
            leave.wait();
        });
        entered.get_future().wait();
        return held;
    };
    const auto reached = [](const std::atomic<int>& unlinked) {
        for (int i = 0; i < 60000 && unlinked.load() == 0; ++i) std::this_thread::sleep_for(1ms);
        return unlinked.load() != 0;
    };
    std::promise<void> leaveFirst, leaveSecond, firstUnlinked, secondDone;
    auto inFirst = inside(*first, leaveFirst.get_future());
    auto inSecond = inside(*second, leaveSecond.get_future());
    auto firstThread = std::async(std::launch::async, [&, done = secondDone.get_future()] {
        source->DisconnectFrom(*first);
        firstUnlinked.set_value();
        done.wait();
        first->Connect(source.get());
        first->Connect(nullptr);
    });
    ASSERT_TRUE(reached(first->unlinked));
    // The second starts while the first waits, and waits until the first is done.
    auto secondThread = std::async(std::launch::async, [&] { source->DisconnectFrom(*second); });
    ASSERT_TRUE(reached(second->unlinked));
    leaveFirst.set_value();
    ASSERT_EQ(firstUnlinked.get_future().wait_for(60s), std::future_status::ready);
    leaveSecond.set_value();
    ASSERT_EQ(secondThread.wait_for(60s), std::future_status::ready);
    secondDone.set_value();
    ASSERT_EQ(firstThread.wait_for(60s), std::future_status::ready);
    inFirst.get();
    inSecond.get();

    EXPECT_EQ(first->GetSourcePin(), nullptr);
    EXPECT_FALSE(source->IsConnectedTo(*first));
    EXPECT_FALSE(source->IsConnectedTo(*second));
}

// Links to pins not loaded, each to be notified after the one before, are
// made and dropped while a second thread delivers through the source and a
// third links a real sink after the last of them: a placeholder stays while
// a link or an entry names it, and goes with the last, whichever thread
// lets go of it.
TEST_F(Links, PlaceholdersNamedAsNotifyAfterPinsComeAndGoWhileTheSourceDelivers) {
    auto real = PNMakePin<TestSink>("r", log, std::vector{kA});
    const auto name = [](int k) { return "Form9.Panel.In" + std::to_string(k); };
    auto linker = std::async(std::launch::async, [&] {
        for (int i = 0; i < kRounds; ++i) {
            std::vector<TPNBasicPin*> made;
            {
                const auto link = PNLinkSection();
                for (int k = 0; k < 4; ++k) {
                    TPNBasicPin* pin =
                        TPNInternalPinList::GetByNameCreate(nullptr, TPNPinType::ptSink, {}, name(k), name(k));
                    const TPNPinHold hold(pin);
                    if (source->ConnectAfter(pin, made.empty() ? nullptr : made.back())) made.push_back(pin);
                }
            }
            for (auto it = made.rbegin(); it != made.rend(); ++it) {
                const auto link = PNLinkSection();
                if (TPNBasicPin* pin = TPNInternalPinList::GetByIdentName(nullptr, (*it)->GetFullIdentName(true)))
                    source->DisconnectFrom(*pin);
            }
        }
    });
    auto follower = std::async(std::launch::async, [&] {
        for (int i = 0; i < kRounds; ++i) {
            {
                const auto link = PNLinkSection();
                TPNBasicPin* last = TPNInternalPinList::GetByIdentName(nullptr, name(3));
                const TPNPinHold hold(last);
                if (last) source->ConnectAfter(real.get(), last);
            }
            real->Disconnect();
        }
    });
    auto notifier = std::async(std::launch::async, [&] {
        for (int i = 0; i < kRounds; ++i) {
            source->Notify(std::make_shared<TPNNotifyOperation>());
            log.take();
        }
    });
    for (auto* f : {&linker, &follower, &notifier}) ASSERT_EQ(f->wait_for(60s), std::future_status::ready);
    source->Disconnect();
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
}

}  // namespace
