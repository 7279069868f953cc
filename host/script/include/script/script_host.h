// The Lua script host: a Lua 5.4 state in which scripts create components by name and
// drive them through IDispatch (CreateObject), set up instrument objects through their
// custom setup interfaces (CreateInstrument, NewInstrument), and use sleep, print and
// arg. The program ascript runs one file with it; the test-executive host runs test
// plans with it.
//
// Lua errors travel as C++ exceptions (the host links the C++ build of Lua), so the
// bindings' objects are released on every error path.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct lua_State;

namespace corvid::script {

struct ScriptOptions {
    // Receives each line that print writes (without the newline); standard output when empty.
    std::function<void(std::string_view line)> print;
    // Asked before every component call and while sleep waits; a non-empty answer ends
    // the script with that text as a Lua error (an operator's abort, for example).
    std::function<std::string()> interruption;
};

// The end of a run: ok, or the error message ("file:line: message" for a Lua error).
struct ScriptOutcome {
    bool ok = true;
    std::string message;
};

struct ScriptContext;

class ScriptHost {
public:
    // Throws std::bad_alloc when no Lua state can be made.
    explicit ScriptHost(ScriptOptions options = {});
    // Closes the state: every object a script still holds is released.
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    lua_State* state() const;

    // Loads and runs a file. The global arg holds the file at 0 and the arguments from
    // 1; the arguments are also the chunk's "...".
    ScriptOutcome RunFile(const std::string& path, const std::vector<std::string>& args = {});
    // Loads and runs a piece of code; chunkName as Lua takes it ("=name", "@file").
    ScriptOutcome RunString(std::string_view code, const std::string& chunkName = "=script");
    // Calls the function on the stack below its nargs arguments, as RunFile runs a chunk.
    ScriptOutcome Call(int nargs, int nresults);

private:
    std::shared_ptr<ScriptContext> context_;
};

} // namespace corvid::script
