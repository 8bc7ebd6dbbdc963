#pragma once
// The floating-point control and status of the calling thread (x86-64): the
// x87 control and status words and MXCSR as the processor lays them out,
// the same in a portable flag layout of our own, and the NaN and finite
// tests. A routine that replaces a word returns the word it replaced.

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

// x87 control word.
Ipp32u ipp_get_x87_control_word();
// new = (old and not mask) or (value and mask).
Ipp32u ipp_set_x87_control_word(Ipp32u value, Ipp32u mask);
// The same, but the word is loaded only when the masked bits differ.
Ipp32u ipp_set_x87_control_word_if_differs(Ipp32u value, Ipp32u mask);
void ipp_load_x87_control_word(Ipp32u value);

// x87 status word, the second form clearing its exception flags after
// reading it.
Ipp32u ipp_get_x87_status_word();
Ipp32u ipp_get_x87_status_word_and_clear();

inline constexpr Ipp32u kMxcsrDefault = 0x1F80;
inline constexpr Ipp32u kMxcsrRounding = 0x6000;

Ipp32u ipp_get_mxcsr();
Ipp32u ipp_set_mxcsr(Ipp32u value, Ipp32u mask);
// To 0x1F80: every exception masked, rounding to nearest, no flush to zero.
Ipp32u ipp_reset_mxcsr();
// The rounding field (bits 13-14 of value) only when it differs.
Ipp32u ipp_set_mxcsr_rounding_if_differs(Ipp32u value);
void ipp_load_mxcsr(Ipp32u value);

// The portable layout: in a control word a set exception bit masks that
// exception; in a status word it says the exception was raised. The
// rounding and precision fields hold one of their values.
inline constexpr Ipp32u kFpInexact = 0x01;
inline constexpr Ipp32u kFpUnderflow = 0x02;
inline constexpr Ipp32u kFpOverflow = 0x04;
inline constexpr Ipp32u kFpZeroDivide = 0x08;
inline constexpr Ipp32u kFpInvalid = 0x10;
inline constexpr Ipp32u kFpDenormal = 0x80000;
inline constexpr Ipp32u kFpExceptions = 0x8001F;
inline constexpr Ipp32u kFpRoundNear = 0x000, kFpRoundDown = 0x100, kFpRoundUp = 0x200, kFpRoundChop = 0x300;
inline constexpr Ipp32u kFpRounding = 0x300;
inline constexpr Ipp32u kFpPrecision64 = 0x00000, kFpPrecision53 = 0x10000, kFpPrecision24 = 0x20000;
inline constexpr Ipp32u kFpPrecision = 0x30000;

// Exception masks and rounding of both units (the x87's and SSE's) and the
// x87's precision, in the portable layout.
Ipp32u ipp_get_fp_control_word();
Ipp32u ipp_set_fp_control_word(Ipp32u value, Ipp32u mask);
Ipp32u ipp_set_fp_control_word_if_differs(Ipp32u value, Ipp32u mask);
void ipp_load_fp_control_word(Ipp32u value);
// Exceptions raised in either unit, in the portable layout.
Ipp32u ipp_get_fp_status_word();
Ipp32u ipp_get_fp_status_word_and_clear();

// Exponent all ones and a non-zero fraction.
int ipp_is_nan(Ipp64f value);
// Exponent not all ones.
int ipp_is_finite(Ipp64f value);

}  // namespace oculon::primitives
