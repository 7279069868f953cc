// Prints what printing a text report of about 100 pages into a PDF file costs: a
// generated detail report with a page header and a test block per few lines, laid out
// and painted by the Test Reports page's printing code. Not a test.
//   report_print_benchmark [OUT.pdf]   keeps the PDF file where given
#include "operatorwindow/report_printer.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// A report whose page header takes 11 lines and whose tests end in a rule, like a run's.
void WriteReport(const std::string& path, int tests) {
    std::ofstream out(path);
    const std::string rule(85, '_');
    out << "                              Measurement Report\n\n.\\rptmacro\\pghdr11\n"
        << "                              Measurement Report\n\n    Bench Calibration\n"
        << rule << "\n\nReport Number:   R-1  Test Date: 01-Jan-26\nCustomer: C\nModel Number: M\nOptions:\n"
        << rule << "\n\n.\\rptmacro\\pgbreak\n";
    for (int i = 0; i < tests; ++i) {
        out << "Test " << i << "\n\tReading\t" << i * 0.25 << " V\tlimit\t1.0 V\n";
        out << "TEST " << i << "........................................PASSED\n\n" << rule << "\n\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    QTemporaryDir directory;
    std::string report = directory.filePath("bench.dtr").toStdString();
    WriteReport(report, 1000);
    QString pdf = argc > 1 ? QString::fromLocal8Bit(argv[1]) : directory.filePath("bench.pdf");
    auto printer = corvid::operatorwindow::MakePdfReportPrinter(pdf);
    if (printer->Prepare() != corvid::operatortabs::ReportPrinter::Setup::Ready) {
        std::fputs("no printer or font for the PDF file\n", stderr);
        return 1;
    }
    std::ifstream in(report);
    int pages = 0;
    auto start = std::chrono::steady_clock::now();
    bool printed = corvid::operatoroutput::PrintTextReport(in, report, *printer, &pages);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!printed) {
        std::fputs("printing failed\n", stderr);
        return 1;
    }
    std::printf("text report to PDF: %d pages in %.1f ms (goal for 100 pages: under 1000 ms)\n", pages, ms);
    return 0;
}
