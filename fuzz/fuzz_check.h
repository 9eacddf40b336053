// The fuzzers' check macro: a failed property prints where and stops the run as a crash.
#pragma once

#include <cstdio>

#define FUZZ_CHECK(cond)                                                           \
  do {                                                                             \
    if (!(cond)) {                                                                 \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      __builtin_trap();                                                            \
    }                                                                              \
  } while (0)
