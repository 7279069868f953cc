// A statement on the PostgreSQL engine: translated when prepared, run with its values in
// one round trip (with its savepoint inside a unit), its rows read at once.
#include "operatordb/db_error.h"
#include "pg_engine.h"

#include <charconv>
#include <cstdlib>
#include <strings.h>

namespace corvid::operatordb::detail {
namespace {

constexpr Oid kBoolOid = 16, kInt8Oid = 20, kInt2Oid = 21, kInt4Oid = 23, kOidOid = 26;
constexpr Oid kFloat4Oid = 700, kFloat8Oid = 701, kNumericOid = 1700;

// A real as text that reads back as the same double (AsText rounds to 15 digits for
// showing it); to_chars ignores the locale, which may write a decimal comma.
std::string ExactText(double value) {
    char buffer[32];
    auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

// The result's columns other than the hidden row key, which SELECT * brings along.
std::vector<int> VisibleColumns(const PGresult* result) {
    std::vector<int> visible;
    for (int i = 0; i < PQnfields(result); ++i) {
        if (std::string(PQfname(result, i)) != pg::kRowidColumn) {
            visible.push_back(i);
        }
    }
    return visible;
}

} // namespace

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
    visible_ = VisibleColumns(result.get());
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
    visible_ = VisibleColumns(description_.get());
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

} // namespace corvid::operatordb::detail
