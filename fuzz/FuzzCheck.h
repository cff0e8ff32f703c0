#pragma once
// A property that must hold for every input: when it does not, say which and abort, so that libFuzzer
// keeps the input as a crash.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                          \
  do {                                                                                                 \
    if (!(condition)) {                                                                                \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);           \
      std::abort();                                                                                    \
    }                                                                                                  \
  } while (false)
