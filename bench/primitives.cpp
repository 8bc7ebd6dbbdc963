// Image primitives against OpenCV on a 1280x720 frame: the top-to-bottom flip
// the AVI writer does on every frame, and the channel copies the pixel stores
// use. Each pair runs the same work; the ratio (ours / OpenCV time) is
// printed at the end.

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageMirror.h"

namespace prim = oculon::primitives;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr prim::IppiSize kRoi{kWidth, kHeight};

cv::Mat noiseImage(int type) {
    cv::Mat m(kHeight, kWidth, type);
    std::mt19937 rng(1);
    for (auto it = m.datastart; it != m.dataend; ++it) *const_cast<uchar*>(it) = static_cast<uchar>(rng());
    return m;
}

struct Frames {
    cv::Mat rgb = noiseImage(CV_8UC3);
    cv::Mat rgba = noiseImage(CV_8UC4);
    cv::Mat gray = noiseImage(CV_8UC1);
    cv::Mat rgbOut = cv::Mat(kHeight, kWidth, CV_8UC3);
    cv::Mat rgbaOut = cv::Mat(kHeight, kWidth, CV_8UC4);
    cv::Mat grayOut = cv::Mat(kHeight, kWidth, CV_8UC1);
};

Frames& frames() {
    static Frames f;
    return f;
}

int step(const cv::Mat& m) { return static_cast<int>(m.step); }

