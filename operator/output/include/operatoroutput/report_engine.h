// The report engine component: renders a report template over the rows of a results
// database into a document, exports it as a PDF file, previews it in a window or prints
// it. Created in process by class identifier; every member returns a failed HRESULT
// with error information when it fails.
//
//   ComPtr<IReportEngine> engine;
//   CreateInstance(CLSID_ReportEngine, nullptr, IReportEngine::iid, engine.OutVoid());
//   engine->Initialize();
//   engine->Open(Bstr(templatePath).get(), Bstr(title).get(), Bstr(resultsDb).get());
//   engine->SetParameter(Bstr("UniqueID").get(), Bstr(uniqueId).get());
//   engine->Export(Bstr(outputPath).get());
//   engine->Close();
//
// Open with an empty database path opens an exported report itself (for Preview and Print).
#pragma once

#include "com/guid.h"
#include "com/types.h"
#include "com/unknown.h"

namespace corvid::operatoroutput {

using namespace corvid::com;

inline constexpr CLSID CLSID_ReportEngine = com::MakeGuid("{5101B463-2B50-11D4-96B6-0010B5094BE6}");
inline constexpr const char* kReportEngineProgId = "CorvidReports.ReportEngine.1";

// The members in slot order; later additions go after SetPrinter.
struct IReportEngine : IUnknown {
    static constexpr IID iid = com::MakeGuid("{5101B462-2B50-11D4-96B6-0010B5094BE6}");

    // A template (with databasePath: rendered from that results database) or an exported
    // report (empty databasePath). The title names the document.
    virtual HRESULT Open(BSTR templatePath, BSTR title, BSTR databasePath) = 0;
    // A value the template refers to, e.g. "UniqueID": which run to render.
    virtual HRESULT SetParameter(BSTR name, BSTR value) = 0;
    // Shows the open report in a window of its own (needs a QApplication and its thread).
    virtual HRESULT Preview() = 0;
    // Writes the open report as a PDF document to outputPath (whatever its extension).
    virtual HRESULT Export(BSTR outputPath) = 0;
    // Prints the open report on the printer chosen by SetPrinter (else the default one).
    virtual HRESULT Print() = 0;
    virtual HRESULT Initialize() = 0;
    // Forgets the open report and its parameters.
    virtual HRESULT Close() = 0;
    // The printer: its driver, device (printer name) and port. A port that is a file path
    // ending in ".pdf" prints into that file instead of a printer.
    virtual HRESULT SetPrinter(BSTR driverName, BSTR deviceName, BSTR portName) = 0;
};

} // namespace corvid::operatoroutput
