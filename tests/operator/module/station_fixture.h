// A throw-away station for the operator plug-in's tests: the configuration component
// registered in a sandbox, a vela.ini with the station's directories, the demo instrument
// database, and a test plan file of the demo plan's name whose tests end as the test
// says. The application object is started as the library's load would, and the host's
// callbacks are registered for the test's length.
#pragma once

#include "com/module.h"
#include "operatordb/database.h"
#include "operatordb/demo_station.h"
#include "operatordb/schema.h"
#include "operatormodule/host_callbacks.h"
#include "operatormodule/operator_app.h"
#include "testsupport/sandbox.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <map>
#include <string>
#include <vector>

namespace corvid::operatormodule::testing {

// Records every box and answers questions as told.
class RecordingPrompt final : public operatortabs::Prompt {
public:
    platform::MsgAnswer Ask(const platform::MessageBoxRequest& request) override {
        boxes.push_back(request.caption + "|" + request.text);
        return request.buttons == platform::MsgButtons::YesNo ? answer : platform::MsgAnswer::Ok;
    }
    std::vector<std::string> boxes;
    platform::MsgAnswer answer = platform::MsgAnswer::No;
};

class NoMergeTool final : public operatorconfig::ProgramRunner {
public:
    bool Run(const std::string&, const std::vector<std::string>&) override { return false; }
};

inline void RegisterModule(const char* path) {
    void* module = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    auto registerServer =
        reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
    ASSERT_EQ(registerServer(), com::S_OK);
}

class StationTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        RegisterModule(VELACONFIG_MODULE);
        base = sandbox.home() / "station";
        std::filesystem::create_directories(base / "TestPlan");
        std::filesystem::create_directories(base / "Database");
        database = base / "Database" / "Instrument.mdb";
        {
            operatordb::Database db(database, operatordb::FileMode::CreateIfMissing);
            operatordb::CreateInstrumentSchema(db);
            operatordb::CreateDemoStation(
                db, std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
            // The standards are in calibration, so that a run asks nothing about them.
            if (standardsInCalibration)
                db.Execute("UPDATE DeviceInstances SET LastCalibration = :today", {{"today", Today()}});
        }
        std::ofstream(sandbox.home() / "vela.ini") << "[VELA SYSTEM]\nVelaBasePath=" << base.string()
                                                   << "\nTestPlanMain=" << (base / "TestPlan").string()
                                                   << "\nOutputPath=" << (base / "Output").string()
                                                   << "\nInputDataSource=" << database.string() << "\n";
        WritePlan({});
    }

    // Today as the database stores dates (MM/DD/YYYY).
    static std::string Today() {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char text[16];
        std::strftime(text, sizeof text, "%m/%d/%Y", &local);
        return text;
    }
    // The counter's calibration ran out on 01/01/2002.
    void LetCounterLapse() {
        operatordb::Database db(database);
        db.Execute(
            "UPDATE DeviceInstances SET LastCalibration = '01/01/2000' WHERE SerialNumber = 'OM3120-2291'");
    }

    void TearDown() override {
        UnregisterHostCallbacks();
        SetTheApp(nullptr);
    }

    // The demo plan's file with a test for every test of the plan in the database. A
    // verdict is the test's judgement (0, 1, 2) or "error"; a missing one passes.
    // Without publishResult the plan has no CurrentTestResult variable.
    void WritePlan(const std::map<std::string, std::string>& verdicts, const std::string& extra = {},
                   bool publishResult = true) {
        std::ofstream plan(base / "TestPlan" / "lm4065_cal.lua");
        plan << "TestPlan { Name = 'LM4065-CAL', Variants = {'Full Calibration', 'Performance Check'},\n"
                "  Globals = {UniqueID = '', ApplyMeasurementUncertainty = 0, TestDataDBName = '',\n"
                "             CurrentTestID = 0"
             << (publishResult ? ", CurrentTestResult = 0" : "") << "} }\n"
             << extra;
        for (const char* name : {"Identify", "Self Test", "Zero Offset", "DC Voltage", "DC Current",
                                 "High Current", "Frequency"}) {
            auto found = verdicts.find(name);
            std::string verdict = found == verdicts.end() ? "0" : found->second;
            plan << "Test('" << name << "', function()\n  Report('ran " << name << "')\n";
            if (verdict == "error")
                plan << "  error('no bench')\n";
            else if (publishResult)
                plan << "  TestPlanGlobals.CurrentTestResult = " << verdict << "\n  return " << verdict
                     << "\n";
            else
                plan << "  return " << verdict << "\n";
            plan << "end)\n";
        }
    }

    // The "$$$.TestInfo" of a last run on the demo unit, bench, plan and the given variant.
    void WriteLastRun(const std::string& variant = "Performance Check",
                      const std::string& operatorName = {}) {
        std::ofstream out(base / "TestPlan" / "$$$.TestInfo");
        if (!operatorName.empty())
            out << "Operator:           " << operatorName << "\n";
        out << "TPA:                LM4065-CAL\nTPV:                " << variant
            << "\nUUT:                LM-4065\nUUTModelID:         2\nStation:            Demo Bench\n"
               "SerialNumber:       LK4065-01123\nUUTInstanceID:      4\n";
    }

    // Starts the application object as the library's load does.
    COperatorInterfaceApp& StartApp() {
        NoMergeTool merge;
        SetTheApp(COperatorInterfaceApp::Start(prompt, merge));
        EXPECT_NE(TheApp(), nullptr) << (prompt.boxes.empty() ? "" : prompt.boxes.back());
        RegisterHostCallbacks();
        return *TheApp();
    }

    std::vector<std::filesystem::path> OutputFiles() const {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(base / "Output", error))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        return files;
    }

    // A program spawned without leak checks: the programs are leak-checked by the
    // in-process tests.
    static corvid::testing::ChildProcess SpawnProgram(const std::vector<std::string>& args) {
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string saved = asan ? asan : "";
        ::setenv("ASAN_OPTIONS", (saved.empty() ? "detect_leaks=0" : saved + ":detect_leaks=0").c_str(), 1);
        auto child = corvid::testing::ChildProcess::Spawn(args);
        asan ? ::setenv("ASAN_OPTIONS", saved.c_str(), 1) : ::unsetenv("ASAN_OPTIONS");
        return child;
    }

    static std::string Read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path base, database;
    RecordingPrompt prompt;
    // False keeps the demo's dates: the calibrator due within 30 days, the counter overdue.
    bool standardsInCalibration = true;
};

} // namespace corvid::operatormodule::testing
