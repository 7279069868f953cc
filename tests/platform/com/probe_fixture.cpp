#include "probe_fixture.h"

#include "com/creation.h"
#include "com/module.h"

#include <dlfcn.h>
#include <filesystem>

namespace probe {

void* ProbeModule() {
    static void* module = ::dlopen(PROBE_MODULE, RTLD_NOW | RTLD_LOCAL);
    return module;
}

void* ProbeEntry(const char* name) {
    return ProbeModule() ? ::dlsym(ProbeModule(), name) : nullptr;
}

std::string ProbeModulePath() {
    return std::filesystem::canonical(PROBE_MODULE).string();
}

void ProbeTest::SetUp() {
    auto registerServer = reinterpret_cast<DllRegisterServerFunction>(ProbeEntry("DllRegisterServer"));
    ASSERT_NE(registerServer, nullptr) << ::dlerror();
    ASSERT_EQ(registerServer(), S_OK);
}

ComPtr<IProbe> ProbeTest::CreateProbe() {
    ComPtr<IProbe> probe;
    EXPECT_EQ(CreateInstance("Probe.Probe.1", probe), S_OK);
    return probe;
}

} // namespace probe
