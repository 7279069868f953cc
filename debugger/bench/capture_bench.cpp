// The capture rate: records reported through the link per second, received by a bare
// reader, by the recording engine, and by the omr program itself.
#include "bench.h"
#include "debugger/controller_window.h"
#include "debugger/document.h"
#include "debugger/engine.h"
#include "debugger/prompt.h"
#include "link/debugger_link.h"
#include "link/record_channel.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace corvid::debugger::bench {
namespace {

volatile std::sig_atomic_t childStop = 0;
void StopChild(int) {
    childStop = 1;
}

// A controller window in a child process, ended by SIGTERM.
class Listener {
public:
    explicit Listener(const std::function<void()>& serve) {
        pid_ = fork();
        if (pid_ == 0) {
            std::signal(SIGTERM, StopChild);
            serve();
            _exit(0);
        }
        Started();
    }
    // The omr program, recording into a scratch file.
    explicit Listener(const std::string& omr, const std::string& output) {
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen("/dev/null", "w", stdout);
            execl(omr.c_str(), "omr", "record", output.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        Started();
    }
    ~Listener() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

private:
    void Started() const {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!link::FindController() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_t pid_ = -1;
};

void ServeBare() {
    link::IncomingRecordReader reader;
    auto window = platform::MessageWindow::Create(
        link::kControllerWindowClass, [&reader](const platform::WindowMessage& message) {
            if (message.message != link::WM_IOCONTROL_SENDS_DATA)
                return platform::MessageResult{0};
            return platform::MessageResult{reader.Read(static_cast<std::size_t>(message.lParam)).ok()};
        });
    while (window && !childStop)
        window->Pump(std::chrono::milliseconds(50));
}

void ServeEngine() {
    MessageBoxPrompt prompt;
    Engine engine(prompt);
    auto document = std::make_shared<RecordingDocument>();
    engine.StartRecording(document, RecordingChoice{RecordingStart::reset, false});
    auto window = ControllerWindow::Create(engine);
    while (window && !childStop)
        window->Pump(std::chrono::milliseconds(50));
}

double RecordsPerSecond(long count) {
    link::CDebuggerLink debugger;
    const char query[] = "MEAS:VOLT:DC?";
    const link::CCopyDataBlock sent(query, sizeof query, link::CCopyDataBlock::Char);
    for (long i = 0; i < count / 10; ++i)
        debugger.ReportCommand(0, 22, nullptr, nullptr, &sent, link::actionWrite);
    const auto start = Clock::now();
    for (long i = 0; i < count; ++i)
        debugger.ReportCommand(0, 22, nullptr, nullptr, &sent, link::actionWrite);
    return static_cast<double>(count) / SecondsSince(start);
}

void Print(const char* receiver, double rate, double bare) {
    std::printf("{\"capture\":\"%s\",\"records_per_second\":%.0f,\"ratio_to_bare_link\":%.3f}\n", receiver,
                rate, rate / bare);
    std::fflush(stdout);
}

} // namespace

int CaptureBench(long count) {
    double bare = 0;
    {
        Listener listener(ServeBare);
        bare = RecordsPerSecond(count);
    }
    Print("bare link", bare, bare);
    {
        Listener listener(ServeEngine);
        Print("recording engine", RecordsPerSecond(count), bare);
    }
    const std::filesystem::path omr = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "omr";
    if (std::filesystem::exists(omr)) {
        char directory[] = "/tmp/omr_capture.XXXXXX";
        if (mkdtemp(directory)) {
            {
                Listener listener(omr.string(), std::string(directory) + "/capture.omr");
                Print("omr record", RecordsPerSecond(count), bare);
            }
            std::filesystem::remove_all(directory);
        }
    }
    return 0;
}

} // namespace corvid::debugger::bench
