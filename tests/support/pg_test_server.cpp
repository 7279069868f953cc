#include "pg_test_server.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <libpq-fe.h>
#include <memory>
#include <random>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace corvid::test {
namespace {

constexpr const char* kDirVariable = "CORVID_TEST_PG_DIR";

std::string ServerDir() {
    const char* dir = std::getenv(kDirVariable);
    return dir ? dir : "";
}

struct ConnectionCloser {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ResultClearer {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;
using Result = std::unique_ptr<PGresult, ResultClearer>;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// Runs one statement on the database of uri; throws with the server's message.
void Execute(const std::string& uri, const std::string& statement) {
    Connection connection(PQconnectdb(uri.c_str()));
    if (!connection || PQstatus(connection.get()) != CONNECTION_OK) {
        throw std::runtime_error("cannot connect to " + uri + ": " +
                                 Trimmed(connection ? PQerrorMessage(connection.get()) : "out of memory"));
    }
    Result result(PQexec(connection.get(), statement.c_str()));
    if (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
        throw std::runtime_error(statement + ": " + Trimmed(PQerrorMessage(connection.get())));
    }
}

// Unique among the processes of one test run and across runs on a reused server.
std::string UniqueDatabaseName() {
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    char name[64];
    std::snprintf(name, sizeof name, "corvid_test_%ld_%u_%08x", static_cast<long>(::getpid()),
                  counter.fetch_add(1), static_cast<unsigned>(device()));
    return name;
}

std::optional<std::string> ReadLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line)) {
        return std::nullopt;
    }
    line = Trimmed(line);
    if (line.empty()) {
        return std::nullopt;
    }
    return line;
}

} // namespace

std::optional<std::string> PostgresServerUri() {
    const std::string dir = ServerDir();
    if (dir.empty()) {
        return std::nullopt;
    }
    return ReadLine(dir + "/uri");
}

std::string PostgresSkipReason() {
    const std::string dir = ServerDir();
    if (dir.empty()) {
        return std::string(kDirVariable) +
               " is not set: the PostgreSQL tests use the throw-away server that ctest starts for them; "
               "run them through ctest";
    }
    // Written by pg-test-server when it has no server to start.
    if (auto reason = ReadLine(dir + "/skipped")) {
        return *reason;
    }
    return "no PostgreSQL test server (no " + dir + "/uri): start one with scripts/pg-test-server start " +
           dir;
}

std::string PostgresUriWithDatabase(const std::string& uri, const std::string& database) {
    const std::size_t scheme = uri.find("://");
    if (scheme == std::string::npos) {
        throw std::invalid_argument("not a PostgreSQL URI: " + uri);
    }
    const std::size_t authority = scheme + 3;
    const std::size_t query = std::min(uri.find('?', authority), uri.size());
    const std::size_t path = std::min(uri.find('/', authority), query);
    return uri.substr(0, path) + "/" + database + uri.substr(query);
}

ScratchPostgresDatabase::ScratchPostgresDatabase()
    : ScratchPostgresDatabase([] {
          auto uri = PostgresServerUri();
          if (!uri) {
              throw std::runtime_error(PostgresSkipReason());
          }
          return *uri;
      }()) {}

ScratchPostgresDatabase::ScratchPostgresDatabase(std::string serverUri)
    : serverUri_(std::move(serverUri)), name_(UniqueDatabaseName()),
      uri_(PostgresUriWithDatabase(serverUri_, name_)) {
    Execute(serverUri_, "CREATE DATABASE \"" + name_ + "\" TEMPLATE template0 ENCODING 'UTF8'");
}

ScratchPostgresDatabase::~ScratchPostgresDatabase() {
    try {
        Execute(serverUri_, "DROP DATABASE IF EXISTS \"" + name_ + "\" WITH (FORCE)");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "warning: scratch database %s not dropped: %s\n", name_.c_str(), error.what());
    }
}

} // namespace corvid::test
