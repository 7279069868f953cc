// CTestServices: loads a test plan into the host for a run, runs its tests by name and
// runs the plan's optional service tests around them.
#pragma once

#include <string>

namespace corvid::operatortabs {

inline constexpr const char* kServicesStart = "TestServicesStart";
inline constexpr const char* kServicesStop = "TestServicesStop";

// Result codes of a test and of a run.
enum ResultCode : int { kAborted = 1, kFailed = 2, kPassed = 3, kIndeterminate = 4 };

struct RunConditions {
    std::string stationName;
    std::string fixtureId;
    double temperature = 0;
    double humidity = 0;
    int lineFrequency = 0;
};

class CTestServices {
public:
    // Loads the plan, selects the variant and stores station, fixture and conditions in
    // the host's System table; false (with nothing loaded) when any step fails.
    bool Load(const std::string& planPath, const std::string& variant, const RunConditions& conditions);
    // False when the plan has no such test.
    bool RunTest(const std::string& name);
    // True without service tests; else runs TestServicesStart and is true when it passed.
    bool StartServices();
    void Stop();
    void Unload();
    // Asks the host to abort the running sequence.
    void Abort();
    bool IsService(const std::string& name) const;

    bool loaded() const { return loaded_; }
    bool inSequence() const { return inSequence_; }
    void setInSequence(bool value) { inSequence_ = value; }
    int lastResultCode() const { return lastResultCode_; }
    void setLastResultCode(int code) { lastResultCode_ = code; }

private:
    bool StoreSystemText(const char* variable, const std::string& value);

    bool loaded_ = false;
    bool services_ = false;
    bool inSequence_ = false;
    int lastResultCode_ = 0;
};

} // namespace corvid::operatortabs
