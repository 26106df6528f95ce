#pragma once

#include <cstdint>

// Small helpers shared by the benchmark programs.
namespace BenchSupport {

// The environment variable through which the bench runner hands a child the CLOCK_MONOTONIC
// time, in nanoseconds, taken just before it spawned the child.
constexpr const char* spawnTimeVariable = "TARVIX_BENCH_SPAWN_NS";

std::int64_t monotonicNs();
// The spawn time the runner passed, or -1 when the program was not started by the runner.
std::int64_t spawnTimeNs();
// VmHWM of the calling process in kB, or -1.
long peakResidentKb();

} // namespace BenchSupport
