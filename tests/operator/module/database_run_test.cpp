// A run of a model with formatted reports: the Run page's checks, the host's callbacks
// storing the run in the results database, and the reports exported at its end.
#include "halcyon/pubapi.h"
#include "operatoroutput/results_schema.h"
#include "operatortabs/tab_run.h"
#include "station_fixture.h"

#include <cstdio>

namespace corvid::operatormodule::testing {
namespace {

using operatortabs::CTabRun;
using operatortabs::StartOutcome;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class NoView final : public operatortabs::RunTabView {};

std::string PdfText(const std::filesystem::path& pdf) {
    std::string text;
    if (FILE* pipe = ::popen(("pdftotext -layout '" + pdf.string() + "' - 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

class DatabaseRun : public StationTest {
protected:
    void SetUp() override {
        StationTest::SetUp();
        results = base / "Database" / "Results.mdb";
        RegisterModule(ACCESSDM_MODULE);
        RegisterModule(REPORTENGINE_MODULE);
        std::filesystem::create_directories(base / "Reports");
        for (const char* name : {"lm4065_detail.rpt", "lm4065_summary.rpt", "lm4065_trace.rpt"})
            std::filesystem::copy_file(std::filesystem::path(DEMO_REPORTS_DIR) / name,
                                       base / "Reports" / name);
        operatordb::Database db(results, operatordb::FileMode::CreateIfMissing);
        operatoroutput::CreateResultsSchema(db);
    }

    void Configure(const std::string& summaryTemplate = "lm4065_summary.rpt") {
        const std::string key = "LM-4065_LM4065-CAL_Performance Check";
        std::ofstream(sandbox.home() / "vela.ini", std::ios::app)
            << "[VELA PROJECTS]\nLM-4065_SupportsCrystalReports=Yes\nLM-4065_CrystalReportsDataSource="
            << results.string() << "\nLM-4065_CrystalReportsDir=" << (base / "Reports").string() << "\n"
            << key << "=lm4065_detail.rpt\n"
            << key << "_Summary=" << summaryTemplate << "\n"
            << key << "_Trace=lm4065_trace.rpt\n";
    }

    CTabRun& Page() {
        WriteLastRun("Performance Check", "Ann");
        COperatorInterfaceApp& app = StartApp();
        context = std::make_unique<operatortabs::ModuleContext>(app.Context(prompt));
        tab = std::make_unique<CTabRun>(*context, view);
        app.SetRunPages(tab.get(), nullptr);
        tab->Initialize();
        return *tab;
    }

    int64_t Count(const std::string& sql) {
        operatordb::Database db(results);
        return db.OpenRecordset(sql).GetValue(0).AsInteger();
    }

    std::filesystem::path results;
    NoView view;
    std::unique_ptr<operatortabs::ModuleContext> context;
    std::unique_ptr<CTabRun> tab;
};

TEST_F(DatabaseRun, StoresTheRunAndExportsItsThreeReports) {
    Configure();
    CTabRun& page = Page();
    ASSERT_TRUE(context->window.databaseOutput) << ::testing::PrintToString(prompt.boxes);
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Ran);
    EXPECT_THAT(prompt.boxes, IsEmpty());
    EXPECT_EQ(Count("SELECT count(*) FROM __sys_tblUniqueIds"), 1);
    EXPECT_EQ(Count("SELECT OverAllResult FROM __sys_tblTestingDetails"), 3);
    EXPECT_EQ(Count("SELECT count(*) FROM __sys_tblTests WHERE Result = 3"), 3);
    EXPECT_GT(Count("SELECT count(*) FROM __sys_tblEquipInfo"), 0);

    std::vector<std::string> names;
    std::filesystem::path detail;
    for (const auto& file : OutputFiles()) {
        std::string name = file.filename().string();
        names.push_back(name.substr(name.find('_', name.find('_') + 1) + 1)); // after serial and date
        if (name.find("_Detail_") != std::string::npos)
            detail = file;
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 3u);
    for (const std::string& name : names)
        EXPECT_THAT(name, ::testing::MatchesRegex("[0-9]+_(Detail|Summary|Trace)_P\\.rpt"));
    std::string text = PdfText(detail);
    EXPECT_THAT(text, HasSubstr("Measurement Report"));
    EXPECT_THAT(text, HasSubstr("DC Voltage"));
    EXPECT_THAT(text, HasSubstr("PASSED"));
}

TEST_F(DatabaseRun, AMissingTemplateBlocksTheRun) {
    Configure("no_such_summary.rpt");
    CTabRun& page = Page();
    EXPECT_NE(page.StartTestPlan(), StartOutcome::Ran);
    EXPECT_THAT(prompt.boxes,
                ElementsAre("Corvid Technologies Halcyon|" + (base / "Reports").string() +
                            "/no_such_summary.rpt summary report does not exist in the specified  "
                            "location. Check your system.\n\nSummary report will not be generated"));
    EXPECT_EQ(Count("SELECT count(*) FROM __sys_tblUniqueIds"), 0);
}

TEST_F(DatabaseRun, AResultsDatabaseGoneBeforeTheRunWarnsAndTheRunGoesOn) {
    Configure();
    CTabRun& page = Page();
    std::filesystem::remove(results);
    EXPECT_EQ(page.StartTestPlan(), StartOutcome::Ran);
    ASSERT_GE(prompt.boxes.size(), 2u);
    EXPECT_THAT(prompt.boxes[0],
                HasSubstr("Access data manager errors|Access data manager errors, Details:\n"));
    EXPECT_THAT(prompt.boxes[1], HasSubstr("Failed to initialize results database.|Error has occured while "
                                           "initializing results database.\n"));
    EXPECT_EQ(page.display().lastResult, "UUT Passed");
    EXPECT_FALSE(std::filesystem::exists(results));
}

} // namespace
} // namespace corvid::operatormodule::testing
