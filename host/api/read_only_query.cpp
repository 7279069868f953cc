#include "read_only_query.h"

#include "operatordb/database.h"
#include "operatordb/db_error.h"
#include "platform/sqlite_handle.h"

#include <stdexcept>

namespace corvid::host {
namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw std::runtime_error(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

void Bind(sqlite3* db, sqlite3_stmt* statement, int index, const QueryValue& value) {
    int status = SQLITE_OK;
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        status = sqlite3_bind_int64(statement, index, *integer);
    else if (const auto* real = std::get_if<double>(&value))
        status = sqlite3_bind_double(statement, index, *real);
    else if (const auto* text = std::get_if<std::string>(&value))
        status = sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()),
                                   SQLITE_TRANSIENT);
    else
        status = sqlite3_bind_null(statement, index);
    if (status != SQLITE_OK)
        Fail(db, "cannot bind parameter " + std::to_string(index));
}

void BindAll(sqlite3* db, sqlite3_stmt* statement, const std::vector<QueryParameter>& parameters) {
    int position = 0;
    for (const auto& [name, value] : parameters) {
        int index = 0;
        if (name.empty()) {
            index = ++position;
        } else {
            index = sqlite3_bind_parameter_index(statement, (":" + name).c_str());
            if (index == 0)
                throw std::runtime_error("the statement has no parameter :" + name);
        }
        if (index > sqlite3_bind_parameter_count(statement))
            throw std::runtime_error("the statement has fewer parameters than given");
        Bind(db, statement, index, value);
    }
}

QueryValue ColumnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_NULL:
        return std::monostate{};
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return std::string(text ? text : "",
                           static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    }
    }
}

operatordb::Value ToValue(const QueryValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        return operatordb::Value(*integer);
    }
    if (const auto* real = std::get_if<double>(&value)) {
        return operatordb::Value(*real);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return operatordb::Value(*text);
    }
    return operatordb::Value();
}

QueryValue FromValue(const operatordb::Value& value) {
    if (value.IsInteger()) {
        return value.AsInteger();
    }
    if (value.IsReal()) {
        return value.AsReal();
    }
    if (value.IsText()) {
        return value.AsText();
    }
    return std::monostate{};
}

// The same query on a server database, in a transaction that the server keeps from
// writing.
std::vector<QueryRow> QueryServer(const std::string& uri, const std::string& sql,
                                  const std::vector<QueryParameter>& parameters) {
    try {
        operatordb::Database db(uri);
        db.ExecuteNative("BEGIN READ ONLY");
        auto statement = db.Prepare(sql);
        operatordb::Parameters named;
        int position = 0;
        for (const auto& [name, value] : parameters) {
            if (name.empty()) {
                statement->Bind(++position, ToValue(value));
            } else {
                named.push_back({name, ToValue(value)});
            }
        }
        if (!named.empty()) {
            statement->BindNamed(named);
        }
        std::vector<QueryRow> rows;
        while (statement->Step()) {
            QueryRow row;
            for (int column = 0; column < statement->ColumnCount(); ++column) {
                row.emplace_back(statement->ColumnName(column), FromValue(statement->Column(column)));
            }
            rows.push_back(std::move(row));
        }
        return rows;
    } catch (const operatordb::DbError& e) {
        throw std::runtime_error(std::string("the query failed: ") + e.what());
    }
}

} // namespace

std::vector<QueryRow> QueryReadOnly(const std::string& path, const std::string& sql,
                                    const std::vector<QueryParameter>& parameters) {
    if (operatordb::IsServerUri(path)) {
        return QueryServer(path, sql, parameters);
    }
    sqlite3* raw = nullptr;
    int status = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    platform::SqliteConnection db(raw);
    if (status != SQLITE_OK)
        Fail(raw, "cannot open the database " + path);
    // Another station may be writing the file (a filter rebuild, a save): wait for it.
    sqlite3_busy_timeout(db.get(), 5000);
    sqlite3_stmt* rawStatement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), static_cast<int>(sql.size()), &rawStatement, &tail) !=
        SQLITE_OK)
        Fail(db.get(), "the query is refused");
    platform::SqliteStatement statement(rawStatement);
    if (!statement)
        throw std::runtime_error("the query is empty");
    if (!sqlite3_stmt_readonly(statement.get()))
        throw std::runtime_error("only queries that read are allowed");
    BindAll(db.get(), statement.get(), parameters);
    std::vector<QueryRow> rows;
    int columns = sqlite3_column_count(statement.get());
    while ((status = sqlite3_step(statement.get())) == SQLITE_ROW) {
        QueryRow row;
        for (int column = 0; column < columns; ++column)
            row.emplace_back(sqlite3_column_name(statement.get(), column),
                             ColumnValue(statement.get(), column));
        rows.push_back(std::move(row));
    }
    if (status != SQLITE_DONE)
        Fail(db.get(), "the query failed");
    return rows;
}

} // namespace corvid::host
