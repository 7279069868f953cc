#include "operatordb/recordset.h"

#include "engine.h"
#include "jet_tokens.h"
#include "operatordb/database.h"
#include "operatordb/db_error.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <strings.h>

namespace corvid::operatordb {
namespace {

std::string Bracketed(const std::string& name) {
    return "[" + name + "]";
}

// The text of a 'quoted' or "quoted" literal.
std::string Unquoted(const std::string& literal) {
    std::string text;
    const char quote = literal.front();
    for (size_t i = 1; i + 1 < literal.size(); ++i) {
        text += literal[i];
        if (literal[i] == quote && literal[i + 1] == quote) {
            ++i;
        }
    }
    return text;
}

// "Column = literal", the condition record sets are searched with nearly always, is
// compared here as the engines compare it (text without regard to case, numbers as
// numbers, text never equal to a number, null never equal): a statement per search
// costs a server a round trip. Any other condition gives nullopt.
struct SimpleEquality {
    int column;
    Value literal;
    bool Matches(const Value& value) const {
        if (literal.IsText()) {
            return value.IsText() && strcasecmp(value.AsText().c_str(), literal.AsText().c_str()) == 0;
        }
        return (value.IsInteger() || value.IsReal()) &&
               (literal.IsInteger() && value.IsInteger() ? value.AsInteger() == literal.AsInteger()
                                                         : value.AsReal() == literal.AsReal());
    }
};

std::optional<SimpleEquality> ParseSimpleEquality(const std::string& condition, const Recordset& set) {
    std::vector<jet::Token> sig;
    for (jet::Token& token : jet::Tokenize(condition)) {
        if (token.kind != jet::Kind::Space) {
            sig.push_back(std::move(token));
        }
    }
    if (sig.size() != 3 || (sig[0].kind != jet::Kind::Word && sig[0].kind != jet::Kind::QuotedName) ||
        sig[1].kind != jet::Kind::Symbol || sig[1].text != "=") {
        return std::nullopt;
    }
    const int column = set.ColumnIndex(jet::NameOf(sig[0]));
    if (column < 0) {
        return std::nullopt;
    }
    const std::string& text = sig[2].text;
    if ((sig[2].kind == jet::Kind::String || sig[2].kind == jet::Kind::DoubleString) && text.size() >= 2 &&
        text.back() == text.front()) {
        return SimpleEquality{column, Value(Unquoted(text))};
    }
    if (sig[2].kind != jet::Kind::Number) {
        return std::nullopt;
    }
    char* end = nullptr;
    long long integer = std::strtoll(text.c_str(), &end, 10);
    if (*end == '\0') {
        return SimpleEquality{column, Value(static_cast<int64_t>(integer))};
    }
    double real = std::strtod(text.c_str(), &end);
    if (*end == '\0') {
        return SimpleEquality{column, Value(real)};
    }
    return std::nullopt;
}

} // namespace

Recordset Recordset::Select(Database& db, std::string jetSql, Parameters params) {
    Recordset set(db, std::move(jetSql), std::move(params), {}, false);
    set.Load();
    return set;
}

Recordset Recordset::Table(Database& db, const std::string& table, const std::vector<std::string>& columns,
                           const std::string& filter, const std::string& sort, bool updatable) {
    // The rowid, read as the first column, is how edits find their row again.
    std::string sql = "SELECT rowid AS __rowid";
    if (columns.empty())
        sql += ", *";
    for (const std::string& column : columns)
        sql += ", " + Bracketed(column);
    sql += " FROM " + Bracketed(table);
    if (!filter.empty())
        sql += " WHERE (" + filter + ")";
    sql += " ORDER BY " + (sort.empty() ? std::string("rowid") : sort);
    Recordset set(db, std::move(sql), {}, updatable ? table : std::string(), true);
    set.Load();
    return set;
}

Recordset::Recordset(Database& db, std::string jetSql, Parameters params, std::string table, bool hasRowid)
    : db_(&db), sql_(std::move(jetSql)), params_(std::move(params)), table_(std::move(table)),
      hasRowid_(hasRowid) {}

void Recordset::Load() {
    db_->Observe(sql_);
    auto statement = db_->engine().Prepare(db_->Translate(sql_), sql_);
    statement->BindNamed(params_);
    int first = hasRowid_ ? 1 : 0;
    rows_.clear();
    // Stepping first lets a server's engine learn the columns from the rows it sends.
    bool more = statement->Step();
    columns_.clear();
    for (int i = first; i < statement->ColumnCount(); ++i) {
        columns_.push_back(statement->ColumnName(i));
    }
    for (; more; more = statement->Step()) {
        Row row;
        row.rowid = first ? statement->Column(0).AsInteger() : 0;
        for (int i = first; i < statement->ColumnCount(); ++i) {
            row.values.push_back(statement->Column(i));
        }
        rows_.push_back(std::move(row));
    }
    position_ = 0;
    editMode_ = EditMode::None;
}

int Recordset::ColumnIndex(std::string_view name) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].size() == name.size() &&
            strncasecmp(columns_[i].c_str(), name.data(), name.size()) == 0)
            return static_cast<int>(i);
    return -1;
}

