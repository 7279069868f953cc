#include "pg_test_server.h"
#include "testsupport/sandbox.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <libpq-fe.h>
#include <optional>

namespace corvid::test {
namespace {
using ::testing::HasSubstr;

// A connection for the checks.
class Session {
public:
    explicit Session(const std::string& uri) : connection_(PQconnectdb(uri.c_str())) {}
    ~Session() { PQfinish(connection_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ok() const { return PQstatus(connection_) == CONNECTION_OK; }
    bool Run(const std::string& statement) {
        PGresult* result = PQexec(connection_, statement.c_str());
        const bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        return done;
    }
    // The first value of the first row, or "<error>".
    std::string Value(const std::string& query) {
        PGresult* result = PQexec(connection_, query.c_str());
        std::string value = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0
                                ? PQgetvalue(result, 0, 0)
                                : "<error>";
        PQclear(result);
        return value;
    }

private:
    PGconn* connection_;
};

std::string CountOfDatabase(Session& server, const std::string& name) {
    return server.Value("SELECT count(*) FROM pg_database WHERE datname = '" + name + "'");
}

TEST(PostgresTestServer, UriWithDatabaseReplacesThePathAndKeepsTheParameters) {
    EXPECT_EQ(
        PostgresUriWithDatabase("postgresql:///postgres?host=/tmp/corvid-pg.x&port=5432&user=postgres", "d"),
        "postgresql:///d?host=/tmp/corvid-pg.x&port=5432&user=postgres");
    EXPECT_EQ(PostgresUriWithDatabase("postgresql://localhost:5433", "d"), "postgresql://localhost:5433/d");
    EXPECT_EQ(PostgresUriWithDatabase("postgres://h?sslmode=disable", "d"), "postgres://h/d?sslmode=disable");
}

TEST(PostgresTestServer, WithoutServerTheSkipReasonSaysWhy) {
    const char* previous = std::getenv("CORVID_TEST_PG_DIR");
    const std::optional<std::string> saved = previous ? std::optional<std::string>(previous) : std::nullopt;
    corvid::testing::TempDir empty;

    ::unsetenv("CORVID_TEST_PG_DIR");
    EXPECT_FALSE(PostgresServerUri());
    EXPECT_THAT(PostgresSkipReason(), HasSubstr("CORVID_TEST_PG_DIR is not set"));

    ::setenv("CORVID_TEST_PG_DIR", empty.path().c_str(), 1);
    EXPECT_FALSE(PostgresServerUri());
    EXPECT_THAT(PostgresSkipReason(), HasSubstr("scripts/pg-test-server start"));
    EXPECT_THROW(ScratchPostgresDatabase{}, std::runtime_error);

    // Started without the server binaries, the script says so.
    const std::string start = std::string("CORVID_PG_BINDIR=/nonexistent ") + CORVID_PG_TEST_SCRIPT +
                              " start " + empty.path().string();
    ASSERT_EQ(std::system((start + " >/dev/null").c_str()), 0);
    EXPECT_FALSE(PostgresServerUri());
    EXPECT_EQ(PostgresSkipReason(),
              "PostgreSQL server binaries (initdb, pg_ctl) not found: the PostgreSQL tests are skipped");

    if (saved) {
        ::setenv("CORVID_TEST_PG_DIR", saved->c_str(), 1);
    } else {
        ::unsetenv("CORVID_TEST_PG_DIR");
    }
}

TEST(PostgresTestServer, ScratchDatabasesAreDistinctAndReachable) {
    CORVID_REQUIRE_POSTGRES();
    ScratchPostgresDatabase first, second;
    EXPECT_NE(first.name(), second.name());
    Session a(first.uri()), b(second.uri());
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(a.Value("SELECT current_database()"), first.name());
    EXPECT_EQ(b.Value("SELECT current_database()"), second.name());
    EXPECT_EQ(a.Value("SHOW server_encoding"), "UTF8");

    ASSERT_TRUE(a.Run("CREATE TABLE marker (id integer)"));
    const std::string markers = "SELECT count(*) FROM pg_tables WHERE tablename = 'marker'";
    EXPECT_EQ(a.Value(markers), "1");
    EXPECT_EQ(b.Value(markers), "0");
}

TEST(PostgresTestServer, ScratchDatabaseIsDroppedEvenWithConnectionsOpen) {
    CORVID_REQUIRE_POSTGRES();
    Session server(*PostgresServerUri());
    ASSERT_TRUE(server.ok());
    std::optional<ScratchPostgresDatabase> scratch(std::in_place);
    const std::string name = scratch->name();
    Session open(scratch->uri());
    ASSERT_TRUE(open.ok());
    EXPECT_EQ(CountOfDatabase(server, name), "1");

    scratch.reset();
    EXPECT_EQ(CountOfDatabase(server, name), "0");
}

TEST(PostgresTestServer, FailedCreationCarriesTheServersMessage) {
    CORVID_REQUIRE_POSTGRES();
    try {
        ScratchPostgresDatabase scratch(*PostgresServerUri() + "&user=corvid_no_such_role");
        FAIL() << "created " << scratch.name();
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("\"corvid_no_such_role\" does not exist"));
    }
}

} // namespace
} // namespace corvid::test
