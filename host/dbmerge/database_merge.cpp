#include "database_merge.h"

#include "platform/sqlite_handle.h"

#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace corvid::dbmerge {
namespace {

void Execute(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw std::runtime_error(text);
    }
}

std::vector<std::string> Column(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    platform::SqliteStatement statement(raw);
    std::vector<std::string> values;
    int status = SQLITE_OK;
    while ((status = sqlite3_step(statement.get())) == SQLITE_ROW)
        values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0)));
    if (status != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
    return values;
}

std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Literal(const std::string& text) {
    std::string literal = "'";
    for (char c : text)
        literal += c == '\'' ? std::string("''") : std::string(1, c);
    return literal + "'";
}

// A file name as an SQLite URI: every byte but the unreserved ones and '/' percent-encoded,
// so that '#', '?' and '%' in a directory or file name stay part of the path.
std::string FileUri(const std::string& path, const char* query) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : std::filesystem::absolute(path).string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri + query;
}

// Rolls back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) { Execute(db_, "BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!committed_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit() {
        Execute(db_, "COMMIT");
        committed_ = true;
    }

private:
    sqlite3* db_;
    bool committed_ = false;
};

void MergeTable(sqlite3* db, const std::string& table) {
    std::vector<std::string> targetColumns =
        Column(db, "SELECT name FROM pragma_table_info(" + Literal(table) + ", 'main')");
    if (targetColumns.empty())
        throw std::runtime_error("the instrument database has no table " + table);
    std::vector<std::string> sourceColumns =
        Column(db, "SELECT name FROM pragma_table_info(" + Literal(table) + ", 'source')");
    std::string columns;
    for (const std::string& column : sourceColumns) {
        bool known = false;
        for (const std::string& target : targetColumns)
            known = known || sqlite3_stricmp(target.c_str(), column.c_str()) == 0;
        if (!known)
            throw std::runtime_error("the table " + table + " of the instrument database has no column " +
                                     column);
        columns += (columns.empty() ? "" : ", ") + Quoted(column);
    }
    Execute(db, "INSERT OR REPLACE INTO main." + Quoted(table) + " (" + columns + ") SELECT " + columns +
                    " FROM source." + Quoted(table));
}

} // namespace

void MergeDatabase(const std::string& target, const std::string& source) {
    sqlite3* raw = nullptr;
    std::string uri = FileUri(target, "");
    int status = sqlite3_open_v2(uri.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    platform::SqliteConnection db(raw);
    if (status != SQLITE_OK)
        throw std::runtime_error("cannot open the instrument database " + target + ": " +
                                 (raw ? sqlite3_errmsg(raw) : "out of memory"));
    sqlite3_busy_timeout(db.get(), 5000);
    Execute(db.get(), "ATTACH DATABASE " + Literal(FileUri(source, "?mode=ro")) + " AS source");
    std::vector<std::string> tables = Column(db.get(), "SELECT name FROM source.sqlite_master WHERE type = "
                                                       "'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    if (tables.empty())
        throw std::runtime_error(source + " holds no tables to merge");
    Transaction transaction(db.get());
    for (const std::string& table : tables)
        MergeTable(db.get(), table);
    transaction.Commit();
}

} // namespace corvid::dbmerge
