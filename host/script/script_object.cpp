#include "script_object.h"

#include "com/creation.h"
#include "com/error_info.h"
#include "dispatch_call.h"
#include "instrument.h"
#include "script_context.h"

#include <new>
#include <string>

namespace corvid::script {

using namespace com;

namespace {

constexpr char kObjectType[] = "corvid.object";

// The member name of a field access; only strings name members.
std::string MemberName(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TSTRING)
        RaiseError(L, std::string("member names are strings, not ") + luaL_typename(L, index) + "s");
    return lua_tostring(L, index);
}

int ObjectIndex(lua_State* L) {
    ScriptObject& object = CheckObject(L, 1, nullptr);
    std::string name = MemberName(L, 2);
    if (object.setup && IndexSetup(L, object, name))
        return 1;
    return IndexDispatch(L, object, name);
}

int ObjectNewIndex(lua_State* L) {
    ScriptObject& object = CheckObject(L, 1, nullptr);
    std::string name = MemberName(L, 2);
    if (object.setup && AssignSetup(L, object, name, 3))
        return 0;
    AssignDispatch(L, object, name, 3);
    return 0;
}

// Runs when the object is collected or the state closes: the references go. A log
// written meanwhile has no script call to report its error to.
int ObjectGc(lua_State* L) {
    auto* object = static_cast<ScriptObject*>(luaL_checkudata(L, 1, kObjectType));
    ScriptContext& context = ContextOf(L);
    auto outerError = std::move(context.pendingError);
    context.pendingError.reset();
    {
        ActiveThread active(L);
        object->~ScriptObject();
    }
    context.pendingError = std::move(outerError);
    return 0;
}

// A to-be-closed variable: an instrument is closed; every object lets its references go.
int ObjectClose(lua_State* L) {
    ScriptObject* object = ToObject(L, 1);
    if (!object || object->Released())
        return 0;
    if (object->setup)
        CloseInstrument(L, *object);
    ActiveThread active(L);
    object->ReleaseAll();
    return 0;
}

int ObjectEquals(lua_State* L) {
    ScriptObject* a = ToObject(L, 1);
    ScriptObject* b = ToObject(L, 2);
    lua_pushboolean(L, a && b && !a->Released() && a->identity == b->identity);
    return 1;
}

int ObjectToString(lua_State* L) {
    ScriptObject* object = ToObject(L, 1);
    if (!object || object->Released()) {
        lua_pushstring(L, "released object");
        return 1;
    }
    const char* kind = object->setup ? "instrument" : "object";
    void* identity = object->identity.get();
    if (object->description)
        lua_pushfstring(L, "%s %s: %p", object->description->name, kind, identity);
    else
        lua_pushfstring(L, "%s: %p", kind, identity);
    return 1;
}

} // namespace

ScriptObject ScriptObject::FromDispatch(IDispatch* object) {
    ScriptObject result;
    object->QueryInterface(IUnknown::iid, result.identity.OutVoid());
    result.SetDispatch(ComPtr<IDispatch>(object));
    return result;
}

ScriptObject ScriptObject::FromUnknown(IUnknown* object) {
    ScriptObject result;
    object->QueryInterface(IUnknown::iid, result.identity.OutVoid());
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(object->QueryInterface(IDispatch::iid, dispatch.OutVoid())))
        result.SetDispatch(std::move(dispatch));
    return result;
}

void ScriptObject::SetDispatch(ComPtr<IDispatch> object) {
    dispatch = std::move(object);
    description = nullptr;
    ComPtr<ITypeInfo> info;
    if (dispatch && SUCCEEDED(dispatch->GetTypeInfo(0, 0, info.Out())) && info)
        info->GetInterfaceDescription(&description);
}

void ScriptObject::ReleaseAll() {
    description = nullptr;
    gpibSetup = nullptr;
    setup = nullptr;
    dispatch = nullptr;
    identity = nullptr;
}

void CreateComponent(lua_State* L, const std::string& progId, REFIID iid, void** object,
                     const char* function) {
    HRESULT hr;
    {
        ComponentCall call(L);
        SetErrorInfo(0, nullptr);
        hr = CreateInstance(progId, iid, object);
        call.Finish();
    }
    if (SUCCEEDED(hr))
        return;
    auto details = TakeErrorDetails();
    if (details && !details->description.empty())
        RaiseError(L, details->description);
    RaiseError(L, std::string(function) + "(\"" + progId + "\"): " + ResultText(hr));
}

void RegisterObjectType(lua_State* L) {
    static constexpr luaL_Reg kMethods[] = {{"__index", &Guarded<ObjectIndex>},
                                            {"__newindex", &Guarded<ObjectNewIndex>},
                                            {"__gc", &ObjectGc},
                                            {"__close", &Guarded<ObjectClose>},
                                            {"__eq", &ObjectEquals},
                                            {"__tostring", &ObjectToString},
                                            {nullptr, nullptr}};
    luaL_newmetatable(L, kObjectType);
    luaL_setfuncs(L, kMethods, 0);
    lua_pushliteral(L, "component object"); // getmetatable(object) gives this, not the table
    lua_setfield(L, -2, "__metatable");
    lua_pop(L, 1);
}

void PushObject(lua_State* L, ScriptObject object) {
    void* memory = lua_newuserdatauv(L, sizeof(ScriptObject), 0);
    new (memory) ScriptObject(std::move(object));
    luaL_setmetatable(L, kObjectType);
}

ScriptObject* ToObject(lua_State* L, int index) {
    return static_cast<ScriptObject*>(luaL_testudata(L, index, kObjectType));
}

ScriptObject& CheckObject(lua_State* L, int index, const char* member) {
    ScriptObject* object = ToObject(L, index);
    if (!object) {
        std::string name = member ? member : "?";
        RaiseError(L, "'" + name + "' is a method: call it as object:" + name + "(...)");
    }
    if (object->Released())
        RaiseError(L, "the object has been released");
    return *object;
}

} // namespace corvid::script
