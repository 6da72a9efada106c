#pragma once
#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test: say which one and stop, so that
// libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition, what)                                                                   \
  do {                                                                                                \
    if (!(condition)) {                                                                               \
      std::fprintf(stderr, "broken promise: %s (%s, %s:%d)\n", what, #condition, __FILE__, __LINE__); \
      std::abort();                                                                                   \
    }                                                                                                 \
  } while (0)
