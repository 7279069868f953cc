// Instrument objects: components set up the way a test executive sets them up, through
// the custom interfaces IInitialize and IInitializeGpib, and then driven through the
// dispatch interface their Interface("IGpib") gives.
#pragma once

#include "script_object.h"

#include <lua.hpp>
#include <string>

namespace corvid::script {

// Registers CreateInstrument and NewInstrument.
void OpenInstrumentFunctions(lua_State* L);

// The setup members of an instrument (InstanceName, BoardAddress, ..., Initialize,
// Close, Interface, ...). Index pushes the property's value or the method; both
// return false for a name that is not a setup member.
bool IndexSetup(lua_State* L, ScriptObject& object, const std::string& name);
bool AssignSetup(lua_State* L, ScriptObject& object, const std::string& name, int valueIndex);

// IInitialize::Close, raising its error.
void CloseInstrument(lua_State* L, ScriptObject& object);

} // namespace corvid::script
