#pragma once

// The clocks the benchmarks report: wall time in milliseconds and the
// process's CPU time.

#include <time.h>

#include <chrono>

using Clock = std::chrono::steady_clock;

inline double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

inline double Ms(Clock::duration d)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(d).count() / 1000.0;
}
