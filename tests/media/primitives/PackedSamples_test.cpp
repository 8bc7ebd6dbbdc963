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

// Every pair of interesting values through the image-operand form of the
// kind; Div reports the zero divisor.
template <typename Fns>
void checkImageOperand(Fns fns, int bytes, int64_t lo, int64_t hi, bool packed24) {
    const auto values = interesting(lo, hi, 2);
    const int n = static_cast<int>(values.size());
    std::vector<Ipp8u> src(static_cast<size_t>(bytes) * n * n), start(src.size());
    auto put = [&](std::vector<Ipp8u>& buf, int i, int64_t v) {
        if (packed24) Convert32BitTo24Bit(static_cast<Ipp32s>(v), &buf[3 * i]);
        else std::memcpy(&buf[4 * i], &v, 4);
    };
    auto get = [&](const std::vector<Ipp8u>& buf, int i) -> int64_t {
        if (packed24) return Convert24BitTo32Bit(&buf[3 * i]);
        Ipp32s v;
        std::memcpy(&v, &buf[4 * i], 4);
        return v;
    };
    for (int i = 0; i < n * n; ++i) {
        put(src, i, values[i % n]);
        put(start, i, values[i / n]);
    }
    for (Op op : {kAdd, kSub, kMul, kDiv}) {
        std::vector<Ipp8u> dst = start;
        const IppStatus st = fns(op, src.data(), dst.data(), IppiSize{n, n});
        EXPECT_EQ(st, op == kDiv ? ippStsDivByZero : ippStsNoErr);
        for (int i = 0; i < n * n; ++i) {
            const int64_t d = values[i / n], s = values[i % n];
            std::vector<Ipp8u> want(bytes);
            put(want, 0, wrapping(op, d, s, lo, hi));
            ASSERT_EQ(get(dst, i), get(want, 0)) << op << ": " << d << ", " << s;
        }
    }
}

TEST(WrappingArithmetic, Packed24AndWhole32ForEdgePairs) {
    checkImageOperand(
        [](Op op, const Ipp8u* s, Ipp8u* d, IppiSize roi) -> IppStatus {
            switch (op) {
                case kAdd: ippiAdd_24s_C1IRSfs(s, 3, d, 3, roi, 0); return ippStsNoErr;
                case kSub: ippiSub_24s_C1IRSfs(s, 3, d, 3, roi, 0); return ippStsNoErr;
                case kMul: ippiMul_24s_C1IRSfs(s, 3, d, 3, roi, 0); return ippStsNoErr;
                default: return ippiDiv_24s_C1IRSfs(s, 3, d, 3, roi, 0);
            }
        },
        3, kMin24, kMax24, true);
    checkImageOperand(
        [](Op op, const Ipp8u* s8, Ipp8u* d8, IppiSize roi) -> IppStatus {
            auto* s = reinterpret_cast<const Ipp32s*>(s8);
            auto* d = reinterpret_cast<Ipp32s*>(d8);
            switch (op) {
                case kAdd: ippiAdd_32s_C1IRSfs(s, 4, d, 4, roi, 0); return ippStsNoErr;
                case kSub: ippiSub_32s_C1IRSfs(s, 4, d, 4, roi, 0); return ippStsNoErr;
                case kMul: ippiMul_32s_C1IRSfs(s, 4, d, 4, roi, 0); return ippStsNoErr;
                default: return ippiDiv_32s_C1IRSfs(s, 4, d, 4, roi, 0);
            }
        },
        4, kMin32, kMax32, false);
}

// Calls a routine that may return nothing as one that returns a status.
template <typename R, typename... A>
std::function<IppStatus(A...)> withStatus(R (*fn)(A...)) {
    return [fn](A... a) -> IppStatus {
        if constexpr (std::is_void_v<R>) {
            fn(a...);
            return ippStsNoErr;
        } else {
            return fn(a...);
        }
    };
}

struct ConstantForms {
    std::function<IppStatus(Ipp32s, Ipp8u*, int, int)> vectorI;
    std::function<IppStatus(const Ipp8u*, Ipp32s, Ipp8u*, int, int)> vector;
    std::function<IppStatus(Ipp32s, Ipp8u*, int, IppiSize, int)> image24I;
    std::function<IppStatus(const Ipp8u*, Ipp32s, Ipp8u*, int, IppiSize, int)> image24;
    std::function<IppStatus(Ipp32s, Ipp32s*, int, IppiSize, int)> image32I;
    std::function<IppStatus(const Ipp32s*, Ipp32s, Ipp32s*, int, IppiSize, int)> image32;
};

