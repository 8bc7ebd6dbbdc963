// Area-averaging reduction (super-sampling): every destination pixel is the
// mean of the source area it covers, whole pixels with weight one and the
// pixels cut by the area's edges with the covered fraction. One scratch row
// accumulates the covered source rows of a destination row; its columns are
// then grouped, scaled and stored.
//
// Most ratios in use (whole ones, and halves or quarters such as 1.5) cut
// pixels into binary fractions. Then every float and double sum of the rows
// below is exact, and 8-bit images take integer rows instead: the weights
// scaled to whole numbers, the sums in 16-bit or 32-bit lanes, and only the
// final scaling in double precision, as before. Other ratios keep the
// floating-point rows.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/HotLoop.h"
#include "media/primitives/ImageResize.h"
#include "media/primitives/ResizeKernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace oculon::primitives {

namespace {

constexpr double kEpsilon = 1e-7;

std::atomic<resize::SuperVectors> widestRows{resize::SuperVectors::Avx512};

// What a kernel needs to know about one image or plane.
struct Area {
    const void* src;  // the region's first sample
    void* dst;
    ptrdiff_t srcStep;  // samples
    ptrdiff_t dstStep;
    int usedWidth;  // source pixels the outputs cover, at most the region's width
    int rows;       // the region's height
    int dstW;
    int dstH;
    double rx, ry, norm;
    int spacing;  // pixel stride of the interleaved kernels
};

// Sums covered rows into Acc slots: 64-bit integers while both ratios are
// whole (no 8-bit or 16-bit sum can overflow them), single-precision floats
// otherwise. Areas that reach past the region repeat its last row or pixel,
// so a flat image stays flat.
template <typename T, typename Acc, int Values>
class Decimator {
public:
    Decimator(const Area& a, Acc* acc) : a_(a), acc_(acc) {}

    void run() {
        const bool yWhole = a_.ry == std::floor(a_.ry);
        const auto iy = static_cast<long long>(a_.ry);
        const double fy = a_.ry - static_cast<double>(iy);
        long long cursor = 0;
        double f = 0;
        for (int r = 0; r < a_.dstH; ++r) {
            std::memset(acc_, 0, sizeof(Acc) * static_cast<std::size_t>(a_.usedWidth) * Values);
            if (yWhole) {
                for (long long k = 0; k < iy; ++k) addRow(r * iy + k, 1.0);
            } else if (r == 0) {
                for (; cursor < iy; ++cursor) addRow(cursor, 1.0);
                addRow(cursor, fy);
                f = fy;
            } else {
                const double w0 = 1.0 - f;
                const double t = a_.ry - w0;
                const double n = std::floor(t + kEpsilon);
                f = t - n;
                // A cut row the previous output took (almost) whole is done
                // with: moving past it keeps it from being added again.
                if (w0 > kEpsilon) addRow(cursor, w0);
                ++cursor;
                for (double k = 0; k < n; ++k) addRow(cursor++, 1.0);
                if (f > kEpsilon) addRow(cursor, f);
            }
            columns(static_cast<T*>(a_.dst) + r * a_.dstStep);
        }
    }

private:
    void addRow(long long row, double weight) {
        if (row >= a_.rows) row = a_.rows - 1;
        const T* s = static_cast<const T*>(a_.src) + row * a_.srcStep;
        if (a_.spacing == Values) return add(s, acc_, static_cast<ptrdiff_t>(a_.usedWidth) * Values, weight);
        for (int p = 0; p < a_.usedWidth; ++p)
            add(s + static_cast<ptrdiff_t>(p) * a_.spacing, acc_ + p * Values, Values, weight);
    }

    // Whole rows add as integers; cut ones as floats, rounded per add.
    static void add(const T* s, Acc* acc, ptrdiff_t n, double weight) {
        if constexpr (std::is_integral_v<Acc>) {
            for (ptrdiff_t i = 0; i < n; ++i) acc[i] += s[i];
        } else {
            for (ptrdiff_t i = 0; i < n; ++i) acc[i] = static_cast<Acc>(acc[i] + static_cast<double>(s[i]) * weight);
        }
    }

    // Slot p, the last one standing in for pixels past it.
    double slot(long long p, int c) const {
        return static_cast<double>(acc_[(p < a_.usedWidth ? p : a_.usedWidth - 1) * Values + c]);
    }

