#include "soak_station.h"

#include "generated_plan.h"
#include "operatordb/bindings_plans.h"
#include "operatordb/schema.h"
#include "operatordb/test_filter.h"
#include "operatoroutput/database_output_manager.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <fstream>
#include <map>
#include <unistd.h>

namespace corvid::operatoroutput::soak {
namespace {

using namespace operatordb;
using Plan = operatordb::bench::GeneratedPlan;
using Clock = std::chrono::steady_clock;

constexpr int kEquipmentInstances = 12;
constexpr int32_t kFirstStation = 100;
constexpr int32_t kFirstUut = 2000;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class CountingPrompt final : public OutputPrompt {
public:
    explicit CountingPrompt(int station) : station_(station) {}
    void Notify(const std::string& text) override {
        std::fprintf(stderr, "station %d notice: %s\n", station_, text.c_str());
    }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "station %d: %s: %s\n", station_, caption.c_str(), text.c_str());
        ++failures;
    }
    int64_t failures = 0;

private:
    int station_;
};

void AddPlanDescription(Database& db) {
    db.Execute("INSERT INTO __sys_TestPlans (TestPlanID, Name, LongName, TPAFileName, ReportTitle) VALUES "
               "(:p, 'SOAK-PLAN', 'Generated soak plan', 'soak_plan.lua', 'Soak Report')",
               {{"p", Plan::kPlan}});
    db.Execute("INSERT INTO __sys_TestPlanVariants (TestPlanID, TestPlanVariantID, Name) VALUES (:p, :v, "
               "'Full')",
               {{"p", Plan::kPlan}, {"v", Plan::kVariant}});
    db.Execute("INSERT INTO __sys_Testplan_has_UUTs (TestPlanID, UUTDeviceTypeID, UUTProgID) VALUES (:p, :m, "
               "'Soak.Uut.1')",
               {{"p", Plan::kPlan}, {"m", Plan::kModel}});
    db.Execute(
        "INSERT INTO __sys_tblTestPlan_Supports_Uncertainty (TestPlanID, ApplyUncertainty) VALUES (:p, "
        "1)",
        {{"p", Plan::kPlan}});
}

// Four equipment models on GPIB and instances of them, and the unit's model.
void AddEquipment(Database& db) {
    db.Execute("INSERT INTO __sys_InterfaceTypes (InterfaceID, Name) VALUES (1, 'None')");
    db.Execute("INSERT INTO __sys_InterfaceTypes (InterfaceID, Name) VALUES (2, 'GPIB')");
    for (int model = 1; model <= 4; ++model) {
        db.Execute("INSERT INTO __sys_DeviceTypes (DeviceTypeID, Model, Alias, IconID, CalibrationInterval, "
                   "ProgID, ValidIOs, DefaultIOType, MultiComponent) VALUES (:m, :n, :a, 1, 12, "
                   "'VisaGpib.VisaGpib.1', 2, 2, 0)",
                   {{"m", model},
                    {"n", "Soak Instrument " + std::to_string(model)},
                    {"a", "SI-" + std::to_string(model)}});
    }
    db.Execute("INSERT INTO __sys_DeviceTypes (DeviceTypeID, Model, Alias, ValidIOs, DefaultIOType) VALUES "
               "(:m, 'Soak Unit', 'SU-1', 2, 2)",
               {{"m", Plan::kModel}});
    for (int instance = 1; instance <= kEquipmentInstances; ++instance) {
        db.Execute("INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber, Priority, "
                   "LastCalibration, TraceNumber, InterfaceType) VALUES (:i, :m, :s, 0, '06/01/2026', :t, 2)",
                   {{"i", instance},
                    {"m", 1 + instance % 4},
                    {"s", "SOAK-EQ-" + std::to_string(instance)},
                    {"t", "TR-" + std::to_string(instance)}});
        db.Execute("INSERT INTO InterfaceData_GPIB (InstanceID, TempInterface, Board, Address1, Address2, "
                   "Timeout) VALUES (:i, 1, 0, :a, 0, 13)",
                   {{"i", instance}, {"a", instance}});
    }
}

