#pragma once
// How the extra sample routines reach their samples: sample i of a region
// lies i steps (bytes) after the first, for width x height samples, and may
// sit at any byte address. One codec per sample width reads a sample as a
// 32-bit integer and stores the low bits of one.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "media/primitives/PackedSamples.h"

namespace oculon::primitives::samples {

// 8-bit samples as raw bytes 0..255.
struct Bytes {
    static constexpr int kBytes = 1;
    static Ipp32s load(const Ipp8u* p) { return *p; }
    static void store(Ipp8u* p, Ipp32s v) { *p = static_cast<Ipp8u>(v); }
};

template <typename T>
struct Words {
    static constexpr int kBytes = sizeof(T);
    static Ipp32s load(const Ipp8u* p) {
        T v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void store(Ipp8u* p, Ipp32s v) {
        const T t = static_cast<T>(v);
        std::memcpy(p, &t, sizeof t);
    }
};
using Shorts = Words<Ipp16s>;
using Longs = Words<Ipp32s>;

struct Packed24 {
    static constexpr int kBytes = 3;
    static Ipp32s load(const Ipp8u* p) { return Convert24BitTo32Bit(p); }
    static void store(Ipp8u* p, Ipp32s v) { Convert32BitTo24Bit(v, p); }
};

// Number of samples in a region; 0 for a width or height below 1.
inline std::ptrdiff_t count(IppiSize roi) {
    if (roi.width < 1 || roi.height < 1) return 0;
    return static_cast<std::ptrdiff_t>(roi.width) * roi.height;
}

// fn(source sample, destination sample) for n samples. Densely packed
// samples take a loop with constant strides, which the compiler vectorises.
template <int SrcBytes, int DstBytes, typename Fn>
void walk(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, std::ptrdiff_t n, Fn fn) {
    if (srcStep == SrcBytes && dstStep == DstBytes) {
        for (std::ptrdiff_t i = 0; i < n; ++i) fn(src + i * SrcBytes, dst + i * DstBytes);
        return;
    }
    for (std::ptrdiff_t i = 0; i < n; ++i) fn(src + i * srcStep, dst + i * dstStep);
}

template <typename T>
const Ipp8u* bytes(const T* p) {
    return reinterpret_cast<const Ipp8u*>(p);
}
template <typename T>
Ipp8u* bytes(T* p) {
    return reinterpret_cast<Ipp8u*>(p);
}

}  // namespace oculon::primitives::samples
