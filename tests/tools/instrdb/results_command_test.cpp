// instrdb results: a new results database, as a process.
#include "operatordb/database.h"
#include "testsupport/sandbox.h"

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

int Instrdb(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {INSTRDB_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return ChildProcess::Spawn(argv).Wait();
}

TEST(InstrdbResults, CreatesTheFourEmptyTablesAndRefusesAnExistingFile) {
    TempDir dir;
    std::string file = (dir.path() / "Results.mdb").string();
    ASSERT_EQ(Instrdb({"results", file}), 0);
    operatordb::Database db(file);
    for (const char* table :
         {"__sys_tblUniqueIds", "__sys_tblTestingDetails", "__sys_tblTests", "__sys_tblEquipInfo"})
        EXPECT_EQ(db.OpenRecordset(std::string("SELECT count(*) FROM ") + table).GetValue(0).AsInteger(), 0)
            << table;
    EXPECT_EQ(db.ColumnsOf("__sys_tblEquipInfo"),
              (std::vector<std::string>{"UniqueID", "TestID", "DSGName", "DSGDescription", "ModelNumber",
                                        "SerialNumber", "TraceNumber", "LastCal", "CalDue"}));
    db.ExecuteNative("INSERT INTO __sys_tblTests VALUES ('x', 1, 'kept', 3)");
    EXPECT_EQ(Instrdb({"results", file}), 2);
    EXPECT_EQ(db.OpenRecordset("SELECT Name FROM __sys_tblTests").GetValue(0).AsText(), "kept");
}

} // namespace
} // namespace corvid::testing
