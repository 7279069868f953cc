// A log written in Lua, for the objects that write their steps to an ILog: a function
// called with the four texts (log name, entry, status, "PASSED"/"FAILED"), a table
// with a Log method called the same way, or a table that collects each entry as
// {LogName =, Entry =, Status =, Result =}.
#pragma once

#include "com/com_ptr.h"
#include "com/unknown.h"

#include <lua.hpp>

namespace corvid::script {

// The log for the value at index: a Lua log for a function or table, the object itself
// for a component object, null for nil. Raises an error for anything else.
com::ComPtr<com::IUnknown> LogObjectFor(lua_State* L, int index);

} // namespace corvid::script
