#ifndef BENCH_RUNBENCHMARKS_H
#define BENCH_RUNBENCHMARKS_H

#include <benchmark/benchmark.h>

// What BENCHMARK_MAIN does, for executables whose main has more to do first.
inline int runBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#endif
