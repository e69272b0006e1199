// Start-up timeline for the benchmarks (tests/bench). Only a build with VELMO_BENCH records
// anything; in every other build these are empty.
//
// With the environment variable VELMO_BENCH_TIMELINE naming a file, a quiet run appends one line
// "<label> <performance counter>" to it at each mark of its start-up (the counter is the
// system-wide one, so the benchmark compares it with its own reading taken before it started the
// process), and ends at once, with exit code 0, where it would start installing.
#pragma once

#ifdef VELMO_BENCH

void BenchMark(const wchar_t* label, int value = 0);
void BenchEndBeforeInstall();

#else

inline void BenchMark(const wchar_t*, int = 0) { }
inline void BenchEndBeforeInstall() { }

#endif
