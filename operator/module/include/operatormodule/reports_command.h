// `halcyon reports`: the Test Reports page without a window.
//   list [--model M] [--serial S] [--kind summary|detail|trace|all] [--result passed|failed|aborted|all]
//        the page's file list, one name a line (all serial numbers unless --serial)
//   show FILE [--model M]         what the text viewer shows of the report
//   print FILE --pdf OUT [--model M]   the report printed into a PDF file
// FILE is a path, or a name in the model's report directory. The model is the one given,
// else the last run's, else the first.
#pragma once

#include "operatortabs/tab_reports.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvid::operatormodule {

struct ReportsRequest {
    std::string command; // list, show or print
    std::string model, serial, file, pdf;
    operatortabs::ReportKind kind = operatortabs::ReportKind::All;
    operatortabs::ReportResult result = operatortabs::ReportResult::All;
};

// Exit statuses: 0 done, 3 the report could not be read or printed, 4 bad arguments.
inline constexpr int kReportsDone = 0, kReportsFailed = 3, kReportsBadArguments = 4;

bool ParseReportsArguments(const std::vector<std::string>& args, ReportsRequest& request,
                           std::string& problem);

// Makes the printer of a PDF file.
using PdfPrinterFactory =
    std::function<std::unique_ptr<operatortabs::ReportPrinter>(const std::string& path)>;

// Runs the request against the loaded plug-in and returns the exit status.
int Reports(const ReportsRequest& request, const PdfPrinterFactory& pdfPrinter);

} // namespace corvid::operatormodule
