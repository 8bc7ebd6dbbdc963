// The image primitives on the AVI export's road at 1280x720: the 4:2:0 and
// 4:2:2 conversions (also the B, G, R forms of the 4:2:2 ones that the pixel
// stores run), and 8-bit C4 add and absolute difference, against libyuv and
// OpenCV in the same run, each beside memcpy of the same bytes (half the
// bytes read and written). Every peer starts from the same input bytes as
// ours.
//
// Add and absolute difference must give the same bytes as the peers (checked
// before timing, a mismatch stops the run). The colour conversions use other
// constants than the peers (each library its own fixed point, libyuv's 4:2:2
// encoder studio range): they count as the same work, and the largest
// difference per sample is printed with the line. The rules of
// bench/README.md hold otherwise: the median of at least 5 runs, and the
// ratio against the fastest peer per line.

#include <benchmark/benchmark.h>

#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>
#include <libyuv/convert_from.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/planar_functions.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "media/primitives/ColourConversion.h"
#include "media/primitives/ImageLogic.h"
#include "media/primitives/Packed422Kernels.h"
#include "media/primitives/ScaledImageArithmetic.h"

namespace prim = oculon::primitives;
namespace rules = oculon::bench;

namespace {

constexpr int kW = 1280, kH = 720, kPixels = kW * kH;
constexpr prim::IppiSize kRoi{kW, kH};

std::vector<std::uint8_t> noise(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> v(n);
    std::mt19937 rng(seed);
    for (auto& b : v) b = static_cast<std::uint8_t>(rng());
    return v;
}

// Inputs: a smooth picture (neighbouring pixels alike, as in video) so that
// chroma subsampling compares like with like; and noise for the arithmetic.
struct Inputs {
    std::vector<std::uint8_t> rgb = std::vector<std::uint8_t>(3 * kPixels), argb, i420, yuy2,
                              c4a = noise(4 * kPixels, 1), c4b = noise(4 * kPixels, 2);
    Inputs() {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                std::uint8_t* p = &rgb[3 * (y * kW + x)];
                p[0] = static_cast<std::uint8_t>(x / 5 + y / 7);
                p[1] = static_cast<std::uint8_t>(128 + 100 * ((x / 37 + y / 23) % 3 - 1));
                p[2] = static_cast<std::uint8_t>(255 - y / 3);
            }
        argb.resize(4 * kPixels);
        libyuv::RGB24ToARGB(rgb.data(), 3 * kW, argb.data(), 4 * kW, kW, kH);
        i420.resize(kPixels * 3 / 2);
        libyuv::RGB24ToI420(rgb.data(), 3 * kW, i420.data(), kW, i420.data() + kPixels, kW / 2,
                            i420.data() + kPixels * 5 / 4, kW / 2, kW, kH);
        yuy2.resize(2 * kPixels);
        libyuv::ARGBToYUY2(argb.data(), 4 * kW, yuy2.data(), 2 * kW, kW, kH);
    }
    const std::uint8_t* plane(int k) const { return i420.data() + (k == 0 ? 0 : k == 1 ? kPixels : kPixels * 5 / 4); }
};

const Inputs& in() {
    static const Inputs inputs;
    return inputs;
}

using Out = std::vector<std::uint8_t>;

// Every side writes the same layout as ours, so outputs compare byte by
// byte.
struct Side {
    std::string name;
    std::function<void(Out&)> run;
};

struct Case {
    std::string name;
    std::size_t outBytes, movedBytes;  // moved: read plus written
    bool exact;
    Side ours;
    std::vector<Side> peers;
};

