// The PostgreSQL engine: a database on a server that many stations share, over libpq.
#include "engine.h"
#include "operatordb/database.h"
#include "operatordb/db_error.h"
#include "pg_dialect.h"

#include <charconv>
#include <cstdlib>
#include <libpq-fe.h>
#include <strings.h>

namespace corvid::operatordb::detail {
namespace {

// Writer units of all stations queue on this lock of the database, as they queue on
// the write lock of a file: a unit reads, then writes what it read (the largest key,
// the filter's rows) without another station's unit in between.
constexpr const char* kWriterLock = "SELECT pg_advisory_xact_lock(1131376246)";

constexpr Oid kBoolOid = 16, kInt8Oid = 20, kInt2Oid = 21, kInt4Oid = 23, kOidOid = 26;
constexpr Oid kFloat4Oid = 700, kFloat8Oid = 701, kNumericOid = 1700;

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// A real as text that reads back as the same double (AsText rounds to 15 digits for
// showing it); to_chars ignores the locale, which may write a decimal comma.
std::string ExactText(double value) {
    char buffer[32];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

bool Succeeded(const PGresult* result) {
    ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

std::string StateOf(const PGresult* result) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state ? state : "";
}

// The server and database a URI names, for messages: never its password.
std::string ServerDescription(const std::string& uri) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    PQfreemem(error);
    std::string host = "localhost", port, dbname, user;
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (!o->val || !*o->val) {
            continue;
        }
        std::string keyword = o->keyword;
        if (keyword == "host") {
            host = o->val;
        } else if (keyword == "port") {
            port = o->val;
        } else if (keyword == "dbname") {
            dbname = o->val;
        } else if (keyword == "user") {
            user = o->val;
        }
    }
    PQconninfoFree(options);
    if (dbname.empty()) {
        dbname = user.empty() ? std::string(getenv("USER") ? getenv("USER") : "") : user;
    }
    return "database '" + dbname + "' on server '" + host + (port.empty() ? "" : ":" + port) + "'";
}

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

PgEngine::PgEngine(const std::string& uri, bool create) : uri_(uri), description_(ServerDescription(uri)) {
    try {
        Connect(uri, nullptr);
    } catch (const DbError& e) {
        if (!create || std::string(e.what()).find("does not exist") == std::string::npos) {
            throw;
        }
        CreateDatabase(uri);
        Connect(uri, nullptr);
    }
}

// The URI's settings with a connection time-out unless it sets one; dbname overrides
// the database it names.
void PgEngine::Connect(const std::string& uri, const char* dbname) {
    const char* keywords[] = {"dbname", "connect_timeout", "application_name", dbname ? "dbname" : nullptr,
                              nullptr};
    const char* values[] = {uri.c_str(), "10", "corvid station", dbname, nullptr};
    PQfinish(conn_);
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (PQstatus(conn_) != CONNECTION_OK) {
        std::string reason = Trimmed(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        throw DbError("Could not connect to the " + description_ + ": " + reason);
    }
    // The unit's writer lock and row locks wait as long as a file's busy time-out.
    Exec("SET lock_timeout = '" + std::to_string(kBusyTimeoutMs) + "ms'; SET client_min_messages = warning");
}

void PgEngine::CreateDatabase(const std::string& uri) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    PQfreemem(error);
    std::string name;
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (std::string(o->keyword) == "dbname" && o->val) {
            name = o->val;
        }
    }
    PQconninfoFree(options);
    Connect(uri, "postgres");
    char* quoted = PQescapeIdentifier(conn_, name.c_str(), name.size());
    std::string statement =
        std::string("CREATE DATABASE ") + (quoted ? quoted : "") + " ENCODING 'UTF8'" + " TEMPLATE template0";
    PQfreemem(quoted);
    Result result(PQexec(conn_, statement.c_str()));
    // Another station may have created it at the same moment.
    if (!Succeeded(result.get()) && StateOf(result.get()) != "42P04") {
        throw DbError("Could not create the " + description_ + ": " + Message(result.get()));
    }
}

