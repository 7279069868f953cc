// The configuration component through its dispatch members, over a sandboxed vela.ini.
#include "com/creation.h"
#include "com/module.h"
#include "com/variant.h"
#include "testsupport/sandbox.h"
#include "velaconfig/vela_config.h"

#include <dlfcn.h>
#include <fstream>
#include <gtest/gtest.h>

namespace corvid::velaconfig::testing {
namespace {

class VelaConfigTest : public corvid::testing::SandboxTest {
protected:
    void SetUp() override {
        void* module = ::dlopen(VELACONFIG_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << ::dlerror();
        auto registerServer =
            reinterpret_cast<DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
        ASSERT_NE(registerServer, nullptr);
        ASSERT_EQ(registerServer(), S_OK);
        ASSERT_EQ(CreateInstance(kVelaConfigProgId, config), S_OK);
    }

    bool Found() {
        Variant found;
        EXPECT_EQ(InvokeMember(config.get(), kDispIsConfigFileFound, DISPATCH_METHOD, {}, &found), S_OK);
        return found.vt == VT_BOOL && found.boolVal != VARIANT_FALSE;
    }
    std::string Get(const char* section, const char* key) {
        Bstr value;
        EXPECT_EQ(config->GetValue(Bstr(section).get(), Bstr(key).get(), value.Out()), S_OK);
        return Utf8FromBstr(value.get());
    }
    std::string SystemPath() {
        Variant path;
        EXPECT_EQ(InvokeMember(config.get(), "SystemPath", DISPATCH_PROPERTYGET, {}, &path), S_OK);
        return path.vt == VT_BSTR ? Utf8FromBstr(path.bstrVal) : "?";
    }

    ComPtr<IVelaConfig> config;
};

TEST_F(VelaConfigTest, AMissingStoreIsNotFoundAndReadsEmpty) {
    EXPECT_FALSE(Found());
    EXPECT_EQ(Get("VELA SYSTEM", "OutputPath"), "");
    EXPECT_EQ(SystemPath(), "");
}

TEST_F(VelaConfigTest, ReadsAndWritesTheStore) {
    std::ofstream(sandbox.home() / "vela.ini") << "[VELA SYSTEM]\nVelaBasePath=/srv/station\n";
    EXPECT_TRUE(Found());
    EXPECT_EQ(SystemPath(), "/srv/station");
    EXPECT_EQ(Get("vela system", "velabasepath"), "/srv/station");
    ASSERT_EQ(config->SetValue(Bstr("VELA PROJECTS").get(), Bstr("LM-4065_SupportsCrystalReports").get(),
                               Bstr("No").get()),
              S_OK);
    EXPECT_EQ(Get("VELA PROJECTS", "LM-4065_SupportsCrystalReports"), "No");
    std::ifstream in(sandbox.home() / "vela.ini");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("LM-4065_SupportsCrystalReports=No"), std::string::npos) << text;
}

TEST_F(VelaConfigTest, TheFixedDispatchIdentifiersReachTheirMembers) {
    VARIANT arguments[3];
    for (VARIANT& argument : arguments)
        VariantInit(&argument);
    arguments[0].vt = arguments[1].vt = arguments[2].vt = VT_BSTR;
    arguments[0].bstrVal = BstrFromUtf8("S");
    arguments[1].bstrVal = BstrFromUtf8("K");
    arguments[2].bstrVal = BstrFromUtf8("value with = sign");
    EXPECT_EQ(InvokeMember(config.get(), kDispSetValue, DISPATCH_METHOD, arguments, nullptr), S_OK);
    Variant value;
    EXPECT_EQ(InvokeMember(config.get(), kDispGetValue, DISPATCH_METHOD, std::span(arguments, 2), &value),
              S_OK);
    EXPECT_EQ(Utf8FromBstr(value.bstrVal), "value with = sign");
    for (VARIANT& argument : arguments)
        VariantClear(&argument);
    EXPECT_TRUE(Found());
}

} // namespace
} // namespace corvid::velaconfig::testing
