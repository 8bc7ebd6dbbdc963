// Scalings between the sample widths 8 (zero level 127), 16, 24 and 32 bits
// against the plain rule (s x full scale / full scale, truncated, held to the
// destination's range); and multiplication by a real
// factor (rounded half to even, low bits kept) for every 8-bit and 16-bit
// sample and the wider ones sampled.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "media/primitives/MultiplyByReal.h"
#include "media/primitives/PackedSamples.h"
#include "media/primitives/SampleWidthScaling.h"

namespace oculon::primitives {
namespace {

using std::int64_t;

// One width: how wide a sample is, its full scale, and how it is read and
// written in a byte buffer.
struct Width {
    int bytes;
    int64_t full;  // 127 for the 8-bit samples around their zero level
    int64_t read(const Ipp8u* p) const {
        switch (bytes) {
            case 1: return *p - 127;
            case 2: return static_cast<Ipp16s>(p[0] | p[1] << 8);
            case 3: return Convert24BitTo32Bit(p);
            default: {
                Ipp32s v;
                std::memcpy(&v, p, 4);
                return v;
            }
        }
    }
    void write(Ipp8u* p, int64_t v) const {
        if (bytes == 1) v += 127;
        if (bytes == 3) Convert32BitTo24Bit(static_cast<Ipp32s>(v), p);
        else std::memcpy(p, &v, static_cast<size_t>(bytes));  // little-endian low bytes
    }
};

const Width k8{1, 127}, k16{2, 32767}, k24{3, 8388607}, k32{4, 2147483647};

using Scaling = std::function<void(const Ipp8u*, int, Ipp8u*, int, IppiSize)>;

template <typename S, typename D>
Scaling widen(void (*fn)(const S*, int, D*, int, IppiSize)) {
    return [fn](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize roi) {
        fn(reinterpret_cast<const S*>(s), ss, reinterpret_cast<D*>(d), ds, roi);
    };
}

template <typename S, typename D>
Scaling narrow(void (*fn)(const S*, int, D*, int, IppiSize, IppHintAlgorithm)) {
    return [fn](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize roi) {
        fn(reinterpret_cast<const S*>(s), ss, reinterpret_cast<D*>(d), ds, roi, ippAlgHintAccurate);
    };
}

struct Case {
    const char* name;
    Width from, to;
    Scaling fn;
};

std::vector<Case> cases() {
    return {{"8u24s", k8, k24, widen(ippiScale_8u24s_C1R)},     {"16s24s", k16, k24, widen(ippiScale_16s24s_C1R)},
            {"16s32s", k16, k32, widen(ippiScale_16s32s_C1R)},  {"24s32s", k24, k32, widen(ippiScale_24s32s_C1R)},
            {"24s8u", k24, k8, narrow(ippiScale_24s8u_C1R)},    {"24s16s", k24, k16, narrow(ippiScale_24s16s_C1R)},
            {"32s16s", k32, k16, narrow(ippiScale_32s16s_C1R)}, {"32s24s", k32, k24, narrow(ippiScale_32s24s_C1R)}};
}

// Every 8-bit and 16-bit value, and for 24 and 32 bits the ends, values
// around the points where the result steps, and random ones.
std::vector<int64_t> sourceValues(const Width& from, const Width& to) {
    std::vector<int64_t> v;
    const int64_t lo = -from.full - 1, hi = from.full;
    if (from.bytes == 1)
        for (int64_t x = -127; x <= 128; ++x) v.push_back(x);
    if (from.bytes == 2)
        for (int64_t x = lo; x <= hi; ++x) v.push_back(x);
    if (from.bytes <= 2) return v;
    for (int64_t k = -to.full - 1; k <= to.full; k += std::max<int64_t>(1, to.full / 300))
        for (int64_t d : {-1, 0, 1}) v.push_back(std::clamp(k * from.full / to.full + d, lo, hi));
    std::mt19937_64 rng(8);
    for (int i = 0; i < 2000; ++i) v.push_back(lo + static_cast<int64_t>(rng() % static_cast<uint64_t>(hi - lo + 1)));
    v.push_back(lo);
    v.push_back(hi);
    return v;
}

TEST(SampleWidthScaling, FullScaleToFullScaleTruncatedAndHeldInRange) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const auto values = sourceValues(c.from, c.to);
        const int n = static_cast<int>(values.size());
        // Interleaved: the samples in the second channel of two-sample frames.
        std::vector<Ipp8u> src(static_cast<size_t>(2 * c.from.bytes) * n), dst(2 * c.to.bytes * n, 0xEE);
        for (int i = 0; i < n; ++i) c.from.write(&src[(2 * i + 1) * c.from.bytes], values[i]);
        c.fn(src.data() + c.from.bytes, 2 * c.from.bytes, dst.data(), 2 * c.to.bytes, {1, n});
        for (int i = 0; i < n; ++i) {
            const int64_t want = std::clamp(values[i] * c.to.full / c.from.full, -c.to.full - 1, c.to.full);
            ASSERT_EQ(c.to.read(&dst[2 * i * c.to.bytes]), want) << values[i];
            ASSERT_EQ(dst[(2 * i + 1) * c.to.bytes], 0xEE);
        }
    }
}

