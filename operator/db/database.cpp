#include "operatordb/database.h"

#include "engine.h"
#include "jet_hoist.h"
#include "operatordb/db_error.h"
#include "operatordb/jet_sql.h"

#include <cstdint>
#include <sstream>
#include <strings.h>

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

} // namespace

bool IsSystemObject(std::string_view name) {
    return (name.size() >= 4 && strncasecmp(name.data(), "MSys", 4) == 0) ||
           (name.size() >= 7 && strncasecmp(name.data(), "sqlite_", 7) == 0);
}

Database::Database(const std::filesystem::path& source, FileMode mode)
    : path_(source), engine_(IsServerUri(source.native())
                                 ? detail::OpenPostgres(source.native(), mode == FileMode::CreateIfMissing)
                                 : detail::OpenSqlite(source.native(), mode == FileMode::CreateIfMissing)) {}

Database::~Database() = default;

std::string Database::DisplayName() const {
    return engine_->DisplayName();
}

bool Database::IsServer() const {
    return IsServerUri(path_.native());
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
    return engine_->ColumnsOf(table);
}

int Database::Execute(const std::string& jetSql, const Parameters& params) {
    Observe(jetSql);
    auto statement = engine_->Prepare(Translate(jetSql), jetSql);
    statement->BindNamed(params);
    // A select is refused after it ran (it changed nothing): a server's engine learns
    // the columns from running the statement.
    bool rows = statement->Step();
    if (rows || statement->ReturnsRows()) {
        throw DbError("Cannot execute a select query.", 0, jetSql);
    }
    return static_cast<int>(engine_->Changes());
}

bool Database::ReturnsRows(const std::string& jetSql) {
    return engine_->Prepare(Translate(jetSql), jetSql)->ReturnsRows();
}

Recordset Database::OpenRecordset(const std::string& jetSql, const Parameters& params) {
    return Recordset::Select(*this, jetSql, params);
}

std::unique_ptr<Statement> Database::Prepare(const std::string& sql, const std::string& source) {
    return engine_->Prepare(sql, source.empty() ? sql : source);
}

int64_t Database::Changes() {
    return engine_->Changes();
}

void Database::RefreshStatistics(const std::string& table) {
    engine_->RefreshStatistics(table);
}

bool Database::IsReadOnly() {
    return engine_->ReadOnly();
}

void Database::SyncAtCheckpointsOnly() {
    engine_->SyncAtCheckpointsOnly();
}

void Database::ExecuteNative(const std::string& script) {
    engine_->ExecuteScript(script);
}

bool Database::HasTable(const std::string& name) {
    return engine_->HasTable(name);
}

std::vector<std::string> Database::TableNames(bool includeSystemObjects) {
    std::vector<std::string> names;
    for (std::string& name : engine_->TableNames()) {
        if (includeSystemObjects || !IsSystemObject(name))
            names.push_back(std::move(name));
    }
    return names;
}

std::optional<SavedQuery> Database::FindSavedQuery(const std::string& name) {
    if (!HasTable("MSysQueries"))
        return std::nullopt;
    auto statement = engine_->Prepare("SELECT Name, Parameters, SQL FROM MSysQueries WHERE Name = ?1", name);
    statement->Bind(1, Value(name));
    if (!statement->Step()) {
        return std::nullopt;
    }
    return SavedQuery{statement->Column(0).AsText(), statement->Column(1).AsText(),
                      statement->Column(2).AsText()};
}

std::vector<SavedQuery> Database::SavedQueries() {
    std::vector<SavedQuery> queries;
    if (!HasTable("MSysQueries"))
        return queries;
    auto statement = engine_->Prepare("SELECT Name, Parameters, SQL FROM MSysQueries ORDER BY Name", "");
    while (statement->Step()) {
        queries.push_back(
            {statement->Column(0).AsText(), statement->Column(1).AsText(), statement->Column(2).AsText()});
    }
    return queries;
}

void Database::SaveQuery(const SavedQuery& query) {
    if (query.name.empty())
        throw DbError("A saved query needs a name.");
    // Compiling the statement finds syntax errors and unknown tables now, not at first use.
    engine_->Prepare(Translate(query.sql), query.sql)->ColumnCount();
    engine_->StoreSavedQuery(query.name, query.parameters, query.sql);
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

Transaction::Transaction(Database& db, UnitKind kind) : db_(db), outermost_(!db.engine().InTransaction()) {
    db_.engine().Begin(outermost_, kind);
}

Transaction::~Transaction() {
    if (done_)
        return;
    try {
        db_.engine().Rollback(outermost_);
    } catch (const DbError&) {
        // Nothing more can be done from a destructor; the engine has rolled back already.
    }
}

void Transaction::Commit() {
    db_.engine().Commit(outermost_);
    done_ = true;
}

} // namespace corvid::operatordb
