#include "operatordb/bindings_stations.h"

namespace corvid::operatordb {

DB_TestStations::DB_TestStations(DatabaseRef db) : RecordBinding(std::move(db), "[TestStations]") {
    BindColumn("TestStationID", TestStationID);
    BindColumn("Name", Name);
}

DB_StationInstances::DB_StationInstances(DatabaseRef db)
    : RecordBinding(std::move(db), "[TestStation_has_Instances]") {
    BindColumn("TestStationID", TestStationID);
    BindColumn("DeviceInstanceID", DeviceInstanceID);
}

DB_TestInstanceUsage::DB_TestInstanceUsage(DatabaseRef db)
    : RecordBinding(std::move(db), "[TestPlan_uses_Instances]") {
    BindColumn("TestStationID", TestStationID);
    BindColumn("TestPlanID", TestPlanID);
    BindColumn("DeviceSubstitutionGroup", DeviceSubstitutionGroup);
    BindColumn("DeviceInstanceID", DeviceInstanceID);
}

DB_TestInstanceUsageView::DB_TestInstanceUsageView(DatabaseRef db)
    : RecordBinding(std::move(db), "[qry_GUI_InstanceUseage]") {
    BindColumn("TestStationID", TestStationID);
    BindColumn("TestPlanID", TestPlanID);
    BindColumn("DSGID", DSGID);
    BindColumn("DeviceInstanceID", DeviceInstanceID);
    BindColumn("IconID", IconID);
    BindColumn("Name", Name);
}

DB_IsAdminLoggedIn::DB_IsAdminLoggedIn(DatabaseRef db)
    : RecordBinding(std::move(db), "[__sys_AdminLoggedIn]") {
    BindColumn("IsAdminLoggedIn", IsAdminLoggedIn);
}

} // namespace corvid::operatordb
