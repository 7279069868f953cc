// The component's exports as the support library calls them: a failure inside, even one
// thrown by a service of the caller, comes back as a status and never as an exception.
#include "visa/sbvisa_io.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace {

// What the services throw on the next call that reaches them.
enum class Failure { None, Error, Memory };
Failure g_failure = Failure::None;

void ThrowIfAsked() {
    if (g_failure == Failure::Error) {
        throw std::runtime_error("service failed");
    }
    if (g_failure == Failure::Memory) {
        throw std::bad_alloc();
    }
}

SbvisaSharedTables g_tables{};

SbvisaServices MakeServices() {
    SbvisaServices services{};
    services.version = SBVISA_IO_VERSION;
    services.size = sizeof services;
    services.lockSemaphore = [](int, ViUInt32) -> ViStatus {
        ThrowIfAsked();
        return VI_SUCCESS;
    };
    services.unlockSemaphore = [](int) {
    };
    services.localTimeout = []() -> ViUInt32 {
        return 2000;
    };
    services.matchName = [](const SbvisaFindContext*, ViConstString) {
        return 1;
    };
    services.growFindList = [](SbvisaFindList*, ViUInt32) -> ViStatus {
        return VI_SUCCESS;
    };
    services.announceInterface = [](ViConstString) {
    };
    services.openConfiguration = []() -> ViStatus {
        ThrowIfAsked();
        return VI_SUCCESS;
    };
    services.readConfigShort = [](ViConstString, ViConstString, ViInt16 fallback) {
        return fallback;
    };
    services.readConfigLong = [](ViConstString, ViConstString, ViInt32 fallback) {
        return fallback;
    };
    services.readConfigString = [](ViConstString, ViConstString, ViConstString fallback, ViChar* text,
                                   ViUInt32 size) -> ViUInt32 {
        std::snprintf(text, size, "%s", fallback);
        return static_cast<ViUInt32>(std::strlen(text));
    };
    services.tables = &g_tables;
    return services;
}

class ComponentBoundary : public ::testing::Test {
protected:
    void SetUp() override {
        // As the support library loads it: the component's singletons live as long as the process.
        module_ = dlopen(SBVIIO32_MODULE, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(module_, nullptr) << dlerror();
        g_failure = Failure::None;
        ASSERT_EQ(Export<SbvisaAttachFunction>("sbviio_attach")(&services_), VI_SUCCESS);
    }
    void TearDown() override {
        g_failure = Failure::None;
        if (module_) {
            Export<SbvisaDetachFunction>("sbviio_detach")();
            dlclose(module_);
        }
    }
    template <class Function>
    Function Export(const char* name) {
        auto function = reinterpret_cast<Function>(dlsym(module_, name));
        EXPECT_NE(function, nullptr) << name;
        return function;
    }

    SbvisaServices services_ = MakeServices();
    void* module_ = nullptr;
};

TEST_F(ComponentBoundary, FindFunctionsAnswerAStatusWhenAServiceThrows) {
    SbvisaFindList list{};
    for (const char* name : {"viFindRsrc_488", "viFindRsrc_ASRL"}) {
        auto find = Export<SbvisaFindFunction>(name);
        g_failure = Failure::Error;
        EXPECT_EQ(find(nullptr, &list), VI_ERROR_SYSTEM_ERROR) << name;
        g_failure = Failure::Memory;
        EXPECT_EQ(find(nullptr, &list), VI_ERROR_ALLOC) << name;
    }
    EXPECT_EQ(list.count, 0u);
}

TEST_F(ComponentBoundary, OpenAndAttachAnswerAStatusWhenAServiceThrows) {
    SbvisaSession session{};
    session.interfaceType = VI_INTF_ASRL;
    session.interfaceNumber = 1;
    g_failure = Failure::Error;
    EXPECT_EQ(Export<SbvisaOpenFunction>("viOpen_ASRL")(&session), VI_ERROR_SYSTEM_ERROR);
    EXPECT_EQ(session.interfaceData, nullptr);
    g_failure = Failure::Memory;
    EXPECT_EQ(Export<SbvisaAttachFunction>("sbviio_attach")(&services_), VI_ERROR_ALLOC);
}

} // namespace
