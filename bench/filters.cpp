// The neighbourhood filters on a 1280x720 frame of noise: the Sobel
// derivatives 3x3 and 5x5 (8-bit to 16-bit, with a virtual border) against
// cv::Sobel, which must give the same samples; and a 5-tap separable filter
// as this interface composes it (a row pass, then a column pass over 8-bit
// rows), and each pass alone, against cv::sepFilter2D. OpenCV rounds halves
// to even and keeps its intermediate rows in floats, so the separable lines
// count as the same work within the printed difference. Each case runs
// beside memcpy of half the bytes read and written (bench/README.md).

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <memory>
#include <string>
#include <vector>

#include "ImageCases.h"
#include "media/primitives/SeparableFilters.h"
#include "media/primitives/SobelFilters.h"

namespace prim = oculon::primitives;
namespace rules = oculon::bench;

namespace {

using rules::noise;
using rules::step;
constexpr int kWidth = rules::kFrameWidth, kHeight = rules::kFrameHeight;
constexpr prim::IppiSize kRoi = rules::kFrameRoi;
constexpr std::size_t kPixels = std::size_t{kWidth} * kHeight;

// The binomial 5-tap kernel, and the two rows and columns of real pixels
// around the frame that it reaches: OpenCV reads them through a region of
// the larger picture, ours through its anchor.
const float kBinomial[5] = {0.0625f, 0.25f, 0.375f, 0.25f, 0.0625f};
constexpr int kReach = 2;

struct Sources {
    cv::Mat gray = noise(CV_8UC1, 1);
    cv::Mat framed = noise(CV_8UC1, 2, {kWidth + 2 * kReach, kHeight + 2 * kReach});
    cv::Mat inner = framed(cv::Rect(kReach, kReach, kWidth, kHeight));
    cv::Mat kernel = cv::Mat(1, 5, CV_32F, const_cast<float*>(kBinomial)).clone();
    cv::Mat identity = cv::Mat::ones(1, 1, CV_32F);
};

const Sources& sources() {
    static const Sources s;
    return s;
}

rules::ImageCase sobel(const std::string& name, decltype(prim::ippiFilterSobelHorizBorder_8u16s_C1R) ours,
                       decltype(prim::ippiFilterSobelHorizGetBufferSize_8u16s_C1R) size, prim::IppiMaskSize mask,
                       prim::IppiBorderType border, int dx, int dy, double scale, int cvBorder) {
    const Sources& s = sources();
    int bytes = 0;
    size(kRoi, mask, &bytes);
    auto buffer = std::make_shared<std::vector<prim::Ipp8u>>(static_cast<std::size_t>(bytes));
    const int ksize = mask == prim::ippMskSize3x3 ? 3 : 5;
    return {name,
            3 * kPixels,
            cv::Mat::zeros(kHeight, kWidth, CV_16SC1),
            [&s, ours, mask, border, buffer](cv::Mat& d) {
                ours(s.gray.data, step(s.gray), d.ptr<prim::Ipp16s>(), step(d), kRoi, mask, border, 0, buffer->data());
            },
            {{"cv::Sobel", [&s, dx, dy, ksize, scale, cvBorder](cv::Mat& d) {
                  cv::Sobel(s.gray, d, CV_16S, dx, dy, ksize, scale, 0, cvBorder);
              }}}};
}

void rowPass(const Sources& s, const prim::Ipp8u* src, prim::Ipp8u* dst, int dstStep, prim::IppiSize roi) {
    prim::ippiFilterRow32f_8u_C1R(src, step(s.framed), dst, dstStep, roi, kBinomial, 5, kReach);
}

void columnPass(const prim::Ipp8u* src, int srcStep, cv::Mat& d) {
    prim::ippiFilterColumn32f_8u_C1R(src, srcStep, d.data, step(d), kRoi, kBinomial, 5, kReach);
}

std::vector<rules::ImageCase> cases() {
    const Sources& s = sources();
    const auto sep = [&s](const cv::Mat& kx, const cv::Mat& ky) {
        return rules::ImagePeer{"cv::sepFilter2D", [&s, kx, ky](cv::Mat& d) {
                                    cv::sepFilter2D(s.inner, d, CV_8U, kx, ky, cv::Point(-1, -1), 0,
                                                    cv::BORDER_REPLICATE);
                                }};
    };
    // The row pass of the composed filter also writes the rows that the
    // column pass reaches above and below the frame.
    auto rows = std::make_shared<cv::Mat>(kHeight + 2 * kReach, kWidth, CV_8UC1);
    return {
        sobel("Sobel horizontal 3x3, repl", prim::ippiFilterSobelHorizBorder_8u16s_C1R,
              prim::ippiFilterSobelHorizGetBufferSize_8u16s_C1R, prim::ippMskSize3x3, prim::ippBorderRepl, 0, 1, 1,
              cv::BORDER_REPLICATE),
        sobel("Sobel horizontal 5x5, mirror", prim::ippiFilterSobelHorizBorder_8u16s_C1R,
              prim::ippiFilterSobelHorizGetBufferSize_8u16s_C1R, prim::ippMskSize5x5, prim::ippBorderMirror, 0, 1, 1,
              cv::BORDER_REFLECT_101),
        sobel("Sobel vertical 3x3, mirror with edge", prim::ippiFilterSobelVertBorder_8u16s_C1R,
              prim::ippiFilterSobelVertGetBufferSize_8u16s_C1R, prim::ippMskSize3x3, prim::ippBorderMirrorR, 1, 0, -1,
              cv::BORDER_REFLECT),
        sobel("Sobel vertical 5x5, repl", prim::ippiFilterSobelVertBorder_8u16s_C1R,
              prim::ippiFilterSobelVertGetBufferSize_8u16s_C1R, prim::ippMskSize5x5, prim::ippBorderRepl, 1, 0, -1,
              cv::BORDER_REPLICATE),
        {"5-tap row pass",
         2 * kPixels,
         cv::Mat::zeros(kHeight, kWidth, CV_8UC1),
         [&s](cv::Mat& d) { rowPass(s, s.inner.data, d.data, step(d), kRoi); },
         {sep(s.kernel, s.identity)},
         1},
        {"5-tap column pass",
         2 * kPixels,
         cv::Mat::zeros(kHeight, kWidth, CV_8UC1),
         [&s](cv::Mat& d) { columnPass(s.inner.data, step(s.framed), d); },
         {sep(s.identity, s.kernel)},
         1},
        {"5x5 separable, row then column",
         2 * kPixels,
         cv::Mat::zeros(kHeight, kWidth, CV_8UC1),
         [&s, rows](cv::Mat& d) {
             rowPass(s, s.framed.ptr(0) + kReach, rows->data, step(*rows), {kWidth, kHeight + 2 * kReach});
             columnPass(rows->ptr(kReach), step(*rows), d);
         },
         {sep(s.kernel, s.kernel)},
         2},
    };
}

}  // namespace

int main(int argc, char** argv) { return rules::runImageCases(argc, argv, cases); }
