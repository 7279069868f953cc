// Calling the members of a dispatch interface by name from Lua: [in] arguments in
// order, converted to the declared types; the retval, then the [out] values in order,
// as results. A failure raises a Lua error whose message is the error information's
// description.
#pragma once

#include "script_object.h"

#include <lua.hpp>
#include <string>

namespace corvid::script {

// The field `name` of an object: a property's value, or a function that calls the
// method (as object:Name(...)). Returns the number of values pushed.
int IndexDispatch(lua_State* L, ScriptObject& object, const std::string& name);

// Assigns the value at valueIndex to the property `name`.
void AssignDispatch(lua_State* L, ScriptObject& object, const std::string& name, int valueIndex);

} // namespace corvid::script
