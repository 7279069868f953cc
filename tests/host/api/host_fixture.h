// A fresh sandbox per test, a plan written into it, and a recorder for every callback
// of the host. The host is one per process: each test unloads and unregisters at its end.
#pragma once

#include "halcyon/host_program.h"
#include "halcyon/pubapi.h"
#include "halcyon/utacore.h"
#include "testsupport/sandbox.h"

#include <gmock/gmock.h>
#include <string>
#include <vector>

namespace corvid::host::testing {

class HostTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes plan.lua into the sandbox and returns its path.
    std::string WritePlan(const std::string& text, const std::string& name = "plan.lua");
    // Writes and loads a plan; a failure fails the test.
    void Load(const std::string& text);
    VTestHandle Find(const char* name);

public:
    // The events in order: "sequence begin", "test begin NAME", "test end NAME", "sequence end N".
    static std::vector<std::string> events;
    static std::string report;
    static std::string trace;
};

} // namespace corvid::host::testing
