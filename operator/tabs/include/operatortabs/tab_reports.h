// CTabReports: the Test Reports page's logic. It lists the report files of one UUT model
// (in OutputPath/<model>), filtered by serial number, kind and result, and views,
// deletes and prints them; text reports are shown in a text viewer and printed page by
// page, formatted reports go to the report engine.
#pragma once

#include "com/com_ptr.h"
#include "operatoroutput/report_engine.h"
#include "operatoroutput/report_viewer.h"
#include "operatoroutput/text_report_print.h"
#include "operatortabs/combo_item.h"
#include "operatortabs/run_common.h"
#include "operatortabs/tab_run.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvid::operatortabs {

enum class ReportKind { Summary, Detail, Trace, All };
enum class ReportResult { Passed, Failed, Aborted, All };

inline constexpr const char* kAllSerials = " --ALL--";
inline constexpr const char* kNoReportsSelected = "No reports selected";

// The serial-number entries of a model's report directory, " --ALL--" last: the text
// before the first '_' of every report file, except the calibration data files and
// texts that begin an entry already listed.
std::vector<std::string> ReportSerials(const std::string& directory, bool formatted);

// The report files of a directory whose names begin with serialPrefix, of the kind and
// result asked for: summaries, then trace logs, then details for all kinds.
std::vector<std::string> ReportFileNames(const std::string& directory, const std::string& serialPrefix,
                                         ReportKind kind, ReportResult result, bool formatted);

// Where a text report is printed: a printer chosen in the print dialog, or a PDF file.
class ReportPrinter : public operatoroutput::ReportPagePainter {
public:
    enum class Setup { Ready, NoDevice, NoFont };
    // The printer as the report engine takes it.
    struct Names {
        std::string driver, device, port;
    };
    virtual ~ReportPrinter() = default;
    // Attaches the device and creates the printing font.
    virtual Setup Prepare() = 0;
    virtual Names PrinterNames() const { return {}; }
};

// Creates a component in process: com::CreateInstance, or a test's own.
using ComponentFactory =
    std::function<com::HRESULT(const com::CLSID& clsid, const com::IID& iid, void** object)>;

// Prints the text report at path with the page's messages; false when it was not printed.
bool PrintTextReportFile(const std::string& path, ReportPrinter& printer, Prompt& prompt);

struct ReportsForm {
    ComboList models;
    std::vector<std::string> serials;
    int selectedSerial = -1;
    ReportKind kind = ReportKind::All;
    ReportResult result = ReportResult::All;
    std::vector<std::string> files;
    int selectedFile = -1;
    bool generateEnabled = false;
    // View, Delete and Print need a selected file.
    bool fileActionsEnabled() const { return selectedFile >= 0; }
    std::string SelectedFile() const {
        return selectedFile >= 0 ? files.at(static_cast<size_t>(selectedFile)) : std::string();
    }
};

// What the page is told and asked.
class ReportsTabView {
public:
    virtual void FormChanged() {}
    virtual void BusyChanged(bool /*busy*/) {}
    // The text viewer with the file name as title.
    virtual void ShowText(const std::string& /*title*/, const std::string& /*text*/) {}
    // The print dialog; null when it was cancelled.
    virtual std::unique_ptr<ReportPrinter> ChoosePrinter() { return nullptr; }

protected:
    ~ReportsTabView() = default;
};

class CTabReports {
public:
    // The report engine and viewer are created when a model with formatted reports needs them.
    CTabReports(ModuleContext& context, ReportsTabView& view, ComponentFactory create = {});

    // Page start-up: all kinds and results, the models, the file list.
    void Initialize();
    // Page entry: lists again after a run or when the unit changed since the last entry.
    void OnShow();

    const ReportsForm& form() const { return form_; }
    bool formatted() const { return formatted_.formatted; }
    // OutputPath/<model>.
    const std::string& directory() const { return directory_; }

    void SelectModel(int index);
    void SelectSerial(int index);
    void SetKind(ReportKind kind);
    void SetResult(ReportResult result);
    void SelectFile(int index);

    void ViewReport();
    void DeleteReport();
    void PrintReport();
    void GenerateFromData();

private:
    void BuildFileList();
    void FillFiles();
    std::string SelectedPath() const { return directory_ + "/" + form_.SelectedFile(); }
    void SetUpViewer();
    bool CreateEngine();
    bool CreateViewer();
    // Runs calls of the report components; a failure is shown with title.
    void Formatted(const char* title, const std::function<void()>& calls);
    void Notify() { view_.FormChanged(); }

    ModuleContext& ctx_;
    ReportsTabView& view_;
    ReportsForm form_;
    FormattedReports formatted_;
    ComponentFactory create_;
    com::ComPtr<operatoroutput::IReportEngine> engine_;
    com::ComPtr<operatoroutput::IReportViewer> viewer_;
    std::string directory_;
    std::string shownModel_, shownSerial_, lastModel_, lastSerial_;
    bool initialised_ = false;
};

} // namespace corvid::operatortabs
