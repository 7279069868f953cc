// The exports of the operator plug-in. The host loads the library, calls
// UserModuleAttach (the library's start-up: configuration verified, instrument database
// opened; 0 refuses the load), InitializeUserModule (the operator window, modal) or
// OperateUserModule (`halcyon operate`) or ReportsUserModule (`halcyon reports`),
// ShutdownUserModule and UserModuleDetach.
#include "com/creation.h"
#include "operatorconfig/install_verification.h"
#include "operatordb/interface_types.h"
#include "operatormodule/host_callbacks.h"
#include "operatormodule/operate_command.h"
#include "operatormodule/operator_app.h"
#include "operatormodule/reports_command.h"
#include "operatorwindow/operator_window.h"
#include "operatorwindow/report_printer.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>

#define PARDEL_API extern "C" __attribute__((visibility("default")))

namespace {

using namespace corvid;
using operatormodule::TheApp;

constexpr unsigned short kWindowClosed = 11;

operatortabs::ServicePrompt& ModulePrompt() {
    static operatortabs::ServicePrompt prompt;
    return prompt;
}

} // namespace

PARDEL_API int UserModuleAttach() {
    try {
        operatorconfig::ProcessRunner runner;
        auto app = operatormodule::COperatorInterfaceApp::Start(ModulePrompt(), runner);
        if (!app)
            return 0;
        operatormodule::SetTheApp(std::move(app));
        return 1;
    } catch (const std::exception& error) {
        ModulePrompt().Notify(error.what());
        return 0;
    }
}

PARDEL_API void UserModuleDetach() {
    operatormodule::SetTheApp(nullptr);
}

PARDEL_API unsigned short InitializeUserModule() {
    operatormodule::RegisterHostCallbacks();
    auto* app = TheApp();
    if (!app)
        return kWindowClosed;
    auto& prompt = ModulePrompt();
    com::CLSID grid;
    if (FAILED(com::ClassIdFromProgId("GRIDWIZDAO.GridWizDaoCtrl.1", &grid))) {
        prompt.Notify("GridWizDaoCtrl not installed\nVerify Install\nShutting down...");
        return kWindowClosed;
    }
    if (!operatordb::LoadInterfaceTypeNames(app->db())) {
        prompt.Notify("Shutting down...");
        return kWindowClosed;
    }
    try {
        operatorwindow::RunOperatorWindow(*app, prompt);
    } catch (const std::exception& error) {
        prompt.Notify(error.what());
    }
    return kWindowClosed;
}

PARDEL_API void ShutdownUserModule() {
    operatormodule::UnregisterHostCallbacks();
}

PARDEL_API int OperateUserModule(int argc, const char* const* argv) {
    std::vector<std::string> args(argv, argv + argc);
    operatormodule::OperateRequest request;
    std::string problem;
    if (!operatormodule::ParseOperateArguments(args, request, problem)) {
        std::fprintf(stderr, "halcyon operate: %s\n", problem.c_str());
        return operatormodule::kOperateBadArguments;
    }
    return operatormodule::Operate(request);
}

PARDEL_API int ReportsUserModule(int argc, const char* const* argv) {
    std::vector<std::string> args(argv, argv + argc);
    operatormodule::ReportsRequest request;
    std::string problem;
    if (!operatormodule::ParseReportsArguments(args, request, problem)) {
        std::fprintf(stderr, "halcyon reports: %s\n", problem.c_str());
        return operatormodule::kReportsBadArguments;
    }
    // Printing into a PDF file needs Qt's fonts, not a display.
    std::unique_ptr<QGuiApplication> gui;
    if (request.command == "print" && !QCoreApplication::instance()) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int guiArgc = 1;
        static char guiName[] = "halcyon";
        static char* guiArgv[] = {guiName, nullptr};
        gui = std::make_unique<QGuiApplication>(guiArgc, guiArgv);
    }
    return operatormodule::Reports(request, [](const std::string& path) {
        return operatorwindow::MakePdfReportPrinter(QString::fromStdString(path));
    });
}
