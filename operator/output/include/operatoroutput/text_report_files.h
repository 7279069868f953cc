// CTextReportFiles: the summary (".sum"), detail (".dtr") and trace (".log") files of a
// run when the UUT model has no formatted reports.
#pragma once

#include "operatordb/database.h"
#include "operatoroutput/report_stream.h"
#include "operatoroutput/test_info.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace corvid::operatoroutput {

// The summary's result line: the name in upper case padded with dots, cut to 60
// characters, then the result word and a line end.
std::string SummaryResultLine(const std::string& testName, const std::string& resultWord);

// Wraps text at line ends, else at the first blank or break character from minimum up
// to, not including, maximum (a blank is dropped, a break character ends its line), else
// at (minimum + maximum) / 2. Lines after the first are joined with "\n" + prefix;
// carriage returns become blanks.
std::string WrapText(const std::string& text, const std::string& breakCharacters, std::size_t minimum,
                     std::size_t maximum, const std::string& prefix);

class CTextReportFiles {
public:
    // testPlanMain: the test plan directory with its trailing '/', where
    // "sys_ReportHeaderInfo.txt" lives.
    CTextReportFiles(operatordb::Database& db, ReportStream& stream, std::string testPlanMain);

    // At sequence begin: opens the three files (truncating a previous run's files of the
    // same name), loads the test IDs of the selection and writes the header.
    bool Open(const CTestInfo& info, bool limited);
    int32_t TestID(const std::string& name) const;
    bool WriteSummary(const std::string& text);
    bool WriteTrace(const std::string& text);
    bool WriteDetail(const std::string& text);
    void Flush();
    // At sequence end: closes and renames the files with the result suffix.
    void Close(int overallCode);
    bool IsOpen() const { return open_; }
    // The final paths of the files the last Close left.
    const std::vector<std::string>& finalFiles() const { return finalFiles_; }

private:
    // The files of one run, in the order Open opens them.
    struct File {
        std::string path;
        std::ofstream stream;
    };

    bool OpenFiles(const CTestInfo& info);
    void DiscardFiles();
    void LoadTestIds(const CTestInfo& info);
    void WriteHeader(const CTestInfo& info, bool limited);
    void SendReportHeaderInfo();
    void SendReport(const std::string& text) { stream_.SendReportMsg(text); }
    bool Write(File& file, const std::string& text);
    std::string FinalName(const std::string& path, int overallCode) const;

    operatordb::Database& db_;
    ReportStream& stream_;
    std::string testPlanMain_;
    bool open_ = false;
    File summary_;
    File trace_;
    File detail_;
    std::map<std::string, int32_t> testIds_;
    std::vector<std::string> finalFiles_;
};

} // namespace corvid::operatoroutput
