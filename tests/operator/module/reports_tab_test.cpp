// The Test Reports page on a sandboxed station: the serial numbers and file patterns of a
// model's report directory, the calibration data rule, View, Delete and Print of text
// reports, and files that vanish between listing and use.
#include "com/bstr.h"
#include "com/error_info.h"
#include "operatortabs/tab_reports.h"
#include "station_fixture.h"

namespace corvid::operatormodule::testing {
namespace {

using operatortabs::CTabReports;
using operatortabs::ReportKind;
using operatortabs::ReportResult;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Names = std::vector<std::string>;

constexpr const char* kCaption = "Corvid Technologies Halcyon|";

// Counts the pages a report prints on; Prepare answers as told.
class CountingPrinter final : public operatortabs::ReportPrinter {
public:
    explicit CountingPrinter(Setup setup, int* pages) : setup_(setup), pages_(pages) {}
    Setup Prepare() override { return setup_; }
    int PageHeight() const override { return 1440 + 10 * 240; }
    int LineHeight() const override { return 240; }
    bool StartDocument(const std::string&) override { return true; }
    bool StartPage() override { return ++*pages_ > 0; }
    bool DrawLine(int, int, const std::string&) override { return true; }
    bool EndPage() override { return true; }
    bool EndDocument() override { return true; }
    void AbortDocument() override {}

private:
    Setup setup_;
    int* pages_;
};

class Viewer final : public operatortabs::ReportsTabView {
public:
    void ShowText(const std::string& title, const std::string& text) override { shown = title + "|" + text; }
    std::unique_ptr<operatortabs::ReportPrinter> ChoosePrinter() override {
        if (cancel)
            return nullptr;
        return std::make_unique<CountingPrinter>(setup, &pages);
    }
    std::string shown;
    bool cancel = false;
    operatortabs::ReportPrinter::Setup setup = operatortabs::ReportPrinter::Setup::Ready;
    int pages = 0;
};

// The report components of a station with formatted reports, as far as the page uses
// them: each call is noted; a member named in failing fails with a description.
template <class Itf>
struct FakeComponent : Itf {
    com::HRESULT QueryInterface(const com::IID&, void** object) override {
        *object = this;
        AddRef();
        return com::S_OK;
    }
    com::ULONG AddRef() override { return ++references; }
    com::ULONG Release() override { return --references; }
    com::HRESULT Note(const std::string& call) {
        calls.push_back(call);
        if (call.rfind(failing, 0) != 0 || failing.empty())
            return com::S_OK;
        return com::ReportError(com::E_FAIL, Itf::iid, "fake", "no window here");
    }
    static std::string Text(com::BSTR text) { return com::Utf8FromBstr(text); }
    com::ULONG references = 0;
    std::vector<std::string> calls;
    std::string failing;
};

struct FakeEngine final : FakeComponent<operatoroutput::IReportEngine> {
    com::HRESULT Open(com::BSTR path, com::BSTR title, com::BSTR db) override {
        return Note("Open " + Text(path) + "|" + Text(title) + "|" + Text(db));
    }
    com::HRESULT SetParameter(com::BSTR, com::BSTR) override { return Note("SetParameter"); }
    com::HRESULT Preview() override { return Note("Preview"); }
    com::HRESULT Export(com::BSTR) override { return Note("Export"); }
    com::HRESULT Print() override { return Note("Print"); }
    com::HRESULT Initialize() override { return Note("Initialize"); }
    com::HRESULT Close() override { return Note("Close"); }
    com::HRESULT SetPrinter(com::BSTR driver, com::BSTR device, com::BSTR port) override {
        return Note("SetPrinter " + Text(driver) + "|" + Text(device) + "|" + Text(port));
    }
};

struct FakeViewer final : FakeComponent<operatoroutput::IReportViewer> {
    com::HRESULT SetUUT(com::BSTR model, com::LONG id) override {
        return Note("SetUUT " + Text(model) + " " + std::to_string(id));
    }
    com::HRESULT SetDatabaseName(com::BSTR path) override { return Note("SetDatabaseName " + Text(path)); }
    com::HRESULT Show() override { return Note("Show"); }
    com::HRESULT SetReportsDirectory(com::BSTR path) override {
        return Note("SetReportsDirectory " + Text(path));
    }
};

class ReportsTab : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        directory = base / "Output" / "LM-4065";
        std::filesystem::create_directories(directory);
        for (const char* name : {"LK4065-01123_010226_101010_P.sum", "LK4065-01123_010226_101010_P.dtr",
                                 "LK4065-01123_010226_101010_P.log", "LK4065-01123_010326_090000_F.sum",
                                 "LK4065-01123_010326_090000_F.dtr", "LK4065_010126_080000_A.sum",
                                 "Cal_Data_LK4065-01123.txt", "ZX9_010426_070000.sum", "notes"})
            std::ofstream(directory / name) << "Line one\n.\\rptmacro\\pgbreak\nLine\ttwo\n";
    }
    CTabReports& Page(operatortabs::ComponentFactory create = {}) {
        WriteLastRun();
        COperatorInterfaceApp& app = StartApp();
        context = std::make_unique<operatortabs::ModuleContext>(app.Context(prompt));
        app.testInfo().UUT = "LM-4065";
        app.testInfo().SerialNumber = "LK4065-01123";
        tab = std::make_unique<CTabReports>(*context, view, std::move(create));
        tab->Initialize();
        return *tab;
    }

