// The FIR filter against its defining sum over a signal cut into calls of
// every size around the FFT threshold, in place and out of place; the
// multi-rate modes against upsampling, filtering and downsampling written
// out; the delay-line types; and the state's identification checks.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "SampleReference.h"
#include "media/primitives/FIRFilter.h"
#include "media/primitives/FIRState.h"

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

// Every multi-rate mode against the signal upsampled (the input at upPhase
// of each upFactor places, zeros between), filtered with the taps, and
// downsampled (every downFactor-th value from downPhase), with a delay line
// and over calls of several sizes.
TEST(FIRFilter, MultiRateModesUpsampleFilterAndDownsample) {
    struct Case {
        int up, upPhase, down, downPhase, mode;
    };
    const Case cases[] = {{1, 0, 3, 1, 1}, {1, 0, 2, 0, 1}, {3, 1, 1, 0, 2}, {4, 3, 1, 0, 2},
                          {3, 2, 2, 1, 3}, {2, 0, 5, 4, 3}, {5, 4, 3, 0, 3}};
    const int calls[] = {1, 3, 700, 2, 5};
    int iterations = 0;
    for (int c : calls) iterations += c;
    for (const int tapsLen : {1, 7, 40}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << tapsLen << " taps, up " << c.up << "/" << c.upPhase << " down " << c.down
                                            << "/" << c.downPhase);
            const std::vector<double> taps = randomDoubles(tapsLen, 3);
            const int delayLen = (tapsLen + c.up - 1) / c.up;
            const std::vector<double> delay = randomDoubles(delayLen, 4);
            const std::vector<double> x = randomDoubles(static_cast<std::size_t>(iterations) * c.down, 5);
            auto input = [&](long long i) { return i >= 0 ? x[i] : -i <= delayLen ? delay[-i - 1] : 0.0; };
            // Place j of the upsampled signal, the delay line before the
            // first input.
            auto place = [&](long long j) {
                const long long shifted = j - c.upPhase;
                return shifted % c.up == 0 ? input(shifted / c.up) : 0.0;
            };
            IppsFIRState_64f* state = nullptr;
            ASSERT_EQ(ownsFIRMRInitAlloc_64f(&state, taps.data(), tapsLen, c.up, c.upPhase, c.down, c.downPhase,
                                             delay.data()),
                      ippStsNoErr);
            EXPECT_EQ(reinterpret_cast<FIRStateHeader*>(state)->mode, c.mode);
            std::vector<double> out(static_cast<std::size_t>(iterations) * c.up, -7);
            int done = 0;
            for (int n : calls) {
                ASSERT_EQ(ippsFIR_64f(x.data() + done * c.down, out.data() + done * c.up, n, state), ippStsNoErr);
                done += n;
            }
            for (long long m = 0; m < static_cast<long long>(out.size()); ++m) {
                const long long j = m * c.down + c.downPhase;
                long double want = 0;
                for (int k = 0; k < tapsLen; ++k) want += static_cast<long double>(taps[k]) * place(j - k);
                ASSERT_NEAR(out[m], static_cast<double>(want), 1e-12) << m;
            }
            // The mode word chooses the routine; any other is refused.
            auto& mode = reinterpret_cast<FIRStateHeader*>(state)->mode;
            for (const int other : {0, 4, -1}) {
                mode = other;
                EXPECT_EQ(ippsFIR_64f(x.data(), out.data(), 1, state), ippStsContextMatchErr);
            }
            EXPECT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
        }
    }
}

// A delay line of 16-bit, 32-bit integer or single-precision samples is
// converted into the history; the double filter refuses such a state until
// it is told it is its own.
TEST(FIRFilter, DelayLinesOfOtherSampleTypesBecomeTheHistory) {
    const double taps[] = {1, 10, 100};
    const Ipp16s d16[] = {-3, 2, 1};
    const Ipp32s d32[] = {-3, 2, 1};
    const Ipp32f d32f[] = {-3.0f, 2.0f, 1.0f};
    const std::pair<Ipp32u, const void*> lines[] = {
        {kFIRDelay16s, d16}, {kFIRDelay32s, d32}, {kFIRDelay32f, d32f}, {kFIRSingleRate, nullptr}};
    for (const auto& [id, line] : lines) {
        IppsFIRState_64f* state = nullptr;
        ASSERT_EQ(ownsFIRInitAlloc_64f(&state, taps, 3, line, id), ippStsNoErr);
        auto& header = *reinterpret_cast<FIRStateHeader*>(state);
        EXPECT_EQ(header.id, id);
        double x = 0;
        if (id != kFIRSingleRate) {
            EXPECT_EQ(ippsFIR_64f(&x, &x, 1, state), ippStsContextMatchErr);
        }
        header.id = kFIRSingleRate;
        // x[-1] = -3 and x[-2] = 2 meet the taps 10 and 100.
        ASSERT_EQ(ippsFIR_64f(&x, &x, 1, state), ippStsNoErr);
        EXPECT_EQ(x, line ? 10 * -3 + 100 * 2 : 0);
        EXPECT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
    }
}

// One block: the header, then the reversed taps, the delay buffer and the
// FFT areas inside it. A state whose owner flag is 0 is not released.
TEST(FIRFilter, StateIsOneBlockWithHeaderAndOwnerFlag) {
    const std::vector<double> taps = randomDoubles(40, 1);
    IppsFIRState_64f* state = nullptr;
    ASSERT_EQ(ippsFIRInitAlloc_64f(&state, taps.data(), 40, nullptr), ippStsNoErr);
    auto& h = *reinterpret_cast<FIRStateHeader*>(state);
    const auto* begin = reinterpret_cast<const Ipp8u*>(state);
    auto inside = [&](const void* p) {
        const auto* b = static_cast<const Ipp8u*>(p);
        return b >= begin + sizeof(FIRStateHeader) && b < begin + 200000;
    };
    EXPECT_EQ(h.id, kFIRSingleRate);
    EXPECT_EQ(h.tapsLen, 40);
    EXPECT_EQ(h.tapsLen2, 40);
    EXPECT_EQ(h.directBlock, 41);
    EXPECT_EQ(h.fftLength, 128);
    EXPECT_EQ(h.delayIndex, 0);
    EXPECT_EQ(h.owner, 1);
    EXPECT_NE(h.fftSpec, nullptr);
    for (const void* p : {static_cast<const void*>(h.taps), static_cast<const void*>(h.delay),
                          static_cast<const void*>(h.fftTaps), static_cast<const void*>(h.fftWork)})
        EXPECT_TRUE(inside(p));
    EXPECT_EQ(h.taps[0], taps[39]);
    EXPECT_LT(reinterpret_cast<const Ipp8u*>(h.taps), reinterpret_cast<const Ipp8u*>(h.delay));
    EXPECT_LT(reinterpret_cast<const Ipp8u*>(h.delay), reinterpret_cast<const Ipp8u*>(h.fftTaps));
    h.owner = 0;
    EXPECT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
    EXPECT_EQ(h.id, kFIRSingleRate);
    h.owner = 1;
    EXPECT_EQ(ippsFIRFree_64f(state), ippStsNoErr);
    EXPECT_EQ(ippsFIRFree_64f(state), ippStsContextMatchErr);
}

}  // namespace
}  // namespace oculon::primitives
