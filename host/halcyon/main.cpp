// halcyon: the test-executive host.
//   halcyon [PLAN] [--plugin PATH]   the window: the operator plug-in when installed, else
//                                    a window listing the plan's tests
//   halcyon run PLAN [--variant V] [--test NAME]... [--station NAME]   without a window
//   halcyon operate [options]        the operator plug-in's Run (or Manual) page without a window
//   halcyon reports COMMAND ...      the operator plug-in's Test Reports page without a window
#include "halcyon/pubapi.h"
#include "host_window.h"
#include "operator_plugin.h"
#include "platform/qt_message_box.h"
#include "run_command.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void Usage() {
    std::fputs("usage: halcyon [PLAN] [--plugin PATH]\n"
               "       halcyon run PLAN [--variant V] [--test NAME]... [--station NAME]\n"
               "       halcyon operate [--station NAME] [--model ALIAS] [--serial SN] [--plan NAME]\n"
               "                       [--variant NAME] [--operator T] [--customer T] [--report-number T]\n"
               "                       [--notes T] [--temperature X] [--humidity X] [--line-frequency N]\n"
               "                       [--uncertainty on|off] [--testinfo FILE] [--answer yes|no]\n"
               "                       [--manual TEST]... [--loops N] [--step]\n"
               "       halcyon reports list [--model M] [--serial S] [--kind summary|detail|trace|all]\n"
               "                            [--result passed|failed|aborted|all]\n"
               "       halcyon reports show FILE [--model M]\n"
               "       halcyon reports print FILE --pdf OUT.pdf [--model M]\n",
               stderr);
}

int RunHeadless(const std::vector<std::string>& args) {
    corvid::host::RunRequest request;
    std::string problem;
    if (!corvid::host::ParseRunArguments(args, request, problem)) {
        std::fprintf(stderr, "halcyon: %s\n", problem.c_str());
        Usage();
        return 2;
    }
    return corvid::host::RunPlan(request);
}

// A command of the operator plug-in without a window: operate (its exit status is the
// run's) or reports.
int RunPluginCommand(const char* command, const std::vector<std::string>& args) {
    constexpr int kRefused = 3;
    std::string path = corvid::host::OperatorPluginPath({});
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        std::fprintf(stderr, "halcyon %s: no operator plug-in at %s\n", command, path.c_str());
        return kRefused;
    }
    std::string problem;
    auto plugin = corvid::host::OperatorPlugin::Load(path, problem);
    if (!plugin) {
        std::fprintf(stderr, "halcyon %s: %s\n", command, problem.c_str());
        return kRefused;
    }
    int status = std::string(command) == "operate" ? plugin->Operate(args) : plugin->Reports(args);
    if (status < 0) {
        std::fprintf(stderr, "halcyon %s: %s cannot run without a window\n", command, path.c_str());
        status = kRefused;
    }
    plugin.reset();
    VUnloadTestsuite();
    return status;
}

struct WindowArguments {
    std::string plan;
    std::string plugin;
};

bool ParseWindowArguments(const std::vector<std::string>& args, WindowArguments& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--plugin" && i + 1 < args.size())
            parsed.plugin = args[++i];
        else if (!args[i].empty() && args[i][0] != '-' && parsed.plan.empty())
            parsed.plan = args[i];
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "run")
        return RunHeadless({args.begin() + 1, args.end()});
    if (!args.empty() && (args[0] == "operate" || args[0] == "reports"))
        return RunPluginCommand(args[0] == "operate" ? "operate" : "reports", {args.begin() + 1, args.end()});
    WindowArguments parsed;
    if (!ParseWindowArguments(args, parsed)) {
        Usage();
        return 2;
    }
    // Qt takes "-plugin" (and "--plugin") for itself: it must not see the host's own option.
    std::vector<char*> qtArgs;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--plugin" && i + 1 < argc)
            ++i;
        else
            qtArgs.push_back(argv[i]);
    }
    int qtCount = static_cast<int>(qtArgs.size());
    qtArgs.push_back(nullptr);
    QApplication application(qtCount, qtArgs.data());
    corvid::platform::QtMessageBoxHandler messageBoxes;
    std::string pluginPath = corvid::host::OperatorPluginPath(parsed.plugin);
    std::error_code error;
    if (std::filesystem::exists(pluginPath, error)) {
        std::string problem;
        auto plugin = corvid::host::OperatorPlugin::Load(pluginPath, problem);
        if (!plugin) {
            std::fprintf(stderr, "halcyon: %s\n", problem.c_str());
            return 1;
        }
        plugin->Run();
        plugin.reset();
        VUnloadTestsuite();
        return 0;
    }
    corvid::host::HostWindow window;
    if (!parsed.plan.empty())
        window.LoadPlan(QString::fromStdString(parsed.plan));
    window.resize(640, 480);
    window.show();
    int status = QApplication::exec();
    VUnloadTestsuite();
    return status;
}
