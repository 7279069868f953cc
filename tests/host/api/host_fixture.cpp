#include "host_fixture.h"

#include <fstream>

namespace corvid::host::testing {

std::vector<std::string> HostTest::events;
std::string HostTest::report;
std::string HostTest::trace;

namespace {

void OnSequenceBegin() {
    HostTest::events.push_back("sequence begin state " + std::to_string(VGetState()));
}
void OnSequenceEnd(int result) {
    HostTest::events.push_back("sequence end " + std::to_string(result));
}
void OnTestBegin(VTestHandle test) {
    HostTest::events.push_back(std::string("test begin ") + VGetTestName(test));
}
void OnTestEnd(VTestHandle test) {
    HostTest::events.push_back(std::string("test end ") + VGetTestName(test) + " judgement " +
                               std::to_string(VTestJudgment(test)) + " error " +
                               std::to_string(UtaExcRegIsError(0)));
}
unsigned char OnReport(const char* text) {
    HostTest::report += text;
    return 1;
}
unsigned char OnTrace(const char* text) {
    HostTest::trace += text;
    return 1;
}

} // namespace

void HostTest::SetUp() {
    events.clear();
    report.clear();
    trace.clear();
    VRegisterSequenceBegin(&OnSequenceBegin);
    VRegisterSequenceEnd(&OnSequenceEnd);
    VRegisterTestBegin(&OnTestBegin);
    VRegisterTestEnd(&OnTestEnd);
    VRegisterSendReportMsg(&OnReport);
    VRegisterSendTraceMsg(&OnTrace);
}

void HostTest::TearDown() {
    VStopSequence();
    VUnloadTestsuite();
    UtaSetOperatorAbort(0);
    HalcyonSetIdleProc(nullptr, nullptr);
    UtaStringSetValue(UtaTableRegFindData("TestStationID", 1, "System", 1), "");
    VUnregisterSequenceBegin(&OnSequenceBegin);
    VUnregisterSequenceEnd(&OnSequenceEnd);
    VUnregisterTestBegin(&OnTestBegin);
    VUnregisterTestEnd(&OnTestEnd);
    VUnregisterSendReportMsg(&OnReport);
    VUnregisterSendTraceMsg(&OnTrace);
}

std::string HostTest::WritePlan(const std::string& text, const std::string& name) {
    std::string path = (sandbox.home() / name).string();
    std::ofstream(path) << text;
    return path;
}

void HostTest::Load(const std::string& text) {
    ASSERT_EQ(VLoadTestsuite(WritePlan(text).c_str()) & 0xFFFF, 1u) << HalcyonLastError();
}

VTestHandle HostTest::Find(const char* name) {
    return VFindTest("", name);
}

} // namespace corvid::host::testing