int largestDifference(const Out& a, const Out& b) {
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

std::vector<Case> cases() {
    const Inputs& s = in();
    auto planes = [&s] {
        static const prim::Ipp8u* p[3];
        p[0] = s.plane(0), p[1] = s.plane(1), p[2] = s.plane(2);
        return p;
    };
    static int steps420[3] = {kW, kW / 2, kW / 2};
    auto i420Mat = [&s] { return cv::Mat(kH * 3 / 2, kW, CV_8UC1, const_cast<std::uint8_t*>(s.i420.data())); };
    std::vector<Case> list;
    list.push_back(
        {"4:2:0 -> RGB24",
         3 * kPixels,
         3 * kPixels + kPixels * 3 / 2,
         false,
         {"ours", [=](Out& d) { prim::ippiYCbCr420ToRGB_8u_P3C3R(planes(), steps420, d.data(), 3 * kW, kRoi); }},
         {{"libyuv::I420ToRAW",
           [&s](Out& d) {
               libyuv::I420ToRAW(s.plane(0), kW, s.plane(1), kW / 2, s.plane(2), kW / 2, d.data(), 3 * kW, kW, kH);
           }},
          {"cv::cvtColor YUV2RGB_I420", [=](Out& d) {
               cv::Mat out(kH, kW, CV_8UC3, d.data());
               cv::cvtColor(i420Mat(), out, cv::COLOR_YUV2RGB_I420);
           }}}});
    list.push_back({"RGB24 -> 4:2:0",
                    kPixels * 3 / 2,
                    3 * kPixels + kPixels * 3 / 2,
                    false,
                    {"ours",
                     [&s](Out& d) {
                         prim::Ipp8u* p[3] = {d.data(), d.data() + kPixels, d.data() + kPixels * 5 / 4};
                         prim::ippiRGBToYCbCr420_8u_C3P3R(s.rgb.data(), 3 * kW, p, steps420, kRoi);
                     }},
                    {{"libyuv::RAWToI420",
                      [&s](Out& d) {
                          libyuv::RAWToI420(s.rgb.data(), 3 * kW, d.data(), kW, d.data() + kPixels, kW / 2,
                                            d.data() + kPixels * 5 / 4, kW / 2, kW, kH);
                      }},
                     {"cv::cvtColor RGB2YUV_I420", [&s](Out& d) {
                          cv::Mat out(kH * 3 / 2, kW, CV_8UC1, d.data());
                          cv::cvtColor(cv::Mat(kH, kW, CV_8UC3, const_cast<std::uint8_t*>(s.rgb.data())), out,
                                       cv::COLOR_RGB2YUV_I420);
                      }}}});
    // libyuv has no direct 3-byte <-> YUY2 routine: its road goes through
    // ARGB, from the same input bytes as ours.
    using ToArgb = int (*)(const std::uint8_t*, int, std::uint8_t*, int, int, int);
    const auto toYuy2 = [&s](std::string name, ToArgb toArgb) {
        return Side{std::move(name), [&s, toArgb](Out& d) {
                        static Out argb(4 * kPixels);
                        toArgb(s.rgb.data(), 3 * kW, argb.data(), 4 * kW, kW, kH);
                        libyuv::ARGBToYUY2(argb.data(), 4 * kW, d.data(), 2 * kW, kW, kH);
                    }};
    };
    const auto fromYuy2 = [&s](std::string name, ToArgb fromArgb) {
        return Side{std::move(name), [&s, fromArgb](Out& d) {
                        static Out argb(4 * kPixels);
                        libyuv::YUY2ToARGB(s.yuy2.data(), 2 * kW, argb.data(), 4 * kW, kW, kH);
                        fromArgb(argb.data(), 4 * kW, d.data(), 3 * kW, kW, kH);
                    }};
    };
    const auto cvFromYuy2 = [&s](std::string name, int code) {
        return Side{std::move(name), [&s, code](Out& d) {
                        cv::Mat out(kH, kW, CV_8UC3, d.data());
                        cv::cvtColor(cv::Mat(kH, kW, CV_8UC2, const_cast<std::uint8_t*>(s.yuy2.data())), out, code);
                    }};
    };
    list.push_back(
        {"RGB -> YUY2",
         2 * kPixels,
         5 * kPixels,
         false,
         {"ours", [&s](Out& d) { prim::ippiRGBToYUV422_8u_C3C2R(s.rgb.data(), 3 * kW, d.data(), 2 * kW, kRoi); }},
         {toYuy2("libyuv::RAWToARGB + ARGBToYUY2", libyuv::RAWToARGB)}});
    list.push_back(
        {"BGR24 -> YUY2",
         2 * kPixels,
         5 * kPixels,
         false,
         {"ours", [&s](Out& d) { prim::packed422::bgrToYuv422(s.rgb.data(), 3 * kW, d.data(), 2 * kW, kRoi); }},
         {toYuy2("libyuv::RGB24ToARGB + ARGBToYUY2", libyuv::RGB24ToARGB)}});
    list.push_back(
        {"YUY2 -> RGB24",
         3 * kPixels,
         5 * kPixels,
         false,
         {"ours", [&s](Out& d) { prim::ippiYUV422ToRGB_8u_C2C3R(s.yuy2.data(), 2 * kW, d.data(), 3 * kW, kRoi); }},
         {cvFromYuy2("cv::cvtColor YUV2RGB_YUY2", cv::COLOR_YUV2RGB_YUY2),
          fromYuy2("libyuv::YUY2ToARGB + ARGBToRAW", libyuv::ARGBToRAW)}});
    list.push_back(
        {"YUY2 -> BGR24",
         3 * kPixels,
         5 * kPixels,
         false,
         {"ours", [&s](Out& d) { prim::packed422::yuv422ToBgr(s.yuy2.data(), 2 * kW, d.data(), 3 * kW, kRoi); }},
         {cvFromYuy2("cv::cvtColor YUV2BGR_YUY2", cv::COLOR_YUV2BGR_YUY2),
          fromYuy2("libyuv::YUY2ToARGB + ARGBToRGB24", libyuv::ARGBToRGB24)}});
    auto mats = [&s] {
        return std::pair{cv::Mat(kH, kW, CV_8UC4, const_cast<std::uint8_t*>(s.c4a.data())),
                         cv::Mat(kH, kW, CV_8UC4, const_cast<std::uint8_t*>(s.c4b.data()))};
    };
    list.push_back({"C4 Add",
                    4 * kPixels,
                    12 * kPixels,
                    true,
                    {"ours",
                     [&s](Out& d) {
                         prim::ippiAdd_8u_C4RSfs(s.c4a.data(), 4 * kW, s.c4b.data(), 4 * kW, d.data(), 4 * kW, kRoi, 0);
                     }},
                    {{"cv::add",
                      [=](Out& d) {
                          cv::Mat out(kH, kW, CV_8UC4, d.data());
                          cv::add(mats().first, mats().second, out);
                      }},
                     {"libyuv::ARGBAdd", [&s](Out& d) {
                          libyuv::ARGBAdd(s.c4a.data(), 4 * kW, s.c4b.data(), 4 * kW, d.data(), 4 * kW, kW, kH);
                      }}}});
    list.push_back(
        {"C4 AbsDiff",
         4 * kPixels,
         12 * kPixels,
         true,
         {"ours",
          [&s](Out& d) {
              prim::ippiAbsDiff_8u_C1R(s.c4a.data(), 4 * kW, s.c4b.data(), 4 * kW, d.data(), 4 * kW, {4 * kW, kH});
          }},
         {{"cv::absdiff", [=](Out& d) {
               cv::Mat out(kH, kW, CV_8UC4, d.data());
               cv::absdiff(mats().first, mats().second, out);
           }}}});
    return list;
}

void registerSide(const std::string& name, std::function<void(Out&)> run, std::size_t bytes) {
    rules::repeated(benchmark::RegisterBenchmark(name.c_str(),
                                                 [run, bytes](benchmark::State& st) {
                                                     Out d(bytes);
                                                     for (auto _ : st) {
                                                         run(d);
                                                         benchmark::ClobberMemory();
                                                     }
                                                 }))
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
}

std::string loadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    const std::vector<Case> all = cases();
    std::map<std::string, std::string> notes;
    for (const Case& c : all) {
        Out ours(c.outBytes);
        c.ours.run(ours);
        std::string note;
        for (const Side& p : c.peers) {
            Out theirs(c.outBytes);
            p.run(theirs);
            if (c.exact) {
                if (ours != theirs) {
                    std::fprintf(stderr, "%s: %s gives other bytes than ours\n", c.name.c_str(), p.name.c_str());
                    return 1;
                }
            } else {
                note += " " + std::to_string(largestDifference(ours, theirs));
            }
            registerSide(c.name + "/" + p.name, p.run, c.outBytes);
        }
        notes[c.name] = c.exact ? " same bytes" : " largest difference" + note;
        registerSide(c.name + "/ours", c.ours.run, c.outBytes);
        rules::repeated(benchmark::RegisterBenchmark((c.name + "/memcpy").c_str(), rules::copyAnchor, c.movedBytes / 2))
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
    }
    rules::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf(
        "\n1280x720, median of %d runs, microseconds; x peer = fastest peer / ours, x memcpy = memcpy / ours\n"
        "load average %s\n",
        rules::kRepetitions, loadAverage().c_str());
    std::printf("%-30s %9s %9s %8s %9s  %s\n", "case", "ours", "peer", "x peer", "x memcpy", "fastest peer, check");
    for (const Case& c : all) {
        const double ours = reporter.seconds(c.name + "/ours"), copy = reporter.seconds(c.name + "/memcpy");
        double best = 0;
        std::string bestName = "-";
        for (const Side& p : c.peers) {
            const double t = reporter.seconds(c.name + "/" + p.name);
            if (t > 0 && (best == 0 || t < best)) best = t, bestName = p.name;
        }
        std::printf("%-30s %9.0f %9.0f %8s %9s  %s,%s\n", c.name.c_str(), ours * 1e6, best * 1e6,
                    rules::ratio(best, ours).c_str(), rules::ratio(copy, ours).c_str(), bestName.c_str(),
                    notes[c.name].c_str());
    }
    return 0;
}
