#include "media/primitives/ProcessorCacheSize.h"

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

CacheSizeProbe& processProbe() {
    static CacheSizeProbe probe(&processorCpuid);
    return probe;
}

}  // namespace

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
    if (!ipp_has_cpuid(cpuid_) || ipp_max_cpuid_input(cpuid_) < 2 || !ipp_is_GenuineIntel(cpuid_))
        return ippStsNotSupportedCpu;
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
