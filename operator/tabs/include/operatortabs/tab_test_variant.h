// CTabTestVariant: the Manual Test Selection page's logic. The operator moves tests of
// the plan variant from the available list to the selected list, orders them, and runs
// them (a limited calibration) once or a number of times, optionally one test at a time.
// Each selected item shows the result of its last run.
#pragma once

#include "operatortabs/combo_item.h"
#include "operatortabs/tab_run.h"

#include <functional>
#include <string>
#include <vector>

namespace corvid::operatortabs {

inline constexpr int kMaxLoops = 999999;

// The result suffixes of the selected items.
inline constexpr const char* kNotFoundSuffix = ", Not Found";

struct ManualForm {
    ComboList plans, variants;
    std::vector<std::string> available;
    int availableSelected = -1;
    std::vector<std::string> selected;
    int selectedSelected = -1;
    bool step = false;
    bool loop = false;
    int loopCount = 1;
    bool uncertaintyEnabled = false, uncertaintyChecked = false;
    std::string unitLabel; // "%s <%s> %s": model, serial number, options
};

// How a selected item is drawn: green when it passed, red when it failed or aborted.
enum class ItemColour { Black, Green, Red };
ItemColour ColourOfItem(const std::string& item);
// The test name of a selected item: the item without its result suffix.
std::string TestNameOfItem(const std::string& item);

class ManualTabView {
public:
    virtual void FormChanged() {}
    virtual void DisplayChanged() {}
    virtual void BusyChanged(bool /*busy*/) {}
    virtual void SequenceBegan() {}
    virtual void TestBegan(const std::string& /*name*/) {}
    // item: the selected item with its result suffix.
    virtual void TestEnded(const std::string& /*name*/, int /*code*/, const std::string& /*item*/) {}
    virtual void SequenceEnded(int /*overall*/, const std::string& /*lastResult*/) {}
    virtual bool OpenDocument(const std::string& /*path*/) { return false; }

protected:
    ~ManualTabView() = default;
};

class CTabTestVariant final : public RunEvents {
public:
    CTabTestVariant(ModuleContext& context, ManualTabView& view);

    // Page start-up: the plan and variant of the record, the available tests.
    void Initialize();
    bool initialised() const { return initialised_; }
    // Page entry and before a run: follows the record's unit, plan and variant.
    void TestInfoToForm();
    // The page's plan and variant into the record.
    void FormToTestInfo();

    const ManualForm& form() const { return form_; }
    const RunDisplay& display() const { return display_; }
    bool running() const { return running_; }

    void SelectPlan(int index);
    void SelectVariant(int index);
    void SelectAvailable(int index);
    void SelectSelected(int index);
    // ">", "<", ">>", "<<" (the last three refused while running; a double click is a move).
    void MoveToSelected();
    void MoveToAvailable();
    void MoveAllToSelected();
    void MoveAllToAvailable();
    void MoveUp();
    void MoveDown();
    void RestoreAvailableTests();
    void SetStep(bool checked);
    void SetLoop(bool checked);
    // False for a count outside 1 to 999999.
    bool SetLoopCount(int count);
    void SetApplyUncertainty(bool checked);

    StartOutcome StartSequence();
    void TogglePause();
    void AbortSequence();
    void ShowPlanHelp();
    bool CanClose() const { return !running_; }

    // RunEvents
    void OnSequenceBegin() override;
    void OnTestBegin(const std::string& name) override;
    void OnTestEnd(const std::string& name, int code) override;
    void OnSequenceEnd(int result) override;
    int OverallCode() const override;

private:
    void FillPlans();
    void PlanStep();
    void VariantStep();
    bool RunSelection();
    bool RunItem(int loop, int item);
    void StripResults();
    // Runs a step that reads the database; a database error is shown and ends the step.
    void GuardedStep(const std::function<void()>& step);
    void Notify() { view_.FormChanged(); }

    ModuleContext& ctx_;
    ManualTabView& view_;
    ManualForm form_;
    RunDisplay display_;
    bool running_ = false, pause_ = false, abort_ = false, initialised_ = false;
    int passed_ = 0, failed_ = 0, aborted_ = 0, indeterminate_ = 0;
    int count_ = 0, loops_ = 1, loopIndex_ = 0, itemIndex_ = 0;
    std::string currentItem_;
    std::string lastLabel_, lastOptions_;
};

} // namespace corvid::operatortabs
