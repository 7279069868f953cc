// Lays a report document out on the pages of a paint device (a PDF writer or a printer):
// fields with wrapped values, paragraphs, and tables whose heading row repeats on every
// page they continue on; each page ends with a footer naming the report and the page.
#pragma once

#include "report_model.h"

#include <string>

class QPagedPaintDevice;

namespace corvid::reportengine {

// False when the device cannot be painted on.
bool PaintReport(const ReportDocument& document, const std::string& name, QPagedPaintDevice& device);

} // namespace corvid::reportengine
