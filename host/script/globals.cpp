#include "globals.h"

#include "lua_variant.h"
#include "script_context.h"
#include "script_object.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace corvid::script {

using namespace com;

namespace {

// How often a sleeping script asks the host whether to go on.
constexpr std::chrono::milliseconds kSleepSlice{20};

// CreateObject(progid): the object, driven through its default dispatch interface.
int CreateObjectFunction(lua_State* L) {
    std::string progId = luaL_checkstring(L, 1);
    ComPtr<IDispatch> dispatch;
    CreateComponent(L, progId, IDispatch::iid, dispatch.OutVoid(), "CreateObject");
    PushObject(L, ScriptObject::FromDispatch(dispatch.get()));
    return 1;
}

// PropertyBag(table): an in-memory property bag holding the table's values.
int PropertyBagFunction(lua_State* L) {
    std::string problem;
    try {
        ComPtr<IPropertyBag> bag = BagFromTable(L, 1);
        PushObject(L, ScriptObject::FromUnknown(bag.get()));
        return 1;
    } catch (const ConversionError& error) {
        problem = error.what();
    }
    RaiseError(L, "bad argument #1 to 'PropertyBag' (" + problem + ")");
}

// sleep(ms)
int SleepFunction(lua_State* L) {
    lua_Integer milliseconds = luaL_checkinteger(L, 1);
    luaL_argcheck(L, milliseconds >= 0, 1, "a time in milliseconds cannot be negative");
    using Clock = std::chrono::steady_clock;
    auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    bool interruptible = static_cast<bool>(ContextOf(L).options.interruption);
    for (;;) {
        CheckInterruption(L);
        auto left = end - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        std::this_thread::sleep_for(interruptible ? std::min<Clock::duration>(left, kSleepSlice) : left);
    }
}

// clock(): seconds on a monotonic clock, for timing inside a script.
int ClockFunction(lua_State* L) {
    using namespace std::chrono;
    lua_pushnumber(L, duration<double>(steady_clock::now().time_since_epoch()).count());
    return 1;
}

// print, for a host that takes the lines itself.
int PrintToHost(lua_State* L) {
    std::string line;
    int count = lua_gettop(L);
    for (int i = 1; i <= count; ++i) {
        std::size_t length = 0;
        const char* text = luaL_tolstring(L, i, &length);
        if (i > 1)
            line += '\t';
        line.append(text, length);
        lua_pop(L, 1);
    }
    ContextOf(L).options.print(line);
    return 0;
}

} // namespace

void OpenGlobals(lua_State* L) {
    lua_register(L, "CreateObject", &Guarded<CreateObjectFunction>);
    lua_register(L, "PropertyBag", &Guarded<PropertyBagFunction>);
    lua_register(L, "sleep", &Guarded<SleepFunction>);
    lua_register(L, "clock", &ClockFunction);
    if (ContextOf(L).options.print)
        lua_register(L, "print", &Guarded<PrintToHost>);
}

} // namespace corvid::script
