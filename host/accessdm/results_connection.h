// ResultsConnection: the access data manager's work on one results database, without
// the component around it: a table to add rows to and to search, rows written with
// prepared statements kept for reuse, and writer transactions.
#pragma once

#include "operatordb/database.h"
#include "operatordb/value.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvid::accessdm {

using operatordb::Value;

class ResultsConnection {
public:
    // Opens an existing database file, or connects to the server database a URI names,
    // for writing; DbError when it is missing, not a database or read-only.
    explicit ResultsConnection(const std::string& path);
    ~ResultsConnection();
    ResultsConnection(const ResultsConnection&) = delete;
    ResultsConnection& operator=(const ResultsConnection&) = delete;

    void OpenTable(const std::string& table);
    void SetField(const std::string& column, Value value);
    // Inserts the row of the fields set since the last OpenTable or AddRow.
    void AddRow();
    void Find(const std::string& column, const std::string& comparison, Value value);
    // Changes the rows Find selected; DbError when it selected none.
    void UpdateFound(const std::vector<std::pair<std::string, Value>>& fields);
    bool ColumnExists(const std::string& table, const std::string& column);

    // A writer unit: waits for other stations' units up to the busy time-out.
    void Begin();
    void Commit();
    void Rollback();
    bool inTransaction() const { return transaction_ != nullptr; }

private:
    struct Table {
        std::string name;                 // as the database spells it
        std::vector<std::string> columns; // as the database spells them
    };
    const Table& Describe(const std::string& table);
    const Table& Current() const;
    std::string ColumnOf(const Table& table, const std::string& column) const;
    // Statements are prepared once per connection and kept for the next row.
    operatordb::Statement& Prepared(const std::string& sql);
    void Run(operatordb::Statement& statement);

    operatordb::Database db_;
    std::map<std::string, Table> tables_; // by lower-case name
    std::optional<Table> current_;
    std::vector<std::pair<std::string, Value>> fields_;
    struct Condition {
        std::string column, comparison;
        Value value;
    };
    std::optional<Condition> found_;
    std::map<std::string, std::unique_ptr<operatordb::Statement>> statements_;
    std::unique_ptr<operatordb::Transaction> transaction_;
};

} // namespace corvid::accessdm
