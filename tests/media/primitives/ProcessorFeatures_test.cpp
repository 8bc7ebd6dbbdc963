// The processor routines over injected CPUID answers (every field of the
// feature record, the leaves that may be missing) and on this machine,
// against the compiler's own reading of the features.

#include <gtest/gtest.h>

#include <cstring>

#include "media/primitives/ProcessorCacheSize.h"
#include "media/primitives/ProcessorFeatures.h"

namespace oculon::primitives {
namespace {

struct FakeProcessor {
    bool hasCpuid = true;
    std::uint32_t maxLeaf = 4, maxExtended = 0x80000008;
    const char* vendor = "GenuineIntel";
    // Family 6, model 0xC, stepping 3; 16 logical processors; SSE3 and
    // SSSE3; TSC, MMX, SSE, SSE2 and the multi-thread bit.
    CpuidResult leaf1{0x000306C3, 0x00100800, 0x00000201, 0x16800010};
    CpuidResult leaf2{0x76036301, 0, 0, 0x00C30000};
    CpuidResult leaf4{0x1C004121, 0, 0, 0};  // 7 + 1 cores
    CpuidResult ext1{0, 0, 0, 0x20000000};   // Intel 64
} fake;

bool fakeCpuid(std::uint32_t leaf, CpuidResult& out) {
    out = {};
    switch (leaf) {
        case 0:
            out.eax = fake.maxLeaf;
            std::memcpy(&out.ebx, fake.vendor, 4);
            std::memcpy(&out.edx, fake.vendor + 4, 4);
            std::memcpy(&out.ecx, fake.vendor + 8, 4);
            break;
        case 1: out = fake.leaf1; break;
        case 2: out = fake.leaf2; break;
        case 4: out = fake.leaf4; break;
        case 0x80000000: out.eax = fake.maxExtended; break;
        case 0x80000001: out = fake.ext1; break;
        default: break;
    }
    return fake.hasCpuid;
}

class ProcessorFeatures : public testing::Test {
protected:
    void SetUp() override { fake = FakeProcessor{}; }
};

TEST_F(ProcessorFeatures, TheRecordTakesEveryFieldFromItsLeaf) {
    IppCpuFeatures f{};
    ipp_read_cpu_features(&f, fakeCpuid);
    EXPECT_EQ(f.family, 6u);
    EXPECT_EQ(f.stepping, 3u);
    EXPECT_EQ(f.model, 0xCu);
    EXPECT_EQ(f.featureFlags, 0x16800010u);
    EXPECT_EQ(f.leaf2Eax, 0x76036301u);
    EXPECT_EQ(f.leaf2Edx, 0x00C30000u);
    const Ipp32u flags[] = {f.mmx, f.sse, f.sse2, f.sse3, f.ssse3, f.multiThread, f.intel64};
    for (Ipp32u flag : flags) EXPECT_EQ(flag, 1u);
    EXPECT_EQ(f.cores, 8u);
    EXPECT_EQ(ipp_has_rdtsc(fakeCpuid), 1);
    EXPECT_EQ(ipp_get_cores_on_die(fakeCpuid), 8);
    EXPECT_EQ(ipp_max_cpuid_input(fakeCpuid), 4u);
    EXPECT_EQ(ipp_is_GenuineIntel(fakeCpuid), 1);
    EXPECT_EQ(ipp_has_cpuid(fakeCpuid), 1);
}

// Each flag from its own bit, and the answers that depend on a leaf being
// there.
TEST_F(ProcessorFeatures, SingleAnswersFollowTheirBitsAndLeaves) {
    using Probe = int (*)(Cpuid);
    const struct {
        Probe probe;
        std::uint32_t CpuidResult::*reg;
        int bit;
    } flags[] = {{ipp_has_rdtsc, &CpuidResult::edx, 4}, {ipp_has_mmx, &CpuidResult::edx, 23},
                 {ipp_has_sse, &CpuidResult::edx, 25},  {ipp_has_sse2, &CpuidResult::edx, 26},
                 {ipp_has_sse3, &CpuidResult::ecx, 0},  {ipp_has_ssse3, &CpuidResult::ecx, 9},
                 {ipp_is_ht, &CpuidResult::edx, 28}};
    for (const auto& f : flags) {
        fake = FakeProcessor{};
        EXPECT_EQ(f.probe(fakeCpuid), 1) << f.bit;
        fake.leaf1.*f.reg &= ~(1u << f.bit);
        EXPECT_EQ(f.probe(fakeCpuid), 0) << f.bit;
    }
    fake = FakeProcessor{};
    fake.leaf1.ebx = 0x00010800;  // one logical processor
    EXPECT_EQ(ipp_is_ht(fakeCpuid), 0);
    fake.maxExtended = 0x80000000;
    EXPECT_EQ(ipp_is_em64t(fakeCpuid), 0);
    fake.maxExtended = 0x80000001;
    EXPECT_EQ(ipp_is_em64t(fakeCpuid), 1);
    fake.maxLeaf = 3;
    EXPECT_EQ(ipp_get_cores_on_die(fakeCpuid), 1);
    fake.vendor = "AuthenticAMD";
    EXPECT_EQ(ipp_is_GenuineIntel(fakeCpuid), 0);
    fake.hasCpuid = false;
    EXPECT_EQ(ipp_has_cpuid(fakeCpuid), 0);
    EXPECT_EQ(ipp_max_cpuid_input(fakeCpuid), 0u);
}

// This machine: an x86-64 processor has CPUID, a time-stamp counter, MMX,
// SSE, SSE2 and Intel 64; the other flags agree with the compiler's reading.
TEST(ProcessorFeaturesHere, AgreeWithTheCompilersReading) {
    __builtin_cpu_init();
    EXPECT_EQ(ipp_has_cpuid(), 1);
    EXPECT_GE(ipp_max_cpuid_input(), 1u);
    for (int flag : {ipp_has_rdtsc(), ipp_has_mmx(), ipp_has_sse(), ipp_has_sse2(), ipp_is_em64t()}) EXPECT_EQ(flag, 1);
    EXPECT_EQ(ipp_has_sse3(), __builtin_cpu_supports("sse3") ? 1 : 0);
    EXPECT_EQ(ipp_has_ssse3(), __builtin_cpu_supports("ssse3") ? 1 : 0);
    EXPECT_EQ(ipp_is_GenuineIntel(), __builtin_cpu_is("intel") ? 1 : 0);
    EXPECT_GE(ipp_get_cores_on_die(), 1);
    const Ipp64u t0 = ipp_get_pentium_counter(), t1 = ipp_get_pentium_counter();
    EXPECT_GT(t1, t0);
    IppCpuFeatures f{};
    ipp_read_cpu_features(&f);
    EXPECT_EQ(f.sse2, 1u);
    EXPECT_EQ(f.cores, static_cast<Ipp32u>(ipp_get_cores_on_die()));
    EXPECT_EQ(ipp_is_daz_supported() == 0 || ipp_is_daz_supported() == 1, true);
}

}  // namespace
}  // namespace oculon::primitives
