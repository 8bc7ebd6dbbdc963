#pragma once
// What the benchmarks share to follow the rules of bench/README.md: the
// repetitions with their median, the memcpy anchor, CPU time of the whole
// process, a console reporter that keeps every benchmark's median and notes
// the machine's load, and the closing table of ours against the fastest peer
// and the anchor.

#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace oculon::bench {

inline constexpr int kRepetitions = 5;

// A frame too large for the caches: 8K, 33 MB a plane of one byte a pixel
// and 133 MB at four, so that a frame-sized case also runs from memory. A
// camera's frame (1280x720, at most 3.7 MB) stays in the last-level cache
// from one run to the next, which flatters work bound by memory bandwidth.
inline constexpr int kDramFrameWidth = 7680;
inline constexpr int kDramFrameHeight = 4320;

// The largest data cache the system reports, in bytes (0 when it reports
// none): printed beside the cases of kDramFrameWidth, since a processor
// under a hypervisor may report a cache it does not give this machine.
inline std::size_t lastLevelCacheBytes() {
    std::size_t largest = 0;
    for (int index = 0; index < 8; ++index) {
        std::ifstream in("/sys/devices/system/cpu/cpu0/cache/index" + std::to_string(index) + "/size");
        std::size_t amount = 0;
        char unit = 0;  // "48K", "2048K", "32M"
        if (in >> amount >> unit) largest = std::max(largest, amount * (unit == 'M' ? 1024 * 1024 : 1024));
    }
    return largest;
}

// At least kRepetitions runs, of which the aggregates are shown.
inline benchmark::internal::Benchmark* repeated(benchmark::internal::Benchmark* b) {
    return b->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
}

// Reads the benchmark library's flags; false, after saying so, when the
// command line holds an argument it does not know.
inline bool initialize(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    return !benchmark::ReportUnrecognizedArguments(argc, argv);
}

// "0.52 0.61 0.70": the machine's load over the last 1, 5 and 15 minutes.
inline std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

// The usual console table; keeps the median real (or manual) time of each
// benchmark, in seconds, and the medians of its counters, under the name it
// was registered with (and its arguments: "name/640/480"). Closes with the
// machine's load before and after the run.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that a saved run reads as plain text.
    MedianReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    bool ReportContext(const Context& context) override {
        loadBefore_ = loadAverage();
        return ConsoleReporter::ReportContext(context);
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred) {
                Median& m =
                    medians_[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)];
                m.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
                for (const auto& [key, counter] : run.counters) m.counters[key] = counter.value;
            }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("load average before %s, after %s\n", loadBefore_.c_str(), loadAverage().c_str());
    }

    // 0 for a benchmark that did not run.
    double seconds(const std::string& name) const {
        const auto it = medians_.find(name);
        return it == medians_.end() ? 0 : it->second.seconds;
    }

    // 0 for a benchmark that did not run or has no such counter.
    double counter(const std::string& name, const std::string& key) const {
        const auto it = medians_.find(name);
        if (it == medians_.end()) return 0;
        const auto value = it->second.counters.find(key);
        return value == it->second.counters.end() ? 0 : value->second;
    }

private:
    struct Median {
        double seconds = 0;
        std::map<std::string, double> counters;
    };
    std::map<std::string, Median> medians_;
    std::string loadBefore_;
};

