// The texts of the report header that CTextReportFiles writes when a run begins.
#pragma once

#include "operatordb/database.h"
#include "operatoroutput/test_info.h"

#include <string>

namespace corvid::operatoroutput {

// 85 underscores: the rule between the blocks of a report.
extern const std::string kReportRule;

// " " in 30 columns, then "Measurement Report" and an empty line.
std::string MeasurementReportLine();
// The title centred in 80 columns (at least one blank before it), then a line end.
std::string CentredTitle(const std::string& title);
// The options text as the report shows it: wrapped between 50 and 63 columns, the
// lines after the first indented to the value column.
std::string WrappedOptions(const std::string& options);
// Report number, date, customer, model, serial number and options; ends with an empty line.
std::string ReportNumberBlock(const CTestInfo& info);
// Temperature, humidity, line frequency, plan, variant and operator.
std::string ConditionsBlock(const CTestInfo& info);
// The calibration standards of the run at its station: the equipment groups of the
// selection's filter that have an assignment, one row each.
std::string EquipmentTable(operatordb::Database& db, const CTestInfo& info);
// The lines of the page header that the printer repeats on every page.
int PageHeaderLineCount(const CTestInfo& info);
// The page header itself.
std::string PageHeader(const std::string& reportTitle, const CTestInfo& info);

} // namespace corvid::operatoroutput