    void columns(T* d) const {
        const auto ix = static_cast<long long>(a_.rx);
        const double fx = a_.rx - static_cast<double>(ix);
        if (a_.rx == std::floor(a_.rx)) {
            for (int j = 0; j < a_.dstW; ++j)
                for (int c = 0; c < Values; ++c) {
                    std::conditional_t<std::is_integral_v<Acc>, Acc, double> sum = 0;
                    for (long long m = 0; m < ix; ++m) {
                        const long long p = j * ix + m;
                        sum += acc_[(p < a_.usedWidth ? p : a_.usedWidth - 1) * Values + c];
                    }
                    if constexpr (std::is_integral_v<Acc>) put(d, j, c, sum);
                    else put(d, j, c, static_cast<float>(sum));
                }
            return;
        }
        long long s = ix;
        double f = fx;
        for (int j = 0; j < a_.dstW; ++j) {
            if (j == 0) {
                for (int c = 0; c < Values; ++c) {
                    double sum = 0;
                    for (long long m = 0; m < ix; ++m) sum += slot(m, c);
                    put(d, j, c, static_cast<float>(sum + slot(ix, c) * fx));
                }
                continue;
            }
            const double w0 = 1.0 - f;
            const double t = a_.rx - w0;
            const double n = std::floor(t + kEpsilon);
            f = t - n;
            const auto whole = static_cast<long long>(n);
            for (int c = 0; c < Values; ++c) {
                double sum = w0 > kEpsilon ? slot(s, c) * w0 : 0.0;
                for (long long m = 1; m <= whole; ++m) sum += slot(s + m, c);
                if (f > kEpsilon) sum += slot(s + whole + 1, c) * f;
                put(d, j, c, static_cast<float>(sum));
            }
            s += whole + 1;
        }
    }

    template <typename V>
    void put(T* d, int j, int c, V sum) const {
        const double v = static_cast<double>(sum) * a_.norm;
        T& out = d[static_cast<ptrdiff_t>(j) * a_.spacing + c];
        if constexpr (std::is_integral_v<T>) {
            // The weights of an output add up to 1/norm; the clamp only
            // guards against the last bits of the float sums.
            constexpr double kMax = std::numeric_limits<T>::max();
            const double x = v + 0.5;
            out = !(x > 0) ? T{0} : x >= kMax ? static_cast<T>(kMax) : static_cast<T>(x);
        } else {
            out = static_cast<T>(v);
        }
    }

    const Area& a_;
    Acc* acc_;
};

// ---- Integer rows for weights that are binary fractions.

// One term of a destination row or column: a source row or pixel, and its
// weight.
struct Term {
    long long at;
    double weight;
};

// The terms of every destination row (or column) as the floating-point
// rows above add them, ratio r over `count` sources; sources past the last
// repeat it.
std::vector<std::vector<Term>> axisTerms(double r, int outputs, long long count) {
    std::vector<std::vector<Term>> all(static_cast<std::size_t>(outputs));
    auto add = [count](std::vector<Term>& t, long long at, double w) { t.push_back({at < count ? at : count - 1, w}); };
    const auto whole = static_cast<long long>(r);
    if (r == std::floor(r)) {
        for (int o = 0; o < outputs; ++o)
            for (long long k = 0; k < whole; ++k) add(all[o], o * whole + k, 1.0);
        return all;
    }
    const double fr = r - static_cast<double>(whole);
    long long cursor = 0;
    double f = 0;
    for (int o = 0; o < outputs; ++o) {
        if (o == 0) {
            for (; cursor < whole; ++cursor) add(all[o], cursor, 1.0);
            add(all[o], cursor, fr);
            f = fr;
            continue;
        }
        const double w0 = 1.0 - f;
        const double t = r - w0;
        const double n = std::floor(t + kEpsilon);
        f = t - n;
        if (w0 > kEpsilon) add(all[o], cursor, w0);
        ++cursor;
        for (double k = 0; k < n; ++k) add(all[o], cursor++, 1.0);
        if (f > kEpsilon) add(all[o], cursor, f);
    }
    return all;
}

// One axis in whole numbers: per output `taps` sources (multiplied by
// `scale`) and their weights times 2^bits, short lists padded with weight 0.
struct IntegerAxis {
    int bits = 0;
    int taps = 0;
    long long largestSum = 0;  // of one output's weights
    std::vector<Ipp32s> at, weight;
    // For the vector columns: per group of four outputs and tap, the four
    // sources, and each weight in four 16-bit lanes.
    std::vector<Ipp32s> lanes;
    std::vector<Ipp16u> laneWeights;