// "1.23", or "-" when one side did not run.
inline std::string ratio(double numerator, double denominator) {
    if (numerator <= 0 || denominator <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", numerator / denominator);
    return text;
}

// A buffer of at least `bytes` bytes set to `fill`, in whole cache lines and
// one line more. It starts on a cache line: on some processors the C library
// copies a buffer that starts off one (as small heap blocks do) more than ten
// times slower, which would make an anchor no measure of the memory's pace.
inline constexpr std::size_t kCacheLine = 64;
struct FreeBuffer {
    void operator()(char* p) const { std::free(p); }
};
inline std::unique_ptr<char, FreeBuffer> lineBuffer(std::size_t bytes, int fill) {
    const std::size_t size = bytes / kCacheLine * kCacheLine + 2 * kCacheLine;
    std::unique_ptr<char, FreeBuffer> b(static_cast<char*>(std::aligned_alloc(kCacheLine, size)));
    if (!b) throw std::bad_alloc();
    std::memset(b.get(), fill, size);
    return b;
}

// The physical anchor: copies `bytes` bytes between two buffers of its own.
// A memcpy of n bytes reads n and writes n, so for work that reads S and
// writes D bytes the anchor copies (S + D) / 2.
inline void copyAnchor(benchmark::State& state, std::size_t bytes) {
    const auto from = lineBuffer(bytes, 1), to = lineBuffer(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.get(), from.get(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// What one run of a work does to memory, for the anchor: bytes it reads from
// buffers it does not write, bytes it writes without reading them, and bytes
// it reads and writes back in place (a buffer updated in place, or written
// in part: the bytes it keeps are read and written back with the lines that
// hold them).
struct Traffic {
    std::size_t read = 0;
    std::size_t written = 0;
    std::size_t updated = 0;

    // Read plus written, as a memcpy counts them: n copied bytes are 2n.
    std::size_t moved() const { return read + written + 2 * updated; }
};

// The anchor of a work that moves `traffic`: memcpy of half its reads and
// writes between two buffers, as copyAnchor, and, for what the work updates
// in place, a copy in place as well: each line of a buffer of its own read
// and written back (moved by one line), so that neither side pays for lines
// it never loads or for a second buffer in the caches.
inline void moveAnchor(benchmark::State& state, Traffic traffic) {
    const std::size_t copied = (traffic.read + traffic.written) / 2;
    const auto from = lineBuffer(copied, 1), to = lineBuffer(copied, 2), inPlace = lineBuffer(traffic.updated, 3);
    for (auto _ : state) {
        if (copied > 0) std::memcpy(to.get(), from.get(), copied);
        if (traffic.updated > 0) std::memmove(inPlace.get(), inPlace.get() + kCacheLine, traffic.updated);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * traffic.moved()));
}

// A benchmark that runs `work` again and again, keeping what it writes.
template <typename Work>
auto timing(Work work) {
    return [work = std::move(work)](benchmark::State& state) mutable {
        for (auto _ : state) {
            work();
            benchmark::ClobberMemory();
        }
    };
}

// A time for the closing table: three significant digits, no exponent.
inline std::string figure(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", value >= 100 ? 0 : value >= 10 ? 1 : value >= 1 ? 2 : 3, value);
    return text;
}

// The cases of one binary and its closing table. A case is registered as
// "<case>/ours", then "<case>/<peer>" for each peer whose output was found
// to be ours, then "<case>/memcpy" where memory bandwidth is the limit. Per
// case the table prints our median, the fastest peer's (the reference), the
// anchor's, and the ratios peer / ours and memcpy / ours.
class Table {
public:
    // Every benchmark of the table reports in `unit` and runs at least
    // `minSeconds` a repetition (0: the library's default).
    explicit Table(benchmark::TimeUnit unit, double minSeconds = 0) : unit_(unit), minSeconds_(minSeconds) {}

    // Opens a case with our routine; `fn` takes a benchmark::State&.
    template <typename Fn>
    benchmark::internal::Benchmark* ours(const std::string& name, Fn fn) {
        cases_.push_back({name, {}, false, true, {}});
        return add(name + "/ours", std::move(fn));
    }

    // A peer of the case opened last.
    template <typename Fn>
    benchmark::internal::Benchmark* peer(const std::string& who, Fn fn) {
        cases_.back().peers.push_back(who);
        return add(cases_.back().name + "/" + who, std::move(fn));
    }

    // A peer of the case opened last that does other work than ours (more
    // taps, another filter): timed and printed under the case's line, but
    // never its reference, and no ratio.
    template <typename Fn>
    benchmark::internal::Benchmark* otherWork(const std::string& who, Fn fn) {
        cases_.back().otherWork.push_back(who);
        return add(cases_.back().name + "/" + who, std::move(fn));
    }

    // The memcpy anchor of the case opened last: `bytes` is half the bytes
    // its work reads and writes.
    benchmark::internal::Benchmark* anchor(std::size_t bytes) {
        cases_.back().anchored = true;
        return add(cases_.back().name + "/memcpy", [bytes](benchmark::State& s) { copyAnchor(s, bytes); });
    }

    // The anchor of the case opened last for work that moves `traffic`.
    benchmark::internal::Benchmark* anchor(Traffic traffic) {
        cases_.back().anchored = true;
        return add(cases_.back().name + "/memcpy", [traffic](benchmark::State& s) { moveAnchor(s, traffic); });
    }

    // The case opened last is ours alone: no library outside does this work,
    // so the table says so and prints no x peer.
    void noOutsidePeer() { cases_.back().outsidePeer = false; }

    // Runs the benchmarks the command line selects (see initialize()) and
    // prints the table.
    void run() const {
        MedianReporter times;
        benchmark::RunSpecifiedBenchmarks(&times);
        print(times);
        benchmark::Shutdown();
    }

    void print(const MedianReporter& times) const {
        const bool anchors = std::any_of(cases_.begin(), cases_.end(), [](const Case& c) { return c.anchored; });
        const char* none = "(no peer gives this output)";
        const char* noSameWork = "(no peer does the same work)";
        const char* alone = "(no outside peer)";
        int nameWidth = 4, peerWidth = static_cast<int>(std::strlen(none));
        for (const Case& c : cases_) {
            nameWidth = std::max(nameWidth, static_cast<int>(c.name.size()));
            for (const std::string& p : c.peers) peerWidth = std::max(peerWidth, static_cast<int>(p.size()));
        }
        std::printf("\nmedians of %d repetitions, %s; x peer = peer / ours (above 1: ours faster)%s\n", kRepetitions,
                    benchmark::GetTimeUnitString(unit_), anchors ? ", x memcpy = memcpy / ours" : "");
        std::printf("%-*s %8s  %-*s %8s %7s", nameWidth, "case", "ours", peerWidth, "fastest peer", "peer", "x peer");
        if (anchors) std::printf(" %8s %8s", "memcpy", "x memcpy");
        std::printf("\n");
        const double scale = benchmark::GetTimeUnitMultiplier(unit_);
        for (const Case& c : cases_) {
            const double ours = times.seconds(c.name + "/ours");
            if (ours <= 0) continue;  // filtered out
            double peer = 0;
            std::string peerName = !c.outsidePeer        ? alone
                                   : !c.peers.empty()    ? "(not run)"
                                   : c.otherWork.empty() ? none
                                                         : noSameWork;
            for (const std::string& p : c.peers) {
                const double t = times.seconds(c.name + "/" + p);
                if (t > 0 && (peer == 0 || t < peer)) peer = t, peerName = p;
            }
            std::printf("%-*s %8s  %-*s %8s %7s", nameWidth, c.name.c_str(), figure(ours * scale).c_str(), peerWidth,
                        peerName.c_str(), peer > 0 ? figure(peer * scale).c_str() : "-", ratio(peer, ours).c_str());
            const double copy = c.anchored ? times.seconds(c.name + "/memcpy") : 0;
            if (anchors)
                std::printf(" %8s %8s", copy > 0 ? figure(copy * scale).c_str() : "-", ratio(copy, ours).c_str());
            std::printf("\n");
            for (const std::string& p : c.otherWork)
                if (const double t = times.seconds(c.name + "/" + p); t > 0)
                    std::printf("%-*s  beside it, other work: %s %s (no ratio)\n", nameWidth, "", p.c_str(),
                                figure(t * scale).c_str());
        }
    }

private:
    struct Case {
        std::string name;
        std::vector<std::string> peers;
        bool anchored;
        bool outsidePeer;
        std::vector<std::string> otherWork;
    };

    template <typename Fn>
    benchmark::internal::Benchmark* add(const std::string& name, Fn fn) {
        auto* b = repeated(benchmark::RegisterBenchmark(name.c_str(), std::move(fn)))->Unit(unit_);
        return minSeconds_ > 0 ? b->MinTime(minSeconds_) : b;
    }

    benchmark::TimeUnit unit_;
    double minSeconds_;
    std::vector<Case> cases_;
};

// The largest difference between the colour bytes (the first three) of the
// 4-byte pixels of two pictures: how far a lossy peer's output is from ours.
inline int largestDifference(const std::uint8_t* a, std::size_t strideA, const std::uint8_t* b, std::size_t strideB,
                             int width, int height) {
    int largest = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 4 * width; ++x)
            if (x % 4 != 3)
                largest = std::max(largest, std::abs(a[y * strideA + static_cast<std::size_t>(x)] -
                                                     b[y * strideB + static_cast<std::size_t>(x)]));
    return largest;
}

// CPU seconds used so far by every thread of this process, those of thread
// pools included (the benchmark library's CPU column counts only its own).
inline double processCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace oculon::bench