bool Recordset::IsEOF() const {
    return position_ >= rows_.size();
}

long Recordset::RecordCount() const {
    long count = 0;
    for (const Row& row : rows_)
        count += row.deleted ? 0 : 1;
    return count;
}

void Recordset::SkipDeleted() {
    while (position_ < rows_.size() && rows_[position_].deleted)
        ++position_;
}

void Recordset::MoveFirst() {
    CancelUpdate();
    position_ = 0;
    SkipDeleted();
}

void Recordset::MoveLast() {
    CancelUpdate();
    position_ = rows_.size();
    for (size_t i = rows_.size(); i-- > 0;) {
        if (!rows_[i].deleted) {
            position_ = i;
            break;
        }
    }
}

void Recordset::MoveNext() {
    if (IsEOF())
        throw DbError("No current record.");
    CancelUpdate();
    ++position_;
    SkipDeleted();
}

void Recordset::Requery() {
    Load();
    SkipDeleted();
}

bool Recordset::FindFirst(const std::string& jetCondition) {
    if (std::optional<SimpleEquality> equality = ParseSimpleEquality(jetCondition, *this)) {
        for (size_t r = 0; r < rows_.size(); ++r) {
            if (!rows_[r].deleted && equality->Matches(rows_[r].values[equality->column])) {
                CancelUpdate();
                position_ = r;
                return true;
            }
        }
        return false;
    }
    // The engine evaluates the condition over the rows' values, with Jet's text comparison
    // (without regard to case): a batch of rows per statement, since a server answers
    // each statement with a round trip.
    constexpr size_t kMaxParameters = 8000;
    std::vector<size_t> live;
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (!rows_[r].deleted) {
            live.push_back(r);
        }
    }
    if (columns_.empty()) {
        return false;
    }
    std::string names;
    for (const std::string& column : columns_) {
        names += Bracketed(column) + ", ";
    }
    const size_t perBatch = std::max<size_t>(1, kMaxParameters / columns_.size());
    for (size_t begin = 0; begin < live.size(); begin += perBatch) {
        const size_t end = std::min(live.size(), begin + perBatch);
        std::string sql = "WITH corvid_row (" + names + "corvid_n) AS (VALUES ";
        int parameter = 0;
        for (size_t k = begin; k < end; ++k) {
            sql += k > begin ? ", (" : "(";
            for (size_t i = 0; i < columns_.size(); ++i) {
                sql += "?" + std::to_string(++parameter) + " COLLATE NOCASE, ";
            }
            sql += std::to_string(live[k]) + ")";
        }
        sql += ") SELECT corvid_n FROM corvid_row WHERE (" + jetCondition + ") ORDER BY corvid_n LIMIT 1";
        auto statement = db_->engine().Prepare(db_->Translate(sql), jetCondition);
        parameter = 0;
        for (size_t k = begin; k < end; ++k) {
            for (const Value& value : rows_[live[k]].values) {
                statement->Bind(++parameter, value);
            }
        }
        if (statement->Step()) {
            CancelUpdate();
            position_ = static_cast<size_t>(statement->Column(0).AsInteger());
            return true;
        }
    }
    return false;
}

const Recordset::Row& Recordset::Current() const {
    if (IsEOF())
        throw DbError("No current record.");
    if (rows_[position_].deleted)
        throw DbError("Record is deleted.");
    return rows_[position_];
}

const Value& Recordset::GetValue(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= columns_.size())
        throw DbError("Item not found in this collection.");
    if (editMode_ != EditMode::None)
        return buffer_[index];
    return Current().values[index];
}

const Value& Recordset::GetValue(std::string_view column) const {
    int index = ColumnIndex(column);
    if (index < 0)
        throw DbError("Item not found in this collection: '" + std::string(column) + "'.");
    return GetValue(index);
}

