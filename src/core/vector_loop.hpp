// RUMO_VECTOR_LOOP before a function whose loop runs over all targets: it is
// built for the widest vector unit the processor has, chosen as the program
// loads. Each target is its own lane, so the operations on every target, and
// their order, are those of a loop that takes one target at a time. The
// thread sanitizer cannot have the choice: its chooser runs before the
// sanitizer has started.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define RUMO_VECTOR_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define RUMO_VECTOR_LOOP
#endif
