#include "results_fixture.h"

#include <chrono>
#include <memory>
#include <sqlite3.h>

namespace corvid::operatoroutput::testing {
namespace {

using operatordb::Database;

class DatabaseOutput : public ResultsTest {
protected:
    void SetUp() override {
        ResultsTest::SetUp();
        manager = std::make_unique<CDatabaseOutputManager>(*db, prompt);
        manager->SetResultsDatabase(resultsFile.string(), reports.string());
    }

    // The rows of the results database as "a|b|c" lines.
    std::vector<std::string> Rows(const std::string& sql) {
        Database results(resultsFile);
        operatordb::Recordset rows = results.OpenRecordset(sql);
        std::vector<std::string> lines;
        for (; !rows.IsEOF(); rows.MoveNext()) {
            std::string line;
            for (int i = 0; i < static_cast<int>(rows.ColumnNames().size()); ++i)
                line += (i ? "|" : "") + rows.GetValue(i).AsText();
            lines.push_back(line);
        }
        return lines;
    }

    std::unique_ptr<CDatabaseOutputManager> manager;
    const std::string id = "LK4065-01123_061524_143005";
};

TEST_F(DatabaseOutput, StoresTheRunItsTestsAndTheirEquipment) {
    info.applyUncertainty = 1;
    ASSERT_TRUE(manager->Initialize(info, true)) << ::testing::PrintToString(prompt.boxes);
    EXPECT_EQ(manager->UniqueID(), id);
    EXPECT_GT(manager->TestID("DC Voltage"), 0);
    EXPECT_EQ(manager->TestID("No Such Test"), -1);
    EXPECT_TRUE(manager->PutTestResult("DC Voltage", 3));
    EXPECT_TRUE(manager->PutTestResult("No Such Test", 2)); // stores nothing
    EXPECT_TRUE(manager->UpdateTestPlanResult(2));
    manager->Close();
    EXPECT_TRUE(prompt.boxes.empty()) << prompt.boxes.front();

    EXPECT_EQ(Rows("SELECT * FROM __sys_tblUniqueIds"), std::vector<std::string>{id + "|2|LK4065-01123"});
    // Report number and notes are empty and so not written; OverAllResult was updated
    // through the name "OverallResult".
    EXPECT_EQ(Rows("SELECT * FROM __sys_tblTestingDetails"),
              std::vector<std::string>{id + "||LM-4065 Digital Multimeter Calibration Report|Acme Labs|"
                                            "2024-06-15 14:30:05|LM-4065||23.5|45|60|J. Smith|1|LM4065-CAL|"
                                            "Demo Bench|1|Full Calibration||2|1|3.1|1"});
    std::string testId = std::to_string(manager->TestID("DC Voltage"));
    EXPECT_EQ(Rows("SELECT * FROM __sys_tblTests"),
              std::vector<std::string>{id + "|" + testId + "|DC Voltage|3"});
    std::vector<std::string> equipment = Rows("SELECT * FROM __sys_tblEquipInfo ORDER BY DSGName");
    ASSERT_FALSE(equipment.empty());
    EXPECT_EQ(equipment.front().rfind(id + "|" + testId + "|DC Calibrator|", 0), 0u) << equipment.front();
    EXPECT_NE(equipment.front().find("|VC-9100|"), std::string::npos) << equipment.front();
}

TEST_F(DatabaseOutput, TablesWithoutTheOptionalColumnsAreWrittenWithoutThem) {
    {
        Database results(resultsFile);
        for (const char* column : {"AppliedUncertainty", "TestPlanVersion", "LimitedCalibration"})
            results.ExecuteNative(std::string("ALTER TABLE __sys_tblTestingDetails DROP COLUMN ") + column);
    }
    ASSERT_TRUE(manager->Initialize(info, false)) << ::testing::PrintToString(prompt.boxes);
    manager->Close();
    EXPECT_EQ(Rows("SELECT count(*) FROM __sys_tblTestingDetails"), std::vector<std::string>{"1"});
}

TEST_F(DatabaseOutput, ARunOfTheSameUnitInTheSameSecondIsRefusedNotMixed) {
    ASSERT_TRUE(manager->Initialize(info, false));
    manager->Close();
    CDatabaseOutputManager other(*db, prompt);
    other.SetResultsDatabase(resultsFile.string(), reports.string());
    EXPECT_FALSE(other.Initialize(info, false));
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_EQ(prompt.boxes[0].rfind("Error inserting Unique ID.|Error inserting Unique ID., Details:\n", 0),
              0u)
        << prompt.boxes[0];
    EXPECT_EQ(Rows("SELECT count(*) FROM __sys_tblTestingDetails"), std::vector<std::string>{"1"});
}

TEST_F(DatabaseOutput, AMissingResultsDatabaseFailsEachOperationWithItsOwnMessage) {
    std::filesystem::remove(resultsFile);
    EXPECT_FALSE(manager->Initialize(info, false));
    EXPECT_TRUE(manager->PutTestResult("DC Voltage", 3)); // no test is known without the database
    EXPECT_FALSE(manager->UpdateTestPlanResult(3));
    EXPECT_FALSE(manager->ExportReports());
    ASSERT_EQ(prompt.boxes.size(), 3u);
    EXPECT_EQ(prompt.boxes[0].rfind("Access data manager errors|Access data manager errors, Details:\n", 0),
              0u);
    EXPECT_NE(prompt.boxes[0].find(resultsFile.string()), std::string::npos) << prompt.boxes[0];
    EXPECT_EQ(prompt.boxes[1], "Error updating over all test result.|Error updating over all test result., "
                               "Details:\nThe results database is not connected");
    EXPECT_EQ(prompt.boxes[2].rfind("Error exporting reports .|", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(resultsFile));
}

TEST_F(DatabaseOutput, WithoutTheComponentInitializeSaysItCannotBeCreated) {
    corvid::testing::Sandbox bare; // nothing registered
    WriteConfiguration("");
    EXPECT_FALSE(manager->Initialize(info, false));
    EXPECT_EQ(prompt.boxes,
              std::vector<std::string>{"Access data manager errors|Access data manager errors, "
                                       "Details:\nUnable to create access data manager object"});
}

TEST_F(DatabaseOutput, ATestWhoseResultRowFailsLeavesNoEquipmentRows) {
    ASSERT_TRUE(manager->Initialize(info, false));
    Database(resultsFile).ExecuteNative("DROP TABLE __sys_tblTests");
    EXPECT_FALSE(manager->PutTestResult("DC Voltage", 3));
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_EQ(prompt.boxes[0].rfind("Error inserting test result.|", 0), 0u) << prompt.boxes[0];
    EXPECT_EQ(Rows("SELECT count(*) FROM __sys_tblEquipInfo"), std::vector<std::string>{"0"});
}

TEST_F(DatabaseOutput, ATestsEquipmentIsReadBeforeTheResultsDatabaseIsLocked) {
    ASSERT_TRUE(manager->Initialize(info, false));
    // Another station trying to write while this one reads the instrument database.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(resultsFile.c_str(), &other), SQLITE_OK);
    int reads = 0, readsWhileLocked = 0;
    db->SetStatementObserver([&](const std::string&) {
        ++reads;
        if (sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK) {
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        } else {
            ++readsWhileLocked;
        }
    });
    EXPECT_TRUE(manager->PutTestResult("DC Voltage", 3));
    db->SetStatementObserver(nullptr);
    sqlite3_close(other);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(readsWhileLocked, 0);
    EXPECT_NE(Rows("SELECT count(*) FROM __sys_tblEquipInfo"), std::vector<std::string>{"0"});
}

TEST_F(DatabaseOutput, ADatabaseLockedByAnotherStationIsReportedAfterWaiting) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(resultsFile.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(manager->Initialize(info, false));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_NE(prompt.boxes[0].find("locked"), std::string::npos) << prompt.boxes[0];
    EXPECT_EQ(Rows("SELECT count(*) FROM __sys_tblUniqueIds"), std::vector<std::string>{"0"});
}

TEST_F(DatabaseOutput, StationsStoringAtOnceEachKeepEveryRowOfTheirRuns) {
    // Each station is a process of its own with its own connections.
    auto startStation = [&](const std::string& serial) {
        return corvid::testing::ChildProcess::Fork([&, serial] {
            Database instruments(file);
            RecordingOutputPrompt boxes;
            CDatabaseOutputManager station(instruments, boxes);
            station.SetResultsDatabase(resultsFile.string(), reports.string());
            CTestInfo run = info;
            run.SerialNumber = serial;
            bool stored = station.Initialize(run, false);
            for (int i = 0; i < 40 && stored; ++i)
                for (const char* test : {"DC Voltage", "DC Current", "Frequency"})
                    stored = station.PutTestResult(test, 3);
            stored = stored && station.UpdateTestPlanResult(3);
            return stored && boxes.boxes.empty() ? 0 : 1;
        });
    };
    auto first = startStation("SN-A");
    auto second = startStation("SN-B");
    EXPECT_EQ(first.Wait(std::chrono::seconds(60)), 0);
    EXPECT_EQ(second.Wait(std::chrono::seconds(60)), 0);
    EXPECT_EQ(Rows("SELECT UniqueID, count(*) FROM __sys_tblTests GROUP BY UniqueID ORDER BY UniqueID"),
              (std::vector<std::string>{"SN-A_061524_143005|120", "SN-B_061524_143005|120"}));
    EXPECT_EQ(Rows("SELECT count(*) FROM __sys_tblTestingDetails WHERE OverAllResult = 3"),
              std::vector<std::string>{"2"});
}

TEST_F(DatabaseOutput, MissingTemplatesAreNamedAndBlockTheRun) {
    WriteConfiguration("LM-4065_LM4065-CAL_Full Calibration=detail.rpt\n"
                       "LM-4065_LM4065-CAL_Full Calibration_Summary=summary.rpt\n"
                       "LM-4065_LM4065-CAL_Full Calibration_Trace=trace.rpt\n");
    std::ofstream(reports / "summary.rpt") << "title \"Summary\"\n";
    EXPECT_FALSE(CheckReportTemplates(prompt, info, reports.string()));
    const std::string folder = reports.string();
    EXPECT_EQ(
        prompt.boxes,
        (std::vector<std::string>{
            "Corvid Technologies Halcyon|" + folder +
                "/detail.rpt detail report does not exist in the specified location. Check your system.\n\n"
                "Detail report will not be generated",
            "Corvid Technologies Halcyon|" + folder +
                "/trace.rpt trace report does not exist in the specified  location. Check your system.\n\n"
                "Trace report will not be generated"}));
    prompt.boxes.clear();
    WriteConfiguration("LM-4065_LM4065-CAL_Full Calibration_Summary=summary.rpt\n");
    EXPECT_TRUE(CheckReportTemplates(prompt, info, reports.string()));
    EXPECT_TRUE(prompt.boxes.empty());
}

TEST(RunNames, UniqueIdAndSuffixes) {
    std::tm start{};
    start.tm_year = 2025 - 1900;
    start.tm_mon = 0;
    start.tm_mday = 2;
    start.tm_hour = 9;
    start.tm_min = 5;
    start.tm_sec = 7;
    start.tm_isdst = -1;
    EXPECT_EQ(MakeUniqueID("SN-1", std::mktime(&start)), "SN-1_010225_090507");
    EXPECT_EQ(ResultSuffix(1), "_A");
    EXPECT_EQ(ResultSuffix(2), "_F");
    EXPECT_EQ(ResultSuffix(3), "_P");
    EXPECT_EQ(ResultSuffix(4), "");
}

} // namespace
} // namespace corvid::operatoroutput::testing
