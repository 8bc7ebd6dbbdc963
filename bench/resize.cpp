// Resizing 8-bit three- and four-channel frames at the export's sizes:
// 1920x1080 -> 1280x720, 640x480 -> 1280x960 and 1280x720 -> 320x240, ours
// against OpenCV's cv::resize and libyuv's scalers of the same kind, one
// thread each. Linear is the path every exported frame takes; area
// averaging, cubic and Lanczos are measured the same way.
//
// No peer gives our bytes: our linear mapping puts the first and last
// pixels onto the first and last source pixels, OpenCV and libyuv map pixel
// centres, and each rounds its own way. Before timing, each peer's output is
// compared with ours on the same smooth picture and the largest difference
// printed beside the ratio; a peer far off (a wrong layout or size) stops
// the run. Every figure is the median of 5 repetitions.

#include <benchmark/benchmark.h>
#include <libyuv/scale_argb.h>
#include <libyuv/scale_rgb.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "media/primitives/ImageResize.h"

namespace prim = oculon::primitives;

namespace {

constexpr int kRepetitions = 5;
// Largest difference from ours that still counts as the same picture.
constexpr int kSamePicture = 48;

// Smooth colour waves with a little noise, the kind of picture a camera gives.
cv::Mat picture(int width, int height, int channels) {
    cv::Mat m(height, width, CV_8UC(channels));
    std::mt19937 rng(7);
    for (int y = 0; y < height; ++y) {
        uchar* row = m.ptr(y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                const double v =
                    128 + 100 * std::sin(x * 0.031 + c) * std::cos(y * 0.023 - c) + static_cast<int>(rng() % 9) - 4;
                row[x * channels + c] = static_cast<uchar>(std::lround(v));
            }
    }
    return m;
}

int largestDifference(const cv::Mat& a, const cv::Mat& b) {
    cv::Mat d;
    cv::absdiff(a, b, d);
    double largest = 0;
    cv::minMaxLoc(d.reshape(1), nullptr, &largest);
    return static_cast<int>(largest);
}

using Run = std::function<void(const cv::Mat& src, cv::Mat& dst)>;

struct Contender {
    std::string name;
    Run run;
    int difference = 0;  // largest difference from ours
};

struct Case {
    std::string name;  // "C3 1920x1080>1280x720 linear"
    cv::Mat src;
    cv::Size dst;
    Contender ours;
    std::vector<Contender> peers;
};

Run oursWith(int interpolation) {
    return [interpolation](const cv::Mat& s, cv::Mat& d) {
        const prim::IppiSize size{s.cols, s.rows};
        const prim::TVDImageRect roi{0, 0, s.cols, s.rows};
        const double fx = static_cast<double>(d.cols) / s.cols, fy = static_cast<double>(d.rows) / s.rows;
        const auto resize = s.channels() == 3 ? prim::ippiResize_8u_C3R : prim::ippiResize_8u_C4R;
        const prim::IppStatus st = resize(s.data, size, static_cast<int>(s.step), roi, d.data, static_cast<int>(d.step),
                                          {d.cols, d.rows}, fx, fy, interpolation);
        if (st != prim::ippStsNoErr) std::abort();
    };
}

Run openCv(int interpolation) {
    return [interpolation](const cv::Mat& s, cv::Mat& d) { cv::resize(s, d, d.size(), 0, 0, interpolation); };
}

Run libyuv(libyuv::FilterMode mode) {
    return [mode](const cv::Mat& s, cv::Mat& d) {
        const auto scale = s.channels() == 3 ? libyuv::RGBScale : libyuv::ARGBScale;
        scale(s.data, static_cast<int>(s.step), s.cols, s.rows, d.data, static_cast<int>(d.step), d.cols, d.rows, mode);
    };
}

std::vector<Case> cases() {
    struct Size {
        int sw, sh, dw, dh;
    };
    const Size sizes[] = {{1920, 1080, 1280, 720}, {640, 480, 1280, 960}, {1280, 720, 320, 240}};
    std::vector<Case> all;
    for (int channels : {3, 4})
        for (const Size& s : sizes) {
            const cv::Mat src = picture(s.sw, s.sh, channels);
            const std::string frame = "C" + std::to_string(channels) + " " + std::to_string(s.sw) + "x" +
                                      std::to_string(s.sh) + ">" + std::to_string(s.dw) + "x" + std::to_string(s.dh);
            const std::string yuv = channels == 3 ? "libyuv RGBScale" : "libyuv ARGBScale";
            auto add = [&](const char* kind, int ours, std::vector<Contender> peers) {
                all.push_back({frame + " " + kind, src, {s.dw, s.dh}, {"ours", oursWith(ours)}, std::move(peers)});
            };
            add("linear", prim::kResizeLinear,
                {{"cv::resize", openCv(cv::INTER_LINEAR)}, {yuv, libyuv(libyuv::kFilterBilinear)}});
            if (s.dw < s.sw)
                add("area", prim::kResizeSuper,
                    {{"cv::resize", openCv(cv::INTER_AREA)}, {yuv, libyuv(libyuv::kFilterBox)}});
            add("cubic", prim::kResizeCubic, {{"cv::resize", openCv(cv::INTER_CUBIC)}});
            add("lanczos", prim::kResizeLanczos, {{"cv::resize", openCv(cv::INTER_LANCZOS4)}});
        }
    return all;
}

void time(benchmark::State& state, const Case& c, const Run& run) {
    cv::Mat dst(c.dst, c.src.type());
    for (auto _ : state) {
        run(c.src, dst);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
}

// memcpy of (bytes read + bytes written) / 2, the pace of a plain copy.
void copyAnchor(benchmark::State& state, std::size_t bytes) {
    std::vector<char> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
}

// Keeps each benchmark's median and prints, per case, ours against each
// peer and against the copy anchor: ratio = other time / our time.
class Table : public benchmark::ConsoleReporter {
public:
    explicit Table(const std::vector<Case>& cases) : cases_(cases) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median" && !r.error_occurred)
                medians_[r.run_name.function_name] = r.GetAdjustedRealTime();
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf(
            "\nmedian of %d, microseconds; x peer = peer time / ours (above 1: ours faster); "
            "diff = largest sample difference from ours\n",
            kRepetitions);
        for (const Case& c : cases_) {
            const double ours = medians_[c.name + "/ours"];
            if (ours <= 0) continue;  // filtered out
            std::printf("%-34s ours %8.1f", c.name.c_str(), ours);
            for (const Contender& p : c.peers) {
                const double peer = medians_[c.name + "/" + p.name];
                std::printf(" | %s %8.1f x%5.2f diff %2d", p.name.c_str(), peer, peer / ours, p.difference);
            }
            const double copy = medians_[c.name + "/memcpy"];
            std::printf(" | memcpy %6.1f x%5.2f\n", copy, copy / ours);
        }
    }

private:
    const std::vector<Case>& cases_;
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);
    static std::vector<Case> all = cases();
    for (Case& c : all) {
        cv::Mat ours(c.dst, c.src.type()), peer(c.dst, c.src.type());
        c.ours.run(c.src, ours);
        for (Contender& p : c.peers) {
            p.run(c.src, peer);
            p.difference = largestDifference(ours, peer);
            if (p.difference > kSamePicture) {
                std::fprintf(stderr, "%s: %s differs from ours by %d\n", c.name.c_str(), p.name.c_str(), p.difference);
                return 1;
            }
        }
        const std::size_t bytes = (c.src.total() * c.src.elemSize() + ours.total() * ours.elemSize()) / 2;
        auto reg = [](const std::string& name, auto fn) {
            benchmark::RegisterBenchmark(name.c_str(), fn)
                ->Repetitions(kRepetitions)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMicrosecond)
                ->UseRealTime();
        };
        reg(c.name + "/ours", [&c](benchmark::State& s) { time(s, c, c.ours.run); });
        for (const Contender& p : c.peers)
            reg(c.name + "/" + p.name, [&c, &p](benchmark::State& s) { time(s, c, p.run); });
        reg(c.name + "/memcpy", [bytes](benchmark::State& s) { copyAnchor(s, bytes); });
    }
    benchmark::Initialize(&argc, argv);
    Table table(all);
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    return 0;
}
