#pragma once
// Row loops shared by the element-wise image bodies: one operation applied
// to every element of a row (two sources, or one source and a constant), to
// bytes 0-2 of 4-byte pixels only, or with one constant per channel; and the
// widening of a C3 or C4 region to a one-channel region of 3 or 4 times the
// width. The loops are inline so that each body's hot-loop clone compiles
// them for its own target.

#include <climits>
#include <cstddef>
#include <cstring>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::elementwise {

using std::ptrdiff_t;

// Element i of a row of T; 16-bit rows may start at any byte the step gives.
template <typename T>
[[gnu::always_inline]] inline T load(const Ipp8u* row, ptrdiff_t i) {
    T v;
    std::memcpy(&v, row + i * static_cast<ptrdiff_t>(sizeof(T)), sizeof v);
    return v;
}

template <typename T>
[[gnu::always_inline]] inline void store(Ipp8u* row, ptrdiff_t i, T v) {
    std::memcpy(row + i * static_cast<ptrdiff_t>(sizeof(T)), &v, sizeof v);
}

// d[i] = op(a[i], b[i]) over n elements.
template <typename T, typename Op>
[[gnu::always_inline]] inline void map2(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, ptrdiff_t n, Op op) {
    for (ptrdiff_t i = 0; i < n; ++i) store<T>(d, i, static_cast<T>(op(load<T>(a, i), load<T>(b, i))));
}

// d[i] = op(a[i]) over n elements.
template <typename T, typename Op>
[[gnu::always_inline]] inline void map1(const Ipp8u* a, Ipp8u* d, ptrdiff_t n, Op op) {
    for (ptrdiff_t i = 0; i < n; ++i) store<T>(d, i, static_cast<T>(op(load<T>(a, i))));
}

// Bytes 0-2 of n 4-byte pixels; byte 3 of the destination is not written.
template <typename Op>
[[gnu::always_inline]] inline void map2Colour(const Ipp8u* a, const Ipp8u* b, Ipp8u* d, ptrdiff_t n, Op op) {
    for (ptrdiff_t i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) d[4 * i + k] = static_cast<Ipp8u>(op(a[4 * i + k], b[4 * i + k]));
}

// Channel k (< Channels) of n pixels of Pixel bytes: op(byte, value[k]).
template <int Pixel, int Channels, typename V, typename Op>
[[gnu::always_inline]] inline void mapChannels(const Ipp8u* a, Ipp8u* d, ptrdiff_t n, const V* value, Op op) {
    V v[Channels];
    for (int k = 0; k < Channels; ++k) v[k] = value[k];
    for (ptrdiff_t i = 0; i < n; ++i)
        for (int k = 0; k < Channels; ++k) d[Pixel * i + k] = static_cast<Ipp8u>(op(a[Pixel * i + k], v[k]));
}

// roi with `channels` times the width, as one-channel routines see a C3 or
// C4 region; false when that width leaves the int range.
inline bool widen(IppiSize& roi, int channels) {
    if (roi.width > INT_MAX / channels) return false;
    roi.width *= channels;
    return true;
}

template <typename V, int N>
bool allEqual(const V* v) {
    for (int k = 1; k < N; ++k)
        if (v[k] != v[0]) return false;
    return true;
}

}  // namespace oculon::primitives::elementwise