std::string PgEngine::Message(const PGresult* result) const {
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string message = primary ? primary : Trimmed(PQerrorMessage(conn_));
    const char* detail = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL) : nullptr;
    if (detail) {
        message += " (" + std::string(detail) + ")";
    }
    std::string state = StateOf(result);
    if (state == "55P03" || state == "40P01") {
        message += " (another station kept the " + description_ + " locked for more than " +
                   std::to_string(kBusyTimeoutMs / 1000) + " s)";
    }
    if (state == "42P01" || state == "42703" || state == "42883") {
        // A table, column or function the statement needs is missing: a database made for
        // another version of the station, or not made by it.
        message += " (in the " + description_ + ")";
    }
    if (PQstatus(conn_) != CONNECTION_OK) {
        message = "The connection to the " + description_ + " was lost: " + message;
    }
    return message;
}

void PgEngine::EnsureConnected() {
    if (PQstatus(conn_) == CONNECTION_OK) {
        return;
    }
    if (depth_ > 0) {
        throw DbError("The connection to the " + description_ + " was lost; the unit of work was undone.");
    }
    Connect(uri_, nullptr);
    SchemaChanged();
}

Result PgEngine::Exec(const std::string& sql) {
    EnsureConnected();
    Result result(PQexec(conn_, sql.c_str()));
    if (!Succeeded(result.get())) {
        throw DbError(Message(result.get()), 0, sql);
    }
    return result;
}

// Text compares without regard to case and yes/no values are numbers, as in a file.
void PgEngine::PrepareTypes() {
    if (typesReady_) {
        return;
    }
    Exec("CREATE EXTENSION IF NOT EXISTS citext");
    Exec("DO $corvid$ BEGIN CREATE DOMAIN yesno AS smallint; "
         "EXCEPTION WHEN duplicate_object THEN NULL; END $corvid$");
    typesReady_ = true;
    SchemaChanged();
}

void PgEngine::ExecuteScript(const std::string& script) {
    for (const std::string& statement : pg::SplitScript(script)) {
        pg::Statement text = pg::Translate(statement, Catalog());
        if (text.changesSchema) {
            PrepareTypes();
        }
        Exec(text.sql);
        if (text.changesSchema) {
            SchemaChanged();
        }
    }
}

const pg::Catalog& PgEngine::Catalog() {
    if (catalogLoaded_) {
        return catalog_;
    }
    Result result =
        Exec("SELECT c.relname, a.attname, t.typname FROM pg_class c"
             " JOIN pg_namespace n ON n.oid = c.relnamespace"
             " LEFT JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped"
             " LEFT JOIN pg_type t ON t.oid = a.atttypid"
             " WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v', 'p', 'm')"
             " ORDER BY c.relname, a.attnum");
    catalog_ = {};
    for (int r = 0; r < PQntuples(result.get()); ++r) {
        std::string tableName = PQgetvalue(result.get(), r, 0);
        pg::Catalog::Table& table = catalog_.tables[pg::Lower(tableName)];
        table.name = tableName;
        catalog_.spelling.emplace(pg::Lower(tableName), tableName);
        if (PQgetisnull(result.get(), r, 1)) {
            continue;
        }
        std::string column = PQgetvalue(result.get(), r, 1);
        if (column == pg::kRowidColumn) {
            continue;
        }
        table.columns.push_back(column);
        catalog_.spelling.emplace(pg::Lower(column), column);
        if (std::string(PQgetvalue(result.get(), r, 2)) == "yesno") {
            catalog_.yesNoColumns.insert(pg::Lower(column));
        }
    }
    catalogLoaded_ = true;
    return catalog_;
}

Oid PgEngine::CaseInsensitiveText() {
    if (!citext_) {
        Result result = Exec("SELECT oid FROM pg_type WHERE typname = 'citext'");
        citext_ = PQntuples(result.get())
                      ? static_cast<Oid>(std::strtoul(PQgetvalue(result.get(), 0, 0), nullptr, 10))
                      : 0;
    }
    return citext_;
}

