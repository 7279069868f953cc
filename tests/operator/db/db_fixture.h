// A fresh instrument database for each test: a file in a temporary directory, or, where
// the tests run against a server (CORVID_TEST_DB_ENGINE=postgres), a scratch database on
// the throw-away PostgreSQL server.
#pragma once

#include "operatordb/database.h"
#include "operatordb/db_error.h"
#include "operatordb/demo_station.h"
#include "operatordb/schema.h"
#include "pg_test_server.h"
#include "testsupport/sandbox.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace corvid::operatordb::testing {

// The message of the DbError an action raises.
inline std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DbError& e) {
        return e.what();
    }
    return "(no error)";
}

// Runs work in a child process (a station of its own); its exit status says how many of
// its rounds failed.
inline pid_t Spawn(const std::function<int()>& work) {
    pid_t child = fork();
    if (child == 0) {
        _exit(work());
    }
    return child;
}

// A child's exit status, 255 when it did not exit.
inline int ExitStatus(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

// True when the suite runs against the PostgreSQL test server.
inline bool OnServer() {
    const char* engine = std::getenv("CORVID_TEST_DB_ENGINE");
    return engine && std::string(engine) == "postgres";
}

class EmptyDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (OnServer()) {
            CORVID_REQUIRE_POSTGRES();
            scratch = std::make_unique<corvid::test::ScratchPostgresDatabase>();
            file = scratch->uri();
        }
        db = std::make_unique<Database>(file, FileMode::CreateIfMissing);
    }
    void TearDown() override { db.reset(); }

    // The single value of a one-row, one-column SELECT.
    Value Scalar(const std::string& sql, const Parameters& params = {}) {
        Recordset rows = db->OpenRecordset(sql, params);
        EXPECT_FALSE(rows.IsEOF()) << sql;
        return rows.IsEOF() ? Value() : rows.GetValue(0);
    }
    int64_t Count(const std::string& table, const std::string& where = "1 = 1") {
        return Scalar("SELECT count(*) FROM [" + table + "] WHERE " + where).AsInteger();
    }

    corvid::testing::TempDir dir;
    std::unique_ptr<corvid::test::ScratchPostgresDatabase> scratch;
    // The database file, or the scratch database's URI.
    std::filesystem::path file = dir.path() / "instruments.db";
    std::unique_ptr<Database> db;
};

class SchemaTest : public EmptyDatabaseTest {
protected:
    void SetUp() override {
        EmptyDatabaseTest::SetUp();
        CreateInstrumentSchema(*db);
    }
};

// The demo station as it stands on 15 June 2024.
class DemoTest : public SchemaTest {
protected:
    static constexpr std::chrono::year_month_day kToday{std::chrono::year(2024), std::chrono::June,
                                                        std::chrono::day(15)};
    void SetUp() override {
        SchemaTest::SetUp();
        CreateDemoStation(*db, kToday);
    }
};

} // namespace corvid::operatordb::testing
