// Prints what the Administration tab's equipment list costs for a station with 2,000
// installed instances (demo models, GPIB settings in use, declared options on some),
// in a database file on disk: without a test plan (every instance installed at the
// station) and with one (every instance assigned to a DSG of the plan).
// Usage: operatordb_equipment_list_benchmark [--instances N] [--repeat N]
#include "operatordb/administration.h"
#include "operatordb/demo_station.h"
#include "operatordb/interface_types.h"
#include "operatordb/schema.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace corvid::operatordb;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int32_t kStation = 3;
constexpr int32_t kPlan = 2;

void Fill(Database& db, int instances) {
    Transaction transaction(db);
    db.Execute("INSERT INTO TestStations (TestStationID, Name) VALUES (3, 'Large Bench')");
    db.Execute("INSERT INTO __sys_TestPlans (TestPlanID, Name, LongName) VALUES (2, 'LARGE', 'Large Plan')");
    for (int i = 0; i < instances; ++i) {
        const int32_t id = 100 + i, model = 1 + i % 5, dsg = 10 + i;
        const std::string serial = "SN-" + std::to_string(id);
        db.Execute(
            "INSERT INTO DeviceInstances (InstanceID, DeviceTypeID, SerialNumber, LastCalibration,"
            " TraceNumber, InterfaceType) VALUES (:id, :model, :serial, :date, 'TR', 2)",
            {{"id", id}, {"model", model}, {"serial", serial}, {"date", i % 3 ? "03/15/2025" : "bad"}});
        db.Execute("INSERT INTO InterfaceData_GPIB (InstanceID, TempInterface, Board, Address1)"
                   " VALUES (:id, 1, 0, :address)",
                   {{"id", id}, {"address", i % 31}});
        db.Execute("INSERT INTO TestStation_has_Instances VALUES (3, :id)", {{"id", id}});
        if (model == 2)
            db.Execute("INSERT INTO DeviceInstance_has_Options VALUES (:id, 'OPT-HC', 1)", {{"id", id}});
        db.Execute("INSERT INTO __sys_DSGs (TestPlanID, DSGID, Name, IconID) VALUES (2, :dsg, :name, 1)",
                   {{"dsg", dsg}, {"name", "DSG " + std::to_string(dsg)}});
        db.Execute("INSERT INTO TestPlan_uses_Instances VALUES (3, 2, :name, :id)",
                   {{"name", "DSG " + std::to_string(dsg)}, {"id", id}});
    }
    transaction.Commit();
}

void Measure(Database& db, const char* what, int32_t plan, int repeat) {
    std::vector<double> times;
    size_t rows = 0;
    for (int i = 0; i < repeat; ++i) {
        Clock::time_point start = Clock::now();
        rows = EquipmentList(db, kStation, plan, -1).size();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%-18s %5zu rows: best %8.2f ms  median %8.2f ms  worst %8.2f ms  (%d runs)\n", what, rows,
                times.front(), times[times.size() / 2], times.back(), repeat);
}

} // namespace

int main(int argc, char** argv) {
    int instances = 2000, repeat = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--instances") == 0)
            instances = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--repeat") == 0)
            repeat = std::max(1, std::atoi(argv[i + 1]));
    }
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("equipment-list-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    {
        Database db(dir / "instruments.db", FileMode::CreateIfMissing);
        CreateInstrumentSchema(db);
        CreateDemoStation(db, std::chrono::year(2025) / 6 / 15);
        Fill(db, instances);
        LoadInterfaceTypeNames(db);
        Measure(db, "station only", -1, repeat);
        Measure(db, "station and plan", kPlan, repeat);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
