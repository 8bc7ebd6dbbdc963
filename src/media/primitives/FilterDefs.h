#pragma once
// The argument types and status codes that only the neighbourhood filters and
// the cache-size query use, numbered as in the IPP 5.1 interface.

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

struct IppiPoint {
    int x;
    int y;
};

enum IppiMaskSize : int { ippMskSize3x3 = 33, ippMskSize5x5 = 55 };

// What a filter reads for pixels outside its region. Only 0..4 are
// accepted; the others are named so that callers that pass them get a
// clear rejection.
enum IppiBorderType : int {
    ippBorderConst = 0,
    ippBorderRepl = 1,
    ippBorderWrap = 2,
    ippBorderMirror = 3,
    ippBorderMirrorR = 4,
    ippBorderMirror2 = 5,
    ippBorderInMem = 6,
    ippBorderInMemTop = 16,
    ippBorderInMemBottom = 32,
};

// Cache-size query: no probe possible on this processor, or the probe found
// no size in what the processor announces.
inline constexpr IppStatus ippStsNotSupportedCpu = 36;
inline constexpr IppStatus ippStsUnknownCacheSize = 37;
// A Wiener noise value outside [0, 1).
inline constexpr IppStatus ippStsNoiseRangeErr = -125;

}  // namespace oculon::primitives
