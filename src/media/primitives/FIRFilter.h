#pragma once
// Single-rate FIR filter on doubles: y[n] = sum over k of taps[k] x[n-k].
// A state made from the taps and an optional delay line filters blocks that
// continue each other. Filters of 32 taps or more keep their transformed taps
// and filter long blocks by overlap-save through the FFT.

#include "media/primitives/EntryPoint.h"

namespace oculon::primitives {

// Opaque to callers (its layout is in FIRState.h). A released state, or one
// whose identification was overwritten, gives ippStsContextMatchErr.
struct IppsFIRState_64f;

// pDlyLine, when given, holds tapsLen values of the history, newest first:
// pDlyLine[k] is x[-1-k]; without it the history is zero. Checks: null ppState
// or pTaps (-8), tapsLen below 1 (ippStsFIRLenErr); a filter too long for the
// largest FFT gives that transform's status.
OCULON_IPP_ENTRY(ippsFIRInitAlloc_64f,
                 (IppsFIRState_64f * *ppState, const Ipp64f* pTaps, int tapsLen, const Ipp64f* pDlyLine));
// pSrc and pDst may be the same vector. A multi-rate state (FIRState.h)
// takes numIters iterations of downFactor inputs each and gives upFactor
// outputs each, its source and destination apart; its mode word names the
// routine, and any other mode gives ippStsContextMatchErr.
OCULON_IPP_ENTRY(ippsFIR_64f, (const Ipp64f* pSrc, Ipp64f* pDst, int numIters, IppsFIRState_64f* pState));
OCULON_IPP_ENTRY(ippsFIRFree_64f, (IppsFIRState_64f * pState));

}  // namespace oculon::primitives
