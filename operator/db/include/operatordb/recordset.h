// A record set: the rows of a SELECT or of one table, read into memory when opened,
// with a current row. A table record set may be updatable: rows are added, edited and
// deleted through it, each change written at once (a dynaset).
#pragma once

#include "operatordb/value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::operatordb {

class Database;

class Recordset {
public:
    // Read-only rows of a SELECT written in Jet SQL.
    static Recordset Select(Database& db, std::string jetSql, Parameters params = {});

    // Rows of one table: the columns named (all when the list is empty), narrowed by
    // filter (a WHERE condition without the keyword) and ordered by sort (an ORDER BY
    // list without the keyword), both Jet SQL; table order when sort is empty.
    static Recordset Table(Database& db, const std::string& table, const std::vector<std::string>& columns,
                           const std::string& filter, const std::string& sort, bool updatable);

    Recordset(Recordset&&) noexcept = default;
    Recordset& operator=(Recordset&&) noexcept = default;
    ~Recordset() = default;

    const std::vector<std::string>& ColumnNames() const { return columns_; }
    // Index of a column (names compare without regard to case), or -1.
    int ColumnIndex(std::string_view name) const;

    bool IsEOF() const;
    // Rows in the set, deleted ones excepted.
    long RecordCount() const;
    // On an empty set these leave the set at its end.
    void MoveFirst();
    void MoveLast();
    // At the end of the set: DbError "No current record.".
    void MoveNext();
    // Makes the first row matching condition (Jet SQL over the set's columns) current
    // and returns true; returns false and keeps the current row when none matches.
    bool FindFirst(const std::string& jetCondition);
    // Re-reads the rows and makes the first current.
    void Requery();

    // The current row's value; while adding or editing, the value being written.
    const Value& GetValue(std::string_view column) const;
    const Value& GetValue(int index) const;

    bool IsUpdatable() const { return !table_.empty(); }
    bool IsEditing() const { return editMode_ != EditMode::None; }
    // Starts a new row (every column unset) or an edit of the current row.
    void AddNew();
    void Edit();
    void SetValue(std::string_view column, Value value);
    // Writes the new or edited row: only the columns set are written. A new row joins
    // the end of the set; the current row stays what it was.
    void Update();
    void CancelUpdate();
    // Deletes the current row; it stays current, marked deleted, until the next move.
    void Delete();

private:
    struct Row {
        int64_t rowid = 0;
        std::vector<Value> values;
        bool deleted = false;
    };
    enum class EditMode { None, Edit, Add };

    Recordset(Database& db, std::string jetSql, Parameters params, std::string table, bool hasRowid);
    void Load();
    const Row& Current() const;
    void RequireUpdatable() const;
    void SkipDeleted();
    Row ReadRow(int64_t rowid) const;
    void InsertRow();
    void UpdateRow();

    Database* db_;
    std::string sql_;
    Parameters params_;
    std::string table_; // the table written to; empty when read-only
    bool hasRowid_;     // the statement's first column is the row's rowid
    std::vector<std::string> columns_;
    std::vector<Row> rows_;
    size_t position_ = 0;
    EditMode editMode_ = EditMode::None;
    std::vector<Value> buffer_;
    std::vector<bool> dirty_;
};

} // namespace corvid::operatordb
