#pragma once
// The row routines of the 8-bit linear resize, the path every exported frame
// takes: plain loops, and AVX2 ones chosen once by CPU feature. Every set
// gives the same values; tests compare them.

#include <cstddef>
#include <vector>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::resize {

enum class LinearIsa { Plain, Avx2, Avx512 };

// Three- or four-channel destination columns in groups of 32 values (ten
// columns of three, eight of four) whose pixels (and right neighbours) lie
// within 128 bytes of the group's first pixel: for each group that pixel's
// offset, then per column and channel the places of its left and right
// samples in the 128 bytes from there, side by side, and 2 w1 (a column of
// w1 16384 reads its right pixel as the left one at w1 0). Lanes past the
// group's columns repeat its last one. Made once per image; the groups cover
// the first `columns` columns of a row of `rowSamples` samples, and the
// first `inside` of them hold all their columns and find the 128 bytes at
// their first pixel inside the row (the rest load and store under masks);
// `narrow` when those reach no further than 64 bytes.
struct ColumnGroups {
    struct alignas(64) Tables {
        Ipp8u bytes[64];
        Ipp16s weights[32];
    };
    std::vector<int> first;
    std::vector<Tables> tables;
    int columns = 0;
    int inside = 0;
    bool narrow = false;
    int rowSamples;
    int channels;
    int perGroup;  // columns

    ColumnGroups(const int* cols, const Ipp16u* cw, int w, int rowSamples, int channels);
};

struct LinearRows8 {
    // Column k of the output holds (w0 a + w1 b + 128) >> 8 per channel, a
    // the sample at s + cols[k] (+ channel), b the one `spacing` further, and
    // (w0, w1) the pair cw[2k], cw[2k+1]: one, three or four values per
    // column. Reads no sample at or past s + rowSamples; the three-value
    // routine may write two values past the last column.
    using Coef = void (*)(const Ipp8u* s, int w, int spacing, const int* cols, const Ipp16u* cw, Ipp16u* out,
                          int rowSamples);
    Coef coefPl;
    Coef coefPx;
    Coef coefPx4;
    // d[i] = (u[i] (16384 - wy) + l[i] wy + 2^19) >> 20.
    void (*summ)(Ipp8u* d, std::ptrdiff_t n, Ipp32u wy, const Ipp16u* u, const Ipp16u* l);
    // The first g.columns columns (g.channels each) of a destination row
    // straight from its two source rows: the row routine of that many values
    // on rows[0] and rows[1] (spacing g.channels), then summ of the two at wy,
    // without the row buffers; rows[2] and rows[3] are those of the next
    // destination row, fetched ahead (the same for the last). Null in sets
    // without.
    void (*blendPx)(Ipp8u* d, const Ipp8u* const* rows, Ipp32u wy, const ColumnGroups& g);
};

// The routines of one instruction set, or null when this CPU lacks it.
const LinearRows8* linearRows8For(LinearIsa isa);

}  // namespace oculon::primitives::resize