#define OCULON_CONSTANT_FORMS(op)                                                                               \
    ConstantForms {                                                                                             \
        withStatus(ipps##op##C_24s_ISfs), withStatus(ipps##op##C_24s_Sfs), withStatus(ippi##op##C_24s_C1IRSfs), \
            withStatus(ippi##op##C_24s_C1RSfs), withStatus(ippi##op##C_32s_C1IRSfs),                            \
            withStatus(ippi##op##C_32s_C1RSfs)                                                                  \
    }

ConstantForms constantForms(Op op) {
    switch (op) {
        case kAdd: return OCULON_CONSTANT_FORMS(Add);
        case kSub: return OCULON_CONSTANT_FORMS(Sub);
        case kMul: return OCULON_CONSTANT_FORMS(Mul);
        default: return OCULON_CONSTANT_FORMS(Div);
    }
}

// The constant forms: 24-bit vectors (dense) and regions (every other sample
// of 6-byte frames), 32-bit regions (every other word), in place and out of
// place; the other channel must stay as it was.
TEST(WrappingArithmetic, ConstantFormsApplyTheSameRule) {
    const auto samples24 = interesting(kMin24, kMax24, 5);
    const auto samples32 = interesting(kMin32, kMax32, 6);
    const int n = static_cast<int>(samples24.size());
    const IppiSize roi{1, n};
    std::vector<Ipp8u> vec(3 * n), frames24(6 * n, 0xEE);
    std::vector<Ipp32s> frames32(2 * n, 5);
    for (int i = 0; i < n; ++i) {
        Convert32BitTo24Bit(static_cast<Ipp32s>(samples24[i]), &vec[3 * i]);
        Convert32BitTo24Bit(static_cast<Ipp32s>(samples24[i]), &frames24[6 * i]);
        frames32[2 * i] = static_cast<Ipp32s>(samples32[i]);
    }
    for (int64_t value : interesting(kMin32, kMax32, 7))
        for (Op op : {kAdd, kSub, kMul, kDiv}) {
            SCOPED_TRACE(testing::Message() << op << " by " << value);
            const auto v = static_cast<Ipp32s>(value);
            const ConstantForms f = constantForms(op);
            auto vec1 = vec, vec2 = vec, reg1 = frames24, reg2 = frames24;
            auto reg3 = frames32, reg4 = frames32;
            const IppStatus want = op == kDiv && value == 0 ? ippStsDivByZero : ippStsNoErr;
            EXPECT_EQ(f.vectorI(v, vec1.data(), n, 0), want);
            EXPECT_EQ(f.vector(vec.data(), v, vec2.data(), n, 0), want);
            EXPECT_EQ(f.image24I(v, reg1.data(), 6, roi, 0), want);
            EXPECT_EQ(f.image24(frames24.data(), v, reg2.data(), 6, roi, 0), want);
            EXPECT_EQ(f.image32I(v, reg3.data(), 8, roi, 0), want);
            EXPECT_EQ(f.image32(frames32.data(), v, reg4.data(), 8, roi, 0), want);
            for (int i = 0; i < n; ++i) {
                const auto w24 = packed(wrapping(op, samples24[i], value, kMin24, kMax24));
                ASSERT_EQ(std::vector<Ipp8u>(&vec1[3 * i], &vec1[3 * i + 3]), w24) << samples24[i];
                ASSERT_EQ(std::vector<Ipp8u>(&vec2[3 * i], &vec2[3 * i + 3]), w24) << samples24[i];
                ASSERT_EQ(std::vector<Ipp8u>(&reg1[6 * i], &reg1[6 * i + 3]), w24) << samples24[i];
                ASSERT_EQ(std::vector<Ipp8u>(&reg2[6 * i], &reg2[6 * i + 3]), w24) << samples24[i];
                ASSERT_EQ(reg1[6 * i + 3], 0xEE);
                ASSERT_EQ(reg3[2 * i], wrapping(op, samples32[i], value, kMin32, kMax32)) << samples32[i];
                ASSERT_EQ(reg4[2 * i], reg3[2 * i]);
                ASSERT_EQ(reg3[2 * i + 1], 5);
                ASSERT_EQ(reg4[2 * i + 1], 5);
            }
        }
}

}  // namespace
}  // namespace oculon::primitives
