// The control and status words on this machine: what is set reads back,
// set-under-mask returns the old word and touches only the masked bits, the
// portable layout says what <fenv.h> and the processor's own words say, and
// the NaN and finite tests on every class of double. Each test puts the
// floating-point environment back as it found it.

#include <gtest/gtest.h>

#include <fenv.h>

#include <cmath>
#include <limits>

#include "media/primitives/FloatingPointControl.h"
#include "media/primitives/ProcessorFeatures.h"

namespace oculon::primitives {
namespace {

class FloatingPointControl : public testing::Test {
protected:
    void SetUp() override {
        fegetenv(&saved_);
        mxcsr_ = ipp_get_mxcsr();
    }
    void TearDown() override {
        fesetenv(&saved_);
        ipp_load_mxcsr(mxcsr_);
    }

private:
    fenv_t saved_;
    Ipp32u mxcsr_ = 0;
};

// A division by zero in the x87 unit (long double arithmetic runs there).
void x87DivideByZero() {
    volatile long double zero = 0;
    volatile long double r = 1.0L / zero;
    (void)r;
}

TEST_F(FloatingPointControl, X87ControlWordRoundTrips) {
    const Ipp32u start = ipp_get_x87_control_word();
    // Rounding toward zero (bits 10-11), 53-bit precision (bits 8-9).
    EXPECT_EQ(ipp_set_x87_control_word(0x0E00, 0x0F00), start);
    EXPECT_EQ(ipp_get_x87_control_word(), (start & ~0x0F00u) | 0x0E00);
    EXPECT_EQ(fegetround(), FE_TOWARDZERO);
    EXPECT_EQ(ipp_set_x87_control_word_if_differs(0x0E00, 0x0F00), (start & ~0x0F00u) | 0x0E00);
    ipp_load_x87_control_word(start);
    EXPECT_EQ(ipp_get_x87_control_word(), start);
}

TEST_F(FloatingPointControl, X87StatusWordReadsAndClearsTheFlags) {
    ipp_get_x87_status_word_and_clear();
    EXPECT_EQ(ipp_get_x87_status_word() & 0x3F, 0u);
    x87DivideByZero();
    EXPECT_NE(ipp_get_x87_status_word() & 0x04, 0u);
    EXPECT_NE(ipp_get_x87_status_word_and_clear() & 0x04, 0u);
    EXPECT_EQ(ipp_get_x87_status_word() & 0x3F, 0u);
}

TEST_F(FloatingPointControl, MxcsrRoundTrips) {
    // The exception flags (bits 0-5) stick: whether earlier arithmetic of the
    // process set them depends on how it was compiled, and the division below
    // sets the inexact one. Only the control bits are compared after it.
    constexpr Ipp32u kFlags = 0x3F;
    const Ipp32u start = ipp_get_mxcsr();
    EXPECT_EQ(ipp_set_mxcsr(0x6000, kMxcsrRounding), start);
    EXPECT_EQ(ipp_get_mxcsr(), start | 0x6000);
    volatile float third = 1.0f;
    third = third / 3.0f;  // SSE arithmetic rounds toward zero now
    EXPECT_EQ(third, std::nextafter(1.0f / 3.0f, 0.0f));
    EXPECT_EQ(ipp_set_mxcsr_rounding_if_differs(0x2000) & ~kFlags, (start & ~kFlags) | 0x6000);
    EXPECT_EQ(ipp_get_mxcsr() & kMxcsrRounding, 0x2000u);
    EXPECT_EQ(ipp_reset_mxcsr() & ~kFlags, (start & ~(kFlags | kMxcsrRounding)) | 0x2000);
    EXPECT_EQ(ipp_get_mxcsr(), kMxcsrDefault);
    if (ipp_is_daz_supported()) {
        ipp_set_mxcsr(0x40, 0x40);
        EXPECT_EQ(ipp_get_mxcsr() & 0x40, 0x40u);
    }
    ipp_load_mxcsr(start);
    EXPECT_EQ(ipp_get_mxcsr(), start);
}

TEST_F(FloatingPointControl, PortableWordsSayWhatBothUnitsSay) {
    // Every exception masked, as a process starts.
    const Ipp32u start = ipp_get_fp_control_word();
    EXPECT_EQ(start & kFpExceptions, kFpExceptions);
    EXPECT_EQ(start & kFpRounding, kFpRoundNear);
    const struct {
        Ipp32u portable;
        int fe;
        Ipp32u x87, mxcsr;
    } roundings[] = {{kFpRoundDown, FE_DOWNWARD, 0x0400, 0x2000},
                     {kFpRoundUp, FE_UPWARD, 0x0800, 0x4000},
                     {kFpRoundChop, FE_TOWARDZERO, 0x0C00, 0x6000},
                     {kFpRoundNear, FE_TONEAREST, 0, 0}};
    for (const auto& r : roundings) {
        ipp_set_fp_control_word(r.portable, kFpRounding);
        EXPECT_EQ(ipp_get_fp_control_word() & kFpRounding, r.portable);
        EXPECT_EQ(fegetround(), r.fe);
        EXPECT_EQ(ipp_get_x87_control_word() & 0x0C00, r.x87);
        EXPECT_EQ(ipp_get_mxcsr() & kMxcsrRounding, r.mxcsr);
    }
    for (const auto& [portable, x87] : {std::pair{kFpPrecision24, 0x000u}, {kFpPrecision53, 0x200u}}) {
        EXPECT_EQ(ipp_set_fp_control_word_if_differs(portable, kFpPrecision) & kFpExceptions, kFpExceptions);
        EXPECT_EQ(ipp_get_fp_control_word() & kFpPrecision, portable);
        EXPECT_EQ(ipp_get_x87_control_word() & 0x300, x87);
    }
    ipp_load_fp_control_word(start);
    EXPECT_EQ(ipp_get_fp_control_word(), start);

    ipp_get_fp_status_word_and_clear();
    EXPECT_EQ(ipp_get_fp_status_word(), 0u);
    feraiseexcept(FE_OVERFLOW);
    x87DivideByZero();
    EXPECT_EQ(ipp_get_fp_status_word() & (kFpOverflow | kFpZeroDivide), kFpOverflow | kFpZeroDivide);
    EXPECT_EQ(ipp_get_fp_status_word_and_clear() & kFpOverflow, kFpOverflow);
    EXPECT_EQ(ipp_get_fp_status_word(), 0u);
    EXPECT_EQ(fetestexcept(FE_ALL_EXCEPT), 0);
}

TEST(FloatingPointTests, NaNAndFiniteByTheExponent) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             std::numeric_limits<double>::denorm_min(),
                             1e308,
                             inf,
                             -inf,
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::signaling_NaN()};
    for (double v : values) {
        EXPECT_EQ(ipp_is_nan(v), std::isnan(v) ? 1 : 0) << v;
        EXPECT_EQ(ipp_is_finite(v), std::isfinite(v) ? 1 : 0) << v;
    }
}

}  // namespace
}  // namespace oculon::primitives
