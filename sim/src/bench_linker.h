// The second pass over a bench description: names in expressions and replies are
// resolved (an instrument's own properties and values, the dialogue's parameters,
// "instrument.name" for another instrument), and the whole bench is checked: boards
// described, addresses free, no value that depends on itself.
#pragma once

#include "bench_spec.h"

namespace corvid::sim {

// Throws BenchError naming the line at fault.
void LinkBench(BenchSpec& bench);

} // namespace corvid::sim
