// The calibration database reset against real profile files and a real SQLite file.
#include "debugger/calibration_reset.h"
#include "test_support.h"
#include "testsupport/sandbox.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace corvid::debugger {
namespace {

using testing::ScriptedPrompt;

constexpr const char* kNotLocated =
    "Unable to determine where the Calibration database is\r\nlocated on your "
    "system.\r\n\r\nThe Calibration database was NOT reset.";

class CalibrationResetTest : public corvid::testing::SandboxTest {
protected:
    std::filesystem::path Home() const { return sandbox.home(); }

    void WriteText(const std::filesystem::path& path, const std::string& text) const {
        std::ofstream(path) << text;
    }

    // win.ini names the executive's profile, which names the database.
    std::filesystem::path Configure() const {
        const auto profile = Home() / "tessera.ini";
        const auto database = Home() / "Calibration.db";
        WriteText(Home() / "win.ini", "[Corvid Tessera]\nIniFilePath=" + profile.string() + "\n");
        WriteText(profile, "[KOB CONFIGURATION]\nCalibrationDataSource=\"" + database.string() + "\"\n");
        return database;
    }

    static void Execute(const std::filesystem::path& path, const char* sql) {
        sqlite3* database = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &database), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(database, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(database);
    }

    static int Rows(const std::filesystem::path& path, const std::string& table) {
        sqlite3* database = nullptr;
        sqlite3_open(path.c_str(), &database);
        sqlite3_stmt* statement = nullptr;
        int rows = -1;
        const std::string sql = "SELECT COUNT(*) FROM \"" + table + "\"";
        if (sqlite3_prepare_v2(database, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            rows = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        sqlite3_close(database);
        return rows;
    }

    static void Fill(const std::filesystem::path& path) {
        Execute(path, "CREATE TABLE Results (Id INTEGER PRIMARY KEY AUTOINCREMENT, Value REAL);"
                      "INSERT INTO Results (Value) VALUES (1.5), (2.5);"
                      "CREATE TABLE [Test Points] (Name TEXT);"
                      "INSERT INTO [Test Points] VALUES ('a'), ('b'), ('c');"
                      "CREATE TABLE MSysQueries (Name TEXT, SQL TEXT);"
                      "INSERT INTO MSysQueries VALUES ('q', 'SELECT 1');");
    }

    ScriptedPrompt prompt;
};

TEST_F(CalibrationResetTest, WithoutTheExecutiveSectionTheMenuCommandSaysSo) {
    WriteText(Home() / "win.ini", "[Other]\nIniFilePath=/x\n");
    EXPECT_FALSE(LocateCalibrationDatabase());
    EXPECT_FALSE(ResetCalibrationDatabase(false, prompt));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, kNotLocated);
    EXPECT_EQ(prompt.asked[0].caption, "Could not reset database");
    EXPECT_EQ(prompt.asked[0].icon, MsgIcon::Information);
}

TEST_F(CalibrationResetTest, AValueOfNoneCountsAsAbsent) {
    Configure();
    WriteText(Home() / "tessera.ini", "[KOB CONFIGURATION]\nCalibrationDataSource=none\n");
    EXPECT_FALSE(LocateCalibrationDatabase());
    WriteText(Home() / "win.ini", "[Corvid Tessera]\nIniFilePath=none\n");
    EXPECT_FALSE(LocateCalibrationDatabase());
}

TEST_F(CalibrationResetTest, TheQuietFormAsksAndTellsNothing) {
    EXPECT_FALSE(ResetCalibrationDatabase(true, prompt));
    const auto database = Configure();
    Fill(database);
    EXPECT_TRUE(ResetCalibrationDatabase(true, prompt));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(Rows(database, "Results"), 0);
}

TEST_F(CalibrationResetTest, DecliningTheConfirmationChangesNothing) {
    const auto database = Configure();
    Fill(database);
    prompt.answers = {MsgAnswer::No};
    EXPECT_TRUE(ResetCalibrationDatabase(false, prompt));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text,
              "Are you sure you want to reset the contents of the calibration database?");
    EXPECT_EQ(prompt.asked[0].caption, "Confirm Reset?");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(Rows(database, "Results"), 2);
}

TEST_F(CalibrationResetTest, EmptiesEveryUserTableAndNoSystemObject) {
    const auto database = Configure();
    EXPECT_EQ(LocateCalibrationDatabase(), database);
    Fill(database);
    EXPECT_TRUE(ResetCalibrationDatabase(false, prompt));
    EXPECT_EQ(prompt.Captions(), (std::vector<std::string>{"Confirm Reset?", "Reset complete"}));
    EXPECT_EQ(prompt.asked[1].text, "Database reset complete.");
    EXPECT_EQ(Rows(database, "Results"), 0);
    EXPECT_EQ(Rows(database, "Test Points"), 0);
    EXPECT_EQ(Rows(database, "MSysQueries"), 1);
    EXPECT_EQ(Rows(database, "sqlite_sequence"), 1);
}

TEST_F(CalibrationResetTest, ADatabaseThatCannotBeOpenedFails) {
    const auto database = Configure();
    EXPECT_FALSE(ResetCalibrationDatabase(false, prompt)) << "missing file";
    WriteText(database, "this is not a database, just text that is long enough to have a header\n");
    EXPECT_FALSE(EmptyCalibrationDatabase(database));
    prompt.asked.clear();
    EXPECT_FALSE(ResetCalibrationDatabase(false, prompt));
    EXPECT_EQ(prompt.Captions(), (std::vector<std::string>{"Confirm Reset?", "Reset failed"}));
    EXPECT_EQ(prompt.asked[1].text, "Failed to reset the calibration database");
}

TEST_F(CalibrationResetTest, AMissingDatabaseIsNotCreated) {
    const auto database = Configure();
    EXPECT_FALSE(EmptyCalibrationDatabase(database));
    EXPECT_FALSE(std::filesystem::exists(database));
}

} // namespace
} // namespace corvid::debugger
