#include "instrument.h"

#include "com/error_info.h"
#include "lua_log.h"
#include "lua_variant.h"
#include "script_context.h"

namespace corvid::script {

using namespace com;

namespace {

// The interface an instrument is driven through.
constexpr char kInstrumentInterface[] = "IGpib";

// Interface hands out any of the object's interfaces typed as IDispatch, also custom
// ones whose slots after QueryInterface, AddRef and Release are not IDispatch's. An
// interface is taken for a dispatch interface only when it is the object's IDispatch.
bool IsDispatchInterface(IDispatch* given) {
    ComPtr<IUnknown> dispatch;
    given->QueryInterface(IDispatch::iid, dispatch.OutVoid());
    return dispatch && static_cast<void*>(dispatch.get()) == static_cast<void*>(given);
}

std::string SetupFailureText(const ScriptObject& object, REFIID iid, const std::string& member, HRESULT hr) {
    auto details = TakeErrorDetails();
    if (details && !details->description.empty() && SupportsErrorInfo(object.identity.get(), iid))
        return details->description;
    return member + ": " + ResultText(hr);
}

// Calls a member of a setup interface; its failure becomes a Lua error with the
// description of the error information the object set.
template <class Call>
void SetupCall(lua_State* L, const ScriptObject& object, REFIID iid, const std::string& member, Call call) {
    ComponentCall guard(L);
    SetErrorInfo(0, nullptr);
    HRESULT hr = call();
    guard.Finish();
    if (FAILED(hr))
        RaiseError(L, SetupFailureText(object, iid, member, hr));
}

IInitializeGpib& GpibSetup(lua_State* L, const ScriptObject& object, const std::string& member) {
    if (!object.gpibSetup)
        RaiseError(L, "'" + member + "' needs an instrument that offers IInitializeGpib");
    return *object.gpibSetup;
}

struct GpibProperty {
    const char* name;
    HRESULT (IInitializeGpib::*get)(LONG*);
    HRESULT (IInitializeGpib::*put)(LONG);
};

constexpr GpibProperty kGpibProperties[] = {
    {"BoardAddress", &IInitializeGpib::get_BoardAddress, &IInitializeGpib::put_BoardAddress},
    {"PrimaryAddress", &IInitializeGpib::get_PrimaryAddress, &IInitializeGpib::put_PrimaryAddress},
    {"SecondaryAddress", &IInitializeGpib::get_SecondaryAddress, &IInitializeGpib::put_SecondaryAddress},
    {"TimeOut", &IInitializeGpib::get_TimeOut, &IInitializeGpib::put_TimeOut},
};

const GpibProperty* FindGpibProperty(const std::string& name) {
    for (const auto& property : kGpibProperties)
        if (NamesEqual(property.name, name))
            return &property;
    return nullptr;
}

// The object a setup member takes: a table becomes a property bag.
ComPtr<IUnknown> SettingsObject(lua_State* L, int index, const char* member) {
    if (lua_istable(L, index)) {
        std::string problem;
        try {
            return ComPtr<IUnknown>(BagFromTable(L, index).get());
        } catch (const ConversionError& error) {
            problem = error.what();
        }
        RaiseError(L, std::string("bad settings for '") + member + "' (" + problem + ")");
    }
    if (lua_isnoneornil(L, index))
        return nullptr;
    ScriptObject* object = ToObject(L, index);
    if (!object || object->Released())
        RaiseError(L, std::string("bad argument #1 to '") + member + "' (table or object expected, got " +
                          luaL_typename(L, index) + ")");
    return object->identity;
}

void Initialize(lua_State* L, ScriptObject& object) {
    SetupCall(L, object, IInitialize::iid, "Initialize", [&] { return object.setup->Initialize(); });
}

void InitializeData(lua_State* L, ScriptObject& object, int index) {
    ComPtr<IUnknown> settings = SettingsObject(L, index, "InitializeData");
    SetupCall(L, object, IInitialize::iid, "InitializeData",
              [&] { return object.setup->InitializeData(settings.get()); });
}

void SetLog(lua_State* L, ScriptObject& object, int index) {
    ComPtr<IUnknown> log = LogObjectFor(L, index);
    SetupCall(L, object, IInitialize::iid, "LogInterface",
              [&] { return object.setup->put_LogInterface(log.get()); });
}

// The instrument a setup method is called on.
ScriptObject& CheckInstrument(lua_State* L, const char* method) {
    ScriptObject& object = CheckObject(L, 1, method);
    if (!object.setup)
        RaiseError(L, std::string("'") + method + "' needs an instrument object");
    return object;
}

int MethodInitialize(lua_State* L) {
    Initialize(L, CheckInstrument(L, "Initialize"));
    return 0;
}

int MethodInitializeData(lua_State* L) {
    InitializeData(L, CheckInstrument(L, "InitializeData"), 2);
    return 0;
}

int MethodSaveData(lua_State* L) {
    ScriptObject& object = CheckInstrument(L, "SaveData");
    ComPtr<IUnknown> bag = SettingsObject(L, 2, "SaveData");
    SetupCall(L, object, IInitialize::iid, "SaveData", [&] { return object.setup->SaveData(bag.get()); });
    return 0;
}

int MethodClose(lua_State* L) {
    CloseInstrument(L, CheckInstrument(L, "Close"));
    return 0;
}

// Interface(name): the named interface; a dispatch interface as an object called
// through it, any other (IInitialize, IInitializeGpib) as the instrument object again.
int MethodInterface(lua_State* L) {
    ScriptObject& object = CheckInstrument(L, "Interface");
    Bstr name(std::string_view(luaL_checkstring(L, 2)));
    ComPtr<IDispatch> given;
    SetupCall(L, object, IInitialize::iid, "Interface",
              [&] { return object.setup->get_Interface(name.get(), given.Out()); });
    if (!given)
        return 0;
    if (IsDispatchInterface(given.get())) {
        PushObject(L, ScriptObject::FromDispatch(given.get()));
        return 1;
    }
    ScriptObject instrument;
    instrument.identity = object.identity;
    instrument.setup = object.setup;
    instrument.gpibSetup = object.gpibSetup;
    PushObject(L, std::move(instrument));
    return 1;
}

struct SetupMethod {
    const char* name;
    lua_CFunction function;
};

constexpr SetupMethod kSetupMethods[] = {
    {"Initialize", &Guarded<MethodInitialize>}, {"InitializeData", &Guarded<MethodInitializeData>},
    {"SaveData", &Guarded<MethodSaveData>},     {"Close", &Guarded<MethodClose>},
    {"Interface", &Guarded<MethodInterface>},
};

const SetupMethod* FindSetupMethod(const std::string& name) {
    for (const auto& method : kSetupMethods)
        if (NamesEqual(method.name, name))
            return &method;
    return nullptr;
}

// A new object of the class, held through its setup interfaces.
ScriptObject CreateSetupObject(lua_State* L, const std::string& progId, const char* function) {
    ComPtr<IInitialize> setup;
    CreateComponent(L, progId, IInitialize::iid, setup.OutVoid(), function);
    ScriptObject object;
    setup->QueryInterface(IUnknown::iid, object.identity.OutVoid());
    setup.As(object.gpibSetup);
    object.setup = std::move(setup);
    return object;
}

// NewInstrument(progid): an instrument object not yet set up.
int NewInstrument(lua_State* L) {
    std::string progId = luaL_checkstring(L, 1);
    PushObject(L, CreateSetupObject(L, progId, "NewInstrument"));
    return 1;
}

// CreateInstrument(progid [, settings [, log]]): created, given its settings and log,
// initialised, and ready to be driven through its IGpib.
int CreateInstrument(lua_State* L) {
    std::string progId = luaL_checkstring(L, 1);
    ScriptObject object = CreateSetupObject(L, progId, "CreateInstrument");
    if (!lua_isnoneornil(L, 2))
        InitializeData(L, object, 2);
    if (!lua_isnoneornil(L, 3))
        SetLog(L, object, 3);
    Initialize(L, object);
    EnsureDispatch(L, object);
    PushObject(L, std::move(object));
    return 1;
}

} // namespace

IDispatch* EnsureDispatch(lua_State* L, ScriptObject& object) {
    if (object.dispatch)
        return object.dispatch.get();
    if (!object.setup)
        RaiseError(L, "the object has no dispatch interface");
    Bstr name(std::string_view{kInstrumentInterface});
    ComPtr<IDispatch> dispatch;
    SetupCall(L, object, IInitialize::iid, "Interface",
              [&] { return object.setup->get_Interface(name.get(), dispatch.Out()); });
    if (!dispatch || !IsDispatchInterface(dispatch.get()))
        RaiseError(L, std::string("the instrument gave no dispatch interface for ") + kInstrumentInterface);
    object.SetDispatch(std::move(dispatch));
    return object.dispatch.get();
}

bool IndexSetup(lua_State* L, ScriptObject& object, const std::string& name) {
    if (NamesEqual(name, "InstanceName")) {
        Bstr text;
        SetupCall(L, object, IInitialize::iid, name,
                  [&] { return object.setup->get_InstanceName(text.Out()); });
        std::string utf8 = text.Utf8();
        lua_pushlstring(L, utf8.data(), utf8.size());
        return true;
    }
    if (const GpibProperty* property = FindGpibProperty(name)) {
        IInitializeGpib& gpib = GpibSetup(L, object, name);
        LONG value = 0;
        SetupCall(L, object, IInitializeGpib::iid, name, [&] { return (gpib.*property->get)(&value); });
        lua_pushinteger(L, value);
        return true;
    }
    if (NamesEqual(name, "LogInterface"))
        RaiseError(L, "property 'LogInterface' is write-only");
    if (const SetupMethod* method = FindSetupMethod(name)) {
        lua_pushcfunction(L, method->function);
        return true;
    }
    return false;
}

bool AssignSetup(lua_State* L, ScriptObject& object, const std::string& name, int valueIndex) {
    if (NamesEqual(name, "LogInterface")) {
        SetLog(L, object, valueIndex);
        return true;
    }
    if (FindSetupMethod(name))
        RaiseError(L, "'" + name + "' is a method, not a property");
    bool text = NamesEqual(name, "InstanceName");
    const GpibProperty* property = text ? nullptr : FindGpibProperty(name);
    if (!text && !property)
        return false;
    Variant value;
    std::string problem;
    try {
        ToVariantAs(L, valueIndex, text ? VT_BSTR : VT_I4, value);
    } catch (const ConversionError& error) {
        problem = error.what();
    }
    if (!problem.empty())
        RaiseError(L, "bad value for '" + name + "' (" + problem + ")");
    if (text) {
        SetupCall(L, object, IInitialize::iid, name,
                  [&] { return object.setup->put_InstanceName(value.bstrVal); });
        return true;
    }
    IInitializeGpib& gpib = GpibSetup(L, object, name);
    SetupCall(L, object, IInitializeGpib::iid, name, [&] { return (gpib.*property->put)(value.lVal); });
    return true;
}

void CloseInstrument(lua_State* L, ScriptObject& object) {
    SetupCall(L, object, IInitialize::iid, "Close", [&] { return object.setup->Close(); });
}

void OpenInstrumentFunctions(lua_State* L) {
    lua_register(L, "NewInstrument", &Guarded<NewInstrument>);
    lua_register(L, "CreateInstrument", &Guarded<CreateInstrument>);
}

} // namespace corvid::script
