#pragma once
// Sizes shared by the native benchmarks. ctest's smoke run sets QUARVEL_BENCH_SMOKE so that every
// benchmark still runs once, on inputs small enough for a sanitizer build; the measured run leaves it
// unset and gets the full sizes. The sizes are benchmark arguments, so the names in the output
// always tell which run produced them.

#include <cstdlib>
#include <cstring>

inline bool SmokeRun() {
  const char *value = std::getenv("QUARVEL_BENCH_SMOKE");
  return value && *value && std::strcmp(value, "0") != 0;
}
