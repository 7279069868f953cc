#include "operatortabs/test_services.h"

#include "halcyon/pubapi.h"
#include "halcyon/utacore.h"

#include <cstdio>
#include <strings.h>

namespace corvid::operatortabs {
namespace {
constexpr int kStateRunning = 8;
constexpr const char* kSystem = "System";
} // namespace

bool CTestServices::StoreSystemText(const char* variable, const std::string& value) {
    UtaHandle handle = UtaTableRegFindData(variable, 1, kSystem, 1);
    UtaStringSetValue(handle, value.c_str());
    return value == UtaStringGetValue(handle);
}

bool CTestServices::Load(const std::string& planPath, const std::string& variant,
                         const RunConditions& conditions) {
    Unload();
    if ((VLoadTestsuite(planPath.c_str()) & 0xFFFFu) == 0)
        return false;
    loaded_ = true;
    UtaStringSetValue(UtaTableRegFindData("TestStationID", 1, kSystem, 1), conditions.stationName.c_str());
    if (VSetSelector(variant.c_str()) == 0) {
        Unload();
        return false;
    }
    char info[256];
    std::snprintf(info, sizeof info, "%f,%f,%f", conditions.temperature, conditions.humidity,
                  static_cast<double>(conditions.lineFrequency));
    if (!StoreSystemText("FixtureID", conditions.fixtureId) || !StoreSystemText("TestInfoString", info)) {
        Unload();
        return false;
    }
    services_ = VFindTest("", kServicesStart) != 0 && VFindTest("", kServicesStop) != 0;
    return true;
}

bool CTestServices::RunTest(const std::string& name) {
    VTestHandle test = VFindTest("", name.c_str());
    if (test == 0)
        return false;
    VRunTest(test);
    return true;
}

bool CTestServices::StartServices() {
    if (!services_)
        return true;
    return RunTest(kServicesStart) && lastResultCode_ == kPassed;
}

void CTestServices::Stop() {
    if (services_ && inSequence_)
        RunTest(kServicesStop);
    VGetState();
    VStopSequence();
    VGetState();
}

void CTestServices::Unload() {
    if (!loaded_)
        return;
    VGetState();
    VUnloadTestsuite();
    loaded_ = false;
}

void CTestServices::Abort() {
    if (VGetState() == kStateRunning)
        UtaSetOperatorAbort(1);
}

bool CTestServices::IsService(const std::string& name) const {
    return services_ &&
           (strcasecmp(name.c_str(), kServicesStart) == 0 || strcasecmp(name.c_str(), kServicesStop) == 0);
}

} // namespace corvid::operatortabs
