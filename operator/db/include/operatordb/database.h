// The connection to a database, taking the Jet SQL that the operator interface writes
// (see jet_sql.h), with saved queries stored in the database itself. The database is a
// SQLite file, or a database on a PostgreSQL server named by a connection URI
// ("postgresql://host/dbname?..."), which many stations share.
#pragma once

#include "operatordb/recordset.h"
#include "operatordb/statement.h"
#include "operatordb/value.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::operatordb {

namespace detail {
class Engine;
} // namespace detail

// A saved query: a row of MSysQueries. Parameters declares the named parameters of
// the SQL as "Name Type, Name Type" (types Long, Text, Double, YesNo; a Long takes whole
// numbers of 32 bits, an Integer of 16, a Byte 0..255); the SQL names them as :Name.
struct SavedQuery {
    std::string name;
    std::string parameters;
    std::string sql;
};

enum class FileMode { Existing, CreateIfMissing };

// Tables whose names begin with "MSys" or "sqlite_" are system objects.
bool IsSystemObject(std::string_view name);

// True for a connection URI of a PostgreSQL server ("postgresql://" or "postgres://").
bool IsServerUri(std::string_view source);
// The source as messages may show it: a URI without its password.
std::string DisplaySource(std::string_view source);

class Database {
public:
    // Opens the file read/write, shared with other connections, or connects to the
    // server database a URI names. A missing file (unless created) or a file that is not
    // a database, and a server that cannot be reached or refuses the connection (or a
    // missing database, unless created) raise DbError naming the file or the server and
    // database.
    explicit Database(const std::filesystem::path& source, FileMode mode = FileMode::Existing);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The file or URI as given (a URI may hold a password: show DisplayName instead).
    const std::filesystem::path& path() const { return path_; }
    std::string DisplayName() const;
    bool IsServer() const;

    // Runs one action statement (INSERT, UPDATE, DELETE, DDL) with fail-on-error: a
    // statement the engine refuses changes nothing and raises DbError with the engine's
    // message. Returns the number of rows changed.
    int Execute(const std::string& jetSql, const Parameters& params = {});

    // True when the statement returns rows (a SELECT), false for an action statement.
    // Raises DbError when the engine refuses the statement.
    bool ReturnsRows(const std::string& jetSql);

    // Opens a read-only record set over a SELECT.
    Recordset OpenRecordset(const std::string& jetSql, const Parameters& params = {});

    // Prepares a statement in the layer's SQL (SQLite's dialect, not Jet's), for running
    // many times; source names it in error messages.
    std::unique_ptr<Statement> Prepare(const std::string& sql, const std::string& source = {});
    // Rows changed by the last action statement.
    int64_t Changes();
    // Brings a server's planner figures of a table up to date (after a unit changed many
    // of its rows and before statements that join it); nothing to do on a file.
    void RefreshStatistics(const std::string& table);
    // True for a database that cannot be written (a read-only file).
    bool IsReadOnly();
    // See detail::Engine::SyncAtCheckpointsOnly: for databases where speed matters more
    // than the last units before a power failure (results).
    void SyncAtCheckpointsOnly();

    // Saved queries, found by name without regard to case.
    std::optional<SavedQuery> FindSavedQuery(const std::string& name);
    std::vector<SavedQuery> SavedQueries();
    // Stores (or replaces) a saved query after checking that its SQL compiles.
    void SaveQuery(const SavedQuery& query);
    // Runs a saved action query / opens a saved select query. Parameter values are
    // converted to the declared types; an undeclared or missing one raises DbError.
    int ExecuteQuery(const std::string& name, const Parameters& params = {});
    Recordset OpenQuery(const std::string& name, const Parameters& params = {});

    bool HasTable(const std::string& name);
    // The column names of a table or view (hidden and generated ones too), or nullopt when
    // there is none of that name.
    std::optional<std::vector<std::string>> ColumnsOf(const std::string& table);
    std::vector<std::string> TableNames(bool includeSystemObjects = false);

    // The SQLite text of a Jet statement on this database: saved queries expanded, and
    // outer-row conditions of IN subqueries moved out of them (see jet_hoist.h). A
    // server's engine rewrites it further for itself.
    std::string Translate(const std::string& jetSql);
    // Runs statements in the layer's SQLite dialect without parameters (schema scripts).
    void ExecuteNative(const std::string& script);

    // Called with the Jet text of every statement executed or opened as a record set,
    // before it runs (for tracing); an empty function stops it.
    void SetStatementObserver(std::function<void(const std::string&)> observer) {
        observer_ = std::move(observer);
    }
    void Observe(const std::string& jetSql) const {
        if (observer_)
            observer_(jetSql);
    }

    detail::Engine& engine() const { return *engine_; }

private:
    Parameters Typed(const SavedQuery& query, const Parameters& params) const;

    std::filesystem::path path_;
    std::unique_ptr<detail::Engine> engine_;
    std::function<void(const std::string&)> observer_;
};

// How a unit meets other stations' units. On a file every unit is Queued. On a server,
// Queued units run one at a time, so that a unit reading what it then writes (the
// largest key, the filter's rows, the administrator flag) sees no other station's
// change in between; Concurrent units, which only add rows or change rows found by
// their keys, run beside them and each other.
enum class UnitKind { Queued, Concurrent };

// Groups statements into one unit: begun by the constructor, undone by the destructor
// unless committed. Nests (an inner unit is of the outermost one's kind). The outermost
// unit takes the write lock at once, waiting up to the busy time-out for another
// connection's unit to end.
class Transaction {
public:
    explicit Transaction(Database& db, UnitKind kind = UnitKind::Queued);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& db_;
    bool outermost_;
    bool done_ = false;
};

} // namespace corvid::operatordb
