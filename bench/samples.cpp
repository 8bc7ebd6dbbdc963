// Sample arithmetic and 16-bit pixel conversions on a 1280x720 frame, and
// again on a frame too large for the last-level cache, each against a plain
// loop built for this processor and the routine of a well-known library that
// give the same output (checked before timing; a peer that differs stops the
// run), the fastest of them the reference, and beside memcpy of the same
// bytes. The in-place forms work on a copy of the first operand, made inside
// the timed loop for every contender alike and counted in the bytes moved.
// The table at the end prints the ratios (bench/README.md).

#include <benchmark/benchmark.h>
#include <libyuv/convert_from_argb.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ImageCases.h"
#include "reference/PlainLoops.h"
#include "media/primitives/Pixel16Conversion.h"
#include "media/primitives/SampleScaling.h"
#include "media/primitives/ScaledSampleArithmetic.h"

namespace prim = oculon::primitives;
namespace rules = oculon::bench;

namespace {

using rules::noise;
using rules::step;

template <typename T>
T* at(cv::Mat& m) {
    return reinterpret_cast<T*>(m.data);
}
template <typename T>
const T* at(const cv::Mat& m) {
    return reinterpret_cast<const T*>(m.data);
}

// The size a line runs at: the camera's frame, or one whose 16-bit plane is
// 0.8x the last-level cache, so that every line moves 1.2x (the 16u-to-8u
// scale) to 2.4x (the 16-bit arithmetic) the cache's bytes a run and memory,
// not the cache, sets its pace.
struct Geometry {
    cv::Size size;
    std::string suffix;
    std::size_t pixels() const { return static_cast<std::size_t>(size.area()); }
    prim::IppiSize roi() const { return {size.width, size.height}; }
    bool frame() const { return suffix.empty(); }
};

Geometry frameGeometry() { return {{rules::kFrameWidth, rules::kFrameHeight}, ""}; }

Geometry dramGeometry() {
    long cache = sysconf(_SC_LEVEL3_CACHE_SIZE);
    if (cache <= 0) cache = 64L << 20;
    const long pixels = cache * 2 / 5;
    return {{rules::kFrameWidth, static_cast<int>(std::max<long>(rules::kFrameHeight, pixels / rules::kFrameWidth))},
            " (DRAM)"};
}

// The inputs of the lines, made when a line first reads them. The frame
// lines share theirs. Of the DRAM lines only the current line's are kept:
// those of all of them together would not fit the machine's memory. A DRAM
// line's first repetition makes its inputs, one outlier that the median of
// the repetitions leaves out.
const cv::Mat& input(const std::string& line, bool frame, int type, unsigned seed, cv::Size size) {
    static std::map<unsigned, cv::Mat> frameInputs, dramInputs;
    static std::string dramLine;
    std::map<unsigned, cv::Mat>& inputs = frame ? frameInputs : dramInputs;
    if (!frame && dramLine != line) dramInputs.clear(), dramLine = line;
    auto it = inputs.find(seed);
    if (it == inputs.end()) it = inputs.emplace(seed, noise(type, seed, size)).first;
    return it->second;
}

enum Seed : unsigned { kA16 = 1, kB16, kU16, k565, kRgb, kRgba };

// The inputs of one line: each named input is its own noise, the same at
// either size for the same seed.
struct Line {
    std::string name;
    Geometry g;
    const cv::Mat& get(int type, Seed seed) const { return input(name, g.frame(), type, seed, g.size); }
    const cv::Mat& a16() const { return get(CV_16SC1, kA16); }
    const cv::Mat& b16() const { return get(CV_16SC1, kB16); }
    const cv::Mat& u16() const { return get(CV_16UC1, kU16); }
    const cv::Mat& p565() const { return get(CV_8UC2, k565); }
    const cv::Mat& rgb() const { return get(CV_8UC3, kRgb); }
    const cv::Mat& rgba() const { return get(CV_8UC4, kRgba); }
    // The destination a contender starts from: noise at the frame size, so
    // that bytes a routine leaves count; at the DRAM size none, and every
    // contender writes the line's one destination, made by the first (a copy
    // per contender would not fit the memory, and a fresh one each run would
    // time its page faults). Every routine here writes every byte, checked
    // at the frame size.
    cv::Mat initial(int type, unsigned seed) const { return g.frame() ? noise(type, seed, g.size) : cv::Mat(); }
    std::shared_ptr<cv::Mat> destination = std::make_shared<cv::Mat>();
};

using Input = const cv::Mat& (Line::*)() const;

// A line's work on its destination of `type` (see Line::initial).
template <typename Work>
rules::ImageWork into(const Line& line, int type, Work work) {
    return [line, type, work](cv::Mat& out) {
        if (out.empty()) {
            line.destination->create(line.g.size, type);
            out = *line.destination;
        }
        work(out);
    };
}

// An in-place 16-bit form: the first operand copied into the destination,
// then `op` on it with the second operand.
rules::ImageWork onFirstOperand(const Line& line, std::function<void(cv::Mat& out, const cv::Mat& b)> op) {
    return into(line, CV_16SC1, [line, op](cv::Mat& out) {
        line.a16().copyTo(out);
        op(out, line.b16());
    });
}

// The plain loop of an in-place 16-bit form: d = combine(d, s) per sample.
template <typename Combine>
rules::ImageWork plainInPlace(const Line& line, Combine combine) {
    return onFirstOperand(line, [combine](cv::Mat& out, const cv::Mat& b) {
        auto* d = at<short>(out);
        const auto* s = at<short>(b);
        const std::size_t n = out.total();
        for (std::size_t i = 0; i < n; ++i) d[i] = static_cast<short>(combine(d[i], s[i]));
    });
}

rules::ImageWork oursScale(const Line& line, prim::IppHintAlgorithm hint) {
    return into(line, CV_8UC1, [line, hint](cv::Mat& out) {
        const cv::Mat& u16 = line.u16();
        prim::ippiScale_16u8u_C1R(at<prim::Ipp16u>(u16), step(u16), out.data, step(out), line.g.roi(), hint);
    });
}

// The plain loop of a 16-bit to 8-bit scale, built for this processor.
rules::ImageWork plainScale(const Line& line, void (*scale)(const std::uint16_t*, std::uint8_t*, std::size_t)) {
    return into(line, CV_8UC1,
                [line, scale](cv::Mat& out) { scale(at<std::uint16_t>(line.u16()), out.data, out.total()); });
}

// The plain loop from RGB565 to 3 or 4 bytes a pixel (alpha 255).
template <int kChannels>
rules::ImageWork plainFrom565(const Line& line) {
    return into(line, CV_8UC(kChannels), [line](cv::Mat& out) {
        const auto* s = at<unsigned short>(line.p565());
        const std::size_t n = out.total();
        for (std::size_t i = 0; i < n; ++i) {
            uchar* d = out.data + kChannels * i;
            d[0] = static_cast<uchar>((s[i] & 0x1F) << 3);
            d[1] = static_cast<uchar>(((s[i] >> 5) & 0x3F) << 2);
            d[2] = static_cast<uchar>((s[i] >> 11) << 3);
            if constexpr (kChannels == 4) d[3] = 255;
        }
    });
}

// The plain loop from 3 or 4 bytes a pixel to RGB565.
template <int kChannels>
rules::ImageWork plainTo565(const Line& line, Input src) {
    return into(line, CV_8UC2, [line, src](cv::Mat& out) {
        const uchar* s = (line.*src)().data;
        auto* d = at<unsigned short>(out);
        const std::size_t n = out.total();
        for (std::size_t i = 0; i < n; ++i)
            d[i] = static_cast<unsigned short>((s[kChannels * i] >> 3) | (s[kChannels * i + 1] >> 2) << 5 |
                                               (s[kChannels * i + 2] >> 3) << 11);
    });
}

void addCases(std::vector<rules::ImageCase>& cases, const Geometry& g) {
    const std::size_t px = g.pixels();
    const prim::IppiSize roi = g.roi();
    const auto line = [&g](const char* name) { return Line{name + g.suffix, g}; };
    // The in-place forms: the copy (2 + 2 bytes a pixel), then two operands
    // read and one written (2 + 2 + 2).
    const std::size_t inPlace = 10 * px;
    const Line add = line("Add_16s_sf1");
    cases.push_back({add.name,
                     inPlace,
                     add.initial(CV_16SC1, 7),
                     onFirstOperand(add,
                                    [roi](cv::Mat& out, const cv::Mat& b) {
                                        prim::ippiAdd_16s_C1IRSfs(at<prim::Ipp16s>(b), step(b), at<prim::Ipp16s>(out),
                                                                  step(out), roi, 1);
                                    }),
                     {{"plain loop", plainInPlace(add,
                                                  [](int d, int s) {
                                                      const int v = d + s;
                                                      return (v + ((v >> 1) & 1)) >> 1;
                                                  })},
                      {"cv::addWeighted 0.5, 0.5", onFirstOperand(add, [](cv::Mat& out, const cv::Mat& b) {
                           cv::addWeighted(out, 0.5, b, 0.5, 0.0, out);
                       })}}});
    const Line mul = line("Mul_16s_sf0");
    cases.push_back(
        {mul.name,
         inPlace,
         mul.initial(CV_16SC1, 8),
         onFirstOperand(mul,
                        [roi](cv::Mat& out, const cv::Mat& b) {
                            prim::ippiMul_16s_C1IRSfs(at<prim::Ipp16s>(b), step(b), at<prim::Ipp16s>(out), step(out),
                                                      roi, 0);
                        }),
         {{"plain loop", plainInPlace(mul, [](int d, int s) { return std::clamp(d * s, -32768, 32767); })},
          {"cv::multiply", onFirstOperand(mul, [](cv::Mat& out, const cv::Mat& b) { cv::multiply(out, b, out); })}}});
    const Line accurate = line("Scale_16u8u_accurate");
    cases.push_back({accurate.name,
                     3 * px,
                     accurate.initial(CV_8UC1, 9),
                     oursScale(accurate, prim::ippAlgHintAccurate),
                     {{"plain loop", plainScale(accurate, plain::scale16u8uAccurate)},
                      {"cv::convertTo 1/257", into(accurate, CV_8UC1, [accurate](cv::Mat& out) {
                           accurate.u16().convertTo(out, CV_8U, 1.0 / 257);
                       })}}});
    const Line fast = line("Scale_16u8u_fast");
    cases.push_back({fast.name,
                     3 * px,
                     fast.initial(CV_8UC1, 10),
                     oursScale(fast, prim::ippAlgHintFast),
                     {{"plain loop", plainScale(fast, plain::scale16u8uFast)}}});
    // A pixel conversion of `source` into a destination of `type`.
    const auto conversion = [&](const Line& l, std::size_t bytes, int type, unsigned seed, Input source,
                                void (*ours)(const cv::Mat& src, cv::Mat& dst, prim::IppiSize roi),
                                rules::ImagePeer plainLoop, rules::ImagePeer peer) {
        cases.push_back({l.name,
                         bytes * px,
                         l.initial(type, seed),
                         into(l, type, [l, source, ours](cv::Mat& out) { ours((l.*source)(), out, l.g.roi()); }),
                         {std::move(plainLoop), std::move(peer)}});
    };
    const auto cvtColor = [](const Line& l, int type, Input source, int code) {
        return rules::ImagePeer{
            "cv::cvtColor", into(l, type, [l, source, code](cv::Mat& out) { cv::cvtColor((l.*source)(), out, code); })};
    };
    Line l = line("RGB565ToRGB24");
    conversion(
        l, 5, CV_8UC3, 11, &Line::p565,
        [](const cv::Mat& s, cv::Mat& d, prim::IppiSize r) {
            prim::ippiRGB565ToRGB_8u_C3R(at<prim::Ipp16u>(s), step(s), d.data, step(d), r);
        },
        {"plain loop", plainFrom565<3>(l)}, cvtColor(l, CV_8UC3, &Line::p565, cv::COLOR_BGR5652BGR));
    l = line("RGB24ToRGB565");
    conversion(
        l, 5, CV_8UC2, 12, &Line::rgb,
        [](const cv::Mat& s, cv::Mat& d, prim::IppiSize r) {
            prim::ippiRGB_8u_C3RToRGB565(s.data, step(s), at<prim::Ipp16u>(d), step(d), r);
        },
        {"plain loop", plainTo565<3>(l, &Line::rgb)}, cvtColor(l, CV_8UC2, &Line::rgb, cv::COLOR_BGR2BGR565));
    l = line("RGBAToRGB565");
    conversion(l, 6, CV_8UC2, 13, &Line::rgba,
               [](const cv::Mat& s, cv::Mat& d, prim::IppiSize r) {
                   prim::ippiRGBA_8u_AC4RToRGB565(s.data, step(s), at<prim::Ipp16u>(d), step(d), r);
               },
               {"plain loop", plainTo565<4>(l, &Line::rgba)},
               {"libyuv::ARGBToRGB565", into(l, CV_8UC2, [l](cv::Mat& out) {
                    const cv::Mat& s = l.rgba();
                    libyuv::ARGBToRGB565(s.data, step(s), out.data, step(out), s.cols, s.rows);
                })});
    l = line("RGB565ToRGBA");
    conversion(
        l, 6, CV_8UC4, 14, &Line::p565,
        [](const cv::Mat& s, cv::Mat& d, prim::IppiSize r) {
            prim::ippiRGB565ToRGBA_8u_AC4R(at<prim::Ipp16u>(s), step(s), d.data, step(d), r);
        },
        {"plain loop", plainFrom565<4>(l)}, cvtColor(l, CV_8UC4, &Line::p565, cv::COLOR_BGR5652BGRA));
}

std::vector<rules::ImageCase> cases() {
    std::vector<rules::ImageCase> all;
    addCases(all, frameGeometry());
    addCases(all, dramGeometry());
    return all;
}

}  // namespace

int main(int argc, char** argv) { return oculon::bench::runImageCases(argc, argv, cases); }
