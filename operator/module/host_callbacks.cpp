#include "operatormodule/host_callbacks.h"

#include "halcyon/utacore.h"
#include "operatorconfig/configuration_manager.h"
#include "operatormodule/operator_app.h"
#include "operatortabs/error_log.h"

#include <exception>
#include <string>

namespace corvid::operatormodule {
namespace {

using operatortabs::kAborted;
using operatortabs::kFailed;
using operatortabs::kIndeterminate;
using operatortabs::kPassed;

constexpr const char* kGlobals = "TestPlanGlobals";

UtaHandle Global(const char* name) {
    return UtaTableRegFindData(name, 1, kGlobals, 1);
}

void PublishText(const char* name, const std::string& value) {
    if (UtaHandle handle = Global(name))
        UtaStringSetValue(handle, value.c_str());
}

void PublishInteger(const char* name, int32_t value) {
    if (UtaHandle handle = Global(name))
        UtaInt32SetValue(handle, value);
}

// Runs an event's work; nothing thrown may cross back into the host.
template <class Work>
void Guarded(const char* where, Work&& work) {
    COperatorInterfaceApp* app = TheApp();
    if (!app)
        return;
    try {
        work(*app);
    } catch (const std::exception& error) {
        operatortabs::LogRunError(app->paths().outputPath, error.what(), where);
    } catch (...) {
        operatortabs::LogRunError(app->paths().outputPath, nullptr, where);
    }
}

std::string TestDataSource(COperatorInterfaceApp& app) {
    std::string value;
    operatorconfig::CConfigurationManager config(app.prompt());
    config.GetValue("VELA PROJECTS", app.testInfo().UUT + "_TestDataDataSource", value);
    return value;
}

// The result of a test as the host judged it: its code and word (none for a judgement
// the host does not define).
std::pair<int, const char*> TestResult(VTestHandle test, bool uncertainty) {
    if (UtaExcRegIsError(0))
        return {kAborted, "ABORTED"};
    int judgement = VTestJudgment(test);
    if (uncertainty) {
        UtaHandle current = Global("CurrentTestResult");
        judgement = current ? UtaInt32GetValue(current) : 1;
    }
    switch (judgement) {
    case 0:
        return {kPassed, "PASSED"};
    case 1:
        return {kFailed, "FAILED"};
    case 2:
        return {kIndeterminate, "INDETERMINATE"};
    default:
        return {0, ""};
    }
}

} // namespace

void OnSequenceBegin() {
    Guarded("Sequence Begin - Error", [](COperatorInterfaceApp& app) {
        app.services().setInSequence(true);
        if (auto* page = app.EventPage())
            page->OnSequenceBegin();
        operatoroutput::ResultSink& sink = app.BeginRunSink();
        sink.Begin(app.testInfo(), app.window().manualRun);
        if (app.window().databaseOutput)
            PublishText("ResultsDBName", app.databaseOutput().resultsDatabasePath());
        PublishText("UniqueID", sink.UniqueID());
        PublishInteger("ApplyMeasurementUncertainty", app.testInfo().applyUncertainty);
        PublishText("TestDataDBName", TestDataSource(app));
        VGetTestsuiteHandle();
    });
}

void OnTestBegin(VTestHandle test) {
    Guarded("Test Begin - Error", [test](COperatorInterfaceApp& app) {
        std::string name = VGetTestName(test);
        if (app.services().IsService(name))
            return;
        PublishInteger("CurrentTestID", app.RunSink().TestID(name));
        app.RunSink().TestBegan(name);
        if (auto* page = app.EventPage())
            page->OnTestBegin(name);
    });
}

void OnTestEnd(VTestHandle test) {
    Guarded("Test End - Error", [test](COperatorInterfaceApp& app) {
        std::string name = VGetTestName(test);
        bool service = app.services().IsService(name);
        auto [code, word] = TestResult(test, app.testInfo().applyUncertainty != 0 && !service);
        app.services().setLastResultCode(code);
        if (service)
            return;
        app.RunSink().TestEnded(name, code, word);
        if (auto* page = app.EventPage())
            page->OnTestEnd(name, code);
    });
}

void OnSequenceEnd(int result) {
    Guarded("Sequence End - Error", [result](COperatorInterfaceApp& app) {
        app.services().setInSequence(false);
        auto* page = app.EventPage();
        app.RunSink().End(page ? page->OverallCode() : kAborted);
        if (page)
            page->OnSequenceEnd(result);
    });
}

unsigned char OnReportMessage(const char* text) {
    COperatorInterfaceApp* app = TheApp();
    return app && text && app->RunSink().ReportMessage(text) ? 1 : 0;
}

unsigned char OnTraceMessage(const char* text) {
    COperatorInterfaceApp* app = TheApp();
    return app && text && app->RunSink().TraceMessage(text) ? 1 : 0;
}

void RegisterHostCallbacks() {
    VRegisterSequenceBegin(&OnSequenceBegin);
    VRegisterSequenceEnd(&OnSequenceEnd);
    VRegisterTestBegin(&OnTestBegin);
    VRegisterTestEnd(&OnTestEnd);
    VRegisterSendReportMsg(&OnReportMessage);
    VRegisterSendTraceMsg(&OnTraceMessage);
}

void UnregisterHostCallbacks() {
    VUnregisterSequenceBegin(&OnSequenceBegin);
    VUnregisterSequenceEnd(&OnSequenceEnd);
    VUnregisterTestBegin(&OnTestBegin);
    VUnregisterTestEnd(&OnTestEnd);
    VUnregisterSendReportMsg(&OnReportMessage);
    VUnregisterSendTraceMsg(&OnTraceMessage);
}

} // namespace corvid::operatormodule
