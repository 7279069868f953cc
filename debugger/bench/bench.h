// Shared pieces of omr_bench.
#pragma once

#include <chrono>
#include <string>

namespace corvid::debugger::bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM"), or 0.
long StatusBytes(const std::string& field);

// Records per second reported through the link to a bare reader and to the recording
// engine, each in a child process, and prints both with their ratio.
int CaptureBench(long count);

} // namespace corvid::debugger::bench
