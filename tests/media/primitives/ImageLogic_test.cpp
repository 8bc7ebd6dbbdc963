// Logic, shifts, absolute differences and scaled products over random
// images: every byte of the destination is compared, so an alpha byte or a
// row gap that must stay shows when it is written. The scaled products run
// over every pair of bytes against the exact floor(a b / 255).

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "TestImage.h"
#include "media/primitives/ImageLogic.h"

namespace oculon::primitives {
namespace {

using test::TestImage;

// Element i of a row of 1- or 2-byte samples.
unsigned get(const Ipp8u* row, int i, int bytes) {
    if (bytes == 1) return row[i];
    Ipp16u v;
    std::memcpy(&v, row + 2 * i, 2);
    return v;
}
void put(Ipp8u* row, int i, int bytes, unsigned v) {
    if (bytes == 1) row[i] = static_cast<Ipp8u>(v);
    else {
        const auto w = static_cast<Ipp16u>(v);
        std::memcpy(row + 2 * i, &w, 2);
    }
}

using Run = std::function<IppStatus(const Ipp8u* a, int as, const Ipp8u* b, int bs, Ipp8u* d, int ds, IppiSize)>;
using Want = std::function<unsigned(unsigned a, unsigned b, int channel)>;

// One member: channels per pixel, how many of them it writes, sample bytes;
// `b` is null for members with one source (the constant ones).
struct Member {
    const char* name;
    int channels, written, bytes;
    Run run;
    Want want;
    bool inPlace = false;
};

template <typename T>
T* as(Ipp8u* p) {
    return reinterpret_cast<T*>(p);
}
template <typename T>
const T* as(const Ipp8u* p) {
    return reinterpret_cast<const T*>(p);
}

// The same member for 8-bit and 16-bit samples, out of place and in place.
template <typename Fn>
Run two8(Fn fn) {
    return [fn](const Ipp8u* a, int as, const Ipp8u* b, int bs, Ipp8u* d, int ds, IppiSize r) {
        return fn(a, as, b, bs, d, ds, r);
    };
}
template <typename Fn>
Run two16(Fn fn) {
    return [fn](const Ipp8u* a, int as_, const Ipp8u* b, int bs, Ipp8u* d, int ds, IppiSize r) {
        return fn(as<Ipp16u>(a), as_, as<Ipp16u>(b), bs, as<Ipp16u>(d), ds, r);
    };
}
// In place: the second source is the destination.
template <typename Fn>
Run inPlace8(Fn fn) {
    return
        [fn](const Ipp8u* a, int as, const Ipp8u*, int, Ipp8u* d, int ds, IppiSize r) { return fn(a, as, d, ds, r); };
}
template <typename Fn>
Run inPlace16(Fn fn) {
    return [fn](const Ipp8u* a, int as_, const Ipp8u*, int, Ipp8u* d, int ds, IppiSize r) {
        return fn(as<Ipp16u>(a), as_, as<Ipp16u>(d), ds, r);
    };
}

// One-source members: `fn(a, as, d, ds, r)` reads `a`; `fn(d, ds, r)` works in place.
template <typename Fn>
Run oneSource(Fn fn) {
    return inPlace8(fn);
}
template <typename Fn>
Run own(Fn fn) {
    return [fn](const Ipp8u*, int, const Ipp8u*, int, Ipp8u* d, int ds, IppiSize r) { return fn(d, ds, r); };
}

void runMember(const Member& m) {
    SCOPED_TRACE(m.name);
    unsigned seed = 7;
    for (int w : {1, 2, 3, 17, 64, 101})
        for (int h : {1, 3})
            for (int gap : {0, 6}) {
                SCOPED_TRACE(testing::Message() << w << "x" << h << " gap " << gap);
                const int row = w * m.channels * m.bytes;
                const TestImage a(row, h, gap, false, ++seed), b(row, h, gap + 2, false, ++seed);
                TestImage d(row, h, gap, false, ++seed);
                if (m.inPlace) d = TestImage(row, h, gap + 2, false, seed - 1);  // the second source
                TestImage want = d;
                for (int r = 0; r < h; ++r)
                    for (int i = 0; i < w * m.channels; ++i)
                        if (i % m.channels < m.written)
                            put(want.row(r), i, m.bytes,
                                m.want(get(a.row(r), i, m.bytes), get(b.row(r), i, m.bytes), i % m.channels));
                ASSERT_EQ(m.run(a.row(0), a.step(), b.row(0), b.step(), d.origin(), d.step(), {w, h}), ippStsNoErr);
                EXPECT_EQ(d.bytes, want.bytes);
            }
}

const Want kAnd = [](unsigned a, unsigned b, int) { return a & b; };
const Want kOr = [](unsigned a, unsigned b, int) { return a | b; };
const Want kXor = [](unsigned a, unsigned b, int) { return a ^ b; };
const Want kAbsDiff = [](unsigned a, unsigned b, int) { return static_cast<unsigned>(std::abs(int(a) - int(b))); };
const Want kScale8 = [](unsigned a, unsigned b, int) { return a * b / 255; };
const Want kScale16 = [](unsigned a, unsigned b, int) { return static_cast<unsigned>(std::uint64_t{a} * b / 65535); };

TEST(ImageLogic, TwoImageMembersWriteOnlyTheirElements) {
    const Member members[] = {
        {"And C1", 1, 1, 1, two8(ippiAnd_8u_C1R), kAnd},
        {"Or C3", 3, 3, 1, two8(ippiOr_8u_C3R), kOr},
        {"Xor AC4", 4, 3, 1, two8(ippiXor_8u_AC4R), kXor},
        {"And 16u", 1, 1, 2, two16(ippiAnd_16u_C1R), kAnd},
        {"Or C1IR", 1, 1, 1, inPlace8(ippiOr_8u_C1IR), kOr, true},
        {"Xor C3IR", 3, 3, 1, inPlace8(ippiXor_8u_C3IR), kXor, true},
        {"And C4IR", 4, 4, 1, inPlace8(ippiAnd_8u_C4IR), kAnd, true},
        {"Or AC4IR", 4, 3, 1, inPlace8(ippiOr_8u_AC4IR), kOr, true},
        {"Xor 16u IR", 1, 1, 2, inPlace16(ippiXor_16u_C1IR), kXor, true},
        {"AbsDiff", 1, 1, 1, two8(ippiAbsDiff_8u_C1R), kAbsDiff},
        {"AbsDiff 16u", 1, 1, 2, two16(ippiAbsDiff_16u_C1R), kAbsDiff},
        {"MulScale C3R", 3, 3, 1, two8(_px_ippiMulScale_8u_C3R), kScale8},
        {"MulScale AC4IR", 4, 3, 1, inPlace8(ippiMulScale_8u_AC4IR), kScale8, true},
        {"MulScale C4IR", 4, 4, 1, inPlace8(ippiMulScale_8u_C4IR), kScale8, true},
        {"MulScale 16u IR", 1, 1, 2, inPlace16(ippiMulScale_16u_C1IR), kScale16, true},
    };
    for (const Member& m : members) runMember(m);
}

TEST(ImageLogic, ConstantMembersWriteOnlyTheirChannels) {
    const Ipp8u v3[3] = {0x0F, 0xF0, 0x5A}, v4[4] = {0x33, 0xCC, 0x81, 0x18}, same[4] = {0x6C, 0x6C, 0x6C, 0x6C};
    const Ipp32u shifts[][4] = {{3, 3, 3, 3}, {0, 0, 0, 0}, {8, 9, UINT_MAX, 8}, {1, 0, 9, 7}};
    std::vector<Member> members;
    auto c = [](const Ipp8u* v, auto op) {
        return [v, op](unsigned a, unsigned, int k) { return unsigned(op(a, v[k])); };
    };
    auto s = [](const Ipp32u* n, bool left) {
        return
            [n, left](unsigned a, unsigned, int k) { return n[k] >= 8 ? 0u : (left ? (a << n[k]) & 255 : a >> n[k]); };
    };
    auto andOp = [](unsigned a, unsigned v) { return a & v; };
    auto orOp = [](unsigned a, unsigned v) { return a | v; };
    auto xorOp = [](unsigned a, unsigned v) { return a ^ v; };
    auto scaleOp = [](unsigned a, unsigned v) { return a * v / 255; };
    for (const Ipp8u* v : {static_cast<const Ipp8u*>(v4), static_cast<const Ipp8u*>(same)}) {
        members.push_back({"AndC C3R", 3, 3, 1, oneSource([v](const Ipp8u* a, int as, Ipp8u* d, int ds, IppiSize r) {
                               return ippiAndC_8u_C3R(a, as, v, d, ds, r);
                           }),
                           c(v, andOp)});
        members.push_back({"OrC C4IR", 4, 4, 1, own(std::bind_front(ippiOrC_8u_C4IR, v)), c(v, orOp), true});
        members.push_back({"XorC AC4IR", 4, 3, 1, own(std::bind_front(ippiXorC_8u_AC4IR, v)), c(v, xorOp), true});
        members.push_back({"MulCScale C4R", 4, 4, 1,
                           oneSource([v](const Ipp8u* a, int as, Ipp8u* d, int ds, IppiSize r) {
                               return ippiMulCScale_8u_C4R(a, as, v, d, ds, r);
                           }),
                           c(v, scaleOp)});
        members.push_back(
            {"MulCScale AC4IR", 4, 3, 1, own(std::bind_front(ippiMulCScale_8u_AC4IR, v)), c(v, scaleOp), true});
    }
    members.push_back(
        {"MulCScale C3IR", 3, 3, 1, own(std::bind_front(ippiMulCScale_8u_C3IR, v3)), c(v3, scaleOp), true});
    members.push_back({"MulCScale 16u", 1, 1, 2, oneSource([](const Ipp8u* a, int as, Ipp8u* d, int ds, IppiSize r) {
                           return ippiMulCScale_16u_C1R(reinterpret_cast<const Ipp16u*>(a), as, 40000,
                                                        reinterpret_cast<Ipp16u*>(d), ds, r);
                       }),
                       [](unsigned a, unsigned, int) { return unsigned(std::uint64_t{a} * 40000 / 65535); }});
    for (const auto& n : shifts) {
        members.push_back({"LShiftC C3R", 3, 3, 1,
                           oneSource([&n](const Ipp8u* a, int as, Ipp8u* d, int ds, IppiSize r) {
                               return ippiLShiftC_8u_C3R(a, as, n, d, ds, r);
                           }),
                           s(n, true)});
        members.push_back({"RShiftC C4IR", 4, 4, 1, own(std::bind_front(ippiRShiftC_8u_C4IR, n)), s(n, false), true});
        members.push_back({"LShiftC AC4IR", 4, 3, 1, own(std::bind_front(ippiLShiftC_8u_AC4IR, n)), s(n, true), true});
        members.push_back({"RShiftC C1R", 1, 1, 1,
                           oneSource([&n](const Ipp8u* a, int as, Ipp8u* d, int ds, IppiSize r) {
                               return _px_ippiRShiftC_8u_C1R(a, as, n[2], d, ds, r);
                           }),
                           [&n](unsigned a, unsigned, int) { return n[2] >= 8 ? 0u : a >> n[2]; }});
    }
    // NOT is XOR with 255; in place the "source" the reference sees is the
    // destination's old value.
    const Ipp8u ones[4] = {255, 255, 255, 255};
    members.push_back({"Not C3R", 3, 3, 1, oneSource(ippiNot_8u_C3R), c(ones, xorOp)});
    members.push_back({"Not AC4R", 4, 3, 1, oneSource(ippiNot_8u_AC4R), c(ones, xorOp)});
    members.push_back({"Not C4IR", 4, 4, 1, own(ippiNot_8u_C4IR), c(ones, xorOp), true});
    for (int value : {-5, 0, 77, 300})
        members.push_back(
            {"AbsDiffC", 1, 1, 1,
             [value](auto a, int as, auto, int, Ipp8u* d, int ds, IppiSize r) {
                 return ippiAbsDiffC_8u_C1R(a, as, d, ds, r, value);
             },
             [value](unsigned a, unsigned, int) { return unsigned(std::abs(int(a) - std::clamp(value, 0, 255))); }});
    for (Member& m : members) {
        // In place, the reference reads the destination's old bytes, which the
        // runner hands over as the second image: route them to `a`.
        if (m.inPlace) m.want = [w = m.want](unsigned, unsigned b, int k) { return w(b, 0, k); };
        runMember(m);
    }
}

TEST(ImageLogic, ScaledProductsOverEveryPair) {
    std::vector<Ipp8u> a(65536), b(65536), d(65536);
    for (int i = 0; i < 65536; ++i) a[i] = static_cast<Ipp8u>(i), b[i] = static_cast<Ipp8u>(i >> 8);
    ASSERT_EQ(ippiMulScale_8u_C1IR(a.data(), 256, b.data(), 256, {256, 256}), ippStsNoErr);
    for (int i = 0; i < 65536; ++i) ASSERT_EQ(b[i], (i & 255) * (i >> 8) / 255) << i;
    for (int v = 0; v < 256; ++v) {
        ASSERT_EQ(ippiMulCScale_8u_C1R(a.data(), 256, static_cast<Ipp8u>(v), d.data(), 256, {256, 1}), ippStsNoErr);
        for (int x = 0; x < 256; ++x) ASSERT_EQ(d[x], x * v / 255) << x << " " << v;
    }
    Ipp16u big[2] = {32768, 65535}, other[2] = {32768, 12345};
    ippiMulScale_16u_C1IR(big, 4, other, 4, {2, 1});
    EXPECT_EQ(other[0], 16384);
    EXPECT_EQ(other[1], 12345);
}

// Status order: the one-channel and AC4 routines test pointers, steps, size;
// the C3 and C4 forms that widen the row test the size first; absolute
// differences test the size before the steps, which must hold a row.
TEST(ImageLogic, StatusOrder) {
    Ipp8u p[64] = {};
    Ipp16u q[32] = {};
    const Ipp8u v[4] = {1, 2, 3, 4};
    const Ipp32u n[4] = {9, 9, 9, 9};
    const IppiSize ok{2, 2}, empty{0, 2};
    EXPECT_EQ(ippiAnd_8u_C1R(p, 2, nullptr, 2, p, 2, empty), ippStsNullPtrErr);
    EXPECT_EQ(ippiAnd_8u_C1R(p, 2, p, 0, p, 2, empty), ippStsStepErr);
    EXPECT_EQ(ippiAnd_8u_C1R(p, 2, p, 2, p, 2, empty), ippStsSizeErr);
    EXPECT_EQ(ippiXor_8u_AC4IR(p, -8, p, 8, ok), ippStsStepErr);
    EXPECT_EQ(ippiOr_16u_C1IR(q, 4, nullptr, 4, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiOr_8u_C3IR(nullptr, 0, p, 0, empty), ippStsSizeErr);
    EXPECT_EQ(ippiOr_8u_C3IR(nullptr, 0, p, 0, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiAnd_8u_C4IR(p, 0, p, 8, ok), ippStsStepErr);
    EXPECT_EQ(ippiAnd_8u_C3IR(p, 6, p, 6, {INT_MAX / 2, 1}), ippStsSizeErr);
    EXPECT_EQ(ippiNot_8u_C3IR(nullptr, 0, {1, 0}), ippStsSizeErr);
    EXPECT_EQ(ippiNot_8u_C3R(p, 6, nullptr, 6, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiNot_8u_AC4IR(p, 0, empty), ippStsStepErr);
    EXPECT_EQ(ippiAndC_8u_C3IR(nullptr, p, 6, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiAndC_8u_C4IR(v, p, 0, empty), ippStsStepErr);
    EXPECT_EQ(ippiXorC_8u_AC4IR(v, p, 8, empty), ippStsSizeErr);
    EXPECT_EQ(ippiLShiftC_8u_C3IR(n, p, 0, ok), ippStsStepErr);  // before the fill
    EXPECT_EQ(_px_ippiLShiftC_8u_C1R(p, 2, 9, p, 0, ok), ippStsStepErr);
    EXPECT_EQ(ippiRShiftC_8u_AC4IR(nullptr, p, 8, ok), ippStsNullPtrErr);
    EXPECT_EQ(ippiMulCScale_8u_C1IR(1, p, 0, empty), ippStsStepErr);
    EXPECT_EQ(ippiMulScale_8u_C3IR(p, 0, p, 0, empty), ippStsSizeErr);
    EXPECT_EQ(ippiAbsDiff_8u_C1R(p, 0, p, 0, p, 0, empty), ippStsSizeErr);
    EXPECT_EQ(ippiAbsDiff_8u_C1R(p, 2, p, 1, p, 2, ok), ippStsStepErr);
    EXPECT_EQ(ippiAbsDiff_8u_C1R(nullptr, 2, p, 2, p, 2, empty), ippStsNullPtrErr);
    EXPECT_EQ(ippiAbsDiff_16u_C1R(q, 5, q, 4, q, 4, ok), ippStsNotEvenStepErr);
    EXPECT_EQ(ippiAbsDiff_16u_C1R(q, 3, q, 5, q, 4, ok), ippStsStepErr);
    EXPECT_EQ(ippiAbsDiff_16u_C1R(q, INT_MAX - 1, q, INT_MAX - 1, q, INT_MAX - 1, {INT_MAX, 1}), ippStsStepErr);
    EXPECT_EQ(ippiAbsDiffC_8u_C1R(p, 1, p, 2, ok, 0), ippStsStepErr);
    for (const Ipp8u b : p) EXPECT_EQ(b, 0);
}

// In place over the same image: XOR with itself clears it.
TEST(ImageLogic, XorWithItselfInPlace) {
    Ipp8u self[5] = {1, 2, 3, 4, 5};
    ippiXor_8u_C1IR(self, 5, self, 5, {5, 1});
    EXPECT_EQ(std::vector<int>(self, self + 5), std::vector<int>(5, 0));
}

}  // namespace
}  // namespace oculon::primitives
