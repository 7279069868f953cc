// instrdb's administration commands as processes: station add and remove with the tab's
// messages, the equipment list as JSON lines, and clearing the administrator flag.
#include "testsupport/sandbox.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace corvid::testing {
namespace {

struct Result {
    int status = -1;
    std::vector<std::string> out, err;
};

class AdminCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Run({"demo", Db()}).status, 0); }

    Result Run(const std::vector<std::string>& args) {
        std::filesystem::path errors = dir.path() / "stderr.txt";
        std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>'" + errors.string() + "'",
                                         INSTRDB_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        ChildProcess tool = ChildProcess::Spawn(argv);
        Result result;
        std::string line;
        while (tool.ReadLine(line))
            result.out.push_back(line);
        result.status = tool.Wait();
        std::ifstream in(errors);
        while (std::getline(in, line))
            result.err.push_back(line);
        return result;
    }
    std::string Db() const { return (dir.path() / "instruments.db").string(); }
    size_t Stations() { return Run({"sql", Db(), "SELECT Name FROM TestStations"}).out.size() - 1; }

    TempDir dir;
};

TEST_F(AdminCommandsTest, StationsAreAddedAndRemovedWithTheTabsMessages) {
    Result bad = Run({"station", "add", Db(), "Lab 'A'"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, (std::vector<std::string>{"Test station name contains invalid characters!"}));
    EXPECT_EQ(Stations(), 2u);

    EXPECT_EQ(Run({"station", "add", Db(), "Lab A"}).out, (std::vector<std::string>{"Station added!"}));
    Result twice = Run({"station", "add", Db(), "LAB A"});
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.out, (std::vector<std::string>{"Station [LAB A] already exists!"}));
    EXPECT_EQ(Run({"sql", Db(), "SELECT TestStationID FROM TestStations WHERE Name = 'Lab A'"}).out.at(1),
              "3");

    Result busy = Run({"station", "remove", Db(), "Demo Bench"});
    EXPECT_EQ(busy.status, 1);
    EXPECT_EQ(Stations(), 3u);
    Result removed = Run({"station", "remove", Db(), "Lab A"});
    EXPECT_EQ(removed.status, 0);
    EXPECT_EQ(removed.out, (std::vector<std::string>{"Station removed!"}));
    EXPECT_EQ(Run({"station", "remove", Db(), "Lab A"}).status, 1);
    EXPECT_EQ(Run({"station", "rename", Db(), "Lab A"}).status, 2);
}

TEST_F(AdminCommandsTest, EquipmentRowsAreJsonLinesNarrowedByPlanAndDsg) {
    Result all = Run({"equipment", Db(), "Demo Bench"});
    ASSERT_EQ(all.status, 0) << (all.err.empty() ? "" : all.err[0]);
    ASSERT_EQ(all.out.size(), 4u);
    nlohmann::json counter = nlohmann::json::parse(all.out[2]);
    EXPECT_EQ(counter["instance"], 2);
    EXPECT_EQ(counter["alias"], "FC-3120");
    EXPECT_EQ(counter["serialNumber"], "OM3120-2291");
    EXPECT_EQ(counter["dsg"], "");
    EXPECT_EQ(counter["status"], 2);
    EXPECT_EQ(counter["lastCalibration"].get<std::string>().size(), 10u);
    EXPECT_EQ(counter["nextCalibration"].get<std::string>().size(), 10u);

    const std::string plan = "LM-4065 Multimeter Calibration Rev 01.00";
    Result scanner = Run({"equipment", Db(), "Demo Bench", plan, "Input Scanner"});
    ASSERT_EQ(scanner.out.size(), 1u);
    nlohmann::json row = nlohmann::json::parse(scanner.out[0]);
    EXPECT_EQ(row["dsg"], "Input Scanner");
    EXPECT_EQ(row["serialNumber"], "HS16-0042");
    EXPECT_EQ(row["status"], 0);
    EXPECT_EQ(Run({"equipment", Db(), "Demo Bench", plan}).out.size(), 3u);

    EXPECT_EQ(Run({"equipment", Db(), "Nowhere"}).status, 1);
    EXPECT_EQ(Run({"equipment", Db(), "Demo Bench", plan, "Oscilloscope"}).status, 1);
}

TEST_F(AdminCommandsTest, ClearingTheAdministratorFlagWarnsFirst) {
    Run({"sql", Db(), "UPDATE __sys_AdminLoggedIn SET IsAdminLoggedIn = True"});
    EXPECT_EQ(Run({"admin-flag", "show", Db()}).out, (std::vector<std::string>{"1"}));
    Result cleared = Run({"admin-flag", "clear", Db()});
    EXPECT_EQ(cleared.status, 0);
    ASSERT_FALSE(cleared.err.empty());
    EXPECT_EQ(cleared.err[0].rfind("warning:", 0), 0u) << cleared.err[0];
    EXPECT_EQ(cleared.out, (std::vector<std::string>{"Administrator flag cleared."}));
    EXPECT_EQ(Run({"admin-flag", "show", Db()}).out, (std::vector<std::string>{"0"}));
}

} // namespace
} // namespace corvid::testing
