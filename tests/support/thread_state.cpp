#include "testsupport/thread_state.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvid::testing {
namespace {

// The number of the system call the thread is blocked in, -1 while it runs. A kernel
// that does not show it fails the test loudly instead of letting it race.
long BlockedCall(const std::filesystem::path& task) {
    std::ifstream in(task / "syscall");
    std::string first;
    if (!(in >> first)) {
        throw std::runtime_error("cannot read " + (task / "syscall").string());
    }
    return first == "running" ? -1 : std::stol(first);
}

bool In(long call, const std::vector<long>& calls) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

} // namespace

const std::vector<long>& PollCalls() {
#ifdef SYS_poll
    static const std::vector<long> calls{SYS_poll, SYS_ppoll};
#else
    static const std::vector<long> calls{SYS_ppoll};
#endif
    return calls;
}

const std::vector<long>& FutexCalls() {
    static const std::vector<long> calls{SYS_futex};
    return calls;
}

int ThreadsBlockedIn(const std::vector<long>& calls) {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        try {
            count += In(BlockedCall(task.path()), calls) ? 1 : 0;
        } catch (const std::runtime_error&) {
            if (std::filesystem::exists(task.path())) { // else the thread has just ended
                throw;
            }
        }
    }
    return count;
}

bool ThreadBlockedIn(pid_t tid, const std::vector<long>& calls) {
    return In(BlockedCall("/proc/self/task/" + std::to_string(tid)), calls);
}

pid_t ThisThreadId() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

} // namespace corvid::testing