    void spreadLanes() {
        const std::size_t outputs = weight.size() / static_cast<std::size_t>(taps);
        for (std::size_t g = 0; g + 4 <= outputs; g += 4)
            for (int t = 0; t < taps; ++t)
                for (std::size_t p = 0; p < 4; ++p) {
                    lanes.push_back(at[(g + p) * taps + t]);
                    for (int k = 0; k < 4; ++k) laneWeights.push_back(static_cast<Ipp16u>(weight[(g + p) * taps + t]));
                }
    }

    // False when some weight is no binary fraction of at most kMaxBits bits.
    bool make(const std::vector<std::vector<Term>>& terms, long long scale) {
        constexpr int kMaxBits = 6;
        for (const auto& list : terms) taps = std::max(taps, static_cast<int>(list.size()));
        for (bits = 0; bits <= kMaxBits; ++bits)
            if (std::all_of(terms.begin(), terms.end(), [this](const std::vector<Term>& list) {
                    return std::all_of(list.begin(), list.end(), [this](const Term& t) {
                        const double w = std::ldexp(t.weight, bits);
                        return w == std::floor(w);
                    });
                }))
                break;
        if (bits > kMaxBits || taps == 0) return false;
        for (const auto& list : terms) {
            long long sum = 0;
            for (int k = 0; k < taps; ++k) {
                const Term t = k < static_cast<int>(list.size()) ? list[k] : Term{list.empty() ? 0 : list[0].at, 0.0};
                const auto w = static_cast<Ipp32s>(std::ldexp(t.weight, bits));
                at.push_back(static_cast<Ipp32s>(t.at * scale));
                weight.push_back(w);
                sum += w;
            }
            largestSum = std::max(largestSum, sum);
        }
        return true;
    }
};

// acc = (first) or += the weighted sum of three rows, over n samples; a
// row of weight 0 adds nothing. One pass for the rows of most outputs.
template <typename Acc>
inline void weighRows(Acc* acc, const Ipp8u* const* s, const Ipp32s* w, ptrdiff_t n, bool first) {
    const Ipp8u *a = s[0], *b = s[1], *c = s[2];
    const auto wa = static_cast<Acc>(w[0]), wb = static_cast<Acc>(w[1]), wc = static_cast<Acc>(w[2]);
    if (first) {
        for (ptrdiff_t i = 0; i < n; ++i) acc[i] = static_cast<Acc>(wa * a[i] + wb * b[i] + wc * c[i]);
    } else {
        for (ptrdiff_t i = 0; i < n; ++i) acc[i] = static_cast<Acc>(acc[i] + wa * a[i] + wb * b[i] + wc * c[i]);
    }
}
OCULON_HOT_LOOP void weighRows16(Ipp16u* acc, const Ipp8u* const* s, const Ipp32s* w, ptrdiff_t n, bool first) {
    weighRows(acc, s, w, n, first);
}
OCULON_HOT_LOOP void weighRows32(Ipp32u* acc, const Ipp8u* const* s, const Ipp32s* w, ptrdiff_t n, bool first) {
    weighRows(acc, s, w, n, first);
}
inline void weighRowsAny(Ipp16u* acc, const Ipp8u* const* s, const Ipp32s* w, ptrdiff_t n, bool first) {
    weighRows16(acc, s, w, n, first);
}
inline void weighRowsAny(Ipp32u* acc, const Ipp8u* const* s, const Ipp32s* w, ptrdiff_t n, bool first) {
    weighRows32(acc, s, w, n, first);
}

// The rounding of a sum S of the weighted samples: S x q rounded half up
// and saturated, q the norm over the weights' scale. Every sum is below
// 2^24, so the float the floating-point rows round it to holds it exactly,
// and a power-of-two scale changes no rounding of the product.
inline Ipp8u mean(Ipp32s sum, double q) {
    const double x = static_cast<double>(sum) * q + 0.5;
    return static_cast<Ipp8u>(static_cast<Ipp32s>(std::min(x, 255.0)));
}

OCULON_HOT_LOOP void storeMeans(Ipp8u* d, const Ipp32s* sums, ptrdiff_t n, double q) {
    for (ptrdiff_t i = 0; i < n; ++i) d[i] = mean(sums[i], q);
}

// Sums below 2^16 round by table, and in 16-bit lanes as
// ((S + add) x mul) >> (16 + shift), found and checked against the table
// for every sum that can occur.
struct SmallSums {
    std::vector<Ipp8u> table;
    bool lanes = false;
    Ipp16u add = 0, mul = 0;
    int shift = 0;

