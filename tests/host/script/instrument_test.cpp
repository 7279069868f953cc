// Instrument objects: set up through IInitialize / IInitializeGpib, logged to Lua,
// driven through the IGpib their Interface gives, and closed.
#include "script_fixture.h"

#include <atomic>

namespace corvid::script::testing {
namespace {

using Instrument = ScriptTest;

constexpr char kCreateDmm[] = R"lua(
local log = {}
local dmm = CreateInstrument("FakeInstrument.FakeInstrument.1",
    {InstanceName = "DMM", GpibBoardAddress = 0, GpibPrimaryAddress = 22}, log)
)lua";

TEST_F(Instrument, CreateInstrumentReadsTheBagInitialisesAndDrivesIGpib) {
    Expect(std::string(kCreateDmm) + R"lua(
        assert(dmm:Query("*IDN?", 256) == "CORVID,FAKE,DMM,GPIB0::22\n")
        assert(dmm.InstanceName == "DMM" and dmm.BoardAddress == 0 and dmm.PrimaryAddress == 22)
        assert(dmm.SecondaryAddress == 0 and dmm.TimeOut == 2000)    -- not in the bag: defaults
        local first = log[1]
        assert(first.LogName == "DMM (GPIB0::22)" and first.Entry == "Initialize")
        assert(first.Status == "Ok, no IO error" and first.Result == "PASSED")
        assert(log[2].Entry == "Write : *IDN?" and log[3].Entry:find("^Read : CORVID,FAKE"))
    )lua");
}

TEST_F(Instrument, ALogFunctionOrLogMethodGetsTheFourTexts) {
    Expect(R"lua(
        local settings = {InstanceName = "PSU", GpibBoardAddress = 1, GpibPrimaryAddress = 5, GpibTimeOut = 300}
        local seen = {}
        local psu = CreateInstrument("FakeInstrument.FakeInstrument.1", settings,
            function(...) seen[#seen + 1] = table.concat({...}, "|") end)
        assert(seen[1] == "PSU (GPIB1::5)|Initialize|Ok, no IO error|PASSED", seen[1])
        assert(psu.TimeOut == 300)
        local object = {entries = 0}
        function object:Log(name, entry, status, result) self.entries = self.entries + 1 end
        CreateInstrument("FakeInstrument.FakeInstrument.1", settings, object)
        assert(object.entries == 1)
        CreateInstrument("FakeInstrument.FakeInstrument.1", settings, print)
    )lua");
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0], "PSU (GPIB1::5)\tInitialize\tOk, no IO error\tPASSED");
}

TEST_F(Instrument, AddressPropertiesCanBeSetInsteadOfABag) {
    Expect(R"lua(
        local log = {}
        local scope = NewInstrument("FakeInstrument.FakeInstrument.1")
        scope.InstanceName = "Scope"
        scope.BoardAddress = 2
        scope.PrimaryAddress = "7"
        scope.LogInterface = log
        scope:Initialize()
        assert(scope:Query("*IDN?", 100) == "CORVID,FAKE,Scope,GPIB2::7\n")
        assert(log[1].LogName == "Scope (GPIB2::7)")
    )lua");
    EXPECT_EQ(ErrorOf("NewInstrument('FakeInstrument.FakeInstrument.1').BoardAddress = 'two'"),
              "test:1: bad value for 'BoardAddress' (integer expected, got string)");
    EXPECT_EQ(ErrorOf("NewInstrument('FakeInstrument.FakeInstrument.1').Close = 1"),
              "test:1: 'Close' is a method, not a property");
}

TEST_F(Instrument, SetupFailuresRaiseTheComponentsDescription) {
    EXPECT_EQ(
        ErrorOf("CreateInstrument('FakeInstrument.FakeInstrument.1', {InstanceName = 'X', GpibBoardAddress = "
                "0})"),
        "test:1: [Command : CFakeInstrument::InitializeData] [Message : Unable to retrive object property]");
    EXPECT_EQ(
        ErrorOf("local log = {}\nlocal ok, e = pcall(CreateInstrument, 'FakeInstrument.FakeInstrument.1',\n"
                "    {InstanceName = 'X', GpibBoardAddress = 0, GpibPrimaryAddress = 31}, log)\n"
                "assert(log[1].Result == 'FAILED' and log[1].Status == 'Device Not Found')\nerror(e, 0)"),
        "[Command : CFakeInstrument::Initialize] [Message : Can't Open IO, X (GPIB0::31)]");
    EXPECT_EQ(ErrorOf("CreateInstrument('FakeInstrument.FakeInstrument.1', nil, 42)"),
              "test:1: a log is a function, a table or an object, not a number");
    EXPECT_EQ(ErrorOf("NewInstrument('FakeInstrument.FakeInstrument.1'):InitializeData(nil)"),
              "test:1: [Command : CFakeInstrument::InitializeData] [Message : Failed To Get PropertyBag "
              "Interface]");
    // A class without the setup interfaces is no instrument.
    EXPECT_EQ(ErrorOf("CreateInstrument('Probe.Probe.1')"),
              "test:1: CreateInstrument(\"Probe.Probe.1\"): No such interface supported (0x80004002)");
    EXPECT_EQ(ErrorOf("NewInstrument('No.Such.1')"), "test:1: The ProgID \"No.Such.1\" is not registered");
}

TEST_F(Instrument, InterfaceGivesTheNamedInterface) {
    Expect(std::string(kCreateDmm) + R"lua(
        local gpib = dmm:Interface("IGpib")
        assert(gpib == dmm and tostring(gpib):find("^IFakeGpib object"))
        assert(gpib:Query("*IDN?", 256) == "CORVID,FAKE,DMM,GPIB0::22\n")
        -- a custom interface handed out as IDispatch is not called through as one
        local setup = dmm:Interface("IInitialize")
        assert(setup.InstanceName == "DMM" and setup:Query("x", 1) == "x")
    )lua");
    EXPECT_EQ(ErrorOf(std::string(kCreateDmm) + "dmm:Interface('igpib')"),
              "test:5: [Command : CFakeInstrument::get_Interface] [Message : Unknown Interface]");
}

TEST_F(Instrument, CloseEndsTheSession) {
    Expect(std::string(kCreateDmm) + R"lua(
        dmm:Close()
        assert(log[#log].Entry == "Close")
        local ok, message = pcall(dmm.Read, dmm, 10)
        assert(not ok and message:find("Trying To Use UnInitialized IO", 1, true), message)
        dmm:Initialize()
        assert(dmm:Query("again", 5) == "again")
    )lua");
}

TEST_F(Instrument, AToBeClosedVariableClosesAndReleases) {
    Expect(R"lua(
        local log, kept = {}, nil
        do
            local meter <close> = CreateInstrument("FakeInstrument.FakeInstrument.1",
                {InstanceName = "M", GpibBoardAddress = 0, GpibPrimaryAddress = 1}, log)
            kept = meter
        end
        assert(log[#log].Entry == "Close")
        local ok, message = pcall(function() return kept.Pending end)
        assert(not ok and message:find("the object has been released", 1, true), message)
    )lua");
}

TEST_F(Instrument, ReleasingTheLastReferenceClosesTheInstrument) {
    Expect(std::string(kCreateDmm) + R"lua(
        dmm = nil
        collectgarbage()
        assert(log[#log].Entry == "Close")
    )lua");
}

TEST_F(Instrument, AnErrorInTheLogSurfacesInTheScript) {
    EXPECT_EQ(ErrorOf("CreateInstrument('FakeInstrument.FakeInstrument.1',\n"
                      "    {InstanceName = 'L', GpibBoardAddress = 0, GpibPrimaryAddress = 1},\n"
                      "    function() error('log is full') end)"),
              "test:3: log is full");
}

TEST_F(Instrument, BooleansAreAutomationBooleans) {
    Expect(std::string(kCreateDmm) + R"lua(
        dmm:TermCharOnOff(true)
        assert(log[#log].Entry == " TermCharOnOff On")
        dmm:TermCharOnOff(false)
        assert(log[#log].Entry == "TermCharOnOff Off")
        dmm:TermCharOnOff(1)            -- passed as the value 1, which is not VARIANT_TRUE
        assert(log[#log].Entry == "TermCharOnOff Off")
        dmm:TermCharOnOff(-1)
        assert(log[#log].Entry == " TermCharOnOff On")
    )lua");
}

TEST(ScriptInterruption, EndsASleepingScriptAndStopsComponentCalls) {
    corvid::testing::Sandbox sandbox;
    std::atomic<int> asked{0};
    ScriptOptions options;
    options.interruption = [&]() -> std::string {
        return ++asked > 3 ? "Aborted by the operator" : "";
    };
    ScriptHost host(options);
    ScriptOutcome outcome = host.RunString("sleep(0)\nsleep(0)\nsleep(600000)", "=plan");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "plan:3: Aborted by the operator");
    outcome = host.RunString("CreateObject('Probe.Probe.1')", "=plan");
    EXPECT_EQ(outcome.message, "plan:1: Aborted by the operator");
}

} // namespace
} // namespace corvid::script::testing
