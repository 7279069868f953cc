// The Manual Test Selection page: plan and variant, the two lists and their moves.
#include "operatortabs/tab_test_variant.h"

#include "operatordb/bindings.h"
#include "operatordb/db_error.h"
#include "operatordb/lookups.h"
#include "operatordb/test_filter.h"
#include "operatortabs/run_common.h"

#include <algorithm>
#include <cstdio>

namespace corvid::operatortabs {
namespace {

bool Selectable(const ComboList& combo, int index) {
    return index >= -1 && index < static_cast<int>(combo.items.size());
}

std::string UnitLabel(const operatoroutput::CTestInfo& info) {
    return info.UUT + " <" + info.SerialNumber + "> " + info.Options;
}

} // namespace

ItemColour ColourOfItem(const std::string& item) {
    if (item.find(", PASSED") != std::string::npos)
        return ItemColour::Green;
    if (item.find(", FAILED") != std::string::npos || item.find(", ABORTED") != std::string::npos)
        return ItemColour::Red;
    return ItemColour::Black;
}

CTabTestVariant::CTabTestVariant(ModuleContext& context, ManualTabView& view) : ctx_(context), view_(view) {}

void CTabTestVariant::Initialize() {
    GuardedStep([this] {
        FillPlans();
        form_.plans.SelectPrefix(ctx_.info.TPA);
        PlanStep();
    });
    display_.pauseText = "&Pause After Test";
    display_.pauseEnabled = display_.abortEnabled = false;
    lastLabel_ = form_.unitLabel = UnitLabel(ctx_.info);
    lastOptions_ = ctx_.info.Options;
    initialised_ = true;
    Notify();
    view_.DisplayChanged();
}

void CTabTestVariant::TestInfoToForm() {
    if (!initialised_ || running_)
        return;
    auto& info = ctx_.info;
    ctx_.window.idle = true;
    form_.unitLabel = UnitLabel(info);
    form_.uncertaintyChecked = form_.uncertaintyEnabled && info.applyUncertainty != 0;
    GuardedStep([&] {
        if (form_.unitLabel == lastLabel_ && !form_.unitLabel.empty() && info.Options == lastOptions_) {
            std::string plan = info.TPA, variant = info.TPV;
            if (plan != form_.plans.SelectedName()) {
                form_.plans.SelectPrefix(plan);
                PlanStep();
            } else if (variant != form_.variants.SelectedName()) {
                form_.variants.SelectPrefix(variant);
                VariantStep();
            }
            return;
        }
        lastLabel_ = form_.unitLabel;
        lastOptions_ = info.Options;
        FillPlans();
        form_.plans.SelectPrefix(info.TPA);
        PlanStep();
    });
    Notify();
}

void CTabTestVariant::FormToTestInfo() {
    if (!initialised_)
        return;
    auto& info = ctx_.info;
    info.TPA = form_.plans.SelectedName();
    info.testPlanId = form_.plans.SelectedId();
    info.TPV = form_.variants.SelectedName();
    info.variantId = form_.variants.SelectedId();
}

void CTabTestVariant::FillPlans() {
    form_.plans.Clear();
    operatordb::DB_TestPlans plans(ctx_.db);
    plans.param.DeviceType_ID = ctx_.info.UUTModelID;
    plans.Open(operatordb::OpenMode::ReadOnly);
    for (; !plans.IsEOF(); plans.MoveNext())
        form_.plans.AddUnique(EncodeItem(plans.Name, plans.TestPlanID));
}

void CTabTestVariant::PlanStep() {
    auto& info = ctx_.info;
    info.TPA = form_.plans.SelectedName();
    info.testPlanId = form_.plans.SelectedId();
    std::string variant = info.TPV;
    form_.variants.Clear();
    operatordb::DB_TPVs variants(ctx_.db);
    variants.param.TestPlanID = info.testPlanId;
    variants.Open(operatordb::OpenMode::ReadOnly);
    for (; !variants.IsEOF(); variants.MoveNext())
        form_.variants.AddUnique(EncodeItem(variants.Name, variants.TestPlanVariantID));
    if (!form_.variants.SelectPrefix(variant) && !form_.variants.items.empty())
        form_.variants.selected = 0;
    form_.uncertaintyEnabled = operatordb::TestPlanAppliesUncertainty(ctx_.db, info.testPlanId);
    if (!form_.uncertaintyEnabled)
        info.applyUncertainty = 0;
    form_.uncertaintyChecked = info.applyUncertainty != 0;
    VariantStep();
}

void CTabTestVariant::VariantStep() {
    auto& info = ctx_.info;
    info.TPV = form_.variants.SelectedName();
    info.variantId = form_.variants.SelectedId();
    form_.available.clear();
    form_.selected.clear();
    form_.availableSelected = form_.selectedSelected = -1;
    operatordb::RebuildTestFilter(ctx_.db, info.testPlanId, info.variantId, info.UUTModelID,
                                  info.UUTInstanceID);
    operatordb::TestsOfSelection(ctx_.db, info.testPlanId, info.variantId, info.UUTInstanceID,
                                 form_.available);
    if (!form_.available.empty())
        form_.availableSelected = 0;
}

void CTabTestVariant::GuardedStep(const std::function<void()>& step) {
    try {
        step();
    } catch (const operatordb::DbError& error) {
        ctx_.prompt.Show(error.what(), operatorconfig::kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
    }
}

void CTabTestVariant::SelectPlan(int index) {
    if (running_ || !Selectable(form_.plans, index))
        return;
    form_.plans.selected = index;
    GuardedStep([this] { PlanStep(); });
    Notify();
}

void CTabTestVariant::SelectVariant(int index) {
    if (running_ || !Selectable(form_.variants, index))
        return;
    form_.variants.selected = index;
    GuardedStep([this] { VariantStep(); });
    Notify();
}

void CTabTestVariant::RestoreAvailableTests() {
    if (running_)
        return;
    GuardedStep([this] { PlanStep(); });
    Notify();
}

void CTabTestVariant::SelectAvailable(int index) {
    if (index >= -1 && index < static_cast<int>(form_.available.size()))
        form_.availableSelected = index;
}

void CTabTestVariant::SelectSelected(int index) {
    if (index >= -1 && index < static_cast<int>(form_.selected.size()))
        form_.selectedSelected = index;
}

namespace {

// Moves the selected entry of from to the end of to, where it becomes the selection;
// from's selection goes to the entry before (or the first).
void MoveItem(std::vector<std::string>& from, int& fromSelected, std::vector<std::string>& to,
              int& toSelected, std::string item) {
    from.erase(from.begin() + fromSelected);
    to.push_back(std::move(item));
    toSelected = static_cast<int>(to.size()) - 1;
    fromSelected = from.empty() ? -1 : std::max(0, fromSelected - 1);
}

} // namespace

void CTabTestVariant::MoveToSelected() {
    if (running_ || form_.availableSelected < 0)
        return;
    std::string item = form_.available[static_cast<size_t>(form_.availableSelected)];
    MoveItem(form_.available, form_.availableSelected, form_.selected, form_.selectedSelected, item);
    Notify();
}

void CTabTestVariant::MoveToAvailable() {
    if (running_ || form_.selectedSelected < 0)
        return;
    std::string item = TestNameOfItem(form_.selected[static_cast<size_t>(form_.selectedSelected)]);
    MoveItem(form_.selected, form_.selectedSelected, form_.available, form_.availableSelected, item);
    Notify();
}

void CTabTestVariant::MoveAllToSelected() {
    if (running_)
        return;
    while (!form_.available.empty()) {
        form_.availableSelected = 0;
        MoveToSelected();
    }
}

void CTabTestVariant::MoveAllToAvailable() {
    if (running_)
        return;
    while (!form_.selected.empty()) {
        form_.selectedSelected = 0;
        MoveToAvailable();
    }
}

void CTabTestVariant::MoveUp() {
    int at = form_.selectedSelected;
    if (running_ || at <= 0 || form_.selected.size() < 2)
        return;
    std::swap(form_.selected[static_cast<size_t>(at)], form_.selected[static_cast<size_t>(at - 1)]);
    form_.selectedSelected = at - 1;
    Notify();
}

void CTabTestVariant::MoveDown() {
    int at = form_.selectedSelected;
    if (running_ || at < 0 || at + 1 >= static_cast<int>(form_.selected.size()))
        return;
    std::swap(form_.selected[static_cast<size_t>(at)], form_.selected[static_cast<size_t>(at + 1)]);
    form_.selectedSelected = at + 1;
    Notify();
}

void CTabTestVariant::SetStep(bool checked) {
    form_.step = checked;
}

void CTabTestVariant::SetLoop(bool checked) {
    if (running_)
        return;
    form_.loop = checked;
    Notify();
}

bool CTabTestVariant::SetLoopCount(int count) {
    if (running_ || count < 1 || count > kMaxLoops)
        return false;
    form_.loopCount = count;
    return true;
}

void CTabTestVariant::SetApplyUncertainty(bool checked) {
    if (!form_.uncertaintyEnabled)
        return;
    form_.uncertaintyChecked = checked;
    ctx_.info.applyUncertainty = checked ? 1 : 0;
}

void CTabTestVariant::ShowPlanHelp() {
    ShowTestPlanHelp(ctx_, [this](const std::string& page) { return view_.OpenDocument(page); });
}

std::string TestNameOfItem(const std::string& item) {
    for (const char* suffix : {", PASSED", ", FAILED", ", ABORTED", ", INDETERMINATE", kNotFoundSuffix}) {
        std::size_t length = std::char_traits<char>::length(suffix);
        if (item.size() >= length && item.compare(item.size() - length, length, suffix) == 0)
            return item.substr(0, item.size() - length);
    }
    return item;
}

} // namespace corvid::operatortabs
