#pragma once
// What the processor says about itself through CPUID (x86-64): whether the
// instruction exists, the highest standard leaf, the vendor, and a record of
// the features and counts that the primitives' start-up may ask for. Every
// routine that reads CPUID has a form over a CPUID of the caller's choosing,
// so that tests can answer for a processor of their own; the plain form
// reads this processor.

#include <cstdint>

#include "media/primitives/IppDefs.h"

namespace oculon::primitives {

struct CpuidResult {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

// Executes CPUID for a leaf (sub-leaf 0); false on a processor without CPUID.
using Cpuid = bool (*)(std::uint32_t leaf, CpuidResult& out);

// The processor this runs on.
bool processorCpuid(std::uint32_t leaf, CpuidResult& out);

// 1 when the processor has the CPUID instruction: the ID bit (bit 21) of the
// flags register can be flipped. The injected form: 1 when `cpuid` answers.
int ipp_has_cpuid();
int ipp_has_cpuid(Cpuid cpuid);
// EAX of leaf 0, the highest standard leaf (0 without CPUID).
Ipp32u ipp_max_cpuid_input(Cpuid cpuid = processorCpuid);
// 1 when leaf 0 spells "GenuineIntel" in EBX, EDX, ECX.
int ipp_is_GenuineIntel(Cpuid cpuid = processorCpuid);

// Filled by ipp_read_cpu_features, in this order; the flags are 0 or 1.
struct IppCpuFeatures {
    Ipp32u family;        // leaf 1 EAX bits 8-11
    Ipp32u stepping;      // bits 0-3
    Ipp32u model;         // bits 4-7
    Ipp32u featureFlags;  // leaf 1 EDX
    Ipp32u leaf2Eax, leaf2Edx;
    Ipp32u mmx, sse, sse2, sse3, ssse3;
    // Leaf 1 EDX bit 28 with more than one logical processor per package
    // (EBX bits 16-23).
    Ipp32u multiThread;
    // Leaf 0x80000001 EDX bit 29, where the extended leaves reach it.
    Ipp32u intel64;
    // Leaf 4 EAX bits 26-31 plus 1 where leaf 4 exists, else 1.
    Ipp32u cores;
};

void ipp_read_cpu_features(IppCpuFeatures* features, Cpuid cpuid = processorCpuid);

// Single answers, 0 or 1 but for the counts.
int ipp_has_rdtsc(Cpuid cpuid = processorCpuid);
int ipp_has_mmx(Cpuid cpuid = processorCpuid);
int ipp_has_sse(Cpuid cpuid = processorCpuid);
int ipp_has_sse2(Cpuid cpuid = processorCpuid);
int ipp_is_ht(Cpuid cpuid = processorCpuid);
int ipp_has_sse3(Cpuid cpuid = processorCpuid);
int ipp_has_ssse3(Cpuid cpuid = processorCpuid);
int ipp_is_em64t(Cpuid cpuid = processorCpuid);
int ipp_get_cores_on_die(Cpuid cpuid = processorCpuid);
// The time-stamp counter.
Ipp64u ipp_get_pentium_counter();

// 1 when MXCSR may hold the denormals-are-zero bit: the MXCSR mask that
// FXSAVE stores is non-zero and has bit 6 set.
int ipp_is_daz_supported();

}  // namespace oculon::primitives