    SmallSums(Ipp32s largest, double q) : table(static_cast<std::size_t>(largest) + 1) {
        for (Ipp32s s = 0; s <= largest; ++s) table[s] = mean(s, q);
        const long long half = std::llround(0.5 / q);
        for (shift = 0; shift <= 4 && !lanes; ++shift)
            for (long long c = half - 2; c <= half + 2 && !lanes; ++c)
                for (long long m = std::llround(std::ldexp(q, 16 + shift)) - 1, e = m + 2; m <= e && !lanes; ++m)
                    lanes = c >= 0 && c + largest < 65536 && m > 0 && m < 65536 && fits(c, m, shift);
        --shift;
    }

private:
    bool fits(long long c, long long m, int sh) {
        for (long long s = 0; s < static_cast<long long>(table.size()); ++s)
            if ((((s + c) * m) >> (16 + sh)) != table[s]) return false;
        add = static_cast<Ipp16u>(c), mul = static_cast<Ipp16u>(m);
        return true;
    }
};

// Per destination pixel the weighted slots: `Values` sums each.
template <typename Acc, int Values>
void weighColumns(const Acc* acc, const IntegerAxis& cols, int from, int to, Ipp32s* out) {
    const int taps = cols.taps;
    for (int j = from; j < to; ++j) {
        Ipp32s sum[Values] = {};
        for (int t = 0; t < taps; ++t) {
            const Acc* a = acc + cols.at[j * taps + t];
            const Ipp32s w = cols.weight[j * taps + t];
            for (int c = 0; c < Values; ++c) sum[c] += w * static_cast<Ipp32s>(a[c]);
        }
        for (int c = 0; c < Values; ++c) out[(j - from) * Values + c] = sum[c];
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define OCULON_AVX2 __attribute__((target("avx2")))

// Three or four channels from 16-bit slots, four pixels per step: each tap
// one 8-byte load per pixel (four values, for three channels one spare),
// 16-bit products and sums, the rounding in 16-bit lanes. Returns the
// pixels done; the rest are left to the plain loop. `acc` has a slot past
// the last one it names.
template <int Values>
OCULON_AVX2 int weighColumnsAvx2(const Ipp16u* acc, const IntegerAxis& cols, int dstW, const SmallSums& r, Ipp8u* d) {
    const int taps = cols.taps;
    const __m256i add = _mm256_set1_epi16(static_cast<short>(r.add)),
                  mul = _mm256_set1_epi16(static_cast<short>(r.mul));
    const __m128i shift = _mm_cvtsi32_si128(r.shift);
    const __m128i compact = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    // The 16-byte store of the last step stays inside the row.
    int j = 0;
    for (; (j + 4) * Values + (16 - 4 * Values) <= dstW * Values; j += 4) {
        __m256i sum = _mm256_setzero_si256();
        for (int t = 0; t < taps; ++t) {
            const Ipp32s* at = cols.lanes.data() + (static_cast<std::size_t>(j / 4) * taps + t) * 4;
            const __m128i lo = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(acc + at[0])),
                                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(acc + at[1])));
            const __m128i hi = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(acc + at[2])),
                                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(acc + at[3])));
            const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
            const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                cols.laneWeights.data() + (static_cast<std::size_t>(j / 4) * taps + t) * 16));
            sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(v, w));
        }
        const __m256i m = _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(sum, add), mul), shift);
        __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
        if constexpr (Values == 3) bytes = _mm_shuffle_epi8(bytes, compact);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j * Values), bytes);
    }
    return j;
}

#undef OCULON_AVX2

#define OCULON_KERNELS "media/primitives/ResizeAreaKernels.inc"
#define OCULON_KERNELS_AVX2
#define OCULON_KERNELS_AVX512
#include "media/primitives/KernelLevels.inc"
#endif

