#include "operatorwindow/report_printer.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPdfWriter>
#include <QPrinter>

namespace corvid::operatorwindow {

bool PrintingFont(QFont& font) {
    font = QFont("Courier New");
    font.setPointSizeF(operatoroutput::kPrintFontHeight / 20.0);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return QFontInfo(font).fixedPitch();
}

QtReportPrinter::QtReportPrinter(std::shared_ptr<QPagedPaintDevice> device, DeviceHooks hooks)
    : device_(std::move(device)), hooks_(std::move(hooks)) {}

QtReportPrinter::~QtReportPrinter() {
    if (painter_.isActive())
        painter_.end();
}

QtReportPrinter::Setup QtReportPrinter::Prepare() {
    if (!hooks_.ready())
        return Setup::NoDevice;
    return PrintingFont(font_) ? Setup::Ready : Setup::NoFont;
}

int QtReportPrinter::ToDevice(int twips) const {
    return static_cast<int>(static_cast<long long>(twips) * device_->logicalDpiY() / 1440);
}

int QtReportPrinter::PageHeight() const {
    return static_cast<int>(static_cast<long long>(device_->height()) * 1440 / device_->logicalDpiY());
}

int QtReportPrinter::LineHeight() const {
    QFontMetrics metrics(font_, device_.get());
    return static_cast<int>(static_cast<long long>(metrics.lineSpacing()) * 1440 / device_->logicalDpiY());
}

bool QtReportPrinter::StartDocument(const std::string& name) {
    hooks_.setTitle(QString::fromStdString(name));
    pages_ = 0;
    return true;
}

bool QtReportPrinter::StartPage() {
    // The painter starts the first page when it begins.
    if (pages_++ == 0) {
        if (!painter_.begin(device_.get()))
            return false;
        painter_.setFont(font_);
        painter_.setPen(Qt::black);
        return true;
    }
    return device_->newPage();
}

bool QtReportPrinter::DrawLine(int x, int y, const std::string& text) {
    if (!painter_.isActive())
        return false;
    // Lines are placed by their top, as the layout counts them.
    painter_.drawText(ToDevice(x), ToDevice(y) + painter_.fontMetrics().ascent(),
                      QString::fromStdString(text));
    return true;
}

bool QtReportPrinter::EndDocument() {
    return painter_.isActive() && painter_.end();
}

void QtReportPrinter::AbortDocument() {
    if (painter_.isActive())
        painter_.end();
    hooks_.abort();
}

std::unique_ptr<operatortabs::ReportPrinter> MakePdfReportPrinter(const QString& path) {
    auto writer = std::make_shared<QPdfWriter>(path);
    writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    QtReportPrinter::DeviceHooks hooks{
        [path] {
            QFile file(path);
            return file.open(QIODevice::WriteOnly);
        },
        [writer](const QString& name) { writer->setTitle(name); },
        [path] { QFile::remove(path); },
        [path] {
            return operatortabs::ReportPrinter::Names{"", "PDF", path.toStdString()};
        },
    };
    return std::make_unique<QtReportPrinter>(writer, std::move(hooks));
}

std::unique_ptr<operatortabs::ReportPrinter> MakeReportPrinter(std::shared_ptr<QPrinter> printer) {
    QtReportPrinter::DeviceHooks hooks{
        [printer] { return printer->isValid(); },
        [printer](const QString& name) { printer->setDocName(name); },
        [printer] { printer->abort(); },
        [printer] {
            return operatortabs::ReportPrinter::Names{"", printer->printerName().toStdString(),
                                                      printer->outputFileName().toStdString()};
        },
    };
    return std::make_unique<QtReportPrinter>(printer, std::move(hooks));
}

} // namespace corvid::operatorwindow
