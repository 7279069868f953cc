// CTabRun: the Run page's logic. The operator describes a run (who, for whom, where,
// which unit, plan and variant, under which conditions), configures the unit through its
// own component and runs every test of the variant that applies to the unit. The page
// that shows it only displays this state and passes the operator's input in.
#pragma once

#include "operatordb/database.h"
#include "operatoroutput/test_info.h"
#include "operatortabs/combo_item.h"
#include "operatortabs/operator_state.h"
#include "operatortabs/prompt.h"
#include "operatortabs/test_services.h"

#include <ctime>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace corvid::operatortabs {

struct ModuleContext {
    operatordb::Database& db;
    std::string testPlanMain; // with a trailing '/'
    std::string outputPath;
    std::string inputDataSource;
    operatoroutput::CTestInfo& info;
    CTestServices& services;
    WindowState& window;
    Prompt& prompt;
    // With database output: whether the results database and its report templates are
    // ready for a run (the check shows its own message when they are not).
    std::function<bool()> databaseOutputReady;
};

// The form fields of the page.
struct RunForm {
    std::string operatorName;
    std::string customer;
    std::string reportNumber;
    std::string notes;
    double temperature = 0;
    double humidity = 0;
    int32_t lineFrequency = 0;
    std::string serialNumber;
    std::vector<std::string> options;
    ComboList stations, models, plans, variants;
    bool uncertaintyEnabled = false;
    bool uncertaintyChecked = false;
};

// What the page shows of a run.
struct RunDisplay {
    std::string currentTest;
    std::string startTime = "00/00/0000 00:00:00";
    std::string endTime = "00/00/0000 00:00:00";
    std::string lastResult;
    int passed = 0, failed = 0;
    int progress = 0, progressTotal = 0;
    std::string progressLabel = "Progress:\r(0/0)";
    bool startEnabled = true;
    bool pauseEnabled = false, abortEnabled = false;
    bool setupEnabled = true;
    std::string pauseText = "&Pause After Test";
};

// Field ranges.
inline constexpr double kTemperatureMin = -200, kTemperatureMax = 200;
inline constexpr double kHumidityMin = 0, kHumidityMax = 500;
inline constexpr int32_t kLineFrequencyMin = 0, kLineFrequencyMax = 500000000;

// What the page is told; every member has a do-nothing default.
class RunTabView {
public:
    virtual void FormChanged() {}
    virtual void DisplayChanged() {}
    virtual void BusyChanged(bool /*busy*/) {}
    virtual void SequenceBegan() {}
    virtual void TestBegan(const std::string& /*name*/) {}
    virtual void TestEnded(const std::string& /*name*/, int /*code*/, const std::string& /*word*/) {}
    virtual void SequenceEnded(int /*overall*/, const std::string& /*lastResult*/) {}
    // The plan's help page, to open with the desktop's handler; false when none could.
    virtual bool OpenDocument(const std::string& /*path*/) { return false; }

protected:
    ~RunTabView() = default;
};

enum class StartOutcome {
    Ignored, // a run is in progress, or the report templates are missing
    Refused, // a check refused the run (its message was shown)
    Ran,     // the sequence ran to its end (whatever the result)
};

class CTabRun final : public RunEvents {
public:
    CTabRun(ModuleContext& context, RunTabView& view);

    // Page start-up: fills the combos, reads "$$$.TestInfo".
    void Initialize();
    bool initialised() const { return initialised_; }

    const RunForm& form() const { return form_; }
    const RunDisplay& display() const { return display_; }
    bool running() const { return running_; }
    bool pausing() const { return pause_; }

    // Form input; the setters of the ranged fields refuse values outside their range.
    void SetOperator(const std::string& text) { form_.operatorName = text; }
    void SetCustomer(const std::string& text) { form_.customer = text; }
    void SetReportNumber(const std::string& text) { form_.reportNumber = text; }
    void SetNotes(const std::string& text) { form_.notes = text; }
    bool SetTemperature(double value);
    bool SetHumidity(double value);
    bool SetLineFrequency(double value);
    void SelectStation(int index);
    void SelectModel(int index);
    void SelectPlan(int index);
    void SelectVariant(int index);
    void SetApplyUncertainty(bool checked);

    // Form <-> record, on page entry and before a run.
    void FormToTestInfo();
    void TestInfoToForm();

    StartOutcome StartTestPlan();
    void TogglePause();
    void AbortAllTests();
    void ConfigureUut();
    // Takes a unit of the instrument database as the unit under test, as Configure UUT
    // would have identified it; false when the selected model has no unit of that serial number.
    bool UseUnit(const std::string& serialNumber);
    void ShowPlanHelp();

    // RunEvents
    void OnSequenceBegin() override;
    void OnTestBegin(const std::string& name) override;
    void OnTestEnd(const std::string& name, int code) override;
    void OnSequenceEnd(int result) override;
    int OverallCode() const override;

    // The run may not be left while it is in progress.
    bool CanClose() const { return !running_; }

private:
    void FillStations();
    void FillModels();
    void FillPlans();
    void FillVariants();
    void FillOptions();
    void StationChanged();
    void ModelChanged();
    void PlanChanged();
    void VariantChanged();
    void FormattedReportCheck();
    void UnitChanged();
    bool ChecksBeforeRun();
    bool RunPlan();
    void Notify() { view_.FormChanged(); }

    ModuleContext& ctx_;
    RunTabView& view_;
    RunForm form_;
    RunDisplay display_;
    bool running_ = false, pause_ = false, abort_ = false, initialised_ = false;
    int passed_ = 0, failed_ = 0, aborted_ = 0, indeterminate_ = 0;
    int done_ = 0, total_ = 0;
    std::deque<std::string> queue_;
    std::string lastStation_, lastModel_, lastPlan_, lastVariant_;
};

} // namespace corvid::operatortabs
