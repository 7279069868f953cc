// The engine behind a Database: a file opened with SQLite, or a database on a
// PostgreSQL server. Both take the layer's SQL: SQLite's dialect as the Jet translation
// writes it ([names], ?N and :Name parameters, rowid, COLLATE NOCASE); the server's
// engine rewrites it for itself.
#pragma once

#include "operatordb/value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvid::operatordb::detail {

// How long a connection waits for another connection's lock before it gives up.
constexpr int kBusyTimeoutMs = 5000;

// One prepared statement. Errors raise DbError with the engine's message and the
// statement as the caller wrote it (the source given to Prepare).
class Cursor {
public:
    virtual ~Cursor() = default;

    // Binds every parameter of the statement by name from params (names compare
    // without regard to case). A parameter without a value, and a value for a
    // parameter the statement does not have, are errors.
    virtual void BindNamed(const Parameters& params) = 0;
    // Binds the parameter written ?index.
    virtual void Bind(int index, const Value& value) = 0;

    // Runs one step: true when a row is ready, false when done. A statement that fails
    // changes nothing.
    virtual bool Step() = 0;
    // Makes the statement ready to run again with new bindings.
    virtual void Reset() = 0;

    virtual int ColumnCount() const = 0;
    virtual std::string ColumnName(int i) const = 0;
    virtual Value Column(int i) const = 0;
    bool ReturnsRows() const { return ColumnCount() > 0; }
};

class Engine {
public:
    virtual ~Engine() = default;

    // Prepares exactly one statement; text after it other than blanks and ';' is an error.
    virtual std::unique_ptr<Cursor> Prepare(const std::string& sql, const std::string& source) = 0;
    // Runs statements without parameters as they are (schema scripts, transaction control).
    virtual void ExecuteScript(const std::string& script) = 0;
    // Rows changed by the last action statement; rowid of the last row inserted.
    virtual int64_t Changes() = 0;
    virtual int64_t LastInsertRowid() = 0;

    // Writer units: the outermost one waits up to the busy time-out for other
    // connections' units and holds them off until it ends; inner ones are savepoints.
    virtual bool InTransaction() = 0;
    virtual void Begin(bool outermost) = 0;
    virtual void Commit(bool outermost) = 0;
    // Undoes the unit; an outermost unit the engine has ended already is left alone.
    virtual void Rollback(bool outermost) = 0;

    virtual bool HasTable(const std::string& name) = 0;
    virtual std::optional<std::vector<std::string>> ColumnsOf(const std::string& table) = 0;
    virtual std::vector<std::string> TableNames() = 0;
    // Stores or replaces a row of MSysQueries.
    virtual void StoreSavedQuery(const std::string& name, const std::string& parameters,
                                 const std::string& sql) = 0;

    // How messages name the database: the file, or the server and database (never a
    // password).
    virtual std::string DisplayName() const = 0;
};

std::unique_ptr<Engine> OpenSqlite(const std::string& path, bool create);
std::unique_ptr<Engine> OpenPostgres(const std::string& uri, bool create);

} // namespace corvid::operatordb::detail
