#include "operatordb/recordset.h"

#include "operatordb/database.h"
#include "operatordb/db_error.h"
#include "engine.h"

#include <strings.h>

namespace corvid::operatordb {
namespace {

std::string Bracketed(const std::string& name) {
    return "[" + name + "]";
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
    for (int i = first; i < statement->ColumnCount(); ++i)
        columns_.push_back(statement->ColumnName(i));
    for (; more; more = statement->Step()) {
        Row row;
        row.rowid = first ? statement->Column(0).AsInteger() : 0;
        for (int i = first; i < statement->ColumnCount(); ++i)
            row.values.push_back(statement->Column(i));
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
    // The condition is evaluated by the engine over each row's values, with Jet's text
    // comparison (without regard to case).
    std::string sql = "SELECT 1 FROM (SELECT ";
    for (size_t i = 0; i < columns_.size(); ++i)
        sql += (i ? ", ?" : "?") + std::to_string(i + 1) + " COLLATE NOCASE AS " + Bracketed(columns_[i]);
    sql += ") AS corvid_row WHERE (" + jetCondition + ")";
    auto statement = db_->engine().Prepare(db_->Translate(sql), jetCondition);
    for (size_t r = 0; r < rows_.size(); ++r) {
        if (rows_[r].deleted)
            continue;
        statement->Reset();
        for (size_t i = 0; i < columns_.size(); ++i)
            statement->Bind(static_cast<int>(i + 1), rows_[r].values[i]);
        if (statement->Step()) {
            CancelUpdate();
            position_ = r;
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
    if (!statement->Step())
        throw DbError("Record is deleted.");
    for (int i = 0; i < statement->ColumnCount(); ++i)
        row.values.push_back(statement->Column(i));
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
    if (db_->engine().Changes() == 0)
        throw DbError("Record is deleted.");
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
