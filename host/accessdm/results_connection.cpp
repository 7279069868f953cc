#include "results_connection.h"

#include "operatordb/db_error.h"

#include <algorithm>
#include <cctype>
#include <sqlite3.h>
#include <strings.h>

namespace corvid::accessdm {
namespace {

using operatordb::DbError;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

bool IsComparison(const std::string& op) {
    for (const char* known : {"=", "<>", "<", "<=", ">", ">="})
        if (op == known)
            return true;
    return false;
}

// The journal mode a PRAGMA statement answers with (empty when it fails).
std::string JournalMode(sqlite3* db, const char* pragma) {
    std::string mode;
    auto keep = [](void* target, int columns, char** values, char**) {
        if (columns > 0 && values[0])
            *static_cast<std::string*>(target) = values[0];
        return 0;
    };
    sqlite3_exec(db, pragma, keep, &mode, nullptr);
    return Lower(mode);
}

} // namespace

void ResultsConnection::StatementDeleter::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

ResultsConnection::ResultsConnection(const std::string& path) : db_(path) {
    if (sqlite3_db_readonly(db_.handle(), "main") == 1)
        throw DbError("The results database " + path + " is read-only");
    // A file that is no database fails here rather than at the first row.
    db_.TableNames();
    // Write-ahead logging without a sync per commit: a test's rows cost a fraction of a
    // millisecond instead of several disk syncs. A committed test survives a crash of the
    // program; a power failure may lose the last tests, never the file's consistency.
    // Stations on one computer share the file as before (not across a network share).
    // When another station holds the file so that the mode cannot change, it stays as it is.
    if (JournalMode(db_.handle(), "PRAGMA journal_mode = WAL") == "wal")
        sqlite3_exec(db_.handle(), "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
}

ResultsConnection::~ResultsConnection() {
    statements_.clear();
    if (inTransaction_)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

const ResultsConnection::Table& ResultsConnection::Describe(const std::string& table) {
    std::string key = Lower(table);
    if (auto known = tables_.find(key); known != tables_.end())
        return known->second;
    for (const std::string& name : db_.TableNames(true)) {
        if (Lower(name) != key)
            continue;
        Table described{name, db_.ColumnsOf(name).value_or(std::vector<std::string>{})};
        return tables_.emplace(key, std::move(described)).first->second;
    }
    throw DbError("The results database has no table " + table);
}

const ResultsConnection::Table& ResultsConnection::Current() const {
    if (!current_)
        throw DbError("No table is open");
    return *current_;
}

std::string ResultsConnection::ColumnOf(const Table& table, const std::string& column) const {
    for (const std::string& name : table.columns)
        if (strcasecmp(name.c_str(), column.c_str()) == 0)
            return name;
    throw DbError("The table " + table.name + " has no column " + column);
}

void ResultsConnection::OpenTable(const std::string& table) {
    current_ = Describe(table);
    fields_.clear();
    found_.reset();
}

void ResultsConnection::SetField(const std::string& column, Value value) {
    std::string name = ColumnOf(Current(), column);
    for (auto& field : fields_) {
        if (field.first == name) {
            field.second = std::move(value);
            return;
        }
    }
    fields_.emplace_back(name, std::move(value));
}

void ResultsConnection::AddRow() {
    const Table& table = Current();
    if (fields_.empty())
        throw DbError("No field of the new row of " + table.name + " is set");
    std::string names, marks;
    for (const auto& field : fields_) {
        names += (names.empty() ? "" : ", ") + Quoted(field.first);
        marks += marks.empty() ? "?" : ", ?";
    }
    sqlite3_stmt* insert =
        Prepared("INSERT INTO " + Quoted(table.name) + " (" + names + ") VALUES (" + marks + ")");
    int index = 1;
    for (const auto& field : fields_)
        Bind(insert, index++, field.second);
    fields_.clear();
    Run(insert);
}

void ResultsConnection::Find(const std::string& column, const std::string& comparison, Value value) {
    if (!IsComparison(comparison))
        throw DbError("Unknown comparison '" + comparison + "'");
    found_ = Condition{ColumnOf(Current(), column), comparison, std::move(value)};
}

void ResultsConnection::UpdateFound(const std::vector<std::pair<std::string, Value>>& fields) {
    const Table& table = Current();
    if (!found_)
        throw DbError("No row of " + table.name + " is selected");
    if (fields.empty())
        throw DbError("No field to change");
    std::string assignments;
    for (const auto& field : fields)
        assignments += (assignments.empty() ? "" : ", ") + Quoted(ColumnOf(table, field.first)) + " = ?";
    sqlite3_stmt* update = Prepared("UPDATE " + Quoted(table.name) + " SET " + assignments + " WHERE " +
                                    Quoted(found_->column) + " " + found_->comparison + " ?");
    int index = 1;
    for (const auto& field : fields)
        Bind(update, index++, field.second);
    Bind(update, index, found_->value);
    Run(update);
    if (sqlite3_changes(db_.handle()) == 0)
        throw DbError("No row of " + table.name + " where " + found_->column + " " + found_->comparison +
                      " " + found_->value.AsText());
}

bool ResultsConnection::ColumnExists(const std::string& table, const std::string& column) {
    const Table& described = Describe(table);
    return std::any_of(described.columns.begin(), described.columns.end(), [&](const std::string& name) {
        return strcasecmp(name.c_str(), column.c_str()) == 0;
    });
}

void ResultsConnection::Begin() {
    if (inTransaction_)
        throw DbError("A transaction is already open");
    Run(Prepared("BEGIN IMMEDIATE"));
    inTransaction_ = true;
}

void ResultsConnection::Commit() {
    if (!inTransaction_)
        throw DbError("No transaction is open");
    Run(Prepared("COMMIT"));
    inTransaction_ = false;
}

void ResultsConnection::Rollback() {
    if (!inTransaction_)
        return;
    inTransaction_ = false;
    Run(Prepared("ROLLBACK"));
}

sqlite3_stmt* ResultsConnection::Prepared(const std::string& sql) {
    if (auto known = statements_.find(sql); known != statements_.end()) {
        sqlite3_reset(known->second.get());
        sqlite3_clear_bindings(known->second.get());
        return known->second.get();
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_.handle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        Fail(sql);
    return statements_.emplace(sql, StatementPtr(statement)).first->second.get();
}

void ResultsConnection::Bind(sqlite3_stmt* statement, int index, const Value& value) {
    int rc = SQLITE_OK;
    if (value.IsNull())
        rc = sqlite3_bind_null(statement, index);
    else if (value.IsInteger())
        rc = sqlite3_bind_int64(statement, index, value.AsInteger());
    else if (value.IsReal())
        rc = sqlite3_bind_double(statement, index, value.AsReal());
    else {
        std::string text = value.AsText();
        rc = sqlite3_bind_text(statement, index, text.c_str(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        Fail(sqlite3_sql(statement));
}

void ResultsConnection::Run(sqlite3_stmt* statement) {
    int rc = sqlite3_step(statement);
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) {
        std::string message = sqlite3_errmsg(db_.handle());
        int code = sqlite3_extended_errcode(db_.handle());
        sqlite3_reset(statement);
        throw DbError(message, code, sqlite3_sql(statement));
    }
    sqlite3_reset(statement);
}

void ResultsConnection::Fail(const std::string& what) const {
    throw DbError(sqlite3_errmsg(db_.handle()), sqlite3_extended_errcode(db_.handle()), what);
}

} // namespace corvid::accessdm
