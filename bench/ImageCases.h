#pragma once
// Image cases on OpenCV frames for the benchmarks of bench/README.md: ours
// and its peers each write into their own copy of one starting destination,
// every peer's output is checked against ours before anything is timed, and
// each case becomes a line of the closing table. Cases made for a frame size
// run at a camera's frame and at one beyond the caches (kDramFrameWidth).

#include <opencv2/core.hpp>

#include <cstdio>
#include <functional>
#include <optional>
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

// The sizes cases made for a frame size run at: the camera's frame, which the
// last-level cache holds, and one beyond it, whose every run comes from memory.
struct FrameSize {
    std::string suffix;  // added to the name of each case made at this size
    cv::Size size;
};
inline std::vector<FrameSize> frameSizes() {
    return {{"", {kFrameWidth, kFrameHeight}}, {" 8K", {kDramFrameWidth, kDramFrameHeight}}};
}

// The region of a whole frame of `size`, as the primitives take it.
inline primitives::IppiSize roiOf(cv::Size size) { return {size.width, size.height}; }

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
    // False for a peer of other work than ours (more taps): checked and timed
    // beside ours, but no reference and no ratio.
    bool sameWork = true;
};

struct ImageCase {
    std::string name;
    // Read plus written by one run, all told; the anchor copies half of it.
    // Not used when sourceBytes is given.
    std::size_t bytes;
    cv::Mat initial;  // the destination each contender starts from
    ImageWork ours;
    std::vector<ImagePeer> peers;
    // The largest sample difference from ours that still counts as the same
    // output: 0 where peers must give our very bytes.
    int tolerance = 0;
    // The bytes one run reads from its sources (not the destination). When
    // given, the destination's part is counted from what ours does to it:
    // written whole, or read and written back where ours keeps some of its
    // bytes or works in place, and the anchor does the same (moveAnchor).
    std::optional<std::size_t> sourceBytes = std::nullopt;
};

// Whether ours reads its destination: keeps some of its bytes (a partial
// write) or works on them in place. Ours runs on the starting destination
// and on its complement; any byte that then differs came from there.
inline bool readsDestination(const ImageCase& c) {
    cv::Mat first = c.initial.clone(), second;
    cv::bitwise_not(c.initial, second);
    c.ours(first);
    c.ours(second);
    return largestDifference(first, second) != 0;
}

// What one run of the case does to memory, for the anchor.
inline Traffic trafficOf(const ImageCase& c) {
    const bool reads = readsDestination(c);
    if (!c.sourceBytes) {
        if (reads)
            std::printf("%s: ours reads its destination; with sourceBytes the anchor would count that as it is\n",
                        c.name.c_str());
        return {c.bytes, 0, 0};
    }
    const std::size_t destination = c.initial.total() * c.initial.elemSize();
    return {*c.sourceBytes, reads ? 0 : destination, reads ? destination : 0};
}

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

// `moved`: read plus written by one run (0: the case's bytes).
inline void timeImageWork(benchmark::State& state, const ImageCase& c, const ImageWork& work, std::size_t moved = 0) {
    cv::Mat dst = c.initial.clone();
    for (auto _ : state) {
        work(dst);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (moved > 0 ? moved : c.bytes)));
}

// Checks the peers of every case, then runs ours, the peers and the anchor
// of each, at least `minSeconds` a repetition, and prints the table.
inline int runCases(const std::vector<ImageCase>& cases, double minSeconds) {
    for (const ImageCase& c : cases)
        if (!checkPeers(c)) return 1;
    std::printf("every peer's output checked against ours\n");
    Table table(benchmark::kMicrosecond, minSeconds);
    for (const ImageCase& c : cases) {
        const Traffic traffic = trafficOf(c);
        const std::size_t moved = traffic.moved();
        table.ours(c.name, [&c, moved](benchmark::State& s) { timeImageWork(s, c, c.ours, moved); });
        for (const ImagePeer& peer : c.peers) {
            auto time = [&c, &peer, moved](benchmark::State& s) { timeImageWork(s, c, peer.run, moved); };
            if (peer.sameWork) table.peer(peer.name, time);
            else table.otherWork(peer.name, time);
        }
        table.anchor(traffic);
    }
    table.run();
    return 0;
}

// The main() of a binary of image cases: reads the command line, makes the
// cases and runs them (runCases).
inline int runImageCases(int argc, char** argv, std::vector<ImageCase> (*makeCases)(), double minSeconds = 0) {
    cv::setNumThreads(1);  // ours is single-threaded; compare like with like
    if (!initialize(argc, argv)) return 1;
    return runCases(makeCases(), minSeconds);
}

// The same for cases made for a frame size: they run at each of frameSizes(),
// the name of each case with the size's suffix.
inline int runImageCases(int argc, char** argv, std::vector<ImageCase> (*makeCases)(cv::Size frame),
                         double minSeconds = 0) {
    cv::setNumThreads(1);
    if (!initialize(argc, argv)) return 1;
    std::vector<ImageCase> cases;
    for (const FrameSize& frame : frameSizes())
        for (ImageCase& c : makeCases(frame.size)) {
            c.name += frame.suffix;
            cases.push_back(std::move(c));
        }
    std::printf("frames %dx%d and %dx%d; last-level cache as reported: %zu MiB\n", kFrameWidth, kFrameHeight,
                kDramFrameWidth, kDramFrameHeight, lastLevelCacheBytes() >> 20);
    return runCases(cases, minSeconds);
}

}  // namespace oculon::bench
