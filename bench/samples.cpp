// Sample arithmetic and 16-bit pixel conversions on a 1280x720 frame, each
// against the fastest routine of a well-known library that gives the same
// output (checked equal before timing; a peer that differs is left out and
// said so), against a plain loop, and beside memcpy of the bytes read. Every
// line is the median of 5 repetitions; the ratios (ours / other) close the
// run.

#include <benchmark/benchmark.h>
#include <libyuv/convert_from_argb.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "media/primitives/Pixel16Conversion.h"
#include "media/primitives/SampleScaling.h"
#include "media/primitives/ScaledSampleArithmetic.h"

namespace prim = oculon::primitives;

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr prim::IppiSize kRoi{kWidth, kHeight};

cv::Mat noise(int type, unsigned seed) {
    cv::Mat m(kHeight, kWidth, type);
    std::mt19937 rng(seed);
    for (auto it = m.datastart; it != m.dataend; ++it) *const_cast<uchar*>(it) = static_cast<uchar>(rng());
    return m;
}

int step(const cv::Mat& m) { return static_cast<int>(m.step); }
template <typename T>
T* at(cv::Mat& m) {
    return reinterpret_cast<T*>(m.data);
}
template <typename T>
const T* at(const cv::Mat& m) {
    return reinterpret_cast<const T*>(m.data);
}

// One operation: its input(s), one output per contender, and the bytes read.
struct Case {
    std::string name;
    std::size_t bytesRead;
    std::function<void(cv::Mat&)> ours, plain;
    std::string peerName;
    std::function<void(cv::Mat&)> peer;
    cv::Mat outType;  // an output of the right size and type
};

struct Frames {
    cv::Mat a16 = noise(CV_16SC1, 1), b16 = noise(CV_16SC1, 2), u16 = noise(CV_16UC1, 3);
    cv::Mat p565 = noise(CV_8UC2, 4), rgb = noise(CV_8UC3, 5), rgba = noise(CV_8UC4, 6);
};

Frames& frames() {
    static Frames f;
    return f;
}