// The station row, its unit under test (with the options of the plan's own unit) and
// an instance assigned to each of the plan's DSGs, in one unit.
void AddStation(Database& db, int station) {
    const int32_t stationId = kFirstStation + station, uut = kFirstUut + station;
    Transaction transaction(db);
    db.Execute("INSERT INTO TestStations (TestStationID, Name) VALUES (:s, :n)",
               {{"s", stationId}, {"n", "Soak Station " + std::to_string(station)}});
    db.Execute("INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber, InterfaceType) VALUES "
               "(:i, :m, :s, 2)",
               {{"i", uut}, {"m", Plan::kModel}, {"s", "SOAK-UUT-" + std::to_string(station)}});
    db.Execute("INSERT INTO DeviceInstance_has_Options (InstanceID, DeviceOptionID, Undetectable) SELECT :i, "
               "DeviceOptionID, Undetectable FROM DeviceInstance_has_Options WHERE InstanceID = :base",
               {{"i", uut}, {"base", Plan::kInstance}});
    for (int instance = 1; instance <= kEquipmentInstances; ++instance) {
        db.Execute("INSERT INTO TestStation_has_Instances (TestStationID, DeviceInstanceID) VALUES (:s, :i)",
                   {{"s", stationId}, {"i", instance}});
    }
    Recordset dsgs = db.OpenRecordset(
        "SELECT DSGID, Name FROM __sys_DSGs WHERE TestPlanID = :p ORDER BY DSGID", {{"p", Plan::kPlan}});
    std::vector<std::pair<int32_t, std::string>> groups;
    for (; !dsgs.IsEOF(); dsgs.MoveNext()) {
        groups.emplace_back(static_cast<int32_t>(dsgs.GetValue(0).AsInteger()), dsgs.GetValue(1).AsText());
    }
    for (const auto& [dsg, name] : groups) {
        db.Execute("INSERT INTO TestPlan_uses_Instances (TestStationID, TestPlanID, DeviceSubstitutionGroup, "
                   "DeviceInstanceID) VALUES (:s, :p, :g, :i)",
                   {{"s", stationId},
                    {"p", Plan::kPlan},
                    {"g", name},
                    {"i", 1 + (dsg + station) % kEquipmentInstances}});
    }
    transaction.Commit();
}

// Equipment rows each test of the selection stores: one per DSG requirement, as the
// station assigns an instance to every DSG.
std::map<int32_t, int64_t> EquipmentRowsPerTest(Database& db, int32_t uut) {
    std::map<int32_t, int64_t> rows;
    DB_TestRequiresDSGs groups(db);
    groups.SetFilter("TestPlanID = " + std::to_string(Plan::kPlan) + " AND TestVariantID= " +
                     std::to_string(Plan::kVariant) + " AND UUTInstanceID=" + std::to_string(uut));
    groups.Open(OpenMode::ReadOnly);
    for (; !groups.IsEOF(); groups.MoveNext()) {
        ++rows[groups.TestID];
    }
    return rows;
}

CTestInfo RunInfo(int station, int run) {
    CTestInfo info;
    info.startTime = std::time(nullptr);
    // Serial numbers of their own keep the runs' unique IDs apart within one second.
    info.SerialNumber = "SOAK-UUT-" + std::to_string(station) + "-" + std::to_string(run);
    info.UUT = "SU-1";
    info.TPA = "SOAK-PLAN";
    info.TPV = "Full";
    info.Station = "Soak Station " + std::to_string(station);
    info.UUTModelID = Plan::kModel;
    info.testPlanId = Plan::kPlan;
    info.stationId = kFirstStation + station;
    info.variantId = Plan::kVariant;
    info.UUTInstanceID = kFirstUut + station;
    return info;
}

