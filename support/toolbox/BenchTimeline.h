// The run's timeline for the benchmarks (tests/bench). Only a build with VELMO_BENCH records
// anything; in every other build the marks do nothing.
//
// With the environment variable VELMO_BENCH_TIMELINE naming a file, a quiet run appends one line
// "<label>:<value> <performance counter>" to it at each mark (the counter is the system-wide one,
// so the benchmark compares it with its own reading taken before it started the process), and
// ends at once, with exit code 0, where it would start installing; with VELMO_BENCH_WHOLE_RUN set
// as well it goes on and marks the install run too.
#pragma once

void BenchMark(const wchar_t* label, int value = 0);
void BenchEndBeforeInstall();
