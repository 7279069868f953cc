#include "operatormodule/result_sinks.h"

#include "operatorconfig/configuration_manager.h"
#include "operatormodule/host_callbacks.h"
#include "operatortabs/error_log.h"

namespace corvid::operatormodule {
namespace {
const std::string kRule(85, '_');
} // namespace

TextResultSink::TextResultSink(operatoroutput::CTextReportFiles& files, operatoroutput::ReportStream& stream,
                               operatortabs::Prompt& prompt, std::string outputPath)
    : files_(files), stream_(stream), prompt_(prompt), outputPath_(std::move(outputPath)) {}

bool TextResultSink::Begin(const operatoroutput::CTestInfo& info, bool limited) {
    if (files_.Open(info, limited))
        return true;
    std::string text = "The report files of this run could not be created in " + info.outputDirectory +
                       ".\nCheck that the output directory exists and may be written.";
    operatortabs::LogRunError(outputPath_, text.c_str(), "Text Reports - Error");
    prompt_.Show(text, operatorconfig::kApplicationTitle, platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return false;
}

std::string TextResultSink::UniqueID() const {
    return kTextUniqueId;
}

void TextResultSink::TestBegan(const std::string& name) {
    stream_.SendReportMsg(name + "\n");
}

void TextResultSink::TestEnded(const std::string& name, int code, const std::string& word) {
    std::string line = operatoroutput::SummaryResultLine(name, word);
    files_.WriteSummary(line);
    stream_.SendReportMsg(line + (code == 1 ? "\nTEST ABORTED\n" : "") + "\n" + kRule + "\n\n");
    files_.Flush();
}

bool DatabaseResultSink::Begin(const operatoroutput::CTestInfo& info, bool limited) {
    if (output_.Initialize(info, limited))
        return true;
    prompt_.Show(
        "Error has occured while initializing results database.\nAbort testing and fix the problem before "
        "continuing with the testing.\nUnexpected results will occur if you proceed with testing.",
        "Failed to initialize results database.", platform::MsgButtons::Ok, platform::MsgIcon::Error);
    return false;
}

void DatabaseResultSink::End(int overallCode) {
    output_.UpdateTestPlanResult(overallCode);
    output_.ExportReports();
    output_.Close();
}

} // namespace corvid::operatormodule
