#include "operatormodule/operator_app.h"

#include "halcyon/pubapi.h"
#include "operatordb/admin_flag.h"
#include "operatordb/db_error.h"

namespace corvid::operatormodule {
namespace {
std::unique_ptr<COperatorInterfaceApp>& AppSlot() {
    static std::unique_ptr<COperatorInterfaceApp> app;
    return app;
}
} // namespace

void HostReportStream::SendReportMsg(const std::string& text) {
    VSendReportMsg(text.c_str());
}

COperatorInterfaceApp* TheApp() {
    return AppSlot().get();
}

void SetTheApp(std::unique_ptr<COperatorInterfaceApp> app) {
    AppSlot() = std::move(app);
}

std::unique_ptr<COperatorInterfaceApp> COperatorInterfaceApp::Start(operatortabs::Prompt& prompt,
                                                                    operatorconfig::ProgramRunner& runner) {
    operatorconfig::ModulePaths paths;
    operatorconfig::InstallVerification verification(prompt, runner);
    if (!verification.Verify(paths))
        return nullptr;
    try {
        auto db = std::make_unique<operatordb::Database>(paths.inputDataSource);
        return std::unique_ptr<COperatorInterfaceApp>(
            new COperatorInterfaceApp(prompt, paths, std::move(db)));
    } catch (const operatordb::DbError& error) {
        // Without its instrument database the operator interface cannot work at all.
        prompt.Notify(operatordb::DisplaySource(paths.inputDataSource) + ": " + error.what());
        return nullptr;
    }
}

COperatorInterfaceApp::COperatorInterfaceApp(operatortabs::Prompt& prompt, operatorconfig::ModulePaths paths,
                                             std::unique_ptr<operatordb::Database> db)
    : prompt_(&prompt), paths_(std::move(paths)), db_(std::move(db)),
      textReports_(*db_, reportStream_, paths_.testPlanMain), outputPrompt_(prompt),
      databaseOutput_(*db_, outputPrompt_), textSink_(textReports_, reportStream_, prompt, paths_.outputPath),
      databaseSink_(databaseOutput_, prompt), runSink_(&textSink_) {}

operatoroutput::ResultSink& COperatorInterfaceApp::BeginRunSink() {
    if (window_.databaseOutput) {
        databaseOutput_.SetResultsDatabase(window_.resultsDatabasePath, window_.reportsDirectory);
        runSink_ = &databaseSink_;
    } else {
        runSink_ = &textSink_;
    }
    return *runSink_;
}

COperatorInterfaceApp::~COperatorInterfaceApp() {
    // The shared flag this instance took is given back before the database closes.
    if (window_.administratorLoggedIn) {
        try {
            operatordb::SetAdministratorLoggedIn(*db_, false);
        } catch (const operatordb::DbError&) {
            // Nothing to tell at unload; instrdb admin-flag clear mends a flag left set.
        }
    }
}

operatortabs::ModuleContext COperatorInterfaceApp::Context(operatortabs::Prompt& prompt) {
    // Before a run with database output: every report template the model's plan and
    // variant name must be in the reports directory.
    auto databaseOutputReady = [this, &prompt] {
        OutputPromptAdapter output(prompt);
        return operatoroutput::CheckReportTemplates(output, testInfo_, window_.reportsDirectory);
    };
    return {
        *db_,   paths_.testPlanMain, paths_.outputPath, paths_.inputDataSource, testInfo_, services_, window_,
        prompt, databaseOutputReady};
}

} // namespace corvid::operatormodule