void Recordset::RequireUpdatable() const {
    if (table_.empty())
        throw DbError("Cannot update. Database or object is read-only.");
}

void Recordset::AddNew() {
    RequireUpdatable();
    editMode_ = EditMode::Add;
    buffer_.assign(columns_.size(), Value());
    dirty_.assign(columns_.size(), false);
}

void Recordset::Edit() {
    RequireUpdatable();
    buffer_ = Current().values;
    dirty_.assign(columns_.size(), false);
    editMode_ = EditMode::Edit;
}

void Recordset::SetValue(std::string_view column, Value value) {
    if (editMode_ == EditMode::None)
        throw DbError("Update or CancelUpdate without AddNew or Edit.");
    int index = ColumnIndex(column);
    if (index < 0)
        throw DbError("Item not found in this collection: '" + std::string(column) + "'.");
    buffer_[index] = std::move(value);
    dirty_[index] = true;
}

void Recordset::CancelUpdate() {
    editMode_ = EditMode::None;
    buffer_.clear();
    dirty_.clear();
}

Recordset::Row Recordset::ReadRow(int64_t rowid) const {
    std::string sql = "SELECT ";
    for (size_t i = 0; i < columns_.size(); ++i)
        sql += (i ? ", " : "") + Bracketed(columns_[i]);
    sql += " FROM " + Bracketed(table_) + " WHERE rowid = ?1";
    auto statement = db_->engine().Prepare(sql, sql);
    statement->Bind(1, Value(rowid));
    Row row;
    row.rowid = rowid;
    if (!statement->Step()) {
        throw DbError("Record is deleted.");
    }
    for (int i = 0; i < statement->ColumnCount(); ++i) {
        row.values.push_back(statement->Column(i));
    }
    return row;
}

void Recordset::InsertRow() {
    std::string names, marks;
    std::vector<const Value*> values;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (!dirty_[i])
            continue;
        names += (values.empty() ? "" : ", ") + Bracketed(columns_[i]);
        marks += (values.empty() ? "?" : ", ?") + std::to_string(values.size() + 1);
        values.push_back(&buffer_[i]);
    }
    std::string sql = "INSERT INTO " + Bracketed(table_) +
                      (values.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")");
    auto statement = db_->engine().Prepare(sql, sql);
    for (size_t i = 0; i < values.size(); ++i)
        statement->Bind(static_cast<int>(i + 1), *values[i]);
    statement->Step();
    rows_.push_back(ReadRow(db_->engine().LastInsertRowid()));
}

void Recordset::UpdateRow() {
    Row& row = rows_[position_];
    std::string assignments;
    std::vector<const Value*> values;
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (!dirty_[i])
            continue;
        assignments += (values.empty() ? "" : ", ") + Bracketed(columns_[i]) + " = ?" +
                       std::to_string(values.size() + 1);
        values.push_back(&buffer_[i]);
    }
    if (values.empty())
        return;
    std::string sql = "UPDATE " + Bracketed(table_) + " SET " + assignments + " WHERE rowid = ?" +
                      std::to_string(values.size() + 1);
    auto statement = db_->engine().Prepare(sql, sql);
    for (size_t i = 0; i < values.size(); ++i)
        statement->Bind(static_cast<int>(i + 1), *values[i]);
    statement->Bind(static_cast<int>(values.size() + 1), Value(row.rowid));
    statement->Step();
    if (db_->engine().Changes() == 0) {
        throw DbError("Record is deleted.");
    }
    row = ReadRow(row.rowid);
}

void Recordset::Update() {
    if (editMode_ == EditMode::None)
        throw DbError("Update or CancelUpdate without AddNew or Edit.");
    if (editMode_ == EditMode::Add) {
        // A set at its end stays at its end; otherwise the current row stays current.
        bool atEnd = IsEOF();
        InsertRow();
        if (atEnd)
            position_ = rows_.size();
    } else {
        Current();
        UpdateRow();
    }
    CancelUpdate();
}

void Recordset::Delete() {
    RequireUpdatable();
    CancelUpdate();
    Current(); // there must be a current row that is not deleted yet
    Row& row = rows_[position_];
    std::string sql = "DELETE FROM " + Bracketed(table_) + " WHERE rowid = ?1";
    auto statement = db_->engine().Prepare(sql, sql);
    statement->Bind(1, Value(row.rowid));
    statement->Step();
    row.deleted = true;
}

} // namespace corvid::operatordb
