#include "media/primitives/ProcessorFeatures.h"

#if defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace oculon::primitives {

namespace {

constexpr std::uint32_t kExtendedLeaves = 0x80000000;

CpuidResult leaf(Cpuid cpuid, std::uint32_t number) {
    CpuidResult r;
    if (!cpuid(number, r)) return {};
    return r;
}

Ipp32u bit(std::uint32_t reg, int n) { return (reg >> n) & 1; }

}  // namespace

int ipp_has_cpuid() {
#if defined(__x86_64__)
    // Flip the ID bit of the flags register and see whether it stays
    // flipped; the flags are put back as they were.
    constexpr unsigned long long kId = 0x200000;
    const unsigned long long before = __readeflags();
    __writeeflags(before ^ kId);
    const unsigned long long after = __readeflags();
    __writeeflags(before);
    return ((before ^ after) & kId) ? 1 : 0;
#else
    return 0;
#endif
}

bool processorCpuid(std::uint32_t number, CpuidResult& out) {
#if defined(__x86_64__)
    if (!ipp_has_cpuid()) return false;
    __cpuid_count(number, 0, out.eax, out.ebx, out.ecx, out.edx);
    return true;
#else
    (void)number;
    (void)out;
    return false;
#endif
}

int ipp_has_cpuid(Cpuid cpuid) {
    if (cpuid == &processorCpuid) return ipp_has_cpuid();
    CpuidResult r;
    return cpuid(0, r) ? 1 : 0;
}

Ipp32u ipp_max_cpuid_input(Cpuid cpuid) { return leaf(cpuid, 0).eax; }

int ipp_is_GenuineIntel(Cpuid cpuid) {
    const CpuidResult r = leaf(cpuid, 0);
    return r.ebx == 0x756E6547 && r.edx == 0x49656E69 && r.ecx == 0x6C65746E ? 1 : 0;
}

void ipp_read_cpu_features(IppCpuFeatures* f, Cpuid cpuid) {
    const Ipp32u maxLeaf = ipp_max_cpuid_input(cpuid);
    const CpuidResult one = leaf(cpuid, 1), two = leaf(cpuid, 2);
    f->family = (one.eax >> 8) & 0xF;
    f->stepping = one.eax & 0xF;
    f->model = (one.eax >> 4) & 0xF;
    f->featureFlags = one.edx;
    f->leaf2Eax = two.eax;
    f->leaf2Edx = two.edx;
    f->mmx = bit(one.edx, 23);
    f->sse = bit(one.edx, 25);
    f->sse2 = bit(one.edx, 26);
    f->sse3 = bit(one.ecx, 0);
    f->ssse3 = bit(one.ecx, 9);
    f->multiThread = bit(one.edx, 28) && ((one.ebx >> 16) & 0xFF) > 1 ? 1 : 0;
    f->intel64 =
        leaf(cpuid, kExtendedLeaves).eax >= kExtendedLeaves + 1 ? bit(leaf(cpuid, kExtendedLeaves + 1).edx, 29) : 0;
    f->cores = maxLeaf >= 4 ? (leaf(cpuid, 4).eax >> 26) + 1 : 1;
}

namespace {

IppCpuFeatures features(Cpuid cpuid) {
    IppCpuFeatures f{};
    ipp_read_cpu_features(&f, cpuid);
    return f;
}

}  // namespace

int ipp_has_rdtsc(Cpuid cpuid) { return static_cast<int>(bit(leaf(cpuid, 1).edx, 4)); }
int ipp_has_mmx(Cpuid cpuid) { return static_cast<int>(features(cpuid).mmx); }
int ipp_has_sse(Cpuid cpuid) { return static_cast<int>(features(cpuid).sse); }
int ipp_has_sse2(Cpuid cpuid) { return static_cast<int>(features(cpuid).sse2); }
int ipp_is_ht(Cpuid cpuid) { return static_cast<int>(features(cpuid).multiThread); }
int ipp_has_sse3(Cpuid cpuid) { return static_cast<int>(features(cpuid).sse3); }
int ipp_has_ssse3(Cpuid cpuid) { return static_cast<int>(features(cpuid).ssse3); }
int ipp_is_em64t(Cpuid cpuid) { return static_cast<int>(features(cpuid).intel64); }
int ipp_get_cores_on_die(Cpuid cpuid) { return static_cast<int>(features(cpuid).cores); }

Ipp64u ipp_get_pentium_counter() {
#if defined(__x86_64__)
    return __rdtsc();
#else
    return 0;
#endif
}

int ipp_is_daz_supported() {
#if defined(__x86_64__)
    alignas(16) unsigned char area[512] = {};
    asm volatile("fxsave %0" : "=m"(area));
    // The MXCSR mask lies at bytes 28..31 of the saved state.
    const std::uint32_t mask =
        area[28] | (std::uint32_t{area[29]} << 8) | (std::uint32_t{area[30]} << 16) | (std::uint32_t{area[31]} << 24);
    return mask != 0 && (mask & 0x40) ? 1 : 0;
#else
    return 0;
#endif
}

}  // namespace oculon::primitives
