#include "media/primitives/ProcessorCacheSize.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace oculon::primitives {

namespace {

struct CacheDescriptor {
    std::uint8_t code;
    Ipp32s bytes;
};

// The leaf-2 descriptors of second- and third-level caches, largest first,
// so that the first match is the largest cache announced. First-level,
// instruction and TLB descriptors are absent: they never match.
constexpr CacheDescriptor kDescriptors[] = {
    {0x47, 8388608}, {0x49, 4194304}, {0x29, 4194304}, {0x46, 4194304}, {0x25, 2097152}, {0x7D, 2097152},
    {0x85, 2097152}, {0x45, 2097152}, {0x23, 1048576}, {0x87, 1048576}, {0x7C, 1048576}, {0x78, 1048576},
    {0x84, 1048576}, {0x44, 1048576}, {0x22, 524288},  {0x7B, 524288},  {0x86, 524288},  {0x7F, 524288},
    {0x83, 524288},  {0x43, 524288},  {0x7A, 262144},  {0x82, 262144},  {0x3C, 262144},  {0x42, 262144},
    {0x79, 131072},  {0x39, 131072},  {0x3B, 131072},  {0x41, 131072},
};

// CPUID leaf 0 spells the vendor in EBX, EDX, ECX.
bool isGenuineIntel(const CpuidResult& leaf0) {
    return leaf0.ebx == 0x756E6547 && leaf0.edx == 0x49656E69 && leaf0.ecx == 0x6C65746E;
}

CacheSizeProbe& processProbe() {
    static CacheSizeProbe probe(&processorCpuid);
    return probe;
}

}  // namespace

bool processorCpuid(std::uint32_t leaf, CpuidResult& out) {
#if defined(__x86_64__) || defined(__i386__)
    // The header's probe tests that CPUID exists at all (the flags
    // register's ID bit, on 32-bit x86); 0 also when leaf 0 is the only one,
    // which leaves nothing to probe either.
    if (__get_cpuid_max(0, nullptr) == 0) return false;
    __cpuid(leaf, out.eax, out.ebx, out.ecx, out.edx);
    return true;
#else
    (void)leaf;
    (void)out;
    return false;
#endif
}

Ipp32s ownGetCacheSize(Cpuid cpuid) {
    CpuidResult r;
    if (!cpuid(2, r) || (r.eax & 0xFF) != 1) return -1;
    // The low byte of EAX is the count, never a descriptor; a register with
    // bit 31 set holds none.
    std::uint32_t regs[] = {r.eax & 0xFFFFFF00, r.ebx, r.ecx, r.edx};
    for (std::uint32_t& reg : regs)
        if (reg & 0x80000000) reg = 0;
    for (const CacheDescriptor& d : kDescriptors)
        for (std::uint32_t reg : regs)
            for (int shift = 0; shift < 32; shift += 8)
                if (((reg >> shift) & 0xFF) == d.code) return d.bytes;
    return -1;
}

IppStatus CacheSizeProbe::probe(Ipp32s& size) const {
    size = 0;
    CpuidResult leaf0;
    if (!cpuid_(0, leaf0) || leaf0.eax < 2 || !isGenuineIntel(leaf0)) return ippStsNotSupportedCpu;
    const Ipp32s found = ownGetCacheSize(cpuid_);
    if (found < 0) return ippStsUnknownCacheSize;
    size = found;
    return ippStsNoErr;
}

IppStatus CacheSizeProbe::query(Ipp32s* sizeBytes) {
    if (!sizeBytes) return ippStsNullPtrErr;
    IppStatus state = state_.load(std::memory_order_acquire);
    if (state != kPending) {
        *sizeBytes = size_.load(std::memory_order_relaxed);
        return state;
    }
    Ipp32s size = 0;
    state = probe(size);
    // The size first: a reader that sees the state sees the size with it.
    size_.store(size, std::memory_order_relaxed);
    state_.store(state, std::memory_order_release);
    *sizeBytes = size;
    return state;
}

IppStatus ippGetMaxCacheSizeB(Ipp32s* pSizeByte) { return processProbe().query(pSizeByte); }

Ipp32s owncvGetCacheSize() {
    Ipp32s size = 0;
    ippGetMaxCacheSizeB(&size);
    return size;
}

}  // namespace oculon::primitives
