// The per-thread error information slot of the shared runtime (libcorvidcom.so). One
// copy per process, whichever modules link the component library.
#pragma once

#include "com/error_info.h"

// Stores info (taking over the caller's reference) as the thread's error information
// and returns the previous one (handing its reference to the caller).
extern "C" __attribute__((visibility("default"))) corvid::com::IErrorInfo*
corvid_com_exchange_error_info(corvid::com::IErrorInfo* info);
