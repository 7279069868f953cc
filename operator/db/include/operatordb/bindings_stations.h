// Record bindings of test stations, installed equipment and assignments.
#pragma once

#include "operatordb/record_binding.h"

#include <cstdint>
#include <string>

namespace corvid::operatordb {

// [TestStations]: One row per test station; keys come from NextKey("TestStationID").
class DB_TestStations : public RecordBinding {
public:
    explicit DB_TestStations(DatabaseRef db);

    int32_t TestStationID = 0;
    std::string Name;
};

// [TestStation_has_Instances]: Which instances are installed at which station.
class DB_StationInstances : public RecordBinding {
public:
    explicit DB_StationInstances(DatabaseRef db);

    int32_t TestStationID = 0;
    int32_t DeviceInstanceID = 0;
};

// [TestPlan_uses_Instances]: The instance assigned to a DSG (by name) for a station and test plan.
class DB_TestInstanceUsage : public RecordBinding {
public:
    explicit DB_TestInstanceUsage(DatabaseRef db);

    int32_t TestStationID = 0;
    int32_t TestPlanID = 0;
    std::string DeviceSubstitutionGroup;
    int32_t DeviceInstanceID = 0;
};

// [qry_GUI_InstanceUseage]: The assignments joined with their DSG.
class DB_TestInstanceUsageView : public RecordBinding {
public:
    explicit DB_TestInstanceUsageView(DatabaseRef db);

    int32_t TestStationID = 0;
    int32_t TestPlanID = 0;
    int32_t DSGID = 0;
    int32_t DeviceInstanceID = 0;
    int32_t IconID = 0;
    std::string Name;
};

// [__sys_AdminLoggedIn]: The single row of the shared administrator flag.
class DB_IsAdminLoggedIn : public RecordBinding {
public:
    explicit DB_IsAdminLoggedIn(DatabaseRef db);

    bool IsAdminLoggedIn = false;
};

} // namespace corvid::operatordb
