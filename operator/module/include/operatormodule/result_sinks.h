// The two result sinks of a run, behind operatoroutput::ResultSink: the text report
// files and the results database with its formatted reports. The host's callbacks pick
// the one the window's database-output switch names at sequence begin and keep it to the
// end of the sequence.
#pragma once

#include "operatoroutput/database_output_manager.h"
#include "operatoroutput/output_prompt.h"
#include "operatoroutput/result_sink.h"
#include "operatoroutput/text_report_files.h"
#include "operatortabs/prompt.h"

#include <string>

namespace corvid::operatormodule {

// The output sinks' message boxes through a page's prompt.
class OutputPromptAdapter final : public operatoroutput::OutputPrompt {
public:
    explicit OutputPromptAdapter(operatortabs::Prompt& prompt) : prompt_(&prompt) {}
    void Notify(const std::string& text) override { prompt_->Notify(text); }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        prompt_->Show(text, caption, platform::MsgButtons::Ok, platform::MsgIcon::Error);
    }

private:
    operatortabs::Prompt* prompt_;
};

class TextResultSink final : public operatoroutput::ResultSink {
public:
    // outputPath: where the run error log is written when the files cannot be created.
    TextResultSink(operatoroutput::CTextReportFiles& files, operatoroutput::ReportStream& stream,
                   operatortabs::Prompt& prompt, std::string outputPath);

    bool Begin(const operatoroutput::CTestInfo& info, bool limited) override;
    std::string UniqueID() const override;
    int32_t TestID(const std::string& name) const override { return files_.TestID(name); }
    void TestBegan(const std::string& name) override;
    void TestEnded(const std::string& name, int code, const std::string& word) override;
    bool ReportMessage(const std::string& text) override { return files_.WriteDetail(text); }
    bool TraceMessage(const std::string& text) override { return files_.WriteTrace(text); }
    void End(int overallCode) override { files_.Close(overallCode); }

private:
    operatoroutput::CTextReportFiles& files_;
    operatoroutput::ReportStream& stream_;
    operatortabs::Prompt& prompt_;
    std::string outputPath_;
};

class DatabaseResultSink final : public operatoroutput::ResultSink {
public:
    DatabaseResultSink(operatoroutput::CDatabaseOutputManager& output, operatortabs::Prompt& prompt)
        : output_(output), prompt_(prompt) {}

    bool Begin(const operatoroutput::CTestInfo& info, bool limited) override;
    std::string UniqueID() const override { return output_.UniqueID(); }
    int32_t TestID(const std::string& name) const override { return output_.TestID(name); }
    void TestBegan(const std::string&) override {}
    void TestEnded(const std::string& name, int code, const std::string&) override {
        output_.PutTestResult(name, code);
    }
    // The reports are rendered from the database: the host's messages are not kept.
    bool ReportMessage(const std::string&) override { return false; }
    bool TraceMessage(const std::string&) override { return false; }
    void End(int overallCode) override;

private:
    operatoroutput::CDatabaseOutputManager& output_;
    operatortabs::Prompt& prompt_;
};

} // namespace corvid::operatormodule
