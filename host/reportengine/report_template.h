// The report templates of the report engine: small declarative files, one statement a
// line, that say what a report of one run shows.
//
//   # the detail report
//   title "Calibration Report"                  the document's heading
//   field "Report Number" ReportNumber          a "label: value" line from the run's details
//   field "Overall Result" OverAllResult result  ... formatted as a result, date or yes/no
//   flag LimitedCalibration "Limited Calibration Performed!"   shown when the column is true
//   text "Measurements traceable to national standards."       a paragraph
//   table "Test Results" __sys_tblTests order TestID           the run's rows of a table
//   column "Test" Name                          a column of the table above
//   column "Result" Result result
//
// Texts are in double quotes (\" and \\ inside); names are bare words. The run's details
// are the __sys_tblTestingDetails row of the UniqueID parameter; a table's rows are those
// of the same UniqueID.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace corvid::reportengine {

// A template that does not parse or does not fit the database: the message starts with
// "<file>:<line>: ".
class TemplateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ValueFormat { Text, Result, Date, YesNo };

struct TemplateColumn {
    std::string heading, column;
    ValueFormat format = ValueFormat::Text;
    int line = 0;
};

struct TemplateItem {
    enum class Kind { Field, Flag, Text, Table } kind = Kind::Text;
    std::string label;  // field label, flag or paragraph text, table caption
    std::string column; // field or flag column, table name
    ValueFormat format = ValueFormat::Text;
    std::string order;                   // a table's sort column (empty: as stored)
    std::vector<TemplateColumn> columns; // a table's columns
    int line = 0;
};

struct ReportTemplate {
    std::string path;
    std::string title;
    std::vector<TemplateItem> items;
};

// Reads and parses a template file; TemplateError naming the file (and the line) when
// it cannot be read or does not parse.
ReportTemplate LoadTemplate(const std::string& path);
ReportTemplate ParseTemplate(const std::string& text, const std::string& path);

} // namespace corvid::reportengine
