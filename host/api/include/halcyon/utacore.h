// UTACORE: the host's variable tables ("System", "TestPlanGlobals") and its error state.
#pragma once

#include "halcyon/api_export.h"

#include <cstdint>

using UtaHandle = std::intptr_t;

// The handle of variable name in table (names compare without regard to case), 0 when
// absent. The two flags are accepted for the classic call and ignored.
HALCYON_API UtaHandle UtaTableRegFindData(const char* name, int searchFlags, const char* table,
                                          int tableFlags);
// Writes a text; an integer variable takes the text's decimal value. 0 for a bad handle.
HALCYON_API int UtaStringSetValue(UtaHandle variable, const char* value);
// The variable's value as text (an integer in decimal); "" for a bad handle. Valid until
// the variable is written again or the plan is unloaded.
HALCYON_API const char* UtaStringGetValue(UtaHandle variable);
HALCYON_API int UtaInt32SetValue(UtaHandle variable, std::int32_t value);
// The variable's value as an integer (a text's leading decimal value); 0 for a bad handle.
HALCYON_API std::int32_t UtaInt32GetValue(UtaHandle variable);
// Non-zero when the test that ended last raised an error (or was aborted).
HALCYON_API int UtaExcRegIsError(int reserved);
// Non-zero: aborts the running sequence. The running test ends as errored at its next
// instrument call or within 100 ms of script execution; later tests of the sequence end
// the same way until VStopSequence. Safe from any thread and from a signal handler.
HALCYON_API int UtaSetOperatorAbort(int abort);
