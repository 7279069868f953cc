// omblink bench: the cost of the report path against the cost of bare message round
// trips, measured in the same run, with both processes on one core and on two.
#include "link/debugger_link.h"
#include "listener.h"
#include "omblink.h"
#include "platform/runtime_dir.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sched.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace corvid::omblink {
namespace {

using Clock = std::chrono::steady_clock;

volatile int childStop = 0;
void StopChild(int) {
    childStop = 1;
}

// Microseconds per call of `body`, over `count` calls after a short warm-up.
double MicrosPerCall(long count, const std::function<void()>& body) {
    for (long i = 0; i < count / 10 + 1; ++i)
        body();
    auto start = Clock::now();
    for (long i = 0; i < count; ++i)
        body();
    std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    return elapsed.count() / static_cast<double>(count);
}

bool PinTo(pid_t pid, int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return sched_setaffinity(pid, sizeof set, &set) == 0;
}

// A listener in a child process that answers everything at once.
class ListenerProcess {
public:
    ListenerProcess() {
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            signal(SIGTERM, StopChild);
            // The listener ends with the bench, however the bench ends (a signal too); the
            // check covers a parent that died before the request was made.
            if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent)
                ::_exit(1);
            int status = 0;
            try {
                Listener listener(ListenerRules{});
                listener.Run(childStop);
            } catch (const std::exception& error) {
                std::fprintf(stderr, "omblink bench: listener: %s\n", error.what());
                status = 1;
            }
            ::_exit(status);
        }
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!link::FindController()) {
            if (Clock::now() > deadline)
                throw std::runtime_error("the bench listener did not start");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~ListenerProcess() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    ListenerProcess(const ListenerProcess&) = delete;
    ListenerProcess& operator=(const ListenerProcess&) = delete;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

void MeasurePlacement(const char* name, const ListenerProcess& listener, int listenerCpu, long count) {
    if (!PinTo(0, 0) || !PinTo(listener.pid(), listenerCpu)) {
        std::printf("{\"placement\":\"%s\",\"skipped\":\"cannot pin to cpu %d\"}\n", name, listenerCpu);
        return;
    }
    link::CDebuggerLink debugger;
    platform::WindowHandle window = link::FindController();
    const char idn[] = "*IDN?";
    link::CCopyDataBlock sent(idn, sizeof idn, 5);
    double roundTrip =
        MicrosPerCall(count, [&] { platform::SendWindowMessage(window, platform::WM_USER, 0, 0); });
    double record = MicrosPerCall(
        count, [&] { debugger.ReportCommand(0, 22, nullptr, nullptr, &sent, link::actionWrite); });
    std::printf("{\"placement\":\"%s\",\"records_per_second\":%.0f,\"record_us\":%.2f,"
                "\"bare_round_trip_us\":%.2f,\"ratio\":%.2f}\n",
                name, 1e6 / record, record, roundTrip, record / roundTrip);
    std::fflush(stdout);
}

void MeasureWithoutDebugger(long count) {
    link::CDebuggerLink debugger;
    const char idn[] = "*IDN?";
    link::CCopyDataBlock sent(idn, sizeof idn, 5);
    double check = MicrosPerCall(count, [&] { (void)debugger.IsPlaybackActive(); });
    double report = MicrosPerCall(
        count, [&] { debugger.ReportCommand(0, 22, nullptr, nullptr, &sent, link::actionWrite); });
    std::printf("{\"no_debugger_check_us\":%.3f,\"no_debugger_report_us\":%.3f}\n", check, report);
}

} // namespace

int Bench(const std::vector<std::string>& args) {
    long count = 20000;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--count" && i + 1 < args.size())
            count = ParseCount("--count", args[++i]);
        else
            throw std::invalid_argument("bench: unknown option '" + args[i] + "'");
    }
    if (count <= 0)
        throw std::invalid_argument("--count must be positive");
    if (link::FindController())
        throw std::runtime_error("a debugger controller window is already running; stop it first");
    platform::EnsureRuntimeDir();
    {
        ListenerProcess listener;
        MeasurePlacement("same core", listener, 0, count);
        if (std::thread::hardware_concurrency() > 1)
            MeasurePlacement("across cores", listener, 1, count);
    }
    cpu_set_t all;
    CPU_ZERO(&all);
    for (unsigned cpu = 0; cpu < std::thread::hardware_concurrency(); ++cpu)
        CPU_SET(cpu, &all);
    sched_setaffinity(0, sizeof all, &all);
    MeasureWithoutDebugger(count);
    return kExitOk;
}

} // namespace corvid::omblink
