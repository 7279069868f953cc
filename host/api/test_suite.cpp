#include "test_suite.h"

#include "plan_library.h"
#include "script/script_host.h"
#include "variable_tables.h"

#include <lua.hpp>
#include <stdexcept>

namespace corvid::host {

TestSuite::TestSuite(const std::string& path, PlanEnvironment& environment)
    : path_(path), context_(std::make_unique<PlanContext>()) {
    context_->environment = &environment;
    script::ScriptOptions options;
    options.print = [&environment](std::string_view line) {
        environment.SendTrace(std::string(line) + "\n");
    };
    options.interruption = [&environment] {
        return environment.Interruption();
    };
    host_ = std::make_unique<script::ScriptHost>(std::move(options));
    lua_State* L = host_->state();
    OpenPlanLibrary(L, context_.get());
    WatchForInterruption(L);
    script::ScriptOutcome outcome = host_->RunFile(path);
    if (!outcome.ok)
        throw std::runtime_error(outcome.message);
    context_->loading = false;
    CheckDeclarations();
}

TestSuite::~TestSuite() = default;

std::ptrdiff_t TestSuite::IndexOf(std::string_view name) const {
    auto found = context_->testIndex.find(FoldedName(name));
    return found == context_->testIndex.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

void TestSuite::CheckDeclarations() const {
    for (const PlanTest& test : context_->tests)
        for (const std::string& variant : test.variants) {
            bool known = false;
            for (const std::string& declared : context_->variants)
                known = known || EqualsNoCase(declared, variant);
            if (!known)
                throw std::runtime_error(path_ + ": the test \"" + test.name + "\" names the variant \"" +
                                         variant + "\" that the plan does not declare");
        }
}

void TestSuite::Run(PlanTest& test) {
    lua_State* L = host_->state();
    context_->judgement = 0;
    test.errored = false;
    test.error.clear();
    WatchForInterruption(L); // at its normal pace again after an abort
    lua_rawgeti(L, LUA_REGISTRYINDEX, test.function);
    script::ScriptOutcome outcome = host_->Call(0, 1);
    if (!outcome.ok) {
        test.errored = true;
        test.error = outcome.message;
        test.judgement = 2;
        return;
    }
    // The body's answer: a judgement, true/false, or nothing for the measurements' verdict.
    int type = lua_type(L, -1);
    if (type == LUA_TNIL) {
        test.judgement = context_->judgement;
    } else if (type == LUA_TBOOLEAN) {
        test.judgement = lua_toboolean(L, -1) ? 0 : 1;
    } else if (lua_isinteger(L, -1)) {
        test.judgement = static_cast<int>(lua_tointeger(L, -1));
    } else {
        test.errored = true;
        test.error = test.name + ": a test returns a judgement (0, 1, 2, true or false), not a " +
                     luaL_typename(L, -1) + " value";
        test.judgement = 2;
    }
    lua_pop(L, 1);
    lua_gc(L, LUA_GCCOLLECT); // instruments a body left behind close now, not during the next test
}

} // namespace corvid::host