void PgEngine::Begin(bool outermost, UnitKind kind) {
    if (!outermost) {
        Exec("SAVEPOINT corvid_transaction");
    } else if (kind == UnitKind::Queued) {
        Exec(std::string("BEGIN; ") + kWriterLock);
    } else {
        Exec("BEGIN");
    }
    ++depth_;
}

void PgEngine::Commit(bool outermost) {
    Exec(outermost ? "COMMIT" : "RELEASE SAVEPOINT corvid_transaction");
    --depth_;
}

void PgEngine::Rollback(bool outermost) {
    --depth_;
    typesReady_ = false; // the unit may have been the one that created them
    if (PQstatus(conn_) != CONNECTION_OK) {
        depth_ = 0; // the server has undone the unit with the connection
        return;
    }
    if (outermost) {
        if (PQtransactionStatus(conn_) != PQTRANS_IDLE) {
            Exec("ROLLBACK");
        }
        return;
    }
    Exec("ROLLBACK TO SAVEPOINT corvid_transaction; RELEASE SAVEPOINT corvid_transaction");
}

// Tables and columns come from the names read with the catalog: a statement's
// translation asks for them several times, and a round trip each made a filter rebuild
// several times slower. A table another station makes later is found when a statement
// naming it fails and the names are read again.
bool PgEngine::HasTable(const std::string& name) {
    return Catalog().tables.count(pg::Lower(name)) != 0;
}

std::optional<std::vector<std::string>> PgEngine::ColumnsOf(const std::string& table) {
    auto found = Catalog().tables.find(pg::Lower(table));
    if (found == catalog_.tables.end()) {
        return std::nullopt;
    }
    return found->second.columns;
}

std::vector<std::string> PgEngine::TableNames() {
    std::vector<std::string> names;
    for (const auto& [lower, table] : Catalog().tables) {
        names.push_back(table.name);
    }
    return names;
}

void PgEngine::StoreSavedQuery(const std::string& name, const std::string& parameters,
                               const std::string& sql) {
    PgStatement statement(
        *this,
        "INSERT INTO MSysQueries (Name, Parameters, SQL) VALUES (?1, ?2, ?3) ON CONFLICT (Name)"
        " DO UPDATE SET Parameters = excluded.Parameters, SQL = excluded.SQL",
        name);
    statement.Bind(1, Value(name));
    statement.Bind(2, Value(parameters));
    statement.Bind(3, Value(sql));
    statement.Step();
}

PgStatement::PgStatement(PgEngine& engine, const std::string& sql, const std::string& source)
    : engine_(engine), sql_(sql), source_(source), text_(pg::Translate(sql, engine.Catalog())),
      values_(text_.parameters.size()), bound_(text_.parameters.size(), false) {
    if (text_.sql.find_first_not_of(" \t\r\n;") == std::string::npos) {
        throw DbError("Invalid SQL statement; the statement is empty.", 0, source_);
    }
    if (pg::SplitScript(sql).size() > 1) {
        throw DbError("Characters found after end of SQL statement.", 0, source_);
    }
}

void PgStatement::Fail(const PGresult* result) const {
    throw DbError(engine_.Message(result), 0, source_);
}

void PgStatement::BindNamed(const Parameters& params) {
    auto named = [](const std::string& key) {
        return !key.empty() && key[0] != '?';
    };
    for (const Parameter& p : params) {
        bool known = false;
        for (const std::string& key : text_.parameters) {
            known = known || (named(key) && strcasecmp(key.c_str(), p.name.c_str()) == 0);
        }
        if (!known) {
            throw DbError("Unknown parameter '" + p.name + "'.", 0, source_);
        }
    }
    std::vector<std::string> missing;
    for (size_t i = 0; i < text_.parameters.size(); ++i) {
        const Parameter* found = nullptr;
        for (const Parameter& p : params) {
            if (named(text_.parameters[i]) && strcasecmp(p.name.c_str(), text_.parameters[i].c_str()) == 0) {
                found = &p;
            }
        }
        if (!found) {
            missing.push_back(named(text_.parameters[i]) ? text_.parameters[i] : std::string());
            continue;
        }
        values_[i] = found->value;
        bound_[i] = true;
    }
    if (!missing.empty()) {
        throw DbError(TooFewParameters(missing), 0, source_);
    }
}

