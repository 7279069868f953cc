#include "operatordb/lookups.h"

#include "operatordb/bindings_equipment.h"
#include "operatordb/bindings_plans.h"
#include "sql_text.h"

namespace corvid::operatordb {
namespace {

// One text column of the plan's row of __sys_TestPlans, or "" when it has none.
template <class Field>
std::string TestPlanText(Database& db, int32_t testPlan, Field field) {
    DB_TestPlans2 plans(db);
    plans.SetFilter("TestPlanID = " + std::to_string(testPlan));
    plans.Open(OpenMode::ReadOnly);
    return plans.IsEOF() ? std::string() : plans.*field;
}

} // namespace

std::string TestPlanFileName(Database& db, int32_t testPlan) {
    return TestPlanText(db, testPlan, &DB_TestPlans2::TPAFileName);
}

std::string TestPlanLongName(Database& db, int32_t testPlan) {
    return TestPlanText(db, testPlan, &DB_TestPlans2::LongName);
}

std::string TestPlanReportTitle(Database& db, int32_t testPlan) {
    return TestPlanText(db, testPlan, &DB_TestPlans2::ReportTitle);
}

std::string UutProgId(Database& db, int32_t testPlan, int32_t uutModel) {
    DB_TPAUUTs uuts(db);
    uuts.SetFilter("TestPlanID = " + std::to_string(testPlan) +
                   " AND UUTDeviceTypeID = " + std::to_string(uutModel));
    uuts.Open(OpenMode::ReadOnly);
    return uuts.IsEOF() ? std::string() : uuts.UUTProgID;
}

bool IsKnownUut(Database& db, int32_t uutModel, int32_t instance, const std::string& serialNumber) {
    if (instance == -1)
        return serialNumber.empty();
    if (instance <= 0)
        return false;
    DB_InstancesAll instances(db);
    instances.SetFilter("DeviceTypeID = " + std::to_string(uutModel) + " AND InstanceID = " +
                        std::to_string(instance) + " AND SerialNumber = " + QuotedText(serialNumber));
    instances.Open(OpenMode::ReadOnly);
    return !instances.IsEOF();
}

bool TestPlanAppliesUncertainty(Database& db, int32_t testPlan) {
    DB_TestPlanSupportsUncertainty plans(db);
    plans.SetFilter("TestPlanID = " + std::to_string(testPlan));
    plans.Open(OpenMode::ReadOnly);
    return !plans.IsEOF() && plans.ApplyUncertainty;
}

bool HasNoEquipmentProperties(Database& db, int32_t instance) {
    DB_InstanceAddlProps properties(db);
    properties.param.Instance_ID = instance;
    properties.Open(OpenMode::ReadOnly);
    return properties.IsEOF();
}

} // namespace corvid::operatordb
