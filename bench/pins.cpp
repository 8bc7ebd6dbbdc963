// The pin framework's lock and fan-out against the plain C++ equivalents in
// the same run: a write section of TPNLock against std::recursive_mutex with
// std::lock_guard, uncontended and with 4 threads on one lock (each critical
// section bumps a shared counter), and one notification fanned out to 1, 4
// and 16 sinks against a bare loop calling the same handlers through
// std::function. No peer library does this work: the plain equivalents
// stand in as the peers. The table at the end prints the ratios
// (bench/README.md); no memcpy anchor, as memory bandwidth is not the limit.

#include <benchmark/benchmark.h>

#include <mutex>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "media/pins/PNPins.h"

using namespace oculon::pins;
namespace rules = oculon::bench;

namespace {

constexpr TGUID kType = PNGuid("{5E1F0000-0000-4000-8000-00000000BE4C}");

// Each lock and each counter on a cache line of its own, so that neither
// line's figure depends on where the other's fields happen to fall.
struct Shared {
    alignas(64) TPNLock lock;
    alignas(64) long lockCounter = 0;
    alignas(64) std::recursive_mutex mutex;
    alignas(64) long mutexCounter = 0;
};
Shared& shared() {
    static Shared s;
    return s;
}

void BM_Section_ours(benchmark::State& state) {
    auto& s = shared();
    for (auto _ : state) {
        auto section = s.lock.WriteLock();
        benchmark::DoNotOptimize(++s.lockCounter);
    }
}

void BM_Section_mutex(benchmark::State& state) {
    auto& s = shared();
    for (auto _ : state) {
        std::lock_guard l(s.mutex);
        benchmark::DoNotOptimize(++s.mutexCounter);
    }
}

class Sink : public TPNPin {
public:
    Sink() : TPNPin(nullptr, nullptr) { DeclareInterface(kType); }
    TPNPinType GetPinType() const override { return TPNPinType::ptSink; }
    long received = 0;
};

bool receive(TPNBasicPin& receiver, const TGUID&, TPNNotifyStates, const IPNNotifyOperation&) {
    ++static_cast<Sink&>(receiver).received;
    return true;
}

struct FanOut {
    PNOwned<TPNSourcePin> source = PNMakePin<TPNSourcePin>(nullptr, nullptr);
    std::vector<PNOwned<Sink>> sinks;
    std::vector<std::pair<TPNSubmitFunction, Sink*>> bare;
    explicit FanOut(int n) {
        source->AddType(kType, receive);
        for (int i = 0; i < n; ++i) {
            sinks.push_back(PNMakePin<Sink>());
            source->IntConnect(*sinks.back(), nullptr);
            bare.emplace_back(receive, sinks.back().get());
        }
    }
    long received() const {
        long total = 0;
        for (const auto& s : sinks) total += s->received;
        return total;
    }
};

void BM_FanOut_ours(benchmark::State& state, int sinks) {
    FanOut f(sinks);
    f.source->Notify(std::make_shared<TPNNotifyOperation>());
    if (f.received() != sinks) state.SkipWithError("not every sink was served");
    for (auto _ : state) benchmark::DoNotOptimize(f.source->Notify(std::make_shared<TPNNotifyOperation>()));
}

void BM_FanOut_bare(benchmark::State& state, int sinks) {
    FanOut f(sinks);
    for (auto _ : state) {
        const IPNNotifyOperation op = std::make_shared<TPNNotifyOperation>();
        bool taken = false;
        for (std::size_t i = 0; i < f.bare.size(); ++i) {
            const TPNNotifyStates states =
                i + 1 == f.bare.size() ? TPNNotifyStates{nsLastIteration} : TPNNotifyStates{};
            taken |= f.bare[i].first(*f.bare[i].second, kType, states, op);
        }
        benchmark::DoNotOptimize(taken);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!rules::initialize(argc, argv)) return 1;
    rules::Table table(benchmark::kNanosecond);
    for (int threads : {1, 4}) {
        const std::string name = threads == 1 ? "Section" : "Section, " + std::to_string(threads) + " threads";
        table.ours(name, BM_Section_ours)->Threads(threads)->UseRealTime();
        table.peer("std::recursive_mutex", BM_Section_mutex)->Threads(threads)->UseRealTime();
    }
    for (int sinks : {1, 4, 16}) {
        table.ours("FanOut to " + std::to_string(sinks), [sinks](benchmark::State& s) { BM_FanOut_ours(s, sinks); })
            ->UseRealTime();
        table.peer("loop over std::function", [sinks](benchmark::State& s) { BM_FanOut_bare(s, sinks); })
            ->UseRealTime();
    }
    table.run();
    return 0;
}
