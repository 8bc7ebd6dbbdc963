#include "media/primitives/PixelShuffle.h"

#include <immintrin.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <utility>

#include "media/primitives/ImageRegion.h"
#include "media/primitives/ProcessorFeatures.h"

namespace oculon::primitives::pixels {

namespace {

using std::ptrdiff_t;

// The vector kernels work on groups of pixels: the fewest whole pixels that
// fill whole 16-byte chunks on both sides (16, or 4 for 4-byte pixels on
// both). Each output chunk is put together from input chunks by byte
// shuffles; a kernel works on up to kMaxChunks chunks at once.
constexpr int kMaxChunks = 8;

constexpr int groupPixels(int srcBytes, int dstBytes) {
    const int src = srcBytes ? 16 / std::gcd(srcBytes, 16) : 1;
    return std::lcm(src, 16 / std::gcd(dstBytes, 16));
}

template <int SrcBytes, int DstBytes, bool Keep>
struct Shape {
    static constexpr int kSrcBytes = SrcBytes, kDstBytes = DstBytes;
    static constexpr int kPixels = groupPixels(SrcBytes, DstBytes);
    static constexpr int kIn = kPixels * SrcBytes / 16;  // none for a fill
    static constexpr int kOut = kPixels * DstBytes / 16;
    static constexpr bool kKeep = Keep;

    // The source byte of output byte p of a run of groups; negative where the
    // destination byte stays.
    static int source(int p, const Layout& l) {
        const int from = l.map[static_cast<std::size_t>(p % DstBytes)];
        return from < 0 ? -1 : p / DstBytes * SrcBytes + from;
    }

    // Whether output chunk oc may take bytes of input chunk ic, whatever the
    // map: the bytes of a pixel lie in at most two chunks.
    static constexpr bool uses(int oc, int ic) {
        for (int p = 16 * oc; p < 16 * oc + 16 && SrcBytes; ++p) {
            const int first = p / DstBytes * SrcBytes;
            if (first / 16 == ic || (first + SrcBytes - 1) / 16 == ic) return true;
        }
        return false;
    }
};

bool keeps(const Layout& l) {
    for (int k = 0; k < l.dstBytes; ++k)
        if (l.map[static_cast<std::size_t>(k)] < 0) return true;
    return false;
}

// Three planes of one byte into 3-byte pixels: input chunk 3 g + k holds
// bytes 16 g to 16 g + 15 of plane k.
struct PlanesShape {
    static constexpr int kPixels = 16, kIn = 3, kOut = 3;
    static constexpr bool kKeep = false;

    static constexpr int source(int p, const Layout& = {}) {
        const int q = p / 3;
        return 16 * (3 * (q / 16) + p % 3) + q % 16;
    }

