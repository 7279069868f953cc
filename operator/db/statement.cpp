#include "statement.h"

#include "operatordb/db_error.h"

#include <cctype>
#include <strings.h>

namespace corvid::operatordb::detail {
namespace {

bool OnlyBlanksAndSemicolons(const char* tail) {
    for (; tail && *tail; ++tail)
        if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';')
            return false;
    return true;
}

} // namespace

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

Statement::Statement(sqlite3* db, const std::string& sql, const std::string& source)
    : db_(db), source_(source) {
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()) + 1, &stmt_, &tail) != SQLITE_OK)
        Fail();
    if (!stmt_)
        throw DbError("Invalid SQL statement; the statement is empty.", 0, source_);
    if (!OnlyBlanksAndSemicolons(tail)) {
        // The destructor does not run for an object whose constructor throws.
        sqlite3_finalize(stmt_);
        throw DbError("Characters found after end of SQL statement.", 0, source_);
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::Fail() const {
    throw DbError(EngineMessage(db_), sqlite3_extended_errcode(db_), source_);
}

void Statement::BindNamed(const Parameters& params) {
    int count = sqlite3_bind_parameter_count(stmt_);
    for (const Parameter& p : params) {
        if (!HasParameter(p.name))
            throw DbError("Unknown parameter '" + p.name + "'.", 0, source_);
    }
    std::vector<std::string> missing;
    for (int i = 1; i <= count; ++i) {
        const char* raw = sqlite3_bind_parameter_name(stmt_, i);
        std::string name = raw ? raw + 1 : std::string();
        const Parameter* found = nullptr;
        for (const Parameter& p : params)
            if (!name.empty() && strcasecmp(p.name.c_str(), name.c_str()) == 0)
                found = &p;
        if (!found) {
            missing.push_back(name);
            continue;
        }
        Bind(i, found->value);
    }
    if (!missing.empty()) {
        std::string list;
        for (const std::string& m : missing)
            list += (list.empty() ? "" : ", ") + m;
        throw DbError("Too few parameters. Expected " + std::to_string(missing.size()) + " (" + list + ").",
                      0, source_);
    }
}

bool Statement::HasParameter(const std::string& name) const {
    for (int i = 1; i <= sqlite3_bind_parameter_count(stmt_); ++i) {
        const char* raw = sqlite3_bind_parameter_name(stmt_, i);
        if (raw && strcasecmp(raw + 1, name.c_str()) == 0)
            return true;
    }
    return false;
}

void Statement::Bind(int index, const Value& value) {
    int rc;
    if (value.IsNull())
        rc = sqlite3_bind_null(stmt_, index);
    else if (value.IsInteger())
        rc = sqlite3_bind_int64(stmt_, index, value.AsInteger());
    else if (value.IsReal())
        rc = sqlite3_bind_double(stmt_, index, value.AsReal());
    else {
        std::string text = value.AsText();
        rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        Fail();
}

bool Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The engine has undone the statement's changes; report why.
    std::string message = EngineMessage(db_);
    int code = sqlite3_extended_errcode(db_);
    sqlite3_reset(stmt_);
    throw DbError(message, code, source_);
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
}

int Statement::ColumnCount() const {
    return sqlite3_column_count(stmt_);
}

std::string Statement::ColumnName(int i) const {
    const char* name = sqlite3_column_name(stmt_, i);
    return name ? name : "";
}

Value Statement::Column(int i) const {
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

} // namespace corvid::operatordb::detail
