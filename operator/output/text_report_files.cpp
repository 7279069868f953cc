#include "operatoroutput/text_report_files.h"

#include "operatordb/bindings_plans.h"
#include "operatordb/lookups.h"
#include "operatoroutput/run_names.h"
#include "report_header.h"
#include "text_format.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace corvid::operatoroutput {

namespace fs = std::filesystem;

CTextReportFiles::CTextReportFiles(operatordb::Database& db, ReportStream& stream, std::string testPlanMain)
    : db_(db), stream_(stream), testPlanMain_(std::move(testPlanMain)) {}

bool CTextReportFiles::Open(const CTestInfo& info, bool limited) {
    if (open_)
        Close(1); // the previous run never ended
    finalFiles_.clear();
    testIds_.clear();
    try {
        if (!OpenFiles(info))
            return false;
        open_ = true;
        LoadTestIds(info);
        WriteHeader(info, limited);
        return true;
    } catch (const std::exception&) {
        DiscardFiles();
        return false;
    }
}

bool CTextReportFiles::OpenFiles(const CTestInfo& info) {
    const std::string base =
        info.outputDirectory + "/" + FileNamePart(info.SerialNumber) + "_" + RunStamp(info.startTime);
    summary_.path = base + ".sum";
    trace_.path = base + ".log";
    detail_.path = base + ".dtr";
    for (File* file : {&summary_, &trace_, &detail_}) {
        // A previous run's file of the same name is emptied: writing over it from its
        // start would leave its longer tail behind the new report.
        file->stream.open(file->path, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!file->stream.is_open()) {
            DiscardFiles();
            return false;
        }
    }
    return true;
}

// Closes and removes what a failed Open left: no half report stays behind.
void CTextReportFiles::DiscardFiles() {
    for (File* file : {&summary_, &trace_, &detail_}) {
        if (file->stream.is_open()) {
            file->stream.close();
            std::error_code error;
            fs::remove(file->path, error);
        }
        file->stream.clear();
    }
    open_ = false;
}

void CTextReportFiles::LoadTestIds(const CTestInfo& info) {
    operatordb::DB_Tests tests(db_);
    tests.param.TestPlanID = info.testPlanId;
    tests.param.TestPlanVariantID = info.variantId;
    tests.param.UUTInstanceID = info.UUTInstanceID;
    tests.Open(operatordb::OpenMode::ReadOnly);
    for (; !tests.IsEOF(); tests.MoveNext())
        testIds_[tests.Name] = tests.TestID;
}

void CTextReportFiles::WriteHeader(const CTestInfo& info, bool limited) {
    auto both = [this](const std::string& text) {
        WriteSummary(text);
        SendReport(text);
    };
    both(MeasurementReportLine());
    SendReportHeaderInfo();
    const std::string title = operatordb::TestPlanReportTitle(db_, info.testPlanId);
    both(CentredTitle(title));
    both(kReportRule + "\n\n");
    const std::string numberBlock = ReportNumberBlock(info);
    SendReport(numberBlock);
    WriteSummary(numberBlock);
    WriteSummary(kReportRule + "\n");
    WriteSummary(Format("\n%-25s%s\n", " ", "TEST RESULTS SUMMARY"));
    WriteSummary(Format("%-60s%s\n%-60s%s\n\n", "TEST NAME", "STATUS", "=========", "======"));
    SendReport(ConditionsBlock(info));
    if (!info.GeneralNotes.empty())
        SendReport(Format("Notes:\n%s\n\n", WrapText(info.GeneralNotes, "", 60, 80, "").c_str()));
    if (limited)
        both("Limited Calibration Performed!\n\n");
    SendReport(
        Format("%-26s%s\n%-26s%s\n\n", " ", "Calibration Standards Used", " ", "=========================="));
    SendReport(Format("Test Station Name: %s\n\n", info.Station.c_str()));
    SendReport(EquipmentTable(db_, info));
    SendReport(Format(".\\rptmacro\\pghdr%d\n", PageHeaderLineCount(info)));
    SendReport(PageHeader(title, info));
    SendReport(".\\rptmacro\\pgbreak\n");
}

// The lines of the station's own header file, one message each. The host hands report
// messages on as they are, so each line carries its line end ("\n" whatever the file
// had) to stay a line of its own in the detail report.
void CTextReportFiles::SendReportHeaderInfo() {
    const std::string path = testPlanMain_ + "sys_ReportHeaderInfo.txt";
    std::error_code error;
    if (fs::is_directory(path, error))
        return;
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        std::ofstream create(path, std::ios::out | std::ios::app); // an empty one to fill in
        return;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        SendReport(line + "\n");
    }
}

int32_t CTextReportFiles::TestID(const std::string& name) const {
    auto found = testIds_.find(name);
    return found == testIds_.end() ? -1 : found->second;
}

bool CTextReportFiles::Write(File& file, const std::string& text) {
    if (!open_ || !file.stream.is_open())
        return false;
    file.stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.stream.fail()) {
        file.stream.clear(); // the next write tries again
        return false;
    }
    return true;
}

bool CTextReportFiles::WriteSummary(const std::string& text) {
    return Write(summary_, text);
}
bool CTextReportFiles::WriteTrace(const std::string& text) {
    return Write(trace_, text);
}
bool CTextReportFiles::WriteDetail(const std::string& text) {
    return Write(detail_, text);
}

void CTextReportFiles::Flush() {
    if (!open_)
        return;
    for (File* file : {&detail_, &trace_, &summary_}) {
        file->stream.flush();
        file->stream.clear();
    }
}

std::string CTextReportFiles::FinalName(const std::string& path, int overallCode) const {
    size_t dot = path.rfind('.');
    size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ResultSuffix(overallCode);
    return path.substr(0, dot) + ResultSuffix(overallCode) + path.substr(dot);
}

void CTextReportFiles::Close(int overallCode) {
    finalFiles_.clear();
    if (!open_)
        return;
    Flush();
    for (File* file : {&detail_, &trace_, &summary_}) {
        file->stream.close();
        file->stream.clear();
    }
    open_ = false;

    std::error_code error;
    const bool traceEmpty = fs::file_size(trace_.path, error) == 0 || error;
    for (File* file : {&summary_, &trace_, &detail_}) {
        if (!fs::exists(file->path, error))
            continue;
        if (file == &trace_ && traceEmpty) {
            fs::remove(file->path, error);
            continue;
        }
        std::string finalPath = FinalName(file->path, overallCode);
        if (finalPath != file->path) {
            fs::rename(file->path, finalPath, error);
            if (error)
                finalPath = file->path; // the file stays under its first name
        }
        finalFiles_.push_back(finalPath);
    }
}

} // namespace corvid::operatoroutput
