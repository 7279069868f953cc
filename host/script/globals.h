// The global functions of scripts besides the instrument ones: CreateObject,
// PropertyBag and sleep, and print when the host takes its lines.
#pragma once

#include <lua.hpp>

namespace corvid::script {

void OpenGlobals(lua_State* L);

} // namespace corvid::script
