// The functions a test body calls: Report, Trace, Measure, Variant, ConfigValue,
// QueryDatabase, and the variable tables System and TestPlanGlobals.
#pragma once

struct lua_State;

namespace corvid::host {

void OpenPlanFunctions(lua_State* L);

} // namespace corvid::host
