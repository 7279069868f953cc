// Loading plans: declarations, variants and what a bad plan gets.
#include "com/module.h"
#include "host_fixture.h"

#include <dlfcn.h>
#include <fstream>
#include <sqlite3.h>

namespace corvid::host::testing {
namespace {

using ::testing::HasSubstr;

TEST_F(HostTest, ASyntaxErrorNamesFileAndLine) {
    std::string path = WritePlan("Test(\"A\", function() return 0 end)\n\nlocal x = = 1\n");
    EXPECT_EQ(VLoadTestsuite(path.c_str()) & 0xFFFF, 0u);
    EXPECT_THAT(HalcyonLastError(), HasSubstr(path + ":3:"));
    EXPECT_EQ(VGetState(), 0);
    EXPECT_EQ(VGetTestsuiteHandle(), 0);
}

TEST_F(HostTest, BadPlansAreRefused) {
    const std::pair<const char*, const char*> plans[] = {
        {"error('broken plan')", "plan.lua:1: broken plan"},
        {"Test('A', function() end) Test('a', function() end)", "declares the test \"a\" twice"},
        {"TestPlan{Variants = {'Full'}} Test('A', {Variants = {'Quick'}}, function() end)",
         "names the variant \"Quick\""},
        {"TestPlan{Globals = {Bad = {}}}", "Bad is an integer, a boolean or a text"},
        {"Test('A')", "bad argument #2 to 'Test'"},
    };
    for (const auto& [text, message] : plans) {
        EXPECT_EQ(VLoadTestsuite(WritePlan(text).c_str()), 0u) << text;
        EXPECT_THAT(HalcyonLastError(), HasSubstr(message)) << text;
    }
    EXPECT_EQ(VLoadTestsuite((sandbox.home() / "missing.lua").c_str()), 0u);
    EXPECT_THAT(HalcyonLastError(), HasSubstr("missing.lua"));
}

TEST_F(HostTest, TestsCannotBeDeclaredWhileRunning) {
    Load(R"lua(Test("Grow", function() Test("Late", function() end) end))lua");
    VRunTest(Find("Grow"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    EXPECT_EQ(Find("Late"), 0);
}

TEST_F(HostTest, VariantsSelectTheirTests) {
    Load(R"lua(
        TestPlan {Variants = {"Full", "Quick"}}
        Test("Always", function() return Variant() == "Quick" and 0 or 1 end)
        Test("FullOnly", {Variants = {"Full"}}, function() end)
    )lua");
    ASSERT_EQ(HalcyonVariantCount(), 2);
    EXPECT_STREQ(HalcyonVariantAt(1), "Quick");
    EXPECT_EQ(VSetSelector("Slow"), 0);
    EXPECT_STREQ(HalcyonSelectedVariant(), "");
    ASSERT_EQ(VSetSelector("quick"), 1);
    EXPECT_STREQ(HalcyonSelectedVariant(), "Quick");
    EXPECT_EQ(HalcyonTestInVariant(Find("Always")), 1);
    EXPECT_EQ(HalcyonTestInVariant(Find("FullOnly")), 0);
    VRunTest(Find("Always"));
    EXPECT_EQ(VTestJudgment(Find("Always")), 0);
    ASSERT_EQ(HalcyonTestCount(), 2);
    EXPECT_STREQ(VGetTestName(HalcyonTestAt(1)), "FullOnly");
}

TEST_F(HostTest, ConfigurationNeedsItsComponent) {
    Load(R"lua(Test("Read", function() ConfigValue("VELA SYSTEM", "InputDataSource") end))lua");
    VRunTest(Find("Read"));
    EXPECT_EQ(UtaExcRegIsError(0), 1);
    EXPECT_THAT(HalcyonTestError(Find("Read")), HasSubstr("VelaConfig.VelaConfig.1 cannot be created"));
}

TEST_F(HostTest, APlanWithoutVariantsRefusesEverySelector) {
    Load(R"lua(Test("A", function() end))lua");
    EXPECT_EQ(VSetSelector("Full"), 0);
}

// The read-only query facility over an SQLite file, and the configuration it is found by.
class QueryTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        void* module = ::dlopen(VELACONFIG_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << ::dlerror();
        auto registerServer =
            reinterpret_cast<com::DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
        ASSERT_EQ(registerServer(), com::S_OK);
        database = (sandbox.home() / "Instrument.db").string();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(
            sqlite3_exec(db,
                         "CREATE TABLE Stations (Name TEXT COLLATE NOCASE, Address INTEGER, Scale REAL);"
                         "INSERT INTO Stations VALUES ('Demo Bench', 5, 1.5), ('Other', NULL, 2);",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(db);
        std::ofstream(sandbox.home() / "vela.ini") << "[VELA SYSTEM]\nInputDataSource=" << database << "\n";
    }
    std::string database;
};

TEST_F(QueryTest, RowsComeBackByColumnName) {
    Load(R"lua(
        Test("Look", function()
            local db = ConfigValue("vela system", "InputDataSource")
            local rows = QueryDatabase(db, "SELECT * FROM Stations WHERE Name = :name", {name = "demo bench"})
            assert(#rows == 1 and rows[1].Address == 5 and rows[1].Scale == 1.5 and rows[1].Name == "Demo Bench")
            local other = QueryDatabase(db, "SELECT Address FROM Stations WHERE Name = ?", {"Other"})
            assert(#other == 1 and other[1].Address == nil)
            assert(#QueryDatabase(db, "SELECT * FROM Stations WHERE Name = 'Nobody'") == 0)
            assert(ConfigValue("VELA SYSTEM", "Missing") == "")
        end)
    )lua");
    VRunTest(Find("Look"));
    EXPECT_EQ(UtaExcRegIsError(0), 0) << HalcyonTestError(Find("Look"));
}

TEST_F(QueryTest, WritesAndBadQueriesAreRefused) {
    Load(R"lua(
        local db = ConfigValue("VELA SYSTEM", "InputDataSource")
        Test("Write", function() QueryDatabase(db, "DELETE FROM Stations") end)
        Test("Bad", function() QueryDatabase(db, "SELECT Nowhere FROM Stations") end)
        Test("Param", function() QueryDatabase(db, "SELECT * FROM Stations", {name = 1}) end)
        Test("Missing", function() QueryDatabase(db .. ".none", "SELECT 1") end)
        Test("Count", function() return #QueryDatabase(db, "SELECT * FROM Stations") == 2 end)
    )lua");
    const std::pair<const char*, const char*> refused[] = {{"Write", "only queries that read"},
                                                           {"Bad", "no such column: Nowhere"},
                                                           {"Param", "no parameter :name"},
                                                           {"Missing", "cannot open the database"}};
    for (const auto& [name, message] : refused) {
        VRunTest(Find(name));
        EXPECT_EQ(UtaExcRegIsError(0), 1) << name;
        EXPECT_THAT(HalcyonTestError(Find(name)), HasSubstr(message));
    }
    VRunTest(Find("Count"));
    EXPECT_EQ(VTestJudgment(Find("Count")), 0) << HalcyonTestError(Find("Count"));
}

} // namespace
} // namespace corvid::host::testing