    std::filesystem::path directory;
    Viewer view;
    std::unique_ptr<operatortabs::ModuleContext> context;
    std::unique_ptr<CTabReports> tab;
};

TEST_F(ReportsTab, SerialNumbersLeaveOutCalibrationDataAndTextsThatBeginAnEntry) {
    EXPECT_EQ(operatortabs::ReportSerials(directory.string(), false),
              Names({"LK4065-01123", "ZX9", " --ALL--"}));
    EXPECT_EQ(operatortabs::ReportSerials((base / "Output").string(), false), Names({" --ALL--"}));
}

TEST_F(ReportsTab, TheFileListFollowsSerialKindAndResult) {
    CTabReports& page = Page();
    const auto& form = page.form();
    EXPECT_EQ(form.models.SelectedName(), "LM-4065");
    EXPECT_EQ(form.serials.at(static_cast<size_t>(form.selectedSerial)), "LK4065-01123");
    // All kinds: summaries, then trace logs, then details.
    EXPECT_EQ(form.files, Names({"LK4065-01123_010226_101010_P.sum", "LK4065-01123_010326_090000_F.sum",
                                 "LK4065-01123_010226_101010_P.log", "LK4065-01123_010226_101010_P.dtr",
                                 "LK4065-01123_010326_090000_F.dtr"}));
    EXPECT_EQ(form.selectedFile, 0);
    page.SetResult(ReportResult::Failed);
    EXPECT_EQ(form.files, Names({"LK4065-01123_010326_090000_F.sum", "LK4065-01123_010326_090000_F.dtr"}));
    page.SetKind(ReportKind::Detail);
    EXPECT_EQ(form.files, Names({"LK4065-01123_010326_090000_F.dtr"}));
    page.SetResult(ReportResult::Aborted);
    EXPECT_THAT(form.files, IsEmpty());
    EXPECT_FALSE(form.fileActionsEnabled());
    page.SetKind(ReportKind::Summary);
    page.SelectSerial(2); // --ALL--
    EXPECT_EQ(form.files, Names({"LK4065_010126_080000_A.sum"}));
    page.SetResult(ReportResult::All);
    EXPECT_EQ(form.files.size(), 4u);
    EXPECT_FALSE(page.formatted());
    EXPECT_FALSE(form.generateEnabled);
}

TEST_F(ReportsTab, AModelWithoutReportsShowsOnlyAll) {
    CTabReports& page = Page();
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    context->window.reportsListStale = true;
    page.OnShow();
    EXPECT_EQ(page.form().serials, Names({" --ALL--"}));
    EXPECT_THAT(page.form().files, IsEmpty());
    EXPECT_FALSE(page.form().fileActionsEnabled());
    EXPECT_FALSE(context->window.reportsListStale);
}

TEST_F(ReportsTab, ViewShowsTheTextWithMacroLinesBlank) {
    CTabReports& page = Page();
    page.SelectFile(3);
    page.ViewReport();
    EXPECT_EQ(view.shown, "LK4065-01123_010226_101010_P.dtr|Line one\r\n\r\nLine\ttwo\r\n");
    std::filesystem::remove(directory / "LK4065-01123_010226_101010_P.dtr");
    page.ViewReport();
    ASSERT_EQ(prompt.boxes.size(), 1u);
    EXPECT_THAT(prompt.boxes[0], ::testing::HasSubstr("Unable to open report "));
}

TEST_F(ReportsTab, DeleteAsksAndTheItemLeavesTheListEvenWhenTheFileVanished) {
    CTabReports& page = Page();
    page.DeleteReport(); // answered No
    EXPECT_TRUE(std::filesystem::exists(directory / "LK4065-01123_010226_101010_P.sum"));
    prompt.answer = platform::MsgAnswer::Yes;
    page.DeleteReport();
    EXPECT_FALSE(std::filesystem::exists(directory / "LK4065-01123_010226_101010_P.sum"));
    EXPECT_EQ(page.form().files.size(), 4u);
    EXPECT_FALSE(page.form().fileActionsEnabled());
    page.DeleteReport();
    page.SelectFile(0);
    std::filesystem::remove(directory / page.form().files[0]);
    page.DeleteReport();
    std::string path = (directory / "LK4065-01123_010326_090000_F.sum").string();
    EXPECT_THAT(prompt.boxes, ElementsAre(std::string(kCaption) + "Are you sure you want to delete report?",
                                          std::string(kCaption) + "Are you sure you want to delete report?",
                                          std::string(kCaption) + "No reports selected",
                                          std::string(kCaption) + "Are you sure you want to delete report?",
                                          std::string(kCaption) + "File " + path + " cannot be removed\n"));
    EXPECT_EQ(page.form().files.size(), 3u);
}