template <typename Fn>
void run(benchmark::State& state, std::size_t bytes, Fn fn) {
    for (auto _ : state) {
        fn();
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// Mirror about the horizontal axis.
void Mirror_C3_ours(benchmark::State& s) {
    auto& f = frames();
    run(s, f.rgb.total() * 3, [&] {
        prim::ippiMirror_8u_C3R(f.rgb.data, step(f.rgb), f.rgbOut.data, step(f.rgbOut), kRoi, prim::ippAxsHorizontal);
    });
}
void Mirror_C3_opencv(benchmark::State& s) {
    auto& f = frames();
    run(s, f.rgb.total() * 3, [&] { cv::flip(f.rgb, f.rgbOut, 0); });
}
void Mirror_C4_ours(benchmark::State& s) {
    auto& f = frames();
    run(s, f.rgba.total() * 4, [&] {
        prim::ippiMirror_8u_C4R(f.rgba.data, step(f.rgba), f.rgbaOut.data, step(f.rgbaOut), kRoi,
                                prim::ippAxsHorizontal);
    });
}
void Mirror_C4_opencv(benchmark::State& s) {
    auto& f = frames();
    run(s, f.rgba.total() * 4, [&] { cv::flip(f.rgba, f.rgbaOut, 0); });
}

// One channel out of an interleaved image, and back in.
void C3C1_ours(benchmark::State& s) {
    auto& f = frames();
    run(s, f.gray.total(),
        [&] { prim::ippiCopy_8u_C3C1R(f.rgb.data + 1, step(f.rgb), f.grayOut.data, step(f.grayOut), kRoi); });
}
void C3C1_opencv(benchmark::State& s) {
    auto& f = frames();
    const int pairs[] = {1, 0};
    run(s, f.gray.total(), [&] { cv::mixChannels(&f.rgb, 1, &f.grayOut, 1, pairs, 1); });
}
void C4C1_ours(benchmark::State& s) {
    auto& f = frames();
    run(s, f.gray.total(),
        [&] { prim::ippiCopy_8u_C4C1R(f.rgba.data + 2, step(f.rgba), f.grayOut.data, step(f.grayOut), kRoi); });
}
void C4C1_opencv(benchmark::State& s) {
    auto& f = frames();
    const int pairs[] = {2, 0};
    run(s, f.gray.total(), [&] { cv::mixChannels(&f.rgba, 1, &f.grayOut, 1, pairs, 1); });
}
void C1C3_ours(benchmark::State& s) {
    auto& f = frames();
    run(s, f.gray.total(),
        [&] { prim::ippiCopy_8u_C1C3R(f.gray.data, step(f.gray), f.rgbOut.data + 1, step(f.rgbOut), kRoi); });
}
void C1C3_opencv(benchmark::State& s) {
    auto& f = frames();
    const int pairs[] = {0, 1};
    run(s, f.gray.total(), [&] { cv::mixChannels(&f.gray, 1, &f.rgbOut, 1, pairs, 1); });
}
void C1C4_ours(benchmark::State& s) {
    auto& f = frames();
    run(s, f.gray.total(),
        [&] { prim::ippiCopy_8u_C1C4R(f.gray.data, step(f.gray), f.rgbaOut.data + 3, step(f.rgbaOut), kRoi); });
}
void C1C4_opencv(benchmark::State& s) {
    auto& f = frames();
    const int pairs[] = {0, 3};
    run(s, f.gray.total(), [&] { cv::mixChannels(&f.gray, 1, &f.rgbaOut, 1, pairs, 1); });
}

// Three channels between 3- and 4-byte pixels, the alpha byte left alone.
void C3AC4_ours(benchmark::State& s) {
    auto& f = frames();
    run(s, f.rgb.total() * 3,
        [&] { prim::ippiCopy_8u_C3AC4R(f.rgb.data, step(f.rgb), f.rgbaOut.data, step(f.rgbaOut), kRoi); });
}
void C3AC4_opencv(benchmark::State& s) {
    auto& f = frames();
    const int pairs[] = {0, 0, 1, 1, 2, 2};
    run(s, f.rgb.total() * 3, [&] { cv::mixChannels(&f.rgb, 1, &f.rgbaOut, 1, pairs, 3); });
}
void AC4C3_ours(benchmark::State& s) {
    auto& f = frames();
    run(s, f.rgb.total() * 3,
        [&] { prim::ippiCopy_8u_AC4C3R(f.rgba.data, step(f.rgba), f.rgbOut.data, step(f.rgbOut), kRoi); });
}
void AC4C3_opencv(benchmark::State& s) {
    auto& f = frames();
    const int pairs[] = {0, 0, 1, 1, 2, 2};
    run(s, f.rgb.total() * 3, [&] { cv::mixChannels(&f.rgba, 1, &f.rgbOut, 1, pairs, 3); });
}

// Channel order reversed (RGB <-> BGR).
void SwapC3_ours(benchmark::State& s) {
    auto& f = frames();
    const int order[3] = {2, 1, 0};
    run(s, f.rgb.total() * 3,
        [&] { prim::ippiSwapChannels_8u_C3R(f.rgb.data, step(f.rgb), f.rgbOut.data, step(f.rgbOut), kRoi, order); });
}
void SwapC3_opencv(benchmark::State& s) {
    auto& f = frames();
    const int pairs[] = {0, 2, 1, 1, 2, 0};
    run(s, f.rgb.total() * 3, [&] { cv::mixChannels(&f.rgb, 1, &f.rgbOut, 1, pairs, 3); });
}

// Collects the mean time of every "<case>/ours" and "<case>/opencv" run and
// prints the ratio of each pair after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-16s %12s %12s %8s\n", "case", "ours", "opencv", "ratio");
        for (const auto& [name, ours] : times_) {
            const auto slash = name.rfind("/ours");
            if (slash == std::string::npos) continue;
            const std::string base = name.substr(0, slash);
            const auto peer = times_.find(base + "/opencv");
            if (peer == times_.end() || peer->second <= 0) continue;
            std::printf("%-16s %12.1f %12.1f %8.2f\n", base.c_str(), ours, peer->second, ours / peer->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

void registerPair(const char* name, void (*ours)(benchmark::State&), void (*opencv)(benchmark::State&)) {
    benchmark::RegisterBenchmark((std::string(name) + "/ours").c_str(), ours)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((std::string(name) + "/opencv").c_str(), opencv)->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);  // ours is single-threaded; compare like with like
    registerPair("Mirror_C3", Mirror_C3_ours, Mirror_C3_opencv);
    registerPair("Mirror_C4", Mirror_C4_ours, Mirror_C4_opencv);
    registerPair("Copy_C3C1", C3C1_ours, C3C1_opencv);
    registerPair("Copy_C4C1", C4C1_ours, C4C1_opencv);
    registerPair("Copy_C1C3", C1C3_ours, C1C3_opencv);
    registerPair("Copy_C1C4", C1C4_ours, C1C4_opencv);
    registerPair("Copy_C3AC4", C3AC4_ours, C3AC4_opencv);
    registerPair("Copy_AC4C3", AC4C3_ours, AC4C3_opencv);
    registerPair("SwapChannels_C3", SwapC3_ours, SwapC3_opencv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
