// Resizing 8-bit three- and four-channel frames at the export's sizes:
// 1920x1080 -> 1280x720, 640x480 -> 1280x960 and 1280x720 -> 320x240, ours
// against OpenCV's cv::resize and libyuv's scalers of the same kind, one
// thread each. Linear is the path every exported frame takes; area
// averaging, cubic and Lanczos are measured the same way, but Lanczos has no
// peer of the same work: ours takes 6 taps, cv::resize's LANCZOS4 8, and its
// time is printed beside ours without a ratio. Linear also runs
// at 1280x720 -> 330x250 and 640x360, shrinks at which libyuv's bilinear
// scaler blends two source rows for each output row.
//
// No peer gives our bytes: our linear mapping puts the first and last
// pixels onto the first and last source pixels, OpenCV and libyuv map pixel
// centres, and each rounds its own way. Before timing, each peer's output is
// compared with ours on the same smooth picture and the largest difference
// printed; a peer far off (a wrong layout or size) stops the run. For each
// linear shrink the run also measures, before timing, how many source rows
// libyuv's output and ours depend on and whether libyuv's output is its
// horizontal-only filter's (kFilterLinear): at a whole vertical ratio such
// as 720 -> 240 its centred output rows fall on source rows, and it reads
// one row where ours blends two. The table at the end prints the ratios
// (bench/README.md).

#include <benchmark/benchmark.h>
#include <libyuv/scale_argb.h>
#include <libyuv/scale_rgb.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ImageCases.h"
#include "media/primitives/ImageResize.h"

namespace prim = oculon::primitives;
namespace rules = oculon::bench;

namespace {

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

rules::ImageWork oursWith(const cv::Mat& s, int interpolation) {
    return [s, interpolation](cv::Mat& d) {
        const prim::IppiSize size{s.cols, s.rows};
        const prim::TVDImageRect roi{0, 0, s.cols, s.rows};
        const double fx = static_cast<double>(d.cols) / s.cols, fy = static_cast<double>(d.rows) / s.rows;
        const auto resize = s.channels() == 3 ? prim::ippiResize_8u_C3R : prim::ippiResize_8u_C4R;
        const prim::IppStatus st =
            resize(s.data, size, rules::step(s), roi, d.data, rules::step(d), {d.cols, d.rows}, fx, fy, interpolation);
        if (st != prim::ippStsNoErr) std::abort();
    };
}

rules::ImageWork openCv(const cv::Mat& s, int interpolation) {
    return [s, interpolation](cv::Mat& d) { cv::resize(s, d, d.size(), 0, 0, interpolation); };
}

rules::ImageWork libyuv(const cv::Mat& s, libyuv::FilterMode mode) {
    return [s, mode](cv::Mat& d) {
        const auto scale = s.channels() == 3 ? libyuv::RGBScale : libyuv::ARGBScale;
        scale(s.data, rules::step(s), s.cols, s.rows, d.data, rules::step(d), d.cols, d.rows, mode);
    };
}

struct Size {
    int sw, sh, dw, dh;
    bool allKinds;  // area, cubic and Lanczos too, not only linear
};
constexpr Size kSizes[] = {{1920, 1080, 1280, 720, true},
                           {640, 480, 1280, 960, true},
                           {1280, 720, 320, 240, true},
                           {1280, 720, 330, 250, false},
                           {1280, 720, 640, 360, false}};

std::string frameName(int channels, const Size& s) {
    char frame[64];
    std::snprintf(frame, sizeof frame, "C%d %dx%d>%dx%d", channels, s.sw, s.sh, s.dw, s.dh);
    return frame;
}

std::vector<rules::ImageCase> cases() {
    std::vector<rules::ImageCase> all;
    for (int channels : {3, 4})
        for (const Size& s : kSizes) {
            const cv::Mat src = picture(s.sw, s.sh, channels);
            const cv::Mat dst = cv::Mat::zeros(s.dh, s.dw, src.type());
            const std::size_t bytes = src.total() * src.elemSize() + dst.total() * dst.elemSize();
            const std::string frame = frameName(channels, s);
            const std::string yuv = channels == 3 ? "libyuv RGBScale" : "libyuv ARGBScale";
            const auto add = [&](const char* kind, int ours, std::vector<rules::ImagePeer> peers) {
                all.push_back({frame + " " + kind, bytes, dst, oursWith(src, ours), std::move(peers), kSamePicture});
            };
            add("linear", prim::kResizeLinear,
                {{"cv::resize", openCv(src, cv::INTER_LINEAR)}, {yuv, libyuv(src, libyuv::kFilterBilinear)}});
            if (!s.allKinds) continue;
            if (s.dw < s.sw)
                add("area", prim::kResizeSuper,
                    {{"cv::resize", openCv(src, cv::INTER_AREA)}, {yuv, libyuv(src, libyuv::kFilterBox)}});
            add("cubic", prim::kResizeCubic, {{"cv::resize", openCv(src, cv::INTER_CUBIC)}});
            // Ours weighs 6 source pixels a row and a column, OpenCV's
            // LANCZOS4 8; no library here has a 6-tap Lanczos of fixed width.
            add("lanczos, 6 taps", prim::kResizeLanczos,
                {{"cv::resize LANCZOS4, 8 taps", openCv(src, cv::INTER_LANCZOS4), false}});
        }
    return all;
}

// How many source rows the output of `work` depends on: each row in turn is
// inverted, and a row counts when any output sample then changes.
int rowsRead(const cv::Mat& src, const cv::Mat& dst, const std::function<void(const cv::Mat&, cv::Mat&)>& work) {
    cv::Mat before = dst.clone(), after = dst.clone(), changed = src.clone();
    work(src, before);
    int rows = 0;
    for (int y = 0; y < src.rows; ++y) {
        cv::Mat row = changed.row(y);
        cv::bitwise_not(row, row);
        work(changed, after);
        rows += rules::largestDifference(before, after) != 0;
        src.row(y).copyTo(row);
    }
    return rows;
}

// What libyuv's bilinear scaler does at each linear shrink, against ours.
void describeLibyuvShrinks() {
    for (int channels : {3, 4})
        for (const Size& s : kSizes) {
            if (s.dw >= s.sw) continue;
            const cv::Mat src = picture(s.sw, s.sh, channels);
            const cv::Mat dst = cv::Mat::zeros(s.dh, s.dw, src.type());
            cv::Mat bilinear = dst.clone(), horizontal = dst.clone();
            libyuv(src, libyuv::kFilterBilinear)(bilinear);
            libyuv(src, libyuv::kFilterLinear)(horizontal);
            const char* same = rules::largestDifference(bilinear, horizontal) == 0
                                   ? "is its horizontal-only filter's (kFilterLinear), one source row an output row"
                                   : "differs from its horizontal-only filter's (kFilterLinear)";
            const int theirs =
                rowsRead(src, dst, [](const cv::Mat& from, cv::Mat& to) { libyuv(from, libyuv::kFilterBilinear)(to); });
            const int ours =
                rowsRead(src, dst, [](const cv::Mat& from, cv::Mat& to) { oursWith(from, prim::kResizeLinear)(to); });
            std::printf(
                "%s linear: libyuv's bilinear output depends on %d of %d source rows, ours on %d; libyuv's %s\n",
                frameName(channels, s).c_str(), theirs, s.sh, ours, same);
        }
}

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);  // ours is single-threaded; compare like with like
    if (!rules::initialize(argc, argv)) return 1;
    describeLibyuvShrinks();
    return rules::runCases(cases(), 0);
}
