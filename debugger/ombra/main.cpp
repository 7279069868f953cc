// ombra: the windowed debugger. A running instance is brought forward instead of starting
// a second one; then the start-up checks, the main window, the file type and the command
// line's file, played back or recorded at once when asked.
#include "ombra/main_frame.h"
#include "ombra/startup.h"
#include "platform/qt_message_box.h"
#include "termination.h"

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace corvid;

// Questions before the main window exists are ordinary modal boxes.
class StartupPrompt final : public debugger::Prompt {
public:
    using Prompt::Ask;
    debugger::MsgAnswer Ask(const debugger::Question& question) override {
        return platform::ShowQtMessageBox(question);
    }
};

std::filesystem::path ExecutablePath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

} // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ombra::CommandLine commandLine = ombra::ParseCommandLine(arguments);
    if (ombra::ActivateRunningInstance(commandLine))
        return 0;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ombra"));
    platform::QtMessageBoxHandler messageBoxes;

    const std::filesystem::path executable = ExecutablePath();
    StartupPrompt prompt;
    const ombra::StartupResult startup = ombra::RunStartupChecks(executable, prompt);
    if (!startup.proceed)
        return 0;

    std::unique_ptr<ombra::MainFrame> created;
    try {
        created = std::make_unique<ombra::MainFrame>();
    } catch (const ombra::AnotherDebuggerRunning&) {
        // Another debugger came up since the check above: hand over to it.
        ombra::ActivateRunningInstance(commandLine);
        return 0;
    }
    ombra::MainFrame& frame = *created;
    frame.SetVersionText(QString::fromStdString(startup.versionText));
    if (!executable.empty())
        ombra::RegisterFileType(executable);

    frame.NewDocument();
    frame.show();
    frame.OpenFromCommandLine(commandLine);
    const ombra::TerminationRequests termination([&frame] { frame.close(); });
    return QApplication::exec();
}
