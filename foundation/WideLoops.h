// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Marks a function whose loops are also built for AVX2, the build the
// processor can run chosen when the program starts: eight float lanes
// instead of the baseline's four. Only for loops whose every operation
// rounds alike in both builds (no contraction into fused multiply-adds is
// allowed anywhere in the program), so both give the same bytes.

// Not under ThreadSanitizer: the build is chosen by a resolver the loader
// calls before the sanitizer's runtime is up, and the instrumented resolver
// crashes.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define VESTISCOP_WIDE_LOOPS __attribute__((target_clones("avx2", "default")))
#else
#define VESTISCOP_WIDE_LOOPS
#endif