bool haveAvx2() { return resize::processorVectors() != resize::SuperVectors::None; }

using AreaMeans = int (*)(const Ipp8u* const* rows, const Ipp8u* const* ahead, int count, int outputs,
                          const SmallSums& r, Ipp8u* d);

// The area kernel for areas `ix` pixels wide, the widest this processor
// runs, or null.
AreaMeans areaMeansFor(int ix) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (ix != 1 && ix != 2 && ix != 4) return nullptr;
    if (resize::processorVectors() == resize::SuperVectors::Avx512 &&
        widestRows.load(std::memory_order_relaxed) == resize::SuperVectors::Avx512)
        return ix == 1 ? avx512::areaMeans<1> : ix == 2 ? avx512::areaMeans<2> : avx512::areaMeans<4>;
    return ix == 1 ? avx2::areaMeans<1> : ix == 2 ? avx2::areaMeans<2> : avx2::areaMeans<4>;
#else
    (void)ix;
    return nullptr;
#endif
}

// The integer rows of an 8-bit image whose pixels lie back to back; `small`
// set when every sum stays below 2^16.
template <typename Acc, int Values>
IppStatus decimateIntegers(const Area& a, const IntegerAxis& rows, const IntegerAxis& cols, double q,
                           const SmallSums* small) {
    const ptrdiff_t slots = static_cast<ptrdiff_t>(a.usedWidth) * Values;
    std::vector<Acc> acc(static_cast<std::size_t>(slots) + 4);
    std::vector<Ipp32s> sums(static_cast<std::size_t>(a.dstW) * Values);
    const bool vector = small && small->lanes && Values > 1 && std::is_same_v<Acc, Ipp16u> && haveAvx2() &&
                        widestRows.load(std::memory_order_relaxed) != resize::SuperVectors::None;
    const AreaMeans areaMeans =
        vector && Values == 4 && rows.bits == 0 && cols.bits == 0 ? areaMeansFor(cols.taps) : nullptr;
    // The rows of destination row r, then those of the next one.
    std::vector<const Ipp8u*> areaRows(2 * static_cast<std::size_t>(rows.taps));
    for (int r = 0; r < a.dstH; ++r) {
        Ipp8u* d = static_cast<Ipp8u*>(a.dst) + r * a.dstStep;
        // Outputs the area kernel gives need no slots.
        int j = 0;
        if (areaMeans) {
            const int next = r + 1 < a.dstH ? r + 1 : r;
            for (int t = 0; t < rows.taps; ++t) {
                areaRows[t] = static_cast<const Ipp8u*>(a.src) + rows.at[r * rows.taps + t] * a.srcStep;
                areaRows[rows.taps + t] = static_cast<const Ipp8u*>(a.src) + rows.at[next * rows.taps + t] * a.srcStep;
            }
            j = areaMeans(areaRows.data(), areaRows.data() + rows.taps, rows.taps,
                          std::min(a.dstW, a.usedWidth / cols.taps), *small, d);
        }
        const ptrdiff_t from = j == 0 ? 0 : j < a.dstW ? cols.at[static_cast<std::size_t>(j) * cols.taps] : slots;
        // The rows of weight above 0, three at a time.
        const Ipp8u* src[3];
        Ipp32s weight[3];
        int held = 0;
        bool first = true;
        for (int t = 0; t < rows.taps; ++t) {
            const Ipp32s w = rows.weight[r * rows.taps + t];
            if (w != 0) {
                src[held] = static_cast<const Ipp8u*>(a.src) + rows.at[r * rows.taps + t] * a.srcStep + from;
                weight[held++] = w;
            }
            if (held == 3 || (t == rows.taps - 1 && held > 0)) {
                for (int k = held; k < 3; ++k) src[k] = src[0], weight[k] = 0;
                weighRowsAny(acc.data() + from, src, weight, slots - from, first);
                first = false;
                held = 0;
            }
        }
#if defined(__x86_64__) && defined(__GNUC__)
        if constexpr (std::is_same_v<Acc, Ipp16u> && Values > 1)
            if (vector && j == 0) j = weighColumnsAvx2<Values>(acc.data(), cols, a.dstW, *small, d);
#endif
        weighColumns<Acc, Values>(acc.data(), cols, j, a.dstW, sums.data());
        const ptrdiff_t rest = static_cast<ptrdiff_t>(a.dstW - j) * Values;
        if (!small) {
            storeMeans(d + j * Values, sums.data(), rest, q);
        } else {
            for (ptrdiff_t i = 0; i < rest; ++i) d[j * Values + i] = small->table[sums[i]];
        }
    }
    return ippStsNoErr;
}

