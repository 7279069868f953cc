// The report engine and viewer, registered with regsvr and created by class identifier:
// PDF export read back with pdftotext, exported reports opened again, printing into a
// PDF file, the preview and viewer windows.
#include "com/bstr.h"
#include "com/creation.h"
#include "com/error_info.h"
#include "operatordb/database.h"
#include "operatoroutput/report_engine.h"
#include "operatoroutput/report_viewer.h"
#include "operatoroutput/results_schema.h"
#include "testsupport/qt_application.h"
#include "testsupport/sandbox.h"

#include <QComboBox>
#include <QListWidget>
#include <QTextBrowser>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

namespace corvid::reportengine {
namespace {

using namespace corvid::com;
using operatoroutput::IReportEngine;
using operatoroutput::IReportViewer;

std::string PdfText(const std::filesystem::path& pdf) {
    std::string command = "pdftotext -layout '" + pdf.string() + "' - 2>&1";
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

class ReportComponents : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        corvid::testing::Application();
        auto regsvr = corvid::testing::ChildProcess::Spawn({REGSVR_PROGRAM, REPORTENGINE_MODULE});
        ASSERT_EQ(regsvr.Wait(), 0);
        operatordb::Database db(results, operatordb::FileMode::CreateIfMissing);
        operatoroutput::CreateResultsSchema(db);
        db.ExecuteNative("INSERT INTO __sys_tblUniqueIds VALUES ('SN1_061524_143005', 2, 'SN1'), "
                         "('SN2_061624_090000', 2, 'SN2');"
                         "INSERT INTO __sys_tblTestingDetails (UniqueID, TestDate, UUTModel, OverAllResult, "
                         "LimitedCalibration)"
                         " VALUES ('SN1_061524_143005', '2024-06-15 14:30:05', 'LM-4065', 3, 1),"
                         " ('SN2_061624_090000', '2024-06-16 09:00:00', 'LM-4065', 2, 0);"
                         "INSERT INTO __sys_tblTests VALUES ('SN1_061524_143005', 1, 'DC Voltage', 3),"
                         " ('SN2_061624_090000', 1, 'Frequency', 2);");
        std::ofstream(dir / "detail.rpt") << "title \"Calibration Detail\"\n"
                                             "field \"Overall Result\" OverAllResult result\n"
                                             "flag LimitedCalibration \"Limited Calibration Performed!\"\n"
                                             "table \"Test Results\" __sys_tblTests order TestID\n"
                                             "column \"Test\" Name\ncolumn \"Result\" Result result\n";
        ASSERT_EQ(
            CreateInstance(operatoroutput::CLSID_ReportEngine, nullptr, IReportEngine::iid, engine.OutVoid()),
            S_OK);
        ASSERT_EQ(engine->Initialize(), S_OK);
    }

    static std::string Error() {
        auto details = TakeErrorDetails();
        return details ? details->description : "";
    }

    HRESULT OpenRun(const std::string& templateName, const std::string& id) {
        HRESULT hr = engine->Open(Bstr((dir / templateName).string()).get(), Bstr("Run Report").get(),
                                  Bstr(results.string()).get());
        if (SUCCEEDED(hr))
            hr = engine->SetParameter(Bstr("UniqueID").get(), Bstr(id).get());
        return hr;
    }

    std::filesystem::path dir = sandbox.home();
    std::filesystem::path results = dir / "Results.db";
    ComPtr<IReportEngine> engine;
};

TEST_F(ReportComponents, ExportsAPdfThatOpensAgainForPrinting) {
    ASSERT_EQ(OpenRun("detail.rpt", "SN1_061524_143005"), S_OK) << Error();
    auto exported = dir / "SN1_061524_143005_Detail_P.rpt";
    ASSERT_EQ(engine->Export(Bstr(exported.string()).get()), S_OK) << Error();
    ASSERT_EQ(engine->Close(), S_OK);
    std::string text = PdfText(exported);
    EXPECT_NE(text.find("Calibration Detail"), std::string::npos) << text;
    EXPECT_NE(text.find("Limited Calibration Performed!"), std::string::npos) << text;
    EXPECT_NE(text.find("DC Voltage"), std::string::npos) << text;
    EXPECT_EQ(text.find("Frequency"), std::string::npos) << text; // another run's test

    // The exported report, opened without a database, prints into a PDF file.
    ASSERT_EQ(
        engine->Open(Bstr(exported.string()).get(), Bstr(exported.filename().string()).get(), Bstr("").get()),
        S_OK)
        << Error();
    auto printed = dir / "printed.pdf";
    ASSERT_EQ(engine->SetPrinter(Bstr("").get(), Bstr("").get(), Bstr(printed.string()).get()), S_OK);
    ASSERT_EQ(engine->Print(), S_OK) << Error();
    EXPECT_NE(PdfText(printed).find("DC Voltage"), std::string::npos);

    ASSERT_EQ(engine->Preview(), S_OK) << Error();
    QWidget* preview = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "ReportPreview")
            preview = widget;
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle().toStdString(), exported.filename().string());
    EXPECT_TRUE(preview->findChild<QTextBrowser*>()->toPlainText().contains("DC Voltage"));
    preview->close();
}

