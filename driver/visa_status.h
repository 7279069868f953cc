// VISA status values as the driver's log and error texts show them.
#pragma once

#include "visa/visa.h"

#include <string>

namespace corvid::driver {

// "Ok, no IO error" for 0; otherwise "GPIB Error", followed by ": " and VISA's own
// description of the status (asked on session) when it has one.
std::string StatusText(ViSession session, ViStatus status);

} // namespace corvid::driver