    static constexpr bool uses(int oc, int ic) {
        for (int p = 16 * oc; p < 16 * oc + 16; ++p)
            if (source(p) / 16 == ic) return true;
        return false;
    }
};

bool movesOneByte(const Layout& l) {
    int moved = 0;
    for (int k = 0; k < l.dstBytes; ++k) moved += l.map[static_cast<std::size_t>(k)] >= 0;
    return moved == 1;
}

// The destination byte of a layout that moves one byte per pixel.
int movedTo(const Layout& l) {
    int k = 0;
    while (l.map[static_cast<std::size_t>(k)] < 0) ++k;
    return k;
}

// The shapes the callers use; a layout of another shape takes the byte loop.
template <typename... S>
struct ShapeList {};
using KnownShapes =
    ShapeList<Shape<3, 1, false>, Shape<4, 1, false>, Shape<1, 3, true>, Shape<1, 4, true>, Shape<3, 4, true>,
              Shape<4, 3, false>, Shape<3, 3, false>, Shape<4, 4, true>, Shape<0, 2, false>, Shape<0, 3, true>,
              Shape<0, 3, false>, Shape<0, 4, true>, Shape<0, 4, false>>;

// Calls fn(S{}) for the known shape of the layout; false when it has none.
template <typename Fn, typename... S>
bool withShape(const Layout& l, ShapeList<S...>, Fn fn) {
    const bool keep = keeps(l);
    return ((l.srcBytes == S::kSrcBytes && l.dstBytes == S::kDstBytes && keep == S::kKeep && (fn(S{}), true)) || ...);
}

// The byte loop: the reference the vector kernels match, and their tail.
// Inlined with constant sizes, it becomes one loop per shape.
[[gnu::always_inline]] inline void moveBytes(int srcBytes, int dstBytes, const std::array<int, 4>& map, const Ipp8u* s,
                                             Ipp8u* d, ptrdiff_t n) {
    const std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(dstBytes), map.size());
    for (ptrdiff_t i = 0; i < n; ++i) {
        std::array<Ipp8u, 4> px{};
        for (std::size_t k = 0; k < bytes; ++k)
            if (map[k] >= 0) px[k] = s[i * srcBytes + map[k]];
        for (std::size_t k = 0; k < bytes; ++k)
            if (map[k] >= 0) d[i * dstBytes + static_cast<ptrdiff_t>(k)] = px[k];
    }
}

[[gnu::always_inline]] inline void interleaveBytes(const Ipp8u* a, const Ipp8u* b, const Ipp8u* c, Ipp8u* d,
                                                   ptrdiff_t n) {
    for (ptrdiff_t i = 0; i < n; ++i) {
        d[3 * i] = a[i];
        d[3 * i + 1] = b[i];
        d[3 * i + 2] = c[i];
    }
}

// region::eachRow for three planes that share one step.
template <typename Fn>
void eachPlanesRow(const Ipp8u* const planes[3], int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, Fn fn) {
    const ptrdiff_t w = roi.width;
    if (srcStep == w && dstStep == 3 * w) {
        fn(planes[0], planes[1], planes[2], dst, w * roi.height);
        return;
    }
    for (ptrdiff_t r = 0; r < roi.height; ++r)
        fn(region::row(planes[0], srcStep, r), region::row(planes[1], srcStep, r), region::row(planes[2], srcStep, r),
           region::row(dst, dstStep, r), w);
}

// The shuffle masks of a run of groups (pshufb's convention: 0x80 gives a
// zero byte), the destination bytes that stay, and a fill's bytes.
struct Network {
    Ipp8u mask[kMaxChunks][kMaxChunks][16];  // [output chunk][input chunk]
    Ipp8u keep[kMaxChunks][16];
    Ipp8u pattern[kMaxChunks][16];
};

// The network of `groups` groups of shape S; a fill's value is `value`.
template <typename S>
Network makeNetwork(const Layout& l, const Ipp8u* value, int groups) {
    static_assert(S::kIn * 2 <= kMaxChunks && S::kOut * 2 <= kMaxChunks);
    Network net;
    std::memset(net.mask, 0x80, sizeof net.mask);
    std::memset(net.keep, 0, sizeof net.keep);
    std::memset(net.pattern, 0, sizeof net.pattern);
    for (int p = 0; p < groups * S::kOut * 16; ++p) {
        const int from = S::source(p, l), oc = p / 16, j = p % 16;
        if (from < 0) {
            net.keep[oc][j] = 0xFF;
        } else if (S::kIn == 0) {
            net.pattern[oc][j] = value[from];
        } else {
            net.mask[oc][from / 16][j] = static_cast<Ipp8u>(from % 16);
        }
    }
    return net;
}

// ---- Fills of whole pixels: vector stores start them, string copies go on.

// Whether this processor runs `rep movsb` in its fast form (ERMSB, leaf 7
// EBX bit 9), which writes whole lines without reading them first, as
// vector stores must: a long fill then writes at the pace of memset. The
// lines stay in the caches (a fill read back right after reads as fast as
// one written with vector stores), unlike streamed stores.
bool fastStringCopies() {
    static const bool fast = [] {
        CpuidResult leaf7;
        return ipp_max_cpuid_input() >= 7 && processorCpuid(7, leaf7) && (leaf7.ebx >> 9 & 1) != 0;
    }();
    return fast;
}

// Copies n bytes from s to d one after another in address order, as
// `rep movsb` is defined to: where d lies less than n bytes after s, the
// bytes from s to d repeat to the end.
inline void copyForward(Ipp8u* d, const Ipp8u* s, std::size_t n) {
    asm volatile("rep movsb" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
}

// Rows shorter than this are written with vector stores alone: below it a
// string copy costs more to start than it saves.
constexpr ptrdiff_t kStringCopyBytes = 2048;

// The bytes at the start of a run that vector stores write before a string
// copy repeats them: whole pixels and whole 64-byte lines, so that both
// sides of the copy lie alike against the lines; about 4 KB, past which a
// longer distance gained nothing measured.
constexpr ptrdiff_t seedBytes(ptrdiff_t pixel) { return 4096 / (64 * pixel) * 64 * pixel; }

// A fill of pixels of `pixel` bytes that keeps none of their bytes: fill(value,
// d, n) writes n pixels from d on with the vector kernel; a run longer than
// two seeds takes that for its seed only, and rows of a padded image are
// copies of the first. Rows that overlap go one by one, as in the kernel.
template <typename Fill>
void repeatFill(const Ipp8u* value, ptrdiff_t pixel, Ipp8u* dst, int dstStep, IppiSize roi, const Fill& fill) {
    const ptrdiff_t rowBytes = roi.width * pixel, seed = seedBytes(pixel);
    const auto run = [&](Ipp8u* d, ptrdiff_t bytes) {
        if (bytes < 2 * seed) return fill(value, d, bytes / pixel);
        fill(value, d, seed / pixel);
        copyForward(d + seed, d, static_cast<std::size_t>(bytes - seed));
    };
    if (fastStringCopies() && dstStep == rowBytes) return run(dst, rowBytes * roi.height);
    if (!fastStringCopies() || dstStep < rowBytes || rowBytes < kStringCopyBytes)
        return region::eachRow(value, 0, 0, dst, dstStep, pixel, roi, fill);
    run(dst, rowBytes);
    for (ptrdiff_t r = 1; r < roi.height; ++r)
        copyForward(region::row(dst, dstStep, r), dst, static_cast<std::size_t>(rowBytes));
}

// ---- The byte loops alone, for CPUs without SSSE3.

namespace scalar {

template <typename S>
struct MoveRow {
    const Layout& layout;
    void operator()(const Ipp8u* s, Ipp8u* d, ptrdiff_t n) const {
        moveBytes(S::kSrcBytes, S::kDstBytes, layout.map, s, d, n);
    }
};

void move(const Layout& l, const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
    const bool known = withShape(l, KnownShapes{}, [&](auto shape) {
        using S = decltype(shape);
        region::eachRow(src, srcStep, S::kSrcBytes, dst, dstStep, S::kDstBytes, roi, MoveRow<S>{l});
    });
    if (!known)
        region::eachRow(
            src, srcStep, l.srcBytes, dst, dstStep, l.dstBytes, roi,
            [&](const Ipp8u* s, Ipp8u* d, ptrdiff_t n) { moveBytes(l.srcBytes, l.dstBytes, l.map, s, d, n); });
}

struct InterleaveRow {
    void operator()(const Ipp8u* a, const Ipp8u* b, const Ipp8u* c, Ipp8u* d, ptrdiff_t n) const {
        interleaveBytes(a, b, c, d, n);
    }
};

void interleave(const Ipp8u* const planes[3], int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, Stores) {
    eachPlanesRow(planes, srcStep, dst, dstStep, roi, InterleaveRow{});
}

constexpr Kernels kKernels{move, interleave};

}  // namespace scalar

// ---- The same kernels on SSSE3 and on AVX2 shuffles.

#define OCULON_KERNELS "media/primitives/PixelShuffleKernels.inc"
#define OCULON_KERNELS_SSSE3
#define OCULON_KERNELS_AVX2
#include "media/primitives/KernelLevels.inc"

#include "media/primitives/PixelShuffleWide.inc"

}  // namespace

Stores storesFor(std::size_t bytes) {
    static const long lastLevel = [] {
        const long third = sysconf(_SC_LEVEL3_CACHE_SIZE);
        return third > 0 ? third : sysconf(_SC_LEVEL2_CACHE_SIZE);
    }();
    return lastLevel > 0 && bytes > static_cast<std::size_t>(lastLevel) ? Stores::Streamed : Stores::Cached;
}

const Kernels* kernelsFor(Isa isa) {
    __builtin_cpu_init();
    switch (isa) {
        case Isa::Scalar: return &scalar::kKernels;
        case Isa::Ssse3: return __builtin_cpu_supports("ssse3") ? &ssse3::kKernels : nullptr;
        case Isa::Avx2: return __builtin_cpu_supports("avx2") ? &avx2::kKernels : nullptr;
        case Isa::Avx512:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512bw") &&
                           __builtin_cpu_supports("avx512vbmi")
                       ? &wide::kKernels
                       : nullptr;
    }
    return nullptr;
}

const Kernels& kernels() {
    static const Kernels* const best = [] {
        for (Isa isa : {Isa::Avx512, Isa::Avx2, Isa::Ssse3})
            if (const Kernels* k = kernelsFor(isa)) return k;
        return &scalar::kKernels;
    }();
    return *best;
}

}  // namespace oculon::primitives::pixels
