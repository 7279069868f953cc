#include "grid_data.h"

#include "operatordb/db_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <numeric>
#include <stdexcept>
#include <strings.h>

namespace corvid::gridwizdao {
namespace {

using namespace operatordb;

std::optional<Value> NumberFrom(const std::string& text, bool integer) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    if (integer) {
        long long number = std::strtoll(begin, &end, 10);
        if (end != begin && *end == '\0' && errno == 0)
            return Value(static_cast<int64_t>(number));
        return std::nullopt;
    }
    double number = std::strtod(begin, &end);
    if (end != begin && *end == '\0' && errno == 0)
        return Value(number);
    return std::nullopt;
}

// The text as a value of the type the cell holds now; a cell that is null takes a
// number when the text is one.
std::optional<Value> ValueFor(const Value& old, const std::string& text) {
    if (old.IsText())
        return Value(text);
    if (text.empty())
        return Value();
    if (old.IsInteger())
        return NumberFrom(text, true);
    if (old.IsReal())
        return NumberFrom(text, false);
    if (auto number = NumberFrom(text, true))
        return number;
    if (auto number = NumberFrom(text, false))
        return number;
    return Value(text);
}

// Empty cells first, then numbers by value, then texts without regard to case.
int CompareCells(const Value& a, const Value& b) {
    auto rank = [](const Value& v) {
        return v.IsNull() || (v.IsText() && v.AsText().empty()) ? 0 : v.IsText() ? 2 : 1;
    };
    int ra = rank(a), rb = rank(b);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    if (ra == 1) {
        double x = a.AsReal(), y = b.AsReal();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (ra == 2)
        return ::strcasecmp(a.AsText().c_str(), b.AsText().c_str());
    return 0;
}

} // namespace

GridData::GridData(const GridSource& source) : source_(source) {
    Database db(source.database);
    std::optional<SavedQuery> query = db.FindSavedQuery(source.query);
    if (!query)
        throw DbError("Cannot find the saved query '" + source.query + "'.");
    Parameters parameters = TypedParameters(*query, source.parameters);
    if (source.editable) {
        writable_ = AnalyseQuery(db, *query, whyReadOnly_);
        if (!writable_)
            whyReadOnly_ =
                "The rows of the query '" + query->name + "' cannot be edited: " + whyReadOnly_ + ".";
    }
    Recordset rows = db.OpenRecordset(writable_ ? writable_->sqlWithRowIds : query->sql, parameters);
    int first = writable_ ? 1 : 0;
    int available = static_cast<int>(rows.ColumnNames().size()) - first;
    if (writable_ && static_cast<int>(writable_->columns.size()) != available) {
        writable_.reset();
        whyReadOnly_ = "The columns of the query '" + query->name + "' do not match those of its table.";
    }
    int shown = source.columnCount > 0 && source.columnCount < available ? source.columnCount : available;
    for (int i = 0; i < shown; ++i)
        columns_.push_back(rows.ColumnNames()[static_cast<size_t>(first + i)]);
    for (; !rows.IsEOF(); rows.MoveNext()) {
        if (first == 1)
            rowIds_.push_back(rows.GetValue(0).AsInteger());
        std::vector<Value>& row = rows_.emplace_back();
        for (int i = 0; i < shown; ++i)
            row.push_back(rows.GetValue(first + i));
    }
}

const Value& GridData::Cell(int row, int column) const {
    auto edit = edits_.find({row, column});
    if (edit != edits_.end())
        return edit->second;
    return rows_.at(static_cast<size_t>(row)).at(static_cast<size_t>(column));
}

std::string GridData::CellText(int row, int column) const {
    return Cell(row, column).AsText();
}

bool GridData::IsCellEditable(int column) const {
    return writable_ && column >= 0 && column < ColumnCount() && !source_.readOnlyColumns.contains(column);
}

bool GridData::SetCell(int row, int column, const std::string& text) {
    if (!IsCellEditable(column) || row < 0 || row >= RowCount())
        return false;
    std::optional<Value> value = ValueFor(rows_[static_cast<size_t>(row)][static_cast<size_t>(column)], text);
    if (!value)
        return false;
    if (*value == rows_[static_cast<size_t>(row)][static_cast<size_t>(column)])
        edits_.erase({row, column});
    else
        edits_[{row, column}] = *value;
    return true;
}

void GridData::Save() {
    if (edits_.empty())
        return;
    if (!writable_)
        throw std::logic_error(whyReadOnly_);
    Database db(source_.database);
    Transaction transaction(db);
    // The edits are ordered by row: one UPDATE per edited row.
    for (auto it = edits_.begin(); it != edits_.end();) {
        int row = it->first.first;
        std::string assignments;
        Parameters values;
        for (; it != edits_.end() && it->first.first == row; ++it) {
            std::string name = "v" + std::to_string(values.size());
            assignments += (assignments.empty() ? "[" : ", [") +
                           writable_->columns.at(static_cast<size_t>(it->first.second)) + "] = :" + name;
            values.push_back({name, it->second});
        }
        values.push_back({"rowId", Value(rowIds_.at(static_cast<size_t>(row)))});
        std::string sql = "UPDATE [" + writable_->table + "] SET " + assignments + " WHERE rowid = :rowId";
        if (db.Execute(sql, values) != 1)
            throw DbError("Row " + std::to_string(row + 1) + " of the query '" + source_.query +
                          "' no longer exists; refresh the grid and edit it again.");
    }
    transaction.Commit();
    for (const auto& [cell, value] : edits_)
        rows_[static_cast<size_t>(cell.first)][static_cast<size_t>(cell.second)] = value;
    edits_.clear();
}

std::optional<RowColors> GridData::ColorsOf(int row) const {
    auto found = colors_.find(row);
    if (found != colors_.end())
        return found->second;
    if (!emptyRule_ || emptyRule_->first < 0 || emptyRule_->last >= ColumnCount() ||
        emptyRule_->first > emptyRule_->last)
        return std::nullopt;
    for (int column = emptyRule_->first; column <= emptyRule_->last; ++column)
        if (!CellText(row, column).empty())
            return std::nullopt;
    return emptyRule_->colors;
}

std::vector<int> GridData::Sort(int column, bool descending) {
    std::vector<int> newIndex(rows_.size());
    std::iota(newIndex.begin(), newIndex.end(), 0);
    if (column < 0 || column >= ColumnCount())
        return newIndex;
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int compared = CompareCells(Cell(a, column), Cell(b, column));
        return descending ? compared > 0 : compared < 0;
    });
    for (size_t i = 0; i < order.size(); ++i)
        newIndex[static_cast<size_t>(order[i])] = static_cast<int>(i);
    std::vector<std::vector<Value>> rows(rows_.size());
    std::vector<int64_t> rowIds(rowIds_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        rows[i] = std::move(rows_[static_cast<size_t>(order[i])]);
        if (!rowIds_.empty())
            rowIds[i] = rowIds_[static_cast<size_t>(order[i])];
    }
    rows_ = std::move(rows);
    rowIds_ = std::move(rowIds);
    std::map<std::pair<int, int>, Value> edits;
    for (auto& [cell, value] : edits_)
        edits[{newIndex[static_cast<size_t>(cell.first)], cell.second}] = std::move(value);
    edits_ = std::move(edits);
    std::map<int, RowColors> colors;
    for (const auto& [row, given] : colors_)
        colors[newIndex[static_cast<size_t>(row)]] = given;
    colors_ = std::move(colors);
    return newIndex;
}

} // namespace corvid::gridwizdao
