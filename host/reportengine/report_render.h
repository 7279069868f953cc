// Renders a report template over one run of a results database as a report document,
// which the engine lays out on pages for PDF and printing and shows as HTML in windows.
#pragma once

#include "operatordb/database.h"
#include "report_model.h"
#include "report_template.h"

#include <map>
#include <string>

namespace corvid::reportengine {

// Parameters by name ("UniqueID": the run).
using ReportParameters = std::map<std::string, std::string>;

// TemplateError (file and line) when the template names a table or column the database
// lacks; DbError when the database cannot be read.
ReportDocument BuildReport(const ReportTemplate& report, operatordb::Database& results,
                           const ReportParameters& parameters, const std::string& title);
// The document as HTML.
std::string RenderReport(const ReportTemplate& report, operatordb::Database& results,
                         const ReportParameters& parameters, const std::string& title);

// The text of a stored value in a format.
std::string FormatValue(const operatordb::Value& value, ValueFormat format);

} // namespace corvid::reportengine
