// What the Run and Manual pages share: the display texts of a run, the checks before a
// run, the plan's help page and the formatted-report check of a unit model.
#pragma once

#include "operatortabs/prompt.h"
#include "operatortabs/tab_run.h"

#include <ctime>
#include <functional>
#include <string>

namespace corvid::operatortabs {

// "%m/%d/%Y %H:%M:%S" of a local time.
std::string DisplayTime(std::time_t when);
// "Progress:\r(%d/%d)".
std::string ProgressLabel(int done, int total);

// The wait cursor of a page for the length of a run.
template <class View>
class BusyScope {
public:
    explicit BusyScope(View& view) : view_(view) { view_.BusyChanged(true); }
    ~BusyScope() { view_.BusyChanged(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    View& view_;
};

// Tells the operator that a run stopped on an error, and where it is logged.
void ShowRunError(ModuleContext& context, const std::string& what);

// "Test '%s' was not found in test plan '%s'".
std::string TestNotFoundText(const std::string& test, const std::string& plan);

// Station and unit present, the test filter of the selection rebuilt with the unit's
// options text, and the operator's consent when required equipment is not assigned;
// false (after the message) when the run may not start.
bool CheckBeforeRun(ModuleContext& context);

// Opens the help page of the selected plan through open (false: no browser).
void ShowTestPlanHelp(ModuleContext& context, const std::function<bool(const std::string&)>& open);

// The unit model's formatted-report settings; formatted is false (after a message when
// the settings are incomplete) unless the model's results database and reports
// directory are both there.
struct FormattedReports {
    bool formatted = false;
    std::string resultsDatabase;
    std::string reportsDirectory;
};
FormattedReports CheckFormattedReports(Prompt& prompt, const std::string& model);

} // namespace corvid::operatortabs
