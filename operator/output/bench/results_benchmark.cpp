// Storing and exporting a large run through the results database output: the demo
// station with 1,000 more tests, each needing the three groups the Demo Bench has
// assigned, stored test by test (each test's rows in one transaction), then the demo
// detail, summary and trace reports exported as PDF.
//
//   operatoroutput_results_benchmark TEMPLATEDIR [--tests N]
//
// Registers the components in a throw-away CORVID_HOME; prints the figures.
#include "operatordb/database.h"
#include "operatordb/demo_station.h"
#include "operatordb/schema.h"
#include "operatordb/test_filter.h"
#include "operatoroutput/database_output_manager.h"
#include "operatoroutput/results_schema.h"
#include "register_module.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace corvid;
using Clock = std::chrono::steady_clock;

class PrintingPrompt final : public operatoroutput::OutputPrompt {
public:
    void Notify(const std::string& text) override { std::fprintf(stderr, "notice: %s\n", text.c_str()); }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        ++failures;
    }
    int failures = 0;
};

void AddTests(operatordb::Database& db, int count) {
    operatordb::Transaction transaction(db);
    for (int i = 0; i < count; ++i) {
        int32_t test = 1000 + i;
        db.Execute(
            "INSERT INTO __sys_Tests (TestPlanID, TestID, Name, Description) VALUES (1, :t, :n, 'generated')",
            {{"t", test}, {"n", "Generated Test " + std::to_string(i + 1)}});
        db.Execute("INSERT INTO __sys_TestPlanVariant_has_Tests (TestPlanID, TestPlanVariantID, TestID, "
                   "TestSequenceOrder, RemoveTest, OptGrpID) VALUES (1, 1, :t, :o, 0, 0)",
                   {{"t", test}, {"o", 100 + i}});
        for (int dsg = 1; dsg <= 3; ++dsg)
            db.Execute("INSERT INTO __sys_Test_requires_DSG (TestPlanID, TestID, DSGID, RemoveDSG, OptGrpID) "
                       "VALUES (1, :t, :d, 0, 0)",
                       {{"t", test}, {"d", dsg}});
    }
    transaction.Commit();
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Processor time of this process: on a shared machine the wall-clock figures also count
// the time other programs had the processors.
double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TEMPLATEDIR [--tests N]\n", argv[0]);
        return 2;
    }
    fs::path templates = fs::absolute(argv[1]);
    int tests = argc >= 4 && std::string(argv[2]) == "--tests" ? std::atoi(argv[3]) : 1000;
    fs::path home = fs::temp_directory_path() / ("results-bench-" + std::to_string(::getpid()));
    fs::create_directories(home / "Output");
    ::setenv("CORVID_HOME", home.c_str(), 1);
    ::setenv("CORVID_RUNTIME_DIR", (home / "run").c_str(), 1);
    if (!operatoroutput::bench::RegisterModule(VELACONFIG_MODULE) ||
        !operatoroutput::bench::RegisterModule(ACCESSDM_MODULE) ||
        !operatoroutput::bench::RegisterModule(REPORTENGINE_MODULE)) {
        return 1;
    }
    const std::string key = "LM-4065_LM4065-CAL_Full Calibration";
    std::ofstream(home / "vela.ini") << "[VELA PROJECT VERSIONS]\nlm4065_cal=01.00\n[VELA PROJECTS]\n"
                                     << key << "=lm4065_detail.rpt\n"
                                     << key << "_Summary=lm4065_summary.rpt\n"
                                     << key << "_Trace=lm4065_trace.rpt\n";

    operatordb::Database db(home / "Instrument.mdb", operatordb::FileMode::CreateIfMissing);
    operatordb::CreateInstrumentSchema(db);
    operatordb::CreateDemoStation(db, std::chrono::year_month_day{std::chrono::year(2026) / 1 / 15});
    AddTests(db, tests);
    {
        operatordb::Database results(home / "Results.mdb", operatordb::FileMode::CreateIfMissing);
        operatoroutput::CreateResultsSchema(results);
    }
    operatoroutput::CTestInfo info;
    info.startTime = std::time(nullptr);
    info.SerialNumber = "LK4065-01123";
    info.UUT = "LM-4065";
    info.TPA = "LM4065-CAL";
    info.TPV = "Full Calibration";
    info.Station = "Demo Bench";
    info.outputDirectory = (home / "Output").string();
    info.UUTModelID = operatordb::demo::kMultimeterModel;
    info.testPlanId = operatordb::demo::kTestPlan;
    info.stationId = operatordb::demo::kDemoBench;
    info.variantId = operatordb::demo::kFullVariant;
    info.UUTInstanceID = operatordb::demo::kUutInstance;
    operatordb::RebuildTestFilter(db, info.testPlanId, info.variantId, info.UUTModelID, info.UUTInstanceID);

    PrintingPrompt prompt;
    operatoroutput::CDatabaseOutputManager output(db, prompt);
    output.SetResultsDatabase((home / "Results.mdb").string(), templates.string());
    if (!output.Initialize(info, false))
        return 1;
    Clock::time_point start = Clock::now();
    double cpu = CpuSeconds();
    for (int i = 0; i < tests; ++i)
        output.PutTestResult("Generated Test " + std::to_string(i + 1), i % 7 == 0 ? 2 : 3);
    double storing = Seconds(start), storingCpu = CpuSeconds() - cpu;
    output.UpdateTestPlanResult(2);
    start = Clock::now();
    cpu = CpuSeconds();
    bool exported = output.ExportReports();
    double exporting = Seconds(start), exportingCpu = CpuSeconds() - cpu;
    output.Close();

    operatordb::Database results(home / "Results.mdb");
    auto count = [&](const char* table) {
        return results.OpenRecordset(std::string("SELECT count(*) FROM ") + table).GetValue(0).AsInteger();
    };
    std::printf("tests stored:          %lld (equipment rows %lld)\n",
                static_cast<long long>(count("__sys_tblTests")),
                static_cast<long long>(count("__sys_tblEquipInfo")));
    std::printf("storing:               %.1f ms in all, %.3f ms per test (processor %.3f ms per test)\n",
                storing * 1000, storing * 1000 / tests, storingCpu * 1000 / tests);
    std::printf("exporting 3 reports:   %.2f s (processor %.2f s)%s\n", exporting, exportingCpu,
                exported ? "" : " (failed)");
    for (const std::string& file : output.exportedReports())
        std::printf("  %s  %lld bytes\n", fs::path(file).filename().c_str(),
                    static_cast<long long>(fs::file_size(file)));
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return prompt.failures == 0 && exported ? 0 : 1;
}
