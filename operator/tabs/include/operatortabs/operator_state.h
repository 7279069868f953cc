// What the operator window's pages share: the window's two state bytes, the result
// sink chosen for the unit model, and the events of a run that the host's callbacks
// hand to the page that started it.
#pragma once

#include <string>

namespace corvid::operatortabs {

struct WindowState {
    bool manualRun = false; // events go to the Manual tab (else the Run tab)
    bool idle = true;       // false while a run is in progress
    // The unit model supports formatted reports: results go to the results database.
    bool databaseOutput = false;
    std::string resultsDatabasePath;
    std::string reportsDirectory;
    // The Reports tab lists its files again when next shown.
    bool reportsListStale = false;
    // This plug-in instance set the database's shared administrator flag (cleared at unload).
    bool administratorLoggedIn = false;
};

// The run events of the page that started a run.
class RunEvents {
public:
    virtual void OnSequenceBegin() = 0;
    virtual void OnTestBegin(const std::string& name) = 0;
    virtual void OnTestEnd(const std::string& name, int code) = 0;
    virtual void OnSequenceEnd(int result) = 0;
    // 1 aborted, 2 failed, 3 passed, 4 indeterminate.
    virtual int OverallCode() const = 0;

protected:
    ~RunEvents() = default;
};

} // namespace corvid::operatortabs
