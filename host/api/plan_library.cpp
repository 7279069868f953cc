// The declarations of a test plan (TestPlan, Test) and the interruption watch; the
// functions a test body calls are in plan_functions.cpp.
#include "plan_library.h"

#include "plan_functions.h"
#include "test_suite.h"
#include "variable_tables.h"

#include <lua.hpp>

namespace corvid::host {
namespace {

const char kContextKey = 0;

void RequireLoading(lua_State* L, const char* function) {
    if (!PlanContextOf(L).loading)
        luaL_error(L, "%s declares the plan and is called only while the plan loads", function);
}

std::vector<std::string> StringList(lua_State* L, int index, const char* what) {
    std::vector<std::string> list;
    if (lua_isnoneornil(L, index))
        return list;
    luaL_checktype(L, index, LUA_TTABLE);
    lua_Integer count = luaL_len(L, index);
    for (lua_Integer i = 1; i <= count; ++i) {
        lua_geti(L, index, i);
        if (lua_type(L, -1) != LUA_TSTRING)
            luaL_error(L, "%s: element %d is not a text", what, static_cast<int>(i));
        list.emplace_back(lua_tostring(L, -1));
        lua_pop(L, 1);
    }
    return list;
}

// TestPlan{Name = text, Variants = {text...}, Globals = {Name = value...}}
void ReadGlobals(lua_State* L, int index, PlanContext& context) {
    if (lua_isnil(L, index))
        return;
    luaL_checktype(L, index, LUA_TTABLE);
    lua_pushnil(L);
    while (lua_next(L, index)) {
        if (lua_type(L, -2) != LUA_TSTRING)
            luaL_error(L, "Globals: every variable has a name");
        PlanGlobal global{lua_tostring(L, -2), false, ""};
        int type = lua_type(L, -1);
        if (type == LUA_TBOOLEAN) {
            global.integer = true;
            global.value = lua_toboolean(L, -1) ? "1" : "0";
        } else if (lua_isinteger(L, -1)) {
            global.integer = true;
            global.value = std::to_string(lua_tointeger(L, -1));
        } else if (type == LUA_TSTRING) {
            global.value = lua_tostring(L, -1);
        } else {
            luaL_error(L, "Globals: %s is an integer, a boolean or a text, not a %s", global.name.c_str(),
                       luaL_typename(L, -1));
        }
        context.globals.push_back(std::move(global));
        lua_pop(L, 1);
    }
}

int DeclarePlan(lua_State* L) {
    RequireLoading(L, "TestPlan");
    luaL_checktype(L, 1, LUA_TTABLE);
    PlanContext& context = PlanContextOf(L);
    lua_getfield(L, 1, "Name");
    if (lua_isstring(L, -1))
        context.name = lua_tostring(L, -1);
    lua_getfield(L, 1, "Variants");
    context.variants = StringList(L, lua_gettop(L), "Variants");
    lua_getfield(L, 1, "Globals");
    ReadGlobals(L, lua_gettop(L), context);
    return 0;
}

// Test(name, [options,] body)
int DeclareTest(lua_State* L) {
    RequireLoading(L, "Test");
    PlanContext& context = PlanContextOf(L);
    PlanTest test;
    test.name = luaL_checkstring(L, 1);
    int body = 2;
    if (lua_istable(L, 2)) {
        lua_getfield(L, 2, "Variants");
        test.variants = StringList(L, lua_gettop(L), "Variants");
        lua_pop(L, 1);
        body = 3;
    }
    luaL_checktype(L, body, LUA_TFUNCTION);
    if (!context.testIndex.emplace(FoldedName(test.name), context.tests.size()).second)
        luaL_error(L, "the plan declares the test \"%s\" twice", test.name.c_str());
    lua_pushvalue(L, body);
    test.function = luaL_ref(L, LUA_REGISTRYINDEX);
    context.tests.push_back(std::move(test));
    return 0;
}

constexpr int kInstructionsPerCheck = 1000;

void InterruptionHook(lua_State* L, lua_Debug*) {
    std::string reason = PlanContextOf(L).environment->Interruption();
    if (reason.empty())
        return;
    // From now on every instruction raises the error again, so that a pcall cannot
    // swallow it and carry on: the error reaches the host level by level.
    lua_sethook(L, &InterruptionHook, LUA_MASKCOUNT, 1);
    luaL_error(L, "%s", reason.c_str());
}

} // namespace

PlanContext& PlanContextOf(lua_State* L) {
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kContextKey);
    auto* context = static_cast<PlanContext*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return *context;
}

void OpenPlanLibrary(lua_State* L, PlanContext* context) {
    lua_pushlightuserdata(L, context);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kContextKey);
    lua_register(L, "TestPlan", &DeclarePlan);
    lua_register(L, "Test", &DeclareTest);
    OpenPlanFunctions(L);
}

void WatchForInterruption(lua_State* L) {
    lua_sethook(L, &InterruptionHook, LUA_MASKCOUNT, kInstructionsPerCheck);
}

} // namespace corvid::host
