// The one entry point of the native benchmarks; each *_bench.cpp registers its own cases.

#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
