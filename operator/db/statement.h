// A prepared SQLite statement, finalised by its destructor, with the binding and
// reading the layer needs. Errors become DbError with the engine's message.
#pragma once

#include "operatordb/database.h"
#include "operatordb/value.h"

#include <sqlite3.h>
#include <string>
#include <vector>

namespace corvid::operatordb::detail {

// How long a connection waits for another connection's lock before it gives up.
constexpr int kBusyTimeoutMs = 5000;

// The engine's message for the connection's last error. Where another program holds
// the file locked past the busy time-out, or the file cannot be written, the message
// also names the file and says why, since the engine's own words do not.
std::string EngineMessage(sqlite3* db);

class Statement {
public:
    // Prepares exactly one statement; text after it other than blanks and ';' is an error.
    // source is the statement as the caller wrote it, for error reports.
    Statement(sqlite3* db, const std::string& sql, const std::string& source);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds every parameter of the statement by name from params (names compare
    // without regard to case). A parameter without a value, and a value for a
    // parameter the statement does not have, are errors.
    void BindNamed(const Parameters& params);
    void Bind(int index, const Value& value);

    // Runs one step: true when a row is ready, false when done.
    bool Step();
    void Reset();

    int ColumnCount() const;
    std::string ColumnName(int i) const;
    Value Column(int i) const;
    // True for a statement that returns rows.
    bool ReturnsRows() const { return ColumnCount() > 0; }

    sqlite3_stmt* get() const { return stmt_; }

private:
    [[noreturn]] void Fail() const;
    bool HasParameter(const std::string& name) const;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::string source_;
};

} // namespace corvid::operatordb::detail
