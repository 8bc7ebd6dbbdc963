// Seeking in a large recording against reading the same file once from start
// to end with plain read() calls, which is what a reader without an index
// would have to do. The recording is made in /tmp at start and removed at the
// end; OCULON_BENCH_KVD_MB sets its size (default 1024).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "video/MJPEGFile.h"

using oculon::video::TMJPEGFile;
using oculon::video::TTimeStamp;

namespace {

struct Recording {
    std::string path;
    std::int32_t frames = 0;
};

Recording& recording() {
    static Recording r;
    return r;
}

// Pictures of 20 to 60 KB, about what a camera sends at 640x480.
void makeRecording(const std::string& path, std::int64_t bytes) {
    std::mt19937 random(42);
    std::vector<std::uint8_t> picture(60 * 1024);
    for (auto& b : picture) b = static_cast<std::uint8_t>(random() % 251);
    TMJPEGFile file(path, TMJPEGFile::kWrite);
    std::int64_t written = 14;
    std::int32_t n = 0;
    while (written < bytes) {
        const std::size_t size = 20 * 1024 + random() % (40 * 1024);
        file.writeFrame(std::span(picture.data(), size), TTimeStamp{n * 40 % 86400000, 739000});
        written += 41 + static_cast<std::int64_t>(size);
        ++n;
    }
    file.close();
    recording().frames = n;
}

void BM_OpenAndSeekLastFrame(benchmark::State& state) {
    std::vector<std::uint8_t> jpeg;
    for (auto _ : state) {
        TMJPEGFile file(recording().path, TMJPEGFile::kRead);
        file.SetFrameNo(file.VideoFrames() - 1);
        file.readFrame(jpeg);
        benchmark::DoNotOptimize(jpeg.data());
    }
}
BENCHMARK(BM_OpenAndSeekLastFrame)->Unit(benchmark::kMicrosecond);

void BM_SeekRandomFrame(benchmark::State& state) {
    TMJPEGFile file(recording().path, TMJPEGFile::kRead);
    std::mt19937 random(1);
    std::vector<std::uint8_t> jpeg;
    for (auto _ : state) {
        file.SetFrameNo(static_cast<std::int32_t>(random() % static_cast<unsigned>(file.VideoFrames())));
        file.readFrame(jpeg);
        benchmark::DoNotOptimize(jpeg.data());
    }
}
BENCHMARK(BM_SeekRandomFrame)->Unit(benchmark::kMicrosecond);

void BM_PlainSequentialRead(benchmark::State& state) {
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        const int fd = ::open(recording().path.c_str(), O_RDONLY);
        std::int64_t total = 0;
        for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += n;
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(recording().path)));
}
BENCHMARK(BM_PlainSequentialRead)->Unit(benchmark::kMillisecond);

// Keeps the mean real time per benchmark for the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                times_[run.benchmark_name()] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
    double seconds(const std::string& name) const {
        const auto it = times_.find(name);
        return it == times_.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* mb = std::getenv("OCULON_BENCH_KVD_MB");
    const std::int64_t megabytes = mb ? std::max(1LL, std::atoll(mb)) : 1024;
    recording().path = "/tmp/oculon-bench-" + std::to_string(::getpid()) + ".kvd";
    std::printf("making a recording of %lld MB in %s\n", static_cast<long long>(megabytes), recording().path.c_str());
    makeRecording(recording().path, megabytes << 20);
    std::printf("%d frames\n", recording().frames);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::filesystem::remove(recording().path);

    const double seek = reporter.seconds("BM_OpenAndSeekLastFrame");
    const double read = reporter.seconds("BM_PlainSequentialRead");
    if (seek > 0 && read > 0) {
        std::printf("open + seek to the last frame: %.1f us, plain read of the whole file: %.1f ms, ratio %.0f : 1\n",
                    seek * 1e6, read * 1e3, read / seek);
    }
    benchmark::Shutdown();
    return 0;
}
