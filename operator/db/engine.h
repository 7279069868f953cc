// The engine behind a Database: a file opened with SQLite, or a database on a
// PostgreSQL server. Both take the layer's SQL: SQLite's dialect as the Jet translation
// writes it ([names], ?N and :Name parameters, rowid, COLLATE NOCASE); the server's
// engine rewrites it for itself.
#pragma once

#include "operatordb/database.h"
#include "operatordb/statement.h"
#include "operatordb/value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvid::operatordb::detail {

// How long a connection waits for another connection's lock before it gives up.
constexpr int kBusyTimeoutMs = 5000;

class Engine {
public:
    virtual ~Engine() = default;

    // Prepares exactly one statement; text after it other than blanks and ';' is an error.
    virtual std::unique_ptr<Statement> Prepare(const std::string& sql, const std::string& source) = 0;
    // Runs statements without parameters as they are (schema scripts, transaction control).
    virtual void ExecuteScript(const std::string& script) = 0;
    // Rows changed by the last action statement; rowid of the last row inserted.
    virtual int64_t Changes() = 0;
    virtual int64_t LastInsertRowid() = 0;

    // Writer units: the outermost one waits up to the busy time-out for other
    // connections' units and holds them off until it ends; inner ones are savepoints.
    virtual bool InTransaction() = 0;
    virtual void Begin(bool outermost, UnitKind kind) = 0;
    virtual void Commit(bool outermost) = 0;
    // Undoes the unit; an outermost unit the engine has ended already is left alone.
    virtual void Rollback(bool outermost) = 0;

    virtual bool HasTable(const std::string& name) = 0;
    virtual std::optional<std::vector<std::string>> ColumnsOf(const std::string& table) = 0;
    virtual std::vector<std::string> TableNames() = 0;
    // Stores or replaces a row of MSysQueries.
    virtual void StoreSavedQuery(const std::string& name, const std::string& parameters,
                                 const std::string& sql) = 0;

    // True when the database cannot be written (a read-only file).
    virtual bool ReadOnly() = 0;
    // Syncs the database at checkpoints instead of at every commit, where the engine
    // can do so without risking its consistency.
    virtual void SyncAtCheckpointsOnly() = 0;

    // Brings the planner's figures of a table up to date where the engine keeps them
    // apart from the data (a server's statistics); a file's planner reads the data.
    virtual void RefreshStatistics(const std::string& table) = 0;

    // How messages name the database: the file, or the server and database (never a
    // password).
    virtual std::string DisplayName() const = 0;
};

// The message for a statement run without values for the named parameters listed.
inline std::string TooFewParameters(const std::vector<std::string>& missing) {
    std::string list;
    for (const std::string& name : missing) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return "Too few parameters. Expected " + std::to_string(missing.size()) + " (" + list + ").";
}

std::unique_ptr<Engine> OpenSqlite(const std::string& path, bool create);
std::unique_ptr<Engine> OpenPostgres(const std::string& uri, bool create);

} // namespace corvid::operatordb::detail
