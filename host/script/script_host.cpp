#include "script/script_host.h"

#include "globals.h"
#include "instrument.h"
#include "script_context.h"
#include "script_object.h"

#include <new>
#include <stdexcept>

namespace corvid::script {

namespace {

// The message handler of every run: whatever a script raised becomes a text.
int MessageHandler(lua_State* L) {
    if (lua_type(L, 1) == LUA_TSTRING)
        return 1;
    if (luaL_callmeta(L, 1, "__tostring") && lua_type(L, -1) == LUA_TSTRING)
        return 1;
    lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
    return 1;
}

int OpenLibraries(lua_State* L) {
    luaL_openlibs(L);
    RegisterObjectType(L);
    OpenGlobals(L);
    OpenInstrumentFunctions(L);
    return 0;
}

// The bindings keep their objects in C++ guards, so a Lua error must unwind C++ frames
// as an exception does: true only with the C++ build of Lua.
struct SetOnDestruction {
    bool* flag;
    ~SetOnDestruction() { *flag = true; }
};

int RaiseThroughGuard(lua_State* L) {
    SetOnDestruction guard{static_cast<bool*>(lua_touserdata(L, 1))};
    lua_pushliteral(L, "unwinding check");
    return lua_error(L);
}

bool ErrorsUnwindFrames(lua_State* L) {
    bool unwound = false;
    lua_pushcfunction(L, &RaiseThroughGuard);
    lua_pushlightuserdata(L, &unwound);
    lua_pcall(L, 1, 0, 0);
    lua_pop(L, 1);
    return unwound;
}

// A chunk to run: loaded, given its arguments and called inside the protected run.
struct Chunk {
    const std::string* path = nullptr; // a file, or else
    std::string_view code;             // code with this name
    const std::string* name = nullptr;
    const std::vector<std::string>* args = nullptr;
};

int RunChunk(lua_State* L) {
    const auto& chunk = *static_cast<const Chunk*>(lua_touserdata(L, 1));
    int status = chunk.path
                     ? luaL_loadfile(L, chunk.path->c_str())
                     : luaL_loadbufferx(L, chunk.code.data(), chunk.code.size(), chunk.name->c_str(), "t");
    if (status != LUA_OK)
        return lua_error(L);
    int count = chunk.args ? static_cast<int>(chunk.args->size()) : 0;
    if (chunk.path) {
        lua_createtable(L, count, 1);
        lua_pushstring(L, chunk.path->c_str());
        lua_rawseti(L, -2, 0);
        for (int i = 0; i < count; ++i) {
            lua_pushstring(L, (*chunk.args)[i].c_str());
            lua_rawseti(L, -2, i + 1);
        }
        lua_setglobal(L, "arg");
    }
    luaL_checkstack(L, count, "too many arguments");
    for (int i = 0; i < count; ++i)
        lua_pushstring(L, (*chunk.args)[i].c_str());
    lua_call(L, count, 0);
    return 0;
}

} // namespace

ScriptHost::ScriptHost(ScriptOptions options) : context_(std::make_shared<ScriptContext>()) {
    context_->options = std::move(options);
    lua_State* L = luaL_newstate();
    if (!L)
        throw std::bad_alloc();
    context_->main = L;
    AttachContext(L, context_.get());
    if (!ErrorsUnwindFrames(L)) {
        lua_close(L);
        context_->main = nullptr;
        throw std::logic_error("the script host needs the C++ build of Lua 5.4 (liblua5.4-c++)");
    }
    lua_pushcfunction(L, &OpenLibraries);
    if (lua_pcall(L, 0, 0, 0) != LUA_OK) {
        lua_close(L);
        context_->main = nullptr;
        throw std::bad_alloc();
    }
}

ScriptHost::~ScriptHost() {
    if (!context_->main)
        return;
    lua_close(context_->main); // the objects' finalizers release them
    context_->main = nullptr;
    context_->active = nullptr;
}

lua_State* ScriptHost::state() const {
    return context_->main;
}

ScriptOutcome ScriptHost::RunFile(const std::string& path, const std::vector<std::string>& args) {
    Chunk chunk;
    chunk.path = &path;
    chunk.args = &args;
    lua_State* L = state();
    lua_pushcfunction(L, &Guarded<RunChunk>);
    lua_pushlightuserdata(L, &chunk);
    return Call(1, 0);
}

ScriptOutcome ScriptHost::RunString(std::string_view code, const std::string& chunkName) {
    Chunk chunk;
    chunk.code = code;
    chunk.name = &chunkName;
    lua_State* L = state();
    lua_pushcfunction(L, &Guarded<RunChunk>);
    lua_pushlightuserdata(L, &chunk);
    return Call(1, 0);
}

ScriptOutcome ScriptHost::Call(int nargs, int nresults) {
    lua_State* L = state();
    int base = lua_gettop(L) - nargs; // the function's slot
    if (!lua_checkstack(L, 1))
        return {false, "not enough memory"};
    lua_pushcfunction(L, &MessageHandler);
    lua_insert(L, base);
    int status = lua_pcall(L, nargs, nresults, base);
    ScriptOutcome outcome;
    if (status != LUA_OK) {
        const char* message = lua_tostring(L, -1);
        outcome = {false, message ? message : "unknown error"};
        lua_pop(L, 1);
    }
    lua_remove(L, base);
    return outcome;
}

} // namespace corvid::script
