// COperatorInterfaceApp: the operator plug-in's module-wide state, from the library's
// load to its unload: the verified paths, the instrument database, the record of the
// unit under test, the suite loader, the window's state and the result sinks, and the
// page that receives the host's run events.
#pragma once

#include "operatorconfig/install_verification.h"
#include "operatordb/database.h"
#include "operatormodule/result_sinks.h"
#include "operatoroutput/database_output_manager.h"
#include "operatoroutput/test_info.h"
#include "operatoroutput/text_report_files.h"
#include "operatortabs/operator_state.h"
#include "operatortabs/prompt.h"
#include "operatortabs/tab_run.h"
#include "operatortabs/test_services.h"

#include <memory>
#include <string>

namespace corvid::operatormodule {

// The host's report stream (VSendReportMsg).
class HostReportStream final : public operatoroutput::ReportStream {
public:
    void SendReportMsg(const std::string& text) override;
};

class COperatorInterfaceApp {
public:
    // Verifies the configuration and opens the instrument database; null (after the
    // prompt said why) when the library must refuse to load.
    static std::unique_ptr<COperatorInterfaceApp> Start(operatortabs::Prompt& prompt,
                                                        operatorconfig::ProgramRunner& runner);
    ~COperatorInterfaceApp();
    COperatorInterfaceApp(const COperatorInterfaceApp&) = delete;
    COperatorInterfaceApp& operator=(const COperatorInterfaceApp&) = delete;

    operatordb::Database& db() { return *db_; }
    const operatorconfig::ModulePaths& paths() const { return paths_; }
    operatoroutput::CTestInfo& testInfo() { return testInfo_; }
    operatortabs::CTestServices& services() { return services_; }
    operatortabs::WindowState& window() { return window_; }
    operatortabs::Prompt& prompt() { return *prompt_; }
    operatoroutput::CTextReportFiles& textReports() { return textReports_; }
    operatoroutput::CDatabaseOutputManager& databaseOutput() { return databaseOutput_; }
    // At sequence begin: the sink the window's database-output switch names (the results
    // database set up for the model's database and templates), kept until the sequence ends.
    operatoroutput::ResultSink& BeginRunSink();
    // The sink of the run in progress (the text files outside a run).
    operatoroutput::ResultSink& RunSink() { return *runSink_; }
    // What a page needs to work with; prompt is the page's own (the window's or a console's).
    operatortabs::ModuleContext Context(operatortabs::Prompt& prompt);

    // The pages that receive run events: the Run tab (manual-run 0) and the Manual tab (1).
    void SetRunPages(operatortabs::RunEvents* run, operatortabs::RunEvents* manual) {
        runPage_ = run;
        manualPage_ = manual;
    }
    operatortabs::RunEvents* EventPage() const { return window_.manualRun ? manualPage_ : runPage_; }

private:
    COperatorInterfaceApp(operatortabs::Prompt& prompt, operatorconfig::ModulePaths paths,
                          std::unique_ptr<operatordb::Database> db);

    operatortabs::Prompt* prompt_;
    operatorconfig::ModulePaths paths_;
    std::unique_ptr<operatordb::Database> db_;
    operatoroutput::CTestInfo testInfo_;
    operatortabs::CTestServices services_;
    operatortabs::WindowState window_;
    HostReportStream reportStream_;
    operatoroutput::CTextReportFiles textReports_;
    OutputPromptAdapter outputPrompt_;
    operatoroutput::CDatabaseOutputManager databaseOutput_;
    TextResultSink textSink_;
    DatabaseResultSink databaseSink_;
    operatoroutput::ResultSink* runSink_;
    operatortabs::RunEvents* runPage_ = nullptr;
    operatortabs::RunEvents* manualPage_ = nullptr;
};

// The one application object while the library is loaded (null before and after).
COperatorInterfaceApp* TheApp();
void SetTheApp(std::unique_ptr<COperatorInterfaceApp> app);

} // namespace corvid::operatormodule
