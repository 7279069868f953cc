// Renders a report template over one run of a results database as an HTML page (the
// subset Qt's rich text takes), which the engine prints, exports and previews.
#pragma once

#include "operatordb/database.h"
#include "report_template.h"

#include <map>
#include <string>

namespace corvid::reportengine {

// Parameters by name ("UniqueID": the run).
using ReportParameters = std::map<std::string, std::string>;

// TemplateError (file and line) when the template names a table or column the database
// lacks; DbError when the database cannot be read.
std::string RenderReport(const ReportTemplate& report, operatordb::Database& results,
                         const ReportParameters& parameters, const std::string& title);

// The text of a stored value in a format.
std::string FormatValue(const operatordb::Value& value, ValueFormat format);

std::string EscapeHtml(const std::string& text);

} // namespace corvid::reportengine
