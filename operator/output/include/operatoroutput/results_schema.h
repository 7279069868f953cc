// The results database: the four tables a run is stored in. Text columns compare
// without regard to case; dates are stored as "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS".
#pragma once

#include "operatordb/database.h"

#include <string>

namespace corvid::operatoroutput {

inline constexpr const char* kUniqueIdsTable = "__sys_tblUniqueIds";
inline constexpr const char* kTestingDetailsTable = "__sys_tblTestingDetails";
inline constexpr const char* kTestsTable = "__sys_tblTests";
inline constexpr const char* kEquipInfoTable = "__sys_tblEquipInfo";

// Creates the four tables (with the optional columns AppliedUncertainty,
// TestPlanVersion and LimitedCalibration) and their indexes in an empty database.
void CreateResultsSchema(operatordb::Database& db);

} // namespace corvid::operatoroutput
