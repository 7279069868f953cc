// The Manual Test Selection page: Start Sequence with its checks, the loops over the
// selected tests, Pause, Abort and the run events that mark each selected item.
#include "operatordb/lookups.h"
#include "operatortabs/error_log.h"
#include "operatortabs/run_common.h"
#include "operatortabs/tab_test_variant.h"

#include <cstdio>
#include <exception>

namespace corvid::operatortabs {

constexpr const char* kErrorTitle = "Manual Tab - Error";

StartOutcome CTabTestVariant::StartSequence() {
    if (running_)
        return StartOutcome::Ignored;
    FormToTestInfo();
    if (ctx_.window.databaseOutput && !(ctx_.databaseOutputReady && ctx_.databaseOutputReady()))
        return StartOutcome::Ignored;
    display_.startEnabled = false;
    passed_ = failed_ = aborted_ = indeterminate_ = 0;
    abort_ = false;
    ctx_.window.manualRun = true;
    ctx_.window.reportsListStale = true;
    view_.DisplayChanged();
    StartOutcome outcome = StartOutcome::Refused;
    try {
        if (CheckBeforeRun(ctx_)) {
            ctx_.info.startTime = std::time(nullptr);
            display_.startTime = DisplayTime(ctx_.info.startTime);
            count_ = static_cast<int>(form_.selected.size());
            loops_ = form_.loop ? form_.loopCount : 1;
            if (count_ == 0)
                ctx_.prompt.Notify("No tests Selected to run!");
            else if (RunSelection())
                outcome = StartOutcome::Ran;
        }
        if (running_)
            OnSequenceEnd(0);
    } catch (const std::exception& error) {
        LogRunError(ctx_.outputPath, error.what(), kErrorTitle);
        ShowRunError(ctx_, error.what());
        OnSequenceEnd(0);
    } catch (...) {
        LogRunError(ctx_.outputPath, nullptr, kErrorTitle);
        ShowRunError(ctx_, "an unknown error");
        OnSequenceEnd(0);
    }
    display_.startEnabled = true;
    view_.DisplayChanged();
    return outcome;
}

void CTabTestVariant::StripResults() {
    for (auto* list : {&form_.available, &form_.selected})
        for (std::string& item : *list)
            item = TestNameOfItem(item);
    Notify();
}

bool CTabTestVariant::RunSelection() {
    BusyScope<ManualTabView> busy(view_);
    StripResults();
    abort_ = false;
    const auto& info = ctx_.info;
    std::string path = ctx_.testPlanMain + operatordb::TestPlanFileName(ctx_.db, info.testPlanId);
    RunConditions conditions{info.Station, std::to_string(info.UUTInstanceID), info.Temperature,
                             info.Humidity, info.LineFrequency};
    if (!ctx_.services.Load(path, info.TPV, conditions)) {
        ctx_.prompt.Notify("Could not load TestPlan");
        return false;
    }
    ctx_.services.setLastResultCode(0);
    if (ctx_.services.StartServices()) {
        bool stop = false;
        for (int loop = 0; loop < loops_ && !stop; ++loop) {
            for (int item = 0; item < count_ && !stop && !abort_; ++item)
                stop = !RunItem(loop, item);
            stop = stop || aborted_ > 0 || abort_;
        }
    }
    ctx_.services.Stop();
    ctx_.services.Unload();
    return true;
}

// Runs one selected test; false when the whole selection must stop.
bool CTabTestVariant::RunItem(int loop, int item) {
    loopIndex_ = loop;
    itemIndex_ = item;
    // From the second loop on the item still shows its previous result.
    currentItem_ = TestNameOfItem(form_.selected[static_cast<size_t>(item)]);
    if (!ctx_.services.RunTest(currentItem_)) {
        display_.lastResult = currentItem_ + kNotFoundSuffix;
        form_.selected[static_cast<size_t>(item)] = display_.lastResult;
        Notify();
        view_.DisplayChanged();
        ctx_.prompt.Notify(TestNotFoundText(currentItem_, ctx_.info.TPA));
    }
    if (aborted_ > 0)
        return false;
    if (abort_)
        return true;
    if (pause_) {
        display_.pauseText = "&Pause After Test";
        view_.DisplayChanged();
        ctx_.prompt.Notify("Paused, Press OK to Continue");
        pause_ = false;
    }
    if (form_.step)
        ctx_.prompt.Notify(display_.lastResult + ", Press OK to Continue");
    return true;
}

void CTabTestVariant::TogglePause() {
    if (!running_)
        return;
    pause_ = !pause_;
    display_.pauseText = pause_ ? "&Pausing ..." : "&Pause After Test";
    view_.DisplayChanged();
}

void CTabTestVariant::AbortSequence() {
    if (!running_)
        return;
    ctx_.services.Abort();
    abort_ = true;
}

void CTabTestVariant::OnSequenceBegin() {
    display_.setupEnabled = false;
    ctx_.window.idle = false;
    display_.progress = 0;
    display_.progressTotal = count_ * loops_;
    display_.endTime = "00/00/0000 00:00:00";
    display_.lastResult.clear();
    running_ = true;
    pause_ = false;
    passed_ = failed_ = aborted_ = indeterminate_ = 0;
    display_.passed = display_.failed = 0;
    display_.pauseEnabled = display_.abortEnabled = true;
    display_.pauseText = "&Pause After Test";
    display_.currentTest = "Starting...";
    display_.progressLabel = ProgressLabel(0, display_.progressTotal);
    view_.DisplayChanged();
    Notify();
    view_.SequenceBegan();
}

void CTabTestVariant::OnTestBegin(const std::string& name) {
    display_.currentTest = name;
    view_.DisplayChanged();
    view_.TestBegan(name);
}

void CTabTestVariant::OnTestEnd(const std::string& name, int code) {
    ++display_.progress;
    display_.progressLabel = ProgressLabel(count_ * loopIndex_ + itemIndex_ + 1, count_ * loops_);
    const char* suffix = nullptr;
    switch (code) {
    case kAborted:
        suffix = ", ABORTED", ++aborted_;
        break;
    case kFailed:
        suffix = ", FAILED", ++failed_;
        break;
    case kPassed:
        suffix = ", PASSED", ++passed_;
        break;
    case kIndeterminate:
        suffix = ", INDETERMINATE", ++indeterminate_;
        break;
    default:
        break;
    }
    std::string text = currentItem_ + (suffix ? suffix : "");
    display_.lastResult = text;
    if (itemIndex_ < static_cast<int>(form_.selected.size()))
        form_.selected[static_cast<size_t>(itemIndex_)] = text;
    display_.passed = passed_;
    display_.failed = failed_;
    display_.endTime = DisplayTime(std::time(nullptr));
    view_.DisplayChanged();
    Notify();
    view_.TestEnded(name, code, text);
}

void CTabTestVariant::OnSequenceEnd(int /*result*/) {
    display_.setupEnabled = true;
    running_ = pause_ = false;
    display_.pauseText = "&Pause After Test";
    display_.pauseEnabled = display_.abortEnabled = false;
    display_.currentTest = "Testing Completed";
    display_.endTime = DisplayTime(std::time(nullptr));
    ctx_.window.idle = true;
    view_.DisplayChanged();
    Notify();
    view_.SequenceEnded(OverallCode(), display_.lastResult);
}

int CTabTestVariant::OverallCode() const {
    if (aborted_ > 0 || passed_ + failed_ + indeterminate_ == 0 || abort_)
        return kAborted;
    if (failed_ > 0)
        return kFailed;
    return indeterminate_ == 0 ? kPassed : kIndeterminate;
}

} // namespace corvid::operatortabs
