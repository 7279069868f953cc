#include "testsupport/sandbox.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace corvid::testing {
namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "corvid-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

namespace {
void SaveAndSet(const char* name, const std::string& value, std::string& old, bool& had) {
    if (const char* current = std::getenv(name)) {
        old = current;
        had = true;
    }
    ::setenv(name, value.c_str(), 1);
}

void Restore(const char* name, const std::string& old, bool had) {
    if (had)
        ::setenv(name, old.c_str(), 1);
    else
        ::unsetenv(name);
}
} // namespace

Sandbox::Sandbox() {
    // The runtime directory itself is left to be created by the code under test, so
    // that its creation and mode are exercised too.
    SaveAndSet("CORVID_HOME", home_.path().string(), oldHome_, hadHome_);
    SaveAndSet("CORVID_RUNTIME_DIR", runtime().string(), oldRuntime_, hadRuntime_);
}

Sandbox::~Sandbox() {
    Restore("CORVID_HOME", oldHome_, hadHome_);
    Restore("CORVID_RUNTIME_DIR", oldRuntime_, hadRuntime_);
}

ChildProcess ChildProcess::Fork(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        int status = 1;
        try {
            status = body();
        } catch (...) {
            status = 99;
        }
        std::fflush(nullptr);
        ::_exit(status);
    }
    return ChildProcess(pid, -1);
}

ChildProcess ChildProcess::Spawn(const std::vector<std::string>& argv) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    return ChildProcess(pid, fds[0]);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), out_(other.out_), status_(other.status_), buffer_(std::move(other.buffer_)) {
    other.pid_ = -1;
    other.out_ = -1;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && status_ < 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0)
        ::close(out_);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (status_ >= 0)
        return status_;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int raw = 0;
        pid_t done = ::waitpid(pid_, &raw, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ChildProcess::Kill(int signal) {
    if (pid_ > 0 && status_ < 0)
        ::kill(pid_, signal);
}

bool ChildProcess::ReadLine(std::string& line, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto newline = buffer_.find('\n'); newline != std::string::npos) {
            line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            return true;
        }
        if (out_ < 0)
            return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd pfd{out_, POLLIN, 0};
        int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char chunk[4096];
        ssize_t got = ::read(out_, chunk, sizeof chunk);
        if (got <= 0)
            return false;
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace corvid::testing