TEST_F(ReportComponents, ALongTableContinuesOnPagesThatRepeatItsHeadingRow) {
    std::string rows = "BEGIN;";
    for (int i = 2; i <= 150; ++i)
        rows += "INSERT INTO __sys_tblTests VALUES ('SN1_061524_143005', " + std::to_string(i) + ", 'Point " +
                std::to_string(i) + "', 3);";
    operatordb::Database(results).ExecuteNative(rows + "COMMIT;");
    ASSERT_EQ(OpenRun("detail.rpt", "SN1_061524_143005"), S_OK) << Error();
    auto exported = dir / "long.rpt";
    ASSERT_EQ(engine->Export(Bstr(exported.string()).get()), S_OK) << Error();
    std::string text = PdfText(exported);
    size_t secondPage = text.find('\f');
    ASSERT_NE(secondPage, std::string::npos) << text;
    std::string second = text.substr(secondPage, text.find('\f', secondPage + 1) - secondPage);
    EXPECT_NE(second.find("Test "), std::string::npos) << second; // the heading row again
    EXPECT_NE(second.find("Result"), std::string::npos) << second;
    EXPECT_NE(second.find("Page 2"), std::string::npos) << second;
    EXPECT_NE(text.find("Point 150"), std::string::npos);
}

TEST_F(ReportComponents, WhatCannotBeRenderedIsRefusedWithItsReason) {
    std::ofstream(dir / "broken.rpt") << "title \"x\"\n\nfield Result OverAllResult\n";
    EXPECT_TRUE(FAILED(OpenRun("broken.rpt", "SN1_061524_143005")));
    EXPECT_EQ(Error(), (dir / "broken.rpt").string() +
                           ":3: expected the field's label in double quotes, not 'Result'");
    EXPECT_TRUE(FAILED(engine->Open(Bstr((dir / "detail.rpt").string()).get(), Bstr("t").get(),
                                    Bstr((dir / "missing.db").string()).get())));
    EXPECT_TRUE(
        FAILED(engine->Open(Bstr((dir / "detail.rpt").string()).get(), Bstr("t").get(), Bstr("").get())));
    EXPECT_NE(Error().find("is not a report exported by this report engine"), std::string::npos);
    ASSERT_EQ(OpenRun("detail.rpt", "SN1_061524_143005"), S_OK);
    EXPECT_TRUE(FAILED(engine->Export(Bstr((dir / "no" / "such" / "dir.rpt").string()).get())));
    EXPECT_NE(Error().find("cannot be written"), std::string::npos);
}

TEST_F(ReportComponents, TheViewerListsTheModelsRunsAndRendersTheSelectedOne) {
    ComPtr<IReportViewer> viewer;
    ASSERT_EQ(
        CreateInstance(operatoroutput::CLSID_ReportViewer, nullptr, IReportViewer::iid, viewer.OutVoid()),
        S_OK);
    ASSERT_EQ(viewer->SetUUT(Bstr("LM-4065").get(), 2), S_OK);
    ASSERT_EQ(viewer->SetDatabaseName(Bstr(results.string()).get()), S_OK);
    ASSERT_EQ(viewer->SetReportsDirectory(Bstr(dir.string()).get()), S_OK);
    ASSERT_EQ(viewer->Show(), S_OK) << Error();
    QWidget* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "ReportViewer")
            window = widget;
    ASSERT_NE(window, nullptr);
    auto* runs = window->findChild<QListWidget*>();
    ASSERT_EQ(runs->count(), 2); // newest first
    EXPECT_TRUE(runs->item(0)->text().startsWith("SN2  2024-06-16 09:00:00  FAILED"));
    EXPECT_TRUE(runs->item(1)->text().startsWith("SN1"));
    window->findChild<QComboBox*>()->setCurrentText("detail.rpt");
    auto* report = window->findChild<QTextBrowser*>();
    EXPECT_TRUE(report->toPlainText().contains("Frequency"));
    runs->setCurrentRow(1);
    EXPECT_TRUE(report->toPlainText().contains("DC Voltage"));
    window->close();
}

} // namespace
} // namespace corvid::reportengine
