// The registry entries a module writes and removes.
#include "com/module.h"
#include "com/registration.h"
#include "platform/registry.h"
#include "probe_fixture.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace corvid::com;
using corvid::platform::RegistryGetString;
using corvid::platform::RegistryKeyExists;
using corvid::platform::RegistryRoot;
using corvid::platform::RegistrySubKeys;

namespace {

const std::string kClassKey = "CLSID\\{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A11}";
const std::string kCategory = "{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A1F}";
const std::string kLibraryKey = "TypeLib\\{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A10}";

std::optional<std::string> Classes(const std::string& key, const std::string& name = "") {
    return RegistryGetString(RegistryRoot::ClassesRoot, key, name);
}

bool Exists(const std::string& key) {
    return RegistryKeyExists(RegistryRoot::ClassesRoot, key);
}

HRESULT Unregister() {
    return reinterpret_cast<DllUnregisterServerFunction>(probe::ProbeEntry("DllUnregisterServer"))();
}

class Registration : public probe::ProbeTest {};

} // namespace

TEST_F(Registration, WritesClassProgIdTypeLibraryAndCategoryEntries) {
    std::string path = probe::ProbeModulePath();
    EXPECT_EQ(Classes("Probe.Probe.1"), "Probe Class");
    EXPECT_EQ(Classes("Probe.Probe.1\\CLSID"), "{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A11}");
    EXPECT_EQ(Classes("Probe.Probe"), "Probe Class");
    EXPECT_EQ(Classes("Probe.Probe\\CurVer"), "Probe.Probe.1");
    EXPECT_FALSE(Exists("Probe.Probe\\CLSID"));
    EXPECT_EQ(Classes(kClassKey), "Probe Class");
    EXPECT_EQ(Classes(kClassKey + "\\ProgID"), "Probe.Probe.1");
    EXPECT_EQ(Classes(kClassKey + "\\VersionIndependentProgID"), "Probe.Probe");
    EXPECT_TRUE(Exists(kClassKey + "\\Programmable"));
    EXPECT_EQ(Classes(kClassKey + "\\InprocServer32"), path);
    EXPECT_EQ(Classes(kClassKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(Exists(kClassKey + "\\Implemented Categories\\" + kCategory));
    EXPECT_EQ(Classes("Component Categories\\" + kCategory, "409"), "Corvid Test Components");
    EXPECT_EQ(Classes(kLibraryKey + "\\1.0"), "probe 1.0 Type Library");
    EXPECT_EQ(Classes(kLibraryKey + "\\1.0\\0\\win32"), path);
    EXPECT_EQ(Classes(kLibraryKey + "\\1.0\\FLAGS"), "0");
    EXPECT_EQ(Classes(kLibraryKey + "\\1.0\\HELPDIR"), std::filesystem::path(path).parent_path().string());
    // The classes root is the machine hive's SOFTWARE\Classes.
    EXPECT_EQ(RegistryGetString(RegistryRoot::LocalMachine, "SOFTWARE\\Classes\\" + kClassKey, ""),
              "Probe Class");
}

TEST_F(Registration, RegisteringAgainReplacesTheClassKeyWhole) {
    ASSERT_TRUE(
        corvid::platform::RegistrySetString(RegistryRoot::ClassesRoot, kClassKey + "\\Stale", "", "x"));
    auto registerServer = reinterpret_cast<DllRegisterServerFunction>(probe::ProbeEntry("DllRegisterServer"));
    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_FALSE(Exists(kClassKey + "\\Stale"));
    int classKeys = 0;
    for (const auto& key : RegistrySubKeys(RegistryRoot::ClassesRoot, "CLSID"))
        classKeys += key == "{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A11}";
    EXPECT_EQ(classKeys, 1);
    EXPECT_EQ(RegistrySubKeys(RegistryRoot::ClassesRoot, kClassKey).size(), 5u);
}

TEST_F(Registration, UnregisteringKeepsTheCategoryAndTheClsidKey) {
    ASSERT_EQ(Unregister(), S_OK);
    EXPECT_FALSE(Exists(kClassKey));
    EXPECT_FALSE(Exists("Probe.Probe.1"));
    EXPECT_FALSE(Exists("Probe.Probe"));
    EXPECT_FALSE(Exists(kLibraryKey));
    EXPECT_TRUE(Exists("CLSID"));
    EXPECT_EQ(Classes("Component Categories\\" + kCategory, "409"), "Corvid Test Components");
    EXPECT_EQ(Unregister(), S_OK) << "unregistering twice is harmless";
}

TEST_F(Registration, ProgIdsTakenOverByAnotherClassStay) {
    constexpr CLSID other = MakeGuid("{0D3C1A10-0000-4000-8000-000000000040}");
    ClassRegistration registration{other, "Other", "Probe.Probe.1", "Probe.Probe"};
    ASSERT_EQ(RegisterClassKeys(registration, "/opt/other.so"), S_OK);
    ASSERT_EQ(Unregister(), S_OK);
    EXPECT_EQ(Classes("Probe.Probe.1\\CLSID"), FormatGuid(other));
    EXPECT_EQ(Classes("Probe.Probe\\CurVer"), "Probe.Probe.1");
}

TEST_F(Registration, MembershipRemovalLeavesOtherCategories) {
    constexpr GUID second = MakeGuid("{0D3C1A10-0000-4000-8000-000000000041}");
    ASSERT_EQ(RegisterImplementedCategory(probe::CLSID_Probe, second), S_OK);
    ASSERT_EQ(UnregisterImplementedCategory(probe::CLSID_Probe, probe::CATID_TestComponents), S_OK);
    EXPECT_TRUE(Exists(kClassKey + "\\Implemented Categories\\" + FormatGuid(second)));
    ASSERT_EQ(UnregisterImplementedCategory(probe::CLSID_Probe, second), S_OK);
    EXPECT_FALSE(Exists(kClassKey + "\\Implemented Categories"));
    EXPECT_TRUE(Exists(kClassKey));
}

TEST_F(Registration, LongCategoryDescriptionsAreCut) {
    std::string description;
    for (int i = 0; i < 130; ++i)
        description += "\xC3\xA9"; // two bytes, one character
    constexpr GUID catid = MakeGuid("{0D3C1A10-0000-4000-8000-000000000042}");
    ASSERT_EQ(RegisterCategory({catid, description.c_str()}), S_OK);
    EXPECT_EQ(Classes("Component Categories\\" + FormatGuid(catid), "409"), description.substr(0, 254));
}

TEST_F(Registration, AnUnwritableRegistryFailsClearly) {
    std::filesystem::remove_all(sandbox.home() / "registry");
    std::ofstream(sandbox.home() / "registry") << "a file where the hive directory should be";
    auto registerServer = reinterpret_cast<DllRegisterServerFunction>(probe::ProbeEntry("DllRegisterServer"));
    EXPECT_EQ(registerServer(), SELFREG_E_CLASS);
    ClassRegistration registration{probe::CLSID_Probe, "Probe Class", nullptr, nullptr};
    EXPECT_EQ(UnregisterClassKeys(registration), SELFREG_E_CLASS);
}

TEST_F(Registration, AnInvalidNameWritesNothing) {
    constexpr CLSID other = MakeGuid("{0D3C1A10-0000-4000-8000-000000000043}");
    ClassRegistration registration{other, "Other", "Bad\\", nullptr};
    EXPECT_EQ(RegisterClassKeys(registration, "/opt/other.so"), SELFREG_E_CLASS);
    EXPECT_FALSE(Exists("CLSID\\" + FormatGuid(other))) << "the whole change is abandoned";
}
