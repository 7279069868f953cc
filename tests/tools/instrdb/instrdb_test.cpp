// instrdb as a user runs it: each subcommand as a process, with its output and status.
#include "instrdb_fixture.h"
#include "operatordb/database.h"

#include <fstream>
#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

TEST_F(InstrdbTest, InitCreatesTheSchemaWithoutRowsAndRefusesToOverwrite) {
    ASSERT_EQ(Run({"init", Db()}).status, 0);
    Result stations = Run({"sql", Db(), "SELECT * FROM TestStations"});
    EXPECT_EQ(stations.status, 0);
    EXPECT_EQ(stations.lines, (std::vector<std::string>{"TestStationID\tName"}));
    EXPECT_EQ(Run({"sql", Db(), "SELECT count(*) AS n FROM MSysQueries"}).lines.at(1), "15");

    Result again = Run({"init", Db()});
    EXPECT_EQ(again.status, 2);
    ASSERT_FALSE(again.lines.empty());
    EXPECT_NE(again.lines[0].find("already holds a database"), std::string::npos) << again.lines[0];
    EXPECT_EQ(Run({"demo", Db()}).status, 2);
    EXPECT_EQ(Run({"sql", Db(), "SELECT * FROM TestStations"}).lines.size(), 1u) << "the file was changed";
}

TEST_F(InstrdbTest, SqlPrintsTabSeparatedRowsOrTheRowsChanged) {
    ASSERT_EQ(Run({"demo", Db()}).status, 0);
    Result rows =
        Run({"sql", Db(), "SELECT TestStationID, Name FROM [TestStations] WHERE Name LIKE \"demo*\""});
    EXPECT_EQ(rows.status, 0);
    EXPECT_EQ(rows.lines, (std::vector<std::string>{"TestStationID\tName", "1\tDemo Bench"}));
    Result changed = Run({"sql", Db(), "Delete * from DeviceInstance_has_Options where Undetectable = True"});
    EXPECT_EQ(changed.lines, (std::vector<std::string>{"2 rows affected"}));
    Result escaped = Run({"sql", Db(), "SELECT 'a' || char(9) || 'b\\c' AS [x y]"});
    EXPECT_EQ(escaped.lines, (std::vector<std::string>{"x y", "a\\tb\\\\c"}));
}

TEST_F(InstrdbTest, RefusedStatementsExitWithTheEnginesMessage) {
    ASSERT_EQ(Run({"demo", Db()}).status, 0);
    Result refused = Run({"sql", Db(), "INSERT INTO TestStations (TestStationID, Name) VALUES (1, 'Twin')"});
    EXPECT_EQ(refused.status, 1);
    ASSERT_EQ(refused.lines.size(), 1u);
    EXPECT_EQ(refused.lines[0], "instrdb: UNIQUE constraint failed: TestStations.TestStationID");
    Result missing = Run({"sql", (dir.path() / "absent.db").string(), "SELECT 1"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "absent.db"));
}

TEST_F(InstrdbTest, QueryReadsTablesAndSavedQueriesWithParameters) {
    ASSERT_EQ(Run({"demo", Db()}).status, 0);
    Result table = Run({"query", Db(), "__sys_InterfaceTypes"});
    EXPECT_EQ(table.lines,
              (std::vector<std::string>{"InterfaceID\tName", "1\tNone", "2\tGPIB", "4\tRS232", "8\tVXI"}));
    Result variants = Run({"query", Db(), "qry_GUI_TPVs", "TestPlanID=1"});
    EXPECT_EQ(variants.lines, (std::vector<std::string>{"TestPlanVariantID\tName", "1\tFull Calibration",
                                                        "2\tPerformance Check"}));
    Result missingParameter = Run({"query", Db(), "qry_GUI_TPVs"});
    EXPECT_EQ(missingParameter.status, 1);
    EXPECT_NE(missingParameter.lines.at(0).find("Too few parameters"), std::string::npos);
    EXPECT_EQ(Run({"query", Db(), "qry_Nothing"}).status, 2);
    EXPECT_EQ(Run({"query", Db(), "qry_GUI_TPVs", "TestPlanID"}).status, 2);
    Result copied =
        Run({"query", Db(), "qry_GUI_CopyEquipmentProperties", "DeviceType_ID=3", "Instance_ID=3"});
    EXPECT_EQ(copied.lines, (std::vector<std::string>{"1 row affected"}));
}

TEST_F(InstrdbTest, FilterRebuildsTheSelectionAndPrintsItsRows) {
    ASSERT_EQ(Run({"demo", Db()}).status, 0);
    Result filter = Run({"filter", Db(), "1", "2", "2", "4"});
    EXPECT_EQ(filter.status, 0);
    EXPECT_EQ(filter.lines,
              (std::vector<std::string>{"TestPlanID\tTestVariantID\tUUTInstanceID\tType\tID\tSeqNumber",
                                        "1\t2\t4\t1\t1\t10", "1\t2\t4\t1\t2\t20", "1\t2\t4\t1\t5\t40",
                                        "1\t2\t4\t2\t1\t0", "1\t2\t4\t2\t2\t0", "1\t2\t4\t3\t0\t0",
                                        "1\t2\t4\t3\t1\t0", "1\t2\t4\t3\t2\t0", "1\t2\t4\t3\t4\t0"}));
    Result bad = Run({"filter", Db(), "1", "two", "2", "4"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.lines.at(0).find("VARIANT"), std::string::npos);
    EXPECT_EQ(Run({"filter", Db(), "1", "2", "2"}).status, 2);
}

TEST_F(InstrdbTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({"frobnicate", Db()}).status, 2);
    EXPECT_EQ(Run({"init"}).status, 2);
    Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.lines.at(0).find("usage: instrdb init FILE"), std::string::npos);
}

} // namespace
} // namespace corvid::testing
