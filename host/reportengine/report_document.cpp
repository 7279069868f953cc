#include "report_document.h"

#include "page_painter.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace corvid::reportengine {
namespace {

const QByteArray kOpen = "<corvid:document>";
const QByteArray kClose = "</corvid:document>";

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The XMP packet of a report: its title and, compressed, the document it shows.
QByteArray Metadata(const ReportDocument& document, const std::string& title) {
    QByteArray escapedTitle = Q(title).toHtmlEscaped().toUtf8();
    return "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:corvid=\"urn:corvid:report:1\">\n"
           "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
           escapedTitle + "</rdf:li></rdf:Alt></dc:title>\n" + kOpen +
           qCompress(QByteArray::fromStdString(ToJson(document)), 9).toBase64() + kClose +
           "\n</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

} // namespace

void EnsureGuiApplication() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (QCoreApplication::instance())
        throw std::runtime_error("Reports cannot be rendered in a process without a graphical application");
    // Export and print need fonts and painting, not a screen.
    static int argc = 3;
    static char name[] = "reportengine", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

void ExportPdf(const ReportDocument& document, const std::string& title, const std::string& path) {
    EnsureGuiApplication();
    QString target = Q(path);
    QString temporary = target + ".part" + QString::number(::getpid());
    bool painted = false;
    {
        QFile probe(temporary);
        if (!probe.open(QIODevice::WriteOnly))
            throw std::runtime_error("The report cannot be written to " + path + ": " +
                                     probe.errorString().toStdString());
    }
    {
        QPdfWriter writer(temporary);
        writer.setTitle(Q(title));
        writer.setCreator("Corvid report engine");
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setDocumentXmpMetadata(Metadata(document, title));
        writer.setResolution(300);
        painted = PaintReport(document, title, writer);
    }
    if (!painted || QFileInfo(temporary).size() == 0) {
        QFile::remove(temporary);
        throw std::runtime_error("The report " + path + " could not be written");
    }
    if (std::rename(temporary.toLocal8Bit().constData(), target.toLocal8Bit().constData()) != 0) {
        QFile::remove(temporary);
        throw std::runtime_error("The report cannot be written to " + path);
    }
}

ReportDocument ReadExportedDocument(const std::string& path) {
    QFile file(Q(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("The report " + path +
                                 " cannot be read: " + file.errorString().toStdString());
    QByteArray data = file.readAll();
    qsizetype open = data.indexOf(kOpen);
    qsizetype close = open < 0 ? -1 : data.indexOf(kClose, open);
    if (close < 0)
        throw std::runtime_error(path + " is not a report exported by this report engine");
    QByteArray packed = QByteArray::fromBase64(data.mid(open + kOpen.size(), close - open - kOpen.size()));
    QByteArray json = qUncompress(packed);
    try {
        return FromJson(json.toStdString());
    } catch (const std::exception&) {
        throw std::runtime_error("The report " + path + " is damaged");
    }
}

void PrintReport(const ReportDocument& document, const std::string& title, const PrinterChoice& choice) {
    EnsureGuiApplication();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(Q(title));
    QString port = Q(choice.port);
    if (port.endsWith(".pdf", Qt::CaseInsensitive)) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(port);
    } else if (!choice.device.empty()) {
        printer.setPrinterName(Q(choice.device));
    }
    if (!printer.isValid())
        throw std::runtime_error("The printer " +
                                 (choice.device.empty() ? std::string("(default)") : choice.device) +
                                 " cannot be used");
    if (!PaintReport(document, title, printer) || printer.printerState() == QPrinter::Error)
        throw std::runtime_error("The report could not be printed");
}

void PreviewReport(const ReportDocument& document, const std::string& title) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw std::runtime_error("A report can be previewed only in a program with windows");
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName("ReportPreview");
    window->setWindowTitle(Q(title));
    auto* layout = new QVBoxLayout(window);
    auto* view = new QTextBrowser(window);
    view->setHtml(Q(ToHtml(document)));
    layout->addWidget(view);
    window->resize(820, 1000);
    window->show();
}

} // namespace corvid::reportengine
