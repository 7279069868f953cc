// A component object as a Lua value: a full userdata holding the object's references.
// Fields read and written on it call the object's members by name through IDispatch;
// an instrument object also answers the members of its setup interfaces.
#pragma once

#include "com/com_ptr.h"
#include "com/dispatch.h"
#include "com/type_library.h"
#include "script/instrument_interfaces.h"

#include <lua.hpp>
#include <string>

namespace corvid::script {

struct ScriptObject {
    com::ComPtr<com::IUnknown> identity;
    // The interface members are called through; fetched on first use for instruments.
    com::ComPtr<com::IDispatch> dispatch;
    // What the dispatch interface's type information says about its members; null
    // when it gives none.
    const com::InterfaceDescription* description = nullptr;
    // Instruments only.
    com::ComPtr<IInitialize> setup;
    com::ComPtr<IInitializeGpib> gpibSetup;

    // An object reached through the given interface; identity and the rest by query.
    static ScriptObject FromDispatch(com::IDispatch* object);
    static ScriptObject FromUnknown(com::IUnknown* object);

    void SetDispatch(com::ComPtr<com::IDispatch> object);
    void ReleaseAll();
    bool Released() const { return !identity; }
};

// The metatable of objects; called once per state.
void RegisterObjectType(lua_State* L);

void PushObject(lua_State* L, ScriptObject object);
// The object at index, or null when the value is no object.
ScriptObject* ToObject(lua_State* L, int index);
// The live object at index; raises an error naming member when the value is no object
// (a method called with '.' instead of ':') or has been released.
ScriptObject& CheckObject(lua_State* L, int index, const char* member);

// A new object of a class (ProgID or braced class identifier), asked for iid. Raises
// an error with the description of what went wrong; `function` names the caller in
// messages that have no description.
void CreateComponent(lua_State* L, const std::string& progId, const com::IID& iid, void** object,
                     const char* function);

// The dispatch interface of the object; for an instrument, its IGpib fetched through
// Interface on first use. Raises an error when there is none.
com::IDispatch* EnsureDispatch(lua_State* L, ScriptObject& object);

} // namespace corvid::script
