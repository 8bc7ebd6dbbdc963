#pragma once
// The size of the processor's largest second- or third-level cache, read
// from the cache descriptors of CPUID leaf 2. Only a processor whose vendor
// is "GenuineIntel" is probed; elsewhere the size reads as 0 with status 36
// (ippStsNotSupportedCpu); descriptors that name no such cache give 37
// (ippStsUnknownCacheSize). The probe runs once per process and its outcome,
// either way, is what every later call returns.

#include <atomic>
#include <cstdint>

#include "media/primitives/FilterDefs.h"
#include "media/primitives/ProcessorFeatures.h"

namespace oculon::primitives {

// The largest size that a descriptor of leaf 2 announces, or -1 when the
// leaf needs more than one execution or announces none that is known.
Ipp32s ownGetCacheSize(Cpuid cpuid);

// The once-only probe: the process has one over the real processor; tests
// make their own over a CPUID of their choosing. Safe to call from any
// thread: two first calls at once both probe and store the same outcome.
class CacheSizeProbe {
public:
    explicit CacheSizeProbe(Cpuid cpuid) : cpuid_(cpuid) {}

    // A null pointer gives -8 and leaves a pending probe pending; otherwise
    // the size (0 unless the status is 0) is written and the status returned.
    IppStatus query(Ipp32s* sizeBytes);

private:
    static constexpr IppStatus kPending = 1;

    IppStatus probe(Ipp32s& size) const;

    Cpuid cpuid_;
    std::atomic<IppStatus> state_{kPending};
    std::atomic<Ipp32s> size_{0};
};

IppStatus ippGetMaxCacheSizeB(Ipp32s* pSizeByte);

// The cache size in bytes, or 0 when the probe found none.
Ipp32s owncvGetCacheSize();

}  // namespace oculon::primitives
