// Where simserial takes its bench from, and the instrument it serves.
#pragma once

#include "bus.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace corvid::sim {

// The bench file: given when given; else $CORVID_SIM_BENCH; else BenchFile of [SIMGPIB]
// in $CORVID_HOME/visa.ini; else the demo bench copied beside the program at build time
// (sim-bench/demo.bench in the program's folder, or ../lib/sim-bench/demo.bench).
std::string ChooseBenchFile(const std::optional<std::string>& given);

// The bench cannot be read or has no such instrument; what() is the one-line reason.
class ServeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole bench running, so that instruments wired to others still evaluate, and the
// one to serve.
struct ServedBench {
    std::unique_ptr<Bus> bus;
    Instrument* instrument = nullptr;
};

// Throws ServeError.
ServedBench LoadServedBench(const std::string& file, const std::string& instrument);

} // namespace corvid::sim
