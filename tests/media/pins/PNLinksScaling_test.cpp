// Stored links whose notify-after pins run forward, in reverse, in a circle
// either way, in pairs, in random order, or name one pin twice, to pins not
// loaded or to pins of the same frame: loading them, the first delivery, a
// reload (also after a start), and the teardown of the source or of the
// sinks one by one each cost work that grows with the links as their number
// does. Work is counted in allocations and in calls the framework makes
// into the sinks, not in seconds. Only what allocates nothing per exchange,
// the notify-after pass and placeholders going, is timed, only against itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "media/pins/PNAfterPinOrder.h"
#include "media/pins/PNFormatConverter.h"
#include "media/pins/PNLibrary.h"
#include "media/pins/PNPersistence.h"
#include "media/pins/PNStandardOperations.h"
#include "media/pins/SGDataPins.h"

#include "StoredLinksKit.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<std::size_t> work{0};

void count() {
    if (counting.load(std::memory_order_relaxed)) work.fetch_add(1, std::memory_order_relaxed);
}

void* allocate(std::size_t size) {
    count();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

// Every form of plain new and delete, so that none pairs with another allocator's.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using namespace oculon;
using namespace oculon::pins;

// A sink that counts the framework's calls that walks through many links
// or pins make: a name search asks each pin whether it could be the one, a
// chain's re-negotiation goes to each sink, a pin's going is told to others
// (a sink's going to every other sink, so the square of them, left out).
class CountingSink : public TSGPNRealSinkPin {
public:
    using TSGPNRealSinkPin::TSGPNRealSinkPin;
    bool CouldBeNamed(std::string_view name) override {
        count();
        return TSGPNRealSinkPin::CouldBeNamed(name);
    }
    void ForthChainReconnect(const TGUID& a, const TGUID& b) override {
        count();
        TSGPNRealSinkPin::ForthChainReconnect(a, b);
    }
    void PinDeletedNotify(TPNBasicPin& pin) override {
        if (!dynamic_cast<CountingSink*>(&pin)) count();
        TSGPNRealSinkPin::PinDeletedNotify(pin);
    }
};

using Frame = storedlinks::Frame<CountingSink>;
using storedlinks::afterOf;

std::size_t countWork(const std::function<void()>& step) {
    work = 0;
    counting = true;
    step();
    counting = false;
    return work;
}

// The steps of a frame's life, each measured after those before it; some
// only with the sinks loaded, or only without.
struct Step {
    std::string name;
    std::function<void(Frame&)> run;
    std::optional<bool> loaded;
};

TEST(LinksScaling, NotifyAfterLinksInAnyOrderCostTheSameEachHoweverMany) {
    TPNLibrary library;
    const std::vector<Step> steps = {
        {"load", [](Frame& f) { f.load(); }, std::nullopt},
        {"first delivery", [](Frame& f) { f.out->Notify(std::make_shared<TPNNotifyOperation>()); }, std::nullopt},
        {"reload", [](Frame& f) { f.reload(); }, std::nullopt},
        // Each link made again gets the start replayed. (A loaded sink is
        // told whether it is last in the order each pass leaves, so there
        // the passes run one per link, as the rule has it.)
        {"start and reload",
         [](Frame& f) {
             f.out->Notify(std::make_shared<TPNStartOperation>());
             f.reload();
         },
         false},
        // In an order that cuts circles and chains everywhere.
        {"sinks one by one",
         [](Frame& f) {
             std::vector<std::size_t> gone(f.sinks.size());
             for (std::size_t i = 0; i < gone.size(); ++i) gone[i] = i;
             std::shuffle(gone.begin(), gone.end(), std::mt19937(7));
             for (const std::size_t i : gone) f.sinks[i].reset();
         },
         true},
        {"teardown",
         [](Frame& f) {
             f.out.reset();
             f.filter.reset();
         },
         std::nullopt},
    };
    for (const bool loaded : {false, true}) {
        for (const auto& order : storedlinks::kOrders) {
            std::vector<std::size_t> counted[2];
            for (int i = 0; i < 2; ++i) {
                Frame frame(order, 200 << i, loaded);
                for (const auto& step : steps)
                    if (step.loaded.value_or(loaded) == loaded)
                        counted[i].push_back(countWork([&] { step.run(frame); }));
            }
            for (std::size_t k = 0, s = 0; s < steps.size(); ++s) {
                if (steps[s].loaded.value_or(loaded) != loaded) continue;
                EXPECT_LE(counted[1][k], counted[0][k] * 22 / 10)
                    << (loaded ? "loaded, " : "not loaded, ") << order << ", " << steps[s].name << ": " << counted[0][k]
                    << " " << counted[1][k];
                ++k;
            }
        }
    }
    EXPECT_EQ(PNUnloadedPinCount(), 0u);
}

// The thread's processor time of the least disturbed of three runs.
double cpuSeconds(const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        timespec a{}, b{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
        run();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
        best = std::min(best,
                        static_cast<double>(b.tv_sec - a.tv_sec) + static_cast<double>(b.tv_nsec - a.tv_nsec) * 1e-9);
    }
    return best;
}

// `run(n)` with eight times the links takes about eight times the time, or
// up to twice that as the lists outgrow the caches; work done link by link
// for every link would take some sixty times.
void growsWithTheLinks(const std::string& what, int n, const std::function<std::function<void()>(int)>& make) {
    double seconds[2] = {};
    for (int i = 0; i < 2; ++i) seconds[i] = cpuSeconds(make(n << (3 * i)));
    EXPECT_LT(seconds[1], seconds[0] * 32) << what << ": " << seconds[0] << " s, " << seconds[1] << " s";
}

TEST(LinksScaling, WhatAllocatesNothingPerLinkGrowsWithTheLinksInTime) {
    // The notify-after pass, past pins waited for twice.
    for (const std::string order : {"twice", "random tree"}) {
        growsWithTheLinks(order, 2000, [&](int n) {
            std::vector<std::int32_t> sinks(n), afters(n);
            std::mt19937 random(n);
            for (int k = 0; k < n; ++k) {
                sinks[k] = k;
                const int after = order == "random tree" ? static_cast<int>(random() % n) : afterOf(order, k, n);
                afters[k] = after >= 0 && after < n ? after : kNoAfterPin;
            }
            return [sinks, afters] { PNAfterPinsFirst(sinks, afters); };
        });
    }
    TPNLibrary library;
    // Placeholders of a root that does not load tell none of the others as they go.
    growsWithTheLinks("placeholders going", 250, [](int n) { return [n] { Frame("forward", n, false).load(); }; });
    // The passes each replayed start asks for.
    std::vector<std::unique_ptr<Frame>> frames;
    growsWithTheLinks("a start and a reload", 250, [&](int n) {
        frames.push_back(std::make_unique<Frame>("cyclic", n, false));
        Frame& f = *frames.back();
        f.load();
        f.out->Notify(std::make_shared<TPNStartOperation>());
        return [&f] { f.reload(); };
    });
}

}  // namespace
