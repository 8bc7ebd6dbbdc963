// The link test of PNLinks_concurrency_test at a larger scale: many threads
// of each kind (linking, unlinking, sending), each choosing its next step
// at random, over many fresh sets of pins. Each trial ends by checking that
// both ends of every link agree. A failure names the trial and its seed;
// OCULON_STRESS_SEED=<seed> OCULON_STRESS_TRIALS=1 runs that trial again
// (the threads' timing still varies, so run it a few times).
//
// OCULON_STRESS_TRIALS (default 300), OCULON_STRESS_THREADS (linking and
// sending threads, default 4 of each), OCULON_STRESS_UNLINKERS (unlinking
// threads, default 4) and OCULON_STRESS_STEPS (steps per thread, default
// 400) set the size. Several unlinking threads matter: each gives up the
// link lock on its way, and a link made meanwhile between the same two pins
// must not be taken for the one being removed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <random>

#include "PinTestKit.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/PNStateDispatcher.h"

using namespace pintest;
using namespace std::chrono_literals;

namespace {

unsigned long envOr(const char* name, unsigned long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoul(v, nullptr, 10) : fallback;
}

struct Pins {
    Log log;
    PNOwned<TestSource> source = makeSource({kA}, nullptr, nullptr, 0, log);
    PNOwned<TestSource> stateSource = makeSource({kA}, nullptr, nullptr, 0, log);
    PNOwned<TestSink> direct = PNMakePin<TestSink>("d", log, std::vector{kA});
    PNOwned<TestSink> converted = PNMakePin<TestSink>("c", log, std::vector{kC});
    PNOwned<TestSink> state = PNMakePin<TestSink>("s", log, std::vector{kA});
};

using Step = std::function<void(Pins&)>;

const std::vector<Step> kLinkSteps = {
    [](Pins& p) { p.direct->Connect(p.source.get()); },          [](Pins& p) { p.source->Connect(p.direct.get()); },
    [](Pins& p) { p.source->Connect(p.converted.get()); },       [](Pins& p) { p.converted->Connect(p.source.get()); },
    [](Pins& p) { p.stateSource->LinkToStateByName("Shared"); }, [](Pins& p) { p.state->LinkToStateByName("Shared"); },
};

const std::vector<Step> kUnlinkSteps = {
    [](Pins& p) { p.source->DisconnectFrom(*p.direct); },
    [](Pins& p) { p.source->DisconnectFrom(*p.converted); },
    [](Pins& p) { p.direct->Connect(nullptr); },
    [](Pins& p) { p.converted->Connect(nullptr); },
    [](Pins& p) { p.state->Disconnect(); },
    [](Pins& p) { p.source->Disconnect(); },
};

const std::vector<Step> kNotifySteps = {
    [](Pins& p) { p.source->Notify(std::make_shared<TPNNotifyOperation>()); },
    [](Pins& p) { p.direct->Notify(std::make_shared<TPNNotifyOperation>()); },
    [](Pins& p) { p.converted->Notify(std::make_shared<TPNNotifyOperation>()); },
    [](Pins& p) { p.stateSource->Notify(std::make_shared<TPNNotifyOperation>()); },
    [](Pins& p) { p.state->Notify(std::make_shared<TPNNotifyOperation>()); },
    [](Pins& p) { p.log.take(); },
};

// Runs one trial; every thread draws its steps from a generator seeded by
// `seed` and its own number.
void runTrial(std::uint64_t seed, unsigned threadsPerKind, unsigned unlinkers, unsigned steps) {
    TPNLibrary library;
    Pins pins;
    TestConverter::log = &pins.log;
    PNRegisterTypeConverter(kA, kC, &kAtoC);

    std::vector<std::future<void>> threads;
    unsigned number = 0;
    for (const auto* kind : {&kLinkSteps, &kUnlinkSteps, &kNotifySteps}) {
        const unsigned count = kind == &kUnlinkSteps ? unlinkers : threadsPerKind;
        for (unsigned t = 0; t < count; ++t, ++number) {
            threads.push_back(std::async(std::launch::async, [&pins, kind, steps, s = seed * 1000 + number] {
                std::mt19937_64 random(s);
                std::uniform_int_distribution<std::size_t> pick(0, kind->size() - 1);
                for (unsigned i = 0; i < steps; ++i) (*kind)[pick(random)](pins);
            }));
        }
    }
    for (auto& f : threads) ASSERT_EQ(f.wait_for(120s), std::future_status::ready);

    for (TestSink* sink : {pins.direct.get(), pins.converted.get()})
        EXPECT_EQ(sink->GetSourcePin() == pins.source.get(), pins.source->IsConnectedTo(*sink))
            << (sink == pins.direct.get() ? "direct" : "through a converter");
    EXPECT_EQ(pins.converted->IsConnected(), TestConverter::alive == 1);
    EXPECT_LE(TestConverter::alive, 1);
    pins.source->Disconnect();
    pins.state->Disconnect();
    pins.stateSource->Disconnect();
    EXPECT_EQ(TestConverter::alive, 0);
    EXPECT_FALSE(pins.stateSource->IsStateConnected());
    EXPECT_TRUE(TPNStateDispatcher::Names(false).empty());
}

TEST(LinksStress, ManyThreadsLinkUnlinkAndNotifyAtRandom) {
    const auto trials = envOr("OCULON_STRESS_TRIALS", 300);
    const auto threads = static_cast<unsigned>(envOr("OCULON_STRESS_THREADS", 4));
    const auto unlinkers = static_cast<unsigned>(envOr("OCULON_STRESS_UNLINKERS", 4));
    const auto steps = static_cast<unsigned>(envOr("OCULON_STRESS_STEPS", 400));
    const std::uint64_t firstSeed = envOr("OCULON_STRESS_SEED", std::random_device{}());
    for (unsigned long trial = 0; trial < trials && !HasFailure(); ++trial) {
        const std::uint64_t seed = firstSeed + trial;
        SCOPED_TRACE("trial " + std::to_string(trial) + ", OCULON_STRESS_SEED=" + std::to_string(seed));
        runTrial(seed, threads, unlinkers, steps);
    }
}

}  // namespace