// The in-place sample forms work on a copy of the first operand, made
// inside the timed loop for every contender alike.
std::vector<Case> cases() {
    Frames& f = frames();
    const std::size_t px = std::size_t{kWidth} * kHeight;
    std::vector<Case> c;
    c.push_back({"Add_16s_sf1", 4 * px,
                 [&f](cv::Mat& out) {
                     f.a16.copyTo(out);
                     prim::ippiAdd_16s_C1IRSfs(at<prim::Ipp16s>(f.b16), step(f.b16), at<prim::Ipp16s>(out), step(out),
                                               kRoi, 1);
                 },
                 [&f](cv::Mat& out) {
                     f.a16.copyTo(out);
                     auto* d = at<short>(out);
                     const auto* s = at<short>(f.b16);
                     for (std::size_t i = 0; i < px; ++i) {
                         const int v = d[i] + s[i], r = (v + ((v >> 1) & 1)) >> 1;
                         d[i] = static_cast<short>(r);
                     }
                 },
                 "opencv addWeighted(0.5, 0.5)",
                 [&f](cv::Mat& out) {
                     f.a16.copyTo(out);
                     cv::addWeighted(out, 0.5, f.b16, 0.5, 0.0, out);
                 },
                 cv::Mat(kHeight, kWidth, CV_16SC1)});
    c.push_back({"Mul_16s_sf0", 4 * px,
                 [&f](cv::Mat& out) {
                     f.a16.copyTo(out);
                     prim::ippiMul_16s_C1IRSfs(at<prim::Ipp16s>(f.b16), step(f.b16), at<prim::Ipp16s>(out), step(out),
                                               kRoi, 0);
                 },
                 [&f](cv::Mat& out) {
                     f.a16.copyTo(out);
                     auto* d = at<short>(out);
                     const auto* s = at<short>(f.b16);
                     for (std::size_t i = 0; i < px; ++i) {
                         const int v = d[i] * s[i];
                         d[i] = static_cast<short>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
                     }
                 },
                 "opencv multiply",
                 [&f](cv::Mat& out) {
                     f.a16.copyTo(out);
                     cv::multiply(out, f.b16, out);
                 },
                 cv::Mat(kHeight, kWidth, CV_16SC1)});
    c.push_back({"Scale_16u8u_accurate", 2 * px,
                 [&f](cv::Mat& out) {
                     prim::ippiScale_16u8u_C1R(at<prim::Ipp16u>(f.u16), step(f.u16), out.data, step(out), kRoi,
                                               prim::ippAlgHintAccurate);
                 },
                 [&f](cv::Mat& out) {
                     const auto* s = at<unsigned short>(f.u16);
                     for (std::size_t i = 0; i < px; ++i) out.data[i] = static_cast<uchar>((s[i] + 128) / 257);
                 },
                 "opencv convertTo(1/257)", [&f](cv::Mat& out) { f.u16.convertTo(out, CV_8U, 1.0 / 257); },
                 cv::Mat(kHeight, kWidth, CV_8UC1)});
    c.push_back({"Scale_16u8u_fast", 2 * px,
                 [&f](cv::Mat& out) {
                     prim::ippiScale_16u8u_C1R(at<prim::Ipp16u>(f.u16), step(f.u16), out.data, step(out), kRoi,
                                               prim::ippAlgHintFast);
                 },
                 [&f](cv::Mat& out) {
                     const auto* s = at<unsigned short>(f.u16);
                     for (std::size_t i = 0; i < px; ++i)
                         out.data[i] = static_cast<uchar>((s[i] - (s[i] >> 8) + 128) >> 8);
                 },
                 "", nullptr, cv::Mat(kHeight, kWidth, CV_8UC1)});
    c.push_back({"RGB565ToRGB24", 2 * px,
                 [&f](cv::Mat& out) {
                     prim::ippiRGB565ToRGB_8u_C3R(at<prim::Ipp16u>(f.p565), step(f.p565), out.data, step(out), kRoi);
                 },
                 [&f](cv::Mat& out) {
                     const auto* s = at<unsigned short>(f.p565);
                     for (std::size_t i = 0; i < px; ++i) {
                         out.data[3 * i] = static_cast<uchar>((s[i] & 0x1F) << 3);
                         out.data[3 * i + 1] = static_cast<uchar>(((s[i] >> 5) & 0x3F) << 2);
                         out.data[3 * i + 2] = static_cast<uchar>((s[i] >> 11) << 3);
                     }
                 },
                 "opencv cvtColor", [&f](cv::Mat& out) { cv::cvtColor(f.p565, out, cv::COLOR_BGR5652BGR); },
                 cv::Mat(kHeight, kWidth, CV_8UC3)});
    c.push_back({"RGB24ToRGB565", 3 * px,
                 [&f](cv::Mat& out) {
                     prim::ippiRGB_8u_C3RToRGB565(f.rgb.data, step(f.rgb), at<prim::Ipp16u>(out), step(out), kRoi);
                 },
                 [&f](cv::Mat& out) {
                     const uchar* s = f.rgb.data;
                     auto* d = at<unsigned short>(out);
                     for (std::size_t i = 0; i < px; ++i)
                         d[i] = static_cast<unsigned short>((s[3 * i] >> 3) | (s[3 * i + 1] >> 2) << 5 |
                                                            (s[3 * i + 2] >> 3) << 11);
                 },
                 "opencv cvtColor", [&f](cv::Mat& out) { cv::cvtColor(f.rgb, out, cv::COLOR_BGR2BGR565); },
                 cv::Mat(kHeight, kWidth, CV_8UC2)});
    c.push_back(
        {"RGBAToRGB565", 4 * px,
         [&f](cv::Mat& out) {
             prim::ippiRGBA_8u_AC4RToRGB565(f.rgba.data, step(f.rgba), at<prim::Ipp16u>(out), step(out), kRoi);
         },
         [&f](cv::Mat& out) {
             const uchar* s = f.rgba.data;
             auto* d = at<unsigned short>(out);
             for (std::size_t i = 0; i < px; ++i)
                 d[i] = static_cast<unsigned short>((s[4 * i] >> 3) | (s[4 * i + 1] >> 2) << 5 |
                                                    (s[4 * i + 2] >> 3) << 11);
         },
         "libyuv ARGBToRGB565",
         [&f](cv::Mat& out) { libyuv::ARGBToRGB565(f.rgba.data, step(f.rgba), out.data, step(out), kWidth, kHeight); },
         cv::Mat(kHeight, kWidth, CV_8UC2)});
    c.push_back({"RGB565ToRGBA", 2 * px,
                 [&f](cv::Mat& out) {
                     prim::ippiRGB565ToRGBA_8u_AC4R(at<prim::Ipp16u>(f.p565), step(f.p565), out.data, step(out), kRoi);
                 },
                 [&f](cv::Mat& out) {
                     const auto* s = at<unsigned short>(f.p565);
                     for (std::size_t i = 0; i < px; ++i) {
                         uchar* d = out.data + 4 * i;
                         d[0] = static_cast<uchar>((s[i] & 0x1F) << 3);
                         d[1] = static_cast<uchar>(((s[i] >> 5) & 0x3F) << 2);
                         d[2] = static_cast<uchar>((s[i] >> 11) << 3);
                         d[3] = 255;
                     }
                 },
                 "opencv cvtColor", [&f](cv::Mat& out) { cv::cvtColor(f.p565, out, cv::COLOR_BGR5652BGRA); },
                 cv::Mat(kHeight, kWidth, CV_8UC4)});
    return c;
}

