// Threads transforming with one shared specification while others create and
// release their own (the released structures are kept in one shared pool),
// and filters made and freed beside them: same results as one thread, no
// race.

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "media/primitives/FFT.h"
#include "media/primitives/FIRFilter.h"

namespace oculon::primitives {
namespace {

TEST(FFTConcurrency, SharedSpecificationAndPooledStructures) {
    constexpr int kOrder = 12;
    constexpr std::size_t kN = std::size_t{1} << kOrder;
    IppsFFTSpec_C_64fc* shared = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_C_64fc(&shared, kOrder, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone), ippStsNoErr);
    std::vector<Ipp64fc> input(kN), expected(kN);
    for (std::size_t i = 0; i < kN; ++i) input[i] = {double(i % 7), double(i % 5) - 2};
    ASSERT_EQ(ippsFFTFwd_CToC_64fc(input.data(), expected.data(), shared, nullptr), ippStsNoErr);

    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            std::vector<Ipp64fc> out(kN);
            std::vector<double> samples(600, 1.0), filtered(600);
            const double taps[40] = {1.0};
            for (int round = 0; round < 20; ++round) {
                ippsFFTFwd_CToC_64fc(input.data(), out.data(), shared, nullptr);
                for (std::size_t i = 0; i < kN; ++i)
                    if (out[i].re != expected[i].re || out[i].im != expected[i].im) ++mismatches[t];
                IppsFFTSpec_R_64f* own = nullptr;
                ippsFFTInitAlloc_R_64f(&own, 4 + (round + t) % 8, IPP_FFT_NODIV_BY_ANY, ippAlgHintNone);
                ippsFFTFree_R_64f(own);
                IppsFIRState_64f* fir = nullptr;
                ippsFIRInitAlloc_64f(&fir, taps, 40, nullptr);
                ippsFIR_64f(samples.data(), filtered.data(), 600, fir);
                if (std::fabs(filtered[599] - 1.0) > 1e-12) ++mismatches[t];
                ippsFIRFree_64f(fir);
            }
        });
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(mismatches[t], 0) << t;
    EXPECT_EQ(ippsFFTFree_C_64fc(shared), ippStsNoErr);
}

}  // namespace
}  // namespace oculon::primitives
