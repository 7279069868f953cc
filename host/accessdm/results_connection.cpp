#include "results_connection.h"

#include "operatordb/db_error.h"

#include <algorithm>
#include <cctype>
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

} // namespace

ResultsConnection::ResultsConnection(const std::string& path) : db_(path) {
    if (db_.IsReadOnly()) {
        throw DbError("The results database " + db_.DisplayName() + " is read-only");
    }
    // A file that is no database fails here rather than at the first row.
    db_.TableNames();
    // A test's rows cost a fraction of a millisecond instead of several disk syncs.
    db_.SyncAtCheckpointsOnly();
}

ResultsConnection::~ResultsConnection() {
    statements_.clear();
    if (transaction_) {
        try {
            transaction_.reset();
        } catch (...) {
            // The engine undoes an unfinished unit when the connection closes.
        }
    }
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
    int count = 0;
    for (const auto& field : fields_) {
        names += (names.empty() ? "" : ", ") + Quoted(field.first);
        marks += (marks.empty() ? "?" : ", ?") + std::to_string(++count);
    }
    operatordb::Statement& insert =
        Prepared("INSERT INTO " + Quoted(table.name) + " (" + names + ") VALUES (" + marks + ")");
    int index = 1;
    for (const auto& field : fields_)
        insert.Bind(index++, field.second);
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
    int index = 1;
    for (const auto& field : fields)
        assignments += (assignments.empty() ? "" : ", ") + Quoted(ColumnOf(table, field.first)) + " = ?" +
                       std::to_string(index++);
    operatordb::Statement& update =
        Prepared("UPDATE " + Quoted(table.name) + " SET " + assignments + " WHERE " + Quoted(found_->column) +
                 " " + found_->comparison + " ?" + std::to_string(index));
    index = 1;
    for (const auto& field : fields) {
        update.Bind(index++, field.second);
    }
    update.Bind(index, found_->value);
    Run(update);
    if (db_.Changes() == 0) {
        throw DbError("No row of " + table.name + " where " + found_->column + " " + found_->comparison +
                      " " + found_->value.AsText());
    }
}

bool ResultsConnection::ColumnExists(const std::string& table, const std::string& column) {
    const Table& described = Describe(table);
    return std::any_of(described.columns.begin(), described.columns.end(), [&](const std::string& name) {
        return strcasecmp(name.c_str(), column.c_str()) == 0;
    });
}

void ResultsConnection::Begin() {
    if (transaction_) {
        throw DbError("A transaction is already open");
    }
    // Rows are added, or changed by their keys: stations store beside each other.
    transaction_ = std::make_unique<operatordb::Transaction>(db_, operatordb::UnitKind::Concurrent);
}

void ResultsConnection::Commit() {
    if (!transaction_) {
        throw DbError("No transaction is open");
    }
    transaction_->Commit();
    transaction_.reset();
}

void ResultsConnection::Rollback() {
    transaction_.reset();
}

operatordb::Statement& ResultsConnection::Prepared(const std::string& sql) {
    if (auto known = statements_.find(sql); known != statements_.end()) {
        known->second->Reset();
        return *known->second;
    }
    return *statements_.emplace(sql, db_.Prepare(sql)).first->second;
}

void ResultsConnection::Run(operatordb::Statement& statement) {
    while (statement.Step()) {
    }
    statement.Reset();
}

} // namespace corvid::accessdm
