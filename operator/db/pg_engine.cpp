// The PostgreSQL engine: the connection, its units and the catalog's names.
#include "pg_engine.h"

#include "operatordb/database.h"
#include "operatordb/db_error.h"

#include <cstdlib>

namespace corvid::operatordb::detail {
namespace {

// Writer units of all stations queue on this lock of the database, as they queue on
// the write lock of a file: a unit reads, then writes what it read (the largest key,
// the filter's rows) without another station's unit in between.
constexpr const char* kWriterLock = "SELECT pg_advisory_xact_lock(1131376246)";

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// What a URI names, as libpq reads it (its host, port and user may also come from
// the query part).
struct ServerSettings {
    std::string host = "localhost", port, dbname, user;
};

ServerSettings SettingsOf(const std::string& uri) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    PQfreemem(error);
    ServerSettings settings;
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (!o->val || !*o->val) {
            continue;
        }
        std::string keyword = o->keyword;
        if (keyword == "host") {
            settings.host = o->val;
        } else if (keyword == "port") {
            settings.port = o->val;
        } else if (keyword == "dbname") {
            settings.dbname = o->val;
        } else if (keyword == "user") {
            settings.user = o->val;
        }
    }
    PQconninfoFree(options);
    return settings;
}

// The server and database a URI names, for messages: never its password.
std::string ServerDescription(const ServerSettings& settings) {
    std::string dbname = settings.dbname;
    if (dbname.empty()) {
        dbname = settings.user.empty() ? std::string(getenv("USER") ? getenv("USER") : "") : settings.user;
    }
    return "database '" + dbname + "' on server '" + settings.host +
           (settings.port.empty() ? "" : ":" + settings.port) + "'";
}

} // namespace

bool Succeeded(const PGresult* result) {
    ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

std::string StateOf(const PGresult* result) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state ? state : "";
}

PgEngine::PgEngine(const std::string& uri, bool create)
    : uri_(uri), description_(ServerDescription(SettingsOf(uri))) {
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
    const std::string name = SettingsOf(uri).dbname;
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

std::unique_ptr<Engine> OpenPostgres(const std::string& uri, bool create) {
    return std::make_unique<PgEngine>(uri, create);
}

} // namespace corvid::operatordb::detail
