// The FIR filter against its defining sum over a signal cut into calls of
// every size around the FFT threshold, in place and out of place, and the
// state's identification checks.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "SampleReference.h"
#include "media/primitives/FIRFilter.h"

namespace oculon::primitives {
namespace {

using reference::randomDoubles;

TEST(FIRFilter, ThreeTapsContinueAcrossCalls) {
    const double taps[] = {1, 1, 1};
    IppsFIRState_64f* state = nullptr;
    ASSERT_EQ(ippsFIRInitAlloc_64f(&state, taps, 3, nullptr), ippStsNoErr);
    double x[] = {1, 2, 3, 4}, next = 5;
    ASSERT_EQ(ippsFIR_64f(x, x, 4, state), ippStsNoErr);
    EXPECT_EQ(std::vector<double>(x, x + 4), (std::vector<double>{1, 3, 6, 9}));
    ASSERT_EQ(ippsFIR_64f(&next, &next, 1, state), ippStsNoErr);
    EXPECT_EQ(next, 12);
    EXPECT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
}

// Filters of 31 taps (direct only) and of 32 and more (FFT from 512 inputs
// a call) over one signal cut into calls of many sizes, with a delay line.
TEST(FIRFilter, EveryCallSizeFiltersOneContinuousSignal) {
    const int calls[] = {1, 5, 511, 512, 3, 2000, 37, 513, 4097, 64, 1};
    int total = 0;
    for (int c : calls) total += c;
    for (const int tapsLen : {1, 31, 32, 64, 100, 700}) {
        SCOPED_TRACE(tapsLen);
        const std::vector<double> taps = randomDoubles(tapsLen, tapsLen), delay = randomDoubles(tapsLen, 7);
        const std::vector<double> x = randomDoubles(total, 9);
        // delay[k] is the input k + 1 steps before the first.
        auto input = [&](long long n) { return n >= 0 ? x[n] : delay[-n - 1]; };
        double gain = 0;
        for (double t : taps) gain += std::fabs(t);
        for (const bool inPlace : {false, true}) {
            IppsFIRState_64f* state = nullptr;
            ASSERT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), tapsLen, delay.data()), ippStsNoErr);
            std::vector<double> y = x;
            std::vector<double> out(y.size(), -7);
            int at = 0;
            for (int c : calls) {
                ASSERT_EQ(ippsFIR_64f(y.data() + at, (inPlace ? y : out).data() + at, c, state), ippStsNoErr);
                at += c;
            }
            ASSERT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
            const std::vector<double>& got = inPlace ? y : out;
            for (int n = 0; n < total; ++n) {
                long double want = 0;
                for (int k = 0; k < tapsLen; ++k) want += static_cast<long double>(taps[k]) * input(n - k);
                ASSERT_NEAR(got[n], static_cast<double>(want), 64 * 0x1p-52 * gain)
                    << n << (inPlace ? " in place" : "");
            }
        }
    }
}

TEST(FIRFilter, ChecksAndIdentification) {
    const double taps[2] = {0.5, 0.5};
    double v[4] = {1, 2, 3, 4};
    IppsFIRState_64f* state = nullptr;
    EXPECT_EQ(ippsFIRInitAlloc_64f(nullptr, taps, 2, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, nullptr, 2, nullptr), ippStsNullPtrErr);
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps, 0, nullptr), ippStsFIRLenErr);
    // Longer than the largest transform: refused before the taps are read.
    EXPECT_EQ(ippsFIRInitAlloc_64f(&state, taps, INT_MAX, nullptr), ippStsFftOrderErr);
    EXPECT_EQ(state, nullptr);

    ASSERT_EQ(ippsFIRInitAlloc_64f(&state, taps, 2, nullptr), ippStsNoErr);
    EXPECT_EQ(ippsFIR_64f(v, nullptr, 4, state), ippStsNullPtrErr);
    EXPECT_EQ(ippsFIR_64f(v, v, 0, state), ippStsSizeErr);
    // An overwritten identification is refused; the multi-rate one too, as
    // no state here has a multi-rate routine, but it can still be released.
    for (const std::uint32_t other : {0x12345678u, 0x46493135u}) {
        std::memcpy(static_cast<void*>(state), &other, sizeof other);
        EXPECT_EQ(ippsFIR_64f(v, v, 4, state), ippStsContextMatchErr);
    }
    EXPECT_EQ(v[3], 4);
    EXPECT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
    // Released: refused, never read as freed memory.
    EXPECT_EQ(ippsFIR_64f(v, v, 4, state), ippStsContextMatchErr);
    EXPECT_EQ(ippsFIRFree_64f(state), ippStsContextMatchErr);
    EXPECT_EQ(ippsFIRFree_64f(nullptr), ippStsNullPtrErr);
}

}  // namespace
}  // namespace oculon::primitives
