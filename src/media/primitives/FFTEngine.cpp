#include "media/primitives/FFTEngine.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <numbers>

#include "media/primitives/HotLoop.h"
#include "media/primitives/SmallDFT.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

// Vectors of two complex values in the compiler's own vector extension: SSE2
// halves in the baseline build, whole AVX registers in the AVX2 clone. They
// never cross a call: the helpers that take or return them are always
// inlined (so the ABI note does not apply), and no lambda or library
// template sees them.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace oculon::primitives {

namespace {

#define OCULON_ALWAYS_INLINE inline __attribute__((always_inline))

using V4 = double __attribute__((vector_size(32)));
using V4u = std::uint64_t __attribute__((vector_size(32)));
using V4i = std::int64_t __attribute__((vector_size(32)));

constexpr std::uint64_t kSign = std::uint64_t{1} << 63;

OCULON_ALWAYS_INLINE V4 load4(const double* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
OCULON_ALWAYS_INLINE void store4(double* p, const V4& v) { std::memcpy(p, &v, sizeof v); }

// Lanes picked from a and b (b's numbered after a's), spelt as each compiler
// spells it.
#if defined(__clang__)
#define OCULON_SHUFFLE4(a, b, i, j, k, l) __builtin_shufflevector(a, b, i, j, k, l)
#else
#define OCULON_SHUFFLE4(a, b, i, j, k, l) __builtin_shuffle(a, b, V4i{i, j, k, l})
#endif

// (re, im) pairs become (im, re).
OCULON_ALWAYS_INLINE V4 swapParts(const V4& v) { return OCULON_SHUFFLE4(v, v, 1, 0, 3, 2); }

// Times -i: (re, im) becomes (im, -re).
OCULON_ALWAYS_INLINE V4 timesMinusI(const V4& v) {
    return __builtin_bit_cast(V4, __builtin_bit_cast(V4u, swapParts(v)) ^ V4u{0, kSign, 0, kSign});
}

OCULON_ALWAYS_INLINE V4 conjugate(const V4& v) {
    return __builtin_bit_cast(V4, __builtin_bit_cast(V4u, v) ^ V4u{0, kSign, 0, kSign});
}

// The two complex values trade places.
OCULON_ALWAYS_INLINE V4 swapValues(const V4& v) { return OCULON_SHUFFLE4(v, v, 2, 3, 0, 1); }

// Two complex values times a twiddle in the spread form (re, re) and
// (-im, im) per value; the inverse takes its conjugate.
template <bool Inverse>
OCULON_ALWAYS_INLINE V4 twiddle(const V4& x, const double* w) {
    const V4 a = x * load4(w);
    const V4 b = swapParts(x) * load4(w + 4);
    if constexpr (Inverse) return a - b;
    else return a + b;
}

// Two complex values times two complex values (t, or its conjugate).
template <bool Inverse>
OCULON_ALWAYS_INLINE V4 multiply(const V4& x, const V4& t) {
    const V4 re = OCULON_SHUFFLE4(t, t, 0, 0, 2, 2);
    const V4 im = OCULON_SHUFFLE4(t, t, 1, 1, 3, 3);
    const V4 turned = __builtin_bit_cast(V4, __builtin_bit_cast(V4u, swapParts(x)) ^ V4u{kSign, 0, kSign, 0});
    if constexpr (Inverse) return x * re - turned * im;
    else return x * re + turned * im;
}

// Decimation in time on bit-reversed input: four transforms of a quarter
// length each (in the order even-even, odd-even, even-odd, odd-odd of the
// inputs) combine into one. A unit is two complex values; stride is the
// quarter length in doubles.
template <bool Inverse, bool Twiddled>
OCULON_ALWAYS_INLINE void butterfly4(double* p, std::size_t stride, const double* w) {
    V4 a = load4(p);
    V4 b = load4(p + stride);
    V4 c = load4(p + 2 * stride);
    V4 d = load4(p + 3 * stride);
    if constexpr (Twiddled) {
        b = twiddle<Inverse>(b, w);
        c = twiddle<Inverse>(c, w + 8);
        d = twiddle<Inverse>(d, w + 16);
    }
    const V4 s0 = a + b, s1 = a - b, t0 = c + d;
    const V4 u = timesMinusI(c - d);
    store4(p, s0 + t0);
    store4(p + 2 * stride, s0 - t0);
    store4(p + stride, Inverse ? s1 - u : s1 + u);
    store4(p + 3 * stride, Inverse ? s1 + u : s1 - u);
}

// One pass of radix-4 butterflies over `units` units in groups of 4 x
// quarter units. A twiddle set (24 doubles) serves `unitsPerSet`
// consecutive units.
template <bool Inverse, bool Twiddled>
OCULON_ALWAYS_INLINE void radix4Pass(double* x, std::size_t units, std::size_t quarter, std::size_t unitsPerSet,
                                     const double* w) {
    const std::size_t stride = 4 * quarter;
    for (std::size_t base = 0; base < units; base += 4 * quarter) {
        double* p = x + 4 * base;
        const double* t = w;
        for (std::size_t u = 0; u < quarter; u += unitsPerSet) {
            for (std::size_t h = 0; h < unitsPerSet; ++h) butterfly4<Inverse, Twiddled>(p + 4 * (u + h), stride, t);
            if constexpr (Twiddled) t += 24;
        }
    }
}

// The bit reversal of a whole transform, in 4 x 4 tiles: a complex index is
// [2 high bits | middle bits | 2 low bits], and its reverse swaps the roles of
// the high and low bits while the middle bits reverse among themselves. A
// tile (one middle value) is four rows of four adjacent values (a cache line
// each), and lands as four rows of four adjacent values, each of which is a
// group of the first pass of the bottom transforms (a 4-point transform for
// an even order, two 2-point ones for an odd), done on the way. Column c of
// the tile lands in row c bit-reversed; rows 0 and 2, 1 and 3 of a column
// are the pairs of the first butterflies. Rows of the source tile are
// `fromStride` doubles apart, those of the destination `quarter`.
template <bool Inverse, bool OddOrder>
OCULON_ALWAYS_INLINE void moveTile(const double* from, std::size_t fromStride, double* to, std::size_t quarter) {
    for (std::size_t half = 0; half < 2; ++half) {
        // Columns 2 half and 2 half + 1, two lanes of each vector.
        const double* p = from + 4 * half;
        const V4 a0 = load4(p), a1 = load4(p + fromStride), a2 = load4(p + 2 * fromStride),
                 a3 = load4(p + 3 * fromStride);
        V4 y0, y1, y2, y3;
        if constexpr (OddOrder) {
            y0 = a0 + a2;
            y1 = a0 - a2;
            y2 = a1 + a3;
            y3 = a1 - a3;
        } else {
            const V4 s0 = a0 + a2, s1 = a0 - a2, t0 = a1 + a3;
            const V4 u = timesMinusI(a1 - a3);
            y0 = s0 + t0;
            y2 = s0 - t0;
            y1 = Inverse ? s1 - u : s1 + u;
            y3 = Inverse ? s1 + u : s1 - u;
        }
        // Column 2 half lands in row `half` (0 or 1 bit-reversed over two
        // bits: 0 and 2), column 2 half + 1 in row half + 2.
        double* first = to + (half ? quarter : 0);
        double* second = to + (half ? 3 : 2) * quarter;
        store4(first, OCULON_SHUFFLE4(y0, y1, 0, 1, 4, 5));
        store4(first + 4, OCULON_SHUFFLE4(y2, y3, 0, 1, 4, 5));
        store4(second, OCULON_SHUFFLE4(y0, y1, 2, 3, 6, 7));
        store4(second + 4, OCULON_SHUFFLE4(y2, y3, 2, 3, 6, 7));
    }
}

struct BitReversal {
    int order = 0, lowBits = 0;
    // The reverse of the middle bits, from their low and high halves.
    AlignedPtr<std::uint32_t> low, high;
    std::size_t operator()(std::size_t mid) const {
        return high[mid >> lowBits] | low[mid & ((std::size_t{1} << lowBits) - 1)];
    }
};

template <bool Inverse, bool OddOrder>
OCULON_ALWAYS_INLINE void permuteTiles(const double* src, double* dst, const BitReversal& reverse) {
    const std::size_t quarter = std::size_t{1} << (reverse.order - 1);  // doubles
    const std::size_t mids = std::size_t{1} << (reverse.order - 4);
    for (std::size_t m = 0; m < mids; ++m) {
        const std::size_t r = reverse(m);
        if (src != dst) {
            moveTile<Inverse, OddOrder>(src + 8 * m, quarter, dst + 8 * r, quarter);
        } else if (r >= m) {
            // In place, a tile and its mirror trade places; one of them waits
            // in a copy.
            double kept[32];
            for (std::size_t row = 0; row < 4; ++row) std::memcpy(kept + 8 * row, src + 8 * r + row * quarter, 64);
            if (r != m) moveTile<Inverse, OddOrder>(src + 8 * m, quarter, dst + 8 * r, quarter);
            moveTile<Inverse, OddOrder>(kept, 8, dst + 8 * m, quarter);
        }
    }
}

// The quarter lengths of the twiddled radix-4 passes after the first pass,
// in rows: 4, 16, 64, ... for even orders, 2, 8, 32, ... for odd.
constexpr std::size_t firstQuarter(int order) { return (order & 1) ? 2 : 4; }

// Twiddle doubles of the passes of one order: 24 per set, a set per two
// values of a contiguous transform or per row of a level's columns.
std::size_t passTwiddleDoubles(int order, bool columns) {
    std::size_t total = 0;
    for (std::size_t quarter = firstQuarter(order); 4 * quarter <= (std::size_t{1} << order); quarter *= 4)
        total += columns ? 24 * quarter : 12 * quarter;
    return total;
}

// A contiguous transform of bit-reversed input after its first pass, in
// place.
template <bool Inverse>
OCULON_ALWAYS_INLINE void contiguous(double* x, int order, const double* w) {
    const std::size_t n = std::size_t{1} << order;
    for (std::size_t quarter = firstQuarter(order); 4 * quarter <= n; quarter *= 4) {
        radix4Pass<Inverse, true>(x, n / 2, quarter / 2, 1, w);
        w += 12 * quarter;
    }
}

// Orders above kBlockOrder are split into 2^s rows of 2^m columns, m being
// kBlockOrder (or what remains of a split into more than 2^kMaxRowsOrder rows,
// split again). The rows are contiguous transforms done in the cache; the
// columns are then transformed by passes over whole rows, four rows at a
// time, each pass streaming through memory: the first multiplies every value
// by its twiddle on the way in, the others need one twiddle set per row.
constexpr int kBlockOrder = 10;
constexpr int kMaxRowsOrder = 10;
constexpr int kMaxLevels = 3;

std::uint32_t reverseBits(std::uint32_t v, int bits) {
    std::uint32_t r = 0;
    for (int i = 0; i < bits; ++i, v >>= 1) r = (r << 1) | (v & 1);
    return r;
}

// The lane path (FFTLaneKernels.inc) runs orders 5 and 6 whole in registers
// (1 and 2: groups of 2 and 4), odd orders from 7 on with groups of 8 values
// and even orders from 8 on with groups of 16, up to kLaneMaxOrder; above it
// the split into rows and columns keeps the data in the caches. 0: no lane
// path.
constexpr int kLaneMaxOrder = 16;
constexpr int laneGroupBits(int order) {
    if (order < 5 || order > kLaneMaxOrder) return 0;
    if (order < 7) return order - 4;
    return order & 1 ? 3 : 4;
}

// Up to this order (8 KB) it holds the array on the stack between the bit
// reversal and the last pass.
constexpr int kLaneHeldOrder = 9;

// Its passes of quarters that fit 2^kLaneBlockOrder values (32 KB) run block
// by block in the first-level cache.
constexpr int kLaneBlockOrder = 11;

// Twiddles of the lane passes: for the passes within a group, per value j of
// the quarter w^2j, w^j, w^3j (real, imaginary); for orders 5 and 6, per j
// of the pass of quarter 2 or 4, the factors of a and c (four times 1, four
// times w^j) and of b and d (w^2j, w^3j), each as eight real parts then
// eight imaginary parts; for each later pass, per eight values j of its
// quarter, eight real parts then eight imaginary parts of w^2j, of w^j and
// of w^3j.
constexpr std::size_t laneHalvesQuarter(int groupBits) { return groupBits == 2 ? 4 : 2; }
constexpr std::size_t laneGroupTwiddleDoubles(int groupBits) {
    return groupBits == 4 ? 24 : groupBits == 3 ? 12 : 32 * laneHalvesQuarter(groupBits);
}
// The quarter of the first pass after the group's.
constexpr std::size_t laneFirstQuarter(int groupBits) {
    return groupBits <= 2 ? 4 * laneHalvesQuarter(groupBits) : std::size_t{1} << groupBits;
}
constexpr std::size_t laneTwiddleDoubles(std::size_t quarter) { return 6 * quarter; }

template <int Bits>
constexpr std::size_t reverseLow(std::size_t v) {
    std::size_t r = 0;
    for (int i = 0; i < Bits; ++i, v >>= 1) r = (r << 1) | (v & 1);
    return r;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define OCULON_HAVE_FFT_LANES 1
#define OCULON_LANE_INLINE inline __attribute__((always_inline))
#define OCULON_KERNELS "media/primitives/FFTLaneKernels.inc"
#define OCULON_KERNELS_AVX512
#include "media/primitives/KernelLevels.inc"
#undef OCULON_LANE_INLINE
#endif

std::atomic<FFTLanes> widestLanes{FFTLanes::Avx512};

}  // namespace

// e^(-2 pi i j / 2^k) for every k up to the order it was built for, from one
// quarter-wave sine table computed in extended precision.
class UnitRoots {
public:
    // order 2 or more.
    explicit UnitRoots(int order) : order_(order) {
        const std::size_t quarter = std::size_t{1} << (order - 2);
        sine_ = alignedArray<double>(static_cast<long long>(quarter) + 1);
        if (!sine_) return;
        const long double step = 2 * std::numbers::pi_v<long double> / static_cast<long double>(4 * quarter);
        // Every 64th sine from the library, the ones between by rotating in
        // extended precision: 63 rotations stay far below a double's rounding
        // and cost a fraction of the library calls.
        constexpr std::size_t kExact = 64;
        const long double stepCos = std::cos(step), stepSin = std::sin(step);
        for (std::size_t r0 = 0; r0 <= quarter; r0 += kExact) {
            long double c = std::cos(step * static_cast<long double>(r0)),
                        s = std::sin(step * static_cast<long double>(r0));
            for (std::size_t r = r0; r < r0 + kExact && r <= quarter; ++r) {
                sine_[r] = static_cast<double>(s);
                const long double next = s * stepCos + c * stepSin;
                c = c * stepCos - s * stepSin;
                s = next;
            }
        }
    }
    bool valid() const { return sine_ != nullptr; }

    // logSize is at most the order.
    Ipp64fc operator()(std::uint64_t j, int logSize) const {
        const std::uint64_t n = std::uint64_t{1} << order_;
        const std::uint64_t index = (j << (order_ - logSize)) & (n - 1);
        const std::uint64_t quarter = n / 4, r = index & (quarter - 1);
        const double c = sine_[quarter - r], s = sine_[r];
        switch (index / quarter) {
            case 0: return {c, -s};
            case 1: return {-s, -c};
            case 2: return {-c, s};
            default: return {s, c};
        }
    }

private:
    int order_;
    AlignedPtr<double> sine_;
};

namespace {

// Writes the spread twiddle sets of the passes of one order.
void fillPassTwiddles(double* out, int order, bool columns, const UnitRoots& root) {
    auto spread = [&out](Ipp64fc a, Ipp64fc b) {
        const double set[8] = {a.re, a.re, b.re, b.re, -a.im, a.im, -b.im, b.im};
        std::memcpy(out, set, sizeof set);
        out += 8;
    };
    for (std::size_t quarter = firstQuarter(order); 4 * quarter <= (std::size_t{1} << order); quarter *= 4) {
        const int logSize = std::countr_zero(quarter) + 2;
        const std::size_t step = columns ? 1 : 2;
        for (std::size_t k = 0; k < quarter; k += step) {
            const std::size_t k1 = columns ? k : k + 1;
            // In the order of the quarters: w^2k, w^k, w^3k.
            for (std::uint64_t times : {2u, 1u, 3u}) spread(root(times * k, logSize), root(times * k1, logSize));
        }
    }
}

void fillLaneTwiddles(double* out, int order, const UnitRoots& root) {
    const int groupBits = laneGroupBits(order);
    if (groupBits <= 2) {
        const int logSize = groupBits + 2;
        for (std::size_t j = 0; j < laneHalvesQuarter(groupBits); ++j, out += 32) {
            const Ipp64fc w1 = root(j, logSize), w2 = root(2 * j, logSize), w3 = root(3 * j, logSize);
            std::fill_n(out, 4, 1.0), std::fill_n(out + 4, 4, w1.re);
            std::fill_n(out + 8, 4, 0.0), std::fill_n(out + 12, 4, w1.im);
            std::fill_n(out + 16, 4, w2.re), std::fill_n(out + 20, 4, w3.re);
            std::fill_n(out + 24, 4, w2.im), std::fill_n(out + 28, 4, w3.im);
        }
    }
    const std::size_t quarter = groupBits == 4 ? 4 : 2;
    for (std::size_t j = 0; groupBits > 2 && j < quarter; ++j) {
        for (std::uint64_t times : {2u, 1u, 3u}) {
            const Ipp64fc w = root(times * j, groupBits);
            *out++ = w.re;
            *out++ = w.im;
        }
    }
    for (std::size_t q = laneFirstQuarter(groupBits); 4 * q <= (std::size_t{1} << order); q *= 4) {
        const int logSize = std::countr_zero(q) + 2;
        for (std::size_t j = 0; j < q; ++j) {
            double* octet = out + 48 * (j / 8) + j % 8;
            int s = 0;
            for (std::uint64_t times : {2u, 1u, 3u}) {
                const Ipp64fc w = root(times * j, logSize);
                octet[16 * s] = w.re;
                octet[16 * s + 8] = w.im;
                ++s;
            }
        }
        out += laneTwiddleDoubles(q);
    }
}

std::size_t laneTableDoubles(int order) {
    const int groupBits = laneGroupBits(order);
    std::size_t total = laneGroupTwiddleDoubles(groupBits);
    for (std::size_t q = laneFirstQuarter(groupBits); 4 * q <= (std::size_t{1} << order); q *= 4)
        total += laneTwiddleDoubles(q);
    return total;
}

FFTLanes processorLanes() {
#ifdef OCULON_HAVE_FFT_LANES
    static const FFTLanes lanes =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") ? FFTLanes::Avx512 : FFTLanes::None;
    return lanes;
#else
    return FFTLanes::None;
#endif
}

}  // namespace

struct ComplexFFT::Tables {
    struct Level {
        int order = 0, rowsOrder = 0;
        // The value in row r, column j is first multiplied by
        // e^(-2 pi i q j / N), q being r bit-reversed: held as
        // e^(-2 pi i q 4g / N) per row and group g of four columns (row by
        // row), times the roots e^(-2 pi i q d / N) of columns d = 0..3 of the
        // group, kept with their quarter turns, two by two.
        AlignedPtr<Ipp64fc> groupRoots;
        AlignedPtr<double> rowFactors;
        // The passes of the transforms down the columns, one set per row.
        AlignedPtr<double> columnTwiddles;
    };
    std::array<Level, kMaxLevels> levels;
    int levelCount = 0;
    int blockOrder = 0;
    AlignedPtr<double> blockTwiddles;
    // The bit reversal of the whole transform.
    BitReversal reverse;
    // The lane path's twiddles, where the processor runs it: laneTable, on
    // a cache line, within laneTwiddles.
    AlignedPtr<double> laneTwiddles;
    const double* laneTable = nullptr;
};

namespace {

using Level = ComplexFFT::Tables::Level;

bool buildLevel(Level& level, int order, int rowsOrder, const UnitRoots& root) {
    level.order = order;
    level.rowsOrder = rowsOrder;
    const std::size_t rows = std::size_t{1} << rowsOrder;
    const std::size_t groups = (std::size_t{1} << (order - rowsOrder)) / 4;
    level.groupRoots = alignedArray<Ipp64fc>(static_cast<long long>(groups * rows));
    level.rowFactors = alignedArray<double>(static_cast<long long>(16 * rows));
    level.columnTwiddles =
        alignedArray<double>(static_cast<long long>(std::max<std::size_t>(passTwiddleDoubles(rowsOrder, true), 1)));
    if (!level.groupRoots || !level.rowFactors || !level.columnTwiddles) return false;
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint64_t q = reverseBits(static_cast<std::uint32_t>(r), rowsOrder);
        for (std::size_t g = 0; g < groups; ++g) level.groupRoots[r * groups + g] = root(q * 4 * g, order);
        double* f = &level.rowFactors[16 * r];
        for (int d = 0; d < 4; ++d) {
            const Ipp64fc w = root(q * d, order);
            double* pair = f + 8 * (d / 2) + 2 * (d % 2);
            pair[0] = w.re;
            pair[1] = w.im;
            pair[4] = -w.im;
            pair[5] = w.re;
        }
    }
    fillPassTwiddles(level.columnTwiddles.get(), rowsOrder, true, root);
    return true;
}

// The first pass down the columns, on rows r0 .. r0 + 3 (r0 .. r0 + 1 for an
// odd number of rows), each value multiplied by its twiddle as it is read.
template <bool Inverse, bool OddRows>
OCULON_ALWAYS_INLINE void firstColumnPass(const Level& level, double* x) {
    constexpr std::size_t span = OddRows ? 2 : 4;
    const std::size_t rows = std::size_t{1} << level.rowsOrder;
    const std::size_t rowDoubles = std::size_t{2} << (level.order - level.rowsOrder);
    const std::size_t groups = rowDoubles / 8;
    for (std::size_t r0 = 0; r0 < rows; r0 += span) {
        double* row = x + r0 * rowDoubles;
        const Ipp64fc* roots = &level.groupRoots[r0 * groups];
        const double* f = &level.rowFactors[16 * r0];
        for (std::size_t g = 0; g < groups; ++g) {
            V4 v[span][2];
            for (std::size_t i = 0; i < span; ++i) {
                const Ipp64fc root = roots[i * groups + g];
                const V4 re = V4{} + root.re, im = V4{} + root.im;
                const double* fi = f + 16 * i;
                const double* p = row + i * rowDoubles + 8 * g;
                v[i][0] = multiply<Inverse>(load4(p), re * load4(fi) + im * load4(fi + 4));
                v[i][1] = multiply<Inverse>(load4(p + 4), re * load4(fi + 8) + im * load4(fi + 12));
            }
            for (std::size_t h = 0; h < 2; ++h) {
                double* p = row + 8 * g + 4 * h;
                if constexpr (OddRows) {
                    store4(p, v[0][h] + v[1][h]);
                    store4(p + rowDoubles, v[0][h] - v[1][h]);
                } else {
                    const V4 s0 = v[0][h] + v[1][h], s1 = v[0][h] - v[1][h], t0 = v[2][h] + v[3][h];
                    const V4 u = timesMinusI(v[2][h] - v[3][h]);
                    store4(p, s0 + t0);
                    store4(p + 2 * rowDoubles, s0 - t0);
                    store4(p + rowDoubles, Inverse ? s1 - u : s1 + u);
                    store4(p + 3 * rowDoubles, Inverse ? s1 + u : s1 - u);
                }
            }
        }
    }
}

// The transforms down the columns of a level whose rows are done.
template <bool Inverse>
OCULON_ALWAYS_INLINE void columnPasses(const Level& level, double* x) {
    const int s = level.rowsOrder;
    const std::size_t rows = std::size_t{1} << s;
    const std::size_t rowUnits = std::size_t{1} << (level.order - s - 1);
    if (s & 1) firstColumnPass<Inverse, true>(level, x);
    else firstColumnPass<Inverse, false>(level, x);
    const double* w = level.columnTwiddles.get();
    for (std::size_t quarter = firstQuarter(s); 4 * quarter <= rows; quarter *= 4) {
        radix4Pass<Inverse, true>(x, rows * rowUnits, quarter * rowUnits, rowUnits, w);
        w += 24 * quarter;
    }
}

OCULON_HOT_LOOP void permute(const double* src, double* dst, const BitReversal& reverse, bool oddOrder, bool inverse) {
    if (inverse) {
        if (oddOrder) permuteTiles<true, true>(src, dst, reverse);
        else permuteTiles<true, false>(src, dst, reverse);
    } else {
        if (oddOrder) permuteTiles<false, true>(src, dst, reverse);
        else permuteTiles<false, false>(src, dst, reverse);
    }
}

OCULON_HOT_LOOP void contiguousBlocks(double* x, std::size_t count, int order, const double* w, bool inverse) {
    const std::size_t doubles = std::size_t{2} << order;
    for (std::size_t b = 0; b < count; ++b, x += doubles) {
        if (inverse) contiguous<true>(x, order, w);
        else contiguous<false>(x, order, w);
    }
}

OCULON_HOT_LOOP void columns(const Level& level, double* data, bool inverse) {
    if (inverse) columnPasses<true>(level, data);
    else columnPasses<false>(level, data);
}

OCULON_HOT_LOOP void scaleAll(double* x, std::size_t count, double scale) {
    for (std::size_t i = 0; i < count; ++i) x[i] *= scale;
}

}  // namespace

std::unique_ptr<ComplexFFT> ComplexFFT::create(int order) try {
    if (order <= kSmallDFTMaxOrder) return std::unique_ptr<ComplexFFT>(new ComplexFFT(order));
    const UnitRoots roots(order);
    return roots.valid() ? build(order, roots) : nullptr;
} catch (const std::bad_alloc&) {
    return nullptr;
}

std::unique_ptr<ComplexFFT> ComplexFFT::build(int order, const UnitRoots& root) try {
    std::unique_ptr<ComplexFFT> fft(new ComplexFFT(order));
    if (order <= kSmallDFTMaxOrder) return fft;
    auto tables = std::make_unique<Tables>();
    int m = order;
    while (m > kBlockOrder) {
        const int s = std::min(m - kBlockOrder, kMaxRowsOrder);
        if (!buildLevel(tables->levels[static_cast<std::size_t>(tables->levelCount++)], m, s, root)) return nullptr;
        m -= s;
    }
    tables->blockOrder = m;
    tables->blockTwiddles =
        alignedArray<double>(static_cast<long long>(std::max<std::size_t>(passTwiddleDoubles(m, false), 1)));
    BitReversal& reverse = tables->reverse;
    const int middle = order - 4;
    reverse.order = order;
    reverse.lowBits = middle / 2;
    const std::size_t lowCount = std::size_t{1} << reverse.lowBits;
    const std::size_t highCount = std::size_t{1} << (middle - reverse.lowBits);
    reverse.low = alignedArray<std::uint32_t>(static_cast<long long>(lowCount));
    reverse.high = alignedArray<std::uint32_t>(static_cast<long long>(highCount));
    if (!tables->blockTwiddles || !reverse.low || !reverse.high) return nullptr;
    fillPassTwiddles(tables->blockTwiddles.get(), m, false, root);
    if (laneGroupBits(order) && processorLanes() != FFTLanes::None) {
        const std::size_t doubles = laneTableDoubles(order);
        tables->laneTwiddles = alignedArray<double>(static_cast<long long>(doubles + 8));
        if (!tables->laneTwiddles) return nullptr;
        const auto start = reinterpret_cast<std::uintptr_t>(tables->laneTwiddles.get());
        double* table = tables->laneTwiddles.get() + (-start % 64) / sizeof(double);
        fillLaneTwiddles(table, order, root);
        tables->laneTable = table;
    }
    for (std::size_t i = 0; i < lowCount; ++i)
        reverse.low[i] = reverseBits(static_cast<std::uint32_t>(i), reverse.lowBits) << (middle - reverse.lowBits);
    for (std::size_t i = 0; i < highCount; ++i)
        reverse.high[i] = reverseBits(static_cast<std::uint32_t>(i), middle - reverse.lowBits);
    fft->tables_ = std::move(tables);
    return fft;
} catch (const std::bad_alloc&) {
    return nullptr;
}

ComplexFFT::TableAddresses ComplexFFT::tableAddresses() const {
    TableAddresses a;
    if (!tables_) return a;
    a.bitReversal = tables_->reverse.high.get();
    a.passTwiddles = tables_->blockTwiddles.get();
    for (int i = 0; i < tables_->levelCount; ++i) {
        const Tables::Level& level = tables_->levels[static_cast<std::size_t>(i)];
        a.columnPassTwiddles[i] = level.columnTwiddles.get();
        a.columnRoots[i] = level.groupRoots.get();
    }
    return a;
}

void limitFFTLanes(FFTLanes widest) { widestLanes.store(widest, std::memory_order_relaxed); }

ComplexFFT::ComplexFFT(int order) : order_(order) {}
ComplexFFT::~ComplexFFT() = default;

void ComplexFFT::forward(const Ipp64fc* src, Ipp64fc* dst, const double* scale) const { run<false>(src, dst, scale); }

void ComplexFFT::inverse(const Ipp64fc* src, Ipp64fc* dst, const double* scale) const { run<true>(src, dst, scale); }

template <bool Inverse>
void ComplexFFT::run(const Ipp64fc* src, Ipp64fc* dst, const double* scale) const {
    if (order_ <= kSmallDFTMaxOrder) return smallComplexDFT(order_, Inverse, src, dst, scale);
    const Tables& t = *tables_;
    auto* data = reinterpret_cast<double*>(dst);
#ifdef OCULON_HAVE_FFT_LANES
    if (t.laneTwiddles) {
        const FFTLanes lanes = std::min(processorLanes(), widestLanes.load(std::memory_order_relaxed));
        const int groupBits = laneGroupBits(order_);
        const auto* from = reinterpret_cast<const double*>(src);
        if (lanes == FFTLanes::Avx512)
            return avx512::laneTransform(from, data, order_, groupBits, t.laneTable, Inverse, scale);
    }
#endif
    permute(reinterpret_cast<const double*>(src), data, t.reverse, t.blockOrder & 1, Inverse);
    // Depth first, so that the rows of a level stay in the cache for its
    // columns.
    auto level = [&](auto& self, int index, double* block) -> void {
        if (index == t.levelCount) {
            contiguousBlocks(block, 1, t.blockOrder, t.blockTwiddles.get(), Inverse);
            return;
        }
        const Level& lv = t.levels[static_cast<std::size_t>(index)];
        const std::size_t rows = std::size_t{1} << lv.rowsOrder;
        const std::size_t rowDoubles = std::size_t{2} << (lv.order - lv.rowsOrder);
        if (index + 1 == t.levelCount) {
            contiguousBlocks(block, rows, t.blockOrder, t.blockTwiddles.get(), Inverse);
        } else {
            for (std::size_t r = 0; r < rows; ++r) self(self, index + 1, block + r * rowDoubles);
        }
        columns(lv, block, Inverse);
    };
    level(level, 0, data);
    if (scale) scaleAll(data, std::size_t{2} << order_, *scale);
}

// Real transforms.

namespace {

// The recombination of the widest lanes allowed from bin 1 on; returns the
// first bin it left.
std::size_t laneRecombine(const double* in, double* out, std::size_t half, const double* factor, double a) {
#ifdef OCULON_HAVE_FFT_LANES
    const FFTLanes lanes = std::min(processorLanes(), widestLanes.load(std::memory_order_relaxed));
    if (lanes == FFTLanes::Avx512) return avx512::laneRecombine(in, out, half, factor, a);
#else
    (void)in, (void)out, (void)half, (void)factor, (void)a;
#endif
    return 1;
}

// Bins k and M-k of a half-length complex spectrum (M = N/2) combine into
// bins k and M-k of the other spectrum: with p = in[k], q = in[M-k],
// A = a (p + conj q) and B = f_k (p - conj q), out[k] = A + B and
// out[M-k] = conj(A - B). Going forward (a = 1/2) this splits the spectrum
// of the interleaved real values into the real spectrum; going back (a = 1)
// it builds twice the half-length spectrum from the real one.
OCULON_HOT_LOOP void recombine(const Ipp64fc* in, Ipp64fc* out, std::size_t half, const Ipp64fc* factor, double a) {
    const double r0 = in[0].re, i0 = in[0].im;
    out[0] = {r0 + i0, r0 - i0};
    const auto* src = reinterpret_cast<const double*>(in);
    auto* dst = reinterpret_cast<double*>(out);
    const V4 scale = V4{} + a;
    std::size_t k = laneRecombine(src, dst, half, reinterpret_cast<const double*>(factor), a);
    // Bins k, k+1 and their partners at a time, while the four are distinct.
    for (; 2 * k + 2 < half; k += 2) {
        const V4 p = load4(src + 2 * k);
        const V4 q = conjugate(swapValues(load4(src + 2 * (half - k - 1))));
        const V4 sum = scale * (p + q);
        const V4 b = multiply<false>(p - q, load4(reinterpret_cast<const double*>(factor + k)));
        store4(dst + 2 * k, sum + b);
        store4(dst + 2 * (half - k - 1), swapValues(conjugate(sum - b)));
    }
    for (; 2 * k <= half; ++k) {
        const Ipp64fc p = in[k], q = in[half - k], f = factor[k];
        const double sr = a * (p.re + q.re), si = a * (p.im - q.im);
        const double dr = p.re - q.re, di = p.im + q.im;
        const double br = f.re * dr - f.im * di, bi = f.re * di + f.im * dr;
        out[k] = {sr + br, si + bi};
        if (2 * k != half) out[half - k] = {sr - br, bi - si};
    }
}

}  // namespace

std::unique_ptr<RealFFT> RealFFT::create(int order) try {
    const UnitRoots root(order);
    if (!root.valid()) return nullptr;
    auto half = ComplexFFT::build(order - 1, root);
    const std::size_t quarter = std::size_t{1} << (order - 2);
    auto fwd = alignedArray<Ipp64fc>(static_cast<long long>(quarter + 1));
    auto inv = alignedArray<Ipp64fc>(static_cast<long long>(quarter + 1));
    if (!half || !fwd || !inv) return nullptr;
    for (std::size_t k = 0; k <= quarter; ++k) {
        const Ipp64fc w = root(k, order);
        fwd[k] = {0.5 * w.im, -0.5 * w.re};  // -i w / 2
        inv[k] = {w.im, w.re};               // i conj(w)
    }
    return std::unique_ptr<RealFFT>(new RealFFT(std::move(half), std::move(fwd), std::move(inv)));
} catch (const std::bad_alloc&) {
    return nullptr;
}

RealFFT::RealFFT(std::unique_ptr<ComplexFFT> half, AlignedPtr<Ipp64fc> forwardFactors,
                 AlignedPtr<Ipp64fc> inverseFactors)
    : half_(std::move(half)), forwardFactors_(std::move(forwardFactors)), inverseFactors_(std::move(inverseFactors)) {}

void RealFFT::forward(const Ipp64f* src, Ipp64f* perm, const double* scale) const {
    auto* z = reinterpret_cast<Ipp64fc*>(perm);
    half_->forward(reinterpret_cast<const Ipp64fc*>(src), z, scale);
    recombine(z, z, std::size_t{1} << half_->order(), forwardFactors_.get(), 0.5);
}

void RealFFT::inverse(const Ipp64f* perm, Ipp64f* dst, const double* scale) const {
    auto* z = reinterpret_cast<Ipp64fc*>(dst);
    recombine(reinterpret_cast<const Ipp64fc*>(perm), z, std::size_t{1} << half_->order(), inverseFactors_.get(), 1.0);
    half_->inverse(z, z, scale);
}

}  // namespace oculon::primitives
