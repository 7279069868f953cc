#include "db_fixture.h"
#include "operatordb/test_filter.h"
#include "operatoroutput/text_report_files.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace corvid::operatoroutput {
namespace {

namespace fs = std::filesystem;

// The host's report stream: every message comes back to the detail file.
class HostStream : public ReportStream {
public:
    void SendReportMsg(const std::string& text) override {
        messages.push_back(text);
        if (files)
            files->WriteDetail(text);
    }
    CTextReportFiles* files = nullptr;
    std::vector<std::string> messages;
};

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Pad(const std::string& text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string EquipmentRow(const std::string& model, const std::string& serial, const std::string& description,
                         const std::string& trace, const std::string& last, const std::string& due) {
    return Pad(model, 12) + " " + Pad(serial, 12) + " " + Pad(description, 22) + " " + Pad(trace, 12) + " " +
           Pad(last, 12) + " " + Pad(due, 12) + "\n";
}

const std::string kRule(85, '_');
const std::string kMeasurementReport = std::string(30, ' ') + "Measurement Report\n\n";
const std::string kTitle = std::string(17, ' ') + "LM-4065 Digital Multimeter Calibration Report\n";

class TextReportFilesTest : public operatordb::testing::DemoTest {
protected:
    void SetUp() override {
        DemoTest::SetUp();
        fs::create_directories(output);
        fs::create_directories(planMain);
        files = std::make_unique<CTextReportFiles>(*db, stream, planMain.string() + "/");
        stream.files = files.get();

        std::tm start{};
        start.tm_year = 2024 - 1900;
        start.tm_mon = 5;
        start.tm_mday = 15;
        start.tm_hour = 14;
        start.tm_min = 30;
        start.tm_sec = 5;
        start.tm_isdst = -1;
        info.startTime = std::mktime(&start);
        info.Operator = "J. Smith";
        info.ServiceOrderNumber = "SO-1001";
        info.CustomerName = "Acme Labs";
        info.Station = "Demo Bench";
        info.TPA = "LM4065-CAL";
        info.TPV = "Full Calibration";
        info.Temperature = 23.5;
        info.Humidity = 45;
        info.LineFrequency = 60;
        info.SerialNumber = "LK4065-01123";
        info.UUT = "LM-4065";
        info.Options = "OPT-FRQ; OPT-REAR";
        info.outputDirectory = output.string();
        info.UUTModelID = operatordb::demo::kMultimeterModel;
        info.testPlanId = operatordb::demo::kTestPlan;
        info.stationId = operatordb::demo::kDemoBench;
        info.variantId = operatordb::demo::kFullVariant;
        info.UUTInstanceID = operatordb::demo::kUutInstance;
    }

    // Opens the files for the run as it stands and closes them with the given code.
    void Run(int overallCode, bool limited = false) {
        operatordb::RebuildTestFilter(*db, info.testPlanId, info.variantId, info.UUTModelID,
                                      info.UUTInstanceID);
        ASSERT_TRUE(files->Open(info, limited));
        files->Close(overallCode);
    }
    std::string Base() const { return (output / "LK4065-01123_061524_143005").string(); }
    // The equipment table of the last report's detail file.
    std::string EquipmentTable(const std::string& suffix) {
        std::string detail = Read(Base() + suffix + ".dtr");
        size_t from = detail.find("Test Station Name: ");
        from = detail.find("\n\n", from) + 2;
        return detail.substr(from, detail.find(".\\rptmacro\\pghdr") - from);
    }

    fs::path output = dir.path() / "Output" / "LM-4065";
    fs::path planMain = dir.path() / "TestPlan";
    HostStream stream;
    std::unique_ptr<CTextReportFiles> files;
    CTestInfo info;
};

std::string NumberBlock(const std::string& options) {
    return "Report Number:   SO-1001" + std::string(15, ' ') + "  Test Date:     15-Jun-24 at 14:30:05\n" +
           "Customer:        Acme Labs\n" + "Model Number:    LM-4065" + std::string(15, ' ') +
           "  Serial Number: LK4065-01123\n" + "Options:         " + options + "\n";
}

TEST_F(TextReportFilesTest, HeaderOfTheDemoRun) {
    std::ofstream(planMain / "sys_ReportHeaderInfo.txt", std::ios::binary) << "Corvid Cal Lab\r\nBench 3\n";
    info.GeneralNotes = "first line\r\nsecond line";
    Run(3);
    EXPECT_EQ(files->finalFiles(), (std::vector<std::string>{Base() + "_P.sum", Base() + "_P.dtr"}));

    const std::string block = NumberBlock("OPT-FRQ; OPT-REAR");
    EXPECT_EQ(Read(Base() + "_P.sum"), kMeasurementReport + kTitle + kRule + "\n\n" + block + "\n" + kRule +
                                           "\n" + "\n" + std::string(25, ' ') + "TEST RESULTS SUMMARY\n" +
                                           Pad("TEST NAME", 60) + "STATUS\n" + Pad("=========", 60) +
                                           "======\n\n");

    const std::string conditions = "Temperature:     " + Pad("23.5 DEG C", 22) +
                                   "  TestPlan Name: LM4065-CAL\n" + "Humidity:        " + Pad("45 %", 22) +
                                   "  Test Variant : Full Calibration\n" +
                                   "Line Frequency:  " + Pad("60 Hz", 22) + "  \n" +
                                   "Tested By:       " + Pad("J. Smith", 22) + "  \n\n";
    const std::string standards = std::string(26, ' ') + "Calibration Standards Used\n" +
                                  std::string(26, ' ') + "==========================\n\n";
    const std::string table =
        EquipmentRow("Model No.", "Serial No.", "Description", "Trace No.", "Last Cal", "Cal Due") +
        EquipmentRow("=========", "==========", "===========", "=========", "========", "=======") +
        EquipmentRow("VC-9100", "VC91-004417", "DC voltage and current source", "TR-5521-A", "25-Jun-23",
                     "25-Jun-24") +
        EquipmentRow("FC-3120", "OM3120-2291", "Frequency reference", "TR-3120-C", "15-Apr-22", "15-Apr-24");
    EXPECT_EQ(Read(Base() + "_P.dtr"), kMeasurementReport + "Corvid Cal Lab\nBench 3\n" + kTitle + kRule +
                                           "\n\n" + block + "\n" + conditions +
                                           "Notes:\nfirst line \nsecond line\n\n" + standards +
                                           "Test Station Name: Demo Bench\n\n" + table +
                                           ".\\rptmacro\\pghdr11\n" + kMeasurementReport + kTitle + kRule +
                                           "\n\n" + block + kRule + "\n\n" + ".\\rptmacro\\pgbreak\n");
    // One report message per line of the station's header file, and the table as one.
    EXPECT_EQ(stream.messages.at(1), "Corvid Cal Lab\n");
    EXPECT_EQ(stream.messages.at(2), "Bench 3\n");
    EXPECT_EQ(std::count(stream.messages.begin(), stream.messages.end(), table), 1);
}

TEST_F(TextReportFilesTest, MissingHeaderInfoFileIsCreatedEmpty) {
    Run(3);
    EXPECT_TRUE(fs::exists(planMain / "sys_ReportHeaderInfo.txt"));
    EXPECT_EQ(fs::file_size(planMain / "sys_ReportHeaderInfo.txt"), 0u);
    EXPECT_EQ(Read(Base() + "_P.dtr").find(kMeasurementReport + kTitle), 0u);
}

TEST_F(TextReportFilesTest, LongOptionsWrapAndRaiseThePageHeaderCount) {
    info.Options.clear();
    for (int i = 1; i <= 14; ++i)
        info.Options += (i > 1 ? "; " : "") + std::string("OPT-00") + (i < 10 ? "0" : "") + std::to_string(i);
    Run(3);
    const std::string indent(17, ' ');
    const std::string wrapped = "OPT-0001; OPT-0002; OPT-0003; OPT-0004; OPT-0005; OPT-0006;\n" + indent +
                                "OPT-0007; OPT-0008; OPT-0009; OPT-0010; OPT-0011; OPT-0012;\n" + indent +
                                "OPT-0013; OPT-0014";
    std::string detail = Read(Base() + "_P.dtr");
    EXPECT_NE(Read(Base() + "_P.sum").find(NumberBlock(wrapped) + "\n"), std::string::npos);
    EXPECT_NE(detail.find(".\\rptmacro\\pghdr13\n" + kMeasurementReport + kTitle + kRule + "\n\n" +
                          NumberBlock(wrapped) + kRule + "\n\n.\\rptmacro\\pgbreak\n"),
              std::string::npos);
}

TEST_F(TextReportFilesTest, TitleIsCentredWithAtLeastOneBlank) {
    const std::vector<std::pair<size_t, size_t>> lengthsAndBlanks = {{44, 18}, {79, 1}, {80, 1}, {95, 1}};
    for (auto [length, blanks] : lengthsAndBlanks) {
        std::string title(length, 'T');
        db->Execute("UPDATE __sys_TestPlans SET ReportTitle = :t WHERE TestPlanID = 1", {{"t", title}});
        Run(3);
        std::string summary = Read(Base() + "_P.sum");
        EXPECT_EQ(summary.substr(kMeasurementReport.size(), blanks + length + 1),
                  std::string(blanks, ' ') + title + "\n")
            << length;
    }
}

TEST_F(TextReportFilesTest, ResultSuffixesAndTheTraceFile) {
    const std::vector<std::pair<int, std::string>> codes = {
        {1, "_A"}, {2, "_F"}, {3, "_P"}, {4, ""}, {0, ""}};
    for (const auto& [code, suffix] : codes) {
        fs::remove_all(output);
        fs::create_directories(output);
        operatordb::RebuildTestFilter(*db, info.testPlanId, info.variantId, info.UUTModelID,
                                      info.UUTInstanceID);
        ASSERT_TRUE(files->Open(info, false));
        EXPECT_TRUE(files->IsOpen());
        bool traced = code == 2;
        if (traced) {
            EXPECT_TRUE(files->WriteTrace("instrument trace\n"));
        }
        files->Close(code);
        EXPECT_FALSE(files->IsOpen());
        std::vector<std::string> expected = {Base() + suffix + ".sum", Base() + suffix + ".dtr"};
        if (traced)
            expected.insert(expected.begin() + 1, Base() + suffix + ".log");
        EXPECT_EQ(files->finalFiles(), expected) << code;
        size_t left = std::distance(fs::directory_iterator(output), fs::directory_iterator());
        EXPECT_EQ(left, expected.size()) << code; // first names gone, no empty trace file
        if (traced) {
            EXPECT_EQ(Read(Base() + "_F.log"), "instrument trace\n");
        }
    }
}

TEST_F(TextReportFilesTest, TestIdsOfTheSelectionAndWritesOnlyWhileOpen) {
    EXPECT_FALSE(files->WriteSummary("before\n"));
    operatordb::RebuildTestFilter(*db, info.testPlanId, info.variantId, info.UUTModelID, info.UUTInstanceID);
    ASSERT_TRUE(files->Open(info, false));
    EXPECT_EQ(files->TestID("DC Voltage"), 2);
    EXPECT_EQ(files->TestID("Self Test"), 8);
    EXPECT_EQ(files->TestID("Zero Offset"), -1); // removed for units with rear inputs
    EXPECT_EQ(files->TestID("No Such Test"), -1);
    EXPECT_TRUE(files->WriteSummary(SummaryResultLine("DC Voltage", "PASSED")));
    files->Close(3);
    EXPECT_FALSE(files->WriteSummary("after\n"));
    std::string summary = Read(Base() + "_P.sum");
    EXPECT_EQ(summary.substr(summary.size() - 67), "DC VOLTAGE" + std::string(50, '.') + "PASSED\n");
}

TEST_F(TextReportFilesTest, PreviousFilesOfTheSameNameAreTruncated) {
    std::ofstream(Base() + ".sum", std::ios::binary) << std::string(20000, 'X');
    std::ofstream(Base() + ".log", std::ios::binary) << "stale trace of the previous run\n";
    Run(4);
    std::string summary = Read(Base() + ".sum");
    EXPECT_EQ(summary.find('X'), std::string::npos);
    EXPECT_EQ(summary.find(kMeasurementReport), 0u);
    EXPECT_FALSE(fs::exists(Base() + ".log")); // emptied by this run, which traced nothing
}

TEST_F(TextReportFilesTest, LimitedRunIsNoted) {
    Run(3, true);
    const std::string note = "Limited Calibration Performed!\n\n";
    EXPECT_NE(Read(Base() + "_P.sum").find(note), std::string::npos);
    EXPECT_NE(Read(Base() + "_P.dtr").find(note + std::string(26, ' ') + "Calibration Standards Used"),
              std::string::npos);
}

TEST_F(TextReportFilesTest, EquipmentWithoutCalibrationOrAssignment) {
    // A unit without rear inputs needs the input scanner, which has no calibration interval.
    info.UUTInstanceID = operatordb::demo::kOtherUutInstance;
    Run(3);
    EXPECT_NE(
        EquipmentTable("_P").find(EquipmentRow("MX-16", "HS16-0042", "Input switching", "", "N/A", "N/A")),
        std::string::npos);

    // The service bench has only a calibrator assigned: the other groups give no row.
    info.UUTInstanceID = operatordb::demo::kUutInstance;
    info.stationId = operatordb::demo::kServiceBench;
    Run(3);
    std::string table = EquipmentTable("_P");
    EXPECT_NE(table.find(EquipmentRow("VC-9200", "VC92-000318", "DC voltage and current source", "TR-9200-A",
                                      "15-Apr-23", "15-Apr-24")),
              std::string::npos);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 3);
}

TEST_F(TextReportFilesTest, AGroupThatCannotBeReadGivesTheErrorLine) {
    db->Execute("UPDATE DeviceInstances SET InterfaceType = 'not a number' WHERE InstanceID = 2");
    Run(3);
    std::string table = EquipmentTable("_P");
    EXPECT_NE(table.find("VC-9100"), std::string::npos);
    EXPECT_EQ(table.find("FC-3120"), std::string::npos);
    EXPECT_NE(table.find("Error Creating Equipment List !!!!!!\n"), std::string::npos);
}

TEST_F(TextReportFilesTest, AnUnwritableOutputDirectoryFailsTheOpen) {
    for (fs::path where : {output / "missing", planMain / "sys_ReportHeaderInfo.txt" / "below a file"}) {
        std::ofstream(planMain / "sys_ReportHeaderInfo.txt") << "";
        info.outputDirectory = where.string();
        EXPECT_FALSE(files->Open(info, false)) << where;
        EXPECT_FALSE(files->IsOpen());
        EXPECT_FALSE(files->WriteSummary("text\n"));
        EXPECT_FALSE(files->WriteDetail("text\n"));
        files->Close(3);
        EXPECT_TRUE(files->finalFiles().empty());
    }
    EXPECT_TRUE(stream.messages.empty());
}

TEST(TextReportFilesDatabase, ADatabaseErrorFailsTheOpenAndLeavesNoFiles) {
    testing::TempDir dir;
    operatordb::Database db(dir.path() / "empty.db", operatordb::FileMode::CreateIfMissing);
    HostStream stream;
    CTextReportFiles files(db, stream, dir.path().string() + "/");
    stream.files = &files;
    CTestInfo info;
    info.outputDirectory = dir.path().string();
    EXPECT_FALSE(files.Open(info, false));
    EXPECT_FALSE(files.IsOpen());
    files.Close(3);
    EXPECT_TRUE(files.finalFiles().empty());
    // Only the database and its write-ahead log files.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path().filename().string().starts_with("empty.db")) << entry.path();
}

} // namespace
} // namespace corvid::operatoroutput
