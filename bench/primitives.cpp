// The image primitives' channel copies, swaps, fills and the top-to-bottom
// flip on a 1280x720 frame of noise (every byte, alpha included, random, so
// a peer that sets or copies bytes we keep cannot pass for the same work).
// Each case runs ours, every OpenCV and libyuv routine that gives the same
// bytes (checked before timing; the fastest is the reference), and memcpy of
// the same bytes; the table at the end prints the ratios (bench/README.md).

#include <benchmark/benchmark.h>

#include <libyuv/convert_from_argb.h>
#include <libyuv/planar_functions.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "ImageCases.h"
#include "media/primitives/ImageCopy.h"
#include "media/primitives/ImageMirror.h"
#include "media/primitives/PixelShuffle.h"

namespace prim = oculon::primitives;
namespace rules = oculon::bench;

namespace {

using rules::noise;
using rules::step;
constexpr int kWidth = rules::kFrameWidth, kHeight = rules::kFrameHeight;
constexpr prim::IppiSize kRoi = rules::kFrameRoi;

struct Sources {
    cv::Mat gray = noise(CV_8UC1, 1);
    cv::Mat rgb = noise(CV_8UC3, 2);
    cv::Mat rgba = noise(CV_8UC4, 3);
    std::vector<cv::Mat> planes{noise(CV_8UC1, 4), noise(CV_8UC1, 5), noise(CV_8UC1, 6)};
};

const Sources& sources() {
    static const Sources s;
    return s;
}

using Peer = rules::ImagePeer;

const prim::Ipp8u kValue[4] = {0x12, 0x9A, 0x34, 0xBC};

// Reads every byte of a picture, as the next step of a program reads what a
// conversion wrote.
void readBack(const cv::Mat& m) {
    std::uint64_t sum = 0;
    for (const uchar* p = m.datastart; p + 8 <= m.dataend; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        sum ^= word;
    }
    benchmark::DoNotOptimize(sum);
}

// The planes to 3-byte pixels, through our entry point or with streamed
// stores (as cv::merge writes an aligned destination), and its peers, each
// with or without reading the picture back afterwards.
std::vector<rules::ImageCase> interleaveCases(const Sources& s) {
    const std::size_t p = kWidth * kHeight;
    const auto ours = [&s](cv::Mat& d) {
        const prim::Ipp8u* planes[3] = {s.planes[0].data, s.planes[1].data, s.planes[2].data};
        prim::ippiCopy_8u_P3C3R(planes, step(s.planes[0]), d.data, step(d), kRoi);
    };
    const auto streamed = [&s](cv::Mat& d) {
        const prim::Ipp8u* planes[3] = {s.planes[0].data, s.planes[1].data, s.planes[2].data};
        prim::pixels::kernels().interleave(planes, step(s.planes[0]), d.data, step(d), kRoi,
                                           prim::pixels::Stores::Streamed);
    };
    const auto merge = [&s](cv::Mat& d) { cv::merge(s.planes, d); };
    const auto mergeRgb = [&s](cv::Mat& d) {
        libyuv::MergeRGBPlane(s.planes[0].data, step(s.planes[0]), s.planes[1].data, step(s.planes[1]),
                              s.planes[2].data, step(s.planes[2]), d.data, step(d), kWidth, kHeight);
    };
    const auto thenRead = [](rules::ImageWork work) {
        return [work](cv::Mat& d) {
            work(d);
            readBack(d);
        };
    };
    return {{"P3C3", 6 * p, noise(CV_8UC3, 20), ours, {{"cv::merge", merge}, {"libyuv::MergeRGBPlane", mergeRgb}}},
            {"P3C3 streamed stores", 6 * p, noise(CV_8UC3, 20), streamed, {{"cv::merge", merge}}},
            {"P3C3 + read back",
             9 * p,
             noise(CV_8UC3, 20),
             thenRead(ours),
             {{"cv::merge + read back", thenRead(merge)}, {"libyuv::MergeRGBPlane + read back", thenRead(mergeRgb)}}}};
}

std::vector<rules::ImageCase> cases() {
    const Sources& s = sources();
    const std::size_t p = kWidth * kHeight;
    const auto mix = [](const cv::Mat& src, std::vector<int> pairs) {
        return Peer{"cv::mixChannels",
                    [&src, pairs](cv::Mat& d) { cv::mixChannels(&src, 1, &d, 1, pairs.data(), pairs.size() / 2); }};
    };
    std::vector<rules::ImageCase> all{
        {"C3C1 channel 1",
         4 * p,
         noise(CV_8UC1, 10),
         [&](cv::Mat& d) { prim::ippiCopy_8u_C3C1R(s.rgb.data + 1, step(s.rgb), d.data, step(d), kRoi); },
         {mix(s.rgb, {1, 0}), {"cv::extractChannel", [&](cv::Mat& d) { cv::extractChannel(s.rgb, d, 1); }}}},
        {"C4C1 channel 3",
         5 * p,
         noise(CV_8UC1, 11),
         [&](cv::Mat& d) { prim::ippiCopy_8u_C4C1R(s.rgba.data + 3, step(s.rgba), d.data, step(d), kRoi); },
         {mix(s.rgba, {3, 0}),
          {"cv::extractChannel", [&](cv::Mat& d) { cv::extractChannel(s.rgba, d, 3); }},
          {"libyuv::ARGBExtractAlpha",
           [&](cv::Mat& d) {
               libyuv::ARGBExtractAlpha(s.rgba.data, step(s.rgba), d.data, step(d), kWidth, kHeight);
           }}}},
        {"C1C3 into channel 1",
         4 * p,
         noise(CV_8UC3, 12),
         [&](cv::Mat& d) { prim::ippiCopy_8u_C1C3R(s.gray.data, step(s.gray), d.data + 1, step(d), kRoi); },
         {mix(s.gray, {0, 1}), {"cv::insertChannel", [&](cv::Mat& d) { cv::insertChannel(s.gray, d, 1); }}},
         0,
         p},
        {"C1C4 into channel 3",
         5 * p,
         noise(CV_8UC4, 13),
         [&](cv::Mat& d) { prim::ippiCopy_8u_C1C4R(s.gray.data, step(s.gray), d.data + 3, step(d), kRoi); },
         {mix(s.gray, {0, 3}),
          {"cv::insertChannel", [&](cv::Mat& d) { cv::insertChannel(s.gray, d, 3); }},
          {"libyuv::ARGBCopyYToAlpha",
           [&](cv::Mat& d) { libyuv::ARGBCopyYToAlpha(s.gray.data, step(s.gray), d.data, step(d), kWidth, kHeight); }}},
         0,
         p},
        {"C4CR channel 3",
         8 * p,
         noise(CV_8UC4, 14),
         [&](cv::Mat& d) { prim::ippiCopy_8u_C4CR(s.rgba.data + 3, step(s.rgba), d.data + 3, step(d), kRoi); },
         {mix(s.rgba, {3, 3}),
          {"libyuv::ARGBCopyAlpha",
           [&](cv::Mat& d) { libyuv::ARGBCopyAlpha(s.rgba.data, step(s.rgba), d.data, step(d), kWidth, kHeight); }}},
         0,
         4 * p},
        {"AC4 copy, alpha kept",
         8 * p,
         noise(CV_8UC4, 15),
         [&](cv::Mat& d) { prim::ippiCopy_8u_AC4R(s.rgba.data, step(s.rgba), d.data, step(d), kRoi); },
         {mix(s.rgba, {0, 0, 1, 1, 2, 2})},
         0,
         4 * p},
        {"C3AC4, alpha kept",
         7 * p,
         noise(CV_8UC4, 16),
         [&](cv::Mat& d) { prim::ippiCopy_8u_C3AC4R(s.rgb.data, step(s.rgb), d.data, step(d), kRoi); },
         {mix(s.rgb, {0, 0, 1, 1, 2, 2})},
         0,
         3 * p},
        {"AC4C3",
         7 * p,
         noise(CV_8UC3, 17),
         [&](cv::Mat& d) { prim::ippiCopy_8u_AC4C3R(s.rgba.data, step(s.rgba), d.data, step(d), kRoi); },
         {mix(s.rgba, {0, 0, 1, 1, 2, 2}),
          {"cv::cvtColor BGRA2BGR", [&](cv::Mat& d) { cv::cvtColor(s.rgba, d, cv::COLOR_BGRA2BGR); }},
          {"libyuv::ARGBToRGB24",
           [&](cv::Mat& d) { libyuv::ARGBToRGB24(s.rgba.data, step(s.rgba), d.data, step(d), kWidth, kHeight); }}}},
        {"Swap C3 2,1,0",
         6 * p,
         noise(CV_8UC3, 18),
         [&](cv::Mat& d) {
             const int order[3] = {2, 1, 0};
             prim::ippiSwapChannels_8u_C3R(s.rgb.data, step(s.rgb), d.data, step(d), kRoi, order);
         },
         {mix(s.rgb, {0, 2, 1, 1, 2, 0}),
          {"cv::cvtColor BGR2RGB", [&](cv::Mat& d) { cv::cvtColor(s.rgb, d, cv::COLOR_BGR2RGB); }},
          {"libyuv::RAWToRGB24",
           [&](cv::Mat& d) { libyuv::RAWToRGB24(s.rgb.data, step(s.rgb), d.data, step(d), kWidth, kHeight); }}}},
        {"Swap AC4 2,1,0, alpha kept",
         8 * p,
         noise(CV_8UC4, 19),
         [&](cv::Mat& d) {
             const int order[3] = {2, 1, 0};
             prim::ippiSwapChannels_8u_AC4R(s.rgba.data, step(s.rgba), d.data, step(d), kRoi, order);
         },
         {mix(s.rgba, {0, 2, 1, 1, 2, 0})},
         0,
         4 * p},
        {"Set C3",
         3 * p,
         noise(CV_8UC3, 21),
         [](cv::Mat& d) { prim::ippiSet_8u_C3R(kValue, d.data, step(d), kRoi); },
         {{"cv::Mat::setTo", [](cv::Mat& d) { d.setTo(cv::Scalar(kValue[0], kValue[1], kValue[2])); }}}},
        {"Set C4",
         4 * p,
         noise(CV_8UC4, 22),
         [](cv::Mat& d) { prim::ippiSet_8u_C4R(kValue, d.data, step(d), kRoi); },
         {{"cv::Mat::setTo", [](cv::Mat& d) { d.setTo(cv::Scalar(kValue[0], kValue[1], kValue[2], kValue[3])); }},
          {"libyuv::ARGBRect",
           [](cv::Mat& d) {
               std::uint32_t argb;
               std::memcpy(&argb, kValue, 4);
               libyuv::ARGBRect(d.data, step(d), 0, 0, kWidth, kHeight, argb);
           }}}},
        {"Set AC4, alpha kept",
         8 * p,
         noise(CV_8UC4, 23),
         [](cv::Mat& d) { prim::ippiSet_8u_AC4R(kValue, d.data, step(d), kRoi); },
         {},
         0,
         0},
        {"Set C3CR channel 1",
         6 * p,
         noise(CV_8UC3, 24),
         [](cv::Mat& d) { prim::ippiSet_8u_C3CR(kValue[1], d.data + 1, step(d), kRoi); },
         {},
         0,
         0},
        {"Set C4CR channel 3",
         8 * p,
         noise(CV_8UC4, 25),
         [](cv::Mat& d) { prim::ippiSet_8u_C4CR(kValue[3], d.data + 3, step(d), kRoi); },
         {},
         0,
         0},
        {"Set 16s",
         2 * p,
         noise(CV_16SC1, 26),
         [](cv::Mat& d) { prim::ippiSet_16s_C1R(-1234, reinterpret_cast<prim::Ipp16s*>(d.data), step(d), kRoi); },
         {{"cv::Mat::setTo", [](cv::Mat& d) { d.setTo(cv::Scalar(-1234)); }}}},
        {"Mirror C3 top-bottom",
         6 * p,
         noise(CV_8UC3, 27),
         [&](cv::Mat& d) {
             prim::ippiMirror_8u_C3R(s.rgb.data, step(s.rgb), d.data, step(d), kRoi, prim::ippAxsHorizontal);
         },
         {{"cv::flip", [&](cv::Mat& d) { cv::flip(s.rgb, d, 0); }},
          {"libyuv::CopyPlane bottom-up",
           [&](cv::Mat& d) { libyuv::CopyPlane(s.rgb.data, step(s.rgb), d.data, step(d), 3 * kWidth, -kHeight); }}}},
        {"Mirror C4 top-bottom",
         8 * p,
         noise(CV_8UC4, 28),
         [&](cv::Mat& d) {
             prim::ippiMirror_8u_C4R(s.rgba.data, step(s.rgba), d.data, step(d), kRoi, prim::ippAxsHorizontal);
         },
         {{"cv::flip", [&](cv::Mat& d) { cv::flip(s.rgba, d, 0); }},
          {"libyuv::CopyPlane bottom-up",
           [&](cv::Mat& d) { libyuv::CopyPlane(s.rgba.data, step(s.rgba), d.data, step(d), 4 * kWidth, -kHeight); }}}},
    };
    // After the swaps, before the fills.
    const auto fills =
        std::find_if(all.begin(), all.end(), [](const rules::ImageCase& c) { return c.name == "Set C3"; });
    std::vector<rules::ImageCase> interleaves = interleaveCases(s);
    all.insert(fills, std::make_move_iterator(interleaves.begin()), std::make_move_iterator(interleaves.end()));
    return all;
}

}  // namespace

int main(int argc, char** argv) { return oculon::bench::runImageCases(argc, argv, cases, 0.2); }
