// The neighbourhood filters on a 1280x720 frame of noise: the Sobel
// derivatives 3x3 and 5x5 (8-bit to 16-bit, with a virtual border) against
// cv::Sobel, which must give the same samples; and a 5-tap separable filter
// as this interface composes it (a row pass, then a column pass over 8-bit
// rows), and each pass alone, against cv::sepFilter2D and cv::filter2D with
// the same kernel as one row or one column, both on the frame and on a
// frame too large for the last-level cache. OpenCV rounds halves to even and
// keeps its intermediate rows in floats, so the separable lines count as the
// same work within the printed difference. Each case runs beside memcpy of
// half the bytes read and written (bench/README.md).

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <unistd.h>

#include <algorithm>
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

// The frame the separable lines run on, and the 8-bit sources around it.
// At the DRAM size a pass moves 1.2x the last-level cache's bytes, so memory,
// not the cache, sets its pace; those sources are made when the line first
// reads them (its first repetition, an outlier the median leaves out), and
// only the current line's are kept, as all of them would not fit the memory.
struct Separable {
    int width, height;
    std::string suffix;
    cv::Mat framed, inner, destination;

    Separable(int w, int h, std::string name) : width(w), height(h), suffix(std::move(name)) {}
    prim::IppiSize roi() const { return {width, height}; }
    std::size_t pixels() const { return std::size_t(width) * height; }
    void make() {
        if (!framed.empty()) return;
        framed = noise(CV_8UC1, 2, {width + 2 * kReach, height + 2 * kReach});
        inner = framed(cv::Rect(kReach, kReach, width, height));
    }
};

std::shared_ptr<Separable> dramSeparable() {
    long cache = sysconf(_SC_LEVEL3_CACHE_SIZE);
    if (cache <= 0) cache = 64L << 20;
    const long rows = cache * 3 / 5 / kWidth;
    return std::make_shared<Separable>(kWidth, static_cast<int>(std::max<long>(kHeight, rows)), " (DRAM)");
}

// The sources of `line`, made now; at the DRAM size another line's go first.
const Separable& sourcesOf(const std::shared_ptr<Separable>& line) {
    static std::shared_ptr<Separable> current;
    if (line->suffix.empty() || current == line) return line->make(), *line;
    if (current) current->framed.release(), current->inner.release();
    current = line;
    line->make();
    return *line;
}

void rowPass(const Separable& s, const prim::Ipp8u* src, prim::Ipp8u* dst, int dstStep, prim::IppiSize roi) {
    prim::ippiFilterRow32f_8u_C1R(src, step(s.framed), dst, dstStep, roi, kBinomial, 5, kReach);
}

void columnPass(const Separable& s, const prim::Ipp8u* src, int srcStep, cv::Mat& d) {
    prim::ippiFilterColumn32f_8u_C1R(src, srcStep, d.data, step(d), s.roi(), kBinomial, 5, kReach);
}

// The three separable lines at one size: each pass alone and the two in turn.
void addSeparable(std::vector<rules::ImageCase>& cases, const std::shared_ptr<Separable>& line) {
    const Sources& k = sources();
    const int w = line->width, h = line->height;
    const bool frame = line->suffix.empty();
    const auto initial = [&] { return frame ? cv::Mat::zeros(h, w, CV_8UC1) : cv::Mat(); };
    // Each contender writes a w x h 8-bit picture; at the DRAM size all write
    // the size's one destination, made by the first (a copy each would not
    // fit the memory, and a fresh one each run would time its page faults).
    const auto into = [line](auto work) {
        return [line, work](cv::Mat& d) {
            if (d.empty()) {
                line->destination.create(line->height, line->width, CV_8UC1);
                d = line->destination;
            }
            work(sourcesOf(line), d);
        };
    };
    const auto sep = [into](const cv::Mat& kx, const cv::Mat& ky) {
        return rules::ImagePeer{"cv::sepFilter2D", into([kx, ky](const Separable& s, cv::Mat& d) {
                                    cv::sepFilter2D(s.inner, d, CV_8U, kx, ky, cv::Point(-1, -1), 0,
                                                    cv::BORDER_REPLICATE);
                                })};
    };
    const auto filter2D = [into](const cv::Mat& kernel) {
        return rules::ImagePeer{"cv::filter2D", into([kernel](const Separable& s, cv::Mat& d) {
                                    cv::filter2D(s.inner, d, CV_8U, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
                                })};
    };
    // The row pass of the composed filter also writes the rows that the
    // column pass reaches above and below the frame.
    auto rows = std::make_shared<cv::Mat>();
    cases.push_back({"5-tap row pass" + line->suffix,
                     2 * line->pixels(),
                     initial(),
                     into([](const Separable& s, cv::Mat& d) { rowPass(s, s.inner.data, d.data, step(d), s.roi()); }),
                     {sep(k.kernel, k.identity), filter2D(k.kernel)},
                     1});
    cases.push_back({"5-tap column pass" + line->suffix,
                     2 * line->pixels(),
                     initial(),
                     into([](const Separable& s, cv::Mat& d) { columnPass(s, s.inner.data, step(s.framed), d); }),
                     {sep(k.identity, k.kernel), filter2D(k.kernel.t())},
                     1});
    cases.push_back(
        {"5x5 separable, row then column" + line->suffix,
         2 * line->pixels(),
         initial(),
         into([rows](const Separable& s, cv::Mat& d) {
             rows->create(s.height + 2 * kReach, s.width, CV_8UC1);
             rowPass(s, s.framed.ptr(0) + kReach, rows->data, step(*rows), {s.width, s.height + 2 * kReach});
             columnPass(s, rows->ptr(kReach), step(*rows), d);
         }),
         {sep(k.kernel, k.kernel)},
         2});
}

std::vector<rules::ImageCase> cases() {
    std::vector<rules::ImageCase> all = {
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
    };
    addSeparable(all, std::make_shared<Separable>(kWidth, kHeight, ""));
    addSeparable(all, dramSeparable());
    return all;
}

}  // namespace

int main(int argc, char** argv) { return rules::runImageCases(argc, argv, cases); }
