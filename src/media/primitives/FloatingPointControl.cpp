#include "media/primitives/FloatingPointControl.h"

#include <fenv.h>

#include <bit>
#include <cstdint>

#if defined(__x86_64__)
#include <xmmintrin.h>
#else
#error "the floating-point control routines are written for x86-64"
#endif

namespace oculon::primitives {

namespace {

// x87 control word fields.
constexpr Ipp32u kX87Denormal = 0x02;
constexpr Ipp32u kX87Precision = 0x300, kX87Precision24 = 0x000, kX87Precision53 = 0x200, kX87Precision64 = 0x300;
// MXCSR's denormal flag and mask.
constexpr Ipp32u kMxcsrDenormalFlag = 0x02, kMxcsrDenormalMask = 0x100;

// The exceptions <fenv.h> names, with their portable bits.
struct Exception {
    int fe;
    Ipp32u portable;
};
constexpr Exception kExceptions[] = {{FE_INEXACT, kFpInexact},
                                     {FE_UNDERFLOW, kFpUnderflow},
                                     {FE_OVERFLOW, kFpOverflow},
                                     {FE_DIVBYZERO, kFpZeroDivide},
                                     {FE_INVALID, kFpInvalid}};

struct Rounding {
    int fe;
    Ipp32u portable;
};
constexpr Rounding kRoundings[] = {
    {FE_TONEAREST, kFpRoundNear}, {FE_DOWNWARD, kFpRoundDown}, {FE_UPWARD, kFpRoundUp}, {FE_TOWARDZERO, kFpRoundChop}};

// Replaces the masked bits of the word that Get reads and Load writes (when
// onlyIfDifferent, only if they differ) and returns the old word.
template <Ipp32u (*Get)(), void (*Load)(Ipp32u)>
Ipp32u setUnderMask(Ipp32u value, Ipp32u mask, bool onlyIfDifferent = false) {
    const Ipp32u old = Get();
    if (!onlyIfDifferent || ((old ^ value) & mask)) Load((old & ~mask) | (value & mask));
    return old;
}

Ipp32u portablePrecision(Ipp32u x87) {
    switch (x87 & kX87Precision) {
        case kX87Precision24: return kFpPrecision24;
        case kX87Precision53: return kFpPrecision53;
        default: return kFpPrecision64;
    }
}

Ipp32u x87Precision(Ipp32u portable) {
    switch (portable & kFpPrecision) {
        case kFpPrecision24: return kX87Precision24;
        case kFpPrecision53: return kX87Precision53;
        default: return kX87Precision64;
    }
}

}  // namespace

Ipp32u ipp_get_x87_control_word() {
    std::uint16_t cw = 0;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

void ipp_load_x87_control_word(Ipp32u value) {
    const auto cw = static_cast<std::uint16_t>(value);
    asm volatile("fldcw %0" : : "m"(cw));
}

Ipp32u ipp_set_x87_control_word(Ipp32u value, Ipp32u mask) {
    return setUnderMask<ipp_get_x87_control_word, ipp_load_x87_control_word>(value, mask);
}

Ipp32u ipp_set_x87_control_word_if_differs(Ipp32u value, Ipp32u mask) {
    return setUnderMask<ipp_get_x87_control_word, ipp_load_x87_control_word>(value, mask, true);
}

Ipp32u ipp_get_x87_status_word() {
    std::uint16_t sw = 0;
    asm volatile("fnstsw %0" : "=m"(sw));
    return sw;
}

Ipp32u ipp_get_x87_status_word_and_clear() {
    const Ipp32u sw = ipp_get_x87_status_word();
    asm volatile("fnclex");
    return sw;
}

Ipp32u ipp_get_mxcsr() { return _mm_getcsr(); }

void ipp_load_mxcsr(Ipp32u value) { _mm_setcsr(value); }

Ipp32u ipp_set_mxcsr(Ipp32u value, Ipp32u mask) { return setUnderMask<ipp_get_mxcsr, ipp_load_mxcsr>(value, mask); }

Ipp32u ipp_reset_mxcsr() {
    const Ipp32u old = ipp_get_mxcsr();
    ipp_load_mxcsr(kMxcsrDefault);
    return old;
}

Ipp32u ipp_set_mxcsr_rounding_if_differs(Ipp32u value) {
    return setUnderMask<ipp_get_mxcsr, ipp_load_mxcsr>(value, kMxcsrRounding, true);
}

Ipp32u ipp_get_fp_control_word() {
    const int enabled = fegetexcept();
    Ipp32u word = 0;
    for (const Exception& e : kExceptions)
        if (!(enabled & e.fe)) word |= e.portable;
    if (ipp_get_x87_control_word() & kX87Denormal) word |= kFpDenormal;
    const int round = fegetround();
    for (const Rounding& r : kRoundings)
        if (r.fe == round) word |= r.portable;
    return word | portablePrecision(ipp_get_x87_control_word());
}

void ipp_load_fp_control_word(Ipp32u value) {
    for (const Exception& e : kExceptions) {
        if (value & e.portable) fedisableexcept(e.fe);
        else feenableexcept(e.fe);
    }
    const bool denormalMasked = value & kFpDenormal;
    ipp_set_x87_control_word(denormalMasked ? kX87Denormal : 0, kX87Denormal);
    ipp_set_mxcsr(denormalMasked ? kMxcsrDenormalMask : 0, kMxcsrDenormalMask);
    for (const Rounding& r : kRoundings)
        if (r.portable == (value & kFpRounding)) fesetround(r.fe);
    ipp_set_x87_control_word(x87Precision(value), kX87Precision);
}

Ipp32u ipp_set_fp_control_word(Ipp32u value, Ipp32u mask) {
    return setUnderMask<ipp_get_fp_control_word, ipp_load_fp_control_word>(value, mask);
}

Ipp32u ipp_set_fp_control_word_if_differs(Ipp32u value, Ipp32u mask) {
    return setUnderMask<ipp_get_fp_control_word, ipp_load_fp_control_word>(value, mask, true);
}

Ipp32u ipp_get_fp_status_word() {
    const int raised = fetestexcept(FE_ALL_EXCEPT);
    Ipp32u word = 0;
    for (const Exception& e : kExceptions)
        if (raised & e.fe) word |= e.portable;
    if ((ipp_get_x87_status_word() & kX87Denormal) || (ipp_get_mxcsr() & kMxcsrDenormalFlag)) word |= kFpDenormal;
    return word;
}

Ipp32u ipp_get_fp_status_word_and_clear() {
    const Ipp32u word = ipp_get_fp_status_word();
    feclearexcept(FE_ALL_EXCEPT);
    // The denormal flags, which <fenv.h> does not name.
    asm volatile("fnclex");
    ipp_set_mxcsr(0, kMxcsrDenormalFlag);
    return word;
}

int ipp_is_nan(Ipp64f value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return (bits & 0x7FF0000000000000) == 0x7FF0000000000000 && (bits & 0x000FFFFFFFFFFFFF) != 0 ? 1 : 0;
}

int ipp_is_finite(Ipp64f value) {
    return (std::bit_cast<std::uint64_t>(value) & 0x7FF0000000000000) != 0x7FF0000000000000 ? 1 : 0;
}

}  // namespace oculon::primitives
