// A rendered report as a Qt rich-text document: exported as PDF (which carries the page
// it was made from, so that an exported report can be previewed and printed again),
// printed, or shown in a window.
#pragma once

#include <string>

namespace corvid::reportengine {

struct PrinterChoice {
    std::string driver, device, port; // port: a "*.pdf" file prints into that file
};

// Writes the PDF through a temporary file beside path, so that a failed export leaves
// no partial report. std::runtime_error when it cannot be written.
void ExportPdf(const std::string& html, const std::string& title, const std::string& path);

// The page an exported report was made from; std::runtime_error when the file is no
// report this engine exported.
std::string ReadExportedHtml(const std::string& path);

void PrintReport(const std::string& html, const std::string& title, const PrinterChoice& printer);

// A window of its own showing the report (needs a QApplication).
void PreviewReport(const std::string& html, const std::string& title);

// Makes sure the process has a GUI application for fonts and painting: without one, an
// offscreen one is made for the life of the process.
void EnsureGuiApplication();

} // namespace corvid::reportengine
