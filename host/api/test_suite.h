// A loaded test plan: a Lua file that declares its variants, its TestPlanGlobals and its
// tests, kept in one script state for as long as the plan stays loaded.
#pragma once

#include "plan_environment.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvid::script {
class ScriptHost;
}

namespace corvid::host {

struct PlanTest {
    std::string name;
    std::vector<std::string> variants; // empty: part of every variant
    int function = -2;                 // the body in the Lua registry (LUA_NOREF when unset)
    int judgement = 2;                 // of the last run
    bool errored = false;
    std::string error;
};

struct PlanGlobal {
    std::string name;
    bool integer = false;
    std::string value;
};

// Shared by the suite and the plan's Lua functions.
struct PlanContext {
    PlanEnvironment* environment = nullptr;
    std::string name;
    std::vector<PlanTest> tests;
    std::unordered_map<std::string, std::size_t> testIndex; // FoldedName(test name) -> position
    std::vector<std::string> variants;
    std::vector<PlanGlobal> globals;
    bool loading = true;
    int judgement = 0; // of the running test, from its measurements
};

class TestSuite {
public:
    // Loads and runs the plan file; throws std::runtime_error with "file:line: message"
    // when it cannot be loaded or declares something wrong.
    TestSuite(const std::string& path, PlanEnvironment& environment);
    ~TestSuite();
    TestSuite(const TestSuite&) = delete;
    TestSuite& operator=(const TestSuite&) = delete;

    const std::string& path() const { return path_; }
    std::vector<PlanTest>& tests() { return context_->tests; }
    // The position of the named test (case ignored), or -1.
    std::ptrdiff_t IndexOf(std::string_view name) const;
    const std::vector<std::string>& variants() const { return context_->variants; }
    const std::vector<PlanGlobal>& globals() const { return context_->globals; }

    // Runs a test's body and records its judgement or its error.
    void Run(PlanTest& test);

private:
    void CheckDeclarations() const;

    std::string path_;
    std::unique_ptr<PlanContext> context_;
    std::unique_ptr<script::ScriptHost> host_; // after the context: the state goes first
};

} // namespace corvid::host
