// The PostgreSQL engine's classes: a database on a server that many stations share, over
// libpq. The engine keeps the connection, its units and the names read from the catalog;
// a statement is translated when prepared and sent with its values when run.
#pragma once

#include "engine.h"
#include "pg_dialect.h"

#include <libpq-fe.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvid::operatordb::detail {

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

bool Succeeded(const PGresult* result);
// The result's SQLSTATE, or empty.
std::string StateOf(const PGresult* result);

class PgEngine;

class PgStatement final : public Statement {
public:
    PgStatement(PgEngine& engine, const std::string& sql, const std::string& source);

    void BindNamed(const Parameters& params) override;
    void Bind(int index, const Value& value) override;
    bool Step() override;
    void Reset() override {
        result_.reset();
        row_ = -1;
    }
    int ColumnCount() const override;
    std::string ColumnName(int i) const override;
    Value Column(int i) const override;

private:
    void Execute();
    // guarded: within a unit, inside a savepoint of its own.
    Result Run(bool guarded);
    void Describe() const;
    [[noreturn]] void Fail(const PGresult* result) const;

    PgEngine& engine_;
    std::string sql_;
    std::string source_;
    pg::Statement text_;
    std::vector<Value> values_;
    std::vector<bool> bound_;
    Result result_;
    mutable Result description_;
    mutable std::vector<int> visible_; // result columns other than the hidden row key
    int row_ = -1;
};

class PgEngine final : public Engine {
public:
    PgEngine(const std::string& uri, bool create);
    ~PgEngine() override { PQfinish(conn_); }
    PgEngine(const PgEngine&) = delete;
    PgEngine& operator=(const PgEngine&) = delete;

    std::unique_ptr<Statement> Prepare(const std::string& sql, const std::string& source) override {
        EnsureConnected();
        return std::make_unique<PgStatement>(*this, sql, source);
    }
    void ExecuteScript(const std::string& script) override;
    int64_t Changes() override { return changes_; }
    int64_t LastInsertRowid() override {
        Result result = Exec("SELECT lastval()");
        return std::strtoll(PQgetvalue(result.get(), 0, 0), nullptr, 10);
    }

    bool InTransaction() override { return depth_ > 0; }
    void Begin(bool outermost, UnitKind kind) override;
    void Commit(bool outermost) override;
    void Rollback(bool outermost) override;

    bool HasTable(const std::string& name) override;
    std::optional<std::vector<std::string>> ColumnsOf(const std::string& table) override;
    std::vector<std::string> TableNames() override;
    void StoreSavedQuery(const std::string& name, const std::string& parameters,
                         const std::string& sql) override;
    std::string DisplayName() const override { return description_; }
    bool ReadOnly() override { return false; }
    void RefreshStatistics(const std::string& table) override {
        auto found = Catalog().tables.find(pg::Lower(table));
        if (found != catalog_.tables.end()) {
            char* quoted = PQescapeIdentifier(conn_, found->second.name.c_str(), found->second.name.size());
            std::string statement = std::string("ANALYZE ") + (quoted ? quoted : "");
            PQfreemem(quoted);
            Exec(statement);
        }
    }
    // A shared server keeps the durability its administrator chose.
    void SyncAtCheckpointsOnly() override {}

    // Runs statements without parameters; DbError with the server's message.
    Result Exec(const std::string& sql);
    void EnsureConnected();
    const pg::Catalog& Catalog();
    void SchemaChanged() {
        catalogLoaded_ = false;
        citext_ = 0;
    }
    Oid CaseInsensitiveText();
    // Undoes the failed statement of a unit, which goes on.
    void UndoStatement() {
        if (PQstatus(conn_) == CONNECTION_OK) {
            PQclear(
                PQexec(conn_, "ROLLBACK TO SAVEPOINT corvid_statement; RELEASE SAVEPOINT corvid_statement"));
        }
    }
    // Creates the types the translated tables use, once per connection.
    void PrepareTypes();
    PGconn* conn() const { return conn_; }
    void SetChanges(int64_t changes) { changes_ = changes; }
    // The server's message for a failed result, or for the connection when there is none.
    std::string Message(const PGresult* result) const;

private:
    void Connect(const std::string& uri, const char* dbname);
    void CreateDatabase(const std::string& uri);

    std::string uri_;
    std::string description_;
    PGconn* conn_ = nullptr;
    int depth_ = 0;
    int64_t changes_ = 0;
    pg::Catalog catalog_;
    bool catalogLoaded_ = false;
    Oid citext_ = 0;
    bool typesReady_ = false;
};

} // namespace corvid::operatordb::detail
