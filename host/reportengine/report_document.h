// A report document on pages: painted into a PDF file (which also carries the document,
// so that an exported report can be previewed and printed again) or onto a printer, or
// shown in a window.
#pragma once

#include "report_model.h"

#include <string>

namespace corvid::reportengine {

struct PrinterChoice {
    std::string driver, device, port; // port: a "*.pdf" file prints into that file
};

// Writes the PDF through a temporary file beside path, so that a failed export leaves
// no partial report. std::runtime_error when it cannot be written. name: the PDF's
// title, also in the page footers.
void ExportPdf(const ReportDocument& document, const std::string& name, const std::string& path);

// The document an exported report was made from; std::runtime_error when the file is no
// report this engine exported.
ReportDocument ReadExportedDocument(const std::string& path);

void PrintReport(const ReportDocument& document, const std::string& name, const PrinterChoice& printer);

// A window of its own showing the report (needs a QApplication).
void PreviewReport(const ReportDocument& document, const std::string& name);

// Makes sure the process has a GUI application for fonts and painting: without one, an
// offscreen one is made for the life of the process.
void EnsureGuiApplication();

} // namespace corvid::reportengine