TEST_F(ReportsTab, PrintGoesThroughThePrinterChosenWithItsMessages) {
    CTabReports& page = Page();
    page.SelectFile(3);
    page.PrintReport();
    EXPECT_EQ(view.pages, 2); // the page break
    view.cancel = true;
    page.PrintReport();
    view.cancel = false;
    view.setup = operatortabs::ReportPrinter::Setup::NoDevice;
    page.PrintReport();
    view.setup = operatortabs::ReportPrinter::Setup::NoFont;
    page.PrintReport();
    view.setup = operatortabs::ReportPrinter::Setup::Ready;
    std::filesystem::remove(directory / "LK4065-01123_010226_101010_P.dtr");
    page.PrintReport();
    EXPECT_THAT(prompt.boxes,
                ElementsAre(std::string(kCaption) + "Couldn't Configure printer",
                            std::string(kCaption) + "Couldn't Create Courier New Font for Printing",
                            std::string(kCaption) + "Unable to open report"));
}

TEST_F(ReportsTab, FormattedReportsGoThroughTheReportEngineAndViewer) {
    std::string results = (base / "Database" / "Results.mdb").string(),
                templates = (base / "Reports").string();
    std::ofstream(results).put('\0');
    std::filesystem::create_directories(templates);
    std::ofstream(sandbox.home() / "vela.ini", std::ios::app)
        << "[VELA PROJECTS]\nLM-4065_SupportsCrystalReports=Yes\nLM-4065_CrystalReportsDataSource=" << results
        << "\nLM-4065_CrystalReportsDir=" << templates << "\n";
    for (const char* kind : {"Detail", "Summary", "Trace"})
        std::ofstream(directory / ("LK4065-01123_010226_101010_" + std::string(kind) + "_P.rpt")) << "%PDF";
    FakeEngine engine;
    FakeViewer viewer;
    CTabReports& page = Page([&](const com::CLSID& clsid, const com::IID&, void** object) {
        *object = clsid == operatoroutput::CLSID_ReportEngine ? static_cast<void*>(&engine)
                                                              : static_cast<void*>(&viewer);
        static_cast<com::IUnknown*>(*object)->AddRef();
        return com::S_OK;
    });
    EXPECT_TRUE(page.formatted());
    EXPECT_TRUE(page.form().generateEnabled);
    EXPECT_EQ(page.form().files,
              Names({"LK4065-01123_010226_101010_Summary_P.rpt", "LK4065-01123_010226_101010_Trace_P.rpt",
                     "LK4065-01123_010226_101010_Detail_P.rpt"}));
    page.SelectFile(2);
    page.ViewReport();
    page.PrintReport();
    page.GenerateFromData();
    std::string detail = (directory / "LK4065-01123_010226_101010_Detail_P.rpt").string();
    EXPECT_THAT(engine.calls,
                ElementsAre("Initialize", "Open " + detail + "|LK4065-01123_010226_101010_Detail_P.rpt|",
                            "Preview", "Open " + detail + "|LK4065-01123_010226_101010_Detail_P.rpt|",
                            "SetPrinter ||", "Print"));
    EXPECT_THAT(viewer.calls, ElementsAre("SetDatabaseName " + results, "SetReportsDirectory " + templates,
                                          "SetUUT LM-4065 2", "Show"));
    engine.failing = "Preview";
    page.ViewReport();
    viewer.failing = "Show";
    page.GenerateFromData();
    EXPECT_THAT(prompt.boxes,
                ElementsAre("Error on viewing reports.|Error on viewing reports., Details:\nno window here",
                            "Error generating crystal reports.|Error generating crystal reports., "
                            "Details:\nUnable to display reports viewer."));
    tab.reset();
    EXPECT_EQ(engine.references, 0u);
    EXPECT_EQ(viewer.references, 0u);
    prompt.boxes.clear();
    tab = std::make_unique<CTabReports>(
        *context, view, [](const com::CLSID&, const com::IID&, void**) { return com::E_FAIL; });
    tab->Initialize();
    EXPECT_THAT(prompt.boxes, ElementsAre("Component creation error:|Component creation error:, Details:\n"
                                          "Unable to create Crystal reports viewer object"));
}

} // namespace
} // namespace corvid::operatormodule::testing
