// How long ombra takes from exec until its window answers a message: the main window is
// then shown with its empty document and the event loop runs. Each start uses a fresh
// home and runtime directory (offscreen unless a platform is chosen).
//
//   ombra_start_bench [starts]
#include "debugger/controller_window.h"
#include "link/debugger_link.h"
#include "platform/window_message.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Starts the program and returns the milliseconds until it answered, or -1.
double TimeOneStart(const std::filesystem::path& scratch) {
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch / "home");
    ::setenv("CORVID_HOME", (scratch / "home").c_str(), 1);
    ::setenv("CORVID_RUNTIME_DIR", (scratch / "run").c_str(), 1);
    const Clock::time_point start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDERR_FILENO);
        ::execl(OMBRA_PROGRAM, OMBRA_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    double elapsed = -1;
    while (Clock::now() - start < std::chrono::seconds(20)) {
        if (const corvid::platform::WindowHandle window = corvid::link::FindController()) {
            // The reply comes once the event loop handles the message, after the window is up.
            corvid::platform::SendWindowMessage(window, corvid::debugger::kShowControllerMessage, 1, 0);
            elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    return elapsed;
}

} // namespace

int main(int argc, char** argv) {
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("CORVID_MSGBOX", "log", 1); // no driver registered here: noted on stderr
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("ombra-start-bench-" + std::to_string(::getpid()));
    std::vector<double> times;
    for (int i = 0; i < starts; ++i)
        times.push_back(TimeOneStart(scratch));
    std::filesystem::remove_all(scratch);
    std::sort(times.begin(), times.end());
    std::printf(
        "ombra start to first answered message: median %.0f ms, min %.0f ms, max %.0f ms (%d starts)\n",
        times[times.size() / 2], times.front(), times.back(), starts);
    return times.front() < 0 ? 1 : 0;
}
