// The audio buffers' own sample kinds: 24-bit packing, the 24-bit and 32-bit
// fills and copies (nothing written past the last sample), and the wrapping
// 8s/24s/32s arithmetic against a plain rule, including the zero divisor and
// -2^31 / -1, in dense and in interleaved (strided) layouts.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "media/primitives/PackedSamples.h"
#include "media/primitives/WrappingSampleArithmetic.h"

namespace oculon::primitives {
namespace {

using std::int64_t;

constexpr Ipp32s kMin32 = std::numeric_limits<Ipp32s>::min();
constexpr Ipp32s kMax32 = std::numeric_limits<Ipp32s>::max();

// The three bytes a 32-bit value is stored as: its low bytes, with the top
// bit of the third set for a negative value.
std::vector<Ipp8u> packed(int64_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return {static_cast<Ipp8u>(u), static_cast<Ipp8u>(u >> 8), static_cast<Ipp8u>((u >> 16) | (v < 0 ? 0x80 : 0))};
}

TEST(PackedSamples, EveryValueRoundTripsAndOthersKeepTheirLowBytes) {
    Ipp8u b[3];
    for (Ipp32s v = kMin24; v <= kMax24; ++v) {
        Convert32BitTo24Bit(v, b);
        ASSERT_EQ(Convert24BitTo32Bit(b), v);
        ASSERT_EQ(b[0] | b[1] << 8 | b[2] << 16, v & 0xFFFFFF);
    }
    std::mt19937 rng(1);
    for (int i = 0; i < 4096; ++i) {
        const Ipp32s edges[] = {kMin32, kMax32, kMax24 + 1, kMin24 - 1};
        const Ipp32s v = i < 4 ? edges[i] : static_cast<Ipp32s>(rng());
        Convert32BitTo24Bit(v, b);
        ASSERT_EQ(std::vector<Ipp8u>(b, b + 3), packed(v)) << v;
    }
}

// Each fill into a guarded buffer: the samples it owns hold the value, every
// other byte keeps its guard.
TEST(PackedSamples, FillsWriteTheirSamplesAndNothingElse) {
    for (Ipp32s value : {0, 1, -1, kMax24, kMin24, 0x123456, -0x123456, 0x7FABCDEF}) {
        const std::vector<Ipp8u> want = packed(value);
        for (int len = -1; len <= 13; ++len) {
            SCOPED_TRACE(testing::Message() << value << " x " << len);
            std::vector<Ipp8u> s(48, 0xEE), z(48, 0xEE), r(96, 0xEE);
            ippsSet_24s(value, s.data() + 1, len);
            ippsZero_24s(z.data() + 1, len);
            ippiSet_24s_C1R(value, r.data() + 2, 7, {1, len});  // every other sample of 3.5-byte frames
            for (int i = 0; i < 48; ++i) {
                const bool mine = i >= 1 && i < 1 + 3 * len;
                ASSERT_EQ(s[i], mine ? want[(i - 1) % 3] : 0xEE) << i;
                ASSERT_EQ(z[i], mine ? 0 : 0xEE) << i;
            }
            for (int i = 0; i < 96; ++i) {
                const int at = (i - 2) % 7;
                const bool mine = i >= 2 && (i - 2) / 7 < len && at < 3;
                ASSERT_EQ(r[i], mine ? want[at] : 0xEE) << i;
            }
        }
    }
    std::vector<Ipp32u> words(12, 7);
    ippiSet_32u_C1R(0xDEADBEEF, words.data() + 1, 16, {2, 2});
    EXPECT_EQ(words, (std::vector<Ipp32u>{7, 0xDEADBEEF, 0xDEADBEEF, 7, 7, 0xDEADBEEF, 0xDEADBEEF, 7, 7, 7, 7, 7}));
}

TEST(PackedSamples, CopyMovesThreeBytesPerSampleFromStepToStep) {
    std::vector<Ipp8u> src(60), dst(60, 0xEE), dense(30, 0xEE);
    for (int i = 0; i < 60; ++i) src[i] = static_cast<Ipp8u>(i);
    ippiCopy_24s_C1R(src.data() + 6, 6, dst.data() + 1, 4, {1, 9});
    for (int i = 0; i < 60; ++i) {
        const bool mine = i >= 1 && (i - 1) / 4 < 9 && (i - 1) % 4 < 3;
        ASSERT_EQ(dst[i], mine ? src[6 + (i - 1) / 4 * 6 + (i - 1) % 4] : 0xEE) << i;
    }
    ippiCopy_24s_C1R(src.data(), 3, dense.data(), 3, {3, 3});
    for (int i = 0; i < 30; ++i) ASSERT_EQ(dense[i], i < 27 ? src[i] : 0xEE);
}

enum Op { kAdd, kSub, kMul, kDiv };

// The rule per kind, on operands already read as integers.
int64_t zeroLevel8(Op op, int64_t d, int64_t s) {
    switch (op) {
        case kAdd: return d + s - 127;
        case kSub: return d - s + 127;
        case kMul: return (s - 127) * (d - 127) + 127;
        default: return s == 127 ? 127 : (d - 127) / (s - 127) + 127;
    }
}

// 24s and 32s: modulo 2^32; a zero divisor saturates at the kind's limits.
int64_t wrapping(Op op, int64_t d, int64_t s, int64_t lo, int64_t hi) {
    int64_t v = 0;
    switch (op) {
        case kAdd: v = d + s; break;
        case kSub: v = d - s; break;
        case kMul: v = d * s; break;
        default: v = s == 0 ? (d > 0 ? hi : d < 0 ? lo : 0) : std::min<int64_t>(d / s, kMax32);
    }
    return static_cast<Ipp32s>(static_cast<std::uint32_t>(v));
}

using ImageFn8 = void (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, int);

TEST(WrappingArithmetic, ZeroLevel8ForEveryPairInterleaved) {
    const ImageFn8 add = ippiAdd_8s_C1IRSfs, sub = ippiSub_8s_C1IRSfs, mul = ippiMul_8s_C1IRSfs;
    // Source samples in the right channel of 2-byte frames, destination in
    // the left channel of 3-byte frames.
    std::vector<Ipp8u> src(2 * 65536), start(3 * 65536, 0xEE);
    for (int i = 0; i < 65536; ++i) {
        src[2 * i + 1] = static_cast<Ipp8u>(i);
        start[3 * i] = static_cast<Ipp8u>(i >> 8);
    }
    for (Op op : {kAdd, kSub, kMul, kDiv}) {
        std::vector<Ipp8u> dst = start;
        if (op == kDiv) ippiDiv_8s_C1IRSfs(src.data() + 1, 2, dst.data(), 3, {1, 65536}, 0);
        else (op == kAdd ? add : op == kSub ? sub : mul)(src.data() + 1, 2, dst.data(), 3, {256, 256}, 0);
        for (int i = 0; i < 65536; ++i) {
            ASSERT_EQ(dst[3 * i], static_cast<Ipp8u>(zeroLevel8(op, i >> 8, i & 255))) << op << " " << i;
            ASSERT_EQ(dst[3 * i + 1], 0xEE);
        }
    }
}

std::vector<int64_t> interesting(int64_t lo, int64_t hi, unsigned seed) {
    std::vector<int64_t> v = {lo, lo + 1, -2, -1, 0, 1, 2, 3, 7, hi - 1, hi};
    std::mt19937_64 rng(seed);
    while (v.size() < 40) v.push_back(lo + static_cast<int64_t>(rng() % static_cast<std::uint64_t>(hi - lo + 1)));
    return v;
}

// A routine that returns nothing, called as one that returns a status.
template <typename Fn, typename... A>
IppStatus call(Fn fn, A... a) {
    if constexpr (std::is_void_v<decltype(fn(a...))>) {
        fn(a...);
        return ippStsNoErr;
    } else {
        return fn(a...);
    }
}

// The forms of one operation on one kind, on byte buffers: with an image
// operand, with a constant in place and out of place (regions; the 24-bit
// ones also as dense vectors, in place, when `vector` is set).
struct Forms {
    std::function<IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize)> image;
    std::function<IppStatus(Ipp32s, Ipp8u*, int, IppiSize)> constantI;
    std::function<IppStatus(const Ipp8u*, Ipp32s, Ipp8u*, int, IppiSize)> constant;
    std::function<IppStatus(Ipp32s, Ipp8u*, int)> vector;
};

#define OCULON_FORMS(op, k, T)                                                                                       \
    Forms {                                                                                                          \
        [](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize r) {                                                   \
            return call(ippi##op##_##k##_C1IRSfs, reinterpret_cast<const T*>(s), ss, reinterpret_cast<T*>(d), ds, r, \
                        0);                                                                                          \
        },                                                                                                           \
            [](Ipp32s v, Ipp8u* d, int ds, IppiSize r) {                                                             \
                return call(ippi##op##C_##k##_C1IRSfs, v, reinterpret_cast<T*>(d), ds, r, 0);                        \
            },                                                                                                       \
            [](const Ipp8u* s, Ipp32s v, Ipp8u* d, int ds, IppiSize r) {                                             \
                return call(ippi##op##C_##k##_C1RSfs, reinterpret_cast<const T*>(s), v, reinterpret_cast<T*>(d), ds, \
                            r, 0);                                                                                   \
            },                                                                                                       \
            nullptr                                                                                                  \
    }

Forms forms24(Op op) {
    Forms f = op == kAdd   ? OCULON_FORMS(Add, 24s, Ipp8u)
              : op == kSub ? OCULON_FORMS(Sub, 24s, Ipp8u)
              : op == kMul ? OCULON_FORMS(Mul, 24s, Ipp8u)
                           : OCULON_FORMS(Div, 24s, Ipp8u);
    const decltype(&ippsAddC_24s_ISfs) vectors[] = {ippsAddC_24s_ISfs, ippsSubC_24s_ISfs, ippsMulC_24s_ISfs};
    if (op == kDiv) f.vector = [](Ipp32s v, Ipp8u* d, int n) { return ippsDivC_24s_ISfs(v, d, n, 0); };
    else f.vector = [fn = vectors[op]](Ipp32s v, Ipp8u* d, int n) { return call(fn, v, d, n, 0); };
    return f;
}

Forms forms32(Op op) {
    return op == kAdd   ? OCULON_FORMS(Add, 32s, Ipp32s)
           : op == kSub ? OCULON_FORMS(Sub, 32s, Ipp32s)
           : op == kMul ? OCULON_FORMS(Mul, 32s, Ipp32s)
                        : OCULON_FORMS(Div, 32s, Ipp32s);
}

// Every pair of interesting values, samples in the first channel of
// two-sample frames (the second must stay), through every form; Div reports
// a zero divisor.
void checkKind(int bytes, int64_t lo, int64_t hi, Forms (*forms)(Op)) {
    const auto values = interesting(lo, hi, 2);
    const int n = static_cast<int>(values.size()), frame = 2 * bytes, step = n * frame;
    auto put = [bytes](Ipp8u* p, int64_t v) {
        if (bytes == 3) Convert32BitTo24Bit(static_cast<Ipp32s>(v), p);
        else std::memcpy(p, &v, 4);
    };
    auto get = [bytes](const Ipp8u* p) -> int64_t {
        Ipp32s v = 0;
        if (bytes == 3) return Convert24BitTo32Bit(p);
        std::memcpy(&v, p, 4);
        return v;
    };
    std::vector<Ipp8u> src(static_cast<size_t>(step) * n, 0xEE), start(src.size(), 0xEE);
    for (int i = 0; i < n * n; ++i) {
        put(&src[i * frame], values[i % n]);
        put(&start[i * frame], values[i / n]);
    }
    for (Op op : {kAdd, kSub, kMul, kDiv}) {
        SCOPED_TRACE(testing::Message() << bytes << " bytes, op " << op);
        const Forms f = forms(op);
        std::vector<Ipp8u> dst = start;
        EXPECT_EQ(f.image(src.data(), frame, dst.data(), frame, {n, n}), op == kDiv ? ippStsDivByZero : ippStsNoErr);
        for (int i = 0; i < n * n; ++i) {
            std::vector<Ipp8u> want(bytes);
            put(want.data(), wrapping(op, values[i / n], values[i % n], lo, hi));
            ASSERT_EQ(get(&dst[i * frame]), get(want.data())) << values[i / n] << ", " << values[i % n];
            ASSERT_EQ(dst[i * frame + bytes], 0xEE);
        }
        // The constant forms: row y of the source by the constant values[y].
        for (int y = 0; y < n; ++y) {
            const auto v = static_cast<Ipp32s>(values[y]);
            const IppStatus st = op == kDiv && v == 0 ? ippStsDivByZero : ippStsNoErr;
            std::vector<Ipp8u> in = src, out(src.size(), 0xEE), dense(static_cast<size_t>(bytes) * n);
            Ipp8u* row = &in[static_cast<size_t>(y) * step];
            for (int x = 0; x < n; ++x) std::memcpy(&dense[x * bytes], &row[x * frame], static_cast<size_t>(bytes));
            EXPECT_EQ(f.constant(row, v, &out[0], frame, {1, n}), st);
            EXPECT_EQ(f.constantI(v, row, frame, {n, 1}), st);
            if (f.vector) {
                EXPECT_EQ(f.vector(v, dense.data(), n), st);
            }
            for (int x = 0; x < n; ++x) {
                std::vector<Ipp8u> want(bytes);
                put(want.data(), wrapping(op, values[x], values[y], lo, hi));
                ASSERT_EQ(get(&out[x * frame]), get(want.data())) << values[x] << " by " << v;
                ASSERT_EQ(get(&row[x * frame]), get(want.data()));
                if (f.vector) {
                    ASSERT_EQ(get(&dense[x * bytes]), get(want.data()));
                }
            }
        }
    }
}

TEST(WrappingArithmetic, Packed24AndWhole32ForEdgePairsInEveryForm) {
    checkKind(3, kMin24, kMax24, forms24);
    checkKind(4, kMin32, kMax32, forms32);
}

}  // namespace
}  // namespace oculon::primitives
