// What recording costs a test script: the same Lua script writes to the simulated
// multimeter through the driver with no debugger, with `omr record` recording it, and with
// the windowed debugger recording it while its trace window shows every command
// (offscreen unless a platform is chosen). Each run uses a fresh home and runtime
// directory; the script times its own loop.
//
//   ombra_record_bench [writes]        (default 3000)
#include "debugger/document.h"
#include "debugger/engine.h"
#include "link/debugger_link.h"
#include "ombra/command_ids.h"
#include "ombra/document_window.h"
#include "ombra/main_frame.h"

#include <QApplication>
#include <QDockWidget>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* kScript = R"lua(
local dmm <close> = CreateInstrument("VisaGpib.VisaGpib.1",
    {InstanceName = "DMM", GpibBoardAddress = 0, GpibPrimaryAddress = 22})
local writes = tonumber(arg[1])
local start = clock()
for _ = 1, writes do dmm:Write("*CLS\n") end
print(string.format("%.6f", clock() - start))
)lua";

// A fresh home and runtime directory with the driver registered and the script written.
class Scratch {
public:
    Scratch() : root_(fs::temp_directory_path() / ("ombra-record-bench-" + std::to_string(::getpid()))) {}
    ~Scratch() { fs::remove_all(root_); }

    void Renew(int run) {
        const fs::path dir = root_ / std::to_string(run);
        fs::create_directories(dir / "home");
        ::setenv("CORVID_HOME", (dir / "home").c_str(), 1);
        ::setenv("CORVID_RUNTIME_DIR", (dir / "run").c_str(), 1);
        std::ofstream(dir / "writes.lua") << kScript;
        script_ = (dir / "writes.lua").string();
        recording_ = (dir / "run.omr").string();
        QProcess regsvr;
        regsvr.setStandardOutputFile(QProcess::nullDevice());
        regsvr.start(QStringLiteral(REGSVR_PROGRAM), {QStringLiteral(FARLINK_MODULE)});
        if (!regsvr.waitForFinished() || regsvr.exitCode() != 0)
            std::fprintf(stderr, "ombra_record_bench: registering the driver failed\n");
    }
    const std::string& script() const { return script_; }
    const std::string& recording() const { return recording_; }

private:
    fs::path root_;
    std::string script_, recording_;
};

// The processor seconds a process has used so far (user and system).
double ProcessorSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // The fields after the command's closing parenthesis; utime and stime are the 12th and
    // 13th of them.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i >= 12)
            ticks += std::stod(field);
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// What one run cost: the seconds the script's loop took, and the debugger's processor
// seconds meanwhile.
struct Figures {
    double seconds = 0;
    double debuggerProcessor = 0;
};

// Runs the script while the event loop turns; the seconds its loop took, or nothing.
std::optional<double> RunScript(const Scratch& scratch, int writes) {
    QProcess script;
    script.setProcessChannelMode(QProcess::SeparateChannels);
    QEventLoop loop;
    QObject::connect(&script, &QProcess::finished, &loop, &QEventLoop::quit);
    script.start(QStringLiteral(ASCRIPT_PROGRAM),
                 {QString::fromStdString(scratch.script()), QString::number(writes)});
    if (!script.waitForStarted())
        return std::nullopt;
    loop.exec();
    bool ok = false;
    const double seconds = QString::fromUtf8(script.readAllStandardOutput()).trimmed().toDouble(&ok);
    if (script.exitCode() != 0 || !ok) {
        std::fprintf(stderr, "ombra_record_bench: the script failed: %s\n",
                     script.readAllStandardError().data());
        return std::nullopt;
    }
    return seconds;
}

std::optional<Figures> Alone(Scratch& scratch, int writes) {
    scratch.Renew(0);
    const std::optional<double> seconds = RunScript(scratch, writes);
    return seconds ? std::optional(Figures{*seconds, 0}) : std::nullopt;
}

std::optional<Figures> UnderOmr(Scratch& scratch, int writes) {
    scratch.Renew(1);
    const pid_t omr = ::fork();
    if (omr == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::execl(OMR_PROGRAM, OMR_PROGRAM, "record", scratch.recording().c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!corvid::link::FindController() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double before = ProcessorSeconds(omr);
    const std::optional<double> seconds = RunScript(scratch, writes);
    const double used = ProcessorSeconds(omr) - before;
    ::kill(omr, SIGINT); // saves the recording and ends
    int status = 0;
    ::waitpid(omr, &status, 0);
    return seconds ? std::optional(Figures{*seconds, used}) : std::nullopt;
}

std::optional<Figures> UnderOmbra(Scratch& scratch, int writes, int& recorded, int& traced) {
    scratch.Renew(2);
    corvid::ombra::MainFrame frame;
    frame.resize(1100, 640);
    frame.show();
    frame.Action(corvid::ombra::command::kTraceWindow)->trigger();
    corvid::ombra::DocumentWindow* window = frame.NewDocument();
    window->showMaximized();
    const auto document = window->Document();
    frame.GetEngine().StartRecording(
        document, corvid::debugger::RecordingChoice{corvid::debugger::RecordingStart::reset});
    frame.RefreshCommandStates();
    QApplication::processEvents();
    const double before = ProcessorSeconds(::getpid());
    const std::optional<double> seconds = RunScript(scratch, writes);
    const double used = ProcessorSeconds(::getpid()) - before;
    QApplication::processEvents();
    frame.GetEngine().StopRecording();
    recorded = document->Commands().Count();
    traced = frame.GetEngine().Trace().Count();
    document->SetModified(false);
    window->close();
    return seconds ? std::optional(Figures{*seconds, used}) : std::nullopt;
}

void Print(const char* what, const std::optional<Figures>& figures, int writes) {
    if (!figures) {
        std::printf("%-32s failed\n", what);
        return;
    }
    std::printf("%-32s %7.3f s %8.1f us a write; debugger processor %6.3f s, %6.1f us a write\n", what,
                figures->seconds, figures->seconds * 1e6 / writes, figures->debuggerProcessor,
                figures->debuggerProcessor * 1e6 / writes);
}

} // namespace

int main(int argc, char** argv) {
    const int writes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("CORVID_MSGBOX", "log", 1);
    QApplication application(argc, argv);
    Scratch scratch;

    const std::optional<Figures> alone = Alone(scratch, writes);
    const std::optional<Figures> omr = UnderOmr(scratch, writes);
    int recorded = 0, traced = 0;
    const std::optional<Figures> ombra = UnderOmbra(scratch, writes, recorded, traced);

    std::printf("%d writes of \"*CLS\\n\" from a Lua script through the driver:\n", writes);
    Print("no debugger", alone, writes);
    Print("omr record", omr, writes);
    Print("ombra recording, trace visible", ombra, writes);
    std::printf("ombra recorded %d commands, its trace holds %d\n", recorded, traced);
    if (omr && ombra) {
        std::printf(
            "ombra / omr record: %.2f in time (the goal is at most 2), %.2f in debugger processor time\n",
            ombra->seconds / omr->seconds, ombra->debuggerProcessor / omr->debuggerProcessor);
    }
    return alone && omr && ombra ? 0 : 1;
}
