// PUBAPI and the host program's calls: the C boundary of the test executive. Nothing
// thrown inside crosses it.
#include "halcyon/pubapi.h"

#include "api_guard.h"
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

void corvid::host::NoteCallFailure(const char* reason) noexcept {
    try {
        Host().SetLastError(reason);
    } catch (...) { // no memory left even for the reason
    }
}

using corvid::host::Guarded;
using corvid::host::GuardedCall;

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
    GuardedCall([&] { Host().callbacks().sequenceBegin.Unregister(proc); });
}
void VUnregisterSequenceEnd(VSequenceEndProc proc) {
    GuardedCall([&] { Host().callbacks().sequenceEnd.Unregister(proc); });
}
void VUnregisterTestBegin(VTestEventProc proc) {
    GuardedCall([&] { Host().callbacks().testBegin.Unregister(proc); });
}
void VUnregisterTestEnd(VTestEventProc proc) {
    GuardedCall([&] { Host().callbacks().testEnd.Unregister(proc); });
}
void VUnregisterSendReportMsg(VMessageProc proc) {
    GuardedCall([&] { Host().callbacks().report.Unregister(proc); });
}
void VUnregisterSendTraceMsg(VMessageProc proc) {
    GuardedCall([&] { Host().callbacks().trace.Unregister(proc); });
}

unsigned int VLoadTestsuite(const char* path) {
    return Guarded(0u, [&] { return Host().Load(Text(path)) ? 1u : 0u; });
}

int VSetSelector(const char* variant) {
    return Guarded(0, [&] { return Host().SetSelector(Text(variant)) ? 1 : 0; });
}

VTestHandle VFindTest(const char*, const char* name) {
    return Guarded(VTestHandle{0}, [&] { return Host().FindTest(Text(name)); });
}

int VRunTest(VTestHandle test) {
    return Guarded(0, [&] { return Host().RunTest(test) ? 1 : 0; });
}

const char* VGetTestName(VTestHandle test) {
    return Guarded("", [&] {
        const auto* found = Host().Test(test);
        return found ? found->name.c_str() : "";
    });
}

int VTestJudgment(VTestHandle test) {
    return Guarded(2, [&] {
        const auto* found = Host().Test(test);
        return found ? found->judgement : 2;
    });
}

int VGetState() {
    return Guarded(0, [] { return Host().State(); });
}
int VStopSequence() {
    return Guarded(0, [] { return Host().StopSequence() ? 1 : 0; });
}
int VUnloadTestsuite() {
    return Guarded(0, [] { return Host().Unload() ? 1 : 0; });
}
std::intptr_t VGetTestsuiteHandle() {
    return Guarded(std::intptr_t{0}, [] { return Host().SuiteHandle(); });
}
int VAppExit() {
    return Guarded(0, [] { return Host().AppExit() ? 1 : 0; });
}

int VSendReportMsg(const char* text) {
    return Guarded(0, [&] {
        Host().SendReport(Text(text));
        return 1;
    });
}

void HalcyonSetIdleProc(HalcyonIdleProc proc, void* context) {
    GuardedCall([&] { Host().SetIdleProc(proc, context); });
}
void HalcyonSetAppExitProc(HalcyonAppExitProc proc, void* context) {
    GuardedCall([&] { Host().SetAppExitProc(proc, context); });
}
const char* HalcyonLastError() {
    return Guarded("", [] { return Host().lastError().c_str(); });
}
int HalcyonTestCount() {
    return Guarded(0, [] { return Host().TestCount(); });
}
VTestHandle HalcyonTestAt(int index) {
    return Guarded(VTestHandle{0}, [&] { return Host().TestAt(index); });
}

int HalcyonVariantCount() {
    return Guarded(0, [] {
        const auto* variants = Host().Variants();
        return variants ? static_cast<int>(variants->size()) : 0;
    });
}

const char* HalcyonVariantAt(int index) {
    return Guarded("", [&] {
        const auto* variants = Host().Variants();
        if (!variants || index < 0 || index >= static_cast<int>(variants->size())) {
            return "";
        }
        return (*variants)[static_cast<std::size_t>(index)].c_str();
    });
}

const char* HalcyonSelectedVariant() {
    return Guarded("", [] { return Host().selectedVariant().c_str(); });
}
int HalcyonTestInVariant(VTestHandle test) {
    return Guarded(0, [&] { return Host().TestInVariant(test) ? 1 : 0; });
}

const char* HalcyonTestError(VTestHandle test) {
    return Guarded("", [&] {
        const auto* found = Host().Test(test);
        return found ? found->error.c_str() : "";
    });
}

int HalcyonConfigValue(const char* section, const char* key, char* buffer, int size) {
    return Guarded(-1, [&] {
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
    });
}
