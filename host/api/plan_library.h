// The functions a test plan finds in its Lua state: declarations (TestPlan, Test), the
// report and trace streams, measurements against limits, the host variables (System,
// TestPlanGlobals), the configuration and read-only database queries.
#pragma once

struct lua_State;

namespace corvid::host {

struct PlanContext;

void OpenPlanLibrary(lua_State* L, PlanContext* context);
PlanContext& PlanContextOf(lua_State* L);
// Makes plain Lua execution ask the host for an interruption about every thousand
// instructions, so that a loop without instrument calls can be aborted too.
void WatchForInterruption(lua_State* L);

} // namespace corvid::host
