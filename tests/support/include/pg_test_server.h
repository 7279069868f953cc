// Test support: the throw-away PostgreSQL server CTest starts for the tests registered with
// corvid_test(... POSTGRES ...), and scratch databases on it.
#pragma once

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace corvid::test {

// The libpq URI of the test server's maintenance database, read from
// $CORVID_TEST_PG_DIR/uri; nullopt when there is no server.
std::optional<std::string> PostgresServerUri();

// Why there is no test server, for a skipped test's message.
std::string PostgresSkipReason();

// The URI with its path naming another database; host, port, user and the other
// parameters are kept.
std::string PostgresUriWithDatabase(const std::string& uri, const std::string& database);

// A fresh, empty database on the test server with a name of its own, dropped on
// destruction (with any connections still open to it).
class ScratchPostgresDatabase {
public:
    // On the test server; throws std::runtime_error when there is none or creation fails.
    ScratchPostgresDatabase();
    // On the server of a maintenance-database URI; throws std::runtime_error with the
    // server's message when creation fails.
    explicit ScratchPostgresDatabase(std::string serverUri);
    ~ScratchPostgresDatabase();
    ScratchPostgresDatabase(const ScratchPostgresDatabase&) = delete;
    ScratchPostgresDatabase& operator=(const ScratchPostgresDatabase&) = delete;

    const std::string& name() const { return name_; }
    const std::string& uri() const { return uri_; }

private:
    std::string serverUri_;
    std::string name_;
    std::string uri_;
};

} // namespace corvid::test

// Skips the current test when there is no PostgreSQL test server.
#define CORVID_REQUIRE_POSTGRES()                                                                            \
    do {                                                                                                     \
        if (!::corvid::test::PostgresServerUri())                                                            \
            GTEST_SKIP() << ::corvid::test::PostgresSkipReason();                                            \
    } while (false)