// x times the factor in double, rounded half to even, its low 32 bits; an
// infinite product is 0.
Ipp32s lowBits(double product) {
    if (!std::isfinite(product)) return 0;
    return static_cast<Ipp32s>(static_cast<uint32_t>(static_cast<int64_t>(std::fmod(std::nearbyint(product), 0x1p32))));
}

TEST(MultiplyByReal, RoundsHalfToEvenAndKeepsTheLowBits) {
    const double factors[] = {0.5, -0.5, 2.0, 1.5, -3.25, 1e-9, 0.0, -1.0, 1e6, 0x1p40, 0x1p62, 1e300, -1e300, INFINITY,
                              -INFINITY, 1.0 + 0x1p-52,
                              // Products between 2^51 and 2^52 can still end in a half.
                              0x1p51 + 1.5, -0x1p51 - 1.5};
    const Width widths[] = {k8, k16, k24, k32};
    for (const Width& w : widths) {
        std::vector<int64_t> values;
        if (w.bytes <= 2)
            for (int64_t x = 0; x < (int64_t{1} << (8 * w.bytes)); ++x) values.push_back(x);
        std::mt19937_64 rng(3);
        while (values.size() < 4096) values.push_back(static_cast<int64_t>(rng() >> (64 - 8 * w.bytes)));
        const int n = static_cast<int>(values.size()), b = w.bytes;
        std::vector<Ipp8u> src(static_cast<size_t>(b) * n);
        for (int i = 0; i < n; ++i) std::memcpy(&src[static_cast<size_t>(b) * i], &values[i], static_cast<size_t>(b));
        for (double f : factors) {
            SCOPED_TRACE(testing::Message() << b << " bytes by " << f);
            std::vector<Ipp8u> inPlace = src, out(src.size(), 0xEE);
            const IppiSize roi{4, n / 4};
            switch (b) {
                case 1:
                    MultiplyByReal8uI(f, inPlace.data(), 1, roi), MultiplyByReal8u(f, src.data(), out.data(), 1, roi);
                    break;
                case 2:
                    MultiplyByReal16sI(f, reinterpret_cast<Ipp16s*>(inPlace.data()), 2, roi),
                        MultiplyByReal16s(f, reinterpret_cast<const Ipp16s*>(src.data()),
                                          reinterpret_cast<Ipp16s*>(out.data()), 2, roi);
                    break;
                case 3:
                    MultiplyByReal24sI(f, inPlace.data(), 3, roi), MultiplyByReal24s(f, src.data(), out.data(), 3, roi);
                    break;
                default:
                    MultiplyByReal32sI(f, reinterpret_cast<Ipp32s*>(inPlace.data()), 4, roi),
                        MultiplyByReal32s(f, reinterpret_cast<const Ipp32s*>(src.data()),
                                          reinterpret_cast<Ipp32s*>(out.data()), 4, roi);
            }
            ASSERT_EQ(inPlace, out);
            for (int i = 0; i < n; ++i) {
                const Ipp8u* p = &src[static_cast<size_t>(b) * i];
                const int64_t x = b == 1 ? *p : w.read(p);  // 8-bit: the raw byte
                std::vector<Ipp8u> want(b);
                const Ipp32s low = lowBits(static_cast<double>(x) * f);
                if (b == 3) Convert32BitTo24Bit(low, want.data());
                else std::memcpy(want.data(), &low, static_cast<size_t>(b));
                ASSERT_EQ(std::vector<Ipp8u>(&out[static_cast<size_t>(b) * i], &out[static_cast<size_t>(b) * (i + 1)]),
                          want)
                    << x;
            }
        }
    }
}

TEST(MultiplyByReal, OneAndNaNTouchNothingAndStridesSkipTheOtherChannel) {
    std::vector<Ipp16s> frames = {3, 100, 5, 100, -7, 100}, out(6, 9);
    MultiplyByReal16s(1.0, frames.data(), out.data(), 4, {1, 3});
    MultiplyByReal16s(std::nan(""), frames.data(), out.data(), 4, {1, 3});
    EXPECT_EQ(out, std::vector<Ipp16s>(6, 9));
    MultiplyByReal16sI(0.5, frames.data(), 4, {1, 3});
    EXPECT_EQ(frames, (std::vector<Ipp16s>{2, 100, 2, 100, -4, 100}));
}

}  // namespace
}  // namespace oculon::primitives
