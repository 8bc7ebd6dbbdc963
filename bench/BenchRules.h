#pragma once
// What the benchmarks share to follow the rules of bench/README.md: the
// repetitions with their median, the memcpy anchor, CPU time of the whole
// process, and a console reporter that keeps every benchmark's median for
// the closing table.

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace oculon::bench {

inline constexpr int kRepetitions = 5;

// At least kRepetitions runs, of which the aggregates are shown.
inline benchmark::internal::Benchmark* repeated(benchmark::internal::Benchmark* b) {
    return b->Repetitions(kRepetitions)->ReportAggregatesOnly(true);
}

// The usual console table; keeps the median real (or manual) time of each
// benchmark, in seconds, under the name it was registered with (and its
// arguments: "name/640/480").
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred)
                medians_[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    // 0 for a benchmark that did not run.
    double seconds(const std::string& name) const {
        const auto it = medians_.find(name);
        return it == medians_.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> medians_;
};

// "1.23", or "-" when one side did not run.
inline std::string ratio(double numerator, double denominator) {
    if (numerator <= 0 || denominator <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", numerator / denominator);
    return text;
}

// The physical anchor: copies `bytes` bytes between two buffers of its own.
// A memcpy of n bytes reads n and writes n, so for work that reads S and
// writes D bytes the anchor copies (S + D) / 2.
inline void copyAnchor(benchmark::State& state, std::size_t bytes) {
    std::vector<char> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

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
