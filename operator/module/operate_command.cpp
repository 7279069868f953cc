#include "operatormodule/operate_command.h"

#include "halcyon/host_program.h"
#include "operatordb/interface_types.h"
#include "operatordb/lookups.h"
#include "operatormodule/host_callbacks.h"
#include "operatormodule/operator_app.h"
#include "operatortabs/tab_test_variant.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>
#include <strings.h>

namespace corvid::operatormodule {
namespace {

using operatortabs::CTabRun;
using operatortabs::CTabTestVariant;
using operatortabs::MsgAnswer;
using operatortabs::MsgButtons;

// Set by SIGINT; the run's idle procedure turns it into Abort All Tests.
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

void PrintEvent(const nlohmann::ordered_json& event) {
    std::string line = event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

// Message boxes on standard error, answered as --answer says.
class ConsolePrompt final : public operatortabs::Prompt {
public:
    explicit ConsolePrompt(bool yes) : yes_(yes) {}

    MsgAnswer Ask(const platform::MessageBoxRequest& request) override {
        MsgAnswer answer = Answer(request.buttons);
        std::fprintf(stderr, "[%s] %s -> %s\n", request.caption.c_str(), request.text.c_str(),
                     std::string(platform::AnswerName(answer)).c_str());
        return answer;
    }

private:
    MsgAnswer Answer(MsgButtons buttons) const {
        switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return yes_ ? MsgAnswer::Yes : MsgAnswer::No;
        case MsgButtons::OkCancel:
            return yes_ ? MsgAnswer::Ok : MsgAnswer::Cancel;
        case MsgButtons::RetryCancel:
            return MsgAnswer::Cancel;
        case MsgButtons::AbortRetryIgnore:
            return MsgAnswer::Abort;
        case MsgButtons::Ok:
            break;
        }
        return MsgAnswer::Ok;
    }
    bool yes_;
};

const char* ResultWord(int code) {
    switch (code) {
    case operatortabs::kAborted:
        return "Aborted";
    case operatortabs::kFailed:
        return "Failed";
    case operatortabs::kPassed:
        return "Passed";
    case operatortabs::kIndeterminate:
        return "Indeterminate";
    default:
        return "";
    }
}

void PrintSequenceBegin() {
    PrintEvent({{"event", "sequence-begin"}});
}
void PrintTestBegin(const std::string& name) {
    PrintEvent({{"event", "test-begin"}, {"name", name}});
}
void PrintTestEnd(const std::string& name, int code, const std::string& word) {
    PrintEvent({{"event", "test-end"}, {"name", name}, {"code", code}, {"result", word}});
}
void PrintSequenceEnd(int overall, const std::string& lastResult) {
    PrintEvent({{"event", "sequence-end"}, {"overall", overall}, {"last_result", lastResult}});
}

class JsonRunView final : public operatortabs::RunTabView {
public:
    void SequenceBegan() override { PrintSequenceBegin(); }
    void TestBegan(const std::string& name) override { PrintTestBegin(name); }
    void TestEnded(const std::string& name, int code, const std::string& word) override {
        PrintTestEnd(name, code, word);
    }
    void SequenceEnded(int overall, const std::string& lastResult) override {
        PrintSequenceEnd(overall, lastResult);
    }
};

// The Manual Test Selection page prints the same lines as the Run page.
class JsonManualView final : public operatortabs::ManualTabView {
public:
    void SequenceBegan() override { PrintSequenceBegin(); }
    void TestBegan(const std::string& name) override { PrintTestBegin(name); }
    void TestEnded(const std::string& name, int code, const std::string&) override {
        PrintTestEnd(name, code, ResultWord(code));
    }
    void SequenceEnded(int overall, const std::string& lastResult) override {
        PrintSequenceEnd(overall, lastResult);
    }
};

void IdleDuringRun(void* abort) {
    if (interrupted)
        (*static_cast<std::function<void()>*>(abort))();
}

// The callbacks, the idle procedure and SIGINT for the length of one operate run; SIGINT
// calls abort (the page's Abort button).
class RunScope {
public:
    explicit RunScope(std::function<void()> abort) : abort_(std::move(abort)) {
        RegisterHostCallbacks();
        interrupted = 0;
        previous_ = std::signal(SIGINT, &OnInterrupt);
        HalcyonSetIdleProc(&IdleDuringRun, &abort_);
    }
    ~RunScope() {
        HalcyonSetIdleProc(nullptr, nullptr);
        std::signal(SIGINT, previous_);
        UnregisterHostCallbacks();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    std::function<void()> abort_;
    void (*previous_)(int) = SIG_DFL;
};

int BadArgument(const std::string& text) {
    std::fprintf(stderr, "halcyon operate: %s\n", text.c_str());
    return kOperateBadArguments;
}

// Selects the entry whose name is text (case ignored); false when there is none.
template <class Select>
bool SelectNamed(const operatortabs::ComboList& combo, const std::string& text, Select select) {
    for (std::size_t i = 0; i < combo.items.size(); ++i) {
        if (strcasecmp(operatortabs::ItemName(combo.items[i]).c_str(), text.c_str()) == 0) {
            select(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

// A number that fills the whole text, else nullopt.
std::optional<double> Number(const std::string& text) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0')
        return std::nullopt;
    return value;
}

int ApplySelection(CTabRun& tab, const OperateRequest& request) {
    const auto& form = tab.form();
    if (!request.station.empty() &&
        !SelectNamed(form.stations, request.station, [&](int i) { tab.SelectStation(i); }))
        return BadArgument("no test station named \"" + request.station + "\"");
    if (!request.model.empty() &&
        !SelectNamed(form.models, request.model, [&](int i) { tab.SelectModel(i); }))
        return BadArgument("no UUT model with the alias \"" + request.model + "\"");
    if (!request.plan.empty() && !SelectNamed(form.plans, request.plan, [&](int i) { tab.SelectPlan(i); }))
        return BadArgument("the model has no test plan named \"" + request.plan + "\"");
    if (!request.variant.empty() &&
        !SelectNamed(form.variants, request.variant, [&](int i) { tab.SelectVariant(i); }))
        return BadArgument("the test plan has no variant named \"" + request.variant + "\"");
    return 0;
}

int ApplyFields(CTabRun& tab, const OperateRequest& request) {
    if (!request.operatorName.empty())
        tab.SetOperator(request.operatorName);
    if (!request.customer.empty())
        tab.SetCustomer(request.customer);
    if (!request.reportNumber.empty())
        tab.SetReportNumber(request.reportNumber);
    if (!request.notes.empty())
        tab.SetNotes(request.notes);
    struct Ranged {
        const std::string& text;
        const char* option;
        bool (CTabRun::*set)(double);
        const char* range;
    };
    const Ranged ranged[] = {
        {request.temperature, "--temperature", &CTabRun::SetTemperature, "-200 to 200"},
        {request.humidity, "--humidity", &CTabRun::SetHumidity, "0 to 500"},
        {request.lineFrequency, "--line-frequency", &CTabRun::SetLineFrequency,
         "0 to 500000000 (whole hertz)"},
    };
    for (const Ranged& field : ranged) {
        if (field.text.empty())
            continue;
        auto value = Number(field.text);
        if (!value || !(tab.*field.set)(*value))
            return BadArgument(std::string(field.option) + " takes a number from " + field.range +
                               ", not \"" + field.text + "\"");
    }
    if (request.uncertainty == "on" && !tab.form().uncertaintyEnabled)
        return BadArgument("the test plan does not apply measurement uncertainty");
    if (!request.uncertainty.empty())
        tab.SetApplyUncertainty(request.uncertainty == "on");
    return 0;
}

int ExitStatus(const std::string& lastResult) {
    if (lastResult == "UUT Passed")
        return kOperatePassed;
    if (lastResult == "UUT Failed")
        return kOperateFailed;
    return kOperateAborted;
}

int Prepare(COperatorInterfaceApp& app, CTabRun& tab, const OperateRequest& request) {
    tab.Initialize();
    if (!request.testInfoFile.empty()) {
        auto known = [&app](int32_t model, int32_t instance, const std::string& serial) {
            return operatordb::IsKnownUut(app.db(), model, instance, serial);
        };
        if (!operatoroutput::ReadTestInfo(request.testInfoFile, app.testInfo(), known))
            return BadArgument("cannot read the test information file " + request.testInfoFile);
        tab.TestInfoToForm();
    }
    if (int status = ApplySelection(tab, request))
        return status;
    if (int status = ApplyFields(tab, request))
        return status;
    if (request.serial.empty()) {
        tab.ConfigureUut();
    } else if (!tab.UseUnit(request.serial)) {
        std::fprintf(stderr,
                     "halcyon operate: the instrument database has no unit \"%s\" of the model \"%s\"\n",
                     request.serial.c_str(), app.testInfo().UUT.c_str());
        return kOperateRefused;
    }
    return 0;
}

// Chooses the tests of a manual run in the order given, with its loops and steps.
int ChooseManualTests(CTabTestVariant& manual, const OperateRequest& request) {
    for (const std::string& name : request.manual) {
        const auto& available = manual.form().available;
        auto found = std::find_if(available.begin(), available.end(), [&](const std::string& test) {
            return strcasecmp(test.c_str(), name.c_str()) == 0;
        });
        if (found == available.end())
            return BadArgument("the selection has no test named \"" + name + "\" left to choose");
        manual.SelectAvailable(static_cast<int>(found - available.begin()));
        manual.MoveToSelected();
    }
    manual.SetStep(request.step);
    if (!request.loops.empty()) {
        manual.SetLoop(true);
        manual.SetLoopCount(std::atoi(request.loops.c_str()));
    }
    return 0;
}

// The exit status of a manual run, judged as the Run page judges a run.
int ManualExitStatus(const CTabTestVariant& manual) {
    switch (manual.OverallCode()) {
    case operatortabs::kPassed:
        return kOperatePassed;
    case operatortabs::kFailed:
        return kOperateFailed;
    case operatortabs::kIndeterminate:
        return manual.display().passed > 0 ? kOperatePassed : kOperateAborted;
    default:
        return kOperateAborted;
    }
}

int OperateManual(COperatorInterfaceApp& app, operatortabs::ModuleContext& context, CTabRun& tab,
                  const OperateRequest& request) {
    tab.FormToTestInfo();
    JsonManualView view;
    CTabTestVariant manual(context, view);
    app.SetRunPages(&tab, &manual);
    manual.Initialize();
    if (int status = ChooseManualTests(manual, request))
        return status;
    RunScope scope([&manual] { manual.AbortSequence(); });
    if (manual.StartSequence() != operatortabs::StartOutcome::Ran)
        return kOperateRefused;
    PrintEvent({{"event", "reports"}, {"files", app.textReports().finalFiles()}});
    operatoroutput::WriteTestInfo(app.paths().testPlanMain + "$$$.TestInfo", app.testInfo());
    return ManualExitStatus(manual);
}

} // namespace

int Operate(const OperateRequest& request) {
    COperatorInterfaceApp* app = TheApp();
    if (!app) {
        std::fputs("halcyon operate: the operator plug-in could not start\n", stderr);
        return kOperateRefused;
    }
    ConsolePrompt prompt(request.answerYes);
    operatortabs::ModuleContext context = app->Context(prompt);
    JsonRunView view;
    CTabRun tab(context, view);
    app->SetRunPages(&tab, nullptr);
    struct PagesGone {
        COperatorInterfaceApp& app;
        ~PagesGone() { app.SetRunPages(nullptr, nullptr); }
    } pagesGone{*app};
    try {
        operatordb::LoadInterfaceTypeNames(app->db());
        if (int status = Prepare(*app, tab, request))
            return status;
        if (!request.manual.empty())
            return OperateManual(*app, context, tab, request);
        RunScope scope([&tab] { tab.AbortAllTests(); });
        operatortabs::StartOutcome outcome = tab.StartTestPlan();
        if (outcome != operatortabs::StartOutcome::Ran)
            return kOperateRefused;
        PrintEvent({{"event", "reports"},
                    {"files", app->window().databaseOutput ? app->databaseOutput().exportedReports()
                                                           : app->textReports().finalFiles()}});
        tab.FormToTestInfo();
        operatoroutput::WriteTestInfo(app->paths().testPlanMain + "$$$.TestInfo", app->testInfo());
        return ExitStatus(tab.display().lastResult);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "halcyon operate: %s\n", error.what());
        return kOperateRefused;
    }
}

} // namespace corvid::operatormodule
