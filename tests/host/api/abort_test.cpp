// The operator's abort: a running test ends errored, in plain Lua and while it waits; a
// plan's top level ends the same way while it loads.
#include "host_fixture.h"

namespace corvid::host::testing {
namespace {

using ::testing::HasSubstr;

int idleCalls = 0;

// The window's event processing: the operator presses Abort after a few rounds.
void PressAbortSoon(void*) {
    if (++idleCalls == 5 && VGetState() == 8)
        UtaSetOperatorAbort(1);
}

class AbortTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        idleCalls = 0;
        HalcyonSetIdleProc(&PressAbortSoon, nullptr);
    }
};

TEST_F(AbortTest, EndsABusyLoopAsAnError) {
    Load(R"lua(
        Test("Spin", function() local n = 0 while true do n = n + 1 end end)
        Test("Next", function() return 0 end)
    )lua");
    ASSERT_EQ(VRunTest(Find("Spin")), 1);
    EXPECT_GE(idleCalls, 5);
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    EXPECT_EQ(events.back(), "test end Spin judgement 2 error 1");
    EXPECT_THAT(HalcyonTestError(Find("Spin")), HasSubstr("Aborted by the operator"));
    // The rest of the aborted sequence does not run; the stop reports the abort.
    VRunTest(Find("Next"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    VStopSequence();
    EXPECT_EQ(events.back(), "sequence end 1");
    // A new sequence runs normally.
    VRunTest(Find("Next"));
    EXPECT_EQ(UtaExcRegIsError(0), 0);
    EXPECT_EQ(VTestJudgment(Find("Next")), 0);
}

TEST_F(AbortTest, EndsAWait) {
    Load(R"lua(Test("Wait", function() for i = 1, 1000 do sleep(100) end return 0 end))lua");
    VRunTest(Find("Wait"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    EXPECT_THAT(HalcyonTestError(Find("Wait")), HasSubstr("Aborted by the operator"));
}

TEST_F(AbortTest, EndsALoopThatCatchesErrors) {
    Load(
        R"lua(Test("Stubborn", function() while true do pcall(function() for i = 1, 100 do end end) end end))lua");
    VRunTest(Find("Stubborn"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
}

TEST_F(HostTest, AStopWhileATestRunsAbortsItAndEndsTheSequenceAfterIt) {
    Load(R"lua(Test("Spin", function() while true do end end))lua");
    HalcyonSetIdleProc([](void*) { VStopSequence(); }, nullptr);
    VRunTest(Find("Spin"));
    EXPECT_EQ(events.back(), "sequence end 1");
    EXPECT_EQ(VGetState(), 1);
}

TEST_F(HostTest, ATestCannotRunWhileAnotherRuns) {
    Load(R"lua(
        Test("Outer", function() sleep(50) return 0 end)
        Test("Inner", function() return 0 end)
    )lua");
    static int nested = -1;
    HalcyonSetIdleProc([](void*) { nested = VRunTest(VFindTest("", "Inner")); }, nullptr);
    VRunTest(Find("Outer"));
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(VTestJudgment(Find("Outer")), 0);
}

TEST_F(HostTest, AnAbortEndsAnEndlessLoopAtThePlansTopLevel) {
    HalcyonSetIdleProc([](void*) { UtaSetOperatorAbort(1); }, nullptr);
    std::string plan = WritePlan("while true do pcall(function() end) end\n", "spin.lua");
    EXPECT_EQ(VLoadTestsuite(plan.c_str()) & 0xFFFF, 0u);
    EXPECT_THAT(HalcyonLastError(), HasSubstr("Aborted by the operator"));
    EXPECT_EQ(VGetState(), 0);
    // The abort went with the load: the next plan loads and runs.
    HalcyonSetIdleProc(nullptr, nullptr);
    Load(R"lua(Test("A", function() return 0 end))lua");
    VRunTest(Find("A"));
    EXPECT_EQ(UtaExcRegIsError(0), 0);
}

TEST_F(HostTest, AnAbortAskedForWhileNoSequenceRunsDoesNotAbortTheNext) {
    Load(R"lua(Test("A", function() return 0 end))lua");
    UtaSetOperatorAbort(1);
    VRunTest(Find("A"));
    EXPECT_EQ(UtaExcRegIsError(0), 0);
    VStopSequence();
    EXPECT_EQ(events.back(), "sequence end 0");
}

int nestedResult = -1;

void RunInnerFromCallback(VTestHandle test) {
    if (std::string_view(VGetTestName(test)) == "Outer")
        nestedResult = VRunTest(VFindTest("", "Inner"));
}

TEST_F(HostTest, TheCallbacksOfATestCannotStartAnother) {
    Load(R"lua(
        Test("Outer", function() return 0 end)
        Test("Inner", function() return 0 end)
    )lua");
    for (auto registerProc : {&VRegisterTestBegin, &VRegisterTestEnd}) {
        nestedResult = -1;
        events.clear();
        registerProc(&RunInnerFromCallback);
        VRunTest(Find("Outer"));
        VUnregisterTestBegin(&RunInnerFromCallback);
        VUnregisterTestEnd(&RunInnerFromCallback);
        EXPECT_EQ(nestedResult, 0);
        EXPECT_THAT(events, ::testing::Not(::testing::Contains("test begin Inner")));
        EXPECT_EQ(VTestJudgment(Find("Outer")), 0);
    }
}

} // namespace
} // namespace corvid::host::testing
