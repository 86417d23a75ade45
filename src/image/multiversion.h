// Compiler attributes for the hot loops.
#pragma once

#define PHOTOFILTER_INLINE inline __attribute__((always_inline))
// The same for a lambda, written after its parameter list: a lambda in a
// multiversioned function is otherwise compiled once, for the oldest
// processor, unless the compiler chooses to inline it.
#define PHOTOFILTER_INLINE_LAMBDA __attribute__((always_inline))

// Kernel entry points are compiled once per instruction-set level and the
// best one for the running processor is picked when the program loads.
// Every level computes the same IEEE results: floating-point contraction is
// off for the whole build. A build for one level (CMake's PHOTOFILTER_ISA,
// which defines PHOTOFILTER_SINGLE_ISA) compiles everything for that level
// and clones nothing; so do the sanitizer builds, whose run-time is not
// ready when the clones are picked.
#if defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__) && !defined(PHOTOFILTER_SINGLE_ISA)
#define PHOTOFILTER_MULTIVERSION \
  __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#else
#define PHOTOFILTER_MULTIVERSION
#endif
