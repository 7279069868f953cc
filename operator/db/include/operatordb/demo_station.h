// The demo station: a bench with the simulated instruments of the demo (GPIB board 0:
// calibrator at 5, multimeter at 22, counter at 10, relay multiplexer at 15 slot 1),
// equipment models with their interface defaults, calibration dates of which some are
// due and some overdue, a multimeter model as unit under test with declared options,
// and a test plan with variants, tests, option groups, DSGs and assignments.
#pragma once

#include "operatordb/database.h"

#include <chrono>
#include <cstdint>

namespace corvid::operatordb {

// Identifiers of the demo rows that programs and tests look up.
namespace demo {
constexpr int32_t kDemoBench = 1;        // "Demo Bench"
constexpr int32_t kServiceBench = 2;     // "Service Bench"
constexpr int32_t kCalibratorModel = 1;  // VC-9100
constexpr int32_t kMultimeterModel = 2;  // LM-4065, the unit under test
constexpr int32_t kCounterModel = 3;     // FC-3120
constexpr int32_t kMultiplexerModel = 4; // MX-16
constexpr int32_t kTestPlan = 1;         // "LM4065-CAL", file "lm4065_cal.lua"
constexpr int32_t kFullVariant = 1;      // "Full Calibration"
constexpr int32_t kCheckVariant = 2;     // "Performance Check"
constexpr int32_t kUutInstance = 4;      // LK4065-01123, options OPT-FRQ and OPT-REAR
constexpr int32_t kOtherUutInstance = 5; // LK4065-00871, option OPT-HC
} // namespace demo

// Adds the demo rows to a database that has the schema and no rows. Calibration
// dates are counted back from today.
void CreateDemoStation(Database& db, std::chrono::year_month_day today);

} // namespace corvid::operatordb
