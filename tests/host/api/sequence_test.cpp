// Sequences and tests: the order of the callbacks, the state, judgements and errors.
#include "host_fixture.h"

namespace corvid::host::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char* const kTwoTests = R"lua(
Test("First", function() return 0 end)
Test("Second", function() return 1 end)
)lua";

TEST_F(HostTest, FirstRunBeginsASequenceAndStopEndsIt) {
    Load(kTwoTests);
    EXPECT_EQ(VGetState(), 1);
    ASSERT_EQ(VRunTest(Find("First")), 1);
    EXPECT_EQ(VGetState(), 8);
    ASSERT_EQ(VRunTest(Find("Second")), 1);
    EXPECT_EQ(VStopSequence(), 1);
    EXPECT_EQ(VGetState(), 1);
    EXPECT_THAT(events, ElementsAre("sequence begin state 8", "test begin First",
                                    "test end First judgement 0 error 0", "test begin Second",
                                    "test end Second judgement 1 error 0", "sequence end 0"));
    // The next run begins a new sequence.
    events.clear();
    VRunTest(Find("first"));
    EXPECT_THAT(events, ElementsAre("sequence begin state 8", "test begin First",
                                    "test end First judgement 0 error 0"));
}

TEST_F(HostTest, StoppingWithoutASequenceCallsNothing) {
    Load(kTwoTests);
    EXPECT_EQ(VStopSequence(), 0);
    EXPECT_TRUE(events.empty());
}

TEST_F(HostTest, LoadingAnotherPlanEndsTheRunningSequence) {
    Load(kTwoTests);
    VRunTest(Find("First"));
    Load(kTwoTests);
    EXPECT_EQ(events.back(), "sequence end 0");
    EXPECT_EQ(VGetState(), 1);
}

TEST_F(HostTest, BodiesAnswerTheirJudgement) {
    Load(R"lua(
        Test("Integer", function() return 2 end)
        Test("True", function() return true end)
        Test("False", function() return false end)
        Test("Measured", function()
            Measure("in", 1.0, 0.5, 1.5, "V")
            Measure("out", 2.0, 0.5, 1.5, "V")
        end)
        Test("NoReading", function() Measure("none", nil, 0, 1) end)
        Test("AllGood", function() Measure("in", 1.0, 0.5, 1.5) end)
    )lua");
    const std::pair<const char*, int> expected[] = {{"Integer", 2},  {"True", 0},      {"False", 1},
                                                    {"Measured", 1}, {"NoReading", 2}, {"AllGood", 0}};
    for (const auto& [name, judgement] : expected) {
        VRunTest(Find(name));
        EXPECT_EQ(VTestJudgment(Find(name)), judgement) << name;
        EXPECT_EQ(UtaExcRegIsError(0), 0) << name;
    }
    EXPECT_THAT(report, HasSubstr("out"));
    EXPECT_THAT(report, HasSubstr("FAILED"));
}

TEST_F(HostTest, AnErrorInABodyMarksTheTestErrored) {
    Load(R"lua(
        Test("Broken", function() error("no instrument") end)
        Test("Odd", function() return "passed" end)
        Test("Fine", function() return 0 end)
    )lua");
    VRunTest(Find("Broken"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    EXPECT_EQ(events.back(), "test end Broken judgement 2 error 1");
    EXPECT_THAT(HalcyonTestError(Find("Broken")), HasSubstr("plan.lua:2: no instrument"));
    EXPECT_THAT(report, HasSubstr("ERROR: "));
    VRunTest(Find("Odd"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    VRunTest(Find("Fine"));
    EXPECT_EQ(UtaExcRegIsError(0), 0);
    EXPECT_STREQ(HalcyonTestError(Find("Fine")), "");
}

TEST_F(HostTest, ReportAndTraceReachTheirCallbacks) {
    Load(
        R"lua(Test("Talk", function() Report("to the report ", 1); Trace("to the trace"); print("printed") end))lua");
    VRunTest(Find("Talk"));
    EXPECT_EQ(VSendReportMsg("from the plug-in\n"), 1);
    EXPECT_EQ(report, "to the report 1\nfrom the plug-in\n");
    EXPECT_EQ(trace, "to the trace\nprinted\n");
}

TEST_F(HostTest, HandlesOfAnUnloadedPlanAreInvalid) {
    Load(kTwoTests);
    VTestHandle first = Find("First");
    EXPECT_EQ(VFindTest("", "Third"), 0);
    ASSERT_EQ(VUnloadTestsuite(), 1);
    EXPECT_EQ(VGetTestsuiteHandle(), 0);
    EXPECT_EQ(VRunTest(first), 0);
    EXPECT_STREQ(VGetTestName(first), "");
    Load(kTwoTests);
    EXPECT_EQ(VRunTest(first), 0); // the same test of a newer load has a new handle
    EXPECT_NE(Find("First"), first);
}

// The plug-in stops and unloads from inside its callbacks; the host stays consistent.
void UnloadOnTestBegin(VTestHandle) {
    VUnloadTestsuite();
}

TEST_F(HostTest, ACallbackMayUnloadThePlan) {
    Load(kTwoTests);
    VRegisterTestBegin(&UnloadOnTestBegin);
    EXPECT_EQ(VRunTest(Find("First")), 0);
    VUnregisterTestBegin(&UnloadOnTestBegin);
    EXPECT_EQ(VGetState(), 0);
    EXPECT_EQ(events.back(), "sequence end 0");
}

TEST_F(HostTest, UnregisteredCallbacksAreNotCalled) {
    Load(kTwoTests);
    TearDown(); // unregisters the recorder
    events.clear();
    Load(kTwoTests);
    VRunTest(Find("First"));
    VStopSequence();
    EXPECT_TRUE(events.empty());
    SetUp();
}

} // namespace
} // namespace corvid::host::testing
