// Sample arithmetic and 16-bit pixel conversions on a 1280x720 frame, each
// against a plain loop and the routine of a well-known library that give the
// same output (checked before timing; a peer that differs stops the run), the
// fastest of them the reference, and beside memcpy of the same bytes. The
// in-place forms work on a copy of the first operand, made inside the timed
// loop for every contender alike and counted in the bytes moved. The table
// at the end prints the ratios (bench/README.md).

#include <benchmark/benchmark.h>
#include <libyuv/convert_from_argb.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ImageCases.h"
#include "media/primitives/Pixel16Conversion.h"
#include "media/primitives/SampleScaling.h"
#include "media/primitives/ScaledSampleArithmetic.h"

namespace prim = oculon::primitives;
namespace rules = oculon::bench;

namespace {

using rules::noise;
using rules::step;
constexpr prim::IppiSize kRoi = rules::kFrameRoi;
constexpr std::size_t kPixels = std::size_t{rules::kFrameWidth} * rules::kFrameHeight;
template <typename T>
T* at(cv::Mat& m) {
    return reinterpret_cast<T*>(m.data);
}
template <typename T>
const T* at(const cv::Mat& m) {
    return reinterpret_cast<const T*>(m.data);
}

struct Frames {
    cv::Mat a16 = noise(CV_16SC1, 1), b16 = noise(CV_16SC1, 2), u16 = noise(CV_16UC1, 3);
    cv::Mat p565 = noise(CV_8UC2, 4), rgb = noise(CV_8UC3, 5), rgba = noise(CV_8UC4, 6);
};

const Frames& frames() {
    static const Frames f;
    return f;
}

// An in-place 16-bit form: the first operand copied into the destination,
// then `op` on it with the second operand.
rules::ImageWork onFirstOperand(std::function<void(cv::Mat& out, const cv::Mat& b)> op) {
    return [op](cv::Mat& out) {
        frames().a16.copyTo(out);
        op(out, frames().b16);
    };
}

// The plain loop of an in-place 16-bit form: d = combine(d, s) per sample.
template <typename Combine>
rules::ImageWork plainInPlace(Combine combine) {
    return onFirstOperand([combine](cv::Mat& out, const cv::Mat& b) {
        auto* d = at<short>(out);
        const auto* s = at<short>(b);
        for (std::size_t i = 0; i < kPixels; ++i) d[i] = static_cast<short>(combine(d[i], s[i]));
    });
}

rules::ImageWork oursScale(prim::IppHintAlgorithm hint) {
    return [hint](cv::Mat& out) {
        const cv::Mat& u16 = frames().u16;
        prim::ippiScale_16u8u_C1R(at<prim::Ipp16u>(u16), step(u16), out.data, step(out), kRoi, hint);
    };
}

// The plain loop of a 16-bit to 8-bit scale: d = scale(s) per sample.
template <typename Scale>
rules::ImageWork plainScale(Scale scale) {
    return [scale](cv::Mat& out) {
        const auto* s = at<unsigned short>(frames().u16);
        for (std::size_t i = 0; i < kPixels; ++i) out.data[i] = static_cast<uchar>(scale(s[i]));
    };
}

// The plain loop from RGB565 to 3 or 4 bytes a pixel (alpha 255).
template <int kChannels>
rules::ImageWork plainFrom565() {
    return [](cv::Mat& out) {
        const auto* s = at<unsigned short>(frames().p565);
        for (std::size_t i = 0; i < kPixels; ++i) {
            uchar* d = out.data + kChannels * i;
            d[0] = static_cast<uchar>((s[i] & 0x1F) << 3);
            d[1] = static_cast<uchar>(((s[i] >> 5) & 0x3F) << 2);
            d[2] = static_cast<uchar>((s[i] >> 11) << 3);
            if constexpr (kChannels == 4) d[3] = 255;
        }
    };
}

// The plain loop from 3 or 4 bytes a pixel to RGB565.
template <int kChannels>
rules::ImageWork plainTo565(const cv::Mat& src) {
    return [&src](cv::Mat& out) {
        const uchar* s = src.data;
        auto* d = at<unsigned short>(out);
        for (std::size_t i = 0; i < kPixels; ++i)
            d[i] = static_cast<unsigned short>((s[kChannels * i] >> 3) | (s[kChannels * i + 1] >> 2) << 5 |
                                               (s[kChannels * i + 2] >> 3) << 11);
    };
}

std::vector<rules::ImageCase> cases() {
    const Frames& f = frames();
    const std::size_t px = kPixels;
    // The in-place forms: the copy (2 + 2 bytes a pixel), then two operands
    // read and one written (2 + 2 + 2).
    const std::size_t inPlace = 10 * px;
    return {
        {"Add_16s_sf1",
         inPlace,
         noise(CV_16SC1, 7),
         onFirstOperand([](cv::Mat& out, const cv::Mat& b) {
             prim::ippiAdd_16s_C1IRSfs(at<prim::Ipp16s>(b), step(b), at<prim::Ipp16s>(out), step(out), kRoi, 1);
         }),
         {{"plain loop", plainInPlace([](int d, int s) {
               const int v = d + s;
               return (v + ((v >> 1) & 1)) >> 1;
           })},
          {"cv::addWeighted 0.5, 0.5",
           onFirstOperand([](cv::Mat& out, const cv::Mat& b) { cv::addWeighted(out, 0.5, b, 0.5, 0.0, out); })}}},
        {"Mul_16s_sf0",
         inPlace,
         noise(CV_16SC1, 8),
         onFirstOperand([](cv::Mat& out, const cv::Mat& b) {
             prim::ippiMul_16s_C1IRSfs(at<prim::Ipp16s>(b), step(b), at<prim::Ipp16s>(out), step(out), kRoi, 0);
         }),
         {{"plain loop", plainInPlace([](int d, int s) { return std::clamp(d * s, -32768, 32767); })},
          {"cv::multiply", onFirstOperand([](cv::Mat& out, const cv::Mat& b) { cv::multiply(out, b, out); })}}},
        {"Scale_16u8u_accurate",
         3 * px,
         noise(CV_8UC1, 9),
         oursScale(prim::ippAlgHintAccurate),
         {{"plain loop", plainScale([](int s) { return (s + 128) / 257; })},
          {"cv::convertTo 1/257", [&f](cv::Mat& out) { f.u16.convertTo(out, CV_8U, 1.0 / 257); }}}},
        {"Scale_16u8u_fast",
         3 * px,
         noise(CV_8UC1, 10),
         oursScale(prim::ippAlgHintFast),
         {{"plain loop", plainScale([](int s) { return (s - (s >> 8) + 128) >> 8; })}}},
        {"RGB565ToRGB24",
         5 * px,
         noise(CV_8UC3, 11),
         [&f](cv::Mat& out) {
             prim::ippiRGB565ToRGB_8u_C3R(at<prim::Ipp16u>(f.p565), step(f.p565), out.data, step(out), kRoi);
         },
         {{"plain loop", plainFrom565<3>()},
          {"cv::cvtColor", [&f](cv::Mat& out) { cv::cvtColor(f.p565, out, cv::COLOR_BGR5652BGR); }}}},
        {"RGB24ToRGB565",
         5 * px,
         noise(CV_8UC2, 12),
         [&f](cv::Mat& out) {
             prim::ippiRGB_8u_C3RToRGB565(f.rgb.data, step(f.rgb), at<prim::Ipp16u>(out), step(out), kRoi);
         },
         {{"plain loop", plainTo565<3>(f.rgb)},
          {"cv::cvtColor", [&f](cv::Mat& out) { cv::cvtColor(f.rgb, out, cv::COLOR_BGR2BGR565); }}}},
        {"RGBAToRGB565",
         6 * px,
         noise(CV_8UC2, 13),
         [&f](cv::Mat& out) {
             prim::ippiRGBA_8u_AC4RToRGB565(f.rgba.data, step(f.rgba), at<prim::Ipp16u>(out), step(out), kRoi);
         },
         {{"plain loop", plainTo565<4>(f.rgba)},
          {"libyuv::ARGBToRGB565",
           [&f](cv::Mat& out) {
               libyuv::ARGBToRGB565(f.rgba.data, step(f.rgba), out.data, step(out), rules::kFrameWidth,
                                    rules::kFrameHeight);
           }}}},
        {"RGB565ToRGBA",
         6 * px,
         noise(CV_8UC4, 14),
         [&f](cv::Mat& out) {
             prim::ippiRGB565ToRGBA_8u_AC4R(at<prim::Ipp16u>(f.p565), step(f.p565), out.data, step(out), kRoi);
         },
         {{"plain loop", plainFrom565<4>()},
          {"cv::cvtColor", [&f](cv::Mat& out) { cv::cvtColor(f.p565, out, cv::COLOR_BGR5652BGRA); }}}},
    };
}

}  // namespace

int main(int argc, char** argv) { return oculon::bench::runImageCases(argc, argv, cases); }
