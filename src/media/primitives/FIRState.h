#pragma once
// How a FIR filter state lies in its one memory block: a header of fields,
// then the reversed taps, the delay buffer, the two FFT vectors, the FFT
// work buffer and spare room. The header's first word identifies the form;
// the single-rate fields come first, the multi-rate ones after them.

#include <cstdint>

#include "media/primitives/FFT.h"
#include "media/primitives/FIRFilter.h"

namespace oculon::primitives {

// Identification words: the single-rate filter on doubles, its multi-rate
// form, and single-rate states whose delay line was given as 16-bit,
// 32-bit integer or single-precision samples (the filters of those sample
// types; the double filter refuses them).
inline constexpr Ipp32u kFIRSingleRate = 0x46493133;
inline constexpr Ipp32u kFIRMultiRate = 0x46493135;
inline constexpr Ipp32u kFIRDelay16s = 0x46493136;
inline constexpr Ipp32u kFIRDelay32s = 0x46493137;
inline constexpr Ipp32u kFIRDelay32f = 0x46493138;

// One output phase of a multi-rate filter: its first input, counted from the
// first input of its iteration (it may lie before it), and its first tap;
// the taps that follow are upFactor apart, each one input further back.
struct FIRPhase {
    Ipp32s input;
    Ipp32s tap;
};

struct FIRStateHeader {
    Ipp32u id;
    // The taps last to first, so that an output is a dot product with the
    // inputs in time order.
    Ipp64f* taps;
    // The history (oldest first), room for one direct block of inputs after
    // it, and room to keep the last inputs of a longer call.
    Ipp64f* delay;
    Ipp32s tapsLen;
    // Inputs that one pass through the delay buffer takes.
    Ipp32s directBlock;
    IppsFFTSpec_R_64f* fftSpec;
    // The taps in their own order, zero-padded to fftLength and transformed
    // (Perm); null without FFT.
    Ipp64f* fftTaps;
    // N, or -1 without FFT.
    Ipp32s fftLength;
    Ipp32s delayIndex;
    Ipp32s reserved[2];
    Ipp32s tapsLen2;
    // One block of overlap-save work.
    Ipp64f* fftWork;
    Ipp8u* fftBuffer;
    Ipp32s fftBufferSize;
    Ipp64f* work[2];
    // 1: ippsFIRFree_64f releases the block.
    Ipp32s owner;

    // Multi-rate: 1 decimates (upFactor 1), 2 interpolates (downFactor 1),
    // 3 resamples; each iteration takes downFactor inputs and gives upFactor
    // outputs of the signal upsampled (zeros between inputs, the input at
    // upPhase), filtered and downsampled (keeping downPhase).
    Ipp32s mode;
    Ipp32s upFactor, upPhase, downFactor, downPhase;
    // History slots: the inputs before an iteration that its outputs reach.
    Ipp32s historyLen;
    // Iterations that one pass through the delay buffer takes.
    Ipp32s iterationsPerPass;
    // upFactor entries.
    FIRPhase* phases;
};

// The creation step shared by the delay-line types: `id` selects how
// pDlyLine is read (Ipp64f for the single-rate id, Ipp16s, Ipp32s or Ipp32f
// for the others; newest first) and is stored in the state. Checks as
// ippsFIRInitAlloc_64f's.
IppStatus ownsFIRInitAlloc_64f(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen, const void* pDlyLine,
                               Ipp32u id);

// A multi-rate state (mode chosen by the factors): factors of 1 or more,
// phases below their factor (-5 otherwise). pDlyLine, when given, holds the
// (tapsLen + upFactor - 1) / upFactor inputs before the first, newest first.
IppStatus ownsFIRMRInitAlloc_64f(IppsFIRState_64f** ppState, const Ipp64f* pTaps, int tapsLen, int upFactor,
                                 int upPhase, int downFactor, int downPhase, const Ipp64f* pDlyLine);

}  // namespace oculon::primitives
