// The bench of a simulated interface library other than the GPIB driver: read once per
// process, found the way simgpib.so finds its own.
#pragma once

#include "bus.h"

#include <memory>

namespace corvid::sim {

// The running bench, or null when the file cannot be used (said once on standard error,
// "LIBRARY: FILE:LINE: reason").
Bus* SharedBench(const char* library);

} // namespace corvid::sim
