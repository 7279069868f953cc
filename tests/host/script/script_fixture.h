// Tests of the script host: a sandbox with the probe and fake instrument components
// registered, scripts run in a host whose printed lines are kept, and runs of the
// ascript program.
#pragma once

#include "script/script_host.h"
#include "testsupport/sandbox.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::script::testing {

class ScriptTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override;

    // Runs code (chunk name "test") in the test's host.
    ScriptOutcome Run(std::string_view code);
    // Runs code that should succeed; its assert failures become test failures.
    void Expect(std::string_view code);
    // The message of code that should fail.
    std::string ErrorOf(std::string_view code);

    std::vector<std::string> printed;
    ScriptOptions options;
    std::unique_ptr<ScriptHost> host;
};

// A run of the ascript program on a script written into a file of the sandbox.
struct ProgramRun {
    int status = -1;
    std::string out, err;
    std::string scriptPath;
};

ProgramRun RunAscript(const std::string& script, const std::vector<std::string>& args = {});
// A run of ascript with these arguments.
ProgramRun RunProgram(const std::vector<std::string>& args);

} // namespace corvid::script::testing
