// The pin framework's lock and fan-out against the plain C++ equivalents in
// the same run: a write section of TPNLock against std::recursive_mutex with
// std::lock_guard, uncontended and with 4 threads on one lock (each critical
// section bumps a shared counter), and one notification fanned out to 1, 4
// and 16 sinks against a bare loop calling the same handlers through
// std::function. Each case runs 5 times; the table at the end gives the
// median real time and the ratio (ours / reference: below 1 means ours is
// faster), with the machine's load average before the run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "media/pins/PNPins.h"

using namespace oculon::pins;

namespace {

constexpr int kRepetitions = 5;
constexpr TGUID kType = PNGuid("{5E1F0000-0000-4000-8000-00000000BE4C}");

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

struct Shared {
    TPNLock lock;
    std::recursive_mutex mutex;
    long counter = 0;
};
Shared& shared() {
    static Shared s;
    return s;
}

void BM_Section_ours(benchmark::State& state) {
    auto& s = shared();
    for (auto _ : state) {
        auto section = s.lock.WriteLock();
        benchmark::DoNotOptimize(++s.counter);
    }
}

void BM_Section_mutex(benchmark::State& state) {
    auto& s = shared();
    for (auto _ : state) {
        std::lock_guard l(s.mutex);
        benchmark::DoNotOptimize(++s.counter);
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

void BM_FanOut_ours(benchmark::State& state) {
    FanOut f(static_cast<int>(state.range(0)));
    f.source->Notify(std::make_shared<TPNNotifyOperation>());
    if (f.received() != state.range(0)) state.SkipWithError("not every sink was served");
    for (auto _ : state) benchmark::DoNotOptimize(f.source->Notify(std::make_shared<TPNNotifyOperation>()));
}

void BM_FanOut_bare(benchmark::State& state) {
    FanOut f(static_cast<int>(state.range(0)));
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

// "BM_FanOut_ours/4/repeats:5/real_time" -> "FanOut_ours/4"
std::string caseName(std::string name) {
    if (name.rfind("BM_", 0) == 0) name.erase(0, 3);
    for (const std::string& noise : {"/repeats:" + std::to_string(kRepetitions), std::string("/real_time")})
        if (const auto at = name.find(noise); at != std::string::npos) name.erase(at, noise.size());
    return name;
}

// Collects the median of every "<case>_<who>" and prints one line per case.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median" && !r.error_occurred)
                medians_[caseName(r.run_name.str())] = r.GetAdjustedRealTime();
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf(
            "\nmedian real time of %d runs, ns per operation; ratio = ours / reference (below 1: ours faster)\n",
            kRepetitions);
        std::printf("%-24s %10s %10s %7s\n", "case", "ours", "reference", "ratio");
        for (const auto& [name, ours] : medians_) {
            for (const auto& [mine, theirs] : {std::pair{"_ours", "_mutex"}, std::pair{"_ours", "_bare"}}) {
                const auto at = name.find(mine);
                if (at == std::string::npos) continue;
                std::string peer = name;
                peer.replace(at, std::string(mine).size(), theirs);
                const auto it = medians_.find(peer);
                if (it == medians_.end()) continue;
                std::printf("%-24s %10.1f %10.1f %7.2f\n", (name.substr(0, at) + name.substr(at + 5)).c_str(), ours,
                            it->second, ours / it->second);
            }
        }
    }

private:
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    std::printf("load average before: %s\n", loadAverage().c_str());
    using Case = std::pair<const char*, void (*)(benchmark::State&)>;
    for (const auto& [name, fn] :
         {Case{"BM_Section_ours", BM_Section_ours}, Case{"BM_Section_mutex", BM_Section_mutex}}) {
        benchmark::RegisterBenchmark(name, fn)->Repetitions(kRepetitions)->ReportAggregatesOnly()->UseRealTime();
        benchmark::RegisterBenchmark(name, fn)
            ->Threads(4)
            ->Repetitions(kRepetitions)
            ->ReportAggregatesOnly()
            ->UseRealTime();
    }
    for (const auto& [name, fn] : {Case{"BM_FanOut_ours", BM_FanOut_ours}, Case{"BM_FanOut_bare", BM_FanOut_bare}})
        benchmark::RegisterBenchmark(name, fn)
            ->Arg(1)
            ->Arg(4)
            ->Arg(16)
            ->Repetitions(kRepetitions)
            ->ReportAggregatesOnly()
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
