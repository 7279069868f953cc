// `halcyon operate` as a process: its JSON lines, its exit statuses and what bad
// arguments get, on a sandboxed station whose plan needs no instruments.
#include "station_fixture.h"

#include <csignal>
#include <nlohmann/json.hpp>

namespace corvid::operatormodule::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Operated {
    int status = -1;
    std::vector<nlohmann::ordered_json> events;
    std::vector<std::string> names() const {
        std::vector<std::string> list;
        for (const auto& event : events)
            list.push_back(event.value("event", "?"));
        return list;
    }
};

class Operate : public StationTest {
protected:
    corvid::testing::ChildProcess Spawn(std::vector<std::string> args) {
        args.insert(args.begin(), {HALCYON_PROGRAM, "operate"});
        return SpawnProgram(args);
    }
    Operated Run(std::vector<std::string> args) {
        auto child = Spawn(std::move(args));
        Operated result;
        std::string line;
        while (child.ReadLine(line))
            result.events.push_back(nlohmann::ordered_json::parse(line));
        result.status = child.Wait();
        return result;
    }
    void SetUp() override {
        StationTest::SetUp();
        ::setenv("CORVID_MSGBOX", "log", 1);
    }
    void TearDown() override {
        ::unsetenv("CORVID_MSGBOX");
        StationTest::TearDown();
    }
    const std::vector<std::string> unit = {"--station", "Demo Bench", "--model",
                                           "LM-4065",   "--serial",   "LK4065-01123"};
    std::vector<std::string> With(std::vector<std::string> more) const {
        more.insert(more.begin(), unit.begin(), unit.end());
        return more;
    }
};

TEST_F(Operate, APassingRunPrintsItsEventsAndReportFiles) {
    Operated run = Run(With({"--variant", "Performance Check", "--operator", "Cy"}));
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(run.names(), ElementsAre("sequence-begin", "test-begin", "test-end", "test-begin", "test-end",
                                         "test-begin", "test-end", "sequence-end", "reports"));
    EXPECT_EQ(run.events[2].dump(), R"({"event":"test-end","name":"Identify","code":3,"result":"Passed"})");
    EXPECT_EQ(run.events[7].dump(), R"({"event":"sequence-end","overall":3,"last_result":"UUT Passed"})");
    const auto& files = run.events.back()["files"];
    ASSERT_EQ(files.size(), 2u); // a run that traces nothing leaves no .log
    for (const auto& file : files) {
        EXPECT_TRUE(std::filesystem::exists(file.get<std::string>())) << file;
        EXPECT_THAT(file.get<std::string>(), HasSubstr("/Output/LM-4065/LK4065-01123_"));
    }
    // The fields given are the next run's defaults.
    EXPECT_THAT(Read(base / "TestPlan" / "$$$.TestInfo"), HasSubstr("Operator:           Cy\n"));
}

TEST_F(Operate, TheExitStatusIsTheRunsResult) {
    WritePlan({{"DC Voltage", "1"}});
    EXPECT_EQ(Run(unit).status, 1);
    WritePlan({{"Identify", "error"}});
    EXPECT_EQ(Run(unit).status, 2);
}

TEST_F(Operate, RefusedRunsEndWithStatus3) {
    // Nothing assigned to the counter there: the question is answered no, then yes.
    std::vector<std::string> service = {"--station", "Service Bench", "--model",
                                        "LM-4065",   "--serial",      "LK4065-01123"};
    EXPECT_EQ(Run(service).status, 3);
    service.insert(service.end(), {"--answer", "yes"});
    EXPECT_EQ(Run(service).status, 0);
    EXPECT_EQ(Run(With({"--serial", "LK4065-99999"})).status, 3); // not in the instrument database
    std::filesystem::remove(base / "TestPlan" / "lm4065_cal.lua");
    EXPECT_EQ(Run(unit).status, 3);
    // No serial number and no UUT component to identify the unit.
    EXPECT_EQ(Run({"--station", "Demo Bench", "--model", "LM-4065"}).status, 3);
}

TEST_F(Operate, OverdueStandardsAreAnsweredLikeTheOtherQuestions) {
    LetCounterLapse();
    EXPECT_EQ(Run(unit).status, 3);
    EXPECT_EQ(Run(With({"--answer", "yes"})).status, 0);
}

TEST_F(Operate, BadArgumentsEndWithStatus4) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--colour", "red"},
             {"--station"},
             {"--temperature", "200.5"},
             {"--humidity", "wet"},
             {"--line-frequency", "50.5"},
             {"--uncertainty", "maybe"},
             {"--answer", "perhaps"},
             {"--station", "Nowhere"},
             {"--model", "LM-9999"},
             {"--variant", "Quick Look"},
             {"--testinfo", "/no/such.TestInfo"},
         })
        EXPECT_EQ(Run(args).status, 4) << args.front();
}

TEST_F(Operate, ManualTestsRunInTheOrderGivenWithTheirLoops) {
    Operated run = Run(With({"--variant", "Performance Check", "--manual", "Frequency", "--manual",
                             "identify", "--loops", "2", "--step"}));
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> ends;
    for (const auto& event : run.events)
        if (event["event"] == "test-end")
            ends.push_back(event["name"].get<std::string>() + " " + event["result"].get<std::string>());
    EXPECT_THAT(ends,
                ElementsAre("Frequency Passed", "Identify Passed", "Frequency Passed", "Identify Passed"));
    EXPECT_EQ(run.events[run.events.size() - 2].dump(),
              R"({"event":"sequence-end","overall":3,"last_result":"Identify, PASSED"})");
    for (const auto& file : run.events.back()["files"])
        if (file.get<std::string>().ends_with(".sum")) {
            EXPECT_THAT(Read(file.get<std::string>()), HasSubstr("Limited Calibration Performed!\n"));
        }
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--loops", "2"},
                                               {"--step"},
                                               {"--manual", "Identify", "--loops", "0"},
                                               {"--manual", "Identify", "--loops", "x"},
                                               {"--manual", "No Such Test"},
                                               {"--manual", "Identify", "--manual", "Identify"}})
        EXPECT_EQ(Run(With(args)).status, 4) << args.back();
}

TEST_F(Operate, SigintAbortsAllTests) {
    std::string text = Read(base / "TestPlan" / "lm4065_cal.lua");
    text.replace(text.find("Report('ran DC Voltage')"), 24, "Report('ran DC Voltage') sleep(20000)");
    std::ofstream(base / "TestPlan" / "lm4065_cal.lua") << text;
    auto child = Spawn(unit);
    std::string line;
    std::vector<std::string> seen;
    while (child.ReadLine(line)) {
        auto event = nlohmann::ordered_json::parse(line);
        seen.push_back(event["event"].get<std::string>() + " " + event.value("name", ""));
        if (event["event"] == "test-begin" && event["name"] == "DC Voltage")
            child.Kill(SIGINT);
        if (event["event"] == "sequence-end") {
            EXPECT_EQ(event["last_result"], "Test(s) Aborted");
        }
    }
    EXPECT_EQ(child.Wait(), 2);
    EXPECT_THAT(seen, ::testing::Contains("test-end DC Voltage"));
    EXPECT_THAT(seen, ::testing::Not(::testing::Contains("test-begin Frequency")));
}

} // namespace
} // namespace corvid::operatormodule::testing