bool same(const cv::Mat& a, const cv::Mat& b) {
    return a.total() * a.elemSize() == b.total() * b.elemSize() &&
           std::memcmp(a.data, b.data, a.total() * a.elemSize()) == 0;
}

void run(benchmark::State& state, const std::function<void(cv::Mat&)>& fn, cv::Mat out, std::size_t bytes) {
    for (auto _ : state) {
        fn(out);
        benchmark::DoNotOptimize(out.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// Keeps the median of every "<case>/<contender>" and prints, per case, the
// ratio of ours to each other contender.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median" && !r.error_occurred)
                medians_[r.run_name.function_name] = r.GetAdjustedRealTime();
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nmedian of 5, microseconds; ratio = ours / other\n");
        for (const auto& [name, ours] : medians_) {
            const auto slash = name.rfind("/ours");
            if (slash == std::string::npos) continue;
            const std::string base = name.substr(0, slash);
            for (const char* other : {"/peer", "/plain", "/memcpy"}) {
                const auto it = medians_.find(base + other);
                if (it != medians_.end() && it->second > 0)
                    std::printf("%-22s ours %9.1f  %-7s %9.1f  ratio %5.2f\n", base.c_str(), ours, other + 1,
                                it->second, ours / it->second);
            }
        }
    }

private:
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);  // ours is single-threaded; compare like with like
    benchmark::Initialize(&argc, argv);
    static const std::vector<Case> all = cases();
    static std::vector<std::vector<uchar>> memcpyBuffers;
    memcpyBuffers.reserve(all.size());  // the benchmarks keep references
    for (const Case& c : all) {
        auto reg = [&c](const std::string& who, std::function<void(cv::Mat&)> fn) {
            benchmark::RegisterBenchmark((c.name + "/" + who).c_str(),
                                         [fn, &c](benchmark::State& s) { run(s, fn, c.outType.clone(), c.bytesRead); })
                ->Unit(benchmark::kMicrosecond)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        };
        cv::Mat mine = c.outType.clone(), plain = c.outType.clone();
        c.ours(mine);
        c.plain(plain);
        if (!same(mine, plain)) std::printf("%s: the plain loop differs from ours\n", c.name.c_str());
        reg("ours", c.ours);
        reg("plain", c.plain);
        if (c.peer) {
            cv::Mat theirs = c.outType.clone();
            c.peer(theirs);
            if (same(mine, theirs)) reg("peer", c.peer);
            else std::printf("%s: %s gives other output; left out\n", c.name.c_str(), c.peerName.c_str());
            std::printf("%s: peer is %s\n", c.name.c_str(), c.peerName.c_str());
        }
        auto& buf = memcpyBuffers.emplace_back(2 * c.bytesRead);
        reg("memcpy", [&buf, n = c.bytesRead](cv::Mat&) { std::memcpy(buf.data() + n, buf.data(), n); });
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
