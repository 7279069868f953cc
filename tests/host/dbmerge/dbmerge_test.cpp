// DBMerge: rows of a file merged into the configured instrument database, and the error
// file it leaves beside itself when it fails.
#include "com/module.h"
#include "testsupport/sandbox.h"

#include <dlfcn.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace corvid::dbmerge::testing {
namespace {

class DbMergeTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        void* module = ::dlopen(VELACONFIG_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << ::dlerror();
        auto registerServer =
            reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
        ASSERT_EQ(registerServer(), com::S_OK);
        // The program runs from a Bin folder of its own, where it leaves its error file.
        bin = sandbox.home() / "Bin";
        std::filesystem::create_directories(bin);
        std::filesystem::copy_file(DBMERGE_PROGRAM, bin / "DBMerge");
        target = (sandbox.home() / "Instrument.mdb").string();
        Sql(target, "CREATE TABLE TestStations (TestStationID INTEGER PRIMARY KEY, Name TEXT COLLATE NOCASE);"
                    "INSERT INTO TestStations VALUES (1, 'Demo Bench');"
                    "CREATE TABLE Notes (Text TEXT)");
        std::ofstream(sandbox.home() / "vela.ini") << "[VELA SYSTEM]\nInputDataSource=" << target << "\n";
    }

    static void Sql(const std::string& file, const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    static std::string Rows(const std::string& file, const std::string& sql) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        std::string rows;
        sqlite3_exec(
            db, sql.c_str(),
            [](void* out, int count, char** values, char**) {
                for (int i = 0; i < count; ++i)
                    *static_cast<std::string*>(out) +=
                        std::string(values[i] ? values[i] : "NULL") + (i + 1 < count ? "|" : ";");
                return 0;
            },
            &rows, nullptr);
        sqlite3_close(db);
        return rows;
    }

    int Merge(const std::string& source) {
        auto child = corvid::testing::ChildProcess::Spawn({(bin / "DBMerge").string(), source});
        return child.Wait();
    }

    std::filesystem::path bin;
    std::string target;
};

TEST_F(DbMergeTest, RowsAreAddedAndReplacedByKey) {
    std::string source = (sandbox.home() / "update.db").string();
    Sql(source, "CREATE TABLE TestStations (TestStationID INTEGER PRIMARY KEY, Name TEXT);"
                "INSERT INTO TestStations VALUES (1, 'Renamed Bench'), (3, 'New Bench');");
    std::ofstream(bin / "DBMerge.ERR") << "from an earlier run\n";
    EXPECT_EQ(Merge(source), 0);
    EXPECT_EQ(Rows(target, "SELECT * FROM TestStations ORDER BY 1"), "1|Renamed Bench;3|New Bench;");
    EXPECT_FALSE(std::filesystem::exists(bin / "DBMerge.ERR"));
}

// Characters that mean something in a URI are only characters of a file name here.
TEST_F(DbMergeTest, PathsWithUriCharactersMerge) {
    std::filesystem::path odd = sandbox.home() / "lot #4?a=b%41 c";
    std::filesystem::create_directories(odd);
    std::string moved = (odd / "Instrument #2%20.mdb").string();
    std::filesystem::rename(target, moved);
    std::ofstream(sandbox.home() / "vela.ini") << "[VELA SYSTEM]\nInputDataSource=" << moved << "\n";
    std::string source = (odd / "update?#%.db").string();
    Sql(source, "CREATE TABLE Notes (Text TEXT); INSERT INTO Notes VALUES ('merged')");
    EXPECT_EQ(Merge(source), 0);
    EXPECT_EQ(Rows(moved, "SELECT * FROM Notes"), "merged;");
    EXPECT_FALSE(std::filesystem::exists(bin / "DBMerge.ERR"));
}

TEST_F(DbMergeTest, AFailureLeavesTheErrorFileAndChangesNothing) {
    std::string source = (sandbox.home() / "bad.db").string();
    Sql(source, "CREATE TABLE TestStations (TestStationID INTEGER PRIMARY KEY, Name TEXT);"
                "INSERT INTO TestStations VALUES (5, 'Five');"
                "CREATE TABLE Unknown (X INTEGER); INSERT INTO Unknown VALUES (1);");
    EXPECT_EQ(Merge(source), 1);
    EXPECT_TRUE(std::filesystem::exists(bin / "DBMerge.ERR"));
    EXPECT_EQ(Rows(target, "SELECT * FROM TestStations"), "1|Demo Bench;");
}

TEST_F(DbMergeTest, AMissingSourceOrConfigurationFails) {
    EXPECT_EQ(Merge((sandbox.home() / "none.db").string()), 1);
    EXPECT_TRUE(std::filesystem::exists(bin / "DBMerge.ERR"));
    std::filesystem::remove(sandbox.home() / "vela.ini");
    std::string source = (sandbox.home() / "update.db").string();
    Sql(source, "CREATE TABLE Notes (Text TEXT); INSERT INTO Notes VALUES ('x');");
    EXPECT_EQ(Merge(source), 1);
    std::ifstream in(bin / "DBMerge.ERR");
    std::string reason;
    std::getline(in, reason);
    EXPECT_EQ(reason, "Unable to find Tessera config file");
}

} // namespace
} // namespace corvid::dbmerge::testing
