// PUBAPI and the host program's calls: the C boundary of the test executive. Nothing
// thrown inside crosses it.
#include "halcyon/pubapi.h"

#include "configuration_reader.h"
#include "halcyon/host_program.h"
#include "test_executive.h"

#include <algorithm>
#include <cstring>

namespace {

using corvid::host::TestExecutive;

TestExecutive& Host() {
    return TestExecutive::Instance();
}

const char* Text(const char* text) {
    return text ? text : "";
}

} // namespace

void VRegisterSequenceBegin(VSequenceBeginProc proc) {
    Host().callbacks().sequenceBegin.Register(proc);
}
void VRegisterSequenceEnd(VSequenceEndProc proc) {
    Host().callbacks().sequenceEnd.Register(proc);
}
void VRegisterTestBegin(VTestEventProc proc) {
    Host().callbacks().testBegin.Register(proc);
}
void VRegisterTestEnd(VTestEventProc proc) {
    Host().callbacks().testEnd.Register(proc);
}
void VRegisterSendReportMsg(VMessageProc proc) {
    Host().callbacks().report.Register(proc);
}
void VRegisterSendTraceMsg(VMessageProc proc) {
    Host().callbacks().trace.Register(proc);
}
void VUnregisterSequenceBegin(VSequenceBeginProc proc) {
    Host().callbacks().sequenceBegin.Unregister(proc);
}
void VUnregisterSequenceEnd(VSequenceEndProc proc) {
    Host().callbacks().sequenceEnd.Unregister(proc);
}
void VUnregisterTestBegin(VTestEventProc proc) {
    Host().callbacks().testBegin.Unregister(proc);
}
void VUnregisterTestEnd(VTestEventProc proc) {
    Host().callbacks().testEnd.Unregister(proc);
}
void VUnregisterSendReportMsg(VMessageProc proc) {
    Host().callbacks().report.Unregister(proc);
}
void VUnregisterSendTraceMsg(VMessageProc proc) {
    Host().callbacks().trace.Unregister(proc);
}

unsigned int VLoadTestsuite(const char* path) {
    try {
        return Host().Load(Text(path)) ? 1u : 0u;
    } catch (...) {
        Host().SetLastError("out of memory");
        return 0;
    }
}

int VSetSelector(const char* variant) {
    return Host().SetSelector(Text(variant)) ? 1 : 0;
}

VTestHandle VFindTest(const char*, const char* name) {
    return Host().FindTest(Text(name));
}

int VRunTest(VTestHandle test) {
    try {
        return Host().RunTest(test) ? 1 : 0;
    } catch (...) {
        Host().SetLastError("the test could not be run");
        return 0;
    }
}

const char* VGetTestName(VTestHandle test) {
    const auto* found = Host().Test(test);
    return found ? found->name.c_str() : "";
}

int VTestJudgment(VTestHandle test) {
    const auto* found = Host().Test(test);
    return found ? found->judgement : 2;
}

int VGetState() {
    return Host().State();
}
int VStopSequence() {
    return Host().StopSequence() ? 1 : 0;
}
int VUnloadTestsuite() {
    return Host().Unload() ? 1 : 0;
}
std::intptr_t VGetTestsuiteHandle() {
    return Host().SuiteHandle();
}
int VAppExit() {
    return Host().AppExit() ? 1 : 0;
}

int VSendReportMsg(const char* text) {
    Host().SendReport(Text(text));
    return 1;
}

void HalcyonSetIdleProc(HalcyonIdleProc proc, void* context) {
    Host().SetIdleProc(proc, context);
}
void HalcyonSetAppExitProc(HalcyonAppExitProc proc, void* context) {
    Host().SetAppExitProc(proc, context);
}
const char* HalcyonLastError() {
    return Host().lastError().c_str();
}
int HalcyonTestCount() {
    return Host().TestCount();
}
VTestHandle HalcyonTestAt(int index) {
    return Host().TestAt(index);
}

int HalcyonVariantCount() {
    const auto* variants = Host().Variants();
    return variants ? static_cast<int>(variants->size()) : 0;
}

const char* HalcyonVariantAt(int index) {
    const auto* variants = Host().Variants();
    if (!variants || index < 0 || index >= static_cast<int>(variants->size()))
        return "";
    return (*variants)[static_cast<std::size_t>(index)].c_str();
}

const char* HalcyonSelectedVariant() {
    return Host().selectedVariant().c_str();
}
int HalcyonTestInVariant(VTestHandle test) {
    return Host().TestInVariant(test) ? 1 : 0;
}

const char* HalcyonTestError(VTestHandle test) {
    const auto* found = Host().Test(test);
    return found ? found->error.c_str() : "";
}

int HalcyonConfigValue(const char* section, const char* key, char* buffer, int size) {
    try {
        std::string value;
        std::string failure = corvid::host::ReadConfiguration(Text(section), Text(key), value);
        if (!failure.empty()) {
            Host().SetLastError(failure);
            return -1;
        }
        if (buffer && size > 0) {
            std::size_t count = std::min(value.size(), static_cast<std::size_t>(size - 1));
            std::memcpy(buffer, value.data(), count);
            buffer[count] = '\0';
        }
        return static_cast<int>(value.size());
    } catch (...) {
        Host().SetLastError("out of memory");
        return -1;
    }
}
