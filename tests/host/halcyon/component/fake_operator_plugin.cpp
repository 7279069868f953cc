// An operator plug-in for the host's tests: registers its callbacks, runs the plan named
// by HALCYON_TEST_PLAN through the host's calls, prints what it sees and leaves.
#include "halcyon/pubapi.h"
#include "halcyon/utacore.h"

#include <cstdio>
#include <cstdlib>

namespace {

void OnSequenceBegin() {
    std::printf("sequence begin\n");
}
void OnSequenceEnd(int result) {
    std::printf("sequence end %d\n", result);
}
void OnTestBegin(VTestHandle test) {
    std::printf("test begin %s\n", VGetTestName(test));
}
void OnTestEnd(VTestHandle test) {
    std::printf("test end %s %d\n", VGetTestName(test), VTestJudgment(test));
}
unsigned char OnMessage(const char* text) {
    std::printf("message %s", text);
    return 1;
}

} // namespace

extern "C" __attribute__((visibility("default"))) unsigned short InitializeUserModule() {
    VRegisterSequenceBegin(&OnSequenceBegin);
    VRegisterSequenceEnd(&OnSequenceEnd);
    VRegisterTestBegin(&OnTestBegin);
    VRegisterTestEnd(&OnTestEnd);
    VRegisterSendReportMsg(&OnMessage);
    VRegisterSendTraceMsg(&OnMessage);
    const char* plan = std::getenv("HALCYON_TEST_PLAN");
    if (plan && VLoadTestsuite(plan)) {
        VRunTest(VFindTest("", "Only"));
        VStopSequence();
    }
    std::fflush(stdout);
    return 11;
}

extern "C" __attribute__((visibility("default"))) void ShutdownUserModule() {
    VUnregisterSequenceBegin(&OnSequenceBegin);
    VUnregisterSequenceEnd(&OnSequenceEnd);
    VUnregisterTestBegin(&OnTestBegin);
    VUnregisterTestEnd(&OnTestEnd);
    VUnregisterSendReportMsg(&OnMessage);
    VUnregisterSendTraceMsg(&OnMessage);
    std::printf("shutdown\n");
    std::fflush(stdout);
}
