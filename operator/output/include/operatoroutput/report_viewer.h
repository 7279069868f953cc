// The report viewer component: a window listing the runs stored in a results database
// for one UUT model, which renders the report of any of them with the templates of the
// reports directory. Created in process by class identifier; every member returns a
// failed HRESULT with error information when it fails.
#pragma once

#include "com/guid.h"
#include "com/types.h"
#include "com/unknown.h"

namespace corvid::operatoroutput {

using namespace corvid::com;

inline constexpr CLSID CLSID_ReportViewer = com::MakeGuid("{F8F3270D-214E-11D4-96B1-0010B5094BE6}");
inline constexpr const char* kReportViewerProgId = "CorvidReports.ReportViewer.1";

// The members in slot order; later additions go after SetReportsDirectory.
struct IReportViewer : IUnknown {
    static constexpr IID iid = com::MakeGuid("{F8F3270C-214E-11D4-96B1-0010B5094BE6}");

    // The UUT model whose runs are listed: its name and its UUT type ID.
    virtual HRESULT SetUUT(BSTR model, LONG uutTypeId) = 0;
    // The results database.
    virtual HRESULT SetDatabaseName(BSTR path) = 0;
    // Opens the viewer window (needs a QApplication and its thread) and returns; the
    // window lives until the operator closes it.
    virtual HRESULT Show() = 0;
    // Where the report templates are.
    virtual HRESULT SetReportsDirectory(BSTR path) = 0;
};

} // namespace corvid::operatoroutput
