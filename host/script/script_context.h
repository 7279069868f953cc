// What the bindings of one Lua state share: the host's options, the Lua thread that is
// calling into a component right now (a log written from inside that call runs on the
// same thread), and an error raised by a Lua log while a component was writing to it.
#pragma once

#include "com/types.h"
#include "script/script_host.h"

#include <lua.hpp>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace corvid::script {

struct ScriptContext : std::enable_shared_from_this<ScriptContext> {
    ScriptOptions options;
    lua_State* main = nullptr;   // null once the state is closed
    lua_State* active = nullptr; // the thread inside a component call, if any
    // The first error a Lua log raised during the current component call.
    std::optional<std::string> pendingError;

    lua_State* Current() const { return active ? active : main; }
};

// The context of the state L belongs to (kept in the state's extra space).
ScriptContext& ContextOf(lua_State* L);
void AttachContext(lua_State* L, ScriptContext* context);

// Marks L as the thread calling into components for its lifetime.
class ActiveThread {
public:
    explicit ActiveThread(lua_State* L);
    ~ActiveThread();
    ActiveThread(const ActiveThread&) = delete;
    ActiveThread& operator=(const ActiveThread&) = delete;

private:
    ScriptContext& context_;
    lua_State* previous_;
};

// Asks the host's interruption hook; raises its answer as a Lua error.
void CheckInterruption(lua_State* L);

// One call from a script into a component: asks the host whether to go on, marks the
// thread active and forgets earlier log errors; Finish raises a log error that arose
// during the call.
class ComponentCall {
public:
    explicit ComponentCall(lua_State* L);
    void Finish();

private:
    lua_State* state_;
    ActiveThread active_;
};

// A value that cannot become the automation value asked for; the text says why
// ("number expected, got string").
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises a Lua error: the script position of the caller, then the message.
[[noreturn]] void RaiseError(lua_State* L, const std::string& message);

// "Unspecified error (0x80004005)"
std::string ResultText(com::HRESULT hr);

// A C function whose C++ failures (out of memory, ...) become Lua errors. Lua's own
// errors are not std::exceptions and pass through untouched.
template <int (*Body)(lua_State*)>
int Guarded(lua_State* L) {
    std::string message;
    try {
        return Body(L);
    } catch (const std::bad_alloc&) {
        message = "not enough memory";
    } catch (const std::exception& error) {
        message = error.what();
    }
    RaiseError(L, message);
}

} // namespace corvid::script
