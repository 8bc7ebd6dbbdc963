// The cache-size probe over injected CPUID answers: the descriptor search
// (largest size whatever the byte positions, registers marked invalid, the
// count byte), the vendor and leaf tests, and the once-only outcome.

#include <gtest/gtest.h>

#include <cstring>

#include "media/primitives/ProcessorCacheSize.h"

namespace oculon::primitives {
namespace {

struct FakeProcessor {
    bool hasCpuid = true;
    const char* vendor = "GenuineIntel";
    std::uint32_t maxLeaf = 4;
    CpuidResult leaf2{0x00000001, 0, 0, 0};
    int calls = 0;
};
FakeProcessor fake;

bool fakeCpuid(std::uint32_t leaf, CpuidResult& out) {
    ++fake.calls;
    if (!fake.hasCpuid) return false;
    if (leaf == 0) {
        out.eax = fake.maxLeaf;
        std::memcpy(&out.ebx, fake.vendor, 4);
        std::memcpy(&out.edx, fake.vendor + 4, 4);
        std::memcpy(&out.ecx, fake.vendor + 8, 4);
    } else {
        out = fake.leaf2;
    }
    return true;
}

struct Outcome {
    IppStatus status;
    Ipp32s size;
};

Outcome probeOnce() {
    CacheSizeProbe probe(&fakeCpuid);
    Outcome o{0, -1};
    o.status = probe.query(&o.size);
    return o;
}

class CacheSize : public testing::Test {
protected:
    void SetUp() override { fake = FakeProcessor{}; }
};

TEST_F(CacheSize, TheLargestAnnouncedCacheWins) {
    struct Case {
        CpuidResult leaf2;
        IppStatus status;
        Ipp32s size;
    };
    const Case cases[] = {
        {{0x2C430001, 0, 0, 0}, ippStsNoErr, 524288},  // 0x2C (first level) and 0x43
        {{0x00430001, 0x47000000, 0, 0}, ippStsNoErr, 8388608},
        {{0x47000001, 0, 0x00004300, 0}, ippStsNoErr, 8388608},
        {{0x00000001, 0, 0, 0x7D3C0000}, ippStsNoErr, 2097152},
        {{0x00000001, 0x80000047, 0x00000041, 0}, ippStsNoErr, 131072},  // EBX marked invalid
        {{0x80470001, 0, 0, 0}, ippStsUnknownCacheSize, 0},              // so is EAX
        {{0x2C300001, 0x0000B0F0, 0, 0}, ippStsUnknownCacheSize, 0},     // first level and TLBs only
        {{0x00000001, 0, 0, 0}, ippStsUnknownCacheSize, 0},
        {{0x00470002, 0, 0, 0}, ippStsUnknownCacheSize, 0},  // needs two executions
        {{0x00000047, 0, 0, 0}, ippStsUnknownCacheSize, 0},  // 0x47 as the count byte
    };
    for (const Case& c : cases) {
        fake.leaf2 = c.leaf2;
        const Outcome o = probeOnce();
        SCOPED_TRACE(testing::Message() << std::hex << c.leaf2.eax << " " << c.leaf2.ebx << " " << c.leaf2.ecx << " "
                                        << c.leaf2.edx);
        EXPECT_EQ(o.status, c.status);
        EXPECT_EQ(o.size, c.size);
        EXPECT_EQ(ownGetCacheSize(&fakeCpuid), c.size ? c.size : -1);
    }
}

TEST_F(CacheSize, OnlyAKnownVendorWithLeafTwoIsProbed) {
    fake.leaf2 = {0x00470001, 0, 0, 0};
    for (const char* vendor : {"AuthenticAMD", "GenuineIotel"}) {
        fake.vendor = vendor;
        const Outcome o = probeOnce();
        EXPECT_EQ(o.status, ippStsNotSupportedCpu) << vendor;
        EXPECT_EQ(o.size, 0);
    }
    fake.vendor = "GenuineIntel";
    fake.maxLeaf = 1;
    EXPECT_EQ(probeOnce().status, ippStsNotSupportedCpu);
    fake.maxLeaf = 2;
    EXPECT_EQ(probeOnce().status, ippStsNoErr);
    fake.hasCpuid = false;
    EXPECT_EQ(probeOnce().status, ippStsNotSupportedCpu);
}

TEST_F(CacheSize, ProbesOnceAndKeepsTheOutcome) {
    CacheSizeProbe probe(&fakeCpuid);
    EXPECT_EQ(probe.query(nullptr), ippStsNullPtrErr);
    EXPECT_EQ(fake.calls, 0);  // still pending
    fake.leaf2 = {0x00000002, 0, 0, 0};
    Ipp32s size = -1;
    EXPECT_EQ(probe.query(&size), ippStsUnknownCacheSize);
    EXPECT_EQ(size, 0);
    const int calls = fake.calls;
    fake.leaf2 = {0x00470001, 0, 0, 0};  // would succeed now
    size = -1;
    EXPECT_EQ(probe.query(&size), ippStsUnknownCacheSize);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(probe.query(nullptr), ippStsNullPtrErr);
    EXPECT_EQ(fake.calls, calls);
}

TEST(ProcessCacheSize, AnswersAlikeOnEveryCall) {
    Ipp32s first = -1, again = -1;
    const IppStatus status = ippGetMaxCacheSizeB(&first);
    EXPECT_TRUE(status == ippStsNoErr || status == ippStsNotSupportedCpu || status == ippStsUnknownCacheSize);
    EXPECT_EQ(status == ippStsNoErr, first > 0);
    EXPECT_EQ(ippGetMaxCacheSizeB(&again), status);
    EXPECT_EQ(again, first);
    EXPECT_EQ(owncvGetCacheSize(), first);
    EXPECT_EQ(ippGetMaxCacheSizeB(nullptr), ippStsNullPtrErr);
}

}  // namespace
}  // namespace oculon::primitives
