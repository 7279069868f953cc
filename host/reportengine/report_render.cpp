#include "report_render.h"

#include "operatordb/equipment_item.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <strings.h>

namespace corvid::reportengine {
namespace {

using operatordb::Database;
using operatordb::Value;

const char* const kDetailsTable = "__sys_tblTestingDetails";

[[noreturn]] void Fail(const ReportTemplate& report, int line, const std::string& message) {
    throw TemplateError(report.path + ":" + std::to_string(line) + ": " + message);
}

// A name as the database layer's SQL takes it (names the database gave, so without ']').
std::string Quoted(const std::string& name) {
    return "[" + name + "]";
}

// A table's or column's name as the database spells it.
std::string TableOf(Database& db, const ReportTemplate& report, int line, const std::string& name) {
    for (const std::string& table : db.TableNames(true))
        if (strcasecmp(table.c_str(), name.c_str()) == 0)
            return table;
    Fail(report, line, "the results database has no table " + name);
}

std::string ColumnOf(const std::vector<std::string>& columns, const ReportTemplate& report, int line,
                     const std::string& table, const std::string& name) {
    for (const std::string& column : columns)
        if (strcasecmp(column.c_str(), name.c_str()) == 0)
            return column;
    Fail(report, line, "the table " + table + " has no column " + name);
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

class Builder {
public:
    Builder(const ReportTemplate& report, Database& db, std::string uniqueId)
        : report_(report), db_(db), uniqueId_(std::move(uniqueId)) {}

    ReportDocument Build(const std::string& title) {
        document_.title = report_.title.empty() ? title : report_.title;
        for (const TemplateItem& item : report_.items) {
            switch (item.kind) {
            case TemplateItem::Kind::Field:
                if (document_.blocks.empty() || document_.blocks.back().kind != ReportBlock::Kind::Fields)
                    document_.blocks.push_back({ReportBlock::Kind::Fields, {}, {}, {}, {}});
                document_.blocks.back().fields.emplace_back(
                    item.label, FormatValue(Detail(item.line, item.column), item.format));
                break;
            case TemplateItem::Kind::Flag:
                if (Detail(item.line, item.column).AsBool())
                    document_.blocks.push_back({ReportBlock::Kind::Notice, {}, item.label, {}, {}});
                break;
            case TemplateItem::Kind::Text:
                document_.blocks.push_back({ReportBlock::Kind::Paragraph, {}, item.label, {}, {}});
                break;
            case TemplateItem::Kind::Table:
                Table(item);
                break;
            }
        }
        return std::move(document_);
    }

private:
    // A column of the run's details row (null when the run has none).
    Value Detail(int line, const std::string& column) {
        if (!details_) {
            std::string table = TableOf(db_, report_, line, kDetailsTable);
            detailColumns_ = db_.ColumnsOf(table).value_or(std::vector<std::string>{});
            details_.emplace(db_.OpenRecordset("SELECT * FROM " + Quoted(table) + " WHERE UniqueID = :id",
                                               {{"id", Value(uniqueId_)}}));
        }
        std::string name = ColumnOf(detailColumns_, report_, line, kDetailsTable, column);
        return details_->IsEOF() ? Value() : details_->GetValue(name);
    }

    void Table(const TemplateItem& item) {
        std::string table = TableOf(db_, report_, item.line, item.column);
        std::vector<std::string> columns = db_.ColumnsOf(table).value_or(std::vector<std::string>{});
        ReportBlock block{ReportBlock::Kind::Table, {}, item.label, {}, {}};
        std::string select;
        for (const TemplateColumn& column : item.columns) {
            select += (select.empty() ? "" : ", ") +
                      Quoted(ColumnOf(columns, report_, column.line, table, column.column));
            block.headings.push_back(column.heading);
        }
        std::string order =
            item.order.empty() ? "rowid" : Quoted(ColumnOf(columns, report_, item.line, table, item.order));
        operatordb::Recordset rows = db_.OpenRecordset("SELECT " + select + " FROM " + Quoted(table) +
                                                           " WHERE UniqueID = :id ORDER BY " + order,
                                                       {{"id", Value(uniqueId_)}});
        for (; !rows.IsEOF(); rows.MoveNext()) {
            std::vector<std::string> row;
            for (size_t i = 0; i < item.columns.size(); ++i)
                row.push_back(FormatValue(rows.GetValue(static_cast<int>(i)), item.columns[i].format));
            block.rows.push_back(std::move(row));
        }
        document_.blocks.push_back(std::move(block));
    }

    const ReportTemplate& report_;
    Database& db_;
    std::string uniqueId_;
    ReportDocument document_;
    std::optional<operatordb::Recordset> details_;
    std::vector<std::string> detailColumns_;
};

} // namespace

std::string FormatValue(const Value& value, ValueFormat format) {
    switch (format) {
    case ValueFormat::Text:
        return value.AsText();
    case ValueFormat::Result:
        switch (value.IsNull() ? 0 : value.AsInteger()) {
        case 1:
            return "ABORTED";
        case 2:
            return "FAILED";
        case 3:
            return "PASSED";
        case 4:
            return "INDETERMINATE";
        default:
            return "";
        }
    case ValueFormat::Date: {
        auto date = operatordb::ParseStoredDate(value.AsText().substr(0, 10));
        if (!date)
            return value.AsText();
        char text[16];
        std::snprintf(text, sizeof text, "%02u-%s-%02d", static_cast<unsigned>(date->day()),
                      kMonths[static_cast<unsigned>(date->month()) - 1],
                      static_cast<int>(date->year()) % 100);
        return text;
    }
    case ValueFormat::YesNo:
        return value.AsBool() ? "Yes" : "No";
    }
    return value.AsText();
}

ReportDocument BuildReport(const ReportTemplate& report, Database& results,
                           const ReportParameters& parameters, const std::string& title) {
    auto id = parameters.find("UniqueID");
    return Builder(report, results, id == parameters.end() ? std::string() : id->second).Build(title);
}

std::string RenderReport(const ReportTemplate& report, Database& results, const ReportParameters& parameters,
                         const std::string& title) {
    return ToHtml(BuildReport(report, results, parameters, title));
}

} // namespace corvid::reportengine
