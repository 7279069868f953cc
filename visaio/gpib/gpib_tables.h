// The fixed tables of GPIB sessions: time-out steps, the error mapping and the board models.
#pragma once

#include "gpib_driver.h"
#include "visa/visa.h"

#include <string_view>

namespace corvid::visaio {

struct TimeoutStep {
    ViUInt32 milliseconds; // VI_TMO_INFINITE for the infinite time-out
    int code;              // the driver's time-out code
};

// A time-out rounded up to the next step of the driver; above 1000000 ms it is 1000000,
// and VI_TMO_INFINITE is the driver's infinite time-out.
TimeoutStep RoundTimeout(ViUInt32 milliseconds);

// The VISA status for a failed driver call.
ViStatus MapGpibError(const GpibResult& result);

// The board model name for a board type code ("Unknown GPIB board" when unknown).
std::string_view BoardModelName(int boardType);
// Board types slow enough to get a 10000 ms time-out from the start.
bool IsSlowBoard(int boardType);

constexpr int kUnknownBoardType = 255;

} // namespace corvid::visaio
