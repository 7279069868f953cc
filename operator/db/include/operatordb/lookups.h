// Small lookups of test plans and units under test that the operator tabs, the result
// writers and the test information file share. Each opens its record set for the one
// question and closes it; a database error propagates as DbError.
#pragma once

#include "operatordb/database.h"

#include <cstdint>
#include <string>

namespace corvid::operatordb {

// TPAFileName of the test plan, or "" when it has no row.
std::string TestPlanFileName(Database& db, int32_t testPlan);
// LongName of the test plan, or "".
std::string TestPlanLongName(Database& db, int32_t testPlan);
// ReportTitle of the test plan, or "".
std::string TestPlanReportTitle(Database& db, int32_t testPlan);
// UUTProgID of the UUT component for the test plan and UUT model, or "".
std::string UutProgId(Database& db, int32_t testPlan, int32_t uutModel);
// Instance -1: true exactly when the serial number is empty; instance 0 or less: false;
// else whether DeviceInstances has the row (model, instance, serial number).
bool IsKnownUut(Database& db, int32_t uutModel, int32_t instance, const std::string& serialNumber);
// ApplyUncertainty of the test plan, false when it has no row.
bool TestPlanAppliesUncertainty(Database& db, int32_t testPlan);
// True when qry_GUI_EquipProperties returns no row for the instance.
bool HasNoEquipmentProperties(Database& db, int32_t instance);

} // namespace corvid::operatordb
