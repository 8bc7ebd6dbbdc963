#pragma once
// Marks a function whose loops carry a primitive's bulk work: it is compiled
// for AVX2 and for the x86-64 baseline, and the loader picks one when the
// program starts. Both compute the same bits; only the vector width differs.
// Helpers it calls should be inline so that they are compiled with it.
// Defining OCULON_HOT_LOOP_BASELINE builds the baseline alone, to test it on
// a processor that would pick AVX2. A build for the thread sanitizer gets the
// baseline alone too: the sanitizer instruments the resolver that picks a
// clone, and the loader runs resolvers before the sanitizer's runtime is up.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(OCULON_HOT_LOOP_BASELINE) && \
    !defined(__SANITIZE_THREAD__)
#define OCULON_HOT_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define OCULON_HOT_LOOP
#endif