// How the integer rows handle one geometry, settled once: a video resizes
// every frame alike, and the table and the axes cost a good part of a
// small frame's work.
struct IntegerPlan {
    double rx = 0, ry = 0, norm = 0;
    int dstW = 0, dstH = 0, rows = 0, usedWidth = 0, values = 0;
    bool applies = false;
    IntegerAxis rowAxis, colAxis;
    double q = 0;
    std::optional<SmallSums> small;
    bool wide = false;  // row sums past 16 bits

    bool isFor(const Area& a, int v) const {
        return rx == a.rx && ry == a.ry && norm == a.norm && dstW == a.dstW && dstH == a.dstH && rows == a.rows &&
               usedWidth == a.usedWidth && values == v;
    }

    IntegerPlan(const Area& a, int v)
        : rx(a.rx),
          ry(a.ry),
          norm(a.norm),
          dstW(a.dstW),
          dstH(a.dstH),
          rows(a.rows),
          usedWidth(a.usedWidth),
          values(v) {
        if (!rowAxis.make(axisTerms(a.ry, a.dstH, a.rows), 1) || !colAxis.make(axisTerms(a.rx, a.dstW, a.usedWidth), v))
            return;
        const long long rowSum = 255 * rowAxis.largestSum, largest = rowSum * colAxis.largestSum;
        if (largest >= (1LL << 24)) return;
        applies = true;
        q = std::ldexp(a.norm, -(rowAxis.bits + colAxis.bits));
        // A table for sums below 2^16, where it is no larger than the image.
        if (largest < 65536 && largest <= static_cast<long long>(a.dstW) * a.dstH * v) {
            small.emplace(static_cast<Ipp32s>(largest), q);
            if (small->lanes) colAxis.spreadLanes();
        }
        wide = rowSum >= 65536;
    }
};

// The integer rows where they give the floating-point rows' bytes: 8-bit
// pixels back to back, binary-fraction weights, and sums small enough for
// the float rows to hold them exactly. Null when they do not apply.
template <int Values>
std::optional<IppStatus> tryIntegers(const Area& a) {
    if (a.spacing != Values) return std::nullopt;
    thread_local std::optional<IntegerPlan> last;
    if (!last || !last->isFor(a, Values)) last.emplace(a, Values);
    const IntegerPlan& p = *last;
    if (!p.applies) return std::nullopt;
    if (p.small) return decimateIntegers<Ipp16u, Values>(a, p.rowAxis, p.colAxis, p.q, &*p.small);
    if (!p.wide) return decimateIntegers<Ipp16u, Values>(a, p.rowAxis, p.colAxis, p.q, nullptr);
    return decimateIntegers<Ipp32u, Values>(a, p.rowAxis, p.colAxis, p.q, nullptr);
}

struct FreeBlock {
    void operator()(void* p) const { ippsFree(p); }
};

template <typename T, int Values>
IppStatus decimate(const Area& a, bool wholeRatios) {
    const long long slots = static_cast<long long>(a.usedWidth) * Values;
    if (wholeRatios && std::is_integral_v<T>) {
        std::unique_ptr<void, FreeBlock> acc(alignedAlloc(slots, sizeof(std::uint64_t)));
        if (!acc) return ippStsMemAllocErr;
        Decimator<T, std::uint64_t, Values>(a, static_cast<std::uint64_t*>(acc.get())).run();
    } else {
        std::unique_ptr<void, FreeBlock> acc(alignedAlloc(slots, sizeof(float)));
        if (!acc) return ippStsMemAllocErr;
        Decimator<T, float, Values>(a, static_cast<float*>(acc.get())).run();
    }
    return ippStsNoErr;
}

template <int Values>
IppStatus decimate8u(const Area& a, bool wholeRatios, bool integers) {
    if (integers)
        if (const std::optional<IppStatus> st = tryIntegers<Values>(a)) return *st;
    return decimate<Ipp8u, Values>(a, wholeRatios);
}

