// Test support for simserial: the program started in the background, and a client that
// opens its line like a serial port (raw mode) and talks to it line by line.
#pragma once

#include "testsupport/sandbox.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvid::testing {

// A running simserial and what its first line announced.
class SimSerial {
public:
    explicit SimSerial(const std::vector<std::string>& arguments);

    ChildProcess& process() { return process_; }
    // The announcement line, empty when the program wrote none.
    const std::string& announcement() const { return announcement_; }
    // A member of the announcement: the text of a string, "null" for null.
    std::string Member(const std::string& name) const;

private:
    ChildProcess process_;
    std::string announcement_;
};

// Runs simserial with standard error joined to standard output; returns the exit status
// and the lines written.
int RunSimSerial(const std::vector<std::string>& arguments, std::vector<std::string>& lines);

class SerialClient {
public:
    explicit SerialClient(const std::filesystem::path& device);
    ~SerialClient();
    SerialClient(const SerialClient&) = delete;
    SerialClient& operator=(const SerialClient&) = delete;

    bool is_open() const { return fd_ >= 0; }
    void Write(const std::string& text);
    // The next line without its line feed; nullopt when none came within the time-out.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::optional<std::string> Query(const std::string& message) {
        Write(message + "\n");
        return ReadLine();
    }

private:
    int fd_ = -1;
    std::string pending_;
};

// Each test with its own home and runtime directories, a scratch folder for links and
// bench files, and no bench from the environment unless the test sets one.
class SimSerialTest : public SandboxTest {
protected:
    SimSerialTest();
    ~SimSerialTest() override;
    std::filesystem::path WriteBench(const std::string& text);

    TempDir scratch;

private:
    std::optional<std::string> oldBench_;
};

} // namespace corvid::testing
