// The host variables: System and TestPlanGlobals through UTACORE and from a test body.
#include "host_fixture.h"

namespace corvid::host::testing {
namespace {

const char* const kPlan = R"lua(
TestPlan {
    Globals = {UniqueID = "", CurrentTestResult = 0, ApplyMeasurementUncertainty = false, Count = 7},
}
Test("Publish", function()
    TestPlanGlobals.UniqueID = "run-" .. System.TestStationID
    TestPlanGlobals.CurrentTestResult = 2
    TestPlanGlobals.Count = TestPlanGlobals.Count + 1
    return 0
end)
Test("ReadBack", function()
    Report(TestPlanGlobals.UniqueID, "|", System.FixtureID, "|", tostring(TestPlanGlobals.Missing))
end)
Test("Undeclared", function() TestPlanGlobals.Missing = 1 end)
Test("NotAnInteger", function() TestPlanGlobals.Count = 1.5 end)
)lua";

UtaHandle Global(const char* name) {
    return UtaTableRegFindData(name, 1, "TestPlanGlobals", 1);
}

TEST_F(HostTest, TestsReadAndWriteTheHostVariables) {
    Load(kPlan);
    UtaHandle station = UtaTableRegFindData("testStationID", 1, "SYSTEM", 1);
    ASSERT_NE(station, 0);
    ASSERT_EQ(UtaStringSetValue(station, "Bench 4"), 1);
    ASSERT_EQ(UtaStringSetValue(UtaTableRegFindData("FixtureID", 1, "System", 1), "F-2"), 1);
    VRunTest(Find("Publish"));
    ASSERT_EQ(UtaExcRegIsError(0), 0) << HalcyonTestError(Find("Publish"));
    EXPECT_STREQ(UtaStringGetValue(Global("UniqueID")), "run-Bench 4");
    EXPECT_EQ(UtaInt32GetValue(Global("CurrentTestResult")), 2);
    EXPECT_EQ(UtaInt32GetValue(Global("Count")), 8);
    EXPECT_EQ(UtaInt32GetValue(Global("ApplyMeasurementUncertainty")), 0);
    // The plug-in writes; the next test reads.
    UtaStringSetValue(Global("UniqueID"), "Not supported for Text files");
    VRunTest(Find("ReadBack"));
    EXPECT_EQ(report, "Not supported for Text files|F-2|nil\n");
}

TEST_F(HostTest, WritingAnUndeclaredOrMistypedVariableIsAnError) {
    Load(kPlan);
    VRunTest(Find("Undeclared"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    EXPECT_NE(
        std::string(HalcyonTestError(Find("Undeclared"))).find("TestPlanGlobals has no variable Missing"),
        std::string::npos);
    VRunTest(Find("NotAnInteger"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    EXPECT_EQ(UtaInt32GetValue(Global("Count")), 7);
}

TEST_F(HostTest, IntegerAndTextVariablesConvert) {
    Load(kPlan);
    UtaHandle count = Global("Count");
    EXPECT_STREQ(UtaStringGetValue(count), "7");
    UtaStringSetValue(count, " 42 apples");
    EXPECT_EQ(UtaInt32GetValue(count), 42);
    EXPECT_STREQ(UtaStringGetValue(count), "42");
    UtaHandle id = Global("UniqueID");
    UtaInt32SetValue(id, -5);
    EXPECT_STREQ(UtaStringGetValue(id), "-5");
    EXPECT_EQ(UtaInt32GetValue(id), -5);
}

TEST_F(HostTest, PlanGlobalsGoWithTheirPlanAndSystemStays) {
    Load(kPlan);
    UtaHandle id = Global("UniqueID");
    UtaStringSetValue(UtaTableRegFindData("TestInfoString", 1, "System", 1), "kept");
    ASSERT_NE(id, 0);
    EXPECT_EQ(Global("Nonexistent"), 0);
    VUnloadTestsuite();
    EXPECT_EQ(Global("UniqueID"), 0);
    EXPECT_EQ(UtaStringSetValue(id, "x"), 0);
    EXPECT_STREQ(UtaStringGetValue(id), "");
    EXPECT_EQ(UtaInt32GetValue(id), 0);
    EXPECT_STREQ(UtaStringGetValue(UtaTableRegFindData("TestInfoString", 1, "System", 1)), "kept");
    UtaStringSetValue(UtaTableRegFindData("TestInfoString", 1, "System", 1), "");
}

} // namespace
} // namespace corvid::host::testing
