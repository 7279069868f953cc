#include "serial_client.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace corvid::testing {

SimSerialTest::SimSerialTest() {
    if (const char* bench = std::getenv("CORVID_SIM_BENCH")) {
        oldBench_ = bench;
    }
    ::unsetenv("CORVID_SIM_BENCH");
}

SimSerialTest::~SimSerialTest() {
    if (oldBench_) {
        ::setenv("CORVID_SIM_BENCH", oldBench_->c_str(), 1);
    } else {
        ::unsetenv("CORVID_SIM_BENCH");
    }
}

std::filesystem::path SimSerialTest::WriteBench(const std::string& text) {
    std::filesystem::path file = scratch.path() / "test.bench";
    std::ofstream(file) << text;
    return file;
}

SimSerial::SimSerial(const std::vector<std::string>& arguments)
    : process_([&] {
          std::vector<std::string> argv{SIMSERIAL_PATH};
          argv.insert(argv.end(), arguments.begin(), arguments.end());
          return ChildProcess::Spawn(argv);
      }()) {
    process_.ReadLine(announcement_);
}

std::string SimSerial::Member(const std::string& name) const {
    std::string key = "\"" + name + "\":";
    size_t at = announcement_.find(key);
    if (at == std::string::npos) {
        return {};
    }
    at += key.size();
    if (announcement_.compare(at, 4, "null") == 0) {
        return "null";
    }
    size_t end = announcement_.find('"', at + 1);
    return end == std::string::npos ? std::string() : announcement_.substr(at + 1, end - at - 1);
}

int RunSimSerial(const std::vector<std::string>& arguments, std::vector<std::string>& lines) {
    std::vector<std::string> argv{"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", SIMSERIAL_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess process = ChildProcess::Spawn(argv);
    std::string line;
    while (process.ReadLine(line)) {
        lines.push_back(line);
    }
    return process.Wait();
}

SerialClient::SerialClient(const std::filesystem::path& device) {
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        return;
    }
    termios settings{};
    ::tcgetattr(fd_, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(fd_, TCSANOW, &settings);
    ::tcflush(fd_, TCIFLUSH); // nothing stale from an earlier client
}

SerialClient::~SerialClient() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void SerialClient::Write(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n <= 0) {
            ADD_FAILURE() << "write to the line failed";
            return;
        }
        done += static_cast<size_t>(n);
    }
}

std::optional<std::string> SerialClient::ReadLine(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        size_t newline = pending_.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        pollfd fd{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        char buffer[512];
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            return std::nullopt;
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace corvid::testing
