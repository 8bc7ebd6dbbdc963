// Aligned blocks, the maths shims and the direct integer divisions.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "media/primitives/AlignedAlloc.h"
#include "media/primitives/IntegerDivision.h"
#include "media/primitives/RuntimeShims.h"

namespace oculon::primitives {
namespace {

bool aligned32(const void* p) { return reinterpret_cast<std::uintptr_t>(p) % 32 == 0; }

TEST(AlignedBlocks, AreAlignedUsableToTheLastByteAndFreed) {
    // Under the address sanitizer a write past the block or a wrong free fails.
    for (int len : {1, 2, 31, 32, 33, 100, 4097}) {
        SCOPED_TRACE(len);
        // Each kind of block, filled to its last byte and freed its own way.
        const auto check = [len](auto* p, std::size_t elementBytes, void (*release)(void*)) {
            ASSERT_NE(p, nullptr);
            EXPECT_TRUE(aligned32(p));
            std::memset(static_cast<void*>(p), 0x5A, elementBytes * static_cast<std::size_t>(len));
            release(p);
        };
        check(ippsMalloc_8u(len), 1, ippsFree);
        check(ippsMalloc_64f(len), sizeof(Ipp64f), ippsFree);
        check(ippsMalloc_64fc(len), sizeof(Ipp64fc), ippsFree);
        check(_ippMalloc(len), 1, _ippFree);
    }
    // Many live blocks at once: every one keeps its own hidden address.
    std::vector<void*> blocks;
    for (int i = 1; i < 200; ++i) blocks.push_back(_ippMalloc(i * 3));
    for (void* b : blocks) {
        ASSERT_TRUE(aligned32(b));
        _ippFree(b);
    }
}

TEST(AlignedBlocks, NothingForEmptyOrNegativeSizes) {
    EXPECT_EQ(ippsMalloc_8u(0), nullptr);
    EXPECT_EQ(ippsMalloc_8u(-5), nullptr);
    EXPECT_EQ(ippsMalloc_64f(0), nullptr);
    EXPECT_EQ(ippsMalloc_64fc(-1), nullptr);
    EXPECT_EQ(_ippMalloc(0), nullptr);
    EXPECT_EQ(_ippMalloc(-5), nullptr);
    ippsFree(nullptr);
    _ippFree(nullptr);
}

TEST(AlignedBlocks, RawSizeLeavesRoomForAPointerAndNeverWraps) {
    // Data, an 8-byte hidden address and up to 31 bytes of alignment gap.
    EXPECT_EQ(alignedRawSize(1, 1), 1u + sizeof(void*) + 31);
    EXPECT_EQ(alignedRawSize(std::numeric_limits<int>::max(), 16),
              16ull * std::numeric_limits<int>::max() + sizeof(void*) + 31);
    EXPECT_FALSE(alignedRawSize(0, 8));
    EXPECT_FALSE(alignedRawSize(std::numeric_limits<long long>::max(), 16));
    EXPECT_FALSE(alignedRawSize(static_cast<long long>(std::numeric_limits<size_t>::max() / 2), 2));
}

TEST(MathsShims, CeilThroughAnIntegerAndBeyondItsRange) {
    // The last four lie outside the 32-bit range: the exact ceiling, not an
    // undefined conversion.
    const double in[] = {2.0, 2.1, -2.5, 2147483646.5, -2147483648.5, 3e9 + 0.5, -1e12 - 0.5, 1e300};
    const double want[] = {2.0, 3.0, -2.0, 2147483647.0, -2147483648.0, 3000000001.0, -1e12, 1e300};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(_ceil(in[i]), want[i]) << in[i];
    EXPECT_FALSE(std::signbit(_ceil(-0.5)));  // formed through an integer: +0
    EXPECT_TRUE(std::isinf(_ceil(INFINITY)));
    EXPECT_TRUE(std::isnan(_ceil(NAN)));
}

TEST(MathsShims, FollowTheRunTimeRoutines) {
    EXPECT_EQ(_log(1.0), 0.0);
    EXPECT_DOUBLE_EQ(_log(std::exp(1.0)), 1.0);
    EXPECT_DOUBLE_EQ(_exp(1.0), std::exp(1.0));
    EXPECT_DOUBLE_EQ(_sqrt(2.0), std::sqrt(2.0));
    EXPECT_DOUBLE_EQ(_sin(0.5), std::sin(0.5));
    EXPECT_DOUBLE_EQ(_cos(0.5), std::cos(0.5));
    EXPECT_DOUBLE_EQ(_atan2(1.0, -1.0), 3 * M_PI / 4);
    EXPECT_DOUBLE_EQ(_atan2(-0.0, -1.0), -M_PI);
    void* p = _malloc(10);
    ASSERT_NE(p, nullptr);
    _free(p);
    _free(nullptr);
}

TEST(IntegerDivision, TruncatesTowardZeroAndIgnoresTheScaleFactor) {
    Ipp32s v[] = {7, -7, 0, 9};
    ippsDivC_32s_ISfs(3, v, 3, 5);
    EXPECT_EQ(std::vector<Ipp32s>(v, v + 4), (std::vector<Ipp32s>{2, -2, 0, 9}));  // the last beyond len
    const Ipp32s src[] = {100, -101};
    Ipp32s dst[2] = {};
    ippsDivC_32s_Sfs(src, -10, dst, 2, -3);
    EXPECT_EQ(std::vector<Ipp32s>(dst, dst + 2), (std::vector<Ipp32s>{-10, 10}));
}

TEST(IntegerDivision, TrappingCasesAreHarmless) {
    Ipp32s v[] = {std::numeric_limits<Ipp32s>::min(), 4};
    ippsDivC_32s_ISfs(0, v, 2, 0);  // a zero divisor leaves the data alone
    EXPECT_EQ(v[1], 4);
    ippsDivC_32s_ISfs(-1, v, 2, 0);
    EXPECT_EQ(v[0], std::numeric_limits<Ipp32s>::max());
    EXPECT_EQ(v[1], -4);
    ippsDivC_32s_ISfs(2, nullptr, 2, 0);
    ippsDivC_32s_Sfs(nullptr, 2, v, 2, 0);
    ippsDivC_32s_ISfs(2, v, -1, 0);
    EXPECT_EQ(v[1], -4);
}

}  // namespace
}  // namespace oculon::primitives
