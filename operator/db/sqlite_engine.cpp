// The SQLite engine: a database file shared with other connections and processes.
#include "engine.h"
#include "operatordb/db_error.h"

#include <cctype>
#include <sqlite3.h>
#include <strings.h>
#include <sys/vfs.h>

namespace corvid::operatordb::detail {
namespace {

bool OnlyBlanksAndSemicolons(const char* tail) {
    for (; tail && *tail; ++tail) {
        if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';') {
            return false;
        }
    }
    return true;
}

// The engine's message for the connection's last error. Where another program holds
// the file locked past the busy time-out, or the file cannot be written, the message
// also names the file and says why, since the engine's own words do not.
std::string EngineMessage(sqlite3* db) {
    std::string message = sqlite3_errmsg(db);
    const char* file = sqlite3_db_filename(db, "main");
    const std::string name = file && *file ? std::string(" '") + file + "'" : std::string();
    switch (sqlite3_errcode(db)) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return message + " (another program kept the database" + name + " locked for more than " +
               std::to_string(kBusyTimeoutMs / 1000) + " s)";
    case SQLITE_READONLY:
        return message + " (the database" + name +
               " cannot be written: the file is read-only, or its folder does not allow the journal "
               "files beside it)";
    case SQLITE_CANTOPEN:
        return message + " (cannot open the database" + name + " or the journal files in its folder)";
    default:
        return message;
    }
}

class SqliteStatement final : public Statement {
public:
    SqliteStatement(sqlite3* db, const std::string& sql, const std::string& source);
    ~SqliteStatement() override;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void BindNamed(const Parameters& params) override;
    void Bind(int index, const Value& value) override;
    bool Step() override;
    void Reset() override;
    int ColumnCount() const override;
    std::string ColumnName(int i) const override;
    Value Column(int i) const override;

private:
    [[noreturn]] void Fail() const;
    bool HasParameter(const std::string& name) const;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::string source_;
};

} // namespace

