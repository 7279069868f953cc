// The rows of a saved query as the grid holds them: read at once, shown as text when
// asked, edited cell by cell and written back to the query's table on request.
#pragma once

#include "operatordb/value.h"
#include "query_source.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace corvid::gridwizdao {

struct GridSource {
    std::filesystem::path database;
    std::string query;
    std::vector<std::pair<std::string, std::string>> parameters; // as given: name, text
    int columnCount = 0;                                         // 0: all
    bool editable = false;
    std::set<int> readOnlyColumns;
};

struct RowColors {
    uint32_t foreground = 0;
    uint32_t background = 0;
};

class GridData {
public:
    GridData() = default;
    // Reads the rows; raises DbError (or std::runtime_error) when they cannot be read.
    explicit GridData(const GridSource& source);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const std::string& ColumnName(int column) const { return columns_.at(static_cast<size_t>(column)); }
    // The cell's value as text, edits included; empty for a null.
    std::string CellText(int row, int column) const;

    // Editable and read from one table; why tells otherwise when editing was asked for.
    bool IsWritable() const { return writable_.has_value(); }
    const std::string& WhyReadOnly() const { return whyReadOnly_; }
    bool IsCellEditable(int column) const;
    // Takes the text as the cell's new value, converted to the cell's type (an empty text
    // is a null in a number column); false when the cell is not editable or the text is
    // not a value of its type.
    bool SetCell(int row, int column, const std::string& text);
    bool IsModified() const { return !edits_.empty(); }
    // Writes the edits in one transaction; a failure leaves the table and the edits as
    // they were.
    void Save();

    void SetRowColors(int row, RowColors colors) { colors_[row] = colors; }
    // Rows whose cells in the columns first..last are all empty take these colours
    // (unless given their own); the rule outlives sorting and follows edits.
    void SetEmptyRowColors(int first, int last, RowColors colors) {
        emptyRule_ = EmptyRowRule{first, last, colors};
    }
    std::optional<RowColors> ColorsOf(int row) const;

    // Orders the rows by a column's values (numbers by value, texts without regard to
    // case, empty cells first), edits and colours staying with their rows. Stable.
    // Returns each row's new position, by its old one.
    std::vector<int> Sort(int column, bool descending);

private:
    const operatordb::Value& Cell(int row, int column) const;

    GridSource source_;
    std::vector<std::string> columns_;
    std::vector<std::vector<operatordb::Value>> rows_;
    std::vector<int64_t> rowIds_;
    std::optional<WritableQuery> writable_;
    std::string whyReadOnly_;
    std::map<std::pair<int, int>, operatordb::Value> edits_;
    std::map<int, RowColors> colors_;
    struct EmptyRowRule {
        int first = 0, last = 0;
        RowColors colors;
    };
    std::optional<EmptyRowRule> emptyRule_;
};

} // namespace corvid::gridwizdao
