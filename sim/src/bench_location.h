// Where the driver finds its bench description.
#pragma once

#include <optional>
#include <string>

namespace corvid::sim {

// $CORVID_SIM_BENCH when set; else BenchFile of [SIMGPIB] in $CORVID_HOME/visa.ini
// (relative to that file's folder); else sim-bench/demo.bench beside this library.
std::string FindBenchFile();

// The BenchFile setting of the VISA configuration store, if any.
std::optional<std::string> ConfiguredBenchFile();

} // namespace corvid::sim
