// The Test Reports page: the model's report directory, its serial numbers and files,
// and View, Delete and Print of a text report.
#include "operatortabs/tab_reports.h"

#include "com/bstr.h"
#include "com/creation.h"
#include "com/error_info.h"
#include "operatordb/bindings.h"
#include "operatortabs/result_error.h"
#include "operatortabs/tab_select_test_equip.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>
#include <fstream>
#include <strings.h>

namespace corvid::operatortabs {
namespace {

namespace fs = std::filesystem;

// A text that matches itself only, inside a pattern.
std::string Literal(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '*' || c == '?' || c == '[' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// The regular files of directory whose names match pattern (case ignored, as the
// report directories were named on the bench's first system), by name.
std::vector<std::string> Matching(const std::string& directory, const std::string& pattern) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (it->is_regular_file(error) && fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const char* Suffix(ReportResult result) {
    switch (result) {
    case ReportResult::Passed:
        return "_P";
    case ReportResult::Failed:
        return "_F";
    case ReportResult::Aborted:
        return "_A";
    case ReportResult::All:
        break;
    }
    return "";
}

// The patterns of one kind. Exported formatted trace reports end in "_Trace"; the
// older "Log" name is listed too.
std::vector<std::string> KindPatterns(ReportKind kind, const std::string& base, bool formatted) {
    switch (kind) {
    case ReportKind::Summary:
        return {formatted ? "*Summary" + base + ".rpt" : base + ".sum"};
    case ReportKind::Detail:
        return {formatted ? "*Detail" + base + ".rpt" : base + ".dtr"};
    case ReportKind::Trace:
        if (formatted)
            return {"*Log" + base + ".rpt", "*Trace" + base + ".rpt"};
        return {base + ".log"};
    case ReportKind::All:
        break;
    }
    return {};
}

constexpr const char* kCreationTitle = "Component creation error:";

// A text passed to a component for the length of one call.
class Text {
public:
    explicit Text(const std::string& text) : text_(com::BstrFromUtf8(text)) {}
    ~Text() { com::SysFreeString(text_); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    operator com::BSTR() const { return text_; }

private:
    com::BSTR text_;
};

// A failed component call: message, else the component's own description, else "Error".
void Check(com::HRESULT result, const char* title, const char* message = nullptr) {
    if (SUCCEEDED(result))
        return;
    std::string text = message ? message : "";
    if (text.empty()) {
        auto details = com::TakeErrorDetails();
        text = details && !details->description.empty() ? details->description : "Error";
    }
    throw CResultError(text, title, result);
}

} // namespace

std::vector<std::string> ReportSerials(const std::string& directory, bool formatted) {
    std::vector<std::string> serials;
    for (const std::string& name : Matching(directory, formatted ? "*_*.rpt" : "*_*.*")) {
        if (strncasecmp(name.c_str(), "cal_data_", 9) == 0)
            continue;
        std::string serial = name.substr(0, name.find('_'));
        bool begun = std::any_of(serials.begin(), serials.end(),
                                 [&](const std::string& entry) { return entry.rfind(serial, 0) == 0; });
        if (!begun)
            serials.push_back(serial);
    }
    serials.push_back(kAllSerials);
    return serials;
}

std::vector<std::string> ReportFileNames(const std::string& directory, const std::string& serialPrefix,
                                         ReportKind kind, ReportResult result, bool formatted) {
    std::string base = std::string("*") + Suffix(result);
    std::vector<ReportKind> kinds = {kind};
    if (kind == ReportKind::All)
        kinds = {ReportKind::Summary, ReportKind::Trace, ReportKind::Detail};
    std::vector<std::string> files;
    for (ReportKind one : kinds) {
        std::vector<std::string> ofKind;
        for (const std::string& pattern : KindPatterns(one, base, formatted))
            for (std::string& name : Matching(directory, Literal(serialPrefix) + pattern))
                if (std::find(ofKind.begin(), ofKind.end(), name) == ofKind.end())
                    ofKind.push_back(std::move(name));
        std::sort(ofKind.begin(), ofKind.end());
        files.insert(files.end(), ofKind.begin(), ofKind.end());
    }
    return files;
}

bool PrintTextReportFile(const std::string& path, ReportPrinter& printer, Prompt& prompt) {
    switch (printer.Prepare()) {
    case ReportPrinter::Setup::NoDevice:
        prompt.Notify("Couldn't Configure printer");
        return false;
    case ReportPrinter::Setup::NoFont:
        prompt.Notify("Couldn't Create Courier New Font for Printing");
        return false;
    case ReportPrinter::Setup::Ready:
        break;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        prompt.Notify("Unable to open report");
        return false;
    }
    if (!operatoroutput::PrintTextReport(in, path, printer)) {
        prompt.Notify("Failed to print reports");
        return false;
    }
    return true;
}

CTabReports::CTabReports(ModuleContext& context, ReportsTabView& view, ComponentFactory create)
    : ctx_(context), view_(view), create_(std::move(create)) {
    if (!create_)
        create_ = [](const com::CLSID& clsid, const com::IID& iid, void** object) {
            return com::CreateInstance(clsid, nullptr, iid, object);
        };
}

bool CTabReports::CreateEngine() {
    if (engine_)
        return true;
    try {
        Check(create_(operatoroutput::CLSID_ReportEngine, operatoroutput::IReportEngine::iid,
                      engine_.OutVoid()),
              kCreationTitle, "Unable to create Corvid crystal reports object");
        Check(engine_->Initialize(), kCreationTitle);
        return true;
    } catch (const CResultError& error) {
        engine_ = nullptr;
        ctx_.prompt.Show(error.Text(), error.title(), MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
}

bool CTabReports::CreateViewer() {
    if (viewer_)
        return true;
    com::HRESULT result =
        create_(operatoroutput::CLSID_ReportViewer, operatoroutput::IReportViewer::iid, viewer_.OutVoid());
    if (SUCCEEDED(result) && viewer_)
        return true;
    viewer_ = nullptr;
    CResultError error("Unable to create Crystal reports viewer object", kCreationTitle, result);
    ctx_.prompt.Show(error.Text(), error.title(), MsgButtons::Ok, MsgIcon::Error);
    return false;
}

void CTabReports::Formatted(const char* title, const std::function<void()>& calls) {
    try {
        calls();
    } catch (const CResultError& error) {
        ctx_.prompt.Show(error.Text(), error.title(), MsgButtons::Ok, MsgIcon::Error);
    } catch (const std::exception& error) {
        ctx_.prompt.Show(std::string("Crystal reports set up error:\n") + error.what(), title, MsgButtons::Ok,
                         MsgIcon::Error);
    }
}

void CTabReports::SetUpViewer() {
    if (!CreateViewer())
        return;
    const char* title = "Error while setting up for crystal reports.";
    Formatted(title, [&] {
        Check(viewer_->SetDatabaseName(Text(formatted_.resultsDatabase)), title,
              "Unable to set reports database name");
        Check(viewer_->SetReportsDirectory(Text(formatted_.reportsDirectory)), title,
              "Unable to set reports directory path");
    });
}

void CTabReports::Initialize() {
    form_.kind = ReportKind::All;
    form_.result = ReportResult::All;
    form_.models.Clear();
    operatordb::DB_DUTs models(ctx_.db);
    models.SetSort("Alias");
    models.Open(operatordb::OpenMode::ReadOnly);
    for (; !models.IsEOF(); models.MoveNext())
        form_.models.AddUnique(EncodeItem(models.Alias, models.UUTDeviceTypeID));
    if (!SelectName(form_.models, ctx_.info.UUT) && !form_.models.items.empty())
        form_.models.selected = 0;
    lastModel_ = ctx_.info.UUT;
    lastSerial_ = ctx_.info.SerialNumber;
    BuildFileList();
    initialised_ = true;
}

void CTabReports::OnShow() {
    if (!initialised_)
        return Initialize();
    const auto& info = ctx_.info;
    bool newModel = info.UUT != shownModel_ && info.UUT != lastModel_;
    bool newSerial = info.SerialNumber != shownSerial_ && info.SerialNumber != lastSerial_;
    if (!ctx_.window.reportsListStale && !newModel && !newSerial)
        return;
    lastModel_ = info.UUT;
    lastSerial_ = info.SerialNumber;
    if (!SelectName(form_.models, info.UUT) && !form_.models.items.empty())
        form_.models.selected = 0;
    BuildFileList();
    ctx_.window.reportsListStale = false;
}

void CTabReports::SelectModel(int index) {
    if (index < 0 || index >= static_cast<int>(form_.models.items.size()))
        return;
    form_.models.selected = index;
    BuildFileList();
}

void CTabReports::SelectSerial(int index) {
    if (index < 0 || index >= static_cast<int>(form_.serials.size()))
        return;
    form_.selectedSerial = index;
    FillFiles();
}

void CTabReports::SetKind(ReportKind kind) {
    form_.kind = kind;
    FillFiles();
}

void CTabReports::SetResult(ReportResult result) {
    form_.result = result;
    FillFiles();
}

void CTabReports::SelectFile(int index) {
    form_.selectedFile = index >= 0 && index < static_cast<int>(form_.files.size()) ? index : -1;
    Notify();
}

void CTabReports::BuildFileList() {
    shownModel_ = form_.models.SelectedName();
    formatted_ = CheckFormattedReports(ctx_.prompt, shownModel_);
    form_.generateEnabled = formatted_.formatted;
    if (formatted_.formatted)
        SetUpViewer();
    directory_ = ctx_.outputPath + "/" + shownModel_;
    form_.serials.clear();
    form_.selectedSerial = -1;
    std::error_code error;
    if (fs::is_directory(directory_, error)) {
        form_.serials = ReportSerials(directory_, formatted_.formatted);
        auto known = std::find(form_.serials.begin(), form_.serials.end(), ctx_.info.SerialNumber);
        form_.selectedSerial =
            known == form_.serials.end() ? 0 : static_cast<int>(known - form_.serials.begin());
    }
    FillFiles();
}

void CTabReports::FillFiles() {
    form_.files.clear();
    form_.selectedFile = -1;
    shownSerial_.clear();
    if (form_.selectedSerial >= 0) {
        std::string serial = form_.serials.at(static_cast<size_t>(form_.selectedSerial));
        shownSerial_ = serial == kAllSerials ? std::string() : serial;
        form_.files =
            ReportFileNames(directory_, shownSerial_, form_.kind, form_.result, formatted_.formatted);
        form_.selectedFile = form_.files.empty() ? -1 : 0;
    }
    Notify();
}

void CTabReports::ViewReport() {
    if (!form_.fileActionsEnabled())
        return ctx_.prompt.Notify(kNoReportsSelected);
    if (formatted_.formatted) {
        if (!CreateEngine())
            return;
        const char* title = "Error on viewing reports.";
        return Formatted(title, [&] {
            Check(engine_->Open(Text(SelectedPath()), Text(form_.SelectedFile()), Text("")), title);
            Check(engine_->Preview(), title);
        });
    }
    std::ifstream in(SelectedPath(), std::ios::binary);
    if (!in)
        return ctx_.prompt.Notify("Unable to open report " + SelectedPath() +
                                  "\nIt may have been moved or deleted.");
    view_.ShowText(form_.SelectedFile(), operatoroutput::ReportViewerText(in));
}

void CTabReports::DeleteReport() {
    if (!form_.fileActionsEnabled())
        return ctx_.prompt.Notify(kNoReportsSelected);
    if (ctx_.prompt.Show("Are you sure you want to delete report?", operatorconfig::kApplicationTitle,
                         MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
        return;
    std::string path = SelectedPath();
    std::error_code error;
    if (!fs::remove(path, error))
        ctx_.prompt.Notify("File " + path + " cannot be removed\n");
    form_.files.erase(form_.files.begin() + form_.selectedFile);
    form_.selectedFile = -1;
    Notify();
}

void CTabReports::PrintReport() {
    if (!form_.fileActionsEnabled())
        return ctx_.prompt.Notify(kNoReportsSelected);
    std::unique_ptr<ReportPrinter> printer = view_.ChoosePrinter();
    if (!printer)
        return;
    if (formatted_.formatted) {
        if (printer->Prepare() == ReportPrinter::Setup::NoDevice)
            return ctx_.prompt.Notify("Couldn't Configure printer");
        if (!CreateEngine())
            return;
        const char* title = "Error on printing reports.";
        ReportPrinter::Names names = printer->PrinterNames();
        return Formatted(title, [&] {
            Check(engine_->Open(Text(SelectedPath()), Text(form_.SelectedFile()), Text("")), title);
            Check(engine_->SetPrinter(Text(names.driver), Text(names.device), Text(names.port)), title);
            Check(engine_->Print(), title);
        });
    }
    view_.BusyChanged(true);
    PrintTextReportFile(SelectedPath(), *printer, ctx_.prompt);
    view_.BusyChanged(false);
}

void CTabReports::GenerateFromData() {
    if (!formatted_.formatted || !CreateViewer())
        return;
    const char* title = "Error generating crystal reports.";
    Formatted(title, [&] {
        Check(viewer_->SetUUT(Text(form_.models.SelectedName()), form_.models.SelectedId()), title,
              "Unable to set UUT name and Id");
        Check(viewer_->Show(), title, "Unable to display reports viewer.");
    });
}

} // namespace corvid::operatortabs