template <typename T>
IppStatus decimateLayout(const Area& a, bool wholeRatios, int layout, bool integers) {
    if constexpr (std::is_same_v<T, Ipp8u>) {
        if (layout == 1) return decimate8u<1>(a, wholeRatios, integers);
        if (layout == 4) return decimate8u<4>(a, wholeRatios, integers);
        return decimate8u<3>(a, wholeRatios, integers);
    }
    if (layout == 1) return decimate<T, 1>(a, wholeRatios);
    if (layout == 4) return decimate<T, 4>(a, wholeRatios);
    return decimate<T, 3>(a, wholeRatios);
}

IppStatus decimateAny(const Area& a, bool wholeRatios, int layout, int sampleType, bool integers) {
    switch (sampleType) {
        case kSample8u: return decimateLayout<Ipp8u>(a, wholeRatios, layout, integers);
        case kSample16u: return decimateLayout<Ipp16u>(a, wholeRatios, layout, integers);
        case kSample32f: return decimateLayout<Ipp32f>(a, wholeRatios, layout, integers);
        default: return ippStsNoErr;
    }
}

}  // namespace

void resize::limitSuperVectorRows(SuperVectors widest) { widestRows.store(widest, std::memory_order_relaxed); }

IppStatus ownpiDecimateSuper(const void* src, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, void* dst,
                             int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor, int channels, int layout,
                             int sampleType, int planar) {
    return resize::decimateSuper(src, srcSize, srcStep, srcRoi, dst, dstStep, dstRoiSize, xFactor, yFactor, channels,
                                 layout, sampleType, planar, true);
}

IppStatus resize::decimateSuper(const void* src, IppiSize srcSize, int srcStep, TVDImageRect srcRoi, void* dst,
                                int dstStep, IppiSize dstRoiSize, double xFactor, double yFactor, int channels,
                                int layout, int sampleType, int planar, bool integers) {
    const int bytes = resize::bytesPerSample(sampleType);
    const int pixel = planar ? 1 : channels;
    if (IppStatus st = resize::checkArguments(src, srcSize, srcRoi, dst, dstRoiSize, xFactor, yFactor, pixel * bytes))
        return st;
    const int w = std::min(srcRoi.Width, srcSize.width - srcRoi.X);
    const int h = std::min(srcRoi.Height, srcSize.height - srcRoi.Y);
    int dstW = 0, dstH = 0;
    if (!resize::processedSize(w, xFactor, dstRoiSize.width, &dstW) ||
        !resize::processedSize(h, yFactor, dstRoiSize.height, &dstH))
        return kResizeTooSmall;

    Area a{};
    a.rx = 1.0 / xFactor;
    a.ry = 1.0 / yFactor;
    a.norm = xFactor * yFactor;
    const double used = std::floor((dstW + 1.0) * a.rx) + 1;
    a.usedWidth = used > w ? w : static_cast<int>(used);
    a.rows = h;
    a.dstW = dstW;
    a.dstH = dstH;
    a.srcStep = srcStep >> resize::sampleShift(bytes);
    a.dstStep = dstStep >> resize::sampleShift(bytes);
    a.spacing = layout == 1 ? 1 : layout == 4 ? 4 : channels;
    const bool wholeRatios = a.rx == std::floor(a.rx) && a.ry == std::floor(a.ry);
    const ptrdiff_t origin = resize::regionOffset(srcRoi, srcStep, pixel * bytes, bytes);

    if (!planar) {
        a.src = static_cast<const Ipp8u*>(src) + origin;
        a.dst = dst;
        return decimateAny(a, wholeRatios, layout, sampleType, integers);
    }
    const auto* const* srcPlanes = static_cast<const void* const*>(src);
    auto* const* dstPlanes = static_cast<void* const*>(dst);
    a.spacing = 1;
    IppStatus st = ippStsNoErr;
    for (int p = 0; p < (layout == 3 ? 3 : 4); ++p) {
        a.src = static_cast<const Ipp8u*>(srcPlanes[p]) + origin;
        a.dst = dstPlanes[p];
        st = decimateAny(a, wholeRatios, 1, sampleType, integers);
    }
    return st;
}

}  // namespace oculon::primitives