// Stores tests results in runs of the selection's tests.
void StoreTests(Database& db, const SharedDatabases& databases, int station, int tests,
                const std::vector<std::string>& names, StationReport& report) {
    CountingPrompt prompt(station);
    const std::map<int32_t, int64_t> equipment = EquipmentRowsPerTest(db, kFirstUut + station);
    CDatabaseOutputManager output(db, prompt);
    output.SetResultsDatabase(databases.results, std::filesystem::temp_directory_path().string());
    int stored = 0, run = 0;
    while (stored < tests) {
        if (!output.Initialize(RunInfo(station, ++run), false)) {
            break;
        }
        ++report.runs;
        for (size_t i = 0; i < names.size() && stored < tests; ++i, ++stored) {
            const std::string& name = names[i];
            Clock::time_point start = Clock::now();
            bool ok = output.PutTestResult(name, i % 7 == 0 ? 2 : 3);
            report.storeMs.push_back(MillisecondsSince(start));
            if (!ok) {
                continue;
            }
            ++report.tests;
            auto rows = equipment.find(output.TestID(name));
            report.equipment += rows == equipment.end() ? 0 : rows->second;
        }
        output.UpdateTestPlanResult(2);
        output.Close();
    }
    report.failed += prompt.failures;
}

} // namespace

void PrepareInstrumentDatabase(Database& db) {
    CreateInstrumentSchema(db);
    operatordb::bench::PlanSize size;
    size.tests = 500;
    operatordb::bench::GeneratePlan(db, size);
    Transaction transaction(db);
    AddPlanDescription(db);
    AddEquipment(db);
    transaction.Commit();
    if (db.IsServer()) {
        db.ExecuteNative("ANALYZE"); // as the server's autovacuum does soon after a load
    }
}

double IdleRebuildMilliseconds(Database& db, int repeat) {
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        Clock::time_point start = Clock::now();
        RebuildTestFilter(db, Plan::kPlan, Plan::kVariant, Plan::kModel, Plan::kInstance);
        times.push_back(MillisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

StationReport RunStation(const SharedDatabases& databases, int station, int tests,
                         const std::function<void()>& waitForStart) {
    StationReport report;
    bool started = false;
    try {
        Database db(databases.instrument);
        AddStation(db, station);
        waitForStart();
        started = true;
        Clock::time_point start = Clock::now();
        RebuildTestFilter(db, Plan::kPlan, Plan::kVariant, Plan::kModel, kFirstUut + station);
        report.rebuildMs = MillisecondsSince(start);
        std::vector<std::string> names;
        TestsOfSelection(db, Plan::kPlan, Plan::kVariant, kFirstUut + station, names);
        if (names.empty()) {
            throw std::runtime_error("the selection has no tests");
        }
        StoreTests(db, databases, station, tests, names, report);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "station %d: %s\n", station, error.what());
        ++report.failed;
    }
    if (!started) {
        waitForStart();
    }
    return report;
}

void WriteReport(const StationReport& report, const std::filesystem::path& file) {
    std::ofstream out(file);
    out << report.rebuildMs << ' ' << report.failed << ' ' << report.runs << ' ' << report.tests << ' '
        << report.equipment << ' ' << report.storeMs.size() << '\n';
    for (double ms : report.storeMs) {
        out << ms << '\n';
    }
}

StationReport ReadReport(const std::filesystem::path& file) {
    StationReport report;
    std::ifstream in(file);
    size_t count = 0;
    if (!(in >> report.rebuildMs >> report.failed >> report.runs >> report.tests >> report.equipment >>
          count)) {
        std::fprintf(stderr, "no report in %s\n", file.c_str());
        return StationReport{0, {}, 1, 0, 0, 0};
    }
    report.storeMs.resize(count);
    for (double& ms : report.storeMs) {
        in >> ms;
    }
    return report;
}

ResultRows CountResultRows(Database& results) {
    auto count = [&](const std::string& sql) {
        return results.OpenRecordset(sql).GetValue(0).AsInteger();
    };
    ResultRows rows;
    rows.runs = count("SELECT count(*) FROM __sys_tblUniqueIds");
    rows.details = count("SELECT count(*) FROM __sys_tblTestingDetails");
    rows.tests = count("SELECT count(*) FROM __sys_tblTests");
    rows.equipment = count("SELECT count(*) FROM __sys_tblEquipInfo");
    rows.duplicate =
        rows.tests -
        count("SELECT count(*) FROM (SELECT DISTINCT UniqueID, TestID FROM __sys_tblTests) AS d");
    return rows;
}

} // namespace corvid::operatoroutput::soak
