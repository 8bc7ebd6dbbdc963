#pragma once
// Image cases on OpenCV frames for the benchmarks of bench/README.md: ours
// and its peers each write into their own copy of one starting destination,
// every peer's output is checked against ours before anything is timed, and
// each case becomes a line of the closing table.

#include <opencv2/core.hpp>

#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "media/primitives/IppDefs.h"

namespace oculon::bench {

// The frame of the image benchmarks, a camera's 720p picture, and the same
// as the primitives' region.
inline constexpr int kFrameWidth = 1280;
inline constexpr int kFrameHeight = 720;
inline constexpr primitives::IppiSize kFrameRoi{kFrameWidth, kFrameHeight};

// The length of a row in bytes, as the primitives and libyuv take it.
inline int step(const cv::Mat& m) { return static_cast<int>(m.step); }

// A frame of random bytes, every byte (alpha included) its own, so that a
// routine that writes bytes ours keeps cannot pass for the same work.
inline cv::Mat noise(int type, unsigned seed, cv::Size size = {kFrameWidth, kFrameHeight}) {
    cv::Mat m(size, type);
    std::mt19937 rng(seed);
    for (auto it = m.datastart; it != m.dataend; ++it) *const_cast<uchar*>(it) = static_cast<uchar>(rng());
    return m;
}

// The largest difference of a sample (any channel) between two pictures, or
// -1 when they differ in size or type.
inline int largestDifference(const cv::Mat& a, const cv::Mat& b) {
    if (a.size() != b.size() || a.type() != b.type()) return -1;
    return static_cast<int>(cv::norm(a, b, cv::NORM_INF));
}

using ImageWork = std::function<void(cv::Mat& dst)>;

struct ImagePeer {
    std::string name;
    ImageWork run;
};

struct ImageCase {
    std::string name;
    std::size_t bytes;  // read plus written by one run
    cv::Mat initial;    // the destination each contender starts from
    ImageWork ours;
    std::vector<ImagePeer> peers;
    // The largest sample difference from ours that still counts as the same
    // output: 0 where peers must give our very bytes.
    int tolerance = 0;
};

// False, after saying which, when a peer's output is not ours.
inline bool checkPeers(const ImageCase& c) {
    cv::Mat want = c.initial.clone();
    c.ours(want);
    for (const ImagePeer& peer : c.peers) {
        cv::Mat got = c.initial.clone();
        peer.run(got);
        const int difference = largestDifference(want, got);
        if (difference < 0 || difference > c.tolerance) {
            std::fprintf(stderr, "%s: %s does not give our output (largest difference %d, tolerance %d)\n",
                         c.name.c_str(), peer.name.c_str(), difference, c.tolerance);
            return false;
        }
        if (c.tolerance > 0)
            std::printf("%s: %s within %d of ours (tolerance %d)\n", c.name.c_str(), peer.name.c_str(), difference,
                        c.tolerance);
    }
    return true;
}

inline void timeImageWork(benchmark::State& state, const ImageCase& c, const ImageWork& work) {
    cv::Mat dst = c.initial.clone();
    for (auto _ : state) {
        work(dst);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.bytes));
}

// The main() of a binary of image cases: reads the command line, makes the
// cases, checks the peers of every one, then runs ours, the peers and the
// memcpy anchor of each, at least `minSeconds` a repetition, and prints the
// table.
inline int runImageCases(int argc, char** argv, std::vector<ImageCase> (*makeCases)(), double minSeconds = 0) {
    cv::setNumThreads(1);  // ours is single-threaded; compare like with like
    if (!initialize(argc, argv)) return 1;
    const std::vector<ImageCase> cases = makeCases();
    for (const ImageCase& c : cases)
        if (!checkPeers(c)) return 1;
    std::printf("every peer's output checked against ours\n");
    Table table(benchmark::kMicrosecond, minSeconds);
    for (const ImageCase& c : cases) {
        table.ours(c.name, [&c](benchmark::State& s) { timeImageWork(s, c, c.ours); });
        for (const ImagePeer& peer : c.peers)
            table.peer(peer.name, [&c, &peer](benchmark::State& s) { timeImageWork(s, c, peer.run); });
        table.anchor(c.bytes / 2);
    }
    table.run();
    return 0;
}

}  // namespace oculon::bench
