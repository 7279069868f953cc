#include "operatordb/database.h"

#include "jet_hoist.h"
#include "operatordb/db_error.h"
#include "operatordb/jet_sql.h"
#include "statement.h"

#include <cstdint>
#include <sqlite3.h>
#include <sstream>
#include <strings.h>
#include <sys/vfs.h>

namespace corvid::operatordb {
namespace {

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

// "Name Type, Name Type" as (name, type) pairs.
std::vector<std::pair<std::string, std::string>> DeclaredParameters(const std::string& declaration) {
    std::vector<std::pair<std::string, std::string>> declared;
    std::stringstream list(declaration);
    std::string item;
    while (std::getline(list, item, ',')) {
        item = Trim(item);
        if (item.empty())
            continue;
        size_t blank = item.find_first_of(" \t");
        std::string name = item.substr(0, blank);
        std::string type = blank == std::string::npos ? std::string() : Trim(item.substr(blank));
        declared.emplace_back(name, type);
    }
    return declared;
}

// A whole number within the declared type's range (Long 32 bits, Integer 16, Byte 0..255).
Value InRange(const Value& value, int64_t low, int64_t high) {
    int64_t number = value.AsInteger();
    if (number < low || number > high)
        throw DbError("out of range");
    return Value(number);
}

Value Converted(const Value& value, const std::string& type) {
    if (value.IsNull())
        return value;
    const char* t = type.c_str();
    if (strcasecmp(t, "Long") == 0)
        return InRange(value, INT32_MIN, INT32_MAX);
    if (strcasecmp(t, "Integer") == 0)
        return InRange(value, INT16_MIN, INT16_MAX);
    if (strcasecmp(t, "Byte") == 0)
        return InRange(value, 0, UINT8_MAX);
    if (strcasecmp(t, "YesNo") == 0 || strcasecmp(t, "Bit") == 0)
        return Value(value.AsBool() ? 1 : 0);
    if (strcasecmp(t, "Double") == 0 || strcasecmp(t, "Single") == 0)
        return Value(value.AsReal());
    if (strcasecmp(t, "Text") == 0)
        return Value(value.AsText());
    return value;
}

// Write-ahead logging lets readers go on while another station writes, but needs shared
// memory that network file systems do not provide; there the file keeps its journal.
bool OnLocalFileSystem(const std::filesystem::path& path) {
    struct statfs info {};
    if (statfs(path.c_str(), &info) != 0)
        return false;
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

} // namespace

bool IsSystemObject(std::string_view name) {
    return (name.size() >= 4 && strncasecmp(name.data(), "MSys", 4) == 0) ||
           (name.size() >= 7 && strncasecmp(name.data(), "sqlite_", 7) == 0);
}

Database::Database(const std::filesystem::path& path, FileMode mode) : path_(path) {
    int flags = SQLITE_OPEN_READWRITE | (mode == FileMode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError("Could not open database '" + path.string() + "': " + message, rc);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, detail::kBusyTimeoutMs);
    try {
        // The engine reads the file lazily; make it tell now whether this is a database.
        detail::Statement check(db_, "SELECT count(*) FROM sqlite_master", "");
        check.Step();
    } catch (const DbError& e) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError("Could not open database '" + path.string() + "': " + e.what(), e.code());
    }
    if (!sqlite3_db_readonly(db_, "main") && OnLocalFileSystem(path)) {
        // Switching waits for other connections like any write; where it cannot be done
        // (a folder that refuses the log files) the file keeps its rollback journal.
        sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
}

Database::~Database() {
    // close_v2 finishes closing once the last statement is finalised, whatever the order.
    sqlite3_close_v2(db_);
}

std::string Database::Translate(const std::string& jetSql) {
    std::string sql = TranslateJetSql(jetSql, [this](const std::string& name) -> std::optional<std::string> {
        if (HasTable(name))
            return std::nullopt;
        std::optional<SavedQuery> query = FindSavedQuery(name);
        return query ? std::optional<std::string>(query->sql) : std::nullopt;
    });
    return jet::HoistOuterConditions(sql, [this](const std::string& table) { return ColumnsOf(table); });
}

std::optional<std::vector<std::string>> Database::ColumnsOf(const std::string& table) {
    if (!HasTable(table))
        return std::nullopt;
    detail::Statement statement(db_, "SELECT name FROM pragma_table_xinfo(?1)", table);
    statement.Bind(1, Value(table));
    std::vector<std::string> columns;
    while (statement.Step())
        columns.push_back(statement.Column(0).AsText());
    return columns;
}

int Database::Execute(const std::string& jetSql, const Parameters& params) {
    Observe(jetSql);
    detail::Statement statement(db_, Translate(jetSql), jetSql);
    if (statement.ReturnsRows())
        throw DbError("Cannot execute a select query.", 0, jetSql);
    statement.BindNamed(params);
    while (statement.Step()) {
    }
    return sqlite3_changes(db_);
}

bool Database::ReturnsRows(const std::string& jetSql) {
    return detail::Statement(db_, Translate(jetSql), jetSql).ReturnsRows();
}

Recordset Database::OpenRecordset(const std::string& jetSql, const Parameters& params) {
    return Recordset::Select(*this, jetSql, params);
}

void Database::ExecuteNative(const std::string& script) {
    if (sqlite3_exec(db_, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbError(detail::EngineMessage(db_), sqlite3_extended_errcode(db_));
}

bool Database::HasTable(const std::string& name) {
    detail::Statement statement(
        db_, "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
        name);
    statement.Bind(1, Value(name));
    return statement.Step();
}

std::vector<std::string> Database::TableNames(bool includeSystemObjects) {
    detail::Statement statement(
        db_, "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name COLLATE NOCASE",
        "");
    std::vector<std::string> names;
    while (statement.Step()) {
        std::string name = statement.Column(0).AsText();
        if (includeSystemObjects || !IsSystemObject(name))
            names.push_back(name);
    }
    return names;
}

std::optional<SavedQuery> Database::FindSavedQuery(const std::string& name) {
    if (!HasTable("MSysQueries"))
        return std::nullopt;
    detail::Statement statement(db_, "SELECT Name, Parameters, SQL FROM MSysQueries WHERE Name = ?1", name);
    statement.Bind(1, Value(name));
    if (!statement.Step())
        return std::nullopt;
    return SavedQuery{statement.Column(0).AsText(), statement.Column(1).AsText(),
                      statement.Column(2).AsText()};
}

std::vector<SavedQuery> Database::SavedQueries() {
    std::vector<SavedQuery> queries;
    if (!HasTable("MSysQueries"))
        return queries;
    detail::Statement statement(db_, "SELECT Name, Parameters, SQL FROM MSysQueries ORDER BY Name", "");
    while (statement.Step())
        queries.push_back(
            {statement.Column(0).AsText(), statement.Column(1).AsText(), statement.Column(2).AsText()});
    return queries;
}

void Database::SaveQuery(const SavedQuery& query) {
    if (query.name.empty())
        throw DbError("A saved query needs a name.");
    // Compiling the statement finds syntax errors and unknown tables now, not at first use.
    detail::Statement check(db_, Translate(query.sql), query.sql);
    detail::Statement statement(
        db_, "INSERT OR REPLACE INTO MSysQueries (Name, Parameters, SQL) VALUES (?1, ?2, ?3)", query.name);
    statement.Bind(1, Value(query.name));
    statement.Bind(2, Value(query.parameters));
    statement.Bind(3, Value(query.sql));
    statement.Step();
}

Parameters Database::Typed(const SavedQuery& query, const Parameters& params) const {
    auto declared = DeclaredParameters(query.parameters);
    Parameters typed;
    for (const Parameter& p : params) {
        std::string type;
        for (const auto& [name, declaredType] : declared)
            if (strcasecmp(name.c_str(), p.name.c_str()) == 0)
                type = declaredType;
        try {
            typed.push_back({p.name, Converted(p.value, type)});
        } catch (const DbError&) {
            throw DbError("Parameter '" + p.name + "' of query '" + query.name + "' takes a value of type " +
                              type + ", not '" + p.value.AsText() + "'.",
                          0, query.name);
        }
    }
    return typed;
}

int Database::ExecuteQuery(const std::string& name, const Parameters& params) {
    std::optional<SavedQuery> query = FindSavedQuery(name);
    if (!query)
        throw DbError("Cannot find the saved query '" + name + "'.", 0, name);
    return Execute(query->sql, Typed(*query, params));
}

Recordset Database::OpenQuery(const std::string& name, const Parameters& params) {
    std::optional<SavedQuery> query = FindSavedQuery(name);
    if (!query)
        throw DbError("Cannot find the saved query '" + name + "'.", 0, name);
    return Recordset::Select(*this, query->sql, Typed(*query, params));
}

// The outermost unit begins as a writer: a deferred transaction that reads first cannot
// wait for another connection's write lock (the engine refuses the upgrade at once to
// avoid a deadlock), so several stations saving at once would fail instead of queueing.
Transaction::Transaction(Database& db) : db_(db), outermost_(sqlite3_get_autocommit(db.handle()) != 0) {
    db_.ExecuteNative(outermost_ ? "BEGIN IMMEDIATE" : "SAVEPOINT corvid_transaction");
}

Transaction::~Transaction() {
    if (done_)
        return;
    try {
        db_.ExecuteNative(outermost_ ? "ROLLBACK"
                                     : "ROLLBACK TO corvid_transaction; RELEASE corvid_transaction");
    } catch (const DbError&) {
        // Nothing more can be done from a destructor; the engine has rolled back already.
    }
}

void Transaction::Commit() {
    db_.ExecuteNative(outermost_ ? "COMMIT" : "RELEASE corvid_transaction");
    done_ = true;
}

} // namespace corvid::operatordb
