#pragma once
// Marks the function around a hot loop to be compiled twice, for AVX2 and for
// any x86-64; the loader picks the variant once by the processor's features.
// AVX2 brings no fused multiply-add, so both variants round alike and give
// bit-identical results. Defining OCULON_KERNEL_SINGLE builds only the plain
// variant, to test it on a processor that would pick AVX2.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(OCULON_KERNEL_SINGLE)
#define OCULON_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define OCULON_KERNEL
#endif
