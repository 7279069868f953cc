// Creating components through the registry and their modules.
#include "com/creation.h"
#include "com/error_info.h"
#include "com/module.h"
#include "platform/registry.h"
#include "probe_fixture.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace corvid::com;
using corvid::platform::RegistryRoot;
using corvid::platform::RegistrySetString;
using probe::CLSID_Probe;
using probe::IProbe;

namespace {

constexpr CLSID kOtherClass = MakeGuid("{0D3C1A10-0000-4000-8000-000000000030}");

class Creation : public probe::ProbeTest {
protected:
    // Registers kOtherClass as served by the module at path.
    void RegisterOtherClass(const std::string& path) {
        ASSERT_TRUE(RegistrySetString(RegistryRoot::ClassesRoot, "Other.Class.1\\CLSID", "",
                                      FormatGuid(kOtherClass)));
        ASSERT_TRUE(RegistrySetString(RegistryRoot::ClassesRoot,
                                      "CLSID\\" + FormatGuid(kOtherClass) + "\\InprocServer32", "", path));
    }

    // Creation of "Other.Class.1" fails with expected, describing itself with a text containing part.
    void ExpectFailure(HRESULT expected, const std::string& part) {
        ComPtr<IUnknown> object;
        EXPECT_EQ(CreateInstance("Other.Class.1", object), expected);
        EXPECT_FALSE(object);
        auto details = TakeErrorDetails();
        ASSERT_TRUE(details);
        EXPECT_NE(details->description.find(part), std::string::npos) << details->description;
    }
};

} // namespace

TEST_F(Creation, ByProgIdVersionIndependentProgIdAndClassId) {
    for (const char* name : {"Probe.Probe.1", "Probe.Probe", "{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A11}"}) {
        ComPtr<IProbe> probe;
        ASSERT_EQ(CreateInstance(name, probe), S_OK) << name;
        LONG sum = 0;
        EXPECT_EQ(probe->Add(2, 3, &sum), S_OK);
        EXPECT_EQ(sum, 5);
    }
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Probe.Probe", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Probe);
    EXPECT_EQ(CLSIDFromString(u"{6B1F0C52-3D0A-4E55-9C1B-2A7D5E0F4A11}", &clsid), S_OK);
    EXPECT_EQ(CLSIDFromString(u"Probe.Probe", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(InprocServerPath(CLSID_Probe), probe::ProbeModulePath());
}

TEST_F(Creation, UnknownNamesAndClasses) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(CreateInstance("No.Such.1", object), CO_E_CLASSSTRING);
    EXPECT_EQ(TakeErrorDetails()->description, "The ProgID \"No.Such.1\" is not registered");
    EXPECT_EQ(CreateInstance("Bad\\Name", object), CO_E_CLASSSTRING);
    EXPECT_EQ(CreateInstance("", object), CO_E_CLASSSTRING);
    EXPECT_EQ(CreateInstance("{0D3C1A10-0000-4000-8000-000000000030}", object), REGDB_E_CLASSNOTREG);
    ASSERT_TRUE(RegistrySetString(RegistryRoot::ClassesRoot, "Broken.1\\CLSID", "", "not an identifier"));
    EXPECT_EQ(CreateInstance("Broken.1", object), CO_E_CLASSSTRING);
    ASSERT_TRUE(RegistrySetString(RegistryRoot::ClassesRoot, "Loop.1\\CurVer", "", "Loop.1"));
    EXPECT_EQ(CreateInstance("Loop.1", object), CO_E_CLASSSTRING) << "a CurVer cycle ends";
}

TEST_F(Creation, ModuleThatDoesNotExist) {
    RegisterOtherClass((sandbox.home() / "missing.so").string());
    ExpectFailure(CO_E_DLLNOTFOUND, "missing.so\" registered for the class");
}

TEST_F(Creation, ModuleThatCannotBeLoaded) {
    auto path = sandbox.home() / "garbage.so";
    std::ofstream(path) << "not a shared object";
    RegisterOtherClass(path.string());
    ExpectFailure(CO_E_ERRORINDLL, "cannot be loaded");
}

TEST_F(Creation, ModuleWithoutDllGetClassObject) {
    RegisterOtherClass(NO_ENTRY_MODULE);
    ExpectFailure(HResultFromWin32(ERROR_PROC_NOT_FOUND), "does not export DllGetClassObject");
}

TEST_F(Creation, ModuleThatDoesNotServeTheClass) {
    RegisterOtherClass(probe::ProbeModulePath());
    ComPtr<IUnknown> object;
    EXPECT_EQ(CreateInstance("Other.Class.1", object), CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(Creation, InterfacesAndAggregation) {
    ComPtr<probe::IAbsent> absent;
    EXPECT_EQ(CreateInstance("Probe.Probe.1", absent), E_NOINTERFACE);
    ComPtr<IProbe> probe = CreateProbe();
    void* object = nullptr;
    EXPECT_EQ(CreateInstance(CLSID_Probe, probe.get(), IProbe::iid, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CreateInstance(CLSID_Probe, nullptr, IProbe::iid, nullptr), E_POINTER);
}

TEST_F(Creation, ModuleCanUnloadOnlyWithoutObjectsAndLocks) {
    auto canUnload = reinterpret_cast<DllCanUnloadNowFunction>(probe::ProbeEntry("DllCanUnloadNow"));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    {
        ComPtr<IProbe> probe = CreateProbe();
        EXPECT_EQ(canUnload(), S_FALSE);
    }
    EXPECT_EQ(canUnload(), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(CLSID_Probe, IClassFactory::iid, factory.OutVoid()), S_OK);
    factory->LockServer(1);
    IClassFactory* raw = factory.Detach();
    raw->Release();
    EXPECT_EQ(canUnload(), S_FALSE) << "a server lock keeps the module";
    ASSERT_EQ(GetClassObject(CLSID_Probe, IClassFactory::iid, factory.OutVoid()), S_OK);
    factory->LockServer(0);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_OK);
}
