// A sandbox with a configuration store that points the VISA library at the fake GPIB
// driver library, and a way to run each scenario in a fresh process: the library reads
// its configuration once per process.
#pragma once

#include "fake_gpib.h"
#include "testsupport/sandbox.h"

#include <fstream>
#include <functional>
#include <ib488/ib488.h>
#include <string>
#include <visa.h>

namespace corvid::visaio::testing {

class VisaTest : public corvid::testing::SandboxTest {
protected:
    // Writes visa.ini; extra is appended (sections and keys of the test).
    void Configure(const std::string& extra = "", const std::string& gpib = "Boards=0\n") {
        std::ofstream(sandbox.home() / "visa.ini") << "[GPIB]\n"
                                                   << gpib << "Library=" << FAKE_GPIB_LIBRARY << "\n"
                                                   << "[GPIB-CONFIG]\nSRQPollTime=10\n"
                                                   << extra;
    }

    // Runs body in a child process and expects it to pass.
    void InChild(const std::function<void()>& body) {
        auto child = corvid::testing::ChildProcess::Fork([&] {
            fakegpib_reset();
            body();
            return ::testing::Test::HasFailure() ? 1 : 0;
        });
        EXPECT_EQ(child.Wait(std::chrono::seconds(60)), 0);
    }
};

// The default resource manager and one session, closed at the end.
struct OpenSession {
    explicit OpenSession(const char* name, ViAccessMode mode = VI_NO_LOCK) {
        EXPECT_GE(viOpenDefaultRM(&rm), VI_SUCCESS);
        openStatus = viOpen(rm, name, mode, 0, &vi);
    }
    ~OpenSession() { viClose(rm); }
    OpenSession(const OpenSession&) = delete;
    OpenSession& operator=(const OpenSession&) = delete;

    std::string Query(const std::string& command) {
        ViUInt32 count = 0;
        EXPECT_EQ(viWrite(vi, reinterpret_cast<ViConstBuf>(command.data()),
                          static_cast<ViUInt32>(command.size()), &count),
                  VI_SUCCESS);
        char buffer[512];
        EXPECT_GE(viRead(vi, reinterpret_cast<ViBuf>(buffer), sizeof buffer, &count), VI_SUCCESS);
        return std::string(buffer, count);
    }

    ViSession rm = VI_NULL;
    ViSession vi = VI_NULL;
    ViStatus openStatus = VI_SUCCESS;
};

inline std::string FakeLog() {
    char text[16384];
    fakegpib_log(text, sizeof text);
    return text;
}

} // namespace corvid::visaio::testing
