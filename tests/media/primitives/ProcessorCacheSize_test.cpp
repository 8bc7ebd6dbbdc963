// The cache-size probe over injected CPUID answers: the descriptor search
// (the largest size whatever the byte positions, registers marked invalid,
// the count byte), the vendor and leaf tests, and the once-only outcome.

#include <gtest/gtest.h>

#include <cstring>

#include "media/primitives/ProcessorCacheSize.h"

namespace oculon::primitives {
namespace {

struct FakeProcessor {
    bool hasCpuid = true;
    const char* vendor = "GenuineIntel";
    std::uint32_t maxLeaf = 4;
    CpuidResult leaf2{0x00470001, 0, 0, 0};
    int calls = 0;
} fake;

bool fakeCpuid(std::uint32_t leaf, CpuidResult& out) {
    ++fake.calls;
    out = fake.leaf2;
    if (leaf == 0) {
        out.eax = fake.maxLeaf;
        std::memcpy(&out.ebx, fake.vendor, 4);
        std::memcpy(&out.edx, fake.vendor + 4, 4);
        std::memcpy(&out.ecx, fake.vendor + 8, 4);
    }
    return fake.hasCpuid;
}

// A fresh probe's first answer, as status * 2^24 + size.
long long firstAnswer() {
    CacheSizeProbe probe(&fakeCpuid);
    Ipp32s size = -1;
    return probe.query(&size) * (1LL << 24) + size;
}

class CacheSize : public testing::Test {
protected:
    void SetUp() override { fake = FakeProcessor{}; }
};

TEST_F(CacheSize, TheLargestAnnouncedCacheWins) {
    const long long unknown = ippStsUnknownCacheSize * (1LL << 24);
    const std::pair<CpuidResult, long long> cases[] = {
        {{0x2C430001, 0, 0, 0}, 524288},  // 0x2C (first level) and 0x43
        {{0x00430001, 0x47000000, 0, 0}, 8388608},
        {{0x47000001, 0, 0x00004300, 0}, 8388608},
        {{0x00000001, 0, 0, 0x7D3C0000}, 2097152},
        {{0x00000001, 0x80000047, 0x00000041, 0}, 131072},  // EBX marked invalid
        {{0x80470001, 0, 0, 0}, unknown},                   // so is EAX
        {{0x2C300001, 0x0000B0F0, 0, 0}, unknown},          // first level and TLBs only
        {{0x00470002, 0, 0, 0}, unknown},                   // needs two executions
        {{0x00000047, 0, 0, 0}, unknown},                   // 0x47 as the count byte
    };
    for (const auto& [leaf2, want] : cases) {
        fake.leaf2 = leaf2;
        EXPECT_EQ(firstAnswer(), want) << std::hex << leaf2.eax << " " << leaf2.ebx;
        EXPECT_EQ(ownGetCacheSize(&fakeCpuid), want == unknown ? -1 : want);
    }
}

TEST_F(CacheSize, OnlyAKnownVendorWithLeafTwoIsProbed) {
    const long long unsupported = ippStsNotSupportedCpu * (1LL << 24);
    for (const char* vendor : {"AuthenticAMD", "GenuineIotel"}) {
        fake.vendor = vendor;
        EXPECT_EQ(firstAnswer(), unsupported) << vendor;
    }
    fake = FakeProcessor{};
    fake.maxLeaf = 1;
    EXPECT_EQ(firstAnswer(), unsupported);
    fake.maxLeaf = 2;
    EXPECT_EQ(firstAnswer(), 8388608);
    fake.hasCpuid = false;
    EXPECT_EQ(firstAnswer(), unsupported);
}

TEST_F(CacheSize, ProbesOnceAndKeepsTheOutcome) {
    CacheSizeProbe probe(&fakeCpuid);
    EXPECT_EQ(probe.query(nullptr), ippStsNullPtrErr);
    EXPECT_EQ(fake.calls, 0);  // still pending
    fake.leaf2 = {0x00000002, 0, 0, 0};
    Ipp32s size = -1;
    EXPECT_EQ(probe.query(&size), ippStsUnknownCacheSize);
    const int calls = fake.calls;
    fake.leaf2 = {0x00470001, 0, 0, 0};  // would succeed now
    size = -1;
    EXPECT_EQ(probe.query(&size), ippStsUnknownCacheSize);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(fake.calls, calls);
    // The process's own probe: the same answer every time.
    Ipp32s first = -1, again = -1;
    const IppStatus status = ippGetMaxCacheSizeB(&first);
    EXPECT_EQ(status == ippStsNoErr, first > 0);
    EXPECT_EQ(ippGetMaxCacheSizeB(&again), status);
    EXPECT_EQ(again, first);
    EXPECT_EQ(owncvGetCacheSize(), first);
}

}  // namespace
}  // namespace oculon::primitives