void PgStatement::Bind(int index, const Value& value) {
    std::string key = "?" + std::to_string(index);
    for (size_t i = 0; i < text_.parameters.size(); ++i) {
        if (text_.parameters[i] == key) {
            values_[i] = value;
            bound_[i] = true;
            return;
        }
    }
    throw DbError("column index out of range", 0, source_);
}

// Numbers go with their type, so that the server compares and stores them as numbers;
// text goes untyped and takes the type of what it meets, or the case-insensitive one.
Result PgStatement::Run(bool guarded) {
    std::vector<Oid> types;
    std::vector<std::string> texts;
    std::vector<const char*> pointers;
    texts.reserve(values_.size());
    for (size_t i = 0; i < values_.size(); ++i) {
        const Value& v = values_[i];
        types.push_back(v.IsInteger()                            ? kInt8Oid
                        : v.IsReal()                             ? kFloat8Oid
                        : v.IsText() && text_.caseInsensitive[i] ? engine_.CaseInsensitiveText()
                                                                 : 0);
        texts.push_back(v.IsReal() ? ExactText(v.AsReal()) : v.AsText());
    }
    for (size_t i = 0; i < values_.size(); ++i) {
        pointers.push_back(values_[i].IsNull() ? nullptr : texts[i].c_str());
    }
    PGconn* conn = engine_.conn();
    if (values_.empty() && text_.changesSchema) { // may be several statements (a trigger)
        if (guarded) {
            engine_.Exec("SAVEPOINT corvid_statement");
        }
        Result result(PQexec(conn, text_.sql.c_str()));
        if (guarded && Succeeded(result.get())) {
            engine_.Exec("RELEASE SAVEPOINT corvid_statement");
        }
        return result;
    }
    if (!guarded) {
        return Result(PQexecParams(conn, text_.sql.c_str(), static_cast<int>(values_.size()), types.data(),
                                   pointers.data(), nullptr, nullptr, 0));
    }
    // The savepoint, the statement and the release in one round trip.
    auto send = [&](const char* sql, int count, const Oid* oids, const char* const* params) {
        return PQsendQueryParams(conn, sql, count, oids, params, nullptr, nullptr, 0) == 1;
    };
    bool sent = PQenterPipelineMode(conn) == 1 && send("SAVEPOINT corvid_statement", 0, nullptr, nullptr) &&
                send(text_.sql.c_str(), static_cast<int>(values_.size()), types.data(), pointers.data()) &&
                send("RELEASE SAVEPOINT corvid_statement", 0, nullptr, nullptr) && PQpipelineSync(conn) == 1;
    Result results[3];
    for (int query = 0; sent && query < 3; ++query) {
        results[query].reset(PQgetResult(conn));
        while (PGresult* more = PQgetResult(conn)) { // each query's results end with a null
            PQclear(more);
        }
    }
    if (sent) {
        PQclear(PQgetResult(conn)); // the sync
    }
    PQexitPipelineMode(conn);
    if (!sent || !results[1]) {
        return Result(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
    }
    if (!Succeeded(results[0].get())) {
        return std::move(results[0]);
    }
    return std::move(results[1]);
}

// Within a unit, a failing statement is undone alone, as the file's engine does, and
// the unit goes on.
void PgStatement::Execute() {
    engine_.EnsureConnected();
    if (text_.changesSchema) {
        engine_.PrepareTypes();
    }
    bool inUnit = engine_.InTransaction();
    Result result = Run(inUnit);
    const std::string state = StateOf(result.get());
    if (!Succeeded(result.get()) && !inUnit && (state == "42P01" || state == "42703")) {
        // Another station may have changed the tables since the names were read.
        engine_.SchemaChanged();
        text_ = pg::Translate(sql_, engine_.Catalog());
        result = Run(false);
    }
    if (!Succeeded(result.get())) {
        if (inUnit) {
            engine_.UndoStatement();
        }
        Fail(result.get());
    }
    engine_.SetChanges(std::strtoll(PQcmdTuples(result.get()), nullptr, 10));
    if (text_.changesSchema) {
        engine_.SchemaChanged();
    }
    visible_.clear();
    for (int i = 0; i < PQnfields(result.get()); ++i) {
        if (std::string(PQfname(result.get(), i)) != pg::kRowidColumn) {
            visible_.push_back(i);
        }
    }
    result_ = std::move(result);
}

bool PgStatement::Step() {
    if (!result_) {
        for (size_t i = 0; i < bound_.size(); ++i) {
            if (!bound_[i]) {
                values_[i] = Value(); // an unbound parameter is null, as in the file's engine
            }
        }
        Execute();
        row_ = -1;
    }
    return ++row_ < PQntuples(result_.get());
}

// The columns of a statement not run yet, from the server's description of it.
void PgStatement::Describe() const {
    if (result_ || description_) {
        return;
    }
    bool inUnit = engine_.InTransaction();
    if (inUnit) {
        engine_.Exec("SAVEPOINT corvid_statement");
    }
    Result prepared(
        PQprepare(engine_.conn(), "", text_.sql.c_str(), static_cast<int>(values_.size()), nullptr));
    if (!Succeeded(prepared.get())) {
        if (inUnit) {
            engine_.UndoStatement();
        }
        Fail(prepared.get());
    }
    // Described before anything else runs: a simple query ends the unnamed statement.
    description_.reset(PQdescribePrepared(engine_.conn(), ""));
    if (inUnit) {
        engine_.Exec("RELEASE SAVEPOINT corvid_statement");
    }
    if (!Succeeded(description_.get())) {
        Fail(description_.get());
    }
    visible_.clear();
    for (int i = 0; i < PQnfields(description_.get()); ++i) {
        if (std::string(PQfname(description_.get(), i)) != pg::kRowidColumn) {
            visible_.push_back(i);
        }
    }
}

int PgStatement::ColumnCount() const {
    Describe();
    return static_cast<int>(visible_.size());
}

std::string PgStatement::ColumnName(int i) const {
    Describe();
    const PGresult* result = result_ ? result_.get() : description_.get();
    return PQfname(result, visible_.at(static_cast<size_t>(i)));
}

Value PgStatement::Column(int i) const {
    int column = visible_.at(static_cast<size_t>(i));
    if (!result_ || row_ < 0 || row_ >= PQntuples(result_.get()) ||
        PQgetisnull(result_.get(), row_, column)) {
        return Value();
    }
    const char* text = PQgetvalue(result_.get(), row_, column);
    switch (PQftype(result_.get(), column)) {
    case kInt2Oid:
    case kInt4Oid:
    case kInt8Oid:
    case kOidOid:
        return Value(static_cast<int64_t>(std::strtoll(text, nullptr, 10)));
    case kFloat4Oid:
    case kFloat8Oid:
    case kNumericOid:
        return Value(std::strtod(text, nullptr));
    case kBoolOid:
        return Value(text[0] == 't' ? 1 : 0);
    default:
        return Value(std::string(text, static_cast<size_t>(PQgetlength(result_.get(), row_, column))));
    }
}

} // namespace

std::unique_ptr<Engine> OpenPostgres(const std::string& uri, bool create) {
    return std::make_unique<PgEngine>(uri, create);
}

} // namespace corvid::operatordb::detail
