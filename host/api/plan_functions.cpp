#include "plan_functions.h"

#include "configuration_reader.h"
#include "plan_library.h"
#include "read_only_query.h"
#include "test_suite.h"
#include "variable_tables.h"

#include <cmath>
#include <cstdio>
#include <lua.hpp>
#include <stdexcept>

namespace corvid::host {
namespace {

std::string JoinArguments(lua_State* L) {
    std::string text;
    int count = lua_gettop(L);
    for (int i = 1; i <= count; ++i) {
        std::size_t length = 0;
        const char* part = luaL_tolstring(L, i, &length);
        text.append(part, length);
        lua_pop(L, 1);
    }
    return text;
}

// Report(...): one line of the report stream.
int Report(lua_State* L) {
    PlanContextOf(L).environment->SendReport(JoinArguments(L) + "\n");
    return 0;
}

// Trace(...): one line of the trace stream.
int Trace(lua_State* L) {
    PlanContextOf(L).environment->SendTrace(JoinArguments(L) + "\n");
    return 0;
}

int Variant(lua_State* L) {
    lua_pushstring(L, PlanContextOf(L).environment->SelectedVariant().c_str());
    return 1;
}

// Measure(name, value, low, high [, unit]): checks a reading against its limits, reports
// it and counts it in the test's judgement. A missing or undefined reading is indeterminate.
int Measure(lua_State* L) {
    const char* name = luaL_checkstring(L, 1);
    double low = luaL_checknumber(L, 3);
    double high = luaL_checknumber(L, 4);
    const char* unit = luaL_optstring(L, 5, "");
    luaL_argcheck(L, low <= high, 4, "the high limit is below the low limit");
    PlanContext& context = PlanContextOf(L);
    bool numeric = lua_type(L, 2) == LUA_TNUMBER && !std::isnan(lua_tonumber(L, 2));
    double value = numeric ? lua_tonumber(L, 2) : 0.0;
    const char* verdict = "INDETERMINATE";
    if (!numeric) {
        if (context.judgement == 0)
            context.judgement = 2;
    } else if (value >= low && value <= high) {
        verdict = "PASSED";
    } else {
        verdict = "FAILED";
        context.judgement = 1;
    }
    char line[512];
    if (numeric)
        std::snprintf(line, sizeof line, "  %-32s %+.10g %s  limits [%+.10g, %+.10g]  %s\n", name, value,
                      unit, low, high, verdict);
    else
        std::snprintf(line, sizeof line, "  %-32s no reading  limits [%+.10g, %+.10g]  %s\n", name, low, high,
                      verdict);
    context.environment->SendReport(line);
    lua_pushboolean(L, std::string_view(verdict) == "PASSED");
    return 1;
}

// Judgement(): the verdict of the running test's measurements so far.
int Judgement(lua_State* L) {
    lua_pushinteger(L, PlanContextOf(L).judgement);
    return 1;
}

// ConfigValue(section, key): the station configuration's value, "" when missing, read
// through the configuration component; an error when the component or its store is missing.
int ConfigValue(lua_State* L) {
    const char* section = luaL_checkstring(L, 1);
    const char* key = luaL_checkstring(L, 2);
    std::string value;
    std::string failure = ReadConfiguration(section, key, value);
    if (!failure.empty())
        return luaL_error(L, "%s", failure.c_str());
    lua_pushlstring(L, value.data(), value.size());
    return 1;
}

QueryValue ToQueryValue(lua_State* L, int index) {
    switch (lua_type(L, index)) {
    case LUA_TNIL:
        return std::monostate{};
    case LUA_TBOOLEAN:
        return std::int64_t{lua_toboolean(L, index) ? 1 : 0};
    case LUA_TNUMBER:
        if (lua_isinteger(L, index))
            return static_cast<std::int64_t>(lua_tointeger(L, index));
        return static_cast<double>(lua_tonumber(L, index));
    case LUA_TSTRING:
        return std::string(lua_tostring(L, index));
    default:
        luaL_error(L, "a query parameter is nil, a boolean, a number or a text, not a %s",
                   luaL_typename(L, index));
        return std::monostate{};
    }
}

std::vector<QueryParameter> QueryParameters(lua_State* L, int index) {
    std::vector<QueryParameter> parameters;
    if (lua_isnoneornil(L, index))
        return parameters;
    luaL_checktype(L, index, LUA_TTABLE);
    lua_Integer count = luaL_len(L, index);
    for (lua_Integer i = 1; i <= count; ++i) {
        lua_geti(L, index, i);
        parameters.emplace_back("", ToQueryValue(L, -1));
        lua_pop(L, 1);
    }
    lua_pushnil(L);
    while (lua_next(L, index)) {
        if (lua_type(L, -2) == LUA_TSTRING)
            parameters.emplace_back(lua_tostring(L, -2), ToQueryValue(L, -1));
        lua_pop(L, 1);
    }
    return parameters;
}

void PushQueryValue(lua_State* L, const QueryValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        lua_pushinteger(L, static_cast<lua_Integer>(*integer));
    else if (const auto* real = std::get_if<double>(&value))
        lua_pushnumber(L, *real);
    else if (const auto* text = std::get_if<std::string>(&value))
        lua_pushlstring(L, text->data(), text->size());
    else
        lua_pushnil(L);
}

// QueryDatabase(path, sql [, parameters]): the rows as tables keyed by column name.
int QueryDatabase(lua_State* L) {
    std::string path = luaL_checkstring(L, 1);
    std::string sql = luaL_checkstring(L, 2);
    std::vector<QueryParameter> parameters = QueryParameters(L, 3);
    std::vector<QueryRow> rows;
    std::string failure;
    try {
        rows = QueryReadOnly(path, sql, parameters);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty())
        return luaL_error(L, "%s", failure.c_str());
    lua_createtable(L, static_cast<int>(rows.size()), 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        lua_createtable(L, 0, static_cast<int>(rows[r].size()));
        for (const auto& [column, value] : rows[r]) {
            PushQueryValue(L, value);
            lua_setfield(L, -2, column.c_str());
        }
        lua_rawseti(L, -2, static_cast<lua_Integer>(r + 1));
    }
    return 1;
}

// The tables System and TestPlanGlobals: reading a variable gives its value (nil when
// absent), writing one sets it (an error when absent).
int ReadVariable(lua_State* L) {
    const char* table = lua_tostring(L, lua_upvalueindex(1));
    const char* name = luaL_checkstring(L, 2);
    VariableTables& variables = PlanContextOf(L).environment->Variables();
    Variable* variable = variables.Get(variables.Find(table, name));
    if (!variable)
        lua_pushnil(L);
    else if (variable->integer())
        lua_pushinteger(L, variable->number());
    else
        lua_pushstring(L, variable->text().c_str());
    return 1;
}

int WriteVariable(lua_State* L) {
    const char* table = lua_tostring(L, lua_upvalueindex(1));
    const char* name = luaL_checkstring(L, 2);
    VariableTables& variables = PlanContextOf(L).environment->Variables();
    Variable* variable = variables.Get(variables.Find(table, name));
    if (!variable)
        return luaL_error(L, "%s has no variable %s", table, name);
    if (lua_type(L, 3) == LUA_TBOOLEAN) {
        variable->SetNumber(lua_toboolean(L, 3) ? 1 : 0);
    } else if (variable->integer() && lua_type(L, 3) == LUA_TNUMBER) {
        lua_Integer value = 0;
        if (!lua_isinteger(L, 3) || (value = lua_tointeger(L, 3)) < INT32_MIN || value > INT32_MAX)
            return luaL_error(L, "%s.%s takes a 32-bit integer", table, name);
        variable->SetNumber(static_cast<std::int32_t>(value));
    } else if (lua_type(L, 3) == LUA_TSTRING || lua_type(L, 3) == LUA_TNUMBER) {
        variable->SetText(lua_tostring(L, 3));
    } else {
        return luaL_error(L, "%s.%s takes a number or a text, not a %s", table, name, luaL_typename(L, 3));
    }
    return 0;
}

void OpenVariableTable(lua_State* L, const char* table) {
    lua_newtable(L);
    lua_createtable(L, 0, 2);
    lua_pushstring(L, table);
    lua_pushcclosure(L, &ReadVariable, 1);
    lua_setfield(L, -2, "__index");
    lua_pushstring(L, table);
    lua_pushcclosure(L, &WriteVariable, 1);
    lua_setfield(L, -2, "__newindex");
    lua_setmetatable(L, -2);
    lua_setglobal(L, table);
}

} // namespace

void OpenPlanFunctions(lua_State* L) {
    lua_register(L, "Report", &Report);
    lua_register(L, "Trace", &Trace);
    lua_register(L, "Variant", &Variant);
    lua_register(L, "Measure", &Measure);
    lua_register(L, "Judgement", &Judgement);
    lua_register(L, "ConfigValue", &ConfigValue);
    lua_register(L, "QueryDatabase", &QueryDatabase);
    OpenVariableTable(L, "System");
    OpenVariableTable(L, "TestPlanGlobals");
}

} // namespace corvid::host
