// PUBAPI: sequence control, callbacks and the report stream of the test-executive host.
//
// A test handle and a suite handle are non-zero while they are valid; 0 means absent.
// Every call runs on the caller's thread; callbacks are called from inside the call that
// raises the event (sequence and test events from inside VRunTest, the sequence end from
// VStopSequence). UtaSetOperatorAbort is the only call that may come from another thread.
#pragma once

#include "halcyon/api_export.h"

#include <cstdint>

using VTestHandle = std::intptr_t;

using VSequenceBeginProc = void (*)();
using VSequenceEndProc = void (*)(int result);
using VTestEventProc = void (*)(VTestHandle test);
// Returns non-zero when the message was written.
using VMessageProc = unsigned char (*)(const char* text);

HALCYON_API void VRegisterSequenceBegin(VSequenceBeginProc proc);
HALCYON_API void VRegisterSequenceEnd(VSequenceEndProc proc);
HALCYON_API void VRegisterTestBegin(VTestEventProc proc);
HALCYON_API void VRegisterTestEnd(VTestEventProc proc);
HALCYON_API void VRegisterSendReportMsg(VMessageProc proc);
HALCYON_API void VRegisterSendTraceMsg(VMessageProc proc);
HALCYON_API void VUnregisterSequenceBegin(VSequenceBeginProc proc);
HALCYON_API void VUnregisterSequenceEnd(VSequenceEndProc proc);
HALCYON_API void VUnregisterTestBegin(VTestEventProc proc);
HALCYON_API void VUnregisterTestEnd(VTestEventProc proc);
HALCYON_API void VUnregisterSendReportMsg(VMessageProc proc);
HALCYON_API void VUnregisterSendTraceMsg(VMessageProc proc);

// Loads a test plan (replacing the loaded one). Returns 1, or 0 when the file cannot be
// loaded; HalcyonLastError then says why ("file:line: message" for a Lua error).
HALCYON_API unsigned int VLoadTestsuite(const char* path);
// Selects a variant of the loaded plan by name (case ignored). 0 when the plan has no such variant.
HALCYON_API int VSetSelector(const char* variant);
// The handle of the named test of the loaded plan (case ignored); suite is ignored. 0 when absent.
HALCYON_API VTestHandle VFindTest(const char* suite, const char* name);
// Runs a test to its end. The first run after a load or a stop begins a sequence.
// Returns 1 when the test ran (whatever its outcome), 0 when it could not be started.
HALCYON_API int VRunTest(VTestHandle test);
// The test's name, "" for an invalid handle. Valid while the plan stays loaded.
HALCYON_API const char* VGetTestName(VTestHandle test);
// 0 passed, 1 failed, 2 indeterminate (also for a test that has not run or raised an error).
HALCYON_API int VTestJudgment(VTestHandle test);
// 0 nothing loaded, 1 loaded and idle, 8 while a sequence runs.
HALCYON_API int VGetState();
// Ends the running sequence (sequence-end callback). Returns 1 when one was running.
HALCYON_API int VStopSequence();
// Ends any sequence and unloads the plan.
HALCYON_API int VUnloadTestsuite();
// The loaded plan's handle, 0 when none is loaded.
HALCYON_API std::intptr_t VGetTestsuiteHandle();
// Asks the host program to close (see HalcyonSetAppExitProc).
HALCYON_API int VAppExit();
// Appends a text to the report stream and hands it to the report callbacks.
HALCYON_API int VSendReportMsg(const char* text);
