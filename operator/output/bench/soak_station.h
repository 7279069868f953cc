// One simulated station of the soak benchmark, and the shared databases it works on: an
// instrument database holding the generated 500-test plan with equipment, and a results
// database. A station adds its own station row, unit under test and assignments, rebuilds
// the test filter of its selection and stores test results through the results database
// output, timing each test's store.
#pragma once

#include "operatordb/database.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace corvid::operatoroutput::soak {

// Where the stations of one engine work: file paths or server URIs.
struct SharedDatabases {
    std::string instrument;
    std::string results;
};

// The schema, the generated plan (500 tests, 300 DSGs), the plan's description rows and
// the equipment the stations assign, in an empty instrument database.
void PrepareInstrumentDatabase(operatordb::Database& db);

// Median milliseconds of rebuilding the test filter of the plan's own unit, repeat times.
double IdleRebuildMilliseconds(operatordb::Database& db, int repeat);

// What one station did.
struct StationReport {
    double rebuildMs = 0;
    std::vector<double> storeMs; // one per test stored
    int64_t failed = 0;          // operations that failed (message boxes, exceptions)
    int64_t runs = 0;            // runs whose header rows were stored
    int64_t tests = 0;           // result rows stored
    int64_t equipment = 0;       // equipment rows stored with them
};

// Runs station number station (1, 2, ...): sets it up, calls waitForStart, then
// rebuilds its filter and stores tests results in runs of at most the selection's tests.
// Never throws: failures are counted in the report.
StationReport RunStation(const SharedDatabases& databases, int station, int tests,
                         const std::function<void()>& waitForStart);

void WriteReport(const StationReport& report, const std::filesystem::path& file);
// A missing or unreadable file reads as one failed operation.
StationReport ReadReport(const std::filesystem::path& file);

// The rows of the results database.
struct ResultRows {
    int64_t runs = 0;      // __sys_tblUniqueIds
    int64_t details = 0;   // __sys_tblTestingDetails
    int64_t tests = 0;     // __sys_tblTests
    int64_t equipment = 0; // __sys_tblEquipInfo
    int64_t duplicate = 0; // result rows beyond the first of a (run, test)
};
ResultRows CountResultRows(operatordb::Database& results);

} // namespace corvid::operatoroutput::soak
