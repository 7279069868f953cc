// A sandbox with the demo instrument database, a results database, the configuration
// component and the access data manager registered, and a prompt that records every box.
#pragma once

#include "com/module.h"
#include "db_fixture.h"
#include "operatordb/test_filter.h"
#include "operatoroutput/database_output_manager.h"
#include "operatoroutput/results_schema.h"
#include "testsupport/sandbox.h"

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvid::operatoroutput::testing {

class RecordingOutputPrompt final : public OutputPrompt {
public:
    void Notify(const std::string& text) override { boxes.push_back(text); }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        boxes.push_back(caption + "|" + text);
    }
    std::vector<std::string> boxes;
};

inline void RegisterModule(const char* path) {
    void* module = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    auto registerServer =
        reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
    ASSERT_EQ(registerServer(), com::S_OK);
}

class ResultsTest : public operatordb::testing::DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        RegisterModule(VELACONFIG_MODULE);
        RegisterModule(ACCESSDM_MODULE);
        std::filesystem::create_directories(output);
        std::filesystem::create_directories(reports);
        {
            operatordb::Database results(resultsFile, operatordb::FileMode::CreateIfMissing);
            CreateResultsSchema(results);
        }
        WriteConfiguration("");
        std::tm start{};
        start.tm_year = 2024 - 1900;
        start.tm_mon = 5;
        start.tm_mday = 15;
        start.tm_hour = 14;
        start.tm_min = 30;
        start.tm_sec = 5;
        start.tm_isdst = -1;
        info.startTime = std::mktime(&start);
        info.Operator = "J. Smith";
        info.CustomerName = "Acme Labs";
        info.Station = "Demo Bench";
        info.TPA = "LM4065-CAL";
        info.TPV = "Full Calibration";
        info.Temperature = 23.5;
        info.Humidity = 45;
        info.LineFrequency = 60;
        info.SerialNumber = "LK4065-01123";
        info.UUT = "LM-4065";
        info.outputDirectory = output.string();
        info.UUTModelID = operatordb::demo::kMultimeterModel;
        info.testPlanId = operatordb::demo::kTestPlan;
        info.stationId = operatordb::demo::kDemoBench;
        info.variantId = operatordb::demo::kFullVariant;
        info.UUTInstanceID = operatordb::demo::kUutInstance;
        operatordb::RebuildTestFilter(*db, info.testPlanId, info.variantId, info.UUTModelID,
                                      info.UUTInstanceID);
    }

    // vela.ini with the plan's version and the given lines of "VELA PROJECTS".
    void WriteConfiguration(const std::string& projects) {
        std::ofstream(sandbox.home() / "vela.ini")
            << "[VELA PROJECT VERSIONS]\nlm4065_cal=3.1\n[VELA PROJECTS]\n"
            << projects;
    }

    corvid::testing::Sandbox sandbox;
    std::filesystem::path output = dir.path() / "Output" / "LM-4065";
    std::filesystem::path reports = dir.path() / "Reports";
    std::filesystem::path resultsFile = dir.path() / "Results.db";
    RecordingOutputPrompt prompt;
    CTestInfo info;
};

} // namespace corvid::operatoroutput::testing
