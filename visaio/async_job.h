// An asynchronous read or write of a session, as every session type keeps it until the
// transfer completes.
#pragma once

#include "visa/visa.h"

namespace corvid::visaio {

struct AsyncJob {
    ViJobId id = 0;
    bool read = false;
    ViBuf buffer = nullptr;
    ViUInt32 count = 0;
};

// A job identifier unique in the process, never 0 (VI_NULL).
ViJobId NewJobId();

} // namespace corvid::visaio
