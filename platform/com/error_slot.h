// The per-thread error information slot of the shared runtime (libcorvidcom.so), and the
// error objects it holds. One copy per process, whichever modules link the component library.
#pragma once

#include "com/error_info.h"

// Stores info (taking over the caller's reference) as the thread's error information
// and returns the previous one (handing its reference to the caller).
extern "C" __attribute__((visibility("default"))) corvid::com::IErrorInfo*
corvid_com_exchange_error_info(corvid::com::IErrorInfo* info);

// A new error object, made by the runtime so that it outlives any module that reports an error.
extern "C" __attribute__((visibility("default"))) corvid::com::HRESULT
corvid_com_create_error_info(corvid::com::ICreateErrorInfo** info);
