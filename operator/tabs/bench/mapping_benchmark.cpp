// Prints what Auto Map All and loading a map file cost on a generated test plan (by
// default 300 DSGs with three models each); not a test.
//   operatortabs_mapping_benchmark [--dsgs N] [--repeat N]
#include "operatordb/database.h"
#include "operatordb/schema.h"
#include "operatortabs/equipment_mapping.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace corvid;
using Clock = std::chrono::steady_clock;

class SilentPrompt final : public operatortabs::Prompt {
public:
    platform::MsgAnswer Ask(const platform::MessageBoxRequest& request) override {
        ++shown;
        last = request.text;
        return platform::MsgAnswer::Ok;
    }
    int shown = 0;
    std::string last;
};

std::string DsgName(int dsg) {
    char name[32];
    std::snprintf(name, sizeof name, "Group %04d", dsg);
    return name;
}

// A plan of dsgs DSGs, each served by three models of its own with GPIB defaults, default
// properties and calibration data; stations 1 and 2.
void Generate(operatordb::Database& db, int dsgs) {
    operatordb::Transaction transaction(db);
    db.Execute("INSERT INTO TestStations (TestStationID, Name) VALUES (1, 'Bench A'), (2, 'Bench B')");
    db.Execute("INSERT INTO __sys_TestPlans (TestPlanID, Name, LongName) VALUES (1, 'PLAN', 'Generated plan "
               "Rev 01.00')");
    for (int dsg = 1; dsg <= dsgs; ++dsg) {
        db.Execute("INSERT INTO __sys_DSGs (TestPlanID, DSGID, Name) VALUES (1, :d, :n)",
                   {{"d", dsg}, {"n", DsgName(dsg)}});
        for (int k = 0; k < 3; ++k) {
            const int model = dsg * 3 + k;
            const operatordb::Parameters m = {{"m", model}};
            db.Execute("INSERT INTO __sys_DeviceTypes (DeviceTypeID, Alias, CalibrationInterval, "
                       "CopyDefaultCalDataQuery, ValidIOs, DefaultIOType) VALUES (:m, :a, 12, "
                       "'qry_CopyDefaultCalData', 2, 2)",
                       {{"m", model}, {"a", DsgName(dsg) + " model " + std::to_string(k)}});
            db.Execute(
                "INSERT INTO __sys_DSG_has_DeviceTypes (TestPlanID, DSGID, DeviceTypeID) VALUES (1, :d, :m)",
                {{"d", dsg}, {"m", model}});
            db.Execute(
                "INSERT INTO __sys_InterfaceData_GPIB (DeviceTypeID, Board, Address1) VALUES (:m, 0, 5)", m);
            db.Execute(
                "INSERT INTO __sys_DeviceType_has_Properties (DeviceTypeID, DeviceProperty, ValueType, Value)"
                " VALUES (:m, 'Range', 'Real', '10')",
                m);
            db.Execute(
                "INSERT INTO __sys_DeviceType_CalData (DeviceTypeID, Point, Parameter, Nominal, Correction,"
                " Uncertainty) VALUES (:m, 1, 'P1', 1.0, 0.0, 0.001)",
                m);
        }
    }
    transaction.Commit();
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Wall and processor time of one piece of work: on a shared machine the processor time
// tells what the work itself costs.
struct Timing {
    double wall = 0, cpu = 0;
};

template <class Work>
Timing Measure(Work work) {
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    work();
    return {Seconds(Clock::now() - start), double(std::clock() - cpuStart) / CLOCKS_PER_SEC};
}

} // namespace

int main(int argc, char** argv) {
    int dsgs = 300, repeat = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--dsgs")
            dsgs = std::atoi(argv[i + 1]);
        else if (option == "--repeat")
            repeat = std::atoi(argv[i + 1]);
    }
    std::vector<Timing> autoMap, load;
    for (int run = 0; run < repeat; ++run) {
        auto dir = std::filesystem::temp_directory_path() / ("mapping-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        {
            operatordb::Database db(dir / "instruments.db", operatordb::FileMode::CreateIfMissing);
            operatordb::CreateInstrumentSchema(db);
            Generate(db, dsgs);
            SilentPrompt prompt;
            operatortabs::CMapEquipment benchA(db, prompt, 1, 1, "Generated plan Rev 01.00");
            benchA.Initialize();
            autoMap.push_back(Measure([&] { benchA.AutoMapAll(); }));
            if (prompt.shown)
                std::fprintf(stderr, "Auto Map All showed: %s\n", prompt.last.c_str());

            std::ofstream map(dir / "map.txt");
            for (int dsg = 1; dsg <= dsgs; ++dsg)
                map << "[" << DsgName(dsg) << "]\n " << DsgName(dsg) << " model 2=SN-" << dsg << "\n "
                    << DsgName(dsg) << " model 0=\n " << DsgName(dsg) << " model 1=\n\n";
            map.close();
            operatortabs::CMapEquipment benchB(db, prompt, 2, 1, "Generated plan Rev 01.00");
            benchB.Initialize();
            std::string shown;
            load.push_back(Measure([&] { shown = benchB.LoadFromFile(dir / "map.txt"); }));
            if (shown != "Successfully mapped equipment with no errors")
                std::fprintf(stderr, "Load from file showed: %s\n", shown.c_str());
        }
        std::filesystem::remove_all(dir);
    }
    auto report = [](const char* what, std::vector<Timing> times) {
        std::sort(times.begin(), times.end(),
                  [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
        const Timing& best = times.front();
        const Timing& median = times[times.size() / 2];
        std::printf("%-40s best %7.3f s (cpu %.3f s)  median %7.3f s (cpu %.3f s)\n", what, best.wall,
                    best.cpu, median.wall, median.cpu);
    };
    std::printf("%d DSGs, three models each, %d runs\n", dsgs, repeat);
    report("Auto Map All", autoMap);
    report("Load from file (one section per DSG)", load);
    return 0;
}
