// The report component module reportengine.so: the report engine ("CorvidReports.ReportEngine.1")
// and the report viewer ("CorvidReports.ReportViewer.1"), with self-registration.
#include "com/bstr.h"
#include "com/error_info.h"
#include "com/module_entry_points.h"
#include "com/object.h"
#include "com/registration.h"
#include "operatordb/database.h"
#include "operatordb/db_error.h"
#include "operatoroutput/report_engine.h"
#include "operatoroutput/report_viewer.h"
#include "report_document.h"
#include "report_render.h"
#include "viewer_window.h"

#include <QApplication>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace corvid::reportengine {
namespace {

using namespace corvid::com;
using operatoroutput::IReportEngine;
using operatoroutput::IReportViewer;

constexpr ClassRegistration kRegistrations[] = {{operatoroutput::CLSID_ReportEngine,
                                                 "Report Engine Class",
                                                 operatoroutput::kReportEngineProgId,
                                                 "CorvidReports.ReportEngine",
                                                 "Apartment",
                                                 true,
                                                 {}},
                                                {operatoroutput::CLSID_ReportViewer,
                                                 "Report Viewer Class",
                                                 operatoroutput::kReportViewerProgId,
                                                 "CorvidReports.ReportViewer",
                                                 "Apartment",
                                                 true,
                                                 {}}};
constexpr ServerRegistration kServer{kRegistrations, nullptr};

std::string Text(BSTR text) {
    return Utf8FromBstr(text);
}

// Nothing thrown inside crosses an interface.
template <const IID& Interface, typename Body>
HRESULT Guard(const char* source, Body body) {
    try {
        body();
        return S_OK;
    } catch (const operatordb::DbError& e) {
        return ReportError(E_FAIL, Interface, source, std::string("Results database error: ") + e.what());
    } catch (const std::exception& e) {
        return ReportError(E_FAIL, Interface, source, e.what());
    }
}

class CReportEngine final
    : public ComClass<CReportEngine, IReportEngine, SupportErrorInfoImpl<IReportEngine::iid>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<CReportEngine, IReportEngine>(),
                                                   Entry<CReportEngine, ISupportErrorInfo>()};
        return table;
    }

    HRESULT Open(BSTR templatePath, BSTR title, BSTR databasePath) override {
        return Run([&] {
            Forget();
            std::string path = Text(templatePath), database = Text(databasePath);
            title_ = Text(title);
            if (database.empty()) {
                exported_ = ReadExportedDocument(path);
                return;
            }
            template_ = LoadTemplate(path);
            results_ = std::make_unique<operatordb::Database>(database);
        });
    }

    HRESULT SetParameter(BSTR name, BSTR value) override {
        return Run([&] { parameters_[Text(name)] = Text(value); });
    }

    HRESULT Preview() override {
        return Run([&] { PreviewReport(Document(), title_); });
    }

    HRESULT Export(BSTR outputPath) override {
        return Run([&] { ExportPdf(Document(), title_, Text(outputPath)); });
    }

    HRESULT Print() override {
        return Run([&] { PrintReport(Document(), title_, printer_); });
    }

    HRESULT Initialize() override {
        Forget();
        return S_OK;
    }

    HRESULT Close() override {
        Forget();
        return S_OK;
    }

    HRESULT SetPrinter(BSTR driverName, BSTR deviceName, BSTR portName) override {
        printer_ = {Text(driverName), Text(deviceName), Text(portName)};
        return S_OK;
    }

private:
    ~CReportEngine() override = default;

    template <typename Body>
    static HRESULT Run(Body body) {
        return Guard<IReportEngine::iid>(operatoroutput::kReportEngineProgId, body);
    }

    void Forget() {
        template_.reset();
        results_.reset();
        exported_.reset();
        parameters_.clear();
    }

    ReportDocument Document() {
        if (exported_)
            return *exported_;
        if (!template_ || !results_)
            throw std::runtime_error("No report is open");
        return BuildReport(*template_, *results_, parameters_, title_);
    }

    std::string title_;
    std::optional<ReportTemplate> template_;
    std::unique_ptr<operatordb::Database> results_;
    std::optional<ReportDocument> exported_;
    ReportParameters parameters_;
    PrinterChoice printer_;
};

class CReportViewer final
    : public ComClass<CReportViewer, IReportViewer, SupportErrorInfoImpl<IReportViewer::iid>> {
public:
    static std::span<const InterfaceEntry> InterfaceTable() {
        static constexpr InterfaceEntry table[] = {Entry<CReportViewer, IReportViewer>(),
                                                   Entry<CReportViewer, ISupportErrorInfo>()};
        return table;
    }

    HRESULT SetUUT(BSTR model, LONG uutTypeId) override {
        settings_.model = Text(model);
        settings_.uutModelId = uutTypeId;
        return S_OK;
    }

    HRESULT SetDatabaseName(BSTR path) override {
        settings_.databasePath = Text(path);
        return S_OK;
    }

    HRESULT Show() override {
        return Guard<IReportViewer::iid>(operatoroutput::kReportViewerProgId, [&] {
            if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
                throw std::runtime_error("The report viewer needs a program with windows");
            if (settings_.databasePath.empty())
                throw std::runtime_error("No results database is set");
            auto* window = new ViewerWindow(settings_);
            window->show();
        });
    }

    HRESULT SetReportsDirectory(BSTR path) override {
        settings_.reportsDirectory = Text(path);
        return S_OK;
    }

private:
    ~CReportViewer() override = default;

    ViewerSettings settings_;
};

constexpr ClassObjectEntry kClassObjects[] = {ClassObject<CReportEngine>(operatoroutput::CLSID_ReportEngine),
                                              ClassObject<CReportViewer>(operatoroutput::CLSID_ReportViewer)};

} // namespace
} // namespace corvid::reportengine

CORVID_COM_MODULE_ENTRY_POINTS(corvid::reportengine::kClassObjects, corvid::reportengine::kServer)