SqliteStatement::SqliteStatement(sqlite3* db, const std::string& sql, const std::string& source)
    : db_(db), source_(source) {
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()) + 1, &stmt_, &tail) != SQLITE_OK) {
        Fail();
    }
    if (!stmt_) {
        throw DbError("Invalid SQL statement; the statement is empty.", 0, source_);
    }
    if (!OnlyBlanksAndSemicolons(tail)) {
        // The destructor does not run for an object whose constructor throws.
        sqlite3_finalize(stmt_);
        throw DbError("Characters found after end of SQL statement.", 0, source_);
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

void SqliteStatement::Fail() const {
    throw DbError(EngineMessage(db_), sqlite3_extended_errcode(db_), source_);
}

void SqliteStatement::BindNamed(const Parameters& params) {
    int count = sqlite3_bind_parameter_count(stmt_);
    for (const Parameter& p : params) {
        if (!HasParameter(p.name)) {
            throw DbError("Unknown parameter '" + p.name + "'.", 0, source_);
        }
    }
    std::vector<std::string> missing;
    for (int i = 1; i <= count; ++i) {
        const char* raw = sqlite3_bind_parameter_name(stmt_, i);
        std::string name = raw ? raw + 1 : std::string();
        const Parameter* found = nullptr;
        for (const Parameter& p : params) {
            if (!name.empty() && strcasecmp(p.name.c_str(), name.c_str()) == 0) {
                found = &p;
            }
        }
        if (!found) {
            missing.push_back(name);
            continue;
        }
        Bind(i, found->value);
    }
    if (!missing.empty()) {
        throw DbError(TooFewParameters(missing), 0, source_);
    }
}

bool SqliteStatement::HasParameter(const std::string& name) const {
    for (int i = 1; i <= sqlite3_bind_parameter_count(stmt_); ++i) {
        const char* raw = sqlite3_bind_parameter_name(stmt_, i);
        if (raw && strcasecmp(raw + 1, name.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

void SqliteStatement::Bind(int index, const Value& value) {
    int rc;
    if (value.IsNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else if (value.IsInteger()) {
        rc = sqlite3_bind_int64(stmt_, index, value.AsInteger());
    } else if (value.IsReal()) {
        rc = sqlite3_bind_double(stmt_, index, value.AsReal());
    } else {
        std::string text = value.AsText();
        rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) {
        Fail();
    }
}

bool SqliteStatement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    // The engine has undone the statement's changes; report why.
    std::string message = EngineMessage(db_);
    int code = sqlite3_extended_errcode(db_);
    sqlite3_reset(stmt_);
    throw DbError(message, code, source_);
}

void SqliteStatement::Reset() {
    sqlite3_reset(stmt_);
}

int SqliteStatement::ColumnCount() const {
    return sqlite3_column_count(stmt_);
}

std::string SqliteStatement::ColumnName(int i) const {
    const char* name = sqlite3_column_name(stmt_, i);
    return name ? name : "";
}

Value SqliteStatement::Column(int i) const {
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
        return Value(static_cast<int64_t>(sqlite3_column_int64(stmt_, i)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(stmt_, i));
    case SQLITE_NULL:
        return Value();
    default: {
        const unsigned char* text = sqlite3_column_text(stmt_, i);
        return Value(std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(stmt_, i)));
    }
    }
}

namespace {

// Write-ahead logging lets readers go on while another station writes, but needs shared
// memory that network file systems do not provide; there the file keeps its journal.
bool OnLocalFileSystem(const std::string& path) {
    struct statfs info {};
    if (statfs(path.c_str(), &info) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE (sshfs and the like)
    case 0x01021997UL: // 9P
    case 0x73757245UL: // Coda
    case 0x5346414FUL: // AFS
    case 0x564CUL:     // NCP
        return false;
    default:
        return true;
    }
}

class SqliteEngine final : public Engine {
public:
    SqliteEngine(const std::string& path, bool create);
    ~SqliteEngine() override {
        // close_v2 finishes closing once the last statement is finalised, whatever the order.
        sqlite3_close_v2(db_);
    }
    SqliteEngine(const SqliteEngine&) = delete;
    SqliteEngine& operator=(const SqliteEngine&) = delete;

    std::unique_ptr<Statement> Prepare(const std::string& sql, const std::string& source) override {
        return std::make_unique<SqliteStatement>(db_, sql, source);
    }
    void ExecuteScript(const std::string& script) override {
        if (sqlite3_exec(db_, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw DbError(EngineMessage(db_), sqlite3_extended_errcode(db_));
        }
    }
    int64_t Changes() override { return sqlite3_changes64(db_); }
    int64_t LastInsertRowid() override { return sqlite3_last_insert_rowid(db_); }

    bool InTransaction() override { return sqlite3_get_autocommit(db_) == 0; }
    // The outermost unit begins as a writer: a deferred transaction that reads first
    // cannot wait for another connection's write lock (the engine refuses the upgrade at
    // once to avoid a deadlock), so several stations saving at once would fail instead
    // of queueing.
    void Begin(bool outermost, UnitKind) override {
        ExecuteScript(outermost ? "BEGIN IMMEDIATE" : "SAVEPOINT corvid_transaction");
    }
    void Commit(bool outermost) override {
        ExecuteScript(outermost ? "COMMIT" : "RELEASE corvid_transaction");
    }
    void Rollback(bool outermost) override {
        if (outermost && !InTransaction()) {
            return;
        }
        ExecuteScript(outermost ? "ROLLBACK" : "ROLLBACK TO corvid_transaction; RELEASE corvid_transaction");
    }

    bool HasTable(const std::string& name) override;
    std::optional<std::vector<std::string>> ColumnsOf(const std::string& table) override;
    std::vector<std::string> TableNames() override;
    void StoreSavedQuery(const std::string& name, const std::string& parameters,
                         const std::string& sql) override;
    std::string DisplayName() const override { return "'" + path_ + "'"; }
    void RefreshStatistics(const std::string&) override {}
    bool ReadOnly() override { return sqlite3_db_readonly(db_, "main") == 1; }
    // Write-ahead logging without a sync per commit: a committed unit survives a crash of
    // the program; a power failure may lose the last units, never the file's consistency.
    void SyncAtCheckpointsOnly() override;

private:
    std::string path_;
    sqlite3* db_ = nullptr;
};

SqliteEngine::SqliteEngine(const std::string& path, bool create) : path_(path) {
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        throw DbError("Could not open database '" + path + "': " + message, rc);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    try {
        // The engine reads the file lazily; make it tell now whether this is a database.
        SqliteStatement check(db_, "SELECT count(*) FROM sqlite_master", "");
        check.Step();
    } catch (const DbError& e) {
        sqlite3_close(db_);
        throw DbError("Could not open database '" + path + "': " + e.what(), e.code());
    }
    if (!sqlite3_db_readonly(db_, "main") && OnLocalFileSystem(path)) {
        // Switching waits for other connections like any write; where it cannot be done
        // (a folder that refuses the log files) the file keeps its rollback journal.
        sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
}

void SqliteEngine::SyncAtCheckpointsOnly() {
    std::string mode;
    auto keep = [](void* target, int columns, char** values, char**) {
        if (columns > 0 && values[0]) {
            *static_cast<std::string*>(target) = values[0];
        }
        return 0;
    };
    // When another connection holds the file so that the mode cannot change, it stays.
    sqlite3_exec(db_, "PRAGMA journal_mode = WAL", keep, &mode, nullptr);
    if (strcasecmp(mode.c_str(), "wal") == 0) {
        sqlite3_exec(db_, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    }
}

bool SqliteEngine::HasTable(const std::string& name) {
    SqliteStatement statement(
        db_, "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
        name);
    statement.Bind(1, Value(name));
    return statement.Step();
}

std::optional<std::vector<std::string>> SqliteEngine::ColumnsOf(const std::string& table) {
    if (!HasTable(table)) {
        return std::nullopt;
    }
    SqliteStatement statement(db_, "SELECT name FROM pragma_table_xinfo(?1)", table);
    statement.Bind(1, Value(table));
    std::vector<std::string> columns;
    while (statement.Step()) {
        columns.push_back(statement.Column(0).AsText());
    }
    return columns;
}

std::vector<std::string> SqliteEngine::TableNames() {
    SqliteStatement statement(
        db_, "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name COLLATE NOCASE",
        "");
    std::vector<std::string> names;
    while (statement.Step()) {
        names.push_back(statement.Column(0).AsText());
    }
    return names;
}

void SqliteEngine::StoreSavedQuery(const std::string& name, const std::string& parameters,
                                   const std::string& sql) {
    SqliteStatement statement(
        db_, "INSERT OR REPLACE INTO MSysQueries (Name, Parameters, SQL) VALUES (?1, ?2, ?3)", name);
    statement.Bind(1, Value(name));
    statement.Bind(2, Value(parameters));
    statement.Bind(3, Value(sql));
    statement.Step();
}

} // namespace

std::unique_ptr<Engine> OpenSqlite(const std::string& path, bool create) {
    return std::make_unique<SqliteEngine>(path, create);
}

} // namespace corvid::operatordb::detail
