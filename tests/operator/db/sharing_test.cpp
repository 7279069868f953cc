// Several stations on one database file: each process opens its own connection and
// writes while the others do.
#include "db_fixture.h"
#include "operatordb/db_error.h"
#include "operatordb/test_filter.h"

#include <functional>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corvid::operatordb::testing {
namespace {

using SharingTest = DemoTest;

TEST_F(SharingTest, FilterRebuildsOfSeveralProcessesQueueInsteadOfFailing) {
    constexpr int kProcesses = 3;
    constexpr int kRounds = 15;
    const std::filesystem::path path = file;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p)
        children.push_back(Spawn([path, p] {
            int failed = 0;
            Database mine(path);
            for (int round = 0; round < kRounds; ++round) {
                try {
                    // The rebuild reads the selection before its first write.
                    RebuildTestFilter(mine, demo::kTestPlan, p % 2 ? demo::kFullVariant : demo::kCheckVariant,
                                      demo::kMultimeterModel, demo::kUutInstance);
                } catch (const DbError&) {
                    ++failed;
                }
            }
            return failed;
        }));
    for (pid_t child : children)
        EXPECT_EQ(ExitStatus(child), 0) << "rebuilds failed in a child";
    EXPECT_GT(Count("UUTFilter"), 0);
}

TEST_F(SharingTest, ALocalFileIsSharedThroughTheWriteAheadLog) {
    EXPECT_EQ(Scalar("SELECT * FROM pragma_journal_mode").AsText(), "wal");
}

TEST_F(SharingTest, AWriterLockedOutPastTheTimeOutIsToldWhichFileAndWhy) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    try {
        Transaction transaction(*db);
        ADD_FAILURE() << "the write lock was taken twice";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("database is locked (another program kept the database '" +
                                             file.string() + "' locked"),
                  std::string::npos)
            << e.what();
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    Transaction transaction(*db); // free again
    transaction.Commit();
}

} // namespace
} // namespace corvid::operatordb::testing
