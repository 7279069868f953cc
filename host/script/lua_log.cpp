#include "lua_log.h"

#include "com/dispatch_impl.h"
#include "com/object.h"
#include "script/instrument_interfaces.h"
#include "script_context.h"
#include "script_object.h"

#include <memory>
#include <string>

namespace corvid::script {

using namespace com;

namespace {

constexpr ParamDescription kLogParams[] = {{"logName", VT_BSTR, kParamIn},
                                           {"entry", VT_BSTR, kParamIn},
                                           {"status", VT_BSTR, kParamIn},
                                           {"result", VT_BSTR, kParamIn}};
constexpr MemberDescription kLogMembers[] = {DispMethod<&ILog::LogEntry, kLogParams>("LogEntry", 1)};
constexpr InterfaceDescription kLogDescription{"ILog", ILog::iid, InterfaceKind::Dual, nullptr, kLogMembers};

// One entry on its way into Lua.
struct EntryTexts {
    int reference;
    BSTR texts[4];
};

void PushTexts(lua_State* L, const EntryTexts& entry) {
    for (BSTR text : entry.texts) {
        std::string utf8 = Utf8FromBstr(text);
        lua_pushlstring(L, utf8.data(), utf8.size());
    }
}

// Runs protected: whatever the log does wrong stays a Lua error.
int DeliverEntry(lua_State* L) {
    const auto& entry = *static_cast<const EntryTexts*>(lua_touserdata(L, 1));
    lua_rawgeti(L, LUA_REGISTRYINDEX, entry.reference); // the log, at 2
    if (lua_isfunction(L, 2)) {
        lua_pushvalue(L, 2);
        PushTexts(L, entry);
        lua_call(L, 4, 0);
        return 0;
    }
    if (lua_getfield(L, 2, "Log") != LUA_TNIL) {
        lua_pushvalue(L, 2);
        PushTexts(L, entry);
        lua_call(L, 5, 0);
        return 0;
    }
    lua_pop(L, 1);
    lua_createtable(L, 0, 4);
    PushTexts(L, entry);
    static constexpr const char* kFields[] = {"Result", "Status", "Entry", "LogName"};
    for (const char* field : kFields)
        lua_setfield(L, 3, field);
    lua_seti(L, 2, luaL_len(L, 2) + 1);
    return 0;
}

int DropReference(lua_State* L) {
    luaL_unref(L, LUA_REGISTRYINDEX, static_cast<int>(lua_tointeger(L, 1)));
    return 0;
}

class LuaLog final : public ComClass<LuaLog, DispatchImpl<ILog, kLogDescription>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<LuaLog, ILog>(), Entry<LuaLog, IDispatch, ILog>()};
        return table;
    }

    explicit LuaLog(std::shared_ptr<ScriptContext> context) : context_(std::move(context)) {}
    void Hold(int reference) { reference_ = reference; }

    HRESULT LogEntry(BSTR logName, BSTR entry, BSTR status, BSTR result) override {
        lua_State* L = State();
        if (!L)
            return E_UNEXPECTED;
        if (!lua_checkstack(L, 4))
            return E_OUTOFMEMORY;
        EntryTexts delivery{reference_, {logName, entry, status, result}};
        lua_pushcfunction(L, &Guarded<DeliverEntry>);
        lua_pushlightuserdata(L, &delivery);
        if (lua_pcall(L, 1, 0, 0) == LUA_OK)
            return S_OK;
        RememberError(L);
        return E_FAIL;
    }

private:
    // The state may be gone when an object outlives it; then the reference went with it.
    ~LuaLog() override {
        lua_State* L = State();
        if (!L || reference_ == LUA_NOREF || !lua_checkstack(L, 2))
            return;
        lua_pushcfunction(L, &DropReference);
        lua_pushinteger(L, reference_);
        if (lua_pcall(L, 1, 0, 0) != LUA_OK)
            lua_pop(L, 1);
    }

    lua_State* State() const { return context_->main ? context_->Current() : nullptr; }

    // Keeps the first error of the current call for the script; pops it.
    void RememberError(lua_State* L) {
        const char* text = lua_tostring(L, -1);
        try {
            if (!context_->pendingError)
                context_->pendingError = text ? text : "error in a log (error object is not a string)";
        } catch (const std::bad_alloc&) {
            // the error is lost; the component still learns that the log failed
        }
        lua_pop(L, 1);
    }

    std::shared_ptr<ScriptContext> context_;
    int reference_ = LUA_NOREF;
};

} // namespace

ComPtr<IUnknown> LogObjectFor(lua_State* L, int index) {
    switch (lua_type(L, index)) {
    case LUA_TNIL:
    case LUA_TNONE:
        return nullptr;
    case LUA_TFUNCTION:
    case LUA_TTABLE: {
        auto log = MakeObject<LuaLog>(ContextOf(L).shared_from_this());
        lua_pushvalue(L, index);
        log->Hold(luaL_ref(L, LUA_REGISTRYINDEX));
        return ComPtr<IUnknown>(static_cast<ILog*>(log.get()));
    }
    default:
        if (ScriptObject* object = ToObject(L, index); object && !object->Released())
            return object->identity;
        RaiseError(L, std::string("a log is a function, a table or an object, not a ") +
                          luaL_typename(L, index));
    }
}

} // namespace corvid::script
