// The text reports on paper or in a PDF file: the page painter of the report layout
// over a Qt paged paint device, in a fixed-pitch 10 point font.
#pragma once

#include "operatortabs/tab_reports.h"

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <functional>
#include <memory>

class QPrinter;

namespace corvid::operatorwindow {

class QtReportPrinter final : public operatortabs::ReportPrinter {
public:
    // What differs between a printer and a PDF file.
    struct DeviceHooks {
        std::function<bool()> ready;                  // the device can be painted on
        std::function<void(const QString&)> setTitle; // the document's name
        std::function<void()> abort;                  // discards the document
        std::function<Names()> names;                 // the printer for the report engine
    };
    QtReportPrinter(std::shared_ptr<QPagedPaintDevice> device, DeviceHooks hooks);
    ~QtReportPrinter() override;

    Setup Prepare() override;
    Names PrinterNames() const override { return hooks_.names ? hooks_.names() : Names{}; }
    int PageHeight() const override;
    int LineHeight() const override;
    bool StartDocument(const std::string& name) override;
    bool StartPage() override;
    bool DrawLine(int x, int y, const std::string& text) override;
    bool EndPage() override { return painter_.isActive(); }
    bool EndDocument() override;
    void AbortDocument() override;

private:
    int ToDevice(int twips) const;

    std::shared_ptr<QPagedPaintDevice> device_;
    DeviceHooks hooks_;
    QFont font_;
    QPainter painter_;
    int pages_ = 0;
};

// The fixed-pitch printing font, "Courier New" where the system has it; false when
// the system has no fixed-pitch font at all.
bool PrintingFont(QFont& font);

// A printer for a PDF file at path (whole pages, no margins of its own).
std::unique_ptr<operatortabs::ReportPrinter> MakePdfReportPrinter(const QString& path);
// A printer for the printer chosen in a print dialog.
std::unique_ptr<operatortabs::ReportPrinter> MakeReportPrinter(std::shared_ptr<QPrinter> printer);

} // namespace corvid::operatorwindow
