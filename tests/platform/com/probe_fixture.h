// A sandbox with the probe test component registered through its own DllRegisterServer.
#pragma once

#include "com/com_ptr.h"
#include "probe.h"
#include "testsupport/sandbox.h"

#include <string>

namespace probe {

// The probe module, loaded once for the whole test program.
void* ProbeModule();
// An exported entry point of the probe module.
void* ProbeEntry(const char* name);
// The canonical path of the probe module.
std::string ProbeModulePath();

class ProbeTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override;
    ComPtr<IProbe> CreateProbe();
};

} // namespace probe
