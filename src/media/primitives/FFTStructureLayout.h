#pragma once
// How an FFT structure lies in memory, field by field, for whoever
// reads one through its handle (a debugger, a test, a library that shares
// the layout). The 32-bit fields keep their places; each table address is a
// pointer of this platform, 8 bytes here where the layout had 4, so the
// fields from the first table on lie further out.

#include <cstddef>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

struct FFTStructureLayout {
    // 7 for a complex structure, 9 for a real one; 0 once released.
    Ipp32u id;
    Ipp32s order;
    // 1 when that direction's results are multiplied by the scale.
    Ipp32u forwardScaled;
    Ipp32u inverseScaled;
    // 1/N (flags 1 and 2), 1/sqrt(N) (flag 4) or 0 (flag 8).
    Ipp64f scale;
    Ipp32s hint;
    // Work-buffer bytes a caller is told to provide; 0 for none.
    Ipp32s workBytes;
    // 1 when creation allocated the structure and its tables, which release
    // then frees.
    Ipp32u allocated;
    // The tables of the transform, or null where an order has none: the
    // bit reversal, the twiddles of the contiguous passes, those of the
    // passes that combine whole blocks, the real transform's forward and
    // inverse recombination factors, and per level of a split the twiddles of
    // the passes down the columns and the roots the columns are first
    // multiplied by.
    const void* bitReversal;
    const void* passTwiddles;
    const void* combinationTwiddles;
    Ipp32u unused1;
    const void* realRecombination;
    const void* inverseRecombination;
    const void* columnPassTwiddles[3];
    const void* columnRoots[3];
    Ipp32u unused2;
};

static_assert(offsetof(FFTStructureLayout, id) == 0);
static_assert(offsetof(FFTStructureLayout, order) == 4);
static_assert(offsetof(FFTStructureLayout, forwardScaled) == 8);
static_assert(offsetof(FFTStructureLayout, inverseScaled) == 12);
static_assert(offsetof(FFTStructureLayout, scale) == 16);
static_assert(offsetof(FFTStructureLayout, hint) == 24);
static_assert(offsetof(FFTStructureLayout, workBytes) == 28);
static_assert(offsetof(FFTStructureLayout, allocated) == 32);
static_assert(sizeof(void*) == 8, "the table fields below are laid out for 8-byte pointers");
static_assert(offsetof(FFTStructureLayout, bitReversal) == 40);
static_assert(offsetof(FFTStructureLayout, passTwiddles) == 48);
static_assert(offsetof(FFTStructureLayout, combinationTwiddles) == 56);
static_assert(offsetof(FFTStructureLayout, unused1) == 64);
static_assert(offsetof(FFTStructureLayout, realRecombination) == 72);
static_assert(offsetof(FFTStructureLayout, inverseRecombination) == 80);
static_assert(offsetof(FFTStructureLayout, columnPassTwiddles) == 88);
static_assert(offsetof(FFTStructureLayout, columnRoots) == 112);
static_assert(offsetof(FFTStructureLayout, unused2) == 136);
static_assert(sizeof(FFTStructureLayout) == 144);

}  // namespace oculon::primitives
