#pragma once
// Row walking shared by the image bodies: row r of an image starts at its
// pointer + r x its step (steps may be negative for bottom-up images), and
// images whose rows follow each other without a gap are walked as one long
// row, which gives the same result with less loop overhead.

#include <cstddef>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives::region {

inline bool badSize(IppiSize roi) { return roi.width < 1 || roi.height < 1; }

inline const Ipp8u* row(const void* base, int step, std::ptrdiff_t r) {
    return static_cast<const Ipp8u*>(base) + r * step;
}

inline Ipp8u* row(void* base, int step, std::ptrdiff_t r) { return static_cast<Ipp8u*>(base) + r * step; }

// Calls fn(srcRow, dstRow, pixels) per row; once for the whole region when
// both steps equal their row length (srcPixel, dstPixel: bytes per pixel).
template <typename Fn>
void eachRow(const void* src, int srcStep, std::ptrdiff_t srcPixel, void* dst, int dstStep, std::ptrdiff_t dstPixel,
             IppiSize roi, Fn fn) {
    const std::ptrdiff_t w = roi.width;
    if (srcStep == w * srcPixel && dstStep == w * dstPixel) {
        fn(static_cast<const Ipp8u*>(src), static_cast<Ipp8u*>(dst), w * roi.height);
        return;
    }
    for (std::ptrdiff_t r = 0; r < roi.height; ++r) fn(row(src, srcStep, r), row(dst, dstStep, r), w);
}

// The same for two sources and a destination with pixels of `pixel` bytes
// each: fn(aRow, bRow, dstRow, pixels).
template <typename Fn>
void eachRow(const void* a, int aStep, const void* b, int bStep, void* dst, int dstStep, std::ptrdiff_t pixel,
             IppiSize roi, Fn fn) {
    const std::ptrdiff_t w = roi.width;
    if (aStep == w * pixel && bStep == aStep && dstStep == aStep) {
        fn(static_cast<const Ipp8u*>(a), static_cast<const Ipp8u*>(b), static_cast<Ipp8u*>(dst), w * roi.height);
        return;
    }
    for (std::ptrdiff_t r = 0; r < roi.height; ++r) fn(row(a, aStep, r), row(b, bStep, r), row(dst, dstStep, r), w);
}

// The same for one image worked in place.
template <typename Fn>
void eachRow(void* img, int step, std::ptrdiff_t pixel, IppiSize roi, Fn fn) {
    const std::ptrdiff_t w = roi.width;
    if (step == w * pixel) {
        fn(static_cast<Ipp8u*>(img), w * roi.height);
        return;
    }
    for (std::ptrdiff_t r = 0; r < roi.height; ++r) fn(row(img, step, r), w);
}

}  // namespace oculon::primitives::region
