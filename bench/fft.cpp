// Our FFT against FFTW on the same input in the same run: complex and real
// forward transforms of orders 6 to 20 (FFTW planned with FFTW_ESTIMATE and
// with FFTW_MEASURE; the real peer writes the same CCS layout), and the
// convolution of 10^5 by 10^3 samples against two FFTW-based convolutions
// (one transform of the whole result, and overlap-save with our block size).
// Every peer's output is checked against ours (to rounding) before anything
// is timed; both sides run on one thread. The table at the end prints the
// ratios (bench/README.md); no memcpy anchor, as the transforms are bound by
// arithmetic, not by memory.

#include <benchmark/benchmark.h>

#include <fftw3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchRules.h"
#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/Correlation.h"
#include "media/primitives/FFT.h"

namespace prim = oculon::primitives;
namespace rules = oculon::bench;

namespace {

struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};
using FftwDoubles = std::unique_ptr<double[], FftwFree>;
FftwDoubles fftwDoubles(std::size_t n) { return FftwDoubles(static_cast<double*>(fftw_malloc(n * sizeof(double)))); }

struct PlanFree {
    void operator()(fftw_plan p) const { fftw_destroy_plan(p); }
};
using Plan = std::unique_ptr<std::remove_pointer_t<fftw_plan>, PlanFree>;

std::vector<double> randomDoubles(std::size_t n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<double> v(n);
    for (double& d : v) d = u(rng);
    return v;
}

// The largest difference, relative to the largest value of `a`.
double relativeDifference(const double* a, const double* b, std::size_t n) {
    double largest = 0, diff = 0;
    for (std::size_t i = 0; i < n; ++i) {
        largest = std::max(largest, std::fabs(a[i]));
        diff = std::max(diff, std::fabs(a[i] - b[i]));
    }
    return diff / largest;
}

void agree(const std::string& name, const double* ours, const double* peer, std::size_t n) {
    const double d = relativeDifference(ours, peer, n);
    if (d > 1e-12) {
        std::fprintf(stderr, "%s: differs from ours by %g; not timed\n", name.c_str(), d);
        std::exit(1);
    }
}

// One forward transform of order `order`, ours and FFTW's two plans, on the
// same input into separate outputs.
void transformCase(rules::Table& table, int order, bool real) {
    const std::size_t n = std::size_t{1} << order;
    const std::size_t in = real ? n : 2 * n, out = real ? n + 2 : 2 * n;
    const std::string name = std::string(real ? "real" : "complex") + "/" + std::to_string(order);
    auto x = std::shared_ptr<double[]>(prim::ippsMalloc_64f(static_cast<int>(in)), prim::ippsFree);
    auto y = std::shared_ptr<double[]>(prim::ippsMalloc_64f(static_cast<int>(out)), prim::ippsFree);
    const std::vector<double> data = randomDoubles(in, order);
    std::copy(data.begin(), data.end(), x.get());

    prim::IppsFFTSpec_C_64fc* c = nullptr;
    prim::IppsFFTSpec_R_64f* r = nullptr;
    int bytes = 0;
    if (real) {
        prim::ippsFFTInitAlloc_R_64f(&r, order, prim::IPP_FFT_NODIV_BY_ANY, prim::ippAlgHintNone);
        prim::_px_ippsFFTGetBufSize_R_64f(r, &bytes);
    } else {
        prim::ippsFFTInitAlloc_C_64fc(&c, order, prim::IPP_FFT_NODIV_BY_ANY, prim::ippAlgHintNone);
        prim::_px_ippsFFTGetBufSize_C_64fc(c, &bytes);
    }
    auto complexSpec = std::shared_ptr<prim::IppsFFTSpec_C_64fc>(c, [](auto* p) { prim::ippsFFTFree_C_64fc(p); });
    auto realSpec = std::shared_ptr<prim::IppsFFTSpec_R_64f>(r, [](auto* p) { prim::ippsFFTFree_R_64f(p); });
    auto work = std::shared_ptr<prim::Ipp8u[]>(bytes > 0 ? prim::ippsMalloc_8u(bytes) : nullptr, prim::ippsFree);
    auto ours = [=] {
        if (real) prim::ippsFFTFwd_RToCCS_64f(x.get(), y.get(), realSpec.get(), work.get());
        else
            prim::ippsFFTFwd_CToC_64fc(reinterpret_cast<const prim::Ipp64fc*>(x.get()),
                                       reinterpret_cast<prim::Ipp64fc*>(y.get()), complexSpec.get(), work.get());
    };
    ours();
    table.ours(name, rules::timing(ours));

    for (const auto& [flags, label] : {std::pair{FFTW_ESTIMATE, "estimate"}, std::pair{FFTW_MEASURE, "measure"}}) {
        auto fx = std::shared_ptr<double[]>(fftwDoubles(in).release(), FftwFree{});
        auto fy = std::shared_ptr<double[]>(fftwDoubles(out).release(), FftwFree{});
        // Planning may write the arrays: the input goes in afterwards.
        fftw_plan p =
            real ? fftw_plan_dft_r2c_1d(static_cast<int>(n), fx.get(), reinterpret_cast<fftw_complex*>(fy.get()), flags)
                 : fftw_plan_dft_1d(static_cast<int>(n), reinterpret_cast<fftw_complex*>(fx.get()),
                                    reinterpret_cast<fftw_complex*>(fy.get()), FFTW_FORWARD, flags);
        auto plan = std::shared_ptr<std::remove_pointer_t<fftw_plan>>(p, PlanFree{});
        std::copy(data.begin(), data.end(), fx.get());
        fftw_execute(plan.get());
        agree(name + "/" + label, y.get(), fy.get(), out);
        table.peer(std::string("fftw-") + label, rules::timing([plan, fx, fy] { fftw_execute(plan.get()); }));
    }
}

