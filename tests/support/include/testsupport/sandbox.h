// Test support: a throw-away CORVID_HOME and CORVID_RUNTIME_DIR per test, and child
// processes for tests that cross a process boundary.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/types.h>
#include <vector>

namespace corvid::testing {

// A fresh temporary directory, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Points CORVID_HOME and CORVID_RUNTIME_DIR at fresh temporary directories for the
// lifetime of the object and restores the previous values afterwards.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    std::filesystem::path home() const { return home_.path(); }
    std::filesystem::path runtime() const { return runtime_.path() / "run"; }

private:
    TempDir home_;
    TempDir runtime_;
    std::string oldHome_, oldRuntime_;
    bool hadHome_ = false, hadRuntime_ = false;
};

// A GoogleTest fixture that gives every test its own sandbox.
class SandboxTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

// A child process. Forked from a lambda or started from a program; killed and reaped
// on destruction if still running.
class ChildProcess {
public:
    // Runs body in a forked child; the child exits with body's return value.
    static ChildProcess Fork(const std::function<int()>& body);
    // Runs a program with arguments; stdout goes to a pipe readable with ReadLine.
    static ChildProcess Spawn(const std::vector<std::string>& argv);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // Waits for the exit and returns the exit status (128 + signal when killed),
    // or -1 when the timeout passed first.
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    void Kill(int signal);
    // One line of the child's standard output (without the newline), or an empty
    // optional-like false return at end of output or timeout.
    bool ReadLine(std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    explicit ChildProcess(pid_t pid, int out) : pid_(pid), out_(out) {}
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -1;
    std::string buffer_;
};

// Polls a condition until it holds or the timeout passes.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

} // namespace corvid::testing
