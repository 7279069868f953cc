// The ascript program: arguments, output and exit statuses.
#include "script_fixture.h"

namespace corvid::script::testing {
namespace {

using Ascript = ScriptTest;

TEST_F(Ascript, RunsTheScriptWithItsArgumentsAndExitsZero) {
    ProgramRun run = RunAscript(R"lua(
        print(#arg, arg[1], arg[2], ...)
        assert(arg[0]:find("script.lua$"))
        local p = CreateObject("Probe.Probe.1")
        print(p:Add(tonumber(arg[1]), tonumber(arg[2])))
    )lua",
                                {"20", "22"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "2\t20\t22\t20\t22\n42\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(Ascript, ClockIsMonotonicSecondsThatCountSleeping) {
    ProgramRun run = RunAscript(R"lua(
        local start = clock()
        sleep(30)
        local elapsed = clock() - start
        print(elapsed >= 0.03 and elapsed < 60)
    )lua",
                                {});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "true\n");
}

TEST_F(Ascript, ALuaErrorExitsOneWithFileLineAndMessage) {
    ProgramRun run = RunAscript("print('before')\nlocal settings = nil\nprint(settings.address)\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "before\n");
    EXPECT_EQ(run.err, run.scriptPath + ":3: attempt to index a nil value (local 'settings')\n");
}

TEST_F(Ascript, AComponentErrorExitsOneWithItsDescription) {
    ProgramRun run = RunAscript("local p = CreateObject('Probe.Probe.1')\np:Fail('no response')\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, run.scriptPath + ":2: [Message : no response]\n");

    run = RunAscript("CreateObject('VisaGpib.Missing.1')");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, run.scriptPath + ":1: The ProgID \"VisaGpib.Missing.1\" is not registered\n");
}

TEST_F(Ascript, ScriptsThatCannotBeLoadedExitOne) {
    ProgramRun run = RunAscript("local x = = 1\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind(run.scriptPath + ":1:", 0), 0u) << run.err;

    run = RunProgram({"/nonexistent/plan.lua"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot open /nonexistent/plan.lua"), std::string::npos) << run.err;
}

TEST_F(Ascript, WithoutAScriptItPrintsUsageAndExitsTwo) {
    ProgramRun run = RunProgram({});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("usage: ascript FILE.lua", 0), 0u) << run.err;
}

TEST_F(Ascript, OsExitReleasesTheObjectsBeforeLeaving) {
    ProgramRun run = RunAscript(R"lua(
        local meter = CreateInstrument("FakeInstrument.FakeInstrument.1",
            {InstanceName = "M", GpibBoardAddress = 0, GpibPrimaryAddress = 4},
            function(name, entry) print(entry) end)
        os.exit(3)
    )lua");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "Initialize\nClose\n");
}

} // namespace
} // namespace corvid::script::testing
