// The Run page: Start Test Plan with its checks, the run loop, Pause and Abort, the
// run events and the run error log.
#include "operatordb/equipment_item.h"
#include "operatordb/lookups.h"
#include "operatordb/test_filter.h"
#include "operatortabs/error_log.h"
#include "operatortabs/run_common.h"
#include "operatortabs/tab_run.h"

#include <cstdio>
#include <exception>

namespace corvid::operatortabs {

StartOutcome CTabRun::StartTestPlan() {
    if (running_)
        return StartOutcome::Ignored;
    if (ctx_.window.databaseOutput && !(ctx_.databaseOutputReady && ctx_.databaseOutputReady()))
        return StartOutcome::Ignored;
    display_.startEnabled = false;
    // A run that fails before its sequence begins is judged on its own counts, not the last run's.
    passed_ = failed_ = aborted_ = indeterminate_ = done_ = 0;
    abort_ = false;
    ctx_.window.manualRun = false;
    ctx_.window.reportsListStale = true;
    FormToTestInfo();
    view_.DisplayChanged();
    StartOutcome outcome = StartOutcome::Refused;
    try {
        if (ChecksBeforeRun())
            outcome = RunPlan() ? StartOutcome::Ran : StartOutcome::Refused;
        if (running_)
            OnSequenceEnd(0);
    } catch (const std::exception& error) {
        LogRunError(ctx_.outputPath, error.what());
        ShowRunError(ctx_, error.what());
        OnSequenceEnd(0);
    } catch (...) {
        LogRunError(ctx_.outputPath, nullptr);
        ShowRunError(ctx_, "an unknown error");
        OnSequenceEnd(0);
    }
    display_.startEnabled = true;
    view_.DisplayChanged();
    return outcome;
}

bool CTabRun::ChecksBeforeRun() {
    if (!CheckBeforeRun(ctx_))
        return false;
    auto& info = ctx_.info;
    info.startTime = std::time(nullptr);
    display_.startTime = DisplayTime(info.startTime);
    std::vector<std::string> names;
    operatordb::TestsOfSelection(ctx_.db, info.testPlanId, info.variantId, info.UUTInstanceID, names);
    queue_.assign(names.begin(), names.end());
    if (queue_.empty()) {
        ctx_.prompt.Notify("There are no tests to run for this unit, test plan and variant!");
        return false;
    }
    view_.DisplayChanged();
    return true;
}

bool CTabRun::RunPlan() {
    BusyScope<RunTabView> busy(view_);
    const auto& info = ctx_.info;
    total_ = static_cast<int>(queue_.size());
    abort_ = false;
    std::string path = ctx_.testPlanMain + operatordb::TestPlanFileName(ctx_.db, info.testPlanId);
    RunConditions conditions{info.Station, std::to_string(info.UUTInstanceID), info.Temperature,
                             info.Humidity, info.LineFrequency};
    if (!ctx_.services.Load(path, info.TPV, conditions)) {
        ctx_.prompt.Notify("Could not load TestPlan");
        return false;
    }
    // A previous run's last code must not stop this one before its first test.
    ctx_.services.setLastResultCode(0);
    if (ctx_.services.StartServices()) {
        while (!queue_.empty() && ctx_.services.lastResultCode() != kAborted && !abort_) {
            std::string name = queue_.front();
            queue_.pop_front();
            if (!ctx_.services.RunTest(name))
                ctx_.prompt.Notify(TestNotFoundText(name, info.TPA));
            if (pause_) {
                display_.pauseText = "&Pause After Test";
                view_.DisplayChanged();
                ctx_.prompt.Notify("Paused, Press OK to Continue");
                pause_ = false;
            }
        }
    }
    ctx_.services.Stop();
    ctx_.services.Unload();
    return true;
}

void CTabRun::TogglePause() {
    if (!running_)
        return;
    pause_ = !pause_;
    display_.pauseText = pause_ ? "&Pausing ..." : "&Pause After Test";
    view_.DisplayChanged();
}

void CTabRun::AbortAllTests() {
    if (!running_)
        return;
    ctx_.services.Abort();
    abort_ = true;
}

void CTabRun::OnSequenceBegin() {
    passed_ = failed_ = aborted_ = indeterminate_ = done_ = 0;
    display_.passed = display_.failed = 0;
    display_.endTime = "00/00/0000 00:00:00";
    display_.lastResult.clear();
    running_ = true;
    pause_ = false;
    display_.pauseEnabled = display_.abortEnabled = true;
    display_.pauseText = "&Pause After Test";
    display_.progress = 0;
    display_.progressTotal = total_;
    display_.progressLabel = ProgressLabel(0, total_);
    display_.currentTest = "Starting...";
    display_.setupEnabled = false;
    ctx_.window.idle = false;
    view_.DisplayChanged();
    view_.SequenceBegan();
}

void CTabRun::OnTestBegin(const std::string& name) {
    display_.currentTest = name;
    view_.DisplayChanged();
    view_.TestBegan(name);
}

void CTabRun::OnTestEnd(const std::string& name, int code) {
    ++display_.progress;
    display_.progressLabel = ProgressLabel(done_ + 1, total_);
    ++done_;
    std::string word;
    switch (code) {
    case kAborted:
        word = "Aborted", ++aborted_;
        break;
    case kFailed:
        word = "Failed", ++failed_;
        break;
    case kPassed:
        word = "Passed", ++passed_;
        break;
    case kIndeterminate:
        word = "Indeterminate", ++indeterminate_;
        break;
    default:
        break;
    }
    display_.lastResult = word;
    display_.passed = passed_;
    display_.failed = failed_;
    display_.endTime = DisplayTime(std::time(nullptr));
    view_.DisplayChanged();
    view_.TestEnded(name, code, word);
}

void CTabRun::OnSequenceEnd(int /*result*/) {
    display_.endTime = DisplayTime(std::time(nullptr));
    if (aborted_ > 0 || (passed_ == 0 && failed_ == 0) || abort_)
        display_.lastResult = "Test(s) Aborted";
    else if (failed_ > 0)
        display_.lastResult = "UUT Failed";
    else
        display_.lastResult = "UUT Passed";
    display_.currentTest = "Testing Completed";
    running_ = pause_ = false;
    display_.pauseEnabled = display_.abortEnabled = false;
    display_.pauseText = "&Pause After Test";
    display_.setupEnabled = true;
    if (!form_.uncertaintyEnabled)
        form_.uncertaintyChecked = false;
    ctx_.window.idle = true;
    view_.DisplayChanged();
    view_.FormChanged();
    view_.SequenceEnded(OverallCode(), display_.lastResult);
}

int CTabRun::OverallCode() const {
    if (aborted_ > 0 || passed_ + failed_ + indeterminate_ == 0 || abort_)
        return kAborted;
    if (failed_ > 0)
        return kFailed;
    return indeterminate_ == 0 ? kPassed : kIndeterminate;
}

} // namespace corvid::operatortabs