// Linear convolution by FFTW: one real transform pair of the whole padded
// result, or overlap-save in blocks of n with the kernel transformed once.
class FftwConvolution {
public:
    FftwConvolution(const std::vector<double>& longer, const std::vector<double>& shorter, std::size_t n)
        : longer_(longer), shortLen_(shorter.size()), n_(n), block_(fftwDoubles(n + 2)), kernel_(fftwDoubles(n + 2)) {
        auto* spectrum = reinterpret_cast<fftw_complex*>(block_.get());
        forward_.reset(fftw_plan_dft_r2c_1d(static_cast<int>(n), block_.get(), spectrum, FFTW_MEASURE));
        inverse_.reset(fftw_plan_dft_c2r_1d(static_cast<int>(n), spectrum, block_.get(), FFTW_MEASURE));
        std::fill(block_.get(), block_.get() + n, 0.0);
        std::copy(shorter.begin(), shorter.end(), block_.get());
        fftw_execute(forward_.get());
        std::copy(block_.get(), block_.get() + n + 2, kernel_.get());
    }

    void run(double* dst) {
        const std::size_t total = longer_.size() + shortLen_ - 1, step = n_ - shortLen_ + 1;
        const auto* k = reinterpret_cast<const fftw_complex*>(kernel_.get());
        auto* b = reinterpret_cast<fftw_complex*>(block_.get());
        const double scale = 1.0 / static_cast<double>(n_);
        for (std::size_t p = 0; p < total; p += step) {
            // Inputs from p - (shortLen - 1), zeros outside the signal.
            for (std::size_t i = 0; i < n_; ++i) {
                const std::size_t j = p + i - (shortLen_ - 1);
                block_[i] = p + i >= shortLen_ - 1 && j < longer_.size() ? longer_[j] : 0.0;
            }
            fftw_execute(forward_.get());
            for (std::size_t i = 0; i <= n_ / 2; ++i) {
                const double re = b[i][0] * k[i][0] - b[i][1] * k[i][1];
                const double im = b[i][0] * k[i][1] + b[i][1] * k[i][0];
                b[i][0] = re * scale;
                b[i][1] = im * scale;
            }
            fftw_execute(inverse_.get());
            for (std::size_t i = 0; i < std::min(step, total - p); ++i) dst[p + i] = block_[shortLen_ - 1 + i];
        }
    }

private:
    std::vector<double> longer_;
    std::size_t shortLen_, n_;
    FftwDoubles block_, kernel_;
    Plan forward_, inverse_;
};

void convolutionCase(rules::Table& table, int longLen, int shortLen) {
    const std::string name = "conv/" + std::to_string(longLen) + "x" + std::to_string(shortLen);
    const auto a = std::make_shared<std::vector<double>>(randomDoubles(longLen, 1));
    const auto b = std::make_shared<std::vector<double>>(randomDoubles(shortLen, 2));
    const std::size_t total = a->size() + b->size() - 1;
    auto out = std::make_shared<std::vector<double>>(total);
    auto ours = [=] { prim::ippsConv_64f(a->data(), longLen, b->data(), shortLen, out->data()); };
    ours();
    table.ours(name, rules::timing(ours));
    std::size_t whole = 1, block = 1;
    while (whole < total) whole *= 2;
    while (block < 2 * b->size()) block *= 2;
    for (const auto& [n, label] : {std::pair{whole, "fftw-single"}, std::pair{2 * block, "fftw-blocks"}}) {
        auto peer = std::make_shared<FftwConvolution>(*a, *b, n);
        auto peerOut = std::make_shared<std::vector<double>>(total);
        peer->run(peerOut->data());
        agree(name + "/" + label, out->data(), peerOut->data(), total);
        table.peer(label, rules::timing([peer, peerOut] { peer->run(peerOut->data()); }));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!rules::initialize(argc, argv)) return 1;
    rules::Table table(benchmark::kMicrosecond, 0.05);
    for (int order = 6; order <= 20; ++order) {
        transformCase(table, order, false);
        transformCase(table, order, true);
    }
    convolutionCase(table, 100000, 1000);
    table.run();
    return 0;
}
